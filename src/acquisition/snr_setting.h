// The SNR factor of the detection: the SNR box (txt_snr_umbral) with its check on leaving, the
// organism presets of the selector (Cmb_organism), and the factor taken at run start.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "acquisition/detection_texts.h"

namespace movexa {

inline constexpr int kOrganismCElegans = 0;
inline constexpr int kOrganismZebrafish = 1;
inline constexpr int kOrganismCustomized = 2;
inline constexpr int kOrganismDrosophila = 3;

// An entry of the organism selector (Cmb_organism) and the organism code it stores.
struct OrganismEntry {
  int16_t code;
  std::string_view name;
};
// The selector's entries in order: the four organisms (code = position), then the three size
// classes stored by codes 7, 8 and 9. Choosing a size class presets nothing, as Drosophila.
inline constexpr std::array<OrganismEntry, 7> kOrganismEntries = {{
    {0, kOrganismNames[0]},
    {1, kOrganismNames[1]},
    {2, kOrganismNames[2]},
    {3, kOrganismNames[3]},
    {7, "size <100um"},
    {8, "size 0.1-1mm"},
    {9, "size >1mm"},
}};
// The selector position of organism `code`, or -1 for a code no entry stores.
int OrganismEntryOfCode(int code);

// What the SNR controls show and hold.
struct SnrBoxState {
  std::string text{kInitialSnrText};  // the box text
  double factor = 1.7;                // the SNR factor in use
  bool boxVisible = true;             // the box is shown (the label then reads "> Zero SNR:")
  std::string label{kSnrLabelBoxShown};  // lbl_umbral
  int organism = 2;  // organism code of the selector's entry (project's Organism)
};

// Result of leaving the SNR box.
struct SnrBoxCheck {
  bool valid = false;
  std::string text;      // the new box text: the value with "0.0", or "1.8"
  int16_t snrX10 = 18;   // stored in the tool table (Mn1 SNRx10)
  double factor = 1.8;   // the value accepted, or 1.8
  std::string message;   // "Invalid value: 1.1 to 5.0" when rejected, else empty
  int organism = 2;      // the selector goes to "Customized" (code 2) in both cases
};

// Check of the SNR box when the operator leaves it: the text must be a number (a comma or a
// point as decimal mark); its value is then read as a plain decimal number up to the first
// character that is not part of one (so "2,5" reads 2); 1 < v <= 5 is accepted.
SnrBoxCheck CheckSnrBoxText(std::string_view text);

// The selector's preset for `organism` applied to the controls: C elegans 1.8 and Zebrafish
// 2.8 hide the box; Customized shows it and takes the factor from its text (a comma read as the
// decimal point); Drosophila leaves everything. A factor of 1.4 or less then becomes 1.8.
SnrBoxState ApplyOrganismPreset(const SnrBoxState& current, int organism);

// The factor in the box text with a comma read as the decimal point; nullopt when not a number.
std::optional<double> SnrFromBoxText(std::string_view text);

// The factor used by the automatic calibration and zeroing at run start: the box value, with a
// value below 1.3 (or a text that is not a number) replaced by 1.8.
double RunStartSnr(std::string_view text);

}  // namespace movexa
