// The distribution functions behind the significance lines, against published table values
// and exact identities.
#include "analysis/distributions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace movexa {
namespace {

TEST(Distributions, NormalQuantileMatchesTableValuesInBothTails) {
  EXPECT_NEAR(NormalQuantile(0.5), 0.0, 1e-15);
  EXPECT_NEAR(NormalQuantile(0.975), 1.959963984540054, 1e-12);
  EXPECT_NEAR(NormalQuantile(0.99), 2.326347874040841, 1e-12);
  EXPECT_NEAR(NormalQuantile(0.999), 3.090232306167814, 1e-12);
  EXPECT_NEAR(NormalQuantile(0.01), -2.326347874040841, 1e-12);
  EXPECT_NEAR(NormalQuantile(0.8413447460685429), 1.0, 1e-12);  // Phi(1)
  // Far tails, where the rational approximation alone is off in the 9th digit.
  EXPECT_NEAR(NormalQuantile(1e-10), -6.361340902404056, 1e-10);
  EXPECT_NEAR(NormalQuantile(1.0 - 1e-10), 6.361340902404056, 1e-6);  // 1 - 1e-10 is inexact
  EXPECT_TRUE(std::isnan(NormalQuantile(1.5)));
  EXPECT_TRUE(std::isinf(NormalQuantile(0.0)));
}

TEST(Distributions, IncompleteGammaAgreesWithClosedForms) {
  // Q(1, x) = e^-x and Q(1/2, x) = erfc(sqrt x), on both sides of the series/fraction switch.
  for (double x : {0.01, 0.5, 1.9, 2.1, 10.0, 40.0, 200.0}) {
    EXPECT_NEAR(RegularizedGammaQ(1.0, x) / std::exp(-x), 1.0, 1e-13) << x;
    EXPECT_NEAR(RegularizedGammaQ(0.5, x) / std::erfc(std::sqrt(x)), 1.0, 1e-12) << x;
    EXPECT_NEAR(RegularizedGammaP(1.0, x) + RegularizedGammaQ(1.0, x), 1.0, 1e-15) << x;
  }
  EXPECT_EQ(RegularizedGammaP(3.0, 0.0), 0.0);
  EXPECT_EQ(RegularizedGammaQ(3.0, 0.0), 1.0);
  EXPECT_NEAR(LogGamma(0.5), std::log(std::sqrt(std::numbers::pi)), 1e-14);
  EXPECT_NEAR(LogGamma(10.0), std::log(362880.0), 1e-13);
  EXPECT_NEAR(LogGamma(1000.5), std::lgamma(1000.5), 1e-9);
}

TEST(Distributions, ChiSquareCriticalValuesMatchTables) {
  EXPECT_NEAR(ChiSquareCriticalValue(0.05, 1), 3.841458820694124, 1e-9);
  EXPECT_NEAR(ChiSquareCriticalValue(0.01, 1), 6.634896601021214, 1e-9);
  EXPECT_NEAR(ChiSquareCriticalValue(0.001, 1), 10.82756617139582, 1e-8);
  EXPECT_NEAR(ChiSquareCriticalValue(0.05, 10), 18.30703805327515, 1e-8);
  EXPECT_NEAR(ChiSquareCriticalValue(0.01, 10), 23.20925115895387, 1e-8);
  EXPECT_NEAR(ChiSquareCriticalValue(0.01, 100), 135.8067236544, 1e-6);
  EXPECT_NEAR(ChiSquareCriticalValue(0.05, 1000), 1074.679, 1e-3);
  // Two degrees of freedom: the tail is e^(-x/2), so the value is -2 ln alpha at any alpha,
  // including the tiny per-period levels of a Sidak correction.
  for (double alpha : {0.5, 0.01, 1e-5, 1e-12}) {
    EXPECT_NEAR(ChiSquareCriticalValue(alpha, 2) / (-2.0 * std::log(alpha)), 1.0, 1e-12) << alpha;
  }
  // The value found has the tail asked for, at the degrees of freedom of long periods.
  for (double df : {47.0, 960.0, 1920.0}) {
    const double x = ChiSquareCriticalValue(1.0458e-5, df);
    EXPECT_NEAR(ChiSquareUpperTail(x, df) / 1.0458e-5, 1.0, 1e-9) << df;
  }
  EXPECT_TRUE(std::isnan(ChiSquareCriticalValue(0.0, 3)));
  EXPECT_TRUE(std::isnan(ChiSquareCriticalValue(0.01, 0)));
}

TEST(Distributions, SidakAlphaKeepsTheFamilyLevel) {
  const double a = SidakAlpha(0.01, 961);
  EXPECT_NEAR(1.0 - std::pow(1.0 - a, 961.0), 0.01, 1e-12);
  EXPECT_NEAR(a, 1.0458e-5, 1e-9);
  EXPECT_EQ(SidakAlpha(0.01, 1), 0.01);
}

}  // namespace
}  // namespace movexa
