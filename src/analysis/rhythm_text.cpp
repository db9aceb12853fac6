// Fast decimal cells and probability texts.
#include "analysis/rhythm_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace movexa {

void AppendDecimal(std::string& out, double value) {
  if (!std::isfinite(value)) return;
  char buffer[64];
  char* end;
  if (value == std::floor(value) && std::abs(value) < 1e15) {
    end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value)).ptr;
  } else {
    // Fixed with four decimals is rounded exactly as printf("%.4f") rounds.
    end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4).ptr;
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
  }
  if (end - buffer == 2 && buffer[0] == '-' && buffer[1] == '0') {
    out += '0';
    return;
  }
  out.append(buffer, end);
}

std::string ProbabilityText(double p) {
  if (!std::isfinite(p)) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3g", p);
  return buffer;
}

}  // namespace movexa
