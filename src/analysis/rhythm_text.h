// Number cells of the rhythm files, written fast enough for matrices of millions of cells:
// the same text as Decimal (at most four decimals, trailing zeros removed, never "nan").
#pragma once

#include <string>

namespace movexa {

// Appends `value` as Decimal(value) would write it.
void AppendDecimal(std::string& out, double value);

// A probability with three significant digits ("0.00123", "1.2e-45"); empty when not finite.
std::string ProbabilityText(double p);

}  // namespace movexa
