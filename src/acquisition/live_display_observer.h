// What run control and the sampling loop ask of the main window: the refresh points of the
// live display (activity picture, signal trace, temperature, run progress, elapsed time), the
// banners, the light and temperature indicators, and the window steps of Play, Pause and Stop.
// Every call has a no-op default: the windows implement what they draw, movexa-cli what it
// prints, the tests what they check. The data to draw is read from AppState::run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "acquisition/run_record.h"
#include "calibration/calibration_procedures.h"
#include "calibration/light_control.h"

namespace movexa {

class LiveDisplayObserver : public CalibrationPanel {
 public:
  // Window steps of run control.
  // A running device test ends where it is (Play and Stop): the temperature caption, the hint
  // and the activity picture are given back.
  virtual void StopDeviceTest() {}
  // The setup window opens (refusal in project 0, a declined disk warning).
  virtual void OpenSetupWindow() {}
  // The experiment-name box shows `name`.
  virtual void ShowExperimentName(std::string_view /*name*/) {}
  // Buttons and windows follow the run state: while running or paused Play, Setup (">Edit") and
  // the back button are disabled, Pause enabled, the setup and offline windows hidden and the
  // organism selector and SNR box locked; stopped reverses all of it.
  virtual void RunControlsChanged(RunState /*state*/) {}
  // Run start: the live display prepared for its current view (the channels of the selected
  // group, activity scale 1.0, trace cleared, run progress cleared).
  virtual void PrepareLiveDisplay() {}
  // Run start: the real-time plot scaled x 0..rtBuffer + 20, y 0..2300.
  virtual void PrepareRealTimePlot(int /*rtBuffer*/) {}
  virtual void ShowBanner(std::string_view /*text*/) {}  // "<< PAUSED >>"
  virtual void HideBanner() {}
  // The end of a run with the automatic report brings the main window back to the front.
  virtual void BringMainWindowToFront() {}
  // The end of a recorded run with the user-defined bin: a window that makes the automatic
  // report itself (the report window, shown while it works) does so on `acquisitionFolder` and
  // returns true; false leaves the report to the engine.
  virtual bool RunAutomaticReport(const std::filesystem::path& /*acquisitionFolder*/) { return false; }

  // Refresh points of the sampling loop. Sample position, buffers, window phase and per-channel
  // bin counts are in AppState::run.
  virtual void DrawTraceStep() {}   // after every sample
  virtual void RedrawTrace() {}     // every DSP_Interval samples (a pending zoom steps here)
  virtual void RedrawActivity() {}  // after every analysis interval
  // After every sample: the temperature text ("0.0") and the sample counter.
  virtual void ShowTemperature(std::string_view /*text*/, int64_t /*samplesTaken*/) {}
  // Every 25 samples: elapsed whole minutes against Aq_lapse.
  virtual void DrawRunProgress(int32_t /*elapsedMinutes*/, int /*aqLapse*/) {}
  // Every tick: "hh:mm:ss [Nd]".
  virtual void ShowElapsed(std::string_view /*text*/) {}
  // After every outputs command: light, mode and temperature buttons and indicators.
  virtual void ShowOutputs(const OutputState& /*outputs*/) {}
};

}  // namespace movexa
