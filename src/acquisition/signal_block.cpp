// Signal block regrouping into sample rows.
#include "acquisition/signal_block.h"

#include <algorithm>

namespace movexa {

void StoreSignalBlock(std::span<int16_t> row, int blockOffset, std::span<const int32_t> signals) {
  const int slots = static_cast<int>(row.size());
  for (int k = 0; k < static_cast<int>(signals.size()); ++k) {
    int c = BlockSignalChannel(blockOffset, k);
    if (c < 0 || c + 1 >= slots) continue;
    row[c] = static_cast<int16_t>(std::clamp<int32_t>(signals[k], 0, 32767));
    row[c + 1] = 0;
  }
}

void RepeatSignalBlock(std::span<int16_t> row, std::span<const int16_t> previousRow,
                       int blockOffset, int signalCount) {
  const int slots = static_cast<int>(std::min(row.size(), previousRow.size()));
  for (int k = 0; k < signalCount; ++k) {
    int c = BlockSignalChannel(blockOffset, k);
    if (c < 0 || c + 1 >= slots) continue;
    row[c] = previousRow[c];
    row[c + 1] = previousRow[c + 1];
  }
}

}  // namespace movexa
