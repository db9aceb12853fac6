// Fuzz target: a raw signal block (385 channels x 501 samples of 16-bit values, as read from
// "0.bin", "1.bin", ...) through activity detection with every method; the first bytes choose
// the method, the channel and the detection factor.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "acquisition/analysis_module.h"
#include "acquisition/counts_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int method = data[0] % 4;
  const int channel = data[1] % movexa::kChannelCount;
  const double snr = 0.5 + data[2] / 32.0;
  // The block the reader hands over is always whole: the input fills it from the start,
  // repeated, so short inputs still make long signals.
  static std::vector<int16_t> block(static_cast<size_t>(movexa::kChannelSlots) * movexa::kDefaultRawBlockSamples);
  const uint8_t* raw = data + 3;
  const size_t rawSize = size - 3;
  auto* bytes = reinterpret_cast<uint8_t*>(block.data());
  const size_t total = block.size() * 2;
  for (size_t i = 0; i < total; ++i) bytes[i] = rawSize ? raw[i % rawSize] : 0;
  static movexa::AnalysisScratch scratch;
  for (int c : {channel, (channel + 1) % movexa::kChannelCount}) {
    (void)movexa::AnalyzeBin({block.data(), movexa::kDefaultRawBlockSamples}, c, snr, method, false, {}, 0,
                             scratch);
  }
  return 0;
}
