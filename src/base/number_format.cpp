// Number patterns ("0.0", "00000", ...) with halves-to-even rounding and "." as decimal point.
#include "base/number_format.h"

#include <cmath>
#include <cstdlib>

#include "base/rounding.h"

namespace movexa {

std::string ZeroPad(int64_t value, int digits) {
  bool negative = value < 0;
  std::string d = std::to_string(negative ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
  if (static_cast<int>(d.size()) < digits) d.insert(0, static_cast<size_t>(digits) - d.size(), '0');
  return negative ? "-" + d : d;
}

std::string FormatNumber(double value, std::string_view pattern) {
  // The number part is the leading run of "0" and "."; what follows is copied ("000_" -> 007_).
  size_t numberEnd = 0;
  while (numberEnd < pattern.size() && (pattern[numberEnd] == '0' || pattern[numberEnd] == '.')) {
    ++numberEnd;
  }
  if (numberEnd < pattern.size()) {
    return FormatNumber(value, pattern.substr(0, numberEnd)) + std::string(pattern.substr(numberEnd));
  }
  size_t point = pattern.find('.');
  int intDigits = static_cast<int>(point == std::string_view::npos ? pattern.size() : point);
  int decimals = point == std::string_view::npos ? 0 : static_cast<int>(pattern.size() - point - 1);
  if (intDigits < 1) intDigits = 1;
  if (!std::isfinite(value)) value = 0;
  double scale = std::pow(10.0, decimals);
  // Scale in decimal first so that 0.15 with "0.0" rounds as the operator reads it.
  int64_t scaled = RoundHalfEven(value * scale);
  bool negative = scaled < 0;
  uint64_t mag = negative ? -static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  uint64_t p = 1;
  for (int i = 0; i < decimals; ++i) p *= 10;
  std::string out = negative ? "-" : "";
  out += ZeroPad(static_cast<int64_t>(mag / p), intDigits);
  if (decimals > 0) {
    out += '.';
    out += ZeroPad(static_cast<int64_t>(mag % p), decimals);
  }
  return out;
}

}  // namespace movexa
