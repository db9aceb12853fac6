// Bin-grid check of a series and small texts shared by the rhythm analyses.
#include "analysis/binned_series.h"

#include <cmath>
#include <cstdio>

namespace movexa {

BinGridCheck CheckBinGrid(std::span<const int64_t> t, int64_t binMinutes) {
  BinGridCheck check;
  if (binMinutes <= 0) {
    check.problem = "the bin length is not positive";
    return check;
  }
  if (t.empty()) {
    check.problem = "no measured bins";
    return check;
  }
  check.onGrid = true;
  for (size_t i = 1; i < t.size(); ++i) {
    const int64_t step = t[i] - t[i - 1];
    if (step <= 0) {
      check.onGrid = false;
      check.problem = step == 0 ? "a bin time is duplicated" : "bin times go backwards";
      return check;
    }
    if (step > check.largestGapMinutes) check.largestGapMinutes = step;
    if ((t[i] - t[0]) % binMinutes != 0) check.onGrid = false;
  }
  check.usable = true;
  if (check.onGrid) {
    const int64_t gridBins = (t.back() - t.front()) / binMinutes + 1;
    check.missingBins = gridBins - static_cast<int64_t>(t.size());
  }
  return check;
}

std::string DescribeGaps(const BinGridCheck& check) {
  if (!check.usable) return check.problem;
  std::string text;
  if (!check.onGrid) text = "irregular bin length, ";
  text += std::to_string(check.missingBins) + " missing bins, largest gap " +
          std::to_string(check.largestGapMinutes) + " min";
  return text;
}

std::string HoursText(double hours) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f", hours);
  std::string text = buffer;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

}  // namespace movexa
