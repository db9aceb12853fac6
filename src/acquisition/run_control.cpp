// Run control of the main window: Play, Pause, Stop and Read Blank, ApplyOutputs and the disk
// space warning.
#include <cstdio>
#include <system_error>

#include "acquisition/acquisition_engine.h"
#include "acquisition/run_texts.h"
#include "app/instrument.h"
#include "base/file_io.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "project/project_files.h"
#include "project/project_store.h"

namespace movexa {

namespace texts = run_texts;

namespace {

constexpr int kEventPumps = 10;
constexpr int kChannelModeSends = 2;
constexpr int kChannelModePauseMs = 100;
constexpr int kStopPauseMs = 5;
constexpr int kRealTimePlotMargin = 20;
constexpr std::string_view kSubprojectFileName = "subproj.dat";
// Disk check: only recordings of at least this many minutes are checked.
constexpr int kDiskCheckMinimumLapse = 31;
constexpr int64_t kLowDiskMarginMB = 999;
constexpr int64_t kNotEnoughDiskMarginMB = 200;
constexpr int64_t kLargeRecordingMB = 1001;
constexpr int kAutoZeroLongSeries = 100;  // readings of an automatic zero without calibration
constexpr int kFewestBinSamples = 2;      // a bin buffer holds at least two samples

void PumpEvents(Host& host, int times) {
  for (int i = 0; i < times; ++i) host.pacer.PumpEvents();
}

}  // namespace

void ApplyOutputs(DeviceLink& link, bool offline, const OutputState& outputs,
                  LiveDisplayObserver& display) {
  if (!offline) DeviceSend(link, kCodeOutputs, OutputsByte(outputs), kModeCommand);
  display.ShowOutputs(outputs);
}

DiskSpaceCheck CheckDiskSpace(int aqLapse, int64_t freeMB) {
  DiskSpaceCheck check;
  check.requiredMB = RoundHalfEven(aqLapse * 4 / 10.0);
  check.report = texts::DiskSpaceReport(aqLapse, check.requiredMB, freeMB);
  bool appended = false;
  if (freeMB - check.requiredMB <= kLowDiskMarginMB) {
    check.report += std::string(texts::kLowDiskSpace) + std::string(texts::kEol);
    appended = true;
  }
  if (freeMB - check.requiredMB < kNotEnoughDiskMarginMB) {
    check.report += std::string(texts::kNotEnoughDiskSpace) + std::string(texts::kEol) +
                    std::string(texts::kNotEnoughDiskHint);
    appended = true;
  }
  check.ask = check.requiredMB >= kLargeRecordingMB || appended;
  return check;
}

bool IsFourBlockFormat(std::string_view plateFormat) {
  return plateFormat == "w96" || plateFormat == "w96u";
}

AcquisitionEngine::AcquisitionEngine(AppState& state, Host& host, LiveDisplayObserver& display)
    : state_(state), host_(host), display_(display), link_(InstrumentLink(state, host)) {}

bool AcquisitionEngine::Offline() const { return InstrumentOffline(state_); }

CalibrationContext AcquisitionEngine::CalibrationFor() {
  return CalibrationContext{
      link_,
      state_.calibration,
      state_.project,
      state_.wellMap,
      state_.run.buffers,
      state_.appDir,
      display_,
      [this] { return state_.run.runState != RunState::kStopped; },
      [this] { CmdStop(); }};
}

bool AcquisitionEngine::RunFastProcedure(
    const std::function<bool(CalibrationContext&)>& procedure) {
  CalibrationContext ctx = CalibrationFor();
  if (state_.run.runState != RunState::kStopped || fastProcedureOutsideRun_) {
    return procedure(ctx);
  }
  // Outside a run nothing else reads the instrument meanwhile: the procedure is "active" until
  // it ends or Stop is pressed.
  fastProcedureOutsideRun_ = true;
  fastProcedureStopped_ = false;
  ctx.acquisitionActive = [this] { return !fastProcedureStopped_; };
  ctx.stopAcquisition = [this] { fastProcedureStopped_ = true; };
  struct EndOfProcedure {
    bool& running;
    ~EndOfProcedure() { running = false; }
  } end{fastProcedureOutsideRun_};
  return procedure(ctx);
}

void AcquisitionEngine::Apply(const OutputDecision& decision) {
  state_.outputs = decision.state;
  if (decision.apply) ApplyOutputs(link_, Offline(), state_.outputs, display_);
}

std::string AcquisitionEngine::AskExperimentName() {
  if (state_.autoRun) return std::string(texts::kAutorunName);
  const bool autoCalibration = state_.main.autoCalibration && state_.main.autoZero;
  std::string name =
      host_.dialogs.Input(texts::NamePrompt(autoCalibration), texts::kNameTitle, "");
  if (name.empty() &&
      host_.dialogs.Ask(texts::kEmptyName, Dialogs::Buttons::kOkCancel) ==
          Dialogs::Answer::kCancel) {
    name = host_.dialogs.Input(texts::kNameAgainPrompt, texts::kNameTitle, "");
  }
  return name;
}

bool AcquisitionEngine::CheckDiskSpaceOrDecline() {
  const ProjectSettings& p = state_.project;
  if (p.Save_real != 1 || p.Aq_lapse < kDiskCheckMinimumLapse || state_.autoRun) return true;
  DiskSpaceCheck check = CheckDiskSpace(p.Aq_lapse, host_.system.FreeDiskMB(state_.ProjectPath));
  if (!check.ask) return true;
  if (host_.dialogs.Ask(texts::DiskQuestion(check.report), Dialogs::Buttons::kYesNo) ==
      Dialogs::Answer::kYes) {
    return true;
  }
  display_.OpenSetupWindow();
  return false;
}

bool AcquisitionEngine::WaitingBinsAllowStart() {
  BinFileState& files = state_.run.files;
  if (files.waiting.empty()) return true;
  BinWriteResult written = WriteWaitingBins(host_, files, state_.run.lastRecordedFolder);
  if (written.upToDate) return true;
  host_.dialogs.Problem(
      texts::WaitingBinsBlockStart(written.waitingBins, state_.run.lastRecordedFolder.string()));
  return false;
}

bool AcquisitionEngine::TakeRecorderLock() {
  std::string error;
  if (recorderLock_.Acquire(state_.appDir, error)) return true;
  host_.dialogs.Problem(error.empty() ? texts::RecorderBusy(state_.appDir.string())
                                      : texts::RecorderLockFailed(state_.appDir.string(), error));
  return false;
}

bool AcquisitionEngine::PrepareAcquisitionFolder(const std::string& name) {
  RunContext& context = state_.run.context;
  // A recorded run never writes into a folder that exists already (a run or a blank reading
  // started in the same minute): it takes the first free stamp from its start minute on.
  std::string error;
  context.folderName = CreateFreshAcquisitionFolder(state_.ProjectPath, host_.clock.Now(), error);
  if (context.folderName.empty()) {
    context.folder = state_.ProjectPath / AcquisitionStamp(host_.clock.Now());
    host_.dialogs.Problem(texts::FolderNotCreated(context.folder.string(), error),
                          Dialogs::Severity::kCritical);
    return false;
  }
  context.folder = state_.ProjectPath / context.folderName;
  SaveResult snapshot =
      SaveProject(context.folder, state_.config.Actual_Project_Number, state_.project);
  if (!snapshot.ok ||
      !WriteFileAtomic(context.folder / kSubprojectFileName, FormatSubproject(name, nullptr),
                       &error)) {
    host_.dialogs.Problem(texts::SnapshotNotWritten(snapshot.ok ? error : snapshot.error),
                          Dialogs::Severity::kCritical);
    return false;
  }
  return true;
}

void AcquisitionEngine::SendChannelMode() {
  const int mode = IsFourBlockFormat(state_.project.Plate_format) ? 1 : 0;
  for (int i = 0; i < kChannelModeSends; ++i) {
    if (!Offline()) DeviceSend(link_, kCodeChannelMode, mode, kModeCommand);
    host_.pacer.PauseMs(kChannelModePauseMs);
  }
}

void AcquisitionEngine::CalibrateAtRunStart() {
  const MainControls& m = state_.main;
  AcquisitionRun& run = state_.run;
  if (!run.context.recording || Offline() || !(m.autoCalibration || m.autoZero)) return;
  // The automatic zero reads up to 100 rows, more than a short bin holds: until sampling
  // starts the buffers may be larger than the bin.
  if (run.buffers.rows() < kAutoZeroLongSeries) run.buffers.Allocate(kAutoZeroLongSeries);
  CalibrationContext ctx = CalibrationFor();
  RunStartCalibration(ctx, run.context.folder, m.autoCalibration, m.autoZero, m.snrText);
  // The procedures read into the run buffers; the run starts from clean rows of its own size.
  run.buffers.Allocate(state_.project.RT_Buffer);
}

bool AcquisitionEngine::BeamsLitAtRunStart() {
  const RunContext& context = state_.run.context;
  // The instrument's own calibration at the start sets every beam register anyway; an
  // instrument that did not even answer the temperature request is left to the run, which
  // tells the operator that it does not answer.
  if (!context.recording || Offline() || state_.main.autoCalibration || !context.temperatureRead)
    return true;
  CalibrationContext ctx = CalibrationFor();
  const RunStartBeams beams = CheckBeamsAtRunStart(ctx);
  if (beams.tableResent) {
    host_.status.SetStatus(texts::kStatusWhere, texts::TableResent(beams.registersRewritten));
  }
  if (beams.darkChannels.empty()) return true;
  return host_.dialogs.Ask(texts::DarkBeamsQuestion(beams.darkChannels, beams.tableResent),
                           Dialogs::Buttons::kYesNo) == Dialogs::Answer::kYes;
}

bool AcquisitionEngine::CmdPlay() {
  AcquisitionRun& run = state_.run;
  if (run.runState != RunState::kStopped) return false;
  // A fast calibration outside a run owns the instrument until it ends (or Stop ends it).
  if (fastProcedureOutsideRun_) return false;
  display_.StopDeviceTest();
  const std::string name = AskExperimentName();
  display_.ShowExperimentName(name);
  if (state_.config.Actual_Project_Number == 0) {
    host_.dialogs.Problem(texts::kProjectZero);
    display_.OpenSetupWindow();
    return false;
  }
  if (Offline()) {
    // Offline because another Movexa holds the instrument: restarting this one would not help.
    const int busy = state_.connection.busyPort;
    host_.dialogs.Problem(
        busy > 0 ? texts::InstrumentInUse(busy)
                 : ConnectFirstMessage(state_).value_or(std::string(texts::kOfflineAcquisition)));
    return false;
  }
  PumpEvents(host_, kEventPumps);
  state_.ports->CommFlush(state_.connection.port);
  PumpEvents(host_, kEventPumps);
  display_.PrepareLiveDisplay();
  // Sized before the run so that the block exchanges of the tick allocate nothing.
  state_.ports->ReceiveBuffer().reserve(kCommMaxRead);

  if (state_.project.RT_Buffer < kFewestBinSamples) {
    host_.dialogs.Problem(texts::BinTooShort(state_.project.RT_Buffer));
    return false;
  }
  const bool recording = !name.empty();
  if (recording) {
    if (!CheckDiskSpaceOrDecline() || !WaitingBinsAllowStart()) return false;
    if (!TakeRecorderLock()) return false;
    if (!PrepareAcquisitionFolder(name)) {
      recorderLock_.Release();
      return false;
    }
    // From now on the lock names this acquisition: nothing moves its folder while it records.
    recorderLock_.Describe(state_.run.context.folder, name);
  }

  // The run record and counters start afresh; the buffers are sized for this project.
  RunContext& context = run.context;
  std::filesystem::path folder = recording ? context.folder : std::filesystem::path();
  std::string folderName = recording ? context.folderName : std::string();
  context = RunContext{};
  context.experimentName = name;
  context.recording = recording;
  context.folder = folder;
  context.folderName = folderName;
  context.autorun = state_.autoRun;
  run.counters = SampleCounters{};
  run.binRecord.fill(0);
  run.blankMode = false;
  run.timerIntervalMs = kSamplingTimerMs;
  if (recording) {
    run.files.Reset();
    run.lastRecordedFolder = folder;
  }

  run.runState = RunState::kRunning;
  // The status of the previous run (its pause, its bad bins) is not this run's.
  host_.status.SetStatus(texts::kStatusWhere, "");
  display_.RunControlsChanged(run.runState);
  if (run.buffers.rtBuffer != state_.project.RT_Buffer) {
    run.buffers.Allocate(state_.project.RT_Buffer);
  } else {
    run.buffers.Clear();
  }

  if (auto setPoint = ParseOperatorNumber(state_.main.temperatureText)) {
    context.temperatureSetPoint = *setPoint;
  }
  int raw = DeviceQuery(link_, kCodeTemperature, 0, kModeCommand);
  if (raw >= 0) {
    context.temperature = TemperatureDegrees(raw, state_.connection.factory);
    context.temperatureRead = true;
  }
  SetTemperatureText();

  Apply(LightAtRunStart(state_.outputs, LightScheduleFromMn(state_.project.Mn),
                        host_.clock.Now().hour));
  SendChannelMode();
  if (!BeamsLitAtRunStart()) CmdStop();
  CalibrateAtRunStart();

  if (run.runState != RunState::kRunning) {  // stopped during calibration
    recorderLock_.Release();
    return false;
  }
  display_.PrepareRealTimePlot(state_.project.RT_Buffer + kRealTimePlotMargin);
  run.counters = SampleCounters{};
  context.startMs = host_.clock.MonotonicMs();
  context.startWall = host_.clock.Now();
  run.timerEnabled = true;
  return true;
}

void AcquisitionEngine::CmdPause() {
  AcquisitionRun& run = state_.run;
  RunContext& context = run.context;
  if (run.runState == RunState::kRunning) {
    if (host_.dialogs.Ask(texts::kPauseQuestion, Dialogs::Buttons::kYesNo) ==
        Dialogs::Answer::kYes) {
      run.timerEnabled = false;
      run.runState = RunState::kPaused;
      context.pausedElapsedMs = host_.clock.MonotonicMs() - context.startMs;
      context.timeCounterPaused = true;
      host_.status.SetStatus(texts::kStatusWhere, texts::kTimeCounterOff);
    } else {
      run.runState = RunState::kPaused;
      context.timeCounterPaused = false;
      host_.status.SetStatus(texts::kStatusWhere, texts::kTimeCounterOn);
    }
    display_.RunControlsChanged(run.runState);
    display_.ShowBanner(texts::kPausedBanner);
  } else if (run.runState == RunState::kPaused) {
    if (context.timeCounterPaused) {
      context.startMs = host_.clock.MonotonicMs() - context.pausedElapsedMs;
    }
    run.counters.ticks = 0;
    run.timerEnabled = true;
    run.runState = RunState::kRunning;
    context.timeCounterPaused = false;
    host_.status.SetStatus(texts::kStatusWhere, "");  // "Time Counter = ..." no longer holds
    display_.RunControlsChanged(run.runState);
    display_.HideBanner();
  }
}

void AcquisitionEngine::FlushAfterStop() {
  PumpEvents(host_, kEventPumps);
  if (!Offline()) state_.ports->CommFlush(state_.connection.port);
  host_.pacer.PauseMs(kStopPauseMs);
  PumpEvents(host_, kEventPumps);
}

void AcquisitionEngine::CmdStop() {
  AcquisitionRun& run = state_.run;
  display_.StopDeviceTest();
  fastProcedureStopped_ = true;
  const bool wasActive = run.runState != RunState::kStopped;
  run.runState = RunState::kStopped;
  run.timerEnabled = false;
  run.blankMode = false;
  display_.HideBanner();
  Apply(OutputsAtStop(state_.outputs));
  if (wasActive) display_.RunControlsChanged(run.runState);
  FlushAfterStop();
  host_.status.SetStatus(texts::kBlankLabelWhere, "");
  run.counters.ticks = 0;
  if (wasActive && run.counters.badBins > 0) {
    host_.status.SetStatus(texts::kStatusWhere,
                           texts::BadBinsSummary(run.counters.badBins, run.counters.binsClosed));
  }

  if (!run.files.waiting.empty()) {
    BinWriteResult written = WriteWaitingBins(host_, run.files, run.lastRecordedFolder);
    if (!written.upToDate) {
      host_.dialogs.Problem(texts::BinsStillWaiting(written.waitingBins, written.error),
                            Dialogs::Severity::kCritical);
    }
  }
  if (wasActive) {
    const std::string limited = FileSizeLimitSummary(run.files);
    if (!limited.empty()) host_.dialogs.Problem(limited, Dialogs::Severity::kCritical);
  }
  recorderLock_.Release();
}

bool AcquisitionEngine::ReadBlank() {
  AcquisitionRun& run = state_.run;
  if (Offline()) {
    host_.dialogs.Problem(texts::kOfflineOperation);
    return false;
  }
  // A blank takes over the sampling without recording: during a named run it would silently
  // end the recording of every later bin.
  if (run.runState != RunState::kStopped && run.context.recording) {
    host_.dialogs.Problem(texts::kBlankDuringRecording);
    return false;
  }
  if (run.blankMode || fastProcedureOutsideRun_) return false;
  if (state_.project.RT_Buffer < kFewestBinSamples) {
    host_.dialogs.Problem(texts::BinTooShort(state_.project.RT_Buffer));
    return false;
  }
  RunContext& context = run.context;
  context.recording = false;
  run.counters = SampleCounters{};
  run.timerIntervalMs = kSamplingTimerMs;
  // The blank is sampled by the tick, which samples only while running: a stopped or paused
  // run is set running for it (and stopped again at its end).
  run.runState = RunState::kRunning;
  display_.RunControlsChanged(run.runState);

  // The blank gets its own folder with a copy of the project files, as a run would; never the
  // folder of a run started in the same minute, whose snapshot it would overwrite.
  std::string error;
  context.folderName = CreateFreshAcquisitionFolder(state_.ProjectPath, host_.clock.Now(), error);
  context.folder = state_.ProjectPath / context.folderName;
  if (!context.folderName.empty()) {
    SaveProject(context.folder, state_.config.Actual_Project_Number, state_.project);
  }
  display_.PrepareLiveDisplay();

  if (run.buffers.rtBuffer != state_.project.RT_Buffer) {
    run.buffers.Allocate(state_.project.RT_Buffer);
  }
  for (int c = 0; c < kChannelCount; ++c) StartBlank(run.buffers.channels[c]);
  display_.DrawRunProgress(0, state_.project.Aq_lapse);
  context.startMs = host_.clock.MonotonicMs();
  context.startWall = host_.clock.Now();

  run.blankMode = true;
  host_.status.SetStatus(texts::kBlankLabelWhere,
                         texts::SettingBlank(state_.project.Threshold_Counter));
  run.timerEnabled = true;
  return true;
}

}  // namespace movexa
