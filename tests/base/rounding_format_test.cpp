#include <gtest/gtest.h>

#include <cmath>

#include "base/number_format.h"
#include "base/rounding.h"

namespace movexa {
namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(242.5), 242);  // temperature 24.25 stored as 242
  EXPECT_EQ(RoundHalfEven(247.5), 248);  // 24.75 stored as 248
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(-0.4), 0);
}

TEST(Rounding, IntIsFloorAlsoForNegatives) {
  EXPECT_EQ(Int(2.9), 2);
  EXPECT_EQ(Int(-0.1), -1);
  EXPECT_EQ(Int(-2.0), -2);
}

TEST(Rounding, SixteenBitConversionRefusesOverflowAndNaN) {
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_FALSE(RoundToInt16(32767.6).has_value());
  EXPECT_FALSE(RoundToInt16(-32768.6).has_value());
  EXPECT_FALSE(RoundToInt16(std::nan("")).has_value());
  EXPECT_EQ(SaturateInt16(100000), 32767);
  EXPECT_EQ(SaturateInt16(-100000), -32768);
}

TEST(NumberFormat, PatternsPadAndRoundHalfEven) {
  EXPECT_EQ(FormatNumber(1.8, "0.0"), "1.8");
  EXPECT_EQ(FormatNumber(20, "0.0"), "20.0");
  EXPECT_EQ(FormatNumber(2.25, "0.0"), "2.2");
  EXPECT_EQ(FormatNumber(2.35, "0.0"), "2.4");
  EXPECT_EQ(FormatNumber(-0.04, "0.0"), "0.0");
  EXPECT_EQ(FormatNumber(-1.26, "0.0"), "-1.3");
  EXPECT_EQ(FormatNumber(0.0833333, "0.00"), "0.08");
  EXPECT_EQ(FormatNumber(9, "00"), "09");
  EXPECT_EQ(FormatNumber(5, "000"), "005");
  EXPECT_EQ(FormatNumber(123, "00000"), "00123");
  EXPECT_EQ(FormatNumber(1800.4, "0"), "1800");
  EXPECT_EQ(FormatNumber(7, "000_"), "007_");  // per-well export file names
  EXPECT_EQ(FormatNumber(12, "000000"), "000012");
  EXPECT_EQ(ZeroPad(7, 5), "00007");
  EXPECT_EQ(ZeroPad(123456, 5), "123456");
}

}  // namespace
}  // namespace movexa
