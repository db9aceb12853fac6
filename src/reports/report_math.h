// Exact whole-number arithmetic of the report tables: quotients rounded to the nearest whole
// number with halves to even, computed on integers so that no floating-point residue can tip
// a tie.
#pragma once

#include <cstdint>

namespace movexa {

__extension__ using ReportWide = __int128;

// round(num / den), halves to even, on 128-bit values (sums of counts times 0.02-minute steps
// times records can pass 64 bits); den must be positive. RoundHalfEvenDiv is the 64-bit one.
inline ReportWide RoundRatio(ReportWide num, ReportWide den) {
  ReportWide q = num / den;
  ReportWide r = num % den;
  if (r < 0) {  // make the remainder non-negative: num = q * den + r, 0 <= r < den
    r += den;
    q -= 1;
  }
  ReportWide twice = 2 * r;
  if (twice > den || (twice == den && q % 2 != 0)) q += 1;
  return q;
}

}  // namespace movexa
