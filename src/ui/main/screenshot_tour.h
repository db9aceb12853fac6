// The unattended tour of the windows behind `movexa --screenshots DIR`: the start menu after
// start-up, then the main window during a named run against the simulated instrument, each
// saved as a PNG. It lets a machine without an operator (CI, a server under Xvfb) show what
// the program looks like, and checks on the way that a run really records.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace movexa::ui {

class Program;
class QtDialogs;

struct TourResult {
  bool ok = false;
  std::vector<std::filesystem::path> pictures;  // written, in order
  std::filesystem::path acquisitionFolder;      // the run's folder
  std::string error;
};

// Runs the tour on a started program whose dialogs answer by themselves: the start menu
// (start_menu.png), the About box (about_box.png), the main window's status bar connected to the
// simulated instrument (connection_state.png), the serial ports window (serial_ports.png), the
// main window after `runSeconds` of a run named "Screenshot run" (main_window_run.png), the same
// run at 1024 x 700 with its activity auto-scaled (main_window_autoscale.png), and after Stop
// (main_window_stopped.png); then
// the setup window (setup_window.png), the offline window on that run (offline_signal.png,
// offline_analysis.png, offline_window.png), the report window after it reported that run
// (report_window.png), the report settings window (report_settings.png), the analysis window
// with its first plot (analysis_window.png; of `analysisFolder` when given, a longer run than
// the tour's), and the calibration and factory windows (calibration_window.png,
// factory_window.png).
TourResult RunScreenshotTour(Program& program, QtDialogs& dialogs, const std::filesystem::path& dir,
                             int runSeconds, const std::filesystem::path& analysisFolder = {});

}  // namespace movexa::ui
