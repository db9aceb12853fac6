// Number patterns the system shows and writes: "0", "0.0", "0.00", "00", "000", "00000".
// A pattern is a run of zeros (the minimum number of integer digits), optionally followed by
// "." and a run of zeros (the number of decimals); characters after it are copied ("000_"). Rounding is halves to even on the decimal
// value shown (2.25 with "0.0" gives "2.2", 2.35 gives "2.4").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace movexa {

std::string FormatNumber(double value, std::string_view pattern);
// Whole number with at least `digits` digits ("00000" for digits = 5): 1 -> "00001".
std::string ZeroPad(int64_t value, int digits);

}  // namespace movexa
