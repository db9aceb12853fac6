// The main window's tool settings as the operator edits them, stored into the project's tool
// table: the light panel's boxes into Mn2, the temperature panel's into Mn3, the automatic
// calibration and zero check boxes into Mn1's Enab_Cal and Enab_Zero, the SNR box and the
// organism selector into Mn1, and the "Manual_Calibration" ON/OFF menu.
#pragma once

#include <string_view>

#include "acquisition/run_record.h"
#include "acquisition/snr_setting.h"
#include "app/main_controls.h"
#include "base/host.h"
#include "calibration/light_control.h"
#include "project/project_settings.h"

namespace movexa {

enum class LightBox { kOnHour, kOffHour, kPulseTimes, kPulseOn, kPulseOff };

// Leaving a light box: the check of light_control.h; an invalid entry shows its message. The
// value goes to its Mn2 column. The result's text is what the box shows afterwards.
BoxCheck LeaveLightBox(ProjectSettings& project, LightBox box, std::string_view text,
                       Dialogs& dialogs);
// Leaving the set-point box: 5..50 degrees into Mn3's Tempx10 (invalid: message, "20", 200).
BoxCheck LeaveTemperatureBox(ProjectSettings& project, std::string_view text, Dialogs& dialogs);
// The hour boxes are enabled exactly while the stored pulse times are 0.
bool LightHourBoxesEnabled(const ProjectSettings& project);

// "Enable" (light) and "Enabled" (temperature) check boxes: the output flags and Mn2 / Mn3.
void SetLightCycleEnabled(ProjectSettings& project, OutputState& outputs, bool checked);
void SetThermostatEnabled(ProjectSettings& project, OutputState& outputs, bool checked);

// "Auto   Calibration" / "Auto   Zero": the flag follows the box and is stored in Enab_Cal /
// Enab_Zero; the matching fast button is visible exactly while the box is unchecked.
void SetAutoCalibration(ProjectSettings& project, MainControls& main, bool checked);
void SetAutoZero(ProjectSettings& project, MainControls& main, bool checked);

// The calibration controls the "Manual_Calibration" menu governs.
struct ManualCalibrationControls {
  bool on = false;                  // "ON" checked ("OFF" unchecked)
  bool readBlankVisible = false;    // "Read Blank"
  bool checkBoxesEnabled = false;   // both automatic check boxes
};
// "ON": Read Blank shown, both check boxes enabled. "OFF": Read Blank hidden, the check boxes
// disabled, the setup's "Calibration Control" box (Menu1:Cal) checked, and both automatic
// options checked with their usual effects. At start-up the menu shows "OFF" checked without
// these effects: the check boxes and flags keep the project's stored values.
ManualCalibrationControls ApplyManualCalibration(bool on, ProjectSettings& project, MainControls& main);

// Which of the calibration buttons can act now. "Fast CALIB" and "Fast ZERO" run during a run
// and outside one (the engine's RunFastProcedure); "Read Blank" outside a run and during a
// monitor-mode run, never during a recorded run (it would end the recording). None while a
// blank reading is under way or `instrumentBusy` (a fast procedure or the device test holds
// the instrument).
struct CalibrationButtons {
  bool fastCalibration = false;
  bool fastZero = false;
  bool readBlank = false;
};
CalibrationButtons CalibrationButtonsEnabled(const AcquisitionRun& run, bool instrumentBusy);

// Leaving the SNR box: the check of snr_setting.h (message on rejection); SNRx10 and the
// organism ("Customized") go to Mn1. Returns the check.
SnrBoxCheck LeaveSnrBox(ProjectSettings& project, std::string_view text, Dialogs& dialogs);
// Choosing an organism: its code goes to Mn1's Organism and the preset is applied.
SnrBoxState ChooseOrganism(ProjectSettings& project, const SnrBoxState& current, int organism);

}  // namespace movexa
