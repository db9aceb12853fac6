// Generated runs for the analysis tests.
#include "analysis_fixture.h"

#include <gtest/gtest.h>

#include "base/text_records.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_store.h"

namespace movexa::test {

namespace fs = std::filesystem;

PlateRun::PlateRun(const fs::path& root, const std::string& plate)
    : app(root / "app"), project(root / "app" / "p00001") {
  LayOutAppFolder(app);
  settings.Plate_format = plate;
  settings.Name = "Analysis fixture";
  PlateLoadResult r = LoadPlateFormatStrict(app, plate, geometry, map);
  EXPECT_TRUE(r.ok) << r.error;
}

int PlateRun::WellNumber(const std::string& label) const {
  return WellIndex(geometry, label[0], std::stoi(label.substr(1)));
}

std::vector<int> PlateRun::ChannelsOf(int well) const {
  std::vector<int> out;
  for (int b = 0; b <= map.highestBeam; ++b) {
    const int c = map.FindChannel(well, b);
    if (c >= 0) out.push_back(c);
  }
  return out;
}

void PlateRun::FreeAll() {
  settings.channelGroup.fill(kFreeGroup);
  for (auto& name : settings.groupNames) name = "Free";
}

void PlateRun::Assign(int group, const std::string& name, const std::vector<std::string>& wells) {
  settings.groupNames[static_cast<size_t>(group)] = name;
  for (const auto& label : wells) {
    for (int c : ChannelsOf(WellNumber(label)))
      settings.channelGroup[static_cast<size_t>(c)] = static_cast<int16_t>(group);
  }
}

void PlateRun::Light(bool enabled, int onHour, int offHour) {
  settings.Mn[kMn2][kLightEnable] = enabled ? 1 : 0;
  settings.Mn[kMn2][kTime_ON] = static_cast<int16_t>(onHour);
  settings.Mn[kMn2][kTime_OFF] = static_cast<int16_t>(offHour);
}

CountsRecord PlateRun::Record(int32_t minute, const std::function<int(int well)>& count) const {
  CountsRecord r;
  r.minutes = minute;
  r.values[kChannelCount] = 250;
  if (!count) return r;
  for (int w = 0; w <= map.highestWell; ++w) {
    const int c = map.FindChannel(w, 0);
    if (c >= 0) r.values[static_cast<size_t>(c)] = static_cast<int16_t>(count(w));
  }
  return r;
}

fs::path PlateRun::Write(const std::string& stamp, const std::vector<CountsRecord>& records,
                         const std::string& name) const {
  const fs::path folder = project / stamp;
  fs::create_directories(folder);
  EXPECT_TRUE(SaveProject(folder, 1, settings).ok);
  WriteFileOrDie(folder / "subproj.dat", FormatSubproject(name, nullptr));
  std::string bytes;
  for (const auto& r : records) EncodeCountsRecord(r, bytes);
  WriteFileOrDie(folder / "counts.bin", bytes);
  return folder;
}

ActivityLoad PlateRun::Load(const std::vector<fs::path>& folders,
                            const std::optional<LightRegime>& light) const {
  ActivityLoadOptions options;
  options.appFolder = app;
  options.light = light;
  return LoadActivityTable(folders, options);
}

std::vector<CountsRecord> MinuteRecords(const PlateRun& run, int minutes, int perMinute,
                                        const std::function<int(int well, int minute)>& count) {
  std::vector<CountsRecord> out;
  for (int m = 0; m < minutes; ++m) {
    for (int k = 0; k < perMinute; ++k) {
      out.push_back(run.Record(m, [&](int w) { return k == 0 ? count(w, m) : 0; }));
    }
  }
  return out;
}

fs::path WriteDayNightRun(PlateRun& run, int days, int perMinute) {
  run.FreeAll();
  run.Assign(1, "Day", {"A1", "B1", "C1", "D1"});
  run.Assign(2, "Night", {"A2", "B2", "C2", "D2"});
  run.Light(true, 9, 21);
  const int a1 = run.WellNumber("A1"), d1 = run.WellNumber("D1");
  return run.Write("20261207_0900", MinuteRecords(run, days * 1440, perMinute, [=](int w, int m) {
                     const bool day = w >= a1 && w <= d1;
                     return ((m % 1440 < 720) == day ? 6 : 1) + (m * 7 + w) % 3;
                   }));
}

ActivityTable HandTable(const std::vector<std::vector<int32_t>>& values,
                        const std::vector<int64_t>& binStart, int64_t binMinutes, int groups) {
  ActivityTable t;
  t.start = CivilTime{2026, 12, 7, 9, 0, 0, 0};
  t.binMinutes = binMinutes;
  t.binRule = "hand-made bins";
  t.binStart = binStart;
  t.endMinute = binStart.empty() ? 0 : binStart.back() + binMinutes;
  t.plateFormat = "hand";
  t.plateRows = 8;
  t.plateColumns = 12;
  t.light.origin = "the test";
  t.sources = {"hand-made table"};
  for (int g = 0; g < groups; ++g)
    t.groups.push_back({g, "00" + std::to_string(g) + "_G" + std::to_string(g), {}});
  for (size_t w = 0; w < values.size(); ++w) {
    AnalysisWell well;
    well.well = static_cast<int>(w);
    well.label = WellLabel(static_cast<int>(w), 8);
    well.group = static_cast<int>(w) % groups;
    well.groupLabel = t.groups[static_cast<size_t>(well.group)].label;
    t.groups[static_cast<size_t>(well.group)].wells.push_back(w);
    t.wells.push_back(well);
    EXPECT_EQ(values[w].size(), binStart.size());
    t.activity.insert(t.activity.end(), values[w].begin(), values[w].end());
  }
  return t;
}

}  // namespace movexa::test
