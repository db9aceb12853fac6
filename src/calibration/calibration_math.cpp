// Software-calibration step rule and auto-zero threshold.
#include "calibration/calibration_math.h"

#include <algorithm>

#include "acquisition/peak_valley.h"
#include "base/rounding.h"

namespace movexa {

namespace {
constexpr int kAutoZeroFirstRow = 11;  // row 10 starts the track
constexpr double kMinimumThreshold = 1.8;
}  // namespace

bool SoftwareCalibrationStep(ChannelCalibration& state, int16_t& power, int16_t& gain, int level) {
  if (level >= kCalibrationLow && level <= kCalibrationHigh) {
    state.done = true;
    state.direction = 0;
    return false;
  }
  bool below = level < kCalibrationLow;
  bool above = level > kCalibrationHigh;
  if (below && state.direction != -1) {
    if (gain < kCalibrationTopStep) {
      ++gain;
    } else if (power < kCalibrationTopStep) {
      gain = 0;
      ++power;
    } else {
      state.done = true;
    }
    state.direction = state.done ? 0 : 1;
  }
  if (above && state.direction != 1) {
    if (gain > 0) {
      --gain;
    } else if (power > 1) {
      gain = kCalibrationTopStep;
      --power;
    } else {
      state.done = true;
    }
    state.direction = state.done ? 0 : -1;
  }
  if (below && state.direction == -1) {
    state.direction = 0;
    state.done = true;
  }
  if (above && state.direction == 1) state.direction = 0;
  return !state.done;
}

void PrepareSoftwareCalibration(const WellMap& wells, CalibrationTable& table,
                                std::array<ChannelCalibration, kChannelSlots>& states) {
  for (int c = 0; c < kChannelCount; ++c) {
    states[c] = ChannelCalibration{};
    if (wells.channelWell[c] == -1) {
      table.PowerTable[c] = 0;
      table.GainTable[c] = 0;
      states[c].done = true;
    } else if (table.PowerTable[c] == 0 && table.GainTable[c] == 0) {
      table.PowerTable[c] = 2;
    }
  }
}

double AutoZeroThreshold(const RawBlockView& readings, int channel, int sampleCount, double snr) {
  int rows = std::min(sampleCount, readings.samples);
  int64_t sumSpread = 0;
  int64_t sumLevel = 0;
  int count = 0;
  if (readings.data != nullptr && rows > kAutoZeroFirstRow && channel >= 0 &&
      channel < kChannelSlots) {
    PeakValley track;
    track.Reset(readings.At(channel, kAutoZeroFirstRow - 1));
    for (int j = kAutoZeroFirstRow; j <= rows - 2; ++j) {
      track.Step(readings.At(channel, j - 1), readings.At(channel, j), readings.At(channel, j + 1));
      sumSpread += track.Spread();
      sumLevel += readings.At(channel, j);
      ++count;
    }
  }
  int64_t meanSpread = count > 0 ? RoundHalfEvenDiv(sumSpread, count) : 0;
  int64_t meanLevel = count > 0 ? RoundHalfEvenDiv(sumLevel, count) : 0;
  double value = meanLevel < 1 ? 0.0
                               : (1.0 - static_cast<double>(meanLevel - meanSpread) /
                                            static_cast<double>(meanLevel)) * 100.0 * snr;
  return std::max(value + 1.0, kMinimumThreshold);
}

}  // namespace movexa
