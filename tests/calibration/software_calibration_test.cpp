// Software calibration against the simulated instrument: every used beam ends inside the
// acceptance window, unused beams are switched off, beams that cannot reach the window stop at
// the end of the ladder, and failed register writes end the procedure the right way.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "calibration/calibration_math.h"
#include "procedure_bench.h"
#include "sim/beam_model.h"

namespace movexa {
namespace {

using test::ProcedureBench;

constexpr std::string_view kCommunicationError =
    "Communication error. Check COM PORT and equipment connection.";

double SettledLevel(ProcedureBench& b, int channel) {
  return b.sim().model().SettledLevel(sim::ChannelPosition(channel), b.sim().Register(channel / 2));
}

TEST(SoftwareCalibration, BringsEveryUsedBeamIntoTheWindowAndSwitchesOffTheOthers) {
  ProcedureBench b(test::NoiselessConfig());
  ASSERT_TRUE(SoftwareCalibration(b.ctx));
  EXPECT_TRUE(b.Messages().empty());
  std::vector<int> used = b.UsedEvenChannels();
  ASSERT_FALSE(used.empty());
  ReadAllChannels(b.ctx, 1, 96);
  for (int c : used) {
    SCOPED_TRACE(c);
    EXPECT_EQ(b.sim().Register(c / 2), b.table.GainTable[c] * 32 + b.table.PowerTable[c]);
    EXPECT_GE(b.buffers.Raw(c, 1), kCalibrationLow);
    EXPECT_LE(b.buffers.Raw(c, 1), kCalibrationHigh);
  }
  for (int c = 0; c < kChannelCount; c += 2) {
    if (b.wells.channelWell[c] != -1) continue;
    EXPECT_EQ(b.sim().Register(c / 2), 0) << c;
    EXPECT_EQ(b.table.PowerTable[c], 0);
    EXPECT_EQ(b.table.GainTable[c], 0);
    EXPECT_EQ(b.counter.registerWrites[c / 2], 1) << "an unused beam is written once, with 0/0";
  }
  std::vector<std::string> status = b.StatusTexts();
  ASSERT_GE(status.size(), 3u);
  EXPECT_EQ(status.front(), "Writing First Time Calibration...");
  EXPECT_EQ(status[1], "Writing calibration...0");
  EXPECT_EQ(status.back(), "Calibration OK");
  EXPECT_EQ(test::ReadFileOrDie(b.app / "calvalue.dat"), FormatCalibrationChannels(b.table));
}

TEST(SoftwareCalibration, NoisyBeamsSettleWithinTheNoiseOfTheWindow) {
  for (uint64_t seed : {3u, 11u}) {
    sim::SimConfig config;
    config.seed = seed;
    config.noisePercent = 0.5;
    ProcedureBench b(config, "w384");
    ASSERT_TRUE(SoftwareCalibration(b.ctx));
    for (int c : b.UsedEvenChannels()) {
      // A beam is accepted on one reading; four standard deviations of noise around the window.
      EXPECT_GE(SettledLevel(b, c), kCalibrationLow * 0.98) << seed << " " << c;
      EXPECT_LE(SettledLevel(b, c), kCalibrationHigh * 1.02) << seed << " " << c;
    }
  }
}

TEST(SoftwareCalibration, BeamsThatCannotReachTheWindowStopAtTheEndOfTheLadder) {
  ProcedureBench b(test::NoiselessConfig(), "w384");
  const int dim = 10, bright = 20;  // a blocked well and an over-bright beam
  b.sim().model().SetBeamFactor(dim, 0.1);
  b.sim().model().SetBeamFactor(bright, 10.0);
  ASSERT_TRUE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.table.PowerTable[dim], 7);
  EXPECT_EQ(b.table.GainTable[dim], 7);
  EXPECT_EQ(b.sim().Register(dim / 2), 7 * 32 + 7);
  EXPECT_EQ(b.table.PowerTable[bright], 1);
  EXPECT_EQ(b.table.GainTable[bright], 0);
  EXPECT_EQ(b.sim().Register(bright / 2), 1);
  // From power 2, gain 3: the initial write, 44 steps up to (7, 7); 11 steps down to (1, 0).
  // Each step is one verified write of nine frames; once at the end no frame follows.
  EXPECT_EQ(b.counter.registerWrites[dim / 2], 9 * (1 + 44));
  EXPECT_EQ(b.counter.registerWrites[bright / 2], 9 * (1 + 11));
}

TEST(SoftwareCalibration, FailedInitialWriteShowsBothMessagesAndStops) {
  ProcedureBench b(test::NoiselessConfig());
  b.sim().DropNextReplies(27, kModeRegisterWrite);  // all three series for register 0
  EXPECT_FALSE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.Messages(), (std::vector<std::string>{
                              "Ops...Data Writing ERROR: reg(0)... Check COM and Try again",
                              std::string(kCommunicationError)}));
  EXPECT_EQ(b.counter.registerWrites[1], 0);
  EXPECT_EQ(b.counter.commands[kCodeBlock], 0);
  EXPECT_EQ(b.stops, 0);
  EXPECT_NE(b.StatusTexts().back(), "Calibration OK");
  // The reset table was already written; no register was.
  EXPECT_TRUE(b.ctx.tableFileWritten);
  EXPECT_EQ(b.ctx.registersWritten, 0);
}

TEST(SoftwareCalibration, FailedWriteInARoundStopsTheAcquisitionWithoutSaving) {
  ProcedureBench b(test::NoiselessConfig());
  // The initial pass pumps events after 21, 42, ... 189 writes; the tenth pump ends round 1.
  b.rig.fake.pacer.OnPump([&b] {
    if (b.rig.fake.pacer.pumps() == 10) b.sim().DropNextReplies(27, kModeRegisterWrite);
  });
  EXPECT_FALSE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.stops, 1);
  std::vector<std::string> messages = b.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Ops...Data Writing ERROR: reg(", 0), 0u);
  EXPECT_EQ(b.rig.fake.pacer.pumps(), 11) << "events run once more after the stop";
  // The file is the one made at the start: the stepped settings were not saved.
  CalibrationTable reset;
  reset.PowerTable.fill(kResetPower);
  reset.GainTable.fill(kResetGain);
  EXPECT_EQ(test::ReadFileOrDie(b.app / "calvalue.dat"), FormatCalibrationChannels(reset));
  EXPECT_NE(b.StatusTexts().back(), "Calibration OK");
  // What a failure reports as already written: the reset table and every initial register.
  EXPECT_TRUE(b.ctx.tableFileWritten);
  EXPECT_GE(b.ctx.registersWritten, kChannelCount / 2);
}

TEST(SoftwareCalibration, StopBetweenRoundsEndsAtTheNextRoundAndSaves) {
  ProcedureBench b(test::NoiselessConfig());
  b.rig.fake.pacer.OnPump([&b] {
    if (b.rig.fake.pacer.pumps() == 11) b.active = false;  // Stop pressed during round 2
  });
  EXPECT_TRUE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.counter.commands[kCodeBlock], 2 * 8) << "two rounds of 4 + 4 block requests";
  EXPECT_EQ(b.StatusTexts().back(), "Calibration OK");
  EXPECT_EQ(test::ReadFileOrDie(b.app / "calvalue.dat"), FormatCalibrationChannels(b.table));
}

TEST(SoftwareCalibration, WithoutAnAcquisitionOnlyLoadsAndSavesTheTable) {
  ProcedureBench b({}, "w384");
  b.active = false;
  // A register file left by the self-calibration: register r holds channel 2r's setting.
  std::array<int, kCalibrationRegisters> registers{};
  registers.fill(-1);
  registers[0] = 4 * 32 + 3;
  registers[7] = 5 * 32 + 6;
  test::WriteFileOrDie(b.app / "calvalue.dat", FormatCalibrationRegisters(registers));
  b.table.PowerTable.fill(1);
  b.table.GainTable.fill(1);
  EXPECT_TRUE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.StatusTexts(),
            (std::vector<std::string>{"Writing Calibration...", "Calibration OK"}));
  EXPECT_EQ(b.sim().framesReceived(), 0);
  CalibrationTable saved;
  CalibrationLoad load = LoadCalibrationTable(b.app.path(), saved);
  EXPECT_EQ(load.layout, CalibrationLayout::kChannels);
  EXPECT_EQ(saved.PowerTable[0], 3);
  EXPECT_EQ(saved.GainTable[0], 4);
  EXPECT_EQ(saved.PowerTable[14], 6);
  EXPECT_EQ(saved.GainTable[14], 5);
  EXPECT_EQ(saved.PowerTable[1], 1) << "odd channels keep what the table held";
}

TEST(SoftwareCalibration, OfflineRefusesWithoutTouchingTheFile) {
  ProcedureBench b;
  b.rig.connection.offline = true;
  EXPECT_FALSE(SoftwareCalibration(b.ctx));
  EXPECT_EQ(b.Messages(), std::vector<std::string>{"Operation not possible in OFFLINE mode"});
  EXPECT_FALSE(IsFile(b.app / "calvalue.dat"));
  EXPECT_EQ(b.sim().framesReceived(), 0);
}

TEST(SoftwareCalibration, UnwritableTableIsReportedNotCalledASuccess) {
  ProcedureBench b;
  b.active = false;
  b.ctx.appFolder = b.app / "missing";
  EXPECT_FALSE(SoftwareCalibration(b.ctx));
  std::vector<std::string> messages = b.Messages();
  ASSERT_EQ(messages.size(), 2u);  // the first-time table, then the save
  EXPECT_EQ(messages[1].rfind("Error saving [calvalue.dat] => ", 0), 0u);
}

}  // namespace
}  // namespace movexa
