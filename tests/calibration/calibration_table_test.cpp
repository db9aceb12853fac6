// "calvalue.dat": both layouts byte for byte, partial and malformed files, the register file
// taken by channel, and the register byte.
#include "calibration/calibration_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/file_io.h"
#include "support/test_support.h"

namespace movexa {
namespace {

std::string Golden(const char* name) {
  return test::ReadFileOrDie(test::GoldenDir() / "calibration" / name);
}

std::array<int, kCalibrationRegisters> SampleRegisters() {
  std::array<int, kCalibrationRegisters> v{};
  for (int r = 0; r < kCalibrationRegisters; ++r) v[r] = (r * 7) % 256;
  v[3] = v[200] = -1;
  return v;
}

TEST(CalibrationTable, ResetWritesPowerTwoGainThreeInTheChannelLayout) {
  test::TempDir dir;
  CalibrationTable t;
  t.PowerTable[kChannelCount] = 9;  // the spare slot is not a channel and is not touched
  ASSERT_TRUE(ResetCalibrationTable(dir.path(), t));
  EXPECT_EQ(test::ReadFileOrDie(dir / "calvalue.dat"), Golden("calvalue_channels.dat"));
  EXPECT_EQ(t.PowerTable[383], 2);
  EXPECT_EQ(t.GainTable[0], 3);
  EXPECT_EQ(t.PowerTable[kChannelCount], 9);
}

TEST(CalibrationTable, SavedTableLoadsBackUnchanged) {
  test::TempDir dir;
  CalibrationTable t;
  for (int c = 0; c < kChannelCount; ++c) {
    t.PowerTable[c] = static_cast<int16_t>(c % 8);
    t.GainTable[c] = static_cast<int16_t>(c % 5);
  }
  ASSERT_TRUE(SaveCalibrationTable(dir.path(), t));
  CalibrationTable back;
  CalibrationLoad load = LoadCalibrationTable(dir.path(), back);
  EXPECT_TRUE(load.read);
  EXPECT_TRUE(load.problem.empty());
  EXPECT_EQ(load.layout, CalibrationLayout::kChannels);
  EXPECT_EQ(load.records, 384);
  EXPECT_EQ(back.PowerTable, t.PowerTable);
  EXPECT_EQ(back.GainTable, t.GainTable);
}

TEST(CalibrationTable, ShortOrDamagedFileKeepsTheEntriesItDoesNotReach) {
  CalibrationTable t;
  t.PowerTable.fill(6);
  t.GainTable.fill(6);
  CalibrationLoad load =
      ParseCalibrationTable("\"<Num_Channel>, <PinHole>, <Gain> \"\r\n0,1,2\r\n1,3,4\r\n", t);
  EXPECT_EQ(load.records, 2);
  EXPECT_TRUE(load.problem.empty());
  EXPECT_EQ(t.PowerTable[1], 3);
  EXPECT_EQ(t.GainTable[1], 4);
  EXPECT_EQ(t.PowerTable[2], 6);

  // A damaged record stops the reading; the records before it are taken whole.
  load = ParseCalibrationTable("\"h\"\r\n0,5,5\r\n1,x,7\r\n2,5,5\r\n", t);
  EXPECT_EQ(load.records, 1);
  EXPECT_NE(load.problem.find("line 3"), std::string::npos);
  EXPECT_EQ(t.PowerTable[0], 5);
  EXPECT_EQ(t.PowerTable[1], 3);
  EXPECT_EQ(t.GainTable[1], 4);

  // Power and gain that no setting register can hold take the reset setting, and say so.
  load = ParseCalibrationTable(
      "\"h\"\r\n0,-32768,3\r\n1,32767,2\r\n2,4,32767\r\n3,31,7\r\n4,32,0\r\n", t);
  EXPECT_EQ(load.records, 5);
  EXPECT_EQ(load.outOfRange, 4);
  EXPECT_NE(load.problem.find("4 record(s)"), std::string::npos);
  for (int c : {0, 1, 2, 4}) {
    EXPECT_EQ(t.PowerTable[c], kResetPower) << c;
    EXPECT_EQ(t.GainTable[c], kResetGain) << c;
  }
  EXPECT_EQ(t.PowerTable[3], 31);
  EXPECT_EQ(t.GainTable[3], 7);

  // A file without its header line still reads from its first record.
  load = ParseCalibrationTable("0,7,1\r\n", t);
  EXPECT_EQ(load.records, 1);
  EXPECT_EQ(t.PowerTable[0], 7);

  CalibrationLoad missing = LoadCalibrationTable("/nonexistent-movexa-folder", t);
  EXPECT_FALSE(missing.read);
  EXPECT_NE(missing.problem.find("calvalue.dat"), std::string::npos);
}

TEST(CalibrationTable, RegisterLayoutIsWrittenExactlyAndReadBackByChannel) {
  auto regs = SampleRegisters();
  EXPECT_EQ(FormatCalibrationRegisters(regs), Golden("calvalue_registers.dat"));

  CalibrationTable t;
  t.PowerTable.fill(-5);
  t.GainTable.fill(-5);
  CalibrationLoad load = ParseCalibrationTable(Golden("calvalue_registers.dat"), t);
  EXPECT_EQ(load.layout, CalibrationLayout::kRegisters);
  EXPECT_FALSE(load.notice.empty());
  EXPECT_EQ(load.records, 255);
  EXPECT_EQ(load.unreadRegisters, 2);
  // Register 10 holds 70 = 2 x 32 + 6: channel 20 gets power 6, gain 2; the odd channels keep
  // their entries.
  EXPECT_EQ(t.PowerTable[20], 6);
  EXPECT_EQ(t.GainTable[20], 2);
  EXPECT_EQ(t.PowerTable[10], 3);  // channel 10 = register 5, value 35
  EXPECT_EQ(t.PowerTable[21], -5);
  EXPECT_EQ(t.PowerTable[6], -5);  // register 3 could not be read
  // Register 191 is channel 382; registers from 192 on are no channel.
  EXPECT_EQ(t.PowerTable[382], 191 * 7 % 256 % 32);
  EXPECT_EQ(t.PowerTable[kChannelCount], -5);

  CalibrationTable direct;
  direct.PowerTable.fill(-5);
  direct.GainTable.fill(-5);
  ApplyRegisterReadback(regs, direct);
  EXPECT_EQ(direct.PowerTable, t.PowerTable);
  EXPECT_EQ(direct.GainTable, t.GainTable);
}

TEST(CalibrationTable, RegisterByteIsGainTimes32PlusPower) {
  EXPECT_EQ(EncodeCalibrationRegister(5, 3), 101);
  EXPECT_EQ(EncodeCalibrationRegister(31, 7), 255);
  EXPECT_EQ(EncodeCalibrationRegister(40, 9), 255);  // out-of-range settings are held to a byte
  EXPECT_EQ(EncodeCalibrationRegister(-2, -1), 0);
  PowerGain pg = DecodeCalibrationRegister(101);
  EXPECT_EQ(pg.power, 5);
  EXPECT_EQ(pg.gain, 3);
  pg = DecodeCalibrationRegister(-1);
  EXPECT_EQ(pg.power, -1);
  EXPECT_EQ(pg.gain, 0);
}

}  // namespace
}  // namespace movexa
