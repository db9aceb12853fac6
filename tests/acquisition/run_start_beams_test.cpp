// The beams of the plate at the start of a recorded run: a device test killed part-way leaves
// beam registers at power 0, gain 0 (beams nearly dark), and a run used to record on them
// without a word. The run start sends the calibration table of "calvalue.dat" again, or asks
// before recording on beams that stay dark.
#include <gtest/gtest.h>

#include "acquisition/engine_rig.h"
#include "acquisition/run_texts.h"
#include "calibration/calibration_table.h"

namespace movexa::test {
namespace {

constexpr int kLitSetting = 3 * 32 + 2;  // the reset table: power 2, gain 3

// Registers 0..15 (channels 0..30, the first wells of the demo plate) dark, as a device test
// killed between its steps leaves them.
void DarkenFirstRows(EngineRig& rig) {
  for (int reg = 0; reg < 16; ++reg) rig.instrument.SetRegister(reg, 0);
}

TEST(RunStartBeams, DarkBeamsGetTheCalibrationTableAgainBeforeSampling) {
  EngineRig rig;
  CalibrationTable table;
  ASSERT_TRUE(ResetCalibrationTable(rig.state.appDir, table));
  DarkenFirstRows(rig);
  ASSERT_TRUE(rig.Play("after a killed device test"));
  for (int reg = 0; reg < kBeamRegisters; ++reg) EXPECT_EQ(rig.instrument.Register(reg), kLitSetting) << reg;
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), run_texts::TableResent(16));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems().front();
  // The beams are lit again in the samples of the run.
  rig.Ticks(3);
  for (int c = 0; c < 32; c += 2) EXPECT_GT(rig.state.run.buffers.Raw(c, 2), kNearZeroBeamLevel) << c;
}

TEST(RunStartBeams, WithoutATableToSendTheOperatorIsAskedAndNoDeclinesTheRun) {
  EngineRig rig;
  DarkenFirstRows(rig);
  const std::string question = run_texts::DarkBeamsQuestion(
      {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30}, false);
  EXPECT_NE(question.find("16 beam(s) of the plate read near zero (CH0 CH2 "), std::string::npos);
  rig.fake.dialogs.ExpectInput("", "dark").ExpectQuestion(question, Dialogs::Answer::kNo);
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(rig.state.run.timerEnabled);
  EXPECT_EQ(rig.instrument.Register(0), 0);  // nothing was guessed
  // Yes records on them all the same (the operator knows the wells are empty, say).
  rig.fake.dialogs.ExpectInput("", "dark anyway").ExpectQuestion(question, Dialogs::Answer::kYes);
  EXPECT_TRUE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems().front();
}

TEST(RunStartBeams, LitBeamsCostOneReadingAndNoQuestion) {
  EngineRig rig;
  const int64_t before = rig.instrument.framesReceived();
  ASSERT_TRUE(rig.Play("lit"));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems().front();
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus").find("calibration table"), std::string::npos);
  // Temperature, outputs, channel mode twice, and one reading of eight blocks (the length is
  // learned from two of them); no register is read or written.
  EXPECT_LE(rig.instrument.framesReceived() - before, 4 + 8 + 1);
}

}  // namespace
}  // namespace movexa::test
