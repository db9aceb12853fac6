#include <gtest/gtest.h>

#include "base/rounding.h"

namespace movexa {
namespace {

TEST(Rounding, IntegerMeanRoundsLikeTheRealOne) {
  EXPECT_EQ(RoundHalfEvenDiv(5, 2), 2);     // 2.5
  EXPECT_EQ(RoundHalfEvenDiv(7, 2), 4);     // 3.5
  EXPECT_EQ(RoundHalfEvenDiv(-5, 2), -2);   // -2.5
  EXPECT_EQ(RoundHalfEvenDiv(-7, 2), -4);   // -3.5
  EXPECT_EQ(RoundHalfEvenDiv(59, 30), 2);   // 1.97
  EXPECT_EQ(RoundHalfEvenDiv(-1, 30), 0);
  EXPECT_EQ(RoundHalfEvenDiv(-16, 30), -1);  // -0.533
  for (int64_t n = -2000; n <= 2000; ++n) {
    for (int64_t d : {1, 2, 3, 7, 30, 50, 498}) {
      ASSERT_EQ(RoundHalfEvenDiv(n, d), RoundHalfEven(static_cast<double>(n) / d)) << n << "/" << d;
    }
  }
}

}  // namespace
}  // namespace movexa
