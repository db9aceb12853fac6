// The start-up sequence and the orderly shutdown of the main window, as toolkit-free drivers.
// A window or the command line drives them through Host (messages, the start menu's status
// line, the 500 ms pauses between progress steps) and a StartupObserver that carries out the
// window steps (all of them no-ops by default, so the command line needs none).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "base/host.h"

namespace movexa {

// The window steps of start-up. Each is called at its place in the sequence; one that throws
// ends start-up with "Error loading INIT parameters #ERROR:" and the stage reached.
class StartupObserver {
 public:
  virtual ~StartupObserver() = default;
  // Step 1: the Pause button is disabled; acquisition and connection flags are cleared.
  virtual void DisablePause(AppState&) {}
  // Step 3: cool button "COOL", temperature and light buttons "OFF", light enable unchecked,
  // light frame visible, automatic-calibration banner hidden.
  virtual void ResetDeviceControls(AppState&) {}
  // Step 7: the start menu is shown disabled and the main window hidden. The window's first
  // loading may create the setup window, whose fill loads the current project once more.
  virtual void ShowStartMenuDisabled(AppState&) {}
  // Steps 11, 12, 14, 15: the main window's controls take the values now in state.main. Step 14
  // also switches calibration mode off.
  virtual void ShowToolFrames(AppState&) {}
  virtual void ShowOrganismAndSnr(AppState&) {}
  virtual void ShowCalibrationOptions(AppState&) {}
  virtual void ShowLightAndTemperature(AppState&) {}
  // Step 16: the report configuration's user-defined bin size in minutes, when it has one.
  virtual std::optional<int> UserDefinedBinMinutes(AppState&) { return std::nullopt; }
  virtual void ShowDataIntervals(AppState&) {}
  // Step 17: live-display buffers for RT_Buffer + 1 samples x 385 channels, display state,
  // row/column/group selectors (group selector on its first entry, channel list empty), and
  // the project label.
  virtual void PrepareLiveDisplay(AppState&) {}
  // Step 18: the live plots.
  virtual void PrepareLivePlots(AppState&) {}
  // Step 20: the start menu takes input again; with "/run" the main window is shown and a run
  // starts exactly as the Run button starts it.
  virtual void EnableStartMenu(AppState&) {}
  virtual void StartAutoRun(AppState&) {}
};

// Runs the start-up sequence on `state` (state.appDir must be set): StartupStage 0..9, the
// auto-run argument, "config.dat", ProjectPath, the current project and plate format, the
// main-window values of state.main, the start menu's status texts ("Frm_Init.status"), five
// 500 ms progress pauses on host.pacer. Returns false when the program must end: "config.dat"
// missing (with its message) or any failure (with the stage number in the message).
bool StartUp(AppState& state, std::string_view argumentText, Host& host, StartupObserver& observer);

// The main window's close (and its Exit menu entry). Unless offline: asks "Update values to
// project <n>_<name> before Exit?"; on Yes saves the project (a failed save is reported, the
// shutdown goes on), then pauses 300 ms, lets events run and pauses 300 ms; in either case the
// serial port is closed through `closePort`. The caller then ends the program.
void ShutdownMain(AppState& state, Host& host, const std::function<void()>& closePort);

// Values start-up computes for the main window (pure; used by StartUp and the windows).
// Text for an organism code, or nullopt for a code that leaves the selector's text unchanged.
std::optional<std::string> OrganismText(int organismCode);
// Threshold box text: SNRx10 / 10 with one decimal, "1.8" when SNRx10 is 0.
std::string SnrBoxText(int snrX10);
// The SNR start-up hands to acquisition from the box text ("," read as "."): the value when it
// is above 1.4, else 1.8.
double StartupSnr(std::string_view text);
// Labels re-shown each time the main window becomes active: project name + "_" + number, the
// minutes of Aq_lapse, the plate format name.
void RefreshActivationLabels(AppState& state);

}  // namespace movexa
