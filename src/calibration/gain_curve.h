// The calibration window's gain-curve test ("TEST CURVA DE GANANCIA", `cmdTEST`): for every
// power 0..7 and gain 0..7 the instrument applies the test setting to all beams, two samples
// are let go, six are kept; the six readings of every channel go to "test_bk.txt", their mean
// to "test_mean.txt" and their mean absolute deviation to "test_desv.txt", all in the
// application folder.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "calibration/calibration_window.h"

namespace movexa {

inline constexpr int kCurveReadings = 6;
inline constexpr int kCurveDiscarded = 2;
inline constexpr int kCurveSteps = 8;  // powers 0..7, gains 0..7

using CurveReadings = std::array<std::array<int16_t, kChannelCount>, kCurveReadings>;

// The lines a power/gain pair appends to the three files (each line ending in CR LF):
// bk: "p=P,g=G" then "[j]" + " " + reading per channel for j = 0..5; mean and desv: "[pP,gG]"
// + " " + value per channel, the values with the pattern "0". A channel without a beam (the odd
// channels) has no reading and is written as -1 in all three files, never as a dark beam's 0.
struct CurveBlock {
  std::string bk;
  std::string mean;
  std::string desv;
};
CurveBlock FormatCurveBlock(int power, int gain, const CurveReadings& readings);

// Where the test shows its setting (`txt_test`) and progress (the status label).
inline constexpr std::string_view kCurveSettingBox = "Frm_Calibration.txt_test";

struct GainCurveResult {
  bool completed = false;
  bool cancelled = false;       // "OFFLINE", or a stop request
  bool instrumentLost = false;  // a test setting or a reading the instrument did not answer
  int pairs = 0;             // power/gain pairs measured
  int settingFailures = 0;   // test settings the instrument did not acknowledge
  int rejectedBlocks = 0;    // blocks that did not arrive whole (their channels kept the last value)
};

// Runs the test on the window's instrument. Offline it refuses with the calibration's offline
// message. "OFFLINE" (GoOffline) or `stopRequested` (asked after every sample) cancels it. The
// first exchange the instrument does not answer (a test setting without reply, a reading with a
// block that did not arrive whole) ends it with a message naming the setting, so that no file
// holds readings the instrument never gave. A file that cannot be written ends the test with a
// message.
GainCurveResult RunGainCurve(CalibrationWindow& window, const std::filesystem::path& appFolder,
                             const std::function<bool()>& stopRequested = {});

}  // namespace movexa
