// The instrument's self-calibration against the simulated instrument: progress, the time-out
// end, the register read-back into the table and "calvalue.dat", the copy for the acquisition.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "procedure_bench.h"

namespace movexa {
namespace {

using test::ProcedureBench;

std::array<int, kCalibrationRegisters> InstrumentRegisters(ProcedureBench& b) {
  std::array<int, kCalibrationRegisters> v{};
  for (int r = 0; r < kCalibrationRegisters; ++r) v[r] = b.sim().Register(r);
  return v;
}

std::vector<std::string> SavingTexts() {
  std::vector<std::string> out;
  for (int r = 0; r <= 254; ++r) {
    out.push_back("Saving Calibration values..." + std::to_string(r * 100 / 254) + "%");
  }
  return out;
}

TEST(DeviceSelfCalibration, FollowsProgressThenReadsBackEveryRegisterIntoTableAndFiles) {
  ProcedureBench b;
  b.table.PowerTable.fill(9);
  b.table.GainTable.fill(9);
  const auto folder = b.app / "20240319_1405";
  std::filesystem::create_directory(folder);
  DeviceSelfCalibration(b.ctx, folder);

  std::vector<std::string> expected;
  std::vector<double> draws;
  for (int v = 0; v <= 184; v += 8) {
    expected.push_back("Calibrating..." + std::to_string(v * 100 / 191) + "%");
    draws.push_back(2 * v);
  }
  expected.push_back("Calibrating...100%");
  draws.push_back(382);
  for (auto& s : SavingTexts()) expected.push_back(s);
  EXPECT_EQ(b.StatusTexts(), expected);
  EXPECT_EQ(b.panel.draws, draws);
  EXPECT_EQ(b.rig.fake.pacer.pumps(), 25) << "events run after every progress byte";
  EXPECT_EQ(b.counter.commands[kCodeSelfCalibration], 1);
  EXPECT_EQ(b.sim().lastFrame()[2], kCodeReadRegister);
  EXPECT_EQ(b.counter.commands[kCodeReadRegister], 255);
  EXPECT_TRUE(b.Messages().empty());

  // The instrument converged before the read-back: its registers are no longer the start values.
  auto registers = InstrumentRegisters(b);
  EXPECT_NE(registers[0], 3 * 32 + 2);
  const std::string file = test::ReadFileOrDie(b.app / "calvalue.dat");
  EXPECT_EQ(file, FormatCalibrationRegisters(registers));
  EXPECT_EQ(file.substr(0, 22), "channel, power, gain\r\n");
  EXPECT_EQ(test::ReadFileOrDie(folder / "calvalue.dat"), file);
  for (int r = 0; r < kBeamRegisters; ++r) {
    EXPECT_EQ(b.table.PowerTable[2 * r], registers[r] % 32) << r;
    EXPECT_EQ(b.table.GainTable[2 * r], registers[r] / 32) << r;
    EXPECT_EQ(b.table.PowerTable[2 * r + 1], 9) << "odd channels are no register's";
  }
}

TEST(DeviceSelfCalibration, TenEmptyReadsEndTheWaitAndUnreadRegistersAreMarked) {
  ProcedureBench b;
  b.table.PowerTable.fill(9);
  // Every progress byte is lost, then the three reads of register 0.
  b.sim().DropNextReplies(25 + 3, kModeCommand);
  const int64_t startMs = b.rig.NowMs();
  DeviceSelfCalibration(b.ctx, b.app / "no-such-folder");
  EXPECT_GE(b.rig.NowMs() - startMs, 10 * 2500) << "ten reads waited out their time-outs";
  EXPECT_EQ(b.StatusTexts(), SavingTexts());
  EXPECT_EQ(b.rig.fake.pacer.pumps(), 0);
  EXPECT_TRUE(b.Messages().empty()) << "a failed copy to the acquisition folder is ignored";
  const std::string file = test::ReadFileOrDie(b.app / "calvalue.dat");
  EXPECT_EQ(file.substr(0, 30), "channel, power, gain\r\n0,-1,0\r\n");
  EXPECT_EQ(b.table.PowerTable[0], 9) << "an unread register leaves its channel alone";
  EXPECT_EQ(b.table.PowerTable[2], b.sim().Register(1) % 32);
}

TEST(DeviceSelfCalibration, EventsRunOnlyUntilTheFirstTimeOut) {
  sim::SimConfig slow;
  slow.selfCalibrationStepMs = 3000;  // longer than one read's time-outs
  ProcedureBench b(slow);
  DeviceSelfCalibration(b.ctx, {});
  EXPECT_EQ(b.rig.fake.pacer.pumps(), 1);
  std::vector<std::string> status = b.StatusTexts();
  ASSERT_EQ(status.size(), 10u + 255u) << "one byte per read between the ten time-outs";
  EXPECT_EQ(status[9], "Calibrating...37%");
  EXPECT_EQ(b.counter.commands[kCodeReadRegister], 255);
}

TEST(DeviceSelfCalibration, AnInstrumentThatStopsAnsweringKeepsTheTableAndEndsSoon) {
  ProcedureBench b;
  b.table.PowerTable.fill(9);
  test::WriteFileOrDie(b.app / "calvalue.dat", "good table");
  b.sim().SetSilent(true);
  const int64_t startMs = b.rig.NowMs();
  DeviceSelfCalibration(b.ctx, b.app.path());
  // Ten empty progress reads and five registers of three reads each, not 255 registers.
  EXPECT_LT(b.rig.NowMs() - startMs, 3 * 60 * 1000);
  EXPECT_EQ(b.counter.commands[kCodeReadRegister], 5 * 3);
  ASSERT_EQ(b.Messages().size(), 1u);
  EXPECT_NE(b.Messages()[0].find("kept as they were"), std::string::npos);
  EXPECT_EQ(test::ReadFileOrDie(b.app / "calvalue.dat"), "good table");
  EXPECT_EQ(b.table.PowerTable[0], 9);
}

TEST(DeviceSelfCalibration, OfflineAsksNothingAndKeepsTheFile) {
  ProcedureBench b;
  b.rig.connection.offline = true;
  test::WriteFileOrDie(b.app / "calvalue.dat", "kept");
  DeviceSelfCalibration(b.ctx, b.app.path());
  EXPECT_EQ(b.sim().framesReceived(), 0);
  EXPECT_EQ(test::ReadFileOrDie(b.app / "calvalue.dat"), "kept");
}

}  // namespace
}  // namespace movexa
