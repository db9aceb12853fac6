// The analysis commands on a real recording: movexa-sim on a pseudo-terminal, a two-minute
// named run with movexa-cli acquire, then export-dam, sleep and profile on its folder. The DAM
// counts are checked against the recorded counts.bin grouped by closing minute.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "acquisition/counts_record.h"
#include "base/date_time.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "device/device_rig.h"
#include "project/plate_format.h"
#include "project/project_store.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == separator) {
      out.emplace_back();
    } else if (c != '\r') {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
    out.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  return out;
}

TEST(AnalysisEndToEnd, CommandsOnARecordingMadeWithTheSimulator) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  FakeHost fake;
  ProjectSettings settings;
  PlateGeometry geometry;
  WellMap map;
  LoadProject(1, ProjectLocation{app, app / "p00001"}, settings, geometry, map, fake.host);
  settings.RT_Buffer = 100;
  settings.DSP_Method = 1;
  settings.ChannelThreshold.fill(10);
  settings.Mn[kMn2] = {1, 8, 20, 0, 0, 0};
  ASSERT_TRUE(SaveProject(app / "p00001", 1, settings).ok);

  std::vector<std::string> simArgs{"--paced", "--block-bytes", "48"};
  for (int c = 0; c <= 30; c += 2) {
    simArgs.push_back("--channel-rate");
    simArgs.push_back(std::to_string(c) + "=" + std::to_string(c % 4 == 0 ? 20 : 3));
  }
  auto sim = StartSimulator(dir / "sim.link", simArgs);
  ChildProcess acquire(
      CliProgram(),
      {"acquire", "--app-dir", app.string(), "--name", "analysed run", "--minutes", "2"},
      {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "acquire.out").string());
  ASSERT_EQ(acquire.Wait(300000), 0) << ReadFileOrDie(dir / "acquire.out");
  ASSERT_EQ(sim->Stop(SIGTERM, 5000), 0);
  fs::path folder;
  for (const auto& e : fs::directory_iterator(app / "p00001")) {
    if (e.is_directory() && ParseAcquisitionStamp(e.path().filename().string())) folder = e.path();
  }
  ASSERT_FALSE(folder.empty());

  auto run = [&](const std::string& args) {
    const std::string command = CliProgram() + " " + args + " '" + folder.string() + "' >'" +
                                (dir / "cli.out").string() + "' 2>&1 </dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("export-dam"), 0) << ReadFileOrDie(dir / "cli.out");
  const std::string printed = ReadFileOrDie(dir / "cli.out");
  // The program's start-up clears the light cycle's Enable, so the snapshot keeps the hours
  // with the control off, and the output says so.
  EXPECT_NE(printed.find("light: lights on 08:00, off 20:00, from the acquisition's light hours; "
                         "the light control was off"),
            std::string::npos)
      << printed;

  // The recording grouped by closing minute; the last minute holds the one record that closed
  // after the run's two minutes, a partial bin that the analysis leaves out.
  const std::string bytes = ReadFileOrDie(folder / "counts.bin");
  ASSERT_EQ(bytes.size() % kCountsRecordBytes, 0u);
  std::map<int32_t, std::vector<CountsRecord>> byMinute;
  for (size_t k = 0; k < bytes.size() / kCountsRecordBytes; ++k) {
    CountsRecord r;
    DecodeCountsRecord(bytes, k * kCountsRecordBytes, r);
    byMinute[r.minutes].push_back(r);
  }
  ASSERT_EQ(byMinute.size(), 3u) << "minutes 0, 1 and the closing record of minute 2";
  EXPECT_EQ(byMinute[2].size(), 1u);
  EXPECT_GT(byMinute[0].size(), 3u);

  const auto lines = Lines(ReadFileOrDie(folder / "analysis" / "Monitor01.txt"));
  ASSERT_EQ(lines.size(), 2u);
  const CivilTime start = *ParseAcquisitionStamp(folder.filename().string());
  for (int m = 0; m < 2; ++m) {
    const auto f = Fields(lines[static_cast<size_t>(m)], '\t');
    ASSERT_EQ(f.size(), 42u);
    EXPECT_EQ(f[2], FormatDateTime(AddMinutes(start, m + 1), "hh:nn:ss"));
    // Wells A1..A12 are positions 0..11 of the first file; A1 holds channels 0 and 16.
    for (int column = 0; column < 12; ++column) {
      const int well = column * 8;  // row A
      int64_t expected = 0;
      for (const auto& r : byMinute[m]) {
        for (int c = 0; c < kChannelCount; ++c) {
          if (map.channelWell[static_cast<size_t>(c)] == well)
            expected += r.values[static_cast<size_t>(c)];
        }
      }
      EXPECT_EQ(std::stoll(f[static_cast<size_t>(10 + column)]), expected)
          << "minute " << m << " A" << column + 1;
    }
  }
  EXPECT_GT(std::stoll(Fields(lines[0], '\t')[10]), 0) << "A1 crossed by the simulated organisms";

  ASSERT_EQ(run("sleep --preset fly"), 0) << ReadFileOrDie(dir / "cli.out");
  const std::string sleep = ReadFileOrDie(folder / "analysis" / "sleep_fly_wells.csv");
  EXPECT_NE(sleep.find("\r\nA1,"), std::string::npos);
  EXPECT_EQ(sleep.find("nan"), std::string::npos);
  ASSERT_EQ(run("profile"), 0) << ReadFileOrDie(dir / "cli.out");
  EXPECT_TRUE(IsFile(folder / "analysis" / "profile_groups.csv"));
}

}  // namespace
}  // namespace movexa::test
