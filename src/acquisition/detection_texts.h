// Texts of the detection settings shown to the operator (SNR box, organism selector).
#pragma once

#include <array>
#include <string_view>

namespace movexa {

inline constexpr std::string_view kInvalidSnrText = "Invalid value: 1.1 to 5.0";
inline constexpr std::string_view kDefaultSnrText = "1.8";
inline constexpr std::string_view kInitialSnrText = "1.7";
inline constexpr std::string_view kZebrafishSnrText = "2.8";
inline constexpr std::string_view kSnrLabelBoxHidden = ">>>>";
inline constexpr std::string_view kSnrLabelBoxShown = "> Zero SNR:";

// Entries of the organism selector Cmb_organism, by organism index.
inline constexpr std::array<std::string_view, 4> kOrganismNames = {
    "C elegans(>L4)", "Zebrafish(Larvae)", "Customized", "Drosophila"};

}  // namespace movexa
