// Quick report: exact layout against a golden file, and when it is (not) written.
#include "acquisition/quick_report.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/host_fakes.h"
#include "project/plate_format.h"
#include "support/test_support.h"

namespace movexa {
namespace {

// Ten wells of an 8-row plate with two beams each: channel 2w + b is beam b of well w.
// Channels 0..7 are group 0 (channel 3 disabled), 8..15 group 5, 16..17 free, 18..19 group 2
// but disabled; channel 200 has activity but no well.
struct Fixture {
  Fixture() {
    project.Name = "Larvae test";
    project.groupNames[5] = "Group5";
    project.channelGroup.fill(kFreeGroup);
    for (int c = 0; c < 20; ++c) {
      wells.channelWell[c] = static_cast<int16_t>(c / 2);
      wells.channelBeam[c] = static_cast<int16_t>(c % 2);
    }
    wells.highestWell = 9;
    wells.highestBeam = 1;
    wells.table.assign(20, 0);
    for (int c = 0; c < 20; ++c) wells.table[c] = static_cast<int16_t>(c);
    for (int c = 0; c < 8; ++c) project.channelGroup[c] = 0;
    for (int c = 8; c < 16; ++c) project.channelGroup[c] = 5;
    project.channelGroup[18] = project.channelGroup[19] = 2;
    project.channelEnabled[3] = project.channelEnabled[18] = project.channelEnabled[19] = false;
    // Wells 0..2 average 10.5, 12.5, 14.5 (halves to even: 10, 12, 14); group 0's enabled
    // channels average 95 / 7; group 5's 43.5 (-> 44).
    int values[20] = {10, 11, 12, 13, 14, 15, 16, 17, 40, 41, 42, 43, 44, 45, 46, 47, 7, 8, 30, 31};
    for (int c = 0; c < 20; ++c) activity[c] = static_cast<int16_t>(values[c]);
    activity[200] = 99;
  }
  QuickReportInputs Inputs(const std::filesystem::path& folder) {
    return {activity, project, wells, plateRows, 3, folder};
  }
  std::array<int16_t, kChannelSlots> activity{};
  ProjectSettings project;
  WellMap wells;
  int plateRows = 8;
};

TEST(QuickReport, LayoutMatchesTheGoldenFile) {
  Fixture f;
  std::string text = FormatQuickReport(CivilTime{2024, 3, 19, 14, 5, 0, 0}, f.Inputs({}));
  EXPECT_EQ(text, test::ReadFileOrDie(test::GoldenDir() / "acquisition" / "quick_report.txt"));
}

TEST(QuickReport, WrittenToTheProjectFolderAndOpenedOnlyOnceTheTimerIsOff) {
  test::TempDir dir;
  Fixture f;
  FakeHost h;
  EXPECT_FALSE(WriteQuickReport(h.host, true, f.Inputs(dir.path())));
  EXPECT_FALSE(IsFile(dir / "report.txt"));
  EXPECT_TRUE(h.shell.calls().empty());

  EXPECT_TRUE(WriteQuickReport(h.host, false, f.Inputs(dir.path())));
  EXPECT_EQ(test::ReadFileOrDie(dir / "report.txt"), FormatQuickReport(h.clock.Now(), f.Inputs({})));
  EXPECT_EQ(h.pacer.pumps(), 1000);
  ASSERT_EQ(h.shell.calls().size(), 1u);
  EXPECT_EQ(h.shell.calls()[0].target, (dir / "report.txt").string());
}

TEST(QuickReport, UnwritableReportIsToldAndNotOpened) {
  test::TempDir dir;
  Fixture f;
  FakeHost h;
  h.dialogs.Lenient();
  EXPECT_FALSE(WriteQuickReport(h.host, false, f.Inputs(dir / "missing-folder")));
  ASSERT_EQ(h.dialogs.Messages().size(), 1u);
  EXPECT_NE(h.dialogs.Messages()[0].find("report.txt"), std::string::npos);
  EXPECT_TRUE(h.shell.calls().empty());
}

TEST(QuickReport, SingleBeamWellsReportTheirChannelAndNoBeamsReportZero) {
  Fixture f;
  f.wells = WellMap{};
  f.wells.channelWell[6] = 0;
  f.wells.channelWell[9] = 1;
  f.wells.highestWell = 1;
  f.wells.table = {6, 9};
  std::string text = FormatQuickReport(CivilTime{2024, 3, 19, 14, 5, 0, 0}, f.Inputs({}));
  EXPECT_NE(text.find("A1 \"000_Group0\" 16\r\nB1 \"005_Group5\" 41\r\n"), std::string::npos);
  f.wells.highestBeam = -1;
  text = FormatQuickReport(CivilTime{2024, 3, 19, 14, 5, 0, 0}, f.Inputs({}));
  EXPECT_NE(text.find("A1 \"000_Group0\" 0\r\n"), std::string::npos);
}

// The lines of the well section, without its three heading lines.
std::vector<std::string> WellLines(const std::string& report) {
  std::vector<std::string> lines;
  size_t at = report.find("Well Group Value\r\n");
  if (at == std::string::npos) return lines;
  at += 18;
  for (size_t end; (end = report.find("\r\n", at)) != at && end != std::string::npos;
       at = end + 2) {
    lines.push_back(report.substr(at, end - at));
  }
  return lines;
}

// w48 holds wells of two beams and wells of three: each well is the mean of its own beams
// (two-beam wells were divided by three and took channel 0 in as their missing third beam).
TEST(QuickReport, WellsOfAMixedBeamPlateAreTheMeanOfTheirOwnBeams) {
  PlateGeometry g;
  WellMap map;
  ASSERT_TRUE(LoadPlateFormatStrict(test::InstallDataDir(), "w48", g, map).ok);
  ASSERT_EQ(map.highestBeam, 2);
  Fixture f;
  f.wells = map;
  f.project.channelGroup.fill(kFreeGroup);
  f.activity.fill(0);
  f.activity[0] = 1000;  // channel 0 lies in no well of w48: it must not leak into any well
  int twoBeams = -1, threeBeams = -1;
  for (int w = 0; w <= map.highestWell && (twoBeams < 0 || threeBeams < 0); ++w) {
    const int beams =
        (map.FindChannel(w, 0) >= 0) + (map.FindChannel(w, 1) >= 0) + (map.FindChannel(w, 2) >= 0);
    if (beams == 2 && twoBeams < 0) twoBeams = w;
    if (beams == 3 && threeBeams < 0) threeBeams = w;
  }
  ASSERT_GE(twoBeams, 0);
  ASSERT_GE(threeBeams, 0);
  ASSERT_EQ(map.channelWell[0], -1);
  auto beam = [&](int well, int b) -> int16_t& {
    const int c = map.FindChannel(well, b);
    return f.activity[c >= 0 && c < kChannelCount ? static_cast<size_t>(c) : kChannelCount];
  };
  beam(twoBeams, 0) = 9;
  beam(twoBeams, 1) = 12;  // 10.5 -> 10
  beam(threeBeams, 0) = 4;
  beam(threeBeams, 1) = 5;
  beam(threeBeams, 2) = 9;  // 6
  f.plateRows = g.rows;
  const std::vector<std::string> lines = WellLines(FormatQuickReport(CivilTime{}, f.Inputs({})));
  ASSERT_EQ(lines.size(), 48u);
  EXPECT_EQ(lines[twoBeams], WellLabel(twoBeams, g.rows) + " \"999_Free \" 10");
  EXPECT_EQ(lines[threeBeams], WellLabel(threeBeams, g.rows) + " \"999_Free \" 6");
}

// The built-in 96-well maps keep a spare well 96 that no channel names: it is no well of the
// plate and was listed as "A13" with channel 0's activity and group.
TEST(QuickReport, BuiltInNinetySixWellMapsListTheirNinetySixWellsOnly) {
  for (const char* format : {"w96f", "w96u"}) {
    PlateGeometry g;
    WellMap map;
    ASSERT_TRUE(InstallBuiltInPlateFormat(format, g, map));
    Fixture f;
    f.wells = map;
    f.plateRows = g.rows;
    const std::vector<std::string> lines = WellLines(FormatQuickReport(CivilTime{}, f.Inputs({})));
    ASSERT_EQ(lines.size(), 96u) << format;
    EXPECT_EQ(lines.front().substr(0, 3), "A1 ") << format;
    EXPECT_EQ(lines.back().substr(0, 4), "H12 ") << format;
  }
}

}  // namespace
}  // namespace movexa
