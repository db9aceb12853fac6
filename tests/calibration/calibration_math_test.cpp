// Software-calibration ladder, auto-zero threshold and the block regrouping of ReadAllChannels.
#include "calibration/calibration_math.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "acquisition/signal_block.h"

namespace movexa {
namespace {

TEST(SoftwareCalibration, LevelBelowTheWindowClimbsTheWholeLadderThenStops) {
  ChannelCalibration st;
  int16_t power = 1, gain = 0;
  int writes = 0;
  while (SoftwareCalibrationStep(st, power, gain, 1000)) {
    ++writes;
    ASSERT_LT(writes, 100);
  }
  // (1,1) .. (1,7), then eight gains for each power 2..7: 7 + 6 x 8 = 55 steps to (7,7).
  EXPECT_EQ(writes, 55);
  EXPECT_EQ(power, 7);
  EXPECT_EQ(gain, 7);
  EXPECT_TRUE(st.done);
  EXPECT_EQ(st.direction, 0);
}

TEST(SoftwareCalibration, LevelAboveTheWindowDescendsToPowerOneGainZero) {
  ChannelCalibration st;
  int16_t power = 3, gain = 0;
  EXPECT_TRUE(SoftwareCalibrationStep(st, power, gain, 3000));
  EXPECT_EQ(power, 2);
  EXPECT_EQ(gain, 7);
  EXPECT_EQ(st.direction, -1);
  power = 1;
  gain = 0;
  st = {};
  EXPECT_FALSE(SoftwareCalibrationStep(st, power, gain, 3000));
  EXPECT_TRUE(st.done);
  EXPECT_EQ(power, 1);
}

TEST(SoftwareCalibration, OvershootStepsBackAndAcceptsTheLowerSetting) {
  ChannelCalibration st;
  int16_t power = 4, gain = 2;
  EXPECT_TRUE(SoftwareCalibrationStep(st, power, gain, 1700));  // below: up to gain 3
  EXPECT_EQ(gain, 3);
  EXPECT_TRUE(SoftwareCalibrationStep(st, power, gain, 2100));  // overshoot: direction cleared
  EXPECT_EQ(gain, 3);
  EXPECT_EQ(st.direction, 0);
  EXPECT_TRUE(SoftwareCalibrationStep(st, power, gain, 2100));  // now steps down
  EXPECT_EQ(gain, 2);
  EXPECT_EQ(st.direction, -1);
  EXPECT_FALSE(SoftwareCalibrationStep(st, power, gain, 1700));  // below after a step down
  EXPECT_TRUE(st.done);
  EXPECT_EQ(gain, 2);
}

TEST(SoftwareCalibration, WindowEdgesAreInside) {
  for (int level : {1807, 2033}) {
    ChannelCalibration st;
    int16_t power = 4, gain = 4;
    EXPECT_FALSE(SoftwareCalibrationStep(st, power, gain, level));
    EXPECT_TRUE(st.done);
    EXPECT_EQ(gain, 4);
  }
  ChannelCalibration st;
  int16_t power = 4, gain = 4;
  EXPECT_TRUE(SoftwareCalibrationStep(st, power, gain, 1806));
  EXPECT_TRUE(SoftwareCalibrationStep(st = {}, power, gain, 2034));
}

TEST(SoftwareCalibration, PreparationClosesUnusedChannelsAndLiftsEmptySettings) {
  WellMap wells;
  wells.channelWell[0] = 0;
  wells.channelWell[2] = 1;
  CalibrationTable table;
  table.PowerTable[1] = table.GainTable[1] = 5;
  table.PowerTable[2] = 3;
  table.GainTable[2] = 4;
  std::array<ChannelCalibration, kChannelSlots> states;
  states[0].done = true;
  PrepareSoftwareCalibration(wells, table, states);
  EXPECT_EQ(table.PowerTable[0], 2);  // used, was 0/0
  EXPECT_EQ(table.GainTable[0], 0);
  EXPECT_FALSE(states[0].done);
  EXPECT_EQ(table.PowerTable[1], 0);  // not used by the plate
  EXPECT_EQ(table.GainTable[1], 0);
  EXPECT_TRUE(states[1].done);
  EXPECT_EQ(table.PowerTable[2], 3);
  EXPECT_EQ(table.GainTable[2], 4);
}

// Readings of channel 9 in `rows` rows: rows 0..9 at 5000 (never used), then `pattern`.
std::vector<int16_t> Readings(int rows, int (*pattern)(int)) {
  std::vector<int16_t> data(static_cast<size_t>(kChannelSlots) * rows, 0);
  for (int j = 0; j < rows; ++j) {
    data[9 + kChannelSlots * static_cast<size_t>(j)] = static_cast<int16_t>(j < 10 ? 5000 : pattern(j));
  }
  return data;
}

TEST(AutoZeroCalibration, ThresholdFromPeakToPeakOverTheMiddleRows) {
  // Rows 10..29 alternate 1000 / 1010: over rows 11..28 the spread is 10 and the mean level
  // 1005, so the threshold is (10 / 1005) x 100 x 1.8 + 1.
  auto data = Readings(30, [](int j) { return j % 2 ? 1010 : 1000; });
  EXPECT_NEAR(AutoZeroThreshold({data.data(), 30}, 9, 30, 1.8), 10.0 / 1005.0 * 180.0 + 1.0, 1e-9);
  // A quiet channel gets at least 1.8; a dark one (mean level 0) exactly 1.8.
  auto quiet = Readings(100, [](int) { return 2000; });
  EXPECT_EQ(AutoZeroThreshold({quiet.data(), 100}, 9, 100, 1.8), 1.8);
  auto dark = Readings(100, [](int) { return 0; });
  EXPECT_EQ(AutoZeroThreshold({dark.data(), 100}, 9, 100, 1.8), 1.8);
  // Too few rows to judge any: 1.8, without reading past the rows given.
  EXPECT_EQ(AutoZeroThreshold({data.data(), 12}, 9, 12, 1.8), 1.8);
  EXPECT_EQ(AutoZeroThreshold({data.data(), 30}, 9, 1, 1.8), 1.8);
}

TEST(AutoZeroCalibration, MeansRoundHalvesToEven) {
  // Rows 10..13 = 0, 3, 0, 0 with S = 14: rows 11 and 12 are judged. Row 11 is a peak (spread
  // 3), row 12 keeps it: mean spread 3; levels 3 and 0: mean 1.5 -> 2. (1 - (2 - 3) / 2) x 180.
  auto data = Readings(14, [](int j) { return j == 11 ? 3 : 0; });
  EXPECT_NEAR(AutoZeroThreshold({data.data(), 14}, 9, 14, 1.8), 1.5 * 180.0 + 1.0, 1e-9);
}

TEST(SignalBlocks, RegroupingCoversEveryEvenChannelOnce) {
  for (auto [signals, offsets] : {std::pair{24, std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56}},
                                  std::pair{48, std::vector<int>{0, 16, 32, 48}}}) {
    std::multiset<int> channels;
    for (int a : offsets) {
      for (int k = 0; k < signals; ++k) channels.insert(BlockSignalChannel(a, k));
    }
    std::multiset<int> even;
    for (int c = 0; c < kChannelCount; c += 2) even.insert(c);
    EXPECT_EQ(channels, even) << signals;
  }
}

TEST(SignalBlocks, StoreZeroesNegativesAndOddNeighboursAndRepeatCopiesTheBlock) {
  std::vector<int16_t> row(kChannelSlots, 77);
  std::vector<int32_t> signals(24);
  for (int k = 0; k < 24; ++k) signals[k] = 100 + k;
  signals[1] = -4;
  signals[2] = 70000;
  StoreSignalBlock(row, 8, signals);
  EXPECT_EQ(row[16], 100);    // k = 0: 2 x 8
  EXPECT_EQ(row[17], 0);      // its odd neighbour
  EXPECT_EQ(row[144], 0);     // k = 1: negative
  EXPECT_EQ(row[272], 32767); // k = 2: held to 16 bits
  EXPECT_EQ(row[18], 103);    // k = 3
  EXPECT_EQ(row[30], 121);    // k = 21: 16 + 14
  EXPECT_EQ(row[15], 77);     // outside the block
  EXPECT_EQ(row[32], 77);

  std::vector<int16_t> next(kChannelSlots, 5);
  RepeatSignalBlock(next, row, 8, 24);
  EXPECT_EQ(next[16], 100);
  EXPECT_EQ(next[17], 0);
  EXPECT_EQ(next[272], 32767);
  EXPECT_EQ(next[15], 5);
  EXPECT_EQ(next[32], 5);
}

}  // namespace
}  // namespace movexa
