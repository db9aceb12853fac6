// Rounding rules of the system: every conversion of a computed value to a whole number takes
// the nearest whole number with halves to even (round(2.5) = 2, round(3.5) = 4); Int(x) is the
// largest whole number not greater than x.
#pragma once

#include <cstdint>
#include <optional>

namespace movexa {

// Nearest whole number, halves to even. Values beyond the int64 range saturate.
int64_t RoundHalfEven(double x);

// Mean of whole numbers rounded like RoundHalfEven, in exact integer arithmetic:
// numerator / denominator to the nearest whole number, halves to even. `denominator` > 0.
int64_t RoundHalfEvenDiv(int64_t numerator, int64_t denominator);

// Largest whole number not greater than x (floor). Values beyond the int64 range saturate.
int64_t Int(double x);

// Rounds like RoundHalfEven and checks the 16-bit range; nullopt when the result does not fit
// (or x is not a number). Used where a stored 16-bit field would otherwise overflow.
std::optional<int16_t> RoundToInt16(double x);

// Clamps a whole number into the 16-bit signed range.
int16_t SaturateInt16(int64_t v);

}  // namespace movexa
