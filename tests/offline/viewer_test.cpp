// Signal viewer: page counts and layout, the SNR corrections, beam colours, the page re-count
// against the bin analysis, the group-activity series across a day wrap, and what the pictures
// draw.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <set>

#include "base/recording_canvas.h"
#include "offline/offline_pictures.h"
#include "offline/signal_view.h"
#include "offline_fixture.h"

namespace movexa {
namespace {

using test::OfflineFixture;

TEST(SignalView, PagesOfFiftyBlocksReachEveryBlockOfTheRun) {
  EXPECT_EQ(PageCount(0), 1);
  EXPECT_EQ(PageCount(50), 1);
  EXPECT_EQ(PageCount(51), 2);
  EXPECT_EQ(PageCount(55), 2);  // five whole raw files
  EXPECT_EQ(PageCount(100), 2);
  EXPECT_EQ(PageCount(101), 3);

  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 60);
  for (int file = 0; file < 6; ++file) f.WriteRawFile(acq, file, file < 5 ? 11 : 2);
  EXPECT_EQ(CountRawBlocks(acq), 57);
  SignalView view;
  OpenAcquisitionView(view, acq, f.app(), "header");
  EXPECT_EQ(view.pageCount, 2);
  // Page 1: run blocks 0..49, the fifth file's blocks 0..5 included; block 49 is its block 5.
  EXPECT_EQ(view.LoadedPositions(), 50);
  EXPECT_EQ(view.Block(49).At(7, 3), test::SampleValue(7, 3, 5));
  // Page 2 starts inside the fifth file (its block 6) and goes on into the sixth.
  LoadPage(view, 2);
  EXPECT_EQ(view.LoadedPositions(), 7);
  EXPECT_EQ(view.Block(0).At(7, 3), test::SampleValue(7, 3, 6));
  EXPECT_EQ(view.Block(4).At(7, 3), test::SampleValue(7, 3, 10));
  EXPECT_EQ(view.Block(5).At(7, 3), test::SampleValue(7, 3, 0));
  EXPECT_EQ(view.Block(6).At(200, 499), test::SampleValue(200, 499, 1));
  EXPECT_EQ(view.FirstSampleOfPage(), 25000);
  // Each position takes the time of its own record: page 2's position 3 is record 53.
  PageAnalysis a = AnalyzePage(view, 1, 1.8);
  EXPECT_EQ(a.times[3], 30 * 53);
  EXPECT_EQ(a.times[9], 30 * 59);
  EXPECT_EQ(a.times[10], -1);  // past the last record
}

TEST(SignalView, ARawFileThatIsNoRegularFileIsSkippedNotWaitedOn) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 30);
  f.WriteRawFile(acq, 0, 11);
  f.WriteRawFile(acq, 2, 3);
  const fs::path fifo = acq / "1.bin";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  SignalView view;
  auto opened =
      std::async(std::launch::async, [&] { OpenAcquisitionView(view, acq, f.app(), "h"); });
  if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the page loader waits on a FIFO named like a raw file";
    // Let the blocked open go on: a writer that comes and goes ends its wait.
    int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd >= 0) ::close(fd);
    opened.wait();
    return;
  }
  EXPECT_EQ(view.rawBlockCount, 25);
  EXPECT_EQ(view.LoadedPositions(), 25);
  EXPECT_TRUE(view.loaded[10]);
  EXPECT_FALSE(view.loaded[11]);
  EXPECT_FALSE(view.loaded[21]);
  EXPECT_TRUE(view.loaded[22]);
  EXPECT_EQ(view.Block(22).At(5, 5), test::SampleValue(5, 5, 0));
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
  EXPECT_EQ(view.rawBlockCount, 14);
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
  int64_t first = 0, second = 0;
  for (int t = 0; t < 14; ++t) {
    int16_t n = AnalyzeBin(view.Block(t), a.beams[0].channel, 1.8, 1, false, {}, 0, scratch);
    (t < 10 ? first : second) += n;
  }
  EXPECT_GT(first, 0);
  EXPECT_EQ(a.beams[0].sectionCounts[0], first);
  EXPECT_EQ(a.beams[0].sectionCounts[1], second);
  // Each position takes the time of its own record: position 12 is record 12.
  EXPECT_EQ(a.times[12], 360);
  EXPECT_EQ(a.times[49], 30 * 49);

  RecordingCanvas canvas(800, 400);
  DrawChannelSignal(canvas, view);
  EXPECT_FALSE(canvas.Of(RecordingCanvas::Op::kLine, BeamColour(0, view.snap.map.highestBeam)).empty());
  canvas.Reset();
  DrawPageProgress(canvas, 2);
  ASSERT_EQ(canvas.Of(RecordingCanvas::Op::kFilledBox).size(), 1u);
  EXPECT_EQ(canvas.Of(RecordingCanvas::Op::kFilledBox)[0].x2, 50);
}

TEST(OfflinePictures, CarryTheAcquisitionAndWhereThePageSitsInTheRun) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose 2", 60);
  for (int file = 0; file < 6; ++file) f.WriteRawFile(acq, file, file < 5 ? 11 : 2);
  SignalView view;
  OpenAcquisitionView(view, acq, f.app(), "header");
  EXPECT_EQ(view.Caption(), "2024-03-19 12:30  \"dose 2\"");
  auto texts = [](const RecordingCanvas& c) {
    std::vector<std::string> t = c.Texts();
    return std::set<std::string>(t.begin(), t.end());
  };
  RecordingCanvas canvas(1000, 500);
  DrawChannelSignal(canvas, view);
  EXPECT_TRUE(texts(canvas).count("0k"));
  EXPECT_TRUE(texts(canvas).count(view.Caption()));
  // Page 2 shows samples 25k..50k of the run (once 0k..25k again).
  LoadPage(view, 2);
  canvas.Reset();
  DrawChannelSignal(canvas, view);
  EXPECT_FALSE(texts(canvas).count("0k"));
  EXPECT_TRUE(texts(canvas).count("25k"));
  EXPECT_TRUE(texts(canvas).count("45k"));
  canvas.Reset();
  DrawAnalysis(canvas, view, AnalyzePage(view, 1, 1.8));
  EXPECT_TRUE(texts(canvas).count("30k"));
  EXPECT_TRUE(texts(canvas).count(view.Caption()));
  canvas.Reset();
  GroupActivityTrace g =
      GroupActivitySeries(test::CountsBytes({0, 30}), view.snap.settings, view.snap.map, 0);
  DrawGroupActivity(canvas, g, "000_Group0", view.Caption());
  EXPECT_TRUE(texts(canvas).count(view.Caption()));
}

TEST(SignalView, DamagedGroupFilesAreToldNotStoodInFor) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "x", 3);
  EXPECT_TRUE(LoadAcquisitionSnapshot(acq, f.app()).groupsProblem.empty());
  // A damaged file with a sound backup: the backup's groups, nothing to tell.
  const std::string groups = test::ReadFileOrDie(acq / "chgroup.dat");
  test::WriteFileOrDie(acq / "chgroup.bak", groups);
  test::WriteFileOrDie(acq / "chgroup.dat", "\"header\"\r\n1,abc\r\n");
  EXPECT_TRUE(LoadAcquisitionSnapshot(acq, f.app()).groupsProblem.empty());
  // Both copies damaged: the default groups stand in and the snapshot says why.
  test::WriteFileOrDie(acq / "chgroup.bak", "\"header\"\r\n1,abc\r\n");
  AcquisitionSnapshot snap = LoadAcquisitionSnapshot(acq, f.app());
  EXPECT_NE(snap.groupsProblem.find("chgroup.dat"), std::string::npos) << snap.groupsProblem;
  fs::remove(acq / "chgroup.bak");
  fs::remove(acq / "groups.dat");
  snap = LoadAcquisitionSnapshot(acq, f.app());
  EXPECT_NE(snap.groupsProblem.find("groups.dat"), std::string::npos) << snap.groupsProblem;
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
