// Live activity detection during a run: the run buffers (circular raw and envelope buffers and
// the per-channel state, preallocated once per run), the live envelope and event rule of
// methods 0..2, the auto-zero accumulation and its bin-close threshold, and the blank reading.
// Nothing here allocates once the buffers are sized; the sampling tick calls it for every
// channel at every sample.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/analysis_module.h"
#include "acquisition/peak_valley.h"
#include "base/constants.h"

namespace movexa {

inline constexpr int16_t kTotalCountLimit = 10000;  // live totals stop here
inline constexpr int32_t kBlankMinimumStart = 10000;
inline constexpr int kMotilityEnvelopeWindow = 10;  // method 2's live window, samples
inline constexpr int kAutoZeroCalibrationLevel = 1944;  // mean level that asks for calibration

// Per-channel state of a run (channels 0..384), all zero at the start of a run.
struct ChannelRunState {
  bool inEvent = false;     // the signal is below its envelope
  int16_t windowFlag = 0;   // an event began in the current detection window (method 0)
  int16_t binCount = 0;     // events of the current bin, written to "counts.bin"
  int16_t totalCount = 0;   // events since the start, raised only while below 10000
  // Auto-zero accumulators of the current bin: peak - valley, signal, samples.
  int32_t zeroSpreadSum = 0;
  int32_t zeroSignalSum = 0;
  int32_t zeroSamples = 0;
  // Auto-zero peak/valley track, carried across bins, and the last two samples seen.
  PeakValley zeroTrack;
  int16_t zeroPrevious = 0;
  int16_t zeroBeforePrevious = 0;
  int8_t zeroHistory = 0;  // samples seen so far, up to 2
  // Blank reading: the largest and smallest level seen.
  int32_t blankMaximum = 0;
  int32_t blankMinimum = kBlankMinimumStart;
};

// The buffers of a run, sized once at the start and reused circularly: raw samples and the
// detection envelope, 385 channels x (RT_Buffer + 1) rows, channel index fastest (the layout of
// a raw block), plus the per-channel state and the bin analysis's working storage.
struct RunBuffers {
  int rtBuffer = 0;  // samples per bin; rows = rtBuffer + 1
  std::vector<int16_t> raw;
  std::vector<int16_t> filtered;
  std::array<ChannelRunState, kChannelSlots> channels{};
  AnalysisScratch analysis;

  // Sizes the buffers for `rtBuffer` samples per bin (at least 2) and clears everything;
  // false (and nothing changed) for a smaller value. The only allocation of a run.
  bool Allocate(int samplesPerBin);
  // Zeros both buffers and resets every channel's state, keeping the size.
  void Clear();

  int rows() const { return rtBuffer + 1; }
  int16_t& Raw(int channel, int sample) { return raw[Index(channel, sample)]; }
  int16_t Raw(int channel, int sample) const { return raw[Index(channel, sample)]; }
  int16_t& Filtered(int channel, int sample) { return filtered[Index(channel, sample)]; }
  int16_t Filtered(int channel, int sample) const { return filtered[Index(channel, sample)]; }
  // Start of sample row `sample` of the raw buffer (385 values).
  int16_t* RawRow(int sample) { return raw.data() + Index(0, sample); }
  // The whole raw buffer as a block view (the raw block written at bin close).
  RawBlockView RawView() const { return {raw.data(), rows()}; }

 private:
  static size_t Index(int channel, int sample) {
    return static_cast<size_t>(channel) + static_cast<size_t>(kChannelSlots) * sample;
  }
};

// Detection settings of the run (project settings DSP_Method and DSP_Interval).
struct LiveDetectionSettings {
  int method = 1;         // 0..3
  int dspInterval = 30;   // detection window, samples
};

// Window position k samples back from sample `sampleIndex`: i - k, a position of 0 or below
// being replaced by i - k + RT_Buffer - 1 (so position 0 is never a window position).
int LiveWindowPosition(int sampleIndex, int k, int rtBuffer);

// Live envelope of `channel` at `sampleIndex` into the filtered buffer, threshold T percent:
// M = the largest raw value over the window positions W..1 (0 when all are below 0); methods 0
// and 1 (W = DSP_Interval): (((100 - T) x M / 100) + the envelopes at the positions 3, 2, 1) / 4;
// method 2 (W = 10): (100 - T) x M / 100; both rounded halves to even. Method 3 has none.
void UpdateEnvelope(RunBuffers& buffers, const LiveDetectionSettings& settings, int channel,
                    int sampleIndex, double thresholdPercent);

// Live event rule for `channel` at `sampleIndex` (raw value x against envelope e). Methods 1
// and 2 count a dip when it begins (x < e); method 0 only raises the window flag, counted by
// EndDetectionWindow; method 3 counts nothing live.
void DetectSample(RunBuffers& buffers, const LiveDetectionSettings& settings, int channel,
                  int sampleIndex);

// End of a detection window (the window position reached DSP_Interval): with method 0 a raised
// window flag counts one event and is lowered. Other methods: nothing.
void EndDetectionWindow(ChannelRunState& state, int method);

// Adds `events` to a live total, which stops at 10000.
void RaiseTotal(ChannelRunState& state, int events);

// Auto-zero, every sample: judges the previous sample against its two neighbours (the one
// before it and `level`), carrying the peak/valley track, and accumulates peak - valley and
// that sample's level. The first two samples of a run only fill the history.
void AutoZeroSample(ChannelRunState& state, int16_t level);

struct AutoZeroOutcome {
  bool thresholdChanged = false;
  bool wantsCalibration = false;  // mean level above 1944 while auto-calibrating a recording
};

// Auto-zero at bin close for one channel: mean spread D and level X (rounded halves to even)
// give threshold = SNR x 100 when D >= X or X < 1, else (1 - (X - D) / X) x 100 x SNR; plus 1;
// at least 1.8. The bin is then recounted with method 1 over the raw buffer (no export): the
// result becomes the bin count and raises the total. The accumulators restart at zero. A bin
// without accumulated samples leaves the threshold as it was.
AutoZeroOutcome AutoZeroBinClose(RunBuffers& buffers, int channel, double snr,
                                 double& thresholdPercent, bool autoCalibration, bool recording);

// Threshold of a blank reading from the smallest and largest level: Int((1 - min / max) x 100
// x 1.15) + 1, at least 1; `current` when min >= 10000 or max <= 0.
double BlankThreshold(int32_t minimum, int32_t maximum, double current);

// Starts a channel's blank reading: maximum 0, minimum 10000, detection state cleared.
void StartBlank(ChannelRunState& state);

// One blank-reading sample of a channel: tracks the extremes, updates the threshold and sets
// the envelope of this sample to round((100 - threshold) / 100 x level) once the extremes are
// usable (envelope left as it was otherwise).
void BlankUpdate(ChannelRunState& state, int16_t level, double& thresholdPercent,
                 int16_t& envelope);

}  // namespace movexa
