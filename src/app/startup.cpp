// The start-up sequence and the shutdown of the main window.
#include "app/startup.h"

#include <exception>

#include "acquisition/detection_texts.h"
#include "acquisition/snr_setting.h"
#include "app/app_folder.h"
#include "app/app_texts.h"
#include "app/config.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "project/project_store.h"

namespace movexa {

namespace texts = app_texts;

namespace {

constexpr int kProgressStepMs = 500;
constexpr int kExitPauseMs = 300;
constexpr double kStartupDefaultSnr = 1.8;

// One progress step: the start menu waits one tick of its 500 ms step timer, keeping the
// windows responsive, before the step's work is done.
void ProgressPause(Host& host) {
  host.pacer.PauseMs(kProgressStepMs);
  host.pacer.PumpEvents();
}

void SetStartMenuStatus(Host& host, std::string_view text) {
  host.status.SetStatus(texts::kStartMenuStatus, text);
}

// Tool flag to frame visibility: 1 shows, 0 hides, anything else leaves the frame as it is.
std::optional<bool> FrameVisibility(int16_t flag) {
  if (flag == 1) return true;
  if (flag == 0) return false;
  return std::nullopt;
}

// Steps 11 to 16: the main window's values from the project.
void FillMainControls(AppState& state, StartupObserver& observer) {
  ProjectSettings& p = state.project;
  MainControls& m = state.main;

  m.calibrationFrameVisible = FrameVisibility(p.Menu[kMenuCal]);
  m.lightFrameVisible = FrameVisibility(p.Menu[kMenuLight]);
  m.temperatureFrameVisible = FrameVisibility(p.Menu[kMenuTemp]);
  observer.ShowToolFrames(state);
  // The light frame keeps the visibility just set; the flag is written back as 0 unless the
  // light menu or the setup window sets it again.
  p.Menu[kMenuLight] = 0;

  auto& mn1 = p.Mn[kMn1];
  m.organismItems.clear();
  for (const OrganismEntry& e : kOrganismEntries) m.organismItems.emplace_back(e.name);
  if (auto text = OrganismText(mn1[kOrganism])) m.organismText = *text;
  m.snrText = SnrBoxText(mn1[kSNRx10]);
  observer.ShowOrganismAndSnr(state);
  state.StartupStage = 5;
  m.snr = StartupSnr(m.snrText);

  m.autoCalibration = mn1[kEnab_Cal] == 1;
  m.autoZero = mn1[kEnab_Zero] == 1;
  observer.ShowCalibrationOptions(state);

  auto& mn2 = p.Mn[kMn2];
  m.lightEnabled = false;  // set from Mn2.Enable, then unchecked again: light starts off
  m.lightOn = false;
  if (mn2[kTime_ON] == 0 && mn2[kTime_OFF] == 0) {
    mn2[kTime_ON] = 9;
    mn2[kTime_OFF] = 21;
  }
  m.lightOnHour = mn2[kTime_ON];
  m.lightOffHour = mn2[kTime_OFF];
  m.pulseFrameVisible = false;
  auto& mn3 = p.Mn[kMn3];
  m.temperatureControl = mn3[kTempEnable] == 1;
  if (mn3[kTempx10] < 20 || mn3[kTempx10] > 500) mn3[kTempx10] = 200;
  m.temperatureText = FormatNumber(mn3[kTempx10] / 10.0, "0.0");
  observer.ShowLightAndTemperature(state);

  m.dataIntervals.assign(texts::kDataIntervals.begin(), texts::kDataIntervals.end());
  if (auto minutes = observer.UserDefinedBinMinutes(state)) {
    m.userDefinedBin = true;
    m.dataIntervals.push_back(std::to_string(*minutes));
    m.dataInterval = m.dataIntervals.back();
  } else {
    m.userDefinedBin = false;
    m.dataInterval = m.dataIntervals[1];
  }
  observer.ShowDataIntervals(state);
}

bool RunSequence(AppState& state, std::string_view argumentText, Host& host,
                 StartupObserver& observer) {
  state.StartupStage = 0;
  state.offline = false;
  observer.DisablePause(state);
  state.autoRun = IsAutoRunArgument(argumentText);
  observer.ResetDeviceControls(state);
  if (auto missing = ConfigFileMissing(state.appDir)) {
    host.dialogs.Problem(*missing, Dialogs::Severity::kCritical);
    return false;
  }
  state.StartupStage = 1;
  LoadConfig(state.appDir, state.config, host);
  state.StartupStage = 2;
  state.ProjectPath = DeriveProjectPath(state.appDir, state.config);
  state.StartupStage = 3;
  observer.ShowStartMenuDisabled(state);

  ProgressPause(host);  // progress step 0
  SetStartMenuStatus(host, texts::kReadingConfiguration);
  const int16_t n = state.config.Actual_Project_Number;
  LoadProject(n, ProjectLocation{state.appDir, state.ProjectPath}, state.project, state.geometry,
              state.wellMap, host);
  state.StartupStage = 4;

  ProgressPause(host);  // progress step 1
  SetStartMenuStatus(host, texts::kConfigurationOk);
  FillMainControls(state, observer);
  state.StartupStage = 5;
  RefreshActivationLabels(state);
  observer.PrepareLiveDisplay(state);

  ProgressPause(host);  // progress step 2
  SetStartMenuStatus(host, texts::kNotConnectedYet);
  observer.PrepareLivePlots(state);
  state.StartupStage = 7;
  ProgressPause(host);  // progress step 3
  state.StartupStage = 8;
  ProgressPause(host);  // progress step 4
  state.StartupStage = 9;

  observer.EnableStartMenu(state);
  if (state.autoRun) observer.StartAutoRun(state);
  return true;
}

}  // namespace

std::optional<std::string> OrganismText(int organismCode) {
  for (const auto& entry : texts::kOrganismCodeTexts) {
    if (entry.code == organismCode) return std::string(entry.text);
  }
  return std::nullopt;
}

std::string SnrBoxText(int snrX10) {
  if (snrX10 == 0) return std::string(kDefaultSnrText);
  return FormatNumber(snrX10 / 10.0, "0.0");
}

double StartupSnr(std::string_view text) {
  double v = SnrFromBoxText(text).value_or(0);
  return v > 1.4 ? v : kStartupDefaultSnr;
}

void RefreshActivationLabels(AppState& state) {
  state.main.projectLabel =
      state.project.Name + "_" + std::to_string(state.config.Actual_Project_Number);
  state.main.lapseLabel = std::to_string(state.project.Aq_lapse);
  state.main.plateLabel = state.project.Plate_format;
}

bool StartUp(AppState& state, std::string_view argumentText, Host& host,
             StartupObserver& observer) {
  try {
    return RunSequence(state, argumentText, host, observer);
  } catch (const std::exception&) {
    host.dialogs.Problem(texts::InitError(state.StartupStage), Dialogs::Severity::kCritical);
    return false;
  }
}

void ShutdownMain(AppState& state, Host& host, const std::function<void()>& closePort) {
  if (state.offline) return;
  try {
    const std::string question =
        texts::ExitQuestion(state.config.Actual_Project_Number, state.project.Name);
    if (host.dialogs.Ask(question, Dialogs::Buttons::kYesNo) == Dialogs::Answer::kYes) {
      SaveResult saved =
          SaveProject(state.ProjectPath, state.config.Actual_Project_Number, state.project);
      if (!saved.ok)
        host.dialogs.Problem(texts::ExitSaveError(saved.error), Dialogs::Severity::kCritical);
      host.pacer.PauseMs(kExitPauseMs);
      host.pacer.PumpEvents();
      host.pacer.PauseMs(kExitPauseMs);
    }
  } catch (const std::exception&) {
    // Whatever failed, the port is still closed and the program still ends.
  }
  if (closePort) closePort();
}

}  // namespace movexa
