// Periodogram plans (periods, significance lines, Lomb-Scargle phase terms), per-animal
// periodograms and their peaks.
#include "analysis/periodogram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <numeric>
#include <optional>

#include "analysis/distributions.h"
#include "analysis/periodogram_kernels.h"

namespace movexa {

namespace pd = periodogram_detail;

namespace {

// Two cycles of the longest period tested are the least a period can be estimated from.
constexpr int64_t kCyclesNeeded = 2;

std::string Figure(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.6g", v);
  return buffer;
}

PeriodogramPlan Refuse(PeriodogramPlan plan, std::string why) {
  plan.status = PeriodogramStatus::kRefused;
  plan.note = std::move(why);
  plan.periodBins.clear();
  plan.threshold.clear();
  return plan;
}

// Per-period Lomb-Scargle terms that depend on the times only: the shift tau from
// tan(2 omega tau) = sum sin(2 omega t) / sum cos(2 omega t), and sum cos^2, sum sin^2 at tau.
void PlanLombScargle(PeriodogramPlan& plan) {
  const auto n = static_cast<int64_t>(plan.phase.size());
  const std::vector<double> ones(plan.phase.size(), 1.0);
  std::vector<double> counts;
  for (size_t i = 0; i < plan.Periods(); ++i) {
    const int64_t period = plan.periodBins[i] * plan.binMinutes / plan.phaseUnitMinutes;
    counts.resize(static_cast<size_t>(period));
    pd::FoldByPhase(ones.data(), plan.phase.data(), n, period, counts.data());
    // cos(2 omega t) at phase h is cos(2 pi (2h mod period) / period): move each column's count
    // to column 2h mod period and take the Fourier sums of that.
    std::vector<double> doubled(static_cast<size_t>(period), 0.0);
    for (int64_t h = 0; h < period; ++h)
      doubled[static_cast<size_t>((2 * h) % period)] += counts[h];
    double c2 = 0, s2 = 0;
    pd::FourierSums(doubled.data(), period, c2, s2);
    const double r = std::hypot(c2, s2);
    const double twoOmegaTau = r > 0 ? std::atan2(s2, c2) : 0.0;
    plan.cosTau.push_back(std::cos(twoOmegaTau / 2.0));
    plan.sinTau.push_back(std::sin(twoOmegaTau / 2.0));
    plan.cosSquares.push_back((static_cast<double>(n) + r) / 2.0);
    plan.sinSquares.push_back((static_cast<double>(n) - r) / 2.0);
  }
}

double LombScargleThreshold(const PeriodogramPlan& plan) {
  const double maxFrequency = 1.0 / static_cast<double>(plan.periodBins.front() * plan.binMinutes);
  double lo = 0, hi = 1;
  for (int i = 0; i < 200 && hi - lo > 1e-15; ++i) {
    const double mid = (lo + hi) / 2;
    if (BaluevFalseAlarm(mid, plan.bins, maxFrequency, plan.effectiveBaselineMinutes) >
        plan.options.alpha) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return hi;
}

double PeakProbability(const PeriodogramPlan& plan, size_t i, double value) {
  switch (plan.options.method) {
    case PeriodogramMethod::kChiSquare: {
      const auto df = static_cast<double>(
          plan.periodBins[i] - (plan.options.variant == ChiSquareVariant::kClassic ? 1 : 0));
      return ChiSquareUpperTail(value, df);
    }
    case PeriodogramMethod::kLombScargle:
      return BaluevFalseAlarm(value, plan.bins,
                              1.0 / static_cast<double>(plan.periodBins.front() * plan.binMinutes),
                              plan.effectiveBaselineMinutes);
    case PeriodogramMethod::kAutocorrelation:
      return 0.5 *
             std::erfc(value * std::sqrt(static_cast<double>(plan.bins)) / std::numbers::sqrt2);
  }
  return 1;
}

}  // namespace

PeriodogramPlan PlanPeriodogram(const PeriodogramOptions& options,
                                std::span<const int64_t> timesMinutes, int64_t binMinutes) {
  PeriodogramPlan plan;
  plan.options = options;
  plan.binMinutes = binMinutes;
  plan.bins = static_cast<int64_t>(timesMinutes.size());
  if (!(options.alpha > 0 && options.alpha < 1))
    return Refuse(plan, "alpha must lie between 0 and 1");
  if (!(options.minPeriodHours > 0) || !(options.maxPeriodHours >= options.minPeriodHours) ||
      !std::isfinite(options.maxPeriodHours)) {
    return Refuse(plan, "the period range is not a range of positive hours");
  }
  const BinGridCheck grid = CheckBinGrid(timesMinutes, binMinutes);
  if (!grid.usable) return Refuse(plan, grid.problem);
  const double bin = static_cast<double>(binMinutes);
  const auto first = static_cast<int64_t>(std::ceil(options.minPeriodHours * 60.0 / bin - 1e-9));
  const auto last = static_cast<int64_t>(std::floor(options.maxPeriodHours * 60.0 / bin + 1e-9));
  if (last < first) {
    return Refuse(plan, "no whole number of " + std::to_string(binMinutes) +
                            "-minute bins lies between " + HoursText(options.minPeriodHours) +
                            " and " + HoursText(options.maxPeriodHours) + " h");
  }
  if (first < 2) {
    return Refuse(plan, "the shortest period tested must span at least 2 bins (" +
                            HoursText(2 * bin / 60.0) + " h)");
  }
  const int64_t coveredMinutes = timesMinutes.back() - timesMinutes.front() + binMinutes;
  const int64_t longestMinutes = last * binMinutes;
  if (plan.bins < 4) {
    return Refuse(plan, "only " + std::to_string(plan.bins) +
                            " measured bins: no period can be estimated");
  }
  if (coveredMinutes < kCyclesNeeded * longestMinutes) {
    return Refuse(plan, "the bins cover " + HoursText(static_cast<double>(coveredMinutes) / 60.0) +
                            " h, fewer than two cycles of the longest period tested (" +
                            HoursText(static_cast<double>(longestMinutes) / 60.0) +
                            " h): no period can be estimated");
  }
  plan.evenGrid = grid.Complete();
  if (options.method != PeriodogramMethod::kLombScargle && !plan.evenGrid) {
    return Refuse(plan, "evenly spaced bins are needed and the bins have " + DescribeGaps(grid) +
                            "; nothing is filled in: Lomb-Scargle analyses the measured bins");
  }
  for (int64_t p = first; p <= last; ++p) plan.periodBins.push_back(p);
  const auto n = static_cast<double>(plan.Periods());

  switch (options.method) {
    case PeriodogramMethod::kChiSquare:
      if (options.variant == ChiSquareVariant::kAllData) {
        plan.testAlpha = SidakAlpha(options.alpha, n);
        for (int64_t p : plan.periodBins) {
          plan.threshold.push_back(ChiSquareCriticalValue(plan.testAlpha, static_cast<double>(p)));
        }
      } else {
        plan.testAlpha = options.alpha;
        for (int64_t p : plan.periodBins) {
          plan.threshold.push_back(
              ChiSquareCriticalValue(options.alpha, static_cast<double>(p - 1)));
        }
      }
      break;
    case PeriodogramMethod::kAutocorrelation:
      plan.threshold.assign(plan.Periods(), NormalQuantile(1.0 - options.alpha) /
                                                std::sqrt(static_cast<double>(plan.bins)));
      break;
    case PeriodogramMethod::kLombScargle: {
      int64_t unit = binMinutes;
      for (int64_t t : timesMinutes) unit = std::gcd(unit, t - timesMinutes.front());
      plan.phaseUnitMinutes = unit;
      plan.phase.reserve(timesMinutes.size());
      double mean = 0;
      for (int64_t t : timesMinutes) {
        plan.phase.push_back((t - timesMinutes.front()) / unit);
        mean += static_cast<double>(t - timesMinutes.front());
      }
      mean /= static_cast<double>(plan.bins);
      double variance = 0;
      for (int64_t t : timesMinutes) {
        const double d = static_cast<double>(t - timesMinutes.front()) - mean;
        variance += d * d;
      }
      variance /= static_cast<double>(plan.bins);
      plan.effectiveBaselineMinutes = std::sqrt(4.0 * std::numbers::pi * variance);
      PlanLombScargle(plan);
      plan.threshold.assign(plan.Periods(), LombScargleThreshold(plan));
      break;
    }
  }
  plan.status = PeriodogramStatus::kAnalysed;
  if (!plan.evenGrid) plan.note = "measured bins only: " + DescribeGaps(grid);
  return plan;
}

Periodogram ComputePeriodogram(const PeriodogramPlan& plan, std::span<const double> values) {
  Periodogram out;
  if (plan.status != PeriodogramStatus::kAnalysed) {
    out.note = plan.note;
    return out;
  }
  if (static_cast<int64_t>(values.size()) != plan.bins) {
    out.note = "values and bin times differ in number";
    return out;
  }
  for (double v : values) {
    if (!std::isfinite(v)) {
      out.note = "a value is not a number";
      return out;
    }
  }
  const pd::Centred c = pd::Centre(values);
  out.values.assign(plan.Periods(), 0.0);
  if (!(c.squares > 0)) {
    out.status = PeriodogramStatus::kNoVariation;
    out.note = "every bin holds " + Figure(c.mean) + ": no variation, no rhythm";
    return out;
  }
  std::vector<double> sums;
  for (size_t i = 0; i < plan.Periods(); ++i) {
    const int64_t p = plan.periodBins[i];
    switch (plan.options.method) {
      case PeriodogramMethod::kChiSquare:
        sums.resize(static_cast<size_t>(p));
        out.values[i] = pd::QpOfCentred(c, p, plan.options.variant, sums.data());
        break;
      case PeriodogramMethod::kAutocorrelation:
        out.values[i] = pd::AutocorrelationOfCentred(c, p);
        break;
      case PeriodogramMethod::kLombScargle: {
        const int64_t period = p * plan.binMinutes / plan.phaseUnitMinutes;
        sums.resize(static_cast<size_t>(period));
        if (plan.evenGrid) {
          pd::FoldColumns(c.y.data(), plan.bins, period, sums.data());
        } else {
          pd::FoldByPhase(c.y.data(), plan.phase.data(), plan.bins, period, sums.data());
        }
        double cs = 0, sn = 0;
        pd::FourierSums(sums.data(), period, cs, sn);
        const double yc = cs * plan.cosTau[i] + sn * plan.sinTau[i];
        const double ys = sn * plan.cosTau[i] - cs * plan.sinTau[i];
        // A vanishing sum of squares (all bins at one phase) carries no power of its own.
        const double floor = 1e-12 * static_cast<double>(plan.bins);
        double power = 0;
        if (plan.cosSquares[i] > floor) power += yc * yc / plan.cosSquares[i];
        if (plan.sinSquares[i] > floor) power += ys * ys / plan.sinSquares[i];
        out.values[i] = std::clamp(power / c.squares, 0.0, 1.0);
        break;
      }
    }
  }
  out.status = PeriodogramStatus::kAnalysed;
  for (size_t i : PeaksAboveLine(out.values, plan.threshold)) {
    PeriodogramPeak peak;
    peak.periodBins = plan.periodBins[i];
    peak.periodHours = plan.PeriodHours(i);
    peak.value = out.values[i];
    peak.threshold = plan.threshold[i];
    peak.probability = PeakProbability(plan, i, peak.value);
    out.peaks.push_back(peak);
  }
  out.note = plan.note;
  if (out.peaks.empty()) {
    if (!out.note.empty()) out.note += "; ";
    out.note += "no peak above the significance line: no rhythm";
  }
  return out;
}

double ChiSquareQp(std::span<const double> values, int64_t periodBins, ChiSquareVariant variant) {
  const pd::Centred c = pd::Centre(values);
  std::vector<double> sums(static_cast<size_t>(std::max<int64_t>(periodBins, 1)));
  return pd::QpOfCentred(c, periodBins, variant, sums.data());
}

double Autocorrelation(std::span<const double> values, int64_t lag) {
  return pd::AutocorrelationOfCentred(pd::Centre(values), lag);
}

double LombScarglePower(std::span<const double> values, std::span<const double> timesMinutes,
                        double periodMinutes) {
  if (values.size() != timesMinutes.size() || values.empty() || !(periodMinutes > 0)) return 0;
  const pd::Centred c = pd::Centre(values);
  if (!(c.squares > 0)) return 0;
  const double omega = 2.0 * std::numbers::pi / periodMinutes;
  double s2 = 0, c2 = 0;
  for (double t : timesMinutes) {
    s2 += std::sin(2.0 * omega * t);
    c2 += std::cos(2.0 * omega * t);
  }
  const double tau = std::atan2(s2, c2) / (2.0 * omega);
  double yc = 0, ys = 0, cc = 0, ss = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    const double a = omega * (timesMinutes[i] - tau);
    yc += c.y[i] * std::cos(a);
    ys += c.y[i] * std::sin(a);
    cc += std::cos(a) * std::cos(a);
    ss += std::sin(a) * std::sin(a);
  }
  const double floor = 1e-12 * static_cast<double>(values.size());
  double power = 0;
  if (cc > floor) power += yc * yc / cc;
  if (ss > floor) power += ys * ys / ss;
  return power / c.squares;
}

double BaluevFalseAlarm(double z, int64_t bins, double maxFrequency, double baselineMinutes) {
  if (!(z > 0)) return 1;
  if (!(z < 1)) return 0;
  if (bins < 4) return 1;
  const auto n = static_cast<double>(bins);
  const double nh = n - 1;  // degrees of freedom of the constant model
  const double nk = n - 3;  // and of the sinusoid
  const double single = std::pow(1 - z, 0.5 * nk);
  const double gamma = std::sqrt(2.0 / nh) * std::exp(LogGamma(nh / 2) - LogGamma((nh - 1) / 2));
  const double w = maxFrequency * baselineMinutes;
  const double tau = gamma * w * std::pow(1 - z, 0.5 * (nk - 1)) * std::sqrt(0.5 * nh * z);
  return std::clamp(-std::expm1(-tau) + single * std::exp(-tau), 0.0, 1.0);
}

std::vector<size_t> PeaksAboveLine(std::span<const double> values, std::span<const double> line) {
  const size_t n = std::min(values.size(), line.size());
  // Interior local maxima; a plateau counts once, at its middle.
  std::vector<uint8_t> maximum(n, 0);
  for (size_t i = 1; i + 1 < n;) {
    if (!(values[i] > values[i - 1])) {
      ++i;
      continue;
    }
    size_t j = i;  // the end of a plateau starting at i
    while (j + 1 < n && values[j + 1] == values[i]) ++j;
    if (j + 1 < n && values[j + 1] < values[i]) maximum[(i + j) / 2] = 1;
    i = j + 1;
  }
  // One peak per excursion above the line, at its local maximum highest above the line: the
  // wiggles of noise on one broad peak are not peaks of their own.
  std::vector<size_t> peaks;
  for (size_t i = 0; i < n;) {
    if (!(values[i] > line[i])) {
      ++i;
      continue;
    }
    std::optional<size_t> best;
    for (; i < n && values[i] > line[i]; ++i) {
      if (maximum[i] && (!best || values[i] - line[i] > values[*best] - line[*best])) best = i;
    }
    if (best) peaks.push_back(*best);
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [&](size_t a, size_t b) { return values[a] - line[a] > values[b] - line[b]; });
  if (peaks.size() > kMaxPeaks) peaks.resize(kMaxPeaks);
  return peaks;
}

std::string MethodText(const PeriodogramOptions& options) {
  switch (options.method) {
    case PeriodogramMethod::kChiSquare:
      return options.variant == ChiSquareVariant::kAllData
                 ? "chi-square (Sokolove-Bushell), all data: every value, the last cycle partial, "
                   "K = N / P"
                 : "chi-square (Sokolove-Bushell), classic: complete cycles only, K = floor(N / P)";
    case PeriodogramMethod::kLombScargle:
      return "Lomb-Scargle, normalised power (0..1) of the values less their mean";
    case PeriodogramMethod::kAutocorrelation:
      return "autocorrelation r_k at lag k = the period in bins";
  }
  return {};
}

std::string SignificanceText(const PeriodogramPlan& plan) {
  const auto& o = plan.options;
  const std::string alpha = Figure(o.alpha);
  if (plan.status != PeriodogramStatus::kAnalysed) return "none (no periodogram)";
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      if (o.variant == ChiSquareVariant::kAllData) {
        return "chi2 critical value with df = P at alpha' = 1 - (1 - " + alpha + ")^(1/" +
               std::to_string(plan.Periods()) + ") = " + Figure(plan.testAlpha) + " (Sidak over " +
               std::to_string(plan.Periods()) + " periods tested)";
      }
      return "chi2 critical value with df = P - 1 at alpha = " + alpha + " per period";
    case PeriodogramMethod::kLombScargle:
      return "power " + Figure(plan.threshold.front()) +
             ", where the Baluev false-alarm probability is " + alpha +
             " (N = " + std::to_string(plan.bins) + ", frequencies up to 1/" +
             HoursText(plan.PeriodHours(0)) + " h, effective baseline " +
             Figure(plan.effectiveBaselineMinutes / 60.0) + " h)";
    case PeriodogramMethod::kAutocorrelation:
      return "z_{1-alpha} / sqrt(N) = " + Figure(NormalQuantile(1.0 - o.alpha)) + " / sqrt(" +
             std::to_string(plan.bins) + ") = " + Figure(plan.threshold.front()) +
             " at alpha = " + alpha;
  }
  return {};
}

}  // namespace movexa
