// Folds and per-period statistics of the periodograms. The loops are written for speed: a fold
// adds whole cycles column by column (vectorisable), the lagged products use four partial sums
// in a fixed order, so the same values always give the same bits on any thread.
#include "analysis/periodogram_kernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace movexa::periodogram_detail {

Centred Centre(std::span<const double> values) {
  Centred c;
  const auto n = static_cast<double>(values.size());
  if (values.empty()) return c;
  c.y.assign(values.size(), 0.0);
  // A series that does not vary is centred to exact zeros (a rounded mean would leave a
  // residue that the ratios below would blow up): `squares` is 0 exactly then.
  if (std::all_of(values.begin(), values.end(), [&](double v) { return v == values[0]; })) {
    c.mean = values[0];
    return c;
  }
  double sum = 0;
  for (double v : values) sum += v;
  c.mean = sum / n;
  for (size_t i = 0; i < values.size(); ++i) c.y[i] = values[i] - c.mean;
  for (double v : c.y) c.squares += v * v;
  return c;
}

void FoldColumns(const double* __restrict x, int64_t count, int64_t period,
                 double* __restrict sums) {
  std::fill(sums, sums + period, 0.0);
  int64_t start = 0;
  for (; start + period <= count; start += period) {
    const double* __restrict row = x + start;
    for (int64_t h = 0; h < period; ++h) sums[h] += row[h];
  }
  for (int64_t h = 0; start + h < count; ++h) sums[h] += x[start + h];
}

void FoldByPhase(const double* x, const int64_t* phase, int64_t count, int64_t period,
                 double* sums) {
  std::fill(sums, sums + period, 0.0);
  if (count == 0) return;
  int64_t column = phase[0] % period;
  sums[column] += x[0];
  for (int64_t i = 1; i < count; ++i) {
    const int64_t step = phase[i] - phase[i - 1];
    column += step < period ? step : step % period;
    if (column >= period) column -= period;
    sums[column] += x[i];
  }
}

double QpOfCentred(const Centred& c, int64_t period, ChiSquareVariant variant, double* sums) {
  const auto n = static_cast<int64_t>(c.y.size());
  if (period < 1 || n < period || !(c.squares > 0)) return 0;
  const int64_t cycles = n / period;
  if (variant == ChiSquareVariant::kAllData) {
    // Every value: columns h < n mod period hold one value more (the partial last cycle).
    FoldColumns(c.y.data(), n, period, sums);
    const int64_t longer = n % period;
    double between = 0;
    for (int64_t h = 0; h < period; ++h) {
      const double columnMean = sums[h] / static_cast<double>(cycles + (h < longer ? 1 : 0));
      between += columnMean * columnMean;  // (M_h - M)^2, the values being centred on M
    }
    const double k = static_cast<double>(n) / static_cast<double>(period);
    return k * static_cast<double>(n) * between / c.squares;
  }
  // Complete cycles only: their own grand mean and sum of squares.
  const int64_t used = cycles * period;
  FoldColumns(c.y.data(), used, period, sums);
  double total = 0;
  for (int64_t h = 0; h < period; ++h) total += sums[h];
  const double shift = total / static_cast<double>(used);  // mean of the used values, centred
  double left = 0;
  for (int64_t i = used; i < n; ++i) left += c.y[i] * c.y[i];
  const double squares = (c.squares - left) - static_cast<double>(used) * shift * shift;
  if (!(squares > 1e-12 * c.squares)) return 0;
  double between = 0;
  for (int64_t h = 0; h < period; ++h) {
    const double d = sums[h] / static_cast<double>(cycles) - shift;
    between += d * d;
  }
  return static_cast<double>(cycles) * static_cast<double>(used) * between / squares;
}

double AutocorrelationOfCentred(const Centred& c, int64_t lag) {
  const auto n = static_cast<int64_t>(c.y.size());
  if (lag < 0 || lag >= n || !(c.squares > 0)) return 0;
  const double* __restrict a = c.y.data();
  const double* __restrict b = c.y.data() + lag;
  const int64_t pairs = n - lag;
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int64_t i = 0;
  for (; i + 4 <= pairs; i += 4) {
    s0 += a[i] * b[i];
    s1 += a[i + 1] * b[i + 1];
    s2 += a[i + 2] * b[i + 2];
    s3 += a[i + 3] * b[i + 3];
  }
  for (; i < pairs; ++i) s0 += a[i] * b[i];
  return ((s0 + s1) + (s2 + s3)) / c.squares;
}

void FourierSums(const double* sums, int64_t period, double& cosSum, double& sinSum) {
  cosSum = 0;
  sinSum = 0;
  const double step = 2.0 * std::numbers::pi / static_cast<double>(period);
  const double wc = std::cos(step), ws = std::sin(step);
  double zc = 1, zs = 0;
  for (int64_t h = 0; h < period; ++h) {
    if (h % 64 == 0) {
      // Restart the rotation from exact values now and then: no drift over long periods.
      zc = std::cos(step * static_cast<double>(h));
      zs = std::sin(step * static_cast<double>(h));
    }
    cosSum += sums[h] * zc;
    sinSum += sums[h] * zs;
    const double next = zc * wc - zs * ws;
    zs = zc * ws + zs * wc;
    zc = next;
  }
}

}  // namespace movexa::periodogram_detail
