// Live display pictures on the recording canvas (what is drawn where and in which colour) and
// the display state driven as the main window drives it: views, pages, zoom, channel clamps.
#include "acquisition/live_display.h"

#include <gtest/gtest.h>

#include "acquisition/live_display_feed.h"
#include "app/app_state.h"
#include "base/host_fakes.h"
#include "base/recording_canvas.h"
#include "engine_rig.h"
#include "project/plate_format.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;
using Call = RecordingCanvas::Call;
constexpr Rgb kGrey{200, 200, 200};

bool Is(const Call& c, double x1, double y1, double x2, double y2) {
  return std::abs(c.x1 - x1) < 1e-9 && std::abs(c.y1 - y1) < 1e-9 && std::abs(c.x2 - x2) < 1e-9 &&
         std::abs(c.y2 - y2) < 1e-9;
}
int Count(const RecordingCanvas& canvas, Op op, Rgb colour, double x1, double y1, double x2,
          double y2) {
  int n = 0;
  for (const Call& c : canvas.Of(op, colour)) n += Is(c, x1, y1, x2, y2) ? 1 : 0;
  return n;
}
const Call* FindText(const RecordingCanvas& canvas, std::string_view text) {
  for (const Call& c : canvas.calls())
    if (c.op == Op::kText && c.text == text) return &c;
  return nullptr;
}

const Call* FindTextStarting(const RecordingCanvas& canvas, std::string_view head) {
  for (const Call& c : canvas.calls())
    if (c.op == Op::kText && c.text.rfind(head, 0) == 0) return &c;
  return nullptr;
}

// The black texts drawn (labels), empty ones left out.
std::vector<Call> Labels(const RecordingCanvas& canvas) {
  std::vector<Call> out;
  for (const Call& c : canvas.Of(Op::kText, colors::kBlack))
    if (!c.text.empty()) out.push_back(c);
  return out;
}

// Left and right pixel edges of a drawn text, as the canvas measured it.
double LeftPx(const RecordingCanvas&, const Call& text) {
  return text.textBox.left;
}
double RightPx(const RecordingCanvas&, const Call& text) {
  return text.textBox.right;
}

TEST(LiveDisplayPictures, AxesGroupViewAndBarPlot) {
  RecordingCanvas canvas;
  SetActivityCoordinates(canvas);
  DrawActivityAxes(canvas, 2.5);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kBlack, 0, 0, 2, 255), 1);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kWhite, -20, -20, 0, 260), 1);
  EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"625", "312", " 0"}));  // 312.5 -> 312
  EXPECT_DOUBLE_EQ(FindText(canvas, "625")->y1, 260);

  canvas.Reset();
  GroupViewMeans means{{10, 300}, 12, 4};
  const int16_t wells[] = {0, 9};
  DrawGroupView(canvas, {5, "Larva", &means, wells, 8, 1.0});
  EXPECT_EQ(Count(canvas, Op::kBox, colors::kBlack, 10, 2, 30, 12), 1);
  EXPECT_EQ(canvas.Of(Op::kBox)[0].penWidth, 3);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, kGrey, 10, 2, 30, 12), 1);
  EXPECT_EQ(FindText(canvas, "12")->colour, (Rgb{128, 128, 128}));
  ASSERT_NE(FindText(canvas, "G5_Larva"), nullptr);
  EXPECT_TRUE(Is(*FindText(canvas, "G5_Larva"), 5, -5, 5, -5));
  // Two wells: W = min(25, 130); the second well's bar stops at 255; names A1 and B2.
  EXPECT_EQ(Count(canvas, Op::kBox, colors::kBlack, 42.5, 2, 62.5, 10), 1);
  EXPECT_EQ(Count(canvas, Op::kBox, colors::kBlack, 67.5, 2, 87.5, 255), 1);
  EXPECT_TRUE(Is(*FindText(canvas, "B2"), 67.5, -5, 67.5, -5));

  canvas.Reset();
  ProjectSettings p;
  p.groupNames[7] = "Seven";
  const GroupActivity groups[] = {{3, 300, 1}, {7, 201, 2}};
  EXPECT_EQ(DrawBarPlot(canvas, groups, p, 0, 1.0), 300);
  // Two bars: w = 50, o = 18. A mean of 255 or more is drawn full height, the fill to 257.
  EXPECT_EQ(Count(canvas, Op::kBox, colors::kBlack, 23, 1, 63, 255), 1);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, kGrey, 23, 2, 63, 257), 1);
  EXPECT_EQ(Count(canvas, Op::kBox, colors::kBlack, 73, 1, 113, 100), 1);  // 100.5 -> 100
  EXPECT_EQ(Count(canvas, Op::kFilledBox, kGrey, 73, 2, 113, 100), 1);
  EXPECT_TRUE(Is(*FindText(canvas, "G7_Seven"), 73, -10, 73, -10));
  EXPECT_EQ(FindText(canvas, "100")->colour, (Rgb{125, 125, 125}));
  EXPECT_DOUBLE_EQ(FindText(canvas, "100")->x1, 78);
}

// Twelve groups with long names on one page: each label is cut to end before the next one
// begins (they ran into each other), keeping its group number.
TEST(LiveDisplayPictures, BarPlotLabelsElideBeforeTheNextLabel) {
  RecordingCanvas canvas(640, 300);
  SetActivityCoordinates(canvas);
  ProjectSettings p;
  std::vector<GroupActivity> groups;
  for (int g = 0; g < 12; ++g) {
    p.groupNames[g] = "Wild type N2 larvae " + std::to_string(g);
    groups.push_back({static_cast<int16_t>(g), 10, 1});
  }
  DrawBarPlot(canvas, groups, p, 0, 1.0);
  const std::vector<Call> labels = Labels(canvas);
  ASSERT_EQ(labels.size(), 12u);
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(labels[i].text.rfind("G" + std::to_string(i) + "_", 0), 0u) << labels[i].text;
    EXPECT_NE(labels[i].text.find("\u2026"), std::string::npos) << labels[i].text;
    const double limit = i + 1 < labels.size() ? LeftPx(canvas, labels[i + 1]) : canvas.WidthPx();
    EXPECT_LE(RightPx(canvas, labels[i]), limit) << labels[i].text;
  }
  // Names that fit are drawn whole.
  canvas.Reset();
  p.groupNames[1] = "Wild type";
  DrawBarPlot(canvas, std::span(groups).first(2), p, 0, 1.0);
  EXPECT_EQ(Labels(canvas)[1].text, "G1_Wild type");
}

// A group of all 96 wells: every well bar stays in the picture (rounding the well width up
// carried the last nine past its right edge), the well names go under every few wells apart
// from each other, and the group label ends before the first well name.
TEST(LiveDisplayPictures, GroupViewOfManyWellsKeepsBarsInsideAndNamesApart) {
  RecordingCanvas canvas(640, 300);
  SetActivityCoordinates(canvas);
  std::vector<int16_t> wells(96);
  for (int w = 0; w < 96; ++w) wells[w] = static_cast<int16_t>(w);
  GroupViewMeans means{std::vector<int64_t>(96, 3), 3, 192};
  DrawGroupView(canvas, {0, "All wells of the plate", &means, wells, 8, 1.0});
  const auto bars = canvas.Of(Op::kBox, colors::kBlack);
  ASSERT_EQ(bars.size(), 97u);  // the group bar and 96 well bars
  for (const Call& b : bars) EXPECT_LE(b.x2, 300.0);
  EXPECT_NEAR(bars.back().x1, 40 + 95 * 260.0 / 96 + 0.1 * 260.0 / 96, 1e-9);

  const std::vector<Call> labels = Labels(canvas);
  ASSERT_GE(labels.size(), 3u);
  EXPECT_EQ(labels[0].text, "G0_All\u2026");
  EXPECT_EQ(labels[1].text, "A1");
  EXPECT_LT(labels.size(), 1u + 96u);
  for (size_t i = 0; i + 1 < labels.size(); ++i) {
    EXPECT_LE(RightPx(canvas, labels[i]), LeftPx(canvas, labels[i + 1])) << labels[i].text;
  }
  EXPECT_LE(RightPx(canvas, labels.back()), canvas.WidthPx());
  EXPECT_EQ(GroupViewWellWidth(2), 25);
  EXPECT_EQ(GroupViewWellWidth(20), 13);
  EXPECT_DOUBLE_EQ(GroupViewWellWidth(96), 260.0 / 96);  // round(2.71) = 3 would end at 328
}

TEST(LiveDisplayPictures, HeatMapCellsBetweenTwoGrids) {
  const PlateGeometry g{8, 2.0, -0.5, 12, 2.0, 0.0};
  RecordingCanvas canvas;
  DrawHeatMap(canvas, g, std::vector<int64_t>(96, 0));
  EXPECT_TRUE(Is(canvas.LastScale(), -150, -250, 2410, 1610));
  EXPECT_EQ(canvas.Of(Op::kFilledBox, colors::kWhite).size(), 96u);  // all quiet: all white
  // The cell outlines as 9 + 13 grid lines, drawn before and again over the cells.
  EXPECT_EQ(canvas.Of(Op::kLine, colors::kRed).size(), 44u);
  EXPECT_EQ(Count(canvas, Op::kLine, colors::kRed, 0, 150, 2400, 150), 2);
  EXPECT_EQ(Count(canvas, Op::kLine, colors::kRed, 2400, -50, 2400, 1550), 2);
  EXPECT_EQ(canvas.calls().back().op, Op::kLine);
  EXPECT_TRUE(Is(*FindText(canvas, "12"), 11 * 200 + 50, -150, 11 * 200 + 50, -150));
  EXPECT_TRUE(Is(*FindText(canvas, "B"), -50, 200, -50, 200));

  canvas.Reset();
  std::vector<int64_t> sums(96, 0);
  sums[0] = 510;
  sums[1] = 255;
  DrawHeatMap(canvas, g, sums, false);
  EXPECT_TRUE(canvas.Texts().empty());
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kBlack, 20, -30, 180, 130), 1);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, (Rgb{127, 127, 127}), 20, 170, 180, 330), 1);
}

struct TraceRig {
  TraceRig() {
    buffers.Allocate(10);
    for (int r = 0; r < 10; ++r) {
      buffers.Raw(5, r) = static_cast<int16_t>(2000 - 10 * r);
      buffers.Filtered(5, r) = 100;
    }
    buffers.Filtered(5, 2) = 3;  // the envelope segment after it is not drawn
  }
  TraceSource At(int position) const { return {&buffers, 5, position, 0, 2000, false, 10}; }
  RunBuffers buffers;
};

TEST(LiveDisplayPictures, TraceRedrawSkipsThePositionAndStepsCompleteIt) {
  TraceRig rig;
  RecordingCanvas canvas;
  RedrawTracePicture(canvas, rig.At(5));
  EXPECT_TRUE(Is(canvas.LastScale(), 0, 2300, 30, 0));
  EXPECT_EQ(canvas.Of(Op::kClear).size(), 1u);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kWhite, 0, 1500, 5, 1500), 1);
  std::vector<double> ends;
  for (const Call& c : canvas.Of(Op::kLine, colors::kRed)) ends.push_back(c.x2);
  EXPECT_EQ(ends, (std::vector<double>{1, 2, 3, 7, 8, 9}));
  EXPECT_EQ(Count(canvas, Op::kLine, colors::kRed, 0, 2000, 1, 1990), 1);
  EXPECT_EQ(canvas.Of(Op::kLine, colors::kBlue).size(), 5u);  // not the one after row 2
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kWhite, 9, 21, 15, 2259), 1);

  // With zoom the levels plot around 1750 and no threshold line is drawn; the green phase.
  canvas.Reset();
  TraceSource zoomed = rig.At(5);
  zoomed.zoom = 10;
  zoomed.windowPhase = true;
  RedrawTracePicture(canvas, zoomed);
  EXPECT_EQ(Count(canvas, Op::kLine, colors::kRed, 0, 1750, 1, 1650), 1);
  EXPECT_TRUE(canvas.Of(Op::kLine, colors::kGreen).empty());
  canvas.Reset();
  zoomed.zoom = 0;
  DrawTraceStepPicture(canvas, zoomed);
  EXPECT_EQ(canvas.Of(Op::kLine, colors::kGreen).size(), 1u);  // segment 3 follows row 2

  // A step draws the segments ending at p - 2 and p - 1; at a bin's start the last ones.
  canvas.Reset();
  DrawTraceStepPicture(canvas, rig.At(5));
  ends.clear();
  for (const Call& c : canvas.Of(Op::kLine, colors::kRed)) ends.push_back(c.x2);
  EXPECT_EQ(ends, (std::vector<double>{3, 4}));
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kWhite, 5, 21, 11, 2260), 1);
  EXPECT_EQ(Count(canvas, Op::kFilledBox, colors::kBlack, 0, 0, 3, 2100), 1);
  canvas.Reset();
  DrawTraceStepPicture(canvas, rig.At(0));
  ends.clear();
  for (const Call& c : canvas.Of(Op::kLine, colors::kRed)) ends.push_back(c.x2);
  EXPECT_EQ(ends, (std::vector<double>{8, 9}));
  canvas.Reset();
  DrawTraceStepPicture(canvas, rig.At(1));
  EXPECT_EQ(canvas.Of(Op::kLine, colors::kRed).size(), 1u);
}

TEST(LiveDisplayPictures, RunProgressIsAShareOfTheLapse) {
  RecordingCanvas canvas;
  DrawRunProgressBar(canvas, 15, 30);
  DrawRunProgressBar(canvas, 45, 30);
  DrawRunProgressBar(canvas, 5, 0);
  const auto boxes = canvas.Of(Op::kFilledBox, colors::kBlue);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_TRUE(Is(boxes[0], 0, 0, 50, 100));
  EXPECT_TRUE(Is(boxes[1], 0, 0, 100, 100));
  EXPECT_TRUE(Is(boxes[2], 0, 0, 100, 100));
}

// A w96f plate whose wells are spread over 13 groups (well w in group w mod 13).
struct DisplayRig {
  DisplayRig() {
    InstallBuiltInPlateFormat("w96f", state.geometry, state.wellMap);
    state.project.channelGroup.fill(kFreeGroup);
    for (int c = 0; c < kChannelCount; ++c) {
      const int w = state.wellMap.channelWell[c];
      if (w >= 0 && w < 96) state.project.channelGroup[c] = static_cast<int16_t>(w % 13);
    }
    for (int g = 0; g < 13; ++g) state.project.groupNames[g] = "Group" + std::to_string(g);
    state.project.RT_Buffer = 10;
    state.run.buffers.Allocate(10);
    display.LoadProject();
  }
  AppState state;
  RecordingCanvas act, real, time;
  LiveDisplay display{state, act, real, time};
};

TEST(LiveDisplayState, ChannelSelectionClampsAndRefusals) {
  DisplayRig rig;
  LiveDisplay& d = rig.display;
  EXPECT_EQ(d.groupItems().size(), 13u);
  EXPECT_EQ(d.groupItems()[0], "000_Group0");
  EXPECT_EQ(d.wellListItems()[0], "A1.0");
  EXPECT_EQ(d.selectedChannel(), 0);
  EXPECT_EQ(d.rowItems().size(), 8u);
  EXPECT_EQ(d.columnItems().back(), "12");

  // Row picker: a beam above the highest becomes 0; a well outside the plate resets to A1.
  EXPECT_TRUE(d.PickRow("B", "1", "5"));
  EXPECT_EQ(d.selectedChannel(), 2);
  EXPECT_EQ(d.beamText(), "0");
  EXPECT_TRUE(d.PickRow("A", "13", "1"));
  EXPECT_EQ(d.selectedChannel(), 16);
  EXPECT_EQ(d.columnText(), "1");
  // Beam box: clamped to the highest beam.
  EXPECT_TRUE(d.LeaveBeamBox("A", "2", "7"));
  EXPECT_EQ(d.selectedChannel(), 48);
  EXPECT_EQ(d.beamText(), "1");
  EXPECT_EQ(d.selectedColumn(), 2);
  // Column picker: refused, the pickers return to the channel shown.
  EXPECT_FALSE(d.PickColumn("A", "13", "0"));
  EXPECT_FALSE(d.PickColumn("A", "3", "4"));
  EXPECT_EQ(d.selectedChannel(), 48);
  EXPECT_EQ(d.columnText(), "2");
  EXPECT_EQ(d.beamText(), "1");
  EXPECT_EQ(d.channelCaption(), "48");

  // Beam buttons stay within the list; the entry goes to txtbeam.
  EXPECT_TRUE(d.BeamMinus());
  EXPECT_EQ(d.wellListIndex(), 0);
  EXPECT_TRUE(d.BeamPlus());
  EXPECT_EQ(d.beamListText(), "A1.1");
  EXPECT_EQ(d.selectedChannel(), 16);
  EXPECT_FALSE(d.DoubleClickWellList(99));

  // A periodic redraw leaves the unchanged names; a channel of group 5 makes its wells the
  // group view's list, drawn afresh (no bar of the old list stays).
  d.RedrawActivity();
  rig.act.Reset();
  d.RedrawActivity();
  EXPECT_EQ(FindText(rig.act, "A1"), nullptr);
  EXPECT_TRUE(rig.act.Of(Op::kClear).empty());
  EXPECT_TRUE(d.PickRow("F", "1", "0"));
  EXPECT_EQ(d.groupWells(), (std::vector<int16_t>{5, 18, 31, 44, 57, 70, 83}));
  rig.act.Reset();
  d.RedrawActivity();
  EXPECT_EQ(rig.act.Of(Op::kClear).size(), 1u);
  EXPECT_NE(FindText(rig.act, "F1"), nullptr);
}

TEST(LiveDisplayState, ViewsPagesZoomAndCaptions) {
  DisplayRig rig;
  LiveDisplay& d = rig.display;
  d.SelectBarPlot();
  EXPECT_EQ(d.view(), ActivityView::kBarPlot);
  EXPECT_EQ(d.pageCount(), 2);
  EXPECT_TRUE(d.pageButtonsVisible());
  rig.act.Reset();
  d.PageUp();
  d.PageUp();
  EXPECT_EQ(d.page(), 1);
  EXPECT_NE(FindTextStarting(rig.act, "G12_"), nullptr);
  // The one bar of page 1 must not stand among the bars of page 0.
  EXPECT_EQ(rig.act.Of(Op::kClear).size(), 1u);
  EXPECT_EQ(FindTextStarting(rig.act, "G0_"), nullptr);
  // With 12 groups or fewer the plot returns to its only page and hides the buttons.
  for (int c = 0; c < kChannelCount; ++c) {
    if (rig.state.project.channelGroup[c] == 12) rig.state.project.channelGroup[c] = 0;
  }
  d.RedrawActivity();
  EXPECT_EQ(d.page(), 0);
  EXPECT_EQ(d.pageCount(), 1);
  EXPECT_FALSE(d.pageButtonsVisible());
  d.PageUp();
  d.PageDown();
  EXPECT_EQ(d.page(), 0);
  d.SelectHeatMap();
  EXPECT_FALSE(d.pageButtonsVisible());
  EXPECT_TRUE(d.SelectGroup("005_Group5"));
  EXPECT_EQ(d.view(), ActivityView::kGroup);
  EXPECT_EQ(d.groupToolTip(), "005_Group5");
  EXPECT_EQ(d.groupIndex(), 5);
  EXPECT_EQ(d.selectedChannel(), 10);  // F1.0
  EXPECT_FALSE(d.SelectGroup("x"));

  // A group mean above 255 raises the scale before drawing: 600 -> 2.5, the top "625".
  for (int c = 0; c < kChannelCount; ++c) {
    if (rig.state.project.channelGroup[c] == 5) rig.state.run.buffers.channels[c].totalCount = 600;
  }
  rig.act.Reset();
  d.RedrawActivity();
  EXPECT_DOUBLE_EQ(d.scale(), 2.5);
  EXPECT_NE(FindText(rig.act, "625"), nullptr);
  EXPECT_EQ(Count(rig.act, Op::kBox, colors::kBlack, 10, 2, 30, 240), 1);

  // Zoom: baselines from rows 1 .. p - 1; the loop's full redraw keeps the zoom and takes the
  // latest rows; run start puts every baseline back to 2259.
  RunBuffers& b = rig.state.run.buffers;
  b.Raw(10, 1) = 1800;
  b.Raw(10, 2) = 1900;
  rig.state.run.counters.sampleIndex = 3;
  d.ZoomMinus();
  EXPECT_EQ(d.zoom(), 0);
  d.ZoomPlus();
  EXPECT_EQ(d.zoomText(), "1");
  EXPECT_EQ(d.zoomBaseline(10), 1900);
  b.Raw(10, 3) = 2100;
  rig.state.run.counters.sampleIndex = 4;
  d.RedrawTrace();
  EXPECT_EQ(d.zoom(), 1);
  EXPECT_EQ(d.zoomBaseline(10), 2100);
  for (int i = 0; i < 12; ++i) d.ZoomPlus();
  EXPECT_EQ(d.zoom(), 10);
  d.PrepareLiveDisplay();
  EXPECT_EQ(d.zoomBaseline(10), 2259);
  EXPECT_DOUBLE_EQ(d.scale(), 1.0);

  // Captions and the sample counter, the earlier one erased under it.
  EXPECT_EQ(d.temperatureCaption(), "T = __ °C ");
  rig.real.Reset();
  d.ShowTemperature("23.5", 120);
  EXPECT_EQ(d.temperatureCaption(), "T=23.5*C");
  EXPECT_EQ(d.sampleCounterText(), "120#");
  ASSERT_EQ(rig.real.calls().size(), 2u);
  EXPECT_EQ(rig.real.calls()[0].colour, colors::kWhite);
  EXPECT_EQ(rig.real.calls()[1].text, "120#");
}

// Typical activity, a few counts a well: on the fixed 0-250 axis the bars are a few pixels
// high and the heat map all but white. Auto scale fits each view to its largest value; off,
// the usual scale is back.
TEST(LiveDisplayState, AutoScaleFitsEachViewToItsLargestValue) {
  DisplayRig rig;
  LiveDisplay& d = rig.display;
  const WellMap& map = rig.state.wellMap;
  for (int c = 0; c < kChannelCount; ++c) {
    if (rig.state.project.channelGroup[c] == 5) rig.state.run.buffers.channels[c].totalCount = 12;
  }
  for (int b = 0; b < 2; ++b)
    rig.state.run.buffers.channels[map.FindChannel(18, b)].totalCount = 17;
  ASSERT_TRUE(d.SelectGroup("005_Group5"));
  EXPECT_DOUBLE_EQ(d.scale(), 1.0);
  EXPECT_NE(FindText(rig.act, "250"), nullptr);
  EXPECT_EQ(Count(rig.act, Op::kBox, colors::kBlack, 10, 2, 30, 13), 1);  // 13 of 250

  rig.act.Reset();
  d.SetAutoScale(true);
  EXPECT_TRUE(d.autoScale());
  // Well means 12 and 17, group mean 178 / 14 = 13: the axis tops at 20.
  EXPECT_DOUBLE_EQ(d.scale(), 20.0 / 250);
  EXPECT_NE(FindText(rig.act, "20"), nullptr);
  EXPECT_NE(FindText(rig.act, "10"), nullptr);
  EXPECT_EQ(Count(rig.act, Op::kBox, colors::kBlack, 10, 2, 30, 162), 1);  // 162.5, halves to even
  const double w = 25;
  EXPECT_EQ(Count(rig.act, Op::kBox, colors::kBlack, 40 + w + 0.1 * w, 2, 40 + w + 0.9 * w, 212),
            1);

  // The bar plot: group 5 alone counts on page 0.
  rig.act.Reset();
  d.SelectBarPlot();
  EXPECT_DOUBLE_EQ(d.scale(), 20.0 / 250);
  const BarSlots slots = BarPlotSlots(12);
  const double x0 = slots.X0(5);
  EXPECT_EQ(Count(rig.act, Op::kBox, colors::kBlack, x0 + 0.1 * slots.width, 1,
                  x0 + 0.9 * slots.width, 13 / (20.0 / 250)),
            1);

  // The heat map: the most active well black, the others in proportion.
  rig.act.Reset();
  d.SelectHeatMap();
  const std::vector<Call> cells = rig.act.Of(Op::kFilledBox);
  auto cellGrey = [&](int well) {
    return cells[static_cast<size_t>(well)].colour.r;  // cells are drawn well by well
  };
  EXPECT_EQ(cellGrey(18), 0);
  EXPECT_EQ(cellGrey(5), 255 - 180);  // round(24 / 34 x 255)
  EXPECT_EQ(cellGrey(0), 255);

  d.SetAutoScale(false);
  EXPECT_FALSE(d.autoScale());
  rig.act.Reset();
  d.SelectGroup("005_Group5");
  EXPECT_DOUBLE_EQ(d.scale(), 1.0);
  EXPECT_NE(FindText(rig.act, "250"), nullptr);
}

TEST(LiveDisplayState, FedByTheSamplingLoopOfARecordedRun) {
  test::EngineRig rig;
  RecordingCanvas act, real, time;
  LiveDisplay display(rig.state, act, real, time);
  display.LoadProject();
  LiveDisplayFeed feed(display);
  rig.engine = std::make_unique<AcquisitionEngine>(rig.state, rig.fake.host, feed);
  ASSERT_TRUE(rig.Play("Live"));
  const int dsp = rig.state.project.DSP_Interval;
  real.Reset();
  rig.Ticks(3 * dsp + 5);

  // The step ahead of the trace stands at the row the tick sampled.
  const int p = rig.state.run.counters.sampleIndex - 1;
  const auto white = real.Of(Op::kFilledBox, colors::kWhite);
  const auto step = std::find_if(white.rbegin(), white.rend(),
                                 [](const Call& c) { return c.y1 == 21 && c.y2 == 2260; });
  ASSERT_NE(step, white.rend());
  EXPECT_EQ(step->x1, p);
  EXPECT_TRUE(Is(real.LastScale(), 0, 2300, rig.state.project.RT_Buffer + 20, 0));
  EXPECT_EQ(display.sampleCounterText(), std::to_string(rig.state.run.counters.samplesTaken) + "#");
  EXPECT_FALSE(real.Of(Op::kLine, colors::kRed).empty());
  EXPECT_FALSE(time.Of(Op::kFilledBox, colors::kBlue).empty());
  // The group view was redrawn at the window ends: its group bar and mean.
  EXPECT_FALSE(act.Of(Op::kText, Rgb{128, 128, 128}).empty());
  rig.engine->CmdStop();
}

}  // namespace
}  // namespace movexa
