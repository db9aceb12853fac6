// Periodograms of one animal's activity over a range of periods in steps of one bin:
// chi-square (Sokolove-Bushell, all-data or classic complete-cycles variant), Lomb-Scargle
// with the Baluev false-alarm probability, and the autocorrelation, each with its
// significance line at a chosen alpha, and the peaks that rise above it.
//
// Everything that depends only on the bin times and the options (the periods tested, the
// significance lines, the Lomb-Scargle phase terms) is computed once in a PeriodogramPlan and
// shared by every animal of the acquisition; the per-animal work is O(N) per period.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/binned_series.h"

namespace movexa {

enum class PeriodogramMethod { kChiSquare, kLombScargle, kAutocorrelation };
enum class ChiSquareVariant {
  kAllData,  // every value, the last cycle partial; df = P, Sidak-corrected alpha
  kClassic,  // complete cycles only; df = P - 1, alpha per period
};

struct PeriodogramOptions {
  PeriodogramMethod method = PeriodogramMethod::kChiSquare;
  ChiSquareVariant variant = ChiSquareVariant::kAllData;
  double minPeriodHours = 16.0;
  double maxPeriodHours = 32.0;
  double alpha = 0.01;
};

enum class PeriodogramStatus {
  kAnalysed,     // values computed; `peaks` holds those above the line (possibly none)
  kNoVariation,  // every bin holds the same value (all zero included): no rhythm
  kRefused,      // no period can be estimated: `note` says why
};

// What all animals of one acquisition share.
struct PeriodogramPlan {
  PeriodogramOptions options;
  PeriodogramStatus status = PeriodogramStatus::kRefused;
  std::string note;  // the refusal, or what the reader must know
  int64_t binMinutes = 0;
  int64_t bins = 0;                     // N: measured bins of every series
  std::vector<int64_t> periodBins;      // periods tested, consecutive whole bins
  std::vector<double> threshold;        // significance line per period
  double testAlpha = 0;                 // chi-square: the level of each period's line
  double effectiveBaselineMinutes = 0;  // Lomb-Scargle: sqrt(4 pi Var(t)) of the Baluev bound
  bool evenGrid = false;                // the bins are complete and evenly spaced

  // Lomb-Scargle: each bin's time as a whole number of phase units from the first bin, and per
  // period the shift tau's cosine and sine and the sums of cos^2 and sin^2 at tau.
  int64_t phaseUnitMinutes = 0;
  std::vector<int64_t> phase;
  std::vector<double> cosTau, sinTau, cosSquares, sinSquares;

  size_t Periods() const { return periodBins.size(); }
  double PeriodHours(size_t i) const {
    return static_cast<double>(periodBins[i] * binMinutes) / 60.0;
  }
};

// One peak of a periodogram above its significance line.
struct PeriodogramPeak {
  int64_t periodBins = 0;
  double periodHours = 0;
  double value = 0;        // Qp, normalised power or r_k
  double threshold = 0;    // the line at that period
  double probability = 0;  // chi-square: upper-tail p of Qp; Lomb-Scargle: Baluev false-alarm
                           // probability; autocorrelation: one-sided normal p of r_k sqrt(N)
};

struct Periodogram {
  PeriodogramStatus status = PeriodogramStatus::kRefused;
  std::string note;
  std::vector<double> values;          // per plan period; empty when refused
  std::vector<PeriodogramPeak> peaks;  // up to kMaxPeaks, highest above the line first

  bool Rhythmic() const { return status == PeriodogramStatus::kAnalysed && !peaks.empty(); }
};

inline constexpr size_t kMaxPeaks = 3;

// The plan for series measured at `timesMinutes` in bins of `binMinutes`. Refused when the
// range is not a range of at least two bins, when the bins cover fewer than two cycles of the
// longest period tested, or (chi-square and autocorrelation, which need evenly spaced bins)
// when bins are missing or irregular: never filled in, the figures are stated instead.
PeriodogramPlan PlanPeriodogram(const PeriodogramOptions& options,
                                std::span<const int64_t> timesMinutes, int64_t binMinutes);

// The periodogram of one animal's values (one per bin time of the plan).
Periodogram ComputePeriodogram(const PeriodogramPlan& plan, std::span<const double> values);

// The per-period kernels over evenly spaced bins, exposed for tests of the definitions:
// Qp at `periodBins` (values outside the complete cycles left out by the classic variant);
// r_k at lag k. Both return 0 when the values do not vary.
double ChiSquareQp(std::span<const double> values, int64_t periodBins, ChiSquareVariant variant);
double Autocorrelation(std::span<const double> values, int64_t lag);

// Normalised Lomb-Scargle power (0..1) at `periodMinutes` for values at any times (minutes).
// Evaluated directly, O(N) trigonometric terms: the reference the plan's folded sums are
// tested against.
double LombScarglePower(std::span<const double> values, std::span<const double> timesMinutes,
                        double periodMinutes);

// Baluev's false-alarm probability of normalised power z for N bins, frequencies up to
// `maxFrequency` (per minute) and effective baseline `baselineMinutes`.
double BaluevFalseAlarm(double z, int64_t bins, double maxFrequency, double baselineMinutes);

// The peaks above a line: for each run of values above it, the interior local maximum (a
// plateau counts once, at its middle) highest above it; a run whose only maximum is an end of
// the range has none. Highest above the line first, at most kMaxPeaks.
std::vector<size_t> PeaksAboveLine(std::span<const double> values, std::span<const double> line);

// Text of the method and variant for output headers ("chi-square (Sokolove-Bushell), all data").
std::string MethodText(const PeriodogramOptions& options);
// Text of how the significance line is drawn, with its figures for this plan.
std::string SignificanceText(const PeriodogramPlan& plan);

}  // namespace movexa
