// Loading a run for analysis: the acquisition folders and their start times, the plate and the
// groups, the light schedule, and the records streamed twice (bin times first, then the wells'
// sums), so a month of records never has to sit in memory.
#include "analysis/activity_table.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>

#include "acquisition/counts_record.h"
#include "analysis/activity_bins.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "offline/acquisition_browser.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "reports/acquisition_tables.h"
#include "reports/counts_series.h"

namespace movexa {

namespace fs = std::filesystem;

namespace {

// Longer than any run: a year of bins.
constexpr int64_t kMaxRunMinutes = 366LL * 1440;

std::string ClockText(int minuteOfDay) {
  return ZeroPad(minuteOfDay / 60, 2) + ":" + ZeroPad(minuteOfDay % 60, 2);
}

// One acquisition folder of the run.
struct Part {
  fs::path folder;
  fs::path tablesFolder;  // where its setup, groups and channel groups are read
  CivilTime start;
  int64_t offsetMinutes = 0;
  std::string name;  // experiment name
  bool joined = false;
  int64_t records = 0;
  AcquisitionTables tables;
};

// The acquisition folders named inside a joined acquisition's "subproj.dat" text: each part is
// a browser line "  > yyyy.mmdd\t ACQhh:mm \"name\"", followed by " + ".
std::vector<std::string> JoinedFolderNames(const std::string& subproject) {
  std::vector<std::string> names;
  for (size_t p = subproject.find("  > "); p != std::string::npos;
       p = subproject.find("  > ", p + 1)) {
    if (auto name = FolderNameFromLine(std::string_view(subproject).substr(p)))
      names.push_back(*name);
  }
  return names;
}

bool ResolvePart(const fs::path& folder, const fs::path& appFolder, Part& part, std::string& error,
                 std::vector<std::string>& notes) {
  part.folder = folder;
  part.tablesFolder = folder;
  if (!IsDirectory(folder)) {
    error = folder.string() + ": no such acquisition folder.";
    return false;
  }
  if (!IsFile(folder / offline_texts::kCountsFile)) {
    error = folder.string() + ": no counts.bin (no bin was recorded in this acquisition).";
    return false;
  }
  std::string subprojectName;
  if (auto text = ReadWholeFile(folder / "subproj.dat")) {
    SubprojectRead sub = ParseSubproject(*text);
    if (sub.ok()) {
      subprojectName = sub.name;
      part.joined = sub.hasSecond && sub.second == offline_texts::kJointFiles;
    }
  }
  part.name = subprojectName;
  const std::string folderName = folder.filename().string();
  if (!part.joined) {
    auto start = ParseAcquisitionStamp(std::string_view(folderName).substr(0, 13));
    if (!start) {
      error = folder.string() +
              ": the folder's name does not begin with the acquisition's start "
              "time (yyyymmdd_hhmm), so its bins have no wall-clock time.";
      return false;
    }
    part.start = *start;
  } else {
    // A join's times count from its earliest part's start; its own name is the moment of the join.
    std::optional<CivilTime> earliest;
    fs::path firstSource;
    for (const auto& name : JoinedFolderNames(subprojectName)) {
      auto t = ParseAcquisitionStamp(std::string_view(name).substr(0, 13));
      if (!t) continue;
      if (!earliest || ToEpochMs(*t) < ToEpochMs(*earliest)) {
        earliest = t;
        firstSource = folder.parent_path() / name;
      }
    }
    if (!earliest) {
      error = folder.string() +
              ": a joined acquisition whose parts cannot be read from "
              "subproj.dat, so the start of its times is unknown.";
      return false;
    }
    part.start = *earliest;
    if (!IsFile(folder / "setup.dat")) {
      if (IsFile(firstSource / "setup.dat")) {
        part.tablesFolder = firstSource;
        notes.push_back(folder.filename().string() +
                        " is a joined acquisition: its plate and "
                        "groups are those of its first part " +
                        firstSource.filename().string() + ".");
      } else {
        part.tablesFolder = folder.parent_path();
        notes.push_back(folder.filename().string() +
                        " is a joined acquisition whose first part "
                        "was not found: its plate and groups are the project's present ones.");
      }
    }
  }
  part.tables = LoadAcquisitionTables(part.tablesFolder, appFolder);
  if (part.tables.status != TablesStatus::kOk) {
    error = part.tables.status == TablesStatus::kPlateMissing
                ? MultiwellNotFoundMessage(part.tables.setup.plateFormat) + " (" +
                      part.tables.detail + ")."
                : part.tables.detail + ".";
    return false;
  }
  return true;
}

// The schedule kept in the acquisition's setup ("Mn2": enable, ON hour, OFF hour, pulses).
LightRegime AcquisitionLight(const fs::path& tablesFolder, std::vector<std::string>& notes) {
  LightRegime light;
  ProjectSettings settings;
  bool stored = false;
  if (auto text = ReadWholeFile(tablesFolder / "setup.dat")) {
    SetupReadResult r = ReadSetupText(*text, settings);
    stored = r.stage >= 7;
  }
  if (!stored) {
    light.origin = "the default light hours (the acquisition's setup keeps none)";
    notes.push_back(
        "The acquisition's setup keeps no light hours: the default 09:00-21:00 is "
        "used; give --lights-on and --lights-off for the schedule the animals had.");
    return light;
  }
  const auto& mn2 = settings.Mn[kMn2];
  int on = mn2[kTime_ON];
  int off = mn2[kTime_OFF];
  if (on < 0 || on > 23 || off < 0 || off > 23) {
    notes.push_back("The acquisition's light hours (" + std::to_string(on) + ", " +
                    std::to_string(off) + ") are no hours of the day: 09:00-21:00 is used.");
    on = 9;
    off = 21;
  }
  const bool enabled = mn2[kLightEnable] != 0;
  light.origin = enabled
                     ? "the acquisition's light hours (light control on during the run)"
                     : "the acquisition's light hours; the light control was off during the run, "
                       "so they are a setting, not necessarily the light the animals had";
  if (on == off) {
    // The light control keeps the lights off when both hours are equal.
    light.kind = LightKind::kConstantDark;
    light.onMinute = light.offMinute = on * 60;
  } else {
    light.onMinute = on * 60;
    light.offMinute = off * 60;
  }
  if (enabled && mn2[kPulseTimes] >= 1) {
    notes.push_back(
        "The light control ran a pulse cycle of " + std::to_string(mn2[kPulseTimes]) +
        " pulses from the start instead of the daily hours; the analysis uses the daily "
        "hours " +
        light.Text() + ".");
  }
  return light;
}

// The records of one part, streamed in chunks; `visit(k, record)` for every whole record.
template <class Visit>
bool StreamRecords(const Part& part, const ActivityLoadOptions& options, const std::string& stage,
                   std::string& error, Visit visit) {
  const fs::path path = part.folder / offline_texts::kCountsFile;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path.string() + ": cannot be read.";
    return false;
  }
  constexpr int64_t kChunkRecords = 4096;
  std::string buffer(static_cast<size_t>(kChunkRecords * kCountsRecordBytes), '\0');
  CountsRecord record;
  int lastTenth = -1;
  for (int64_t done = 0; done < part.records;) {
    const int64_t n = std::min(kChunkRecords, part.records - done);
    in.read(buffer.data(), static_cast<std::streamsize>(n * kCountsRecordBytes));
    if (in.gcount() != static_cast<std::streamsize>(n * kCountsRecordBytes)) {
      error = path.string() + ": the file changed while it was read.";
      return false;
    }
    for (int64_t k = 0; k < n; ++k) {
      DecodeCountsRecord(buffer, static_cast<size_t>(k * kCountsRecordBytes), record);
      visit(done + k, record);
    }
    done += n;
    if (options.stopRequested && options.stopRequested()) {
      error = std::string(kLoadStoppedText);
      return false;
    }
    const int tenth = static_cast<int>(done * 10 / part.records);
    if (options.progress && part.records > 20 * kChunkRecords && tenth != lastTenth) {
      lastTenth = tenth;
      options.progress(stage + " " + part.folder.filename().string() + ": " +
                       std::to_string(tenth * 10) + " %");
    }
  }
  return true;
}

std::string GroupLabelText(const ReportProjectTables& t, int group) {
  if (group < 0) return std::string(kFreeGroupLabel);
  return GroupLabel(group, t.groupNames[static_cast<size_t>(group)]);
}

void BuildWells(const ReportProjectTables& t, ActivityTable& table) {
  std::map<int, AnalysisGroup> groups;
  for (int w = 0; w <= t.largestWell; ++w) {
    const int first = t.ChannelAt(w, 0);
    if (first < 0) continue;
    AnalysisWell well;
    well.well = w;
    well.label = WellLabel(w, t.rows);
    well.group = t.channelGroup[first] < 0 ? kFreeGroup : t.channelGroup[first];
    well.groupLabel = GroupLabelText(t, well.group);
    std::vector<int> otherGroups;
    for (int p = 0; p <= t.largestPosition; ++p) {
      const int c = t.ChannelAt(w, p);
      if (c < 0) continue;
      well.channels.push_back(c);
      const int g = t.channelGroup[c] < 0 ? kFreeGroup : t.channelGroup[c];
      if (g != well.group &&
          std::find(otherGroups.begin(), otherGroups.end(), g) == otherGroups.end())
        otherGroups.push_back(g);
    }
    if (!otherGroups.empty()) {
      std::string list;
      for (int g : otherGroups) list += (list.empty() ? "" : ", ") + GroupLabelText(t, g);
      table.notes.push_back("Well " + well.label + ": its beams are also in " + list +
                            "; the well counts in the group of its first beam, " + well.groupLabel +
                            ", as in the reports.");
    }
    if (well.group >= 0) {
      AnalysisGroup& g = groups[well.group];
      g.group = well.group;
      g.label = well.groupLabel;
      g.wells.push_back(table.wells.size());
    }
    table.wells.push_back(std::move(well));
  }
  for (auto& [number, group] : groups) {
    if (t.groupNames[static_cast<size_t>(number)].empty()) {
      table.notes.push_back("Group " + std::to_string(number) +
                            " has no name in groups.dat; it is "
                            "labelled " +
                            group.label + ".");
    }
    table.groups.push_back(std::move(group));
  }
}

std::string SourceLine(const Part& part) {
  std::string line = part.folder.string() + " (\"" + part.name + "\", ";
  line += part.joined ? "joined acquisition, times from " : "started ";
  return line + FormatDateTime(part.start, "yyyy-mm-dd hh:nn") + ")";
}

}  // namespace

bool LightRegime::LightOnAt(int minuteOfDay) const {
  switch (kind) {
    case LightKind::kConstantLight:
      return true;
    case LightKind::kConstantDark:
      return false;
    case LightKind::kDaily:
      break;
  }
  if (onMinute < offMinute) return minuteOfDay >= onMinute && minuteOfDay < offMinute;
  return minuteOfDay >= onMinute || minuteOfDay < offMinute;
}

std::string LightRegime::Text() const {
  switch (kind) {
    case LightKind::kConstantLight:
      return "constant light (the lights never turn off)";
    case LightKind::kConstantDark:
      return "constant darkness (the lights never turn on)";
    case LightKind::kDaily:
      break;
  }
  return "lights on " + ClockText(onMinute) + ", off " + ClockText(offMinute);
}

int MinuteOfDay(const ActivityTable& table, int64_t minute) {
  const int64_t m = table.start.hour * 60 + table.start.minute + minute;
  return static_cast<int>(((m % 1440) + 1440) % 1440);
}

bool LightOnAtRunMinute(const ActivityTable& table, int64_t minute) {
  return table.light.LightOnAt(MinuteOfDay(table, minute));
}

CivilTime WallClockAt(const ActivityTable& table, int64_t minute) {
  return AddMinutes(table.start, minute);
}

ActivityLoad LoadActivityTable(const std::vector<fs::path>& acquisitions,
                               const ActivityLoadOptions& options) {
  ActivityLoad out;
  ActivityTable& table = out.table;
  if (acquisitions.empty()) {
    out.error = "No acquisition folder was given.";
    return out;
  }
  std::vector<Part> parts(acquisitions.size());
  for (size_t i = 0; i < acquisitions.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      std::error_code e1, e2;
      if (fs::weakly_canonical(acquisitions[i], e1) == fs::weakly_canonical(acquisitions[j], e2)) {
        out.error = acquisitions[i].string() + " is given twice.";
        return out;
      }
    }
    if (!ResolvePart(acquisitions[i], options.appFolder, parts[i], out.error, table.notes))
      return out;
  }
  std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
    return ToEpochMs(a.start) < ToEpochMs(b.start);
  });
  const Part& first = parts.front();
  table.start = first.start;
  for (auto& part : parts) {
    part.offsetMinutes = (ToEpochMs(part.start) - ToEpochMs(first.start)) / 60000;
    if (part.tables.setup.plateFormat != first.tables.setup.plateFormat) {
      out.error = part.folder.string() + " was recorded on plate " + part.tables.setup.plateFormat +
                  " and " + first.folder.string() + " on " + first.tables.setup.plateFormat +
                  ": they cannot be taken as one run.";
      return out;
    }
    if (&part != &first && (part.tables.tables.channelGroup != first.tables.tables.channelGroup ||
                            part.tables.tables.groupNames != first.tables.tables.groupNames)) {
      table.notes.push_back(part.folder.filename().string() + " has other groups than " +
                            first.folder.filename().string() + "; the groups of " +
                            first.folder.filename().string() + " (the earliest) are used.");
    }
    table.acquisitions.push_back(part.folder);
    table.sources.push_back(SourceLine(part));
  }
  const ReportProjectTables& project = first.tables.tables;
  table.plateFormat = first.tables.setup.plateFormat;
  table.plateRows = project.rows;
  table.plateColumns =
      std::max(project.columns, (project.largestWell + project.rows) / project.rows);
  BuildWells(project, table);
  if (table.wells.empty()) {
    out.error = "Plate " + table.plateFormat +
                " maps no channel to the first beam of a well: there "
                "is no well to analyse.";
    return out;
  }
  if (options.light) {
    table.light = *options.light;
  } else {
    table.light = AcquisitionLight(first.tablesFolder, table.notes);
  }
  if (table.light.kind == LightKind::kDaily) {
    const int startOfDay = first.start.hour * 60 + first.start.minute;
    table.zt0Minute = -(((startOfDay - table.light.onMinute) % 1440 + 1440) % 1440);
  }

  // Sizes and torn tails.
  for (auto& part : parts) {
    const fs::path path = part.folder / offline_texts::kCountsFile;
    const int64_t length = FileLength(path);
    if (length < 0 || length > kCountsFileMaxBytes) {
      out.error =
          path.string() + (length < 0 ? ": cannot be read." : ": too large for an activity file.");
      return out;
    }
    part.records = length / kCountsRecordBytes;
    if (length % kCountsRecordBytes != 0) {
      table.notes.push_back(TornTailNote(path, static_cast<size_t>(length % kCountsRecordBytes)) +
                            " (the run was cut during a write).");
    }
  }

  // Pass 1: the time of every record, and which records are damaged.
  std::vector<bool> mapped(kChannelCount, false);
  for (const auto& well : table.wells) {
    for (int c : well.channels) mapped[static_cast<size_t>(c)] = true;
  }
  std::vector<int64_t> closeMinutes;  // per record of all parts, in part order
  std::vector<char> damaged;
  for (const auto& part : parts) {
    std::vector<int32_t> stored;
    std::vector<char> marks;
    if (!StreamRecords(part, options, "reading", out.error, [&](int64_t, const CountsRecord& r) {
          bool negative = false;
          bool blank = r.minutes == 0;
          for (int c = 0; c < kChannelSlots; ++c) {
            const int16_t v = r.values[static_cast<size_t>(c)];
            negative = negative || (c < kChannelCount && mapped[static_cast<size_t>(c)] && v < 0);
            blank = blank && v == 0;
          }
          stored.push_back(r.minutes);
          marks.push_back(negative ? kRecordNegative : blank ? kRecordBlank : kRecordSound);
        })) {
      return out;
    }
    const std::vector<int64_t> adjusted = AdjustRecordTimes(stored, marks);
    for (size_t k = 0; k < adjusted.size(); ++k) {
      damaged.push_back(adjusted[k] == kDamagedRecord ? 1 : 0);
      closeMinutes.push_back(adjusted[k] == kDamagedRecord ? 0 : adjusted[k] + part.offsetMinutes);
    }
  }
  if (closeMinutes.empty()) {
    out.error = "No whole record in counts.bin of " + first.folder.string() +
                (parts.size() > 1 ? " or the other acquisitions" : std::string()) +
                ": nothing was recorded.";
    return out;
  }
  std::vector<int64_t> goodTimes;
  goodTimes.reserve(closeMinutes.size());
  for (size_t k = 0; k < closeMinutes.size(); ++k) {
    if (!damaged[k]) goodTimes.push_back(closeMinutes[k]);
  }
  const BinLayout layout = ChooseBinLayout(goodTimes);
  goodTimes.clear();
  goodTimes.shrink_to_fit();
  std::vector<int64_t> binOf(closeMinutes.size());
  size_t firstOfPart = 0;
  for (const auto& part : parts) {
    const size_t endOfPart = firstOfPart + static_cast<size_t>(part.records);
    std::vector<int64_t> partTimes;
    for (size_t k = firstOfPart; k < endOfPart; ++k) {
      if (!damaged[k]) partTimes.push_back(closeMinutes[k]);
    }
    const double fraction = ChooseCloseFraction(partTimes, part.offsetMinutes, layout);
    for (size_t k = firstOfPart; k < endOfPart; ++k) {
      binOf[k] = damaged[k] ? kDamagedRecord : BinOfRecord(closeMinutes[k], layout, fraction);
    }
    firstOfPart = endOfPart;
  }
  closeMinutes.clear();
  closeMinutes.shrink_to_fit();
  BinAssignment assignment = AssignBins(binOf, layout.severalPerBin, layout.binMinutes);
  binOf.clear();
  binOf.shrink_to_fit();
  table.binMinutes = layout.binMinutes;
  table.binRule = BinRuleText(layout);
  table.quality = assignment.quality;
  table.quality.recordMinutes = layout.recordMinutes;
  if (assignment.bins.empty()) {
    out.error =
        "Every record of the run is damaged (see the notes of the bin check): there is no "
        "bin to analyse.";
    return out;
  }
  table.binStart.reserve(assignment.bins.size());
  for (int64_t b : assignment.bins) table.binStart.push_back(b * layout.binMinutes);
  table.endMinute = table.binStart.back() + layout.binMinutes;
  if (table.endMinute - table.binStart.front() > kMaxRunMinutes) {
    out.error = "The run's bins span " +
                std::to_string((table.endMinute - table.binStart.front()) / 1440) +
                " days, with a gap of " + std::to_string(table.quality.largestGapMinutes) +
                " min: a damaged time or acquisitions far apart, not one run.";
    return out;
  }
  if (table.quality.damaged > 0) {
    table.notes.push_back(std::to_string(table.quality.damaged) +
                          " damaged record(s) were left out "
                          "(a negative time or count, a record of zero bytes after the start, or a "
                          "time far above both its neighbours).");
  }
  if (table.quality.duplicates > 0) {
    table.notes.push_back(std::to_string(table.quality.duplicates) +
                          " record(s) fell on a bin "
                          "already measured (the time went back or two records closed in one "
                          "bin) and were left out; the first reading of each bin is kept.");
  }
  if (table.quality.partialLeftOut > 0) {
    table.notes.push_back("The last minute holds " + std::to_string(table.quality.partialLeftOut) +
                          " record(s), at most half the usual number: a partial bin, left out.");
  }

  // Pass 2: the wells' sums per bin.
  const size_t bins = table.BinCount();
  table.activity.assign(table.wells.size() * bins, 0);
  bool saturated = false;
  size_t k = 0;
  for (const auto& part : parts) {
    if (!StreamRecords(part, options, "summing", out.error, [&](int64_t, const CountsRecord& r) {
          const int64_t slot = assignment.slot[k++];
          if (slot < 0) return;
          for (size_t w = 0; w < table.wells.size(); ++w) {
            int64_t sum = 0;
            for (int c : table.wells[w].channels) sum += r.values[static_cast<size_t>(c)];
            int32_t& cell = table.activity[w * bins + static_cast<size_t>(slot)];
            const int64_t total = cell + sum;
            if (total > std::numeric_limits<int32_t>::max()) saturated = true;
            cell =
                static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max()));
          }
        })) {
      return out;
    }
  }
  if (k != assignment.slot.size()) {
    out.error = "An activity file changed while it was read; try again.";
    return out;
  }
  if (saturated) {
    table.notes.push_back(
        "Some bins exceed 2147483647 counts (a damaged file): they are cut to that value.");
  }
  out.ok = true;
  return out;
}

}  // namespace movexa
