// The peak/valley rule of the noise estimates (bin analysis, live auto-zero, the auto-zero
// calibration): a sample lower than both its neighbours becomes the valley, one higher than
// both becomes the peak; otherwise both values carry forward from the previous sample.
#pragma once

#include <cstdint>

namespace movexa {

struct PeakValley {
  int32_t peak = 0;
  int32_t valley = 0;

  // Starts the track at `value` (peak = valley = value).
  void Reset(int32_t value) { peak = valley = value; }
  // Judges `sample` against its neighbours `before` and `after` (strict comparisons: a flat
  // stretch is neither a peak nor a valley).
  void Step(int32_t before, int32_t sample, int32_t after) {
    if (sample < before && sample < after) valley = sample;
    if (sample > before && sample > after) peak = sample;
  }
  // Peak minus valley; negative when the signal drifted up past the last peak.
  int32_t Spread() const { return peak - valley; }
};

}  // namespace movexa
