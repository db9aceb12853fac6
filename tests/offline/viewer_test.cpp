// Signal viewer: page counts and layout, the SNR corrections, beam colours, the page re-count
// against the bin analysis, the group-activity series across a day wrap, and what the pictures
// draw.
#include <gtest/gtest.h>

#include "base/recording_canvas.h"
#include "offline/offline_pictures.h"
#include "offline/signal_view.h"
#include "offline_fixture.h"

namespace movexa {
namespace {

using test::OfflineFixture;

TEST(SignalView, PageCountReachesEveryRawFile) {
  EXPECT_EQ(PageCount(0), 1);
  EXPECT_EQ(PageCount(2), 1);
  EXPECT_EQ(PageCount(5), 1);
  EXPECT_EQ(PageCount(7), 2);
  EXPECT_EQ(PageCount(8), 2);
  EXPECT_EQ(PageCount(10), 2);
  EXPECT_EQ(PageCount(12), 3);
}

TEST(SignalView, SnrCorrectionsOfOpeningAndOfTheAnalysisBox) {
  EXPECT_EQ(CorrectSnrX10(3, 12), 8);
  EXPECT_EQ(CorrectSnrX10(3, 7), 7);
  EXPECT_EQ(CorrectSnrX10(0, 10), 18);
  EXPECT_EQ(CorrectSnrX10(2, 14), 14);
  EXPECT_EQ(CorrectSnrX10(7, 3), 3);
  bool replaced = false;
  EXPECT_DOUBLE_EQ(CorrectAnalysisSnr(3, 1.5, replaced), 0.8);
  EXPECT_TRUE(replaced);
  EXPECT_DOUBLE_EQ(CorrectAnalysisSnr(3, 0.6, replaced), 0.6);
  EXPECT_FALSE(replaced);
  EXPECT_DOUBLE_EQ(CorrectAnalysisSnr(1, 0.9, replaced), 1.8);
  EXPECT_TRUE(replaced);
  EXPECT_DOUBLE_EQ(CorrectAnalysisSnr(1, 6.5, replaced), 1.8);
  EXPECT_DOUBLE_EQ(CorrectAnalysisSnr(0, 6.0, replaced), 6.0);
  EXPECT_EQ(ReadFactorText("2,5"), 2.5);
  EXPECT_EQ(ReadFactorText("x"), std::nullopt);
}

TEST(SignalView, BeamColours) {
  EXPECT_EQ(BeamColour(0, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(BeamColour(1, 1), (Rgb{0, 0, 255}));
  EXPECT_EQ(BeamColour(3, 3), (Rgb{200, 128, 0}));
  EXPECT_EQ(BeamColour(0, 7), (Rgb{0, 255, 0}));
  EXPECT_EQ(BeamColour(7, 7), (Rgb{255, 0, 0}));
  EXPECT_EQ(BeamColour(1, 7), (Rgb{36, 219, 0}));  // 255 / 7 = 36.4
}

TEST(SignalView, OpenLoadsEveryBlockOfThePageAndAnalysisEqualsTheBinAnalysis) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 80);
  f.WriteRawFile(acq, 0, 11);
  f.WriteRawFile(acq, 1, 3);  // a short file
  test::WriteFileOrDie(acq / "9.bin", std::string(100, '\0'));  // counted, too short for a block
  SignalView view;
  std::vector<int> progress;
  OpenAcquisitionView(view, acq, f.app(), "p00001_Demo 20240319_1230",
                      [&](int k) { progress.push_back(k); });
  EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(view.rawFileCount, 3);
  EXPECT_EQ(view.pageCount, 1);
  EXPECT_EQ(view.PageText(), "1/1");
  EXPECT_EQ(view.description[3], "Microplate format: [w96f]");
  EXPECT_EQ(view.description[6].rfind("Setting: Mode", 0), 0u);
  // Block 10 of file 0 is position 10, block 0 of file 1 is position 11: nothing overwritten.
  EXPECT_EQ(view.LoadedPositions(), 14);
  EXPECT_TRUE(view.loaded[10]);
  EXPECT_FALSE(view.loaded[14]);
  EXPECT_EQ(view.Block(10).At(5, 123), test::SampleValue(5, 123, 10));
  EXPECT_EQ(view.Block(11).At(5, 123), test::SampleValue(5, 123, 0));
  EXPECT_EQ(view.Block(13).At(383, 499), test::SampleValue(383, 499, 2));

  std::vector<int> channels = view.WellChannels();
  ASSERT_FALSE(channels.empty());
  PageAnalysis a = AnalyzePage(view, 1, 1.8);
  ASSERT_EQ(a.beams.size(), channels.size());
  AnalysisScratch scratch;
  int64_t file0 = 0, file1 = 0;
  for (int t = 0; t < 14; ++t) {
    int16_t n = AnalyzeBin(view.Block(t), a.beams[0].channel, 1.8, 1, false, {}, 0, scratch);
    (t < 11 ? file0 : file1) += n;
  }
  EXPECT_GT(file0, 0);
  EXPECT_EQ(a.beams[0].fileCounts[0], file0);
  EXPECT_EQ(a.beams[0].fileCounts[1], file1);
  // Each position takes the time of its own record: position 12 is record 12.
  EXPECT_EQ(a.times[12], 360);
  EXPECT_EQ(a.times[54], 30 * 54);

  RecordingCanvas canvas(800, 400);
  DrawChannelSignal(canvas, view);
  EXPECT_FALSE(canvas.Of(RecordingCanvas::Op::kLine, BeamColour(0, view.snap.map.highestBeam)).empty());
  canvas.Reset();
  DrawPageProgress(canvas, 2);
  ASSERT_EQ(canvas.Of(RecordingCanvas::Op::kFilledBox).size(), 1u);
  EXPECT_EQ(canvas.Of(RecordingCanvas::Op::kFilledBox)[0].x2, 50);
}

TEST(SignalView, GroupActivityAcrossADayWrapAveragesTheWellsOfTheGroup) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "x", 0);
  AcquisitionSnapshot snap = LoadAcquisitionSnapshot(acq, f.app());
  ProjectSettings s = snap.settings;
  s.channelGroup.fill(-1);
  int a0 = snap.map.FindChannel(0, 0), b0 = snap.map.FindChannel(1, 0);
  s.channelGroup[static_cast<size_t>(a0)] = 4;
  s.channelGroup[static_cast<size_t>(b0)] = 4;
  std::string bytes = test::CountsBytes({1430, 1435, 5, 10});
  // Well 0 counts 3 in the third record, well 1 counts 1: the group shows 2.
  bytes[2 * 774 + 4 + 2 * a0] = 3;
  bytes += "torn";
  GroupActivityTrace g = GroupActivitySeries(bytes, s, snap.map, 4);
  EXPECT_EQ(g.wells, (std::vector<int>{0, 1}));
  EXPECT_EQ(g.times, (std::vector<int64_t>{1430, 1435, 1445, 1450}));
  EXPECT_EQ(g.largestTime, 1450);
  EXPECT_DOUBLE_EQ(g.groupValues[2], 2.0);
  EXPECT_DOUBLE_EQ(g.wellValues[2 * 2 + 0], 3.0);
  EXPECT_EQ(g.tornBytes, 4u);
  RecordingCanvas canvas;
  DrawGroupActivity(canvas, g, "004_Group4");
  EXPECT_EQ(canvas.Of(RecordingCanvas::Op::kLine, kWellCurveGrey).size(), 6u);
  EXPECT_EQ(canvas.Of(RecordingCanvas::Op::kLine, colors::kBlue).size(), 3u);
}

}  // namespace
}  // namespace movexa
