// Rounding helpers: halves to even, floor, 16-bit checked conversions.
#include "base/rounding.h"

#include <cmath>
#include <limits>

namespace movexa {

namespace {
constexpr double kInt64Max = 9.2233720368547748e18;
}

int64_t RoundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  if (x >= kInt64Max) return std::numeric_limits<int64_t>::max();
  if (x <= -kInt64Max) return std::numeric_limits<int64_t>::min();
  // std::nearbyint follows the current rounding mode, which is round-to-nearest-even unless
  // someone changed it; do the tie handling explicitly so the result never depends on it.
  double floorValue = std::floor(x);
  double diff = x - floorValue;
  auto f = static_cast<int64_t>(floorValue);
  if (diff > 0.5) return f + 1;
  if (diff < 0.5) return f;
  return (f % 2 == 0) ? f : f + 1;
}

int64_t RoundHalfEvenDiv(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {  // make the remainder non-negative: q is then the floor
    q -= 1;
    r += denominator;
  }
  int64_t twice = 2 * r;
  if (twice > denominator || (twice == denominator && q % 2 != 0)) ++q;
  return q;
}

int64_t Int(double x) {
  if (std::isnan(x)) return 0;
  if (x >= kInt64Max) return std::numeric_limits<int64_t>::max();
  if (x <= -kInt64Max) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(std::floor(x));
}

std::optional<int16_t> RoundToInt16(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  int64_t r = RoundHalfEven(x);
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(r);
}

int16_t SaturateInt16(int64_t v) {
  if (v < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  if (v > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(v);
}

}  // namespace movexa
