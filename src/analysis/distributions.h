// The few distribution functions the periodograms need for their significance lines: the
// log-gamma function, the regularised incomplete gamma functions, the chi-square upper tail
// and critical value, and the standard normal quantile. Own implementations (no global state,
// safe to call from several threads at once).
#pragma once

namespace movexa {

// ln Gamma(x) for x > 0 (Lanczos approximation, relative error about 1e-15).
double LogGamma(double x);

// Regularised lower and upper incomplete gamma functions P(a, x) and Q(a, x) = 1 - P(a, x),
// for a > 0 and x >= 0. Each is computed directly where it is small, so Q keeps its relative
// precision far out in the tail (Q(a, x) of 1e-12 is not 1 - 0.999999999999).
double RegularizedGammaP(double a, double x);
double RegularizedGammaQ(double a, double x);

// Probability that a chi-square variable with `df` degrees of freedom exceeds x.
double ChiSquareUpperTail(double x, double df);

// The critical value chi2_{1-alpha}(df): the x whose upper tail is `alpha` (0 < alpha < 1,
// df > 0). Wilson-Hilferty start, then safeguarded Newton steps on ln Q.
double ChiSquareCriticalValue(double alpha, double df);

// The standard normal quantile z_p (0 < p < 1): Acklam's rational approximation refined by a
// Halley step on erfc, good to about 1e-15 relative.
double NormalQuantile(double p);

// The per-test level that keeps the chance of any false positive among `tests` independent
// tests at `alpha` (Sidak): 1 - (1 - alpha)^(1 / tests), computed without cancellation.
double SidakAlpha(double alpha, double tests);

}  // namespace movexa
