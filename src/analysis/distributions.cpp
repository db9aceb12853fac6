// Log-gamma, incomplete gamma (series and Lentz continued fraction), chi-square tail and
// critical value, normal quantile.
#include "analysis/distributions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace movexa {

namespace {

constexpr double kEpsilon = 1e-16;
constexpr double kTiny = 1e-300;
constexpr int kMaxIterations = 100000;

// ln of the common factor x^a e^-x / Gamma(a) of both incomplete gamma forms.
double LogPrefactor(double a, double x) {
  return a * std::log(x) - x - LogGamma(a);
}

// P(a, x) by its power series; converges quickly for x < a + 1.
double GammaPSeries(double a, double x) {
  double ap = a;
  double term = 1.0 / a;
  double sum = term;
  for (int n = 0; n < kMaxIterations; ++n) {
    ap += 1.0;
    term *= x / ap;
    sum += term;
    if (std::abs(term) < std::abs(sum) * kEpsilon) break;
  }
  return std::min(1.0, sum * std::exp(LogPrefactor(a, x)));
}

// Q(a, x) by its continued fraction (modified Lentz); converges quickly for x >= a + 1.
double GammaQFraction(double a, double x) {
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny;
  double d = 1.0 / b;
  double h = d;
  for (int i = 1; i < kMaxIterations; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::abs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::abs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double delta = d * c;
    h *= delta;
    if (std::abs(delta - 1.0) < kEpsilon) break;
  }
  return std::min(1.0, std::exp(LogPrefactor(a, x)) * h);
}

// Density of the chi-square distribution with df degrees of freedom at x > 0.
double ChiSquareDensity(double x, double df) {
  const double k = df / 2.0;
  return std::exp((k - 1.0) * std::log(x / 2.0) - x / 2.0 - LogGamma(k)) / 2.0;
}

}  // namespace

double LogGamma(double x) {
  static constexpr std::array<double, 9> kLanczos = {
      0.99999999999980993,  676.5203681218851,     -1259.1392167224028,
      771.32342877765313,   -176.61502916214059,   12.507343278686905,
      -0.13857109526572012, 9.9843695780195716e-6, 1.5056327351493116e-7};
  if (!(x > 0.0)) return std::numeric_limits<double>::infinity();
  if (x < 0.5) {
    // Reflection keeps the approximation in the range where it is accurate.
    return std::log(std::numbers::pi / std::sin(std::numbers::pi * x)) - LogGamma(1.0 - x);
  }
  const double z = x - 1.0;
  double sum = kLanczos[0];
  for (size_t i = 1; i < kLanczos.size(); ++i) sum += kLanczos[i] / (z + static_cast<double>(i));
  const double t = z + 7.5;
  return 0.5 * std::log(2.0 * std::numbers::pi) + (z + 0.5) * std::log(t) - t + std::log(sum);
}

double RegularizedGammaP(double a, double x) {
  if (!(a > 0.0) || !(x > 0.0)) return 0.0;
  return x < a + 1.0 ? GammaPSeries(a, x) : 1.0 - GammaQFraction(a, x);
}

double RegularizedGammaQ(double a, double x) {
  if (!(a > 0.0) || !(x > 0.0)) return 1.0;
  return x < a + 1.0 ? 1.0 - GammaPSeries(a, x) : GammaQFraction(a, x);
}

double ChiSquareUpperTail(double x, double df) {
  return RegularizedGammaQ(df / 2.0, x / 2.0);
}

double ChiSquareCriticalValue(double alpha, double df) {
  if (!(alpha > 0.0) || !(alpha < 1.0) || !(df > 0.0)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  // Wilson-Hilferty: (X / df)^(1/3) is nearly normal with mean 1 - 2/(9 df).
  const double v = 2.0 / (9.0 * df);
  const double cube = 1.0 - v + NormalQuantile(1.0 - alpha) * std::sqrt(v);
  double x = cube > 0.0 ? df * cube * cube * cube : df * 0.5;
  if (!(x > 0.0)) x = df * 0.5;

  // Bracket [lo, hi] with Q(lo) > alpha > Q(hi): Q falls from 1 at 0 towards 0.
  double lo = 0.0;
  double hi = std::max(x, 1.0);
  while (ChiSquareUpperTail(hi, df) > alpha) {
    lo = hi;
    hi *= 2.0;
  }
  const double logAlpha = std::log(alpha);
  for (int i = 0; i < 200; ++i) {
    const double q = ChiSquareUpperTail(x, df);
    if (q > alpha) {
      lo = std::max(lo, x);
    } else {
      hi = std::min(hi, x);
    }
    // Newton on f(x) = ln Q(x) - ln alpha, f'(x) = -density / Q: near-linear in the far tail.
    const double density = ChiSquareDensity(x, df);
    double next =
        (q > 0.0 && density > 0.0) ? x + (std::log(q) - logAlpha) * q / density : (lo + hi) / 2.0;
    if (!(next > lo && next < hi)) next = (lo + hi) / 2.0;
    if (std::abs(next - x) <= 1e-14 * std::max(1.0, x)) return next;
    x = next;
  }
  return x;
}

double NormalQuantile(double p) {
  if (!(p > 0.0) || !(p < 1.0)) {
    if (p == 0.0) return -std::numeric_limits<double>::infinity();
    if (p == 1.0) return std::numeric_limits<double>::infinity();
    return std::numeric_limits<double>::quiet_NaN();
  }
  static constexpr std::array<double, 6> a = {-3.969683028665376e+01, 2.209460984245205e+02,
                                              -2.759285104469687e+02, 1.383577518672690e+02,
                                              -3.066479806614716e+01, 2.506628277459239e+00};
  static constexpr std::array<double, 5> b = {-5.447609879822406e+01, 1.615858368580409e+02,
                                              -1.556989798598866e+02, 6.680131188771972e+01,
                                              -1.328068155288572e+01};
  static constexpr std::array<double, 6> c = {-7.784894002430293e-03, -3.223964580411365e-01,
                                              -2.400758277161838e+00, -2.549732539343734e+00,
                                              4.374664141464968e+00,  2.938163982698783e+00};
  static constexpr std::array<double, 4> d = {7.784695709041462e-03, 3.224671290700398e-01,
                                              2.445134137142996e+00, 3.754408661907416e+00};
  constexpr double kLow = 0.02425;
  auto tail = [&](double q) {
    return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
           ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
  };
  double x;
  if (p < kLow) {
    x = tail(std::sqrt(-2.0 * std::log(p)));
  } else if (p > 1.0 - kLow) {
    x = -tail(std::sqrt(-2.0 * std::log1p(-p)));
  } else {
    const double q = p - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
  }
  // Halley steps on Phi(x) - p, Phi from erfc (accurate in both tails); the upper tail works
  // on 1 - p so that p near 1 keeps its precision.
  for (int step = 0; step < 2; ++step) {
    const double e = p < 0.5 ? 0.5 * std::erfc(-x / std::numbers::sqrt2) - p
                             : (1.0 - p) - 0.5 * std::erfc(x / std::numbers::sqrt2);
    const double u = e * std::sqrt(2.0 * std::numbers::pi) * std::exp(x * x / 2.0);
    x -= u / (1.0 + x * u / 2.0);
  }
  return x;
}

double SidakAlpha(double alpha, double tests) {
  if (!(tests > 1.0)) return alpha;
  return -std::expm1(std::log1p(-alpha) / tests);
}

}  // namespace movexa
