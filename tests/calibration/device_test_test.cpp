// The device test against the simulated instrument: a healthy instrument passes every verdict
// with the report worded as the operator reads it, whatever the length of its block replies;
// dead and weak beams are named; a silent instrument, an instrument that stops confirming
// register writes and a report that cannot be written never count as a pass; Stop ends the
// test where it is; every turn of the timer does a bounded piece of work; No at step 3 leaves
// the report's first line; and the verdict edges, grid and progress drawing.
#include "calibration/device_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "base/recording_canvas.h"
#include "procedure_bench.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

using test::ProcedureBench;
using Answer = Dialogs::Answer;

constexpr std::string_view kQuestion =
    "DEVICE TEST:\nLigth Microbeams will be adjusted to maximum and minimum.\n"
    "Please, remove any microplate from the slot\n and close Movexa door";

struct TestRun {
  explicit TestRun(sim::SimConfig config = test::NoiselessConfig()) : bench(std::move(config)) {}
  DeviceTestContext Context() {
    return {bench.rig.link, bench.app.path(),       [this] { return runActive; }, &picture,
            &progress,      [this] { ++restores; }, [this] { ++captionRestores; }};
  }
  // OK at the first question, `messages` messages acknowledged (the A1-D1 notices and any
  // other), Yes to "OK to proceed?"; anything later answered OK.
  void Proceed(int messages = 2) {
    ScriptedDialogs& d = bench.rig.fake.dialogs;
    d.Lenient(Answer::kOk);
    d.ExpectQuestion({}, Answer::kOk);
    for (int i = 0; i < messages; ++i) d.ExpectMessage({});
    d.ExpectQuestion("OK to proceed?", Answer::kYes);
  }
  // Starts with OK and turns the timer until it stops, the clock moving by the delay each turn
  // asks for; the step the test ended on.
  int RunToEnd(DeviceTest& test) {
    if (!test.Start()) return 0;
    do {
      bench.rig.fake.clock.AdvanceMs(test.nextDelayMs());
    } while (test.Tick());
    return test.step();
  }
  std::vector<std::string> ReportLines(const DeviceTest& test) {
    std::vector<std::string> lines;
    std::string text = test::ReadFileOrDie(test.reportPath());
    for (size_t at = 0, eol; (eol = text.find("\r\n", at)) != std::string::npos; at = eol + 2) {
      lines.push_back(text.substr(at, eol - at));
    }
    return lines;
  }

  ProcedureBench bench;
  RecordingCanvas picture{2475, 1675};
  RecordingCanvas progress{400, 14};
  bool runActive = false;
  int restores = 0;
  int captionRestores = 0;
};

TEST(DeviceTest, HealthyInstrumentPassesEveryVerdictAndTheReportReadsAsWorded) {
  TestRun run;
  run.bench.rig.fake.dialogs.ExpectQuestion(std::string(kQuestion), Answer::kOk)
      .ExpectMessage("Turning ON A1-D1")
      .ExpectMessage("Turning OFF A1-D1")
      .ExpectQuestion("OK to proceed?", Answer::kYes);
  DeviceTest test(run.Context());
  EXPECT_EQ(run.RunToEnd(test), 111);
  EXPECT_EQ(test.end(), DeviceTestEnd::kCompleted);
  EXPECT_TRUE(run.bench.rig.fake.dialogs.Problems().empty());
  EXPECT_FALSE(test.running());
  EXPECT_EQ(test.reportPath(), run.bench.app / "testdev120.txt");

  std::vector<std::string> want = {"Serial:SN120 2024-03-19_14:05", "",
                                   "Test_all_100%: OK PASS!", "Number of Channels > 80% = 192", "",
                                   "Test_all_0%: OK PASS!", "Number of Channels < 20% = 192", "",
                                   "Test_24_Columns:"};
  for (int c = 1; c <= 24; ++c) want.push_back("Col[" + std::to_string(c) + "]: PASS!");
  want.insert(want.end(), {"", "Test_16_Rows:"});
  for (char r : std::string("ACEGIKMO")) want.push_back(std::string("Row[") + r + "]: PASS!");
  want.insert(want.end(), {"", "Gain/Power[2] Values:"});
  std::vector<std::string> lines = run.ReportLines(test);
  ASSERT_EQ(lines.size(), want.size() + 192);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + want.size()), want);
  EXPECT_EQ(lines[want.size()].rfind("CH[0] ", 0), 0u);
  EXPECT_EQ(lines.back().rfind("CH[382] ", 0), 0u);

  for (const TestVerdict& v : test.verdicts()) EXPECT_TRUE(v.pass) << v.status;
  EXPECT_EQ(test.verdicts().size(), 2u + 24 + 8);
  // The last steps leave every beam at power 2, gain 2; nothing past the beam registers.
  for (int r = 0; r < kBeamRegisters; ++r) ASSERT_EQ(run.bench.sim().Register(r), 2 * 32 + 2) << r;
  for (int r = kBeamRegisters; r < 200; ++r) EXPECT_EQ(run.bench.counter.registerWrites[r], 0) << r;
  ASSERT_EQ(run.bench.rig.fake.shell.calls().size(), 1u);
  EXPECT_EQ(run.bench.rig.fake.shell.calls()[0].target, test.reportPath().string());
  EXPECT_EQ(run.restores, 1);
  EXPECT_EQ(run.captionRestores, 1);
  EXPECT_EQ(run.bench.rig.fake.status.Last("Frm_Main.lbl_autostart"), "");
  const DeviceTestSummary summary = SummarizeDeviceTest(test);
  EXPECT_TRUE(summary.passed);
  EXPECT_EQ(summary.text, "every verdict passed");
  // The progress bar ends full.
  auto boxes = run.progress.Of(RecordingCanvas::Op::kFilledBox);
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().x2, 100);
}

TEST(DeviceTest, ReadsEveryBlockReplyLengthWithTheAcquisitionsBlockReader) {
  // The instrument's replies may be 48 bytes (the demo instrument), 96 or 192: the test reads
  // 24 signals per request as acquisition does and passes on all of them.
  for (int bytes : {48, 96, 192}) {
    TestRun run;
    run.bench.sim().SetBlockBytes(bytes);
    run.Proceed();
    DeviceTest test(run.Context());
    EXPECT_EQ(run.RunToEnd(test), 111) << bytes;
    EXPECT_EQ(test.end(), DeviceTestEnd::kCompleted) << bytes;
    EXPECT_TRUE(run.bench.Messages() ==
                std::vector<std::string>({"Turning ON A1-D1", "Turning OFF A1-D1"}))
        << bytes << ": " << (run.bench.Messages().empty() ? "" : run.bench.Messages().back());
    EXPECT_TRUE(SummarizeDeviceTest(test).passed) << bytes;
    EXPECT_EQ(test.verdicts().size(), static_cast<size_t>(kDeviceTestVerdicts)) << bytes;
  }
}

TEST(DeviceTest, NoVerdictIsNoPassWhenTheInstrumentOrTheReportFails) {
  {
    // The instrument stops confirming register writes during the all-on steps.
    TestRun run;
    run.Proceed();
    DeviceTest test(run.Context());
    ASSERT_TRUE(test.Start());
    while (test.step() < 6 && test.Tick()) {
    }
    run.bench.sim().DropNextReplies(1 << 20, kModeRegisterWrite);
    while (test.Tick()) {
    }
    EXPECT_EQ(test.end(), DeviceTestEnd::kComError);
    EXPECT_EQ(test.step(), 6);
    EXPECT_TRUE(test.verdicts().empty());
    EXPECT_EQ(run.bench.Messages().back(),
              "Ops...Data Writing ERROR: reg(2)... Check COM and Try again");
    const DeviceTestSummary summary = SummarizeDeviceTest(test);
    EXPECT_FALSE(summary.passed);
    EXPECT_EQ(summary.text, "COM Error at step 6: the test did not finish");
    // The report says so; the picture and caption are given back.
    EXPECT_EQ(run.ReportLines(test).back(), "COM Error at step 6: the test did not finish");
    EXPECT_EQ(run.restores, 1);
    EXPECT_EQ(run.captionRestores, 1);
  }
  {
    // The report's place is taken by a folder: told once, the test still runs, and it is no pass.
    TestRun run;
    fs::create_directories(run.bench.app / "testdev120.txt");
    run.Proceed(3);
    DeviceTest test(run.Context());
    EXPECT_EQ(run.RunToEnd(test), 111);
    EXPECT_EQ(test.end(), DeviceTestEnd::kCompleted);
    EXPECT_FALSE(test.reportWritten());
    const std::vector<std::string> messages = run.bench.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].rfind("Error writing testdev120.txt => ", 0), 0u) << messages[0];
    EXPECT_EQ(test.verdicts().size(), static_cast<size_t>(kDeviceTestVerdicts));
    const DeviceTestSummary summary = SummarizeDeviceTest(test);
    EXPECT_FALSE(summary.passed);
    EXPECT_EQ(summary.text, "every verdict passed; the report could not be written");
  }
}

TEST(DeviceTest, StopEndsTheTestWhereItIsAndEveryTurnIsABoundedPieceOfWork) {
  TestRun run;
  run.Proceed();
  DeviceTest test(run.Context());
  ASSERT_TRUE(test.Start());
  EXPECT_EQ(test.nextDelayMs(), kDeviceTestTickMs);
  std::vector<int> delays;
  int mostWrites = 0;
  while (test.step() < 40) {
    const int before = std::accumulate(run.bench.counter.registerWrites.begin(),
                                       run.bench.counter.registerWrites.end(), 0);
    ASSERT_TRUE(test.Tick());
    const int frames = std::accumulate(run.bench.counter.registerWrites.begin(),
                                       run.bench.counter.registerWrites.end(), 0) -
                       before;
    mostWrites = std::max(mostWrites, frames / 9);  // nine frames per confirmed write
    delays.push_back(test.nextDelayMs());
  }
  EXPECT_EQ(mostWrites, kDeviceTestWritesPerTurn);
  // The two readings of a step 100 ms apart, the writes of a step without waiting, the next
  // step 100 ms later, 500 ms more after the all-on and all-off verdicts.
  EXPECT_EQ(std::count(delays.begin(), delays.end(), kDeviceTestTickMs + 500), 2);
  EXPECT_GT(std::count(delays.begin(), delays.end(), 0), 16 * 2);

  const int64_t frames = run.bench.sim().framesReceived();
  test.Stop();
  EXPECT_FALSE(test.running());
  EXPECT_FALSE(test.Tick());
  EXPECT_EQ(run.bench.sim().framesReceived(), frames);
  EXPECT_EQ(test.end(), DeviceTestEnd::kStopped);
  EXPECT_EQ(run.restores, 1);
  EXPECT_EQ(run.captionRestores, 1);
  EXPECT_EQ(run.bench.rig.fake.status.Last("Frm_Main.lbl_autostart"), "");
  EXPECT_EQ(run.ReportLines(test).back(), "Test stopped at step 40: the test did not finish");
  EXPECT_EQ(SummarizeDeviceTest(test).text, "Test stopped at step 40: the test did not finish");
  EXPECT_FALSE(SummarizeDeviceTest(test).passed);
}

TEST(DeviceTest, DeadAndWeakBeamsFailWithTheirChannelNamed) {
  sim::SimConfig config = test::NoiselessConfig();
  config.beamFactors = {{18, 0.0}, {200, 0.1}};
  TestRun run(config);
  run.bench.rig.fake.dialogs.Lenient(Answer::kOk);
  run.bench.rig.fake.dialogs.ExpectQuestion({}, Answer::kOk).ExpectMessage({}).ExpectMessage({})
      .ExpectQuestion("OK to proceed?", Answer::kYes);
  DeviceTest test(run.Context());
  run.RunToEnd(test);
  const std::vector<TestVerdict>& v = test.verdicts();
  ASSERT_EQ(v.size(), 34u);
  EXPECT_FALSE(v[0].pass);
  EXPECT_EQ(v[0].status, "[Test100%= CHECK!]");
  EXPECT_EQ(v[0].onPassed, 190);
  EXPECT_EQ(v[0].reportLines[1], "Test_all_100%:  NEEDS REVISION!");
  EXPECT_EQ(v[0].reportLines[2], "Number of Channels > 80% = 190");
  EXPECT_EQ(v[0].reportLines[3].rfind("Channels < 80%: CH18[0%], CH200[", 0), 0u) << v[0].reportLines[3];
  EXPECT_TRUE(v[1].pass) << "a dark beam passes the off test";
  // Channel 18 is in column 2 (index 1), channel 200 in column 13; their rows C and I.
  EXPECT_EQ(v[2 + 1].status, "Col[2]: CHECK!");
  EXPECT_EQ(v[2 + 1].reportLines[0], "Col[2]: NONPASS 7CH > 80% (NONOK:CH18[0%], ); 184CH < 20% (NONOK:)");
  EXPECT_FALSE(v[2 + 12].pass);
  EXPECT_TRUE(v[2].pass);
  EXPECT_FALSE(v[26 + 1].pass);  // Row[C]
  EXPECT_EQ(v[26 + 1].status, "Row[C]: CHECK!");
  EXPECT_FALSE(v[26 + 4].pass);  // Row[I]: channel 200 = 8 + 16 x 12
  EXPECT_TRUE(v[26].pass);
}

TEST(DeviceTest, SilentInstrumentStopsOnComErrorAndNoAtStepThreeKeepsTheFirstLine) {
  {
    TestRun run;
    run.bench.rig.fake.dialogs.ExpectQuestion({}, Answer::kOk).ExpectMessage("COM Error");
    DeviceTest test(run.Context());
    ASSERT_TRUE(test.Start());
    run.bench.sim().SetSilent(true);
    EXPECT_TRUE(test.Tick());   // the first reading pass
    EXPECT_FALSE(test.Tick());  // the second, judged, ends on the silence
    EXPECT_TRUE(test.comError());
    EXPECT_FALSE(test.running());
    EXPECT_TRUE(run.bench.rig.fake.dialogs.Problems().empty());
    EXPECT_FALSE(SummarizeDeviceTest(test).passed);
  }
  {
    TestRun run;
    run.bench.rig.fake.dialogs.ExpectQuestion({}, Answer::kOk).ExpectMessage({}).ExpectMessage({})
        .ExpectQuestion("OK to proceed?", Answer::kNo);
    DeviceTest test(run.Context());
    EXPECT_EQ(run.RunToEnd(test), 3);
    EXPECT_EQ(test.end(), DeviceTestEnd::kDeclined);
    EXPECT_EQ(run.ReportLines(test).size(), 1u);
    EXPECT_EQ(run.captionRestores, 1) << "the caption is given back at any end";
  }
  {
    TestRun run;  // Cancel at the first question: nothing asked of the instrument
    run.bench.rig.fake.dialogs.ExpectQuestion({}, Answer::kCancel);
    DeviceTest test(run.Context());
    const int64_t frames = run.bench.sim().framesReceived();
    EXPECT_FALSE(test.Start());
    EXPECT_EQ(run.bench.sim().framesReceived(), frames);
    EXPECT_EQ(run.restores, 1);
  }
  {
    TestRun run;
    run.runActive = true;
    run.bench.rig.fake.dialogs.ExpectMessage("Stop acquisition before Testing");
    DeviceTest test(run.Context());
    EXPECT_FALSE(test.Start());
    EXPECT_TRUE(run.bench.rig.fake.dialogs.Problems().empty());
  }
}

TEST(DeviceTestVerdicts, ThresholdEdgesPercentAndGreyCells) {
  ChannelLevels levels{};
  for (int c = 0; c < kChannelCount; c += 2) levels[c] = 1808;
  levels[2] = 1807;  // below 1807.2
  levels[1] = 0;     // odd channels are never judged
  TestVerdict on = AllOnVerdict(levels);
  EXPECT_EQ(on.onPassed, 191);
  EXPECT_EQ(on.reportLines.back(), "Channels < 80%: CH2[79%], ");
  for (int c = 0; c < kChannelCount; c += 2) levels[c] = 1129;
  EXPECT_TRUE(AllOffVerdict(levels).pass);
  levels[4] = 1130;
  EXPECT_EQ(AllOffVerdict(levels).reportLines.back(), "Channels > 20%: CH4[50%], ");
  EXPECT_EQ(LevelPercent(2259), 100);
  EXPECT_EQ(LevelPercent(2258), 99);

  RecordingCanvas canvas;
  levels.fill(0);
  levels[0] = 4095;
  DrawDeviceTestLevels(canvas, levels);
  auto cells = canvas.Of(RecordingCanvas::Op::kFilledBox);
  ASSERT_EQ(cells.size(), 384u);
  EXPECT_EQ(cells[0].colour, colors::kWhite);
  EXPECT_EQ(cells[1].colour, colors::kBlack);
  EXPECT_EQ(cells[1].x1, 100);  // channel 16 is row A of column 2
  EXPECT_EQ(cells[24].y1, 100);  // channel 1 is row B of column 1

  RecordingCanvas bar;
  DrawDeviceTestProgress(bar, 55);
  DrawDeviceTestProgress(bar, kDeviceTestLastStep);
  auto drawn = bar.Of(RecordingCanvas::Op::kFilledBox);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_DOUBLE_EQ(drawn[0].x2, 50);
  EXPECT_DOUBLE_EQ(drawn[1].x2, 100);  // the last step fills the bar
}

TEST(DeviceTestSteps, RowStepsPastTheEighthRegisterRowChangeNothing) {
  ChannelLevels levels{};
  for (int s = 72; s <= 78; ++s) {
    StepAction a = PlanDeviceTestStep(s, levels);
    EXPECT_TRUE(a.writes.empty()) << s;
    EXPECT_FALSE(a.verdict) << s;
    EXPECT_EQ(a.status, "[1 ROW]");
  }
  StepAction last = PlanDeviceTestStep(95, levels);
  ASSERT_EQ(last.writes.size(), 24u);
  EXPECT_EQ(last.writes.front(), (RegisterWrite{15, 2, 2}));
  EXPECT_EQ(last.writes[1], (RegisterWrite{176, 2, 2}));  // 271 - 95
  for (const RegisterWrite& w : PlanDeviceTestStep(62, levels).writes) EXPECT_LT(w.reg, 192);
  EXPECT_TRUE(PlanDeviceTestStep(100, levels).openReport);
}

}  // namespace
}  // namespace movexa
