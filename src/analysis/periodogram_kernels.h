// The per-period arithmetic the periodograms share: values centred on their mean, column sums
// of a fold at one period, and Qp, r_k and the Lomb-Scargle sums from them. Internal to
// src/analysis; the definitions are tested through periodogram.h.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/periodogram.h"

namespace movexa::periodogram_detail {

// Values less their mean, with the sum of squares about the mean.
struct Centred {
  std::vector<double> y;
  double mean = 0;
  double squares = 0;  // sum of y^2
};
Centred Centre(std::span<const double> values);

// sums[h] = sum of x[i] over i < count with i mod period = h (h < period).
void FoldColumns(const double* x, int64_t count, int64_t period, double* sums);

// sums[h] = sum of x[i] with phase[i] mod period = h, for phases that increase.
void FoldByPhase(const double* x, const int64_t* phase, int64_t count, int64_t period,
                 double* sums);

// Qp at `period` from the centred values; `sums` is scratch of at least `period` entries.
double QpOfCentred(const Centred& c, int64_t period, ChiSquareVariant variant, double* sums);

// r_k of the centred values.
double AutocorrelationOfCentred(const Centred& c, int64_t lag);

// sum_h sums[h] cos(2 pi h / period) and the same with sin, by rotating one unit vector.
void FourierSums(const double* sums, int64_t period, double& cosSum, double& sinSum);

}  // namespace movexa::periodogram_detail
