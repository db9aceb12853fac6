// Arithmetic of the calibration procedures, apart from the instrument: the software
// calibration's step rule for one channel, the preparation of its table, and the auto-zero
// threshold from a series of readings. (ReadAllChannels regroups each block reply into a row
// with StoreSignalBlock of acquisition/signal_block.h, the sampling loop's own rule.)
#pragma once

#include <array>
#include <cstdint>

#include "acquisition/analysis_module.h"
#include "base/constants.h"
#include "calibration/calibration_table.h"
#include "project/well_map.h"

namespace movexa {

// Acceptance window of a channel's level: 80 % and 90 % of the full-scale 2259, rounded.
inline constexpr int kCalibrationLow = 1807;
inline constexpr int kCalibrationHigh = 2033;
inline constexpr int kCalibrationTopStep = 7;  // highest power and gain of the ladder

struct ChannelCalibration {
  bool done = false;
  int direction = 0;  // 1 after a step up, -1 after a step down, 0 otherwise
};

// One round of the software calibration for a channel at level `level`. Inside the window the
// channel is done. Below it, unless it just stepped down, it steps up the ladder (gain + 1, or
// gain 0 and power + 1 at gain 7; done at power 7, gain 7); above it, unless it just stepped
// up, it steps down (gain - 1, or gain 7 and power - 1 at gain 0; done at power 1, gain 0).
// Falling below right after a step down accepts the lower setting (done); overshooting right
// after a step up clears the direction so that the next round steps down. True when the
// channel's register must be written again (the channel is not done).
bool SoftwareCalibrationStep(ChannelCalibration& state, int16_t& power, int16_t& gain, int level);

// Start of a software calibration: every channel open with no direction; channels the plate
// format does not use get power 0, gain 0 and are done; a used channel at power 0 and gain 0
// starts at power 2.
void PrepareSoftwareCalibration(const WellMap& wells, CalibrationTable& table,
                                std::array<ChannelCalibration, kChannelSlots>& states);

// Auto-zero threshold of `channel` from the readings in rows 0..sampleCount-1 of `readings`:
// over rows 11..S-2 (rows 10 and S-1 only as neighbours) the peak/valley track starting at row
// 10 gives mean peak-to-peak P and mean level L (rounded halves to even); the threshold is
// (1 - (L - P) / L) x 100 x SNR + 1 (0 + 1 when L < 1), at least 1.8.
double AutoZeroThreshold(const RawBlockView& readings, int channel, int sampleCount, double snr);

}  // namespace movexa
