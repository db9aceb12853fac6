// Fixed sizes of the instrument and its tables, shared by every subsystem.
#pragma once

#include <cstdint>

namespace movexa {

// The instrument measures 384 beams (channels 0..383). Per-channel tables carry one more
// slot (index 384): never a beam; in a "counts.bin" record it holds the temperature x 10.
inline constexpr int kChannelCount = 384;
inline constexpr int kChannelSlots = 385;

// Beam grid: channel c lies in beam row c mod 16 and beam column c / 16.
inline constexpr int kBeamRows = 16;
inline constexpr int kBeamColumns = 24;

// Group numbers: -1 marks a free well or channel; 999 is the label number of "Free".
inline constexpr int16_t kFreeGroup = -1;
inline constexpr int kFreeGroupLabelNumber = 999;

}  // namespace movexa
