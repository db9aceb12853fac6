// The calibration window's "<CALIBRATE>& Auto-Gain" (`Cmdcalibrar`) and the block reader it
// measures with. The procedure brings every beam's level into a window of +/- 5 % of full
// scale (2048) around the target percentage in `Txtajuste`: it starts every beam at power 3,
// gain 7, then per beam raises the power, lowers it through gain 0, walks the gain down from 7,
// and gives a beam that ends below the window at power 3, gain 0 a second chance at power 2.
//
// A beam's level comes from the block reader: the 192-byte block (96 signals, 32 triples of the
// stream) requested at offset a carries triples a .. a + 31; the beam of even channel c lies in
// triple (c mod 128) / 2, and it is read from the block at 16 x (triple div 16), the one whose
// first 16 triples hold it. The signals are placed with the sampling loop's regrouping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/calibration_window.h"

namespace movexa {

// The window of levels for a target percentage: round((target +/- 5) x 20.48), halves to even.
struct LevelWindow {
  int low = 0;
  int high = 0;
};
LevelWindow AutoGainWindow(double targetPercent);

// Block offset whose reply carries the beam of even channel `channel`.
int AutoGainBlockBase(int channel);

// The window block reader: requests offsets 0, 16, 32, 48 with DeviceReadBlock (up to 3 times
// each, 200 ms after a failed attempt) and stores the block at `wantedBase` into `levels` (385
// values; negative signals stored as 0). Returns the measurement status: 0, or -1 after showing
// "Ops...Data Sending ERROR reg(" + offset + ")... Try again".
int ReadWindowBlocks(DeviceLink& link, int wantedBase, int16_t* levels);

struct AutoGainResult {
  bool ran = false;        // false when the mode was not "Max.Gain"
  bool completed = false;  // every beam was visited
  bool cancelled = false;  // the window went offline meanwhile
  bool readerFailed = false;
  std::array<int16_t, kChannelSlots> power{};
  std::array<int16_t, kChannelSlots> gain{};
  std::vector<int> unset;  // beams whose last register write failed
};

// Where the procedure shows its status ("starting", "Calibrating CH" + channel); an empty text
// means the label is hidden.
inline constexpr std::string_view kCalibrationStatus = "Frm_Calibration.lblstatus2";

// Runs the procedure on the window's instrument with the target of `ajusteText` and the mode
// of `Combomode`. The window goes offline first; pressing "OFFLINE" meanwhile ends it before
// the next beam. A failed write is remembered, and the beams whose setting could not be written
// are listed to the operator at the end (they are not calibrated).
AutoGainResult RunAutoGain(CalibrationWindow& window, double targetPercent, std::string_view mode);

}  // namespace movexa
