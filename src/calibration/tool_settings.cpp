// The main window's tool settings stored into the project's tool table.
#include "calibration/tool_settings.h"

namespace movexa {

namespace {

BoxCheck Told(BoxCheck check, Dialogs& dialogs) {
  if (!check.valid) dialogs.Problem(check.message);
  return check;
}

}  // namespace

BoxCheck LeaveLightBox(ProjectSettings& project, LightBox box, std::string_view text,
                       Dialogs& dialogs) {
  auto& mn2 = project.Mn[kMn2];
  switch (box) {
    case LightBox::kOnHour: {
      BoxCheck c = Told(CheckHourBox(text, true), dialogs);
      mn2[kTime_ON] = c.value;
      return c;
    }
    case LightBox::kOffHour: {
      BoxCheck c = Told(CheckHourBox(text, false), dialogs);
      mn2[kTime_OFF] = c.value;
      return c;
    }
    case LightBox::kPulseTimes: {
      BoxCheck c = Told(CheckPulseTimesBox(text), dialogs);
      mn2[kPulseTimes] = c.value;
      return c;
    }
    case LightBox::kPulseOn: {
      BoxCheck c = Told(CheckPulseMinutesBox(text), dialogs);
      mn2[kPulseOnX10] = c.value;
      return c;
    }
    case LightBox::kPulseOff: {
      BoxCheck c = Told(CheckPulseMinutesBox(text), dialogs);
      mn2[kPulseOffX10] = c.value;
      return c;
    }
  }
  return {};
}

BoxCheck LeaveTemperatureBox(ProjectSettings& project, std::string_view text, Dialogs& dialogs) {
  BoxCheck c = Told(CheckTemperatureBox(text), dialogs);
  project.Mn[kMn3][kTempx10] = c.value;
  return c;
}

bool LightHourBoxesEnabled(const ProjectSettings& project) {
  return HourBoxesEnabled(project.Mn[kMn2][kPulseTimes]);
}

void SetLightCycleEnabled(ProjectSettings& project, OutputState& outputs, bool checked) {
  outputs.lightCycleEnabled = checked;
  project.Mn[kMn2][kLightEnable] = checked ? 1 : 0;
}

void SetThermostatEnabled(ProjectSettings& project, OutputState& outputs, bool checked) {
  outputs.thermostatEnabled = checked;
  project.Mn[kMn3][kTempEnable] = checked ? 1 : 0;
}

void SetAutoCalibration(ProjectSettings& project, MainControls& main, bool checked) {
  main.autoCalibration = checked;
  project.Mn[kMn1][kEnab_Cal] = checked ? 1 : 0;
}

void SetAutoZero(ProjectSettings& project, MainControls& main, bool checked) {
  main.autoZero = checked;
  project.Mn[kMn1][kEnab_Zero] = checked ? 1 : 0;
}

ManualCalibrationControls ApplyManualCalibration(bool on, ProjectSettings& project,
                                                 MainControls& main) {
  ManualCalibrationControls c;
  c.on = on;
  c.readBlankVisible = on;
  c.checkBoxesEnabled = on;
  if (!on) {
    project.Menu[kMenuCal] = 1;
    main.calibrationFrameVisible = true;
    SetAutoCalibration(project, main, true);
    SetAutoZero(project, main, true);
  }
  return c;
}

CalibrationButtons CalibrationButtonsEnabled(const AcquisitionRun& run, bool instrumentBusy) {
  CalibrationButtons b;
  if (instrumentBusy || run.blankMode) return b;
  b.fastCalibration = true;
  b.fastZero = true;
  b.readBlank = run.runState == RunState::kStopped || !run.context.recording;
  return b;
}

SnrBoxCheck LeaveSnrBox(ProjectSettings& project, std::string_view text, Dialogs& dialogs) {
  SnrBoxCheck check = CheckSnrBoxText(text);
  if (!check.valid) dialogs.Problem(check.message);
  project.Mn[kMn1][kSNRx10] = check.snrX10;
  project.Mn[kMn1][kOrganism] = static_cast<int16_t>(check.organism);
  return check;
}

SnrBoxState ChooseOrganism(ProjectSettings& project, const SnrBoxState& current, int organism) {
  project.Mn[kMn1][kOrganism] = static_cast<int16_t>(organism);
  return ApplyOrganismPreset(current, organism);
}

}  // namespace movexa
