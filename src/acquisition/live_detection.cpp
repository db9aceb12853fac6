// Live detection of a run: envelopes and event rules over the circular buffers, auto-zero and
// blank-reading thresholds.
#include "acquisition/live_detection.h"

#include <algorithm>

#include "base/rounding.h"

namespace movexa {

namespace {

int16_t ToSample(double v) { return SaturateInt16(RoundHalfEven(v)); }

void RaiseBinCount(ChannelRunState& state, int events) {
  state.binCount = SaturateInt16(int64_t{state.binCount} + events);
}

}  // namespace

bool RunBuffers::Allocate(int samplesPerBin) {
  if (samplesPerBin < 2) return false;
  rtBuffer = samplesPerBin;
  size_t size = static_cast<size_t>(kChannelSlots) * static_cast<size_t>(rows());
  raw.assign(size, 0);
  filtered.assign(size, 0);
  channels.fill(ChannelRunState{});
  return true;
}

void RunBuffers::Clear() {
  std::fill(raw.begin(), raw.end(), int16_t{0});
  std::fill(filtered.begin(), filtered.end(), int16_t{0});
  channels.fill(ChannelRunState{});
}

int LiveWindowPosition(int sampleIndex, int k, int rtBuffer) {
  int p = sampleIndex - k;
  // One wrap is enough whenever the window is shorter than the bin; a longer window keeps
  // wrapping so that a position always lies inside the buffer.
  while (p <= 0) p += rtBuffer - 1;
  return p;
}

void UpdateEnvelope(RunBuffers& buffers, const LiveDetectionSettings& settings, int channel,
                    int sampleIndex, double thresholdPercent) {
  int method = settings.method;
  if (method < 0 || method > 2) return;
  int rt = buffers.rtBuffer;
  int window = method == 2 ? kMotilityEnvelopeWindow : settings.dspInterval;
  int32_t largest = 0;
  for (int k = window; k >= 1; --k) {
    largest = std::max<int32_t>(largest, buffers.Raw(channel, LiveWindowPosition(sampleIndex, k, rt)));
  }
  double scaled = (100.0 - thresholdPercent) * largest / 100.0;
  int16_t envelope;
  if (method == 2) {
    envelope = ToSample(scaled);
  } else {
    int32_t recent = 0;
    for (int k = 3; k >= 1; --k) {
      recent += buffers.Filtered(channel, LiveWindowPosition(sampleIndex, k, rt));
    }
    envelope = ToSample((scaled + recent) / 4.0);
  }
  buffers.Filtered(channel, sampleIndex) = envelope;
}

void DetectSample(RunBuffers& buffers, const LiveDetectionSettings& settings, int channel,
                  int sampleIndex) {
  int method = settings.method;
  if (method < 0 || method > 2) return;
  ChannelRunState& state = buffers.channels[channel];
  int16_t x = buffers.Raw(channel, sampleIndex);
  int16_t e = buffers.Filtered(channel, sampleIndex);
  if (method == 0) {
    if (x < e && !state.inEvent) {
      state.inEvent = true;
      state.windowFlag = 1;
    }
    if (x >= e) state.inEvent = false;
    return;
  }
  if (x < e && !state.inEvent) {
    state.inEvent = true;
    RaiseTotal(state, 1);
    RaiseBinCount(state, 1);
    state.windowFlag = 1;
  } else if (x >= e && state.inEvent) {
    state.inEvent = false;
    state.windowFlag = 0;
  }
}

void EndDetectionWindow(ChannelRunState& state, int method) {
  if (method != 0) return;
  if (state.windowFlag == 1) {
    RaiseTotal(state, 1);
    RaiseBinCount(state, 1);
  }
  state.windowFlag = 0;
}

void RaiseTotal(ChannelRunState& state, int events) {
  if (state.totalCount >= kTotalCountLimit || events <= 0) return;
  state.totalCount = static_cast<int16_t>(std::min(state.totalCount + events, int{kTotalCountLimit}));
}

void AutoZeroSample(ChannelRunState& state, int16_t level) {
  if (state.zeroHistory < 2) {
    if (state.zeroHistory == 0) state.zeroTrack.Reset(level);
    ++state.zeroHistory;
  } else {
    state.zeroTrack.Step(state.zeroBeforePrevious, state.zeroPrevious, level);
    state.zeroSpreadSum += state.zeroTrack.Spread();
    state.zeroSignalSum += state.zeroPrevious;
    ++state.zeroSamples;
  }
  state.zeroBeforePrevious = state.zeroPrevious;
  state.zeroPrevious = level;
}

AutoZeroOutcome AutoZeroBinClose(RunBuffers& buffers, int channel, double snr,
                                 double& thresholdPercent, bool autoCalibration, bool recording) {
  AutoZeroOutcome outcome;
  ChannelRunState& state = buffers.channels[channel];
  if (state.zeroSamples > 0) {
    int64_t spread = RoundHalfEvenDiv(state.zeroSpreadSum, state.zeroSamples);
    int64_t level = RoundHalfEvenDiv(state.zeroSignalSum, state.zeroSamples);
    double threshold =
        (spread >= level || level < 1)
            ? snr * 100.0
            : (1.0 - static_cast<double>(level - spread) / static_cast<double>(level)) * 100.0 * snr;
    thresholdPercent = std::max(threshold + 1.0, 1.8);
    outcome.thresholdChanged = true;
    outcome.wantsCalibration = level > kAutoZeroCalibrationLevel && autoCalibration && recording;
  }
  int16_t events = AnalyzeBin(buffers.RawView(), channel, snr, 1, false, {}, 0, buffers.analysis);
  state.binCount = events;
  RaiseTotal(state, events);
  state.zeroSpreadSum = 0;
  state.zeroSignalSum = 0;
  state.zeroSamples = 0;
  return outcome;
}

double BlankThreshold(int32_t minimum, int32_t maximum, double current) {
  if (minimum >= kBlankMinimumStart || maximum <= 0) return current;
  double t = static_cast<double>(
                 Int((1.0 - static_cast<double>(minimum) / static_cast<double>(maximum)) * 100.0 * 1.15)) +
             1.0;
  return std::max(t, 1.0);
}

void StartBlank(ChannelRunState& state) {
  state = ChannelRunState{};
  state.blankMaximum = 0;
  state.blankMinimum = kBlankMinimumStart;
}

void BlankUpdate(ChannelRunState& state, int16_t level, double& thresholdPercent,
                 int16_t& envelope) {
  state.blankMaximum = std::max<int32_t>(state.blankMaximum, level);
  state.blankMinimum = std::min<int32_t>(state.blankMinimum, level);
  if (state.blankMinimum < kBlankMinimumStart && state.blankMaximum > 0) {
    thresholdPercent = BlankThreshold(state.blankMinimum, state.blankMaximum, thresholdPercent);
    envelope = ToSample((100.0 - thresholdPercent) / 100.0 * level);
  }
}

}  // namespace movexa
