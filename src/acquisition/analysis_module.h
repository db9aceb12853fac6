// Analysis_Module: the bin analysis that recounts one channel over a whole bin of raw samples.
// Shared by the live auto-zero path of the sampling loop, the offline signal view and the raw
// data re-analysis of reports.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/constants.h"

namespace movexa {

inline constexpr int kAnalysisSamples = 501;  // samples 0..500 of a bin buffer

// A read-only view of a raw block: value(channel c, sample s) = data[c + 385 * s].
struct RawBlockView {
  const int16_t* data = nullptr;
  int samples = kAnalysisSamples;  // rows in the block (RT_Buffer + 1)
  int16_t At(int channel, int sample) const { return data[channel + kChannelSlots * sample]; }
};

// Working storage of AnalyzeBin, allocated once by its owner and reused for every call.
struct AnalysisScratch {
  // The envelope (methods 0, 1, 3) or s(k) - A (method 2) of the last analysed channel; the
  // offline signal view draws it.
  std::array<int16_t, kAnalysisSamples> envelope{};
  std::string exportError;  // set when a mark file could not be written
  // Further working arrays are the implementation's own.
  std::array<double, kAnalysisSamples> work1{};
  std::array<double, kAnalysisSamples> work2{};
  std::array<double, kAnalysisSamples> work3{};
  std::array<char, kAnalysisSamples> marks{};
};

// Counts the events of `channel` in samples 0..499 of `raw` with detection method `method`
// (0..3) and SNR factor `snr`. With `exportMarks`, appends the line "<exportTag> <500 marks>"
// to "ch<channel>.raw" in `exportFolder`.
int16_t AnalyzeBin(const RawBlockView& raw, int channel, double snr, int method, bool exportMarks,
                   const std::filesystem::path& exportFolder, int32_t exportTag,
                   AnalysisScratch& scratch);

}  // namespace movexa
