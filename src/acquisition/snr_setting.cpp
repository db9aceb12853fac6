// SNR box check, organism presets and the run-start factor.
#include "acquisition/snr_setting.h"

#include <charconv>

#include "acquisition/detection_texts.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"

namespace movexa {

namespace {

constexpr double kDefaultSnr = 1.8;

// The plain decimal number at the start of `text` (blanks skipped, "." as decimal point),
// reading stopping at the first character that cannot continue it; 0 when none.
double LeadingDecimal(std::string_view text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return 0;
  text.remove_prefix(i);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() ? v : 0;
}

}  // namespace

SnrBoxCheck CheckSnrBoxText(std::string_view text) {
  SnrBoxCheck out;
  out.organism = kOrganismCustomized;
  if (ParseOperatorNumber(text)) {
    double v = LeadingDecimal(text);
    if (v > 1 && v <= 5) {
      out.valid = true;
      out.snrX10 = static_cast<int16_t>(RoundHalfEven(v * 10));
      out.text = FormatNumber(v, "0.0");
      out.factor = v;
      return out;
    }
  }
  out.text = std::string(kDefaultSnrText);
  out.snrX10 = 18;
  out.factor = kDefaultSnr;
  out.message = std::string(kInvalidSnrText);
  return out;
}

int OrganismEntryOfCode(int code) {
  for (size_t i = 0; i < kOrganismEntries.size(); ++i) {
    if (kOrganismEntries[i].code == code) return static_cast<int>(i);
  }
  return -1;
}

SnrBoxState ApplyOrganismPreset(const SnrBoxState& current, int organism) {
  SnrBoxState s = current;
  s.organism = organism;
  switch (organism) {
    case kOrganismCElegans:
    case kOrganismZebrafish:
      s.text = std::string(organism == kOrganismCElegans ? kDefaultSnrText : kZebrafishSnrText);
      s.factor = organism == kOrganismCElegans ? 1.8 : 2.8;
      s.label = std::string(kSnrLabelBoxHidden);
      s.boxVisible = false;
      break;
    case kOrganismCustomized:
      s.label = std::string(kSnrLabelBoxShown);
      s.boxVisible = true;
      s.factor = SnrFromBoxText(s.text).value_or(0);
      break;
    default:
      break;
  }
  if (s.factor <= 1.4) {
    s.factor = kDefaultSnr;
    s.text = std::string(kDefaultSnrText);
  }
  return s;
}

std::optional<double> SnrFromBoxText(std::string_view text) { return ParseOperatorNumber(text); }

double RunStartSnr(std::string_view text) {
  double v = SnrFromBoxText(text).value_or(0);
  return v < 1.3 ? kDefaultSnr : v;
}

}  // namespace movexa
