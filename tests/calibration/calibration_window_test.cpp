// The calibration window's model against the simulated instrument: positions and registers,
// "SET" over the beam registers only, "Autocalibra" with its target, the auto-gain procedure
// converging on every used beam (and naming beams it could not write), the online envelope,
// and the gain-curve files.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/file_io.h"
#include "base/recording_canvas.h"
#include "base/rounding.h"
#include "calibration/auto_gain.h"
#include "calibration/calibration_window.h"
#include "calibration/gain_curve.h"
#include "procedure_bench.h"
#include "sim/beam_model.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

using test::ProcedureBench;

struct WindowBench {
  explicit WindowBench(sim::SimConfig config = test::NoiselessConfig(), std::string_view plate = "w96f")
      : bench(std::move(config), plate) {}
  ProcedureBench bench;
  CalibrationWindow window{bench.rig.link, bench.project};
};

TEST(CalibrationWindow, PositionsBoxesAndRegisterReadings) {
  auto c2 = CellAt(200, 300);  // inside row C, column 2
  ASSERT_TRUE(c2);
  EXPECT_EQ(c2->Channel(), 18);
  EXPECT_EQ(CellAt(149.9, 50)->column, 0);
  EXPECT_EQ(CellAt(150, 50)->column, 1);
  EXPECT_FALSE(CellAt(49, 100));
  EXPECT_FALSE(CellAt(2450, 100));  // past column 24
  EXPECT_EQ(PositionRegister(18), 9);
  EXPECT_EQ(PositionRegister(19), -1);  // no beam on odd channels

  EXPECT_EQ(ShownSetting(0xE5)->gain, 7);
  EXPECT_EQ(ShownSetting(0xE5)->power, 5);
  EXPECT_EQ(ShownSetting(0x0F)->power, 7);
  EXPECT_EQ(ShownSetting(0x0F)->gain, 0);
  EXPECT_FALSE(ShownSetting(-1));

  EXPECT_EQ(AutocalTarget("250"), 110);
  EXPECT_EQ(AutocalTarget("30"), 30);
  EXPECT_EQ(AutocalTarget("220"), 220);
  EXPECT_EQ(AutocalTarget("abc"), 110);
  EXPECT_EQ(SetBoxValue("8", 8), 8);
  EXPECT_EQ(SetBoxValue("9", 8), 0);
  EXPECT_EQ(SetBoxValue("-1", 8), 0);
  EXPECT_EQ(SetBoxValue("3.7", 7), 3);
  EXPECT_EQ(BrightnessUp(250), 255);
  EXPECT_EQ(BrightnessDown(10), 0);
  EXPECT_EQ(DotSizeUp(30), 30);
  EXPECT_EQ(DotSizeDown(1), 1);

  LevelWindow w = AutoGainWindow(80);
  EXPECT_EQ(w.low, 1536);
  EXPECT_EQ(w.high, 1741);
}

TEST(CalibrationWindow, PickedBeamFollowsItsScrollBarsAndSetCoversTheBeamRegistersOnly) {
  WindowBench b;
  b.bench.sim().SetRegister(9, 0xE5);
  b.window.GoOnline(480, 320);
  EXPECT_EQ(b.window.Select({2, 1}), 0xE5);
  EXPECT_EQ(b.window.lblout(), "229");
  EXPECT_EQ(b.window.power(), 5);
  EXPECT_EQ(b.window.gain(), 7);

  b.window.SetPowerGain(1, 0);
  EXPECT_EQ(b.bench.sim().Register(9), 1);
  ASSERT_TRUE(b.window.TakeSample(nullptr, nullptr));
  const int dim = b.window.Row(b.window.NewestRow())[18];
  b.window.SetPowerGain(5, 7);
  EXPECT_EQ(b.bench.counter.registerWrites[9], 18);  // nine unverified writes each time
  b.window.TakeSample(nullptr, nullptr);
  EXPECT_GT(b.window.Row(b.window.NewestRow())[18], dim * 2);

  EXPECT_EQ(b.window.SetCalibration(5, 2, nullptr), 0);
  for (int r = 0; r < kBeamRegisters; ++r) ASSERT_EQ(b.bench.sim().Register(r), 2 * 32 + 5) << r;
  EXPECT_EQ(b.bench.counter.registerWrites[192], 0);
}

TEST(CalibrationWindow, AutocalibraSendsItsTargetAndReportsProgress) {
  WindowBench b;
  std::vector<int> progress;
  b.window.Autocalibrate(AutocalTarget("250"), [&](int v) { progress.push_back(v); });
  EXPECT_EQ(b.bench.counter.commands[kCodeSelfCalibration], 1);
  const std::string& sent = b.bench.sim().receivedBytes();
  EXPECT_NE(sent.find(std::string("\xFF\x00\x40\x6E\xF0", 5)), std::string::npos);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 191);
}

TEST(CalibrationWindow, OnlineEnvelopeIsTheThresholdBelowTheHighestOfElevenRows) {
  WindowBench b;
  b.bench.project.ChannelThreshold[0] = 10;
  b.window.GoOnline(480, 320);
  for (int i = 0; i < 11; ++i) b.window.TakeSample(nullptr, nullptr);
  const int level = b.window.Row(10)[0];
  ASSERT_GT(level, 0);
  for (int r = 0; r <= 10; ++r) EXPECT_EQ(b.window.EnvelopeRow(r)[0], RoundHalfEven(0.9 * level)) << r;
  EXPECT_EQ(b.window.currentRow(), 11);
}

TEST(AutoGain, BringsEveryUsedBeamIntoItsWindow) {
  for (std::string_view plate : {"w96f", "w384"}) {
    sim::SimConfig config;
    config.noisePercent = 0.3;
    WindowBench b(config, plate);
    AutoGainResult r = RunAutoGain(b.window, 80, "Max.Gain");
    EXPECT_TRUE(r.completed) << plate;
    EXPECT_TRUE(r.unset.empty());
    EXPECT_TRUE(b.bench.Messages().empty());
    for (int c : b.bench.UsedEvenChannels()) {
      const double level = b.bench.sim().model().SettledLevel(sim::ChannelPosition(c),
                                                             b.bench.sim().Register(c / 2));
      EXPECT_GE(level, 1536 * 0.99) << plate << " " << c;
      EXPECT_LE(level, 1741 * 1.01) << plate << " " << c;
      EXPECT_EQ(b.bench.sim().Register(c / 2), r.gain[c] * 32 + r.power[c]);
    }
  }
  WindowBench other;
  EXPECT_FALSE(RunAutoGain(other.window, 80, "Max.Power").ran);
  EXPECT_EQ(other.bench.counter.registerWrites[0], 0);
}

TEST(AutoGain, BeamsThatCouldNotBeWrittenAreListedAtTheEnd) {
  sim::SimConfig config = test::NoiselessConfig();
  config.beamFactors = {{382, 0.4}};  // too dim at power 3, gain 7: it must be raised
  WindowBench b(config);
  b.bench.rig.fake.dialogs.Lenient();
  b.bench.rig.fake.pacer.OnPump([&] {
    // Once beam 380 is done, the instrument stops confirming register writes.
    if (b.bench.rig.fake.status.Last(kCalibrationStatus) == "Calibrating CH380") {
      b.bench.sim().DropNextReplies(1 << 20, kModeRegisterWrite);
    }
  });
  AutoGainResult r = RunAutoGain(b.window, 80, "Max.Gain");
  EXPECT_EQ(r.unset, std::vector<int>{382});
  ASSERT_FALSE(b.bench.Messages().empty());
  EXPECT_EQ(b.bench.Messages().back(), "These channels could not be set and are not calibrated: 382");

  WindowBench silent(test::NoiselessConfig());
  silent.bench.rig.fake.dialogs.Lenient();
  silent.bench.rig.fake.pacer.OnPump([&] { silent.bench.sim().SetSilent(true); });
  AutoGainResult s = RunAutoGain(silent.window, 80, "Max.Gain");
  EXPECT_TRUE(s.readerFailed);
  EXPECT_FALSE(s.completed);
  EXPECT_EQ(silent.bench.Messages().back(), "Ops...Data Sending ERROR reg(0)... Try again");
}

TEST(GainCurve, BlockArithmeticRoundsHalfToEvenAndChannelsWithoutABeamAreMarked) {
  CurveReadings readings{};
  for (int j = 0; j < kCurveReadings; ++j) {
    readings[j][4] = static_cast<int16_t>(j + 1);
    readings[j][5] = 0;  // an odd channel reads 0: it has no beam, not a dark one
  }
  CurveBlock block = FormatCurveBlock(3, 6, readings);
  EXPECT_EQ(block.bk.substr(0, 27), "p=3,g=6\r\n[0] 0 -1 0 -1 1 -1");
  EXPECT_EQ(block.mean.substr(0, 24), "[p3,g6] 0 -1 0 -1 4 -1 0");  // 3.5 -> 4
  EXPECT_EQ(block.desv.substr(0, 24), "[p3,g6] 0 -1 0 -1 2 -1 0");  // 1.5 -> 2
  EXPECT_EQ(block.mean.size(), 7u + 192 * 2 + 192 * 3 + 2);
}

TEST(GainCurve, StopsAtTheFirstExchangeTheInstrumentDoesNotAnswerOrWhenAskedTo) {
  {
    // The instrument falls silent during the third power/gain pair.
    WindowBench b;
    b.bench.rig.fake.dialogs.Lenient();
    b.bench.rig.fake.pacer.OnPump([&] {
      if (b.bench.rig.fake.pacer.pumps() == 3) b.bench.sim().SetSilent(true);
    });
    GainCurveResult r = RunGainCurve(b.window, b.bench.app.path());
    EXPECT_FALSE(r.completed);
    EXPECT_TRUE(r.instrumentLost);
    EXPECT_EQ(r.pairs, 2);
    ASSERT_EQ(b.bench.Messages().size(), 1u);
    EXPECT_EQ(b.bench.Messages()[0],
              "The instrument did not deliver a whole reading at Gain=2;Pinhole=0: the gain curve "
              "stops here (the files hold the settings measured before).");
    // The files hold the two pairs measured, nothing of the third.
    const std::string mean = test::ReadFileOrDie(b.bench.app / "test_mean.txt");
    EXPECT_EQ(std::count(mean.begin(), mean.end(), '\n'), 2);
    EXPECT_EQ(b.bench.counter.commands[kCodeTestSetting], 3);
  }
  {
    // Silent from the start: the first test setting goes unanswered and no file is made.
    WindowBench b;
    b.bench.rig.fake.dialogs.Lenient();
    b.bench.sim().SetSilent(true);
    GainCurveResult r = RunGainCurve(b.window, b.bench.app.path());
    EXPECT_TRUE(r.instrumentLost);
    EXPECT_EQ(r.pairs, 0);
    ASSERT_EQ(b.bench.Messages().size(), 1u);
    EXPECT_EQ(b.bench.Messages()[0].rfind(
                  "The instrument did not answer the test setting Gain=0;Pinhole=0: ", 0),
              0u);
    EXPECT_FALSE(fs::exists(b.bench.app / "test_mean.txt"));
  }
  {
    // A stop request (Ctrl-C on the command line) ends it after the sample in progress.
    WindowBench b;
    int asked = 0;
    GainCurveResult r = RunGainCurve(b.window, b.bench.app.path(), [&] { return ++asked > 20; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.pairs, 2);  // 9 questions per pair: the third pair is cut short
    EXPECT_TRUE(b.bench.Messages().empty());
  }
}

TEST(CalibrationWindow, PositionsWithoutABeamAreShownAsSuchNeverAsDarkBeams) {
  WindowBench b;
  b.window.GoOnline(480, 320);
  ASSERT_TRUE(b.window.TakeSample(nullptr, nullptr));
  RecordingCanvas grid;
  DrawGridLevels(grid, b.window.Row(b.window.NewestRow()));
  auto cells = grid.Of(RecordingCanvas::Op::kFilledBox);
  ASSERT_EQ(cells.size(), 384u);
  int black = 0, noBeam = 0;
  for (const auto& cell : cells) {
    if (cell.colour == colors::kBlack) ++black;
    if (cell.colour == Rgb{214, 220, 232}) ++noBeam;
  }
  EXPECT_EQ(black, 0) << "every beam of the instrument is lit";
  EXPECT_EQ(noBeam, 192);
  // Row B (channel 1) is a no-beam cell; row A (channel 0) a grey one.
  EXPECT_EQ(cells[0].colour.r, cells[0].colour.g);
  EXPECT_EQ(cells[24].colour, (Rgb{214, 220, 232}));

  EXPECT_EQ(b.window.Select({1, 0}), -1);  // B1: channel 1
  EXPECT_EQ(b.window.lblout(), "no beam");
  EXPECT_EQ(b.bench.counter.commands[kCodeReadRegister], 0);
}

TEST(GainCurve, SixtyFourBlocksWithTheMeansAndDeviationsOfTheirReadings) {
  sim::SimConfig config;
  config.noisePercent = 1.0;
  WindowBench b(config);
  GainCurveResult r = RunGainCurve(b.window, b.bench.app.path());
  EXPECT_TRUE(r.completed);
  EXPECT_EQ(r.pairs, 64);
  EXPECT_EQ(r.rejectedBlocks, 0);
  const std::string bk = test::ReadFileOrDie(b.bench.app / "test_bk.txt");
  const std::string mean = test::ReadFileOrDie(b.bench.app / "test_mean.txt");
  const std::string desv = test::ReadFileOrDie(b.bench.app / "test_desv.txt");
  auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0, eol; (eol = text.find("\r\n", at)) != std::string::npos; at = eol + 2) {
      out.push_back(text.substr(at, eol - at));
    }
    return out;
  };
  auto bkLines = lines(bk), meanLines = lines(mean), desvLines = lines(desv);
  ASSERT_EQ(bkLines.size(), 64u * 7);
  ASSERT_EQ(meanLines.size(), 64u);
  ASSERT_EQ(desvLines.size(), 64u);
  EXPECT_EQ(bkLines[7 * 63], "p=7,g=7");
  EXPECT_EQ(meanLines[9].rfind("[p1,g1] ", 0), 0u);
  // Every block's mean and deviation lines are those of its six readings.
  for (int block = 0; block < 64; ++block) {
    CurveReadings readings{};
    for (int j = 0; j < kCurveReadings; ++j) {
      std::string line = bkLines[static_cast<size_t>(7 * block + 1 + j)];
      size_t at = line.find(' ');
      for (int c = 0; c < kChannelCount; ++c) {
        size_t next = line.find(' ', at + 1);
        readings[j][c] = static_cast<int16_t>(std::stoi(line.substr(at + 1, next - at - 1)));
        at = next;
      }
    }
    CurveBlock want = FormatCurveBlock(block / 8, block % 8, readings);
    ASSERT_EQ(meanLines[block] + "\r\n", want.mean) << block;
    ASSERT_EQ(desvLines[block] + "\r\n", want.desv) << block;
  }
  // The beams follow the test setting: power 0 is dark, power 7 gain 7 bright.
  EXPECT_EQ(meanLines[0].substr(0, 11), "[p0,g0] 12 ");
  EXPECT_EQ(b.bench.counter.commands[kCodeTestSetting], 64);
}

}  // namespace
}  // namespace movexa
