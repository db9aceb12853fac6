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
  // The envelope (methods 0, 1, 3) or s(k) - A (method 2) of the last analysed channel, samples
  // 0..499 (entry 500 repeats entry 499); the offline signal view draws it.
  std::array<int16_t, kAnalysisSamples> envelope{};
  // Set to the file system's words when a mark file could not be written; left set until the
  // caller clears it, so a caller that checks after a whole series still sees the failure.
  std::string exportError;
  int exportFailures = 0;  // failed mark-file appends since the caller last reset it
  // Noise figures of the last call: the threshold T in percent and the amplitude limit A.
  double threshold = 0;
  double amplitudeLimit = 0;
  // Working arrays of the implementation.
  std::array<int32_t, kAnalysisSamples> signal{};
  std::array<int32_t, kAnalysisSamples> peak{};
  std::array<int32_t, kAnalysisSamples> meanPeak{};
  std::array<int64_t, kAnalysisSamples> sums1{};
  std::array<int64_t, kAnalysisSamples> sums2{};
  std::array<int64_t, kAnalysisSamples> sums3{};
  std::array<char, kAnalysisSamples> marks{};
  std::string exportLine;  // reused text of the mark-file line
};

// Counts the events of `channel` in samples 0..499 of `raw` with detection method `method`
// (0..3) and SNR factor `snr`. With `exportMarks`, appends the line "<exportTag> <500 marks>"
// to "ch<channel>.raw" in `exportFolder`. Allocates nothing except the export line.
// A view of 501 rows or more is analysed over rows 0..500; a shorter view (a bin of fewer than
// 500 samples) is analysed as if its last bin sample repeated up to row 500, and only its own
// samples can count. A method outside 0..3, a channel outside 0..384 or a view with fewer than
// three rows counts nothing.
int16_t AnalyzeBin(const RawBlockView& raw, int channel, double snr, int method, bool exportMarks,
                   const std::filesystem::path& exportFolder, int32_t exportTag,
                   AnalysisScratch& scratch);

}  // namespace movexa
