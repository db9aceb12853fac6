// Regrouping of one signal block reply into a sample row (385 channels), shared by the sampling
// loop and the calibration's ReadAllChannels: signal k of the block at offset a goes to channel
// 2a + 2 (k div 3) + 128 (k mod 3), a negative signal stored as 0, and the odd channel next to
// it set to 0.
#pragma once

#include <cstdint>
#include <span>

#include "base/instrument_protocol.h"  // BlockSignalChannel: the channel of each block signal

namespace movexa {

// Stores an accepted block into `row` (385 values). Signals above the 16-bit range are held at
// 32767; a signal whose channel would fall outside the row is ignored.
void StoreSignalBlock(std::span<int16_t> row, int blockOffset, std::span<const int32_t> signals);

// A rejected block: the channels it would fill (each signal's channel and its odd neighbour)
// take their values from `previousRow`.
void RepeatSignalBlock(std::span<int16_t> row, std::span<const int16_t> previousRow,
                       int blockOffset, int signalCount);

}  // namespace movexa
