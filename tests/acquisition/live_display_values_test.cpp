// Live display arithmetic against hand-worked values: group means halves to even, the scale
// raise, bar pages and slots, heat-map levels, the zoomed trace value and the baseline rows.
#include "acquisition/live_display_values.h"

#include <gtest/gtest.h>

#include <utility>

#include "project/plate_format.h"
#include "support/test_support.h"

namespace movexa {
namespace {

// Four wells of two beams: channel 2w + b is beam b of well w; well 3's beam-1 entry names
// channel 0, which belongs to well 0 (a table entry that must not count for well 3).
WellMap TwoBeamWells() {
  WellMap m;
  for (int c = 0; c < 8; ++c) {
    m.channelWell[c] = static_cast<int16_t>(c / 2);
    m.channelBeam[c] = static_cast<int16_t>(c % 2);
  }
  m.channelWell[7] = -1;
  m.highestWell = 3;
  m.highestBeam = 1;
  m.table = {0, 1, 2, 3, 4, 5, 6, 0};
  return m;
}

TEST(LiveDisplayValues, GroupViewMeansRoundHalvesToEvenOverTheWellsOwnChannels) {
  ChannelActivity a{};
  const int16_t values[8] = {10, 11, 12, 13, 14, 14, 9, 500};
  std::copy(values, values + 8, a.begin());
  const WellMap m = TwoBeamWells();
  GroupViewMeans means;
  const int16_t twoWells[] = {0, 1};
  ComputeGroupViewMeans(a, m, twoWells, means);
  // 10.5 -> 10, 12.5 -> 12; the group: 46 / 4 = 11.5 -> 12.
  EXPECT_EQ(means.wellMeans, (std::vector<int64_t>{10, 12}));
  EXPECT_EQ(means.groupMean, 12);
  EXPECT_EQ(means.channels, 4);

  // Well 3 counts its beam-0 channel only; a group of no channels has mean 0.
  const int16_t wells3[] = {3};
  ComputeGroupViewMeans(a, m, wells3, means);
  EXPECT_EQ(means.wellMeans, (std::vector<int64_t>{9}));
  EXPECT_EQ(means.groupMean, 9);
  ComputeGroupViewMeans(a, m, {}, means);
  EXPECT_EQ(means.groupMean, 0);
}

TEST(LiveDisplayValues, ScaleRisesInHalfStepsAndAZeroScaleBecomesOne) {
  // 600 / 1, / 1.5, / 2 all above 255; 600 / 2.5 = 240.
  EXPECT_DOUBLE_EQ(RaiseScaleForGroupMean(1.0, 600), 2.5);
  EXPECT_DOUBLE_EQ(RaiseScaleForGroupMean(1.0, 255), 1.0);
  EXPECT_DOUBLE_EQ(RaiseScaleForGroupMean(0.0, 10), 1.0);
  // The bar plot: one step from the next redraw, only above 250.
  EXPECT_DOUBLE_EQ(RaiseScaleAfterBarPlot(1.0, 250), 1.0);
  EXPECT_DOUBLE_EQ(RaiseScaleAfterBarPlot(1.0, 600), 1.5);
  EXPECT_DOUBLE_EQ(RaiseScaleAfterBarPlot(0.0, 0), 1.0);
}

TEST(LiveDisplayValues, AutoScaleTopsAreEvenRoundNumbersNotBelowTheLargestValue) {
  const std::pair<int64_t, int64_t> tops[] = {
      {-3, 2},  {0, 2},   {1, 2},   {2, 2},   {3, 4},    {7, 8},     {9, 10},    {11, 20},
      {21, 40}, {41, 50}, {51, 60}, {79, 80}, {81, 100}, {101, 200}, {250, 400}, {32767, 40000}};
  for (auto [largest, top] : tops) {
    EXPECT_EQ(AutoScaleTop(largest), top) << largest;
    EXPECT_EQ(AutoScaleTop(largest) % 2, 0) << largest;  // a whole half-way tick
  }
  EXPECT_DOUBLE_EQ(AutoActivityScale(17), 20.0 / 250);
  EXPECT_EQ(LargestGroupViewValue({{3, 19, 7}, 9, 6}), 19);
  EXPECT_EQ(LargestGroupViewValue({{}, 4, 0}), 4);
  // The heat map's maximum: at least 255 normally, at least 1 with auto scale.
  const int64_t sums[] = {0, 34, 24};
  EXPECT_EQ(HeatMapMaximum(sums), 255);
  EXPECT_EQ(HeatMapMaximum(sums, true), 34);
  EXPECT_EQ(HeatMapMaximum(std::span(sums).first(1), true), 1);
}

TEST(LiveDisplayValues, BarPlotPagesAndSlots) {
  const std::pair<int, int> pages[] = {{0, 1}, {12, 1}, {13, 2}, {24, 2}, {25, 3}, {36, 3}};
  for (auto [groups, count] : pages) EXPECT_EQ(BarPlotPageCount(groups), count) << groups;
  EXPECT_FALSE(PageButtonsShown(12));
  EXPECT_TRUE(PageButtonsShown(13));

  EXPECT_DOUBLE_EQ(BarPlotSlots(5).width, 50);
  EXPECT_EQ(BarPlotSlots(5).offset, 18);  // 17.5 -> 18
  EXPECT_NEAR(BarPlotSlots(6).width, 300.0 / 7, 1e-9);
  EXPECT_EQ(BarPlotSlots(6).offset, 15);
  const BarSlots paged = BarPlotSlots(BarsLaidOut(30));
  EXPECT_NEAR(paged.width, 300.0 / 13, 1e-9);
  EXPECT_EQ(paged.offset, 8);
  EXPECT_NEAR(paged.X0(11), 11 * 300.0 / 13 + 8, 1e-9);
}

TEST(LiveDisplayValues, GroupsInUseLeaveOutFreeChannelsAndChannelsWithoutWells) {
  ProjectSettings p;
  p.channelGroup.fill(kFreeGroup);
  const WellMap m = TwoBeamWells();
  ChannelActivity a{};
  a[0] = 3, a[1] = 4, a[6] = 7, a[7] = 900, a[200] = 50;
  p.channelGroup[0] = p.channelGroup[1] = 4;
  p.channelGroup[6] = p.channelGroup[7] = 2;  // channel 7 has no well
  p.channelGroup[200] = 9;                    // nor has channel 200
  std::vector<GroupActivity> groups;
  GroupsInUse(a, p, m, groups);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].group, 2);
  EXPECT_EQ(groups[0].Mean(), 7);
  EXPECT_EQ(groups[1].group, 4);
  EXPECT_EQ(groups[1].Mean(), 4);  // 3.5 -> 4
}

TEST(LiveDisplayValues, PageCountOfEveryPlateFormatWithOneGroupPerWell) {
  const std::pair<std::string, int> formats[] = {{"w384", 32},   {"w96f", 8}, {"w96u", 8},
                                                 {"w96flat", 8}, {"w48", 4},  {"w32_flytube", 3},
                                                 {"w24", 2},     {"w6", 1}};
  for (const auto& [name, pages] : formats) {
    const std::string text = test::ReadFileOrDie(test::InstallDataDir() / (name + ".dat"));
    PlateFormatParse parse = ParsePlateFormat(text);
    ASSERT_TRUE(parse.ok()) << name << ": " << parse.error;
    WellMap m;
    InstallChannelRecords(parse.channels, m);
    ProjectSettings p;
    for (int c = 0; c < kChannelCount; ++c) p.channelGroup[c] = m.channelWell[c];
    std::vector<GroupActivity> groups;
    GroupsInUse(ChannelActivity{}, p, m, groups);
    EXPECT_EQ(BarPlotPageCount(static_cast<int>(groups.size())), pages) << name;
  }
}

TEST(LiveDisplayValues, HeatMapLayoutSumsAndLevels) {
  PlateGeometry g{8, 2.0, -0.5, 12, 2.0, 0.0};
  const HeatMapLayout l = ComputeHeatMapLayout(g);
  EXPECT_EQ(l.cellWidth, 200);
  EXPECT_EQ(l.cellHeight, 200);
  EXPECT_EQ(l.offsetX, 0);
  EXPECT_EQ(l.offsetY, -50);
  EXPECT_DOUBLE_EQ(l.x1, -150);
  EXPECT_DOUBLE_EQ(l.y1, -250);

  const WellMap m = TwoBeamWells();
  ChannelActivity a{};
  a[0] = 200, a[1] = 310, a[2] = 255, a[7] = 999;  // channel 7 has no well
  std::vector<int64_t> sums;
  HeatMapWellSums(a, m, g, sums);
  ASSERT_EQ(sums.size(), 96u);
  EXPECT_EQ(sums[0], 510);
  EXPECT_EQ(sums[1], 255);
  EXPECT_EQ(HeatMapMaximum(sums), 510);
  EXPECT_EQ(HeatLevel(510, 510), 255);
  EXPECT_EQ(HeatLevel(255, 510), 128);  // 127.5 -> 128
  // Quiet plates stay pale: the maximum is at least 255.
  EXPECT_EQ(HeatMapMaximum(std::vector<int64_t>(96, 10)), 255);
  EXPECT_EQ(HeatLevel(10, 255), 10);
}

TEST(LiveDisplayValues, ZoomedTraceValueBaselineAndEnvelope) {
  EXPECT_EQ(TracePlotValue(1234, 0, 2000), 1234);
  EXPECT_EQ(TracePlotValue(2000, 3, 2000), 1750);
  EXPECT_EQ(TracePlotValue(1900, 10, 2000), 750);
  EXPECT_EQ(TracePlotValue(1000, 10, 2000), 6);
  EXPECT_TRUE(EnvelopeVisible(0, 6));
  EXPECT_FALSE(EnvelopeVisible(0, 5));
  EXPECT_FALSE(EnvelopeVisible(1, 2000));

  RunBuffers b;
  ASSERT_TRUE(b.Allocate(10));
  const int16_t levels[] = {3000, 1800, 1900, 1850, 2500, 2600};
  for (int r = 0; r < 6; ++r) b.Raw(7, r) = levels[r];
  // Rows 1 .. p - 1 only: row 0 and the row at the position do not count.
  EXPECT_EQ(ZoomBaseline(b, 7, 4), 1900);
  EXPECT_EQ(ZoomBaseline(b, 7, 5), 2500);
  EXPECT_EQ(ZoomBaseline(b, 7, 0), 1800);
  EXPECT_EQ(ZoomBaseline(RunBuffers{}, 7, 4), 0);
}

TEST(LiveDisplayValues, CaptionsLabelsAndWellPositions) {
  EXPECT_EQ(TemperatureCaption("23.5"), "T=23.5*C");
  EXPECT_EQ(SampleCounterText(1500), "1500#");
  EXPECT_EQ(GroupNumberOfLabel("012_Larvae"), 12);
  EXPECT_EQ(GroupNumberOfLabel("ab_"), -1);

  WellPosition p;
  ASSERT_TRUE(ParseWellListEntry("B12.3", p));
  EXPECT_EQ(p.rowLetter, 'B');
  EXPECT_EQ(p.column, 12);
  EXPECT_EQ(p.beam, 3);
  for (const char* bad : {"", "B3", "B.1", "3B.1", "B3.x", "B3."}) {
    EXPECT_FALSE(ParseWellListEntry(bad, p)) << bad;
  }

  PlateGeometry g;
  WellMap m;
  ASSERT_TRUE(InstallBuiltInPlateFormat("w96f", g, m));
  EXPECT_EQ(ChannelAtPosition(g, m, {'A', 2, 1}), 48);
  EXPECT_EQ(ChannelAtPosition(g, m, {'C', 1, 0}), 4);
  // Outside the plate or the beams of a well: no channel (never channel 0 of another well).
  EXPECT_EQ(ChannelAtPosition(g, m, {'I', 1, 0}), -1);
  EXPECT_EQ(ChannelAtPosition(g, m, {'A', 13, 0}), -1);
  EXPECT_EQ(ChannelAtPosition(g, m, {'A', 1, 2}), -1);
  EXPECT_EQ(ChannelAtPosition(g, m, {'A', 1, -1}), -1);
}

}  // namespace
}  // namespace movexa
