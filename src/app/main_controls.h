// What start-up sets on the main window's controls, kept as values: the window shows them and
// acquisition, calibration and the light and temperature control read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace movexa {

struct MainControls {
  // Tool frames from the project's Tools flags; nullopt leaves a frame as it is.
  std::optional<bool> calibrationFrameVisible;
  std::optional<bool> lightFrameVisible;
  std::optional<bool> temperatureFrameVisible;

  // Organism selector and detection threshold box (txt_snr_umbral).
  std::vector<std::string> organismItems;
  std::string organismText;  // empty until a known organism code sets it
  std::string snrText;
  double snr = 1.8;  // the SNR acquisition uses: the box value when above 1.4, else 1.8

  // Calibration options.
  bool autoCalibration = false;
  bool autoZero = false;

  // Light and temperature control.
  bool lightEnabled = false;
  bool lightOn = false;
  int16_t lightOnHour = 9;
  int16_t lightOffHour = 21;
  bool pulseFrameVisible = false;
  bool temperatureControl = false;
  std::string temperatureText;  // set-point in degrees, one decimal

  // Data-interval list (combo_minutes).
  std::vector<std::string> dataIntervals;
  std::string dataInterval;  // the current text
  bool userDefinedBin = false;

  // Labels refreshed whenever the main window becomes active.
  std::string projectLabel;  // name + "_" + number
  std::string lapseLabel;    // minutes of Aq_lapse
  std::string plateLabel;    // plate format name

  // Detection summary (txt_detection) set by the setup window when it hands over.
  std::string detectionSummary;
};

}  // namespace movexa
