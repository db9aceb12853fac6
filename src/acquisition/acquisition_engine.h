// The acquisition engine: run control of the main window (Play, Pause, Stop, Read Blank), the
// sampling tick of the 10 ms timer `Timeradq` with its bin close and the end of the run, and
// `ApplyOutputs`. The engine owns no state of its own: the run lives in AppState::run, the
// instrument link, calibration table, outputs and report configuration in AppState too. It has
// no timer inside: the windows call Tick() from a single-shot 10 ms timer re-armed after each
// tick, movexa-cli 10 ms after the end of each tick, the tests directly on a manual clock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "acquisition/live_display_observer.h"
#include "acquisition/recorder_lock.h"
#include "acquisition/run_record.h"
#include "app/app_state.h"
#include "base/host.h"
#include "calibration/calibration_procedures.h"
#include "device/com_module.h"

namespace movexa {

inline constexpr int kSamplingTimerMs = 10;
inline constexpr int kBlockConsumeBytes = 48;  // 24 signals of every block request
inline constexpr int kLightPointSamples = 25;  // pulse cycle, pending changes, run progress

// `ApplyOutputs`: sends the outputs byte 4 x light + 2 x heat mode + 1 x temperature control
// (code 0x10; no reply is expected and a failed send is not reported) unless `offline`, then
// shows the indicators.
void ApplyOutputs(DeviceLink& link, bool offline, const OutputState& outputs,
                  LiveDisplayObserver& display);

// The disk-space warning of a recorded start with real-time saving: the required megabytes
// (Aq_lapse x 4 / 10, rounded), the report text and whether the operator must be asked.
struct DiskSpaceCheck {
  int64_t requiredMB = 0;
  std::string report;
  bool ask = false;
};
DiskSpaceCheck CheckDiskSpace(int aqLapse, int64_t freeMB);

// Whether the plate format is sampled with four blocks (offsets 0, 16, 32, 48) and channel
// mode 1: "w96" and "w96u". Every other format takes eight blocks (offsets 0, 8, ..., 56).
bool IsFourBlockFormat(std::string_view plateFormat);

// Elapsed run time as the main window shows it: "hh:mm:ss [Nd]" (hours within the day, then
// the whole days), written into `out` without allocating; returns the text.
std::string_view FormatElapsed(int64_t elapsedMs, std::array<char, 32>& out);

// Whole minutes of `elapsedMs` (never negative), as the 32-bit run counter holds them.
int32_t ElapsedMinutes(int64_t elapsedMs);

class AcquisitionEngine {
 public:
  // `state` must have its port table installed (instrument.h). All references must outlive
  // the engine.
  AcquisitionEngine(AppState& state, Host& host, LiveDisplayObserver& display);
  AcquisitionEngine(const AcquisitionEngine&) = delete;
  AcquisitionEngine& operator=(const AcquisitionEngine&) = delete;

  // Play (`CmdPlay`): the experiment name, the refusals, the disk check, the acquisition folder
  // with its project snapshot and "subproj.dat", the channel mode, the light at start, the
  // automatic calibration and zeroing, then the sampling timer. True when the timer runs.
  bool CmdPlay();
  // Pause (`CmdPause`): pauses a running run (asking whether the time counter stops) or resumes
  // a paused one; nothing while stopped.
  void CmdPause();
  // Stop (`CmdStop`): the run ends (a partial bin is dropped), everything is switched off, the
  // port flushed, and bins still waiting for the disk are written (the operator is told when
  // some still cannot be).
  void CmdStop();
  // `ReadBlank` ("Read Blank"): a blank reading of Threshold_Counter samples driven by the tick;
  // sets every channel's threshold from its lowest and highest level and stops by itself.
  // Outside a run or during a monitor-mode run. False when refused (offline, during a recorded
  // run, a blank or a fast procedure already under way).
  bool ReadBlank();

  // One tick of the sampling timer. Does nothing while the timer is disabled or when called
  // from inside a tick. Returns whether the timer is still enabled (the caller re-arms it).
  bool Tick();

  // The device link of the engine (over AppState's port table and connection).
  DeviceLink& link() { return link_; }
  // A context for the calibration procedures: the run's buffers and the calibration table;
  // "acquisition active" follows the run state and "stop" is CmdStop.
  CalibrationContext CalibrationFor();
  // "Fast CALIB" and "Fast ZERO": runs `procedure` on a calibration context. During a run the
  // context follows the run as CalibrationFor() does. Outside a run the procedure runs to its
  // end unless Stop is pressed meanwhile, and Play refuses to start a run until it has ended.
  // The procedure's result.
  bool RunFastProcedure(const std::function<bool(CalibrationContext&)>& procedure);
  // A fast procedure outside a run is under way.
  bool fastProcedureRunning() const { return fastProcedureOutsideRun_; }
  bool Offline() const;

 private:
  // Play.
  std::string AskExperimentName();
  bool CheckDiskSpaceOrDecline();
  bool PrepareAcquisitionFolder(const std::string& name);
  bool TakeRecorderLock();
  bool WaitingBinsAllowStart();
  // The beams of the plate at the start of a recorded run (CheckBeamsAtRunStart): false when
  // some read near zero and the operator declines to record on them.
  bool BeamsLitAtRunStart();
  void CalibrateAtRunStart();
  void SendChannelMode();
  // Tick.
  void SampleOnce();
  void Resynchronise();
  void ReadSample(int row);
  void NoteBlocks(size_t blocks, size_t goodBlocks);
  void DetectAll(int row);
  void CloseBin();
  void EveryTick();
  void FinishRun();
  void FinishBlank();
  // Shared.
  void Apply(const OutputDecision& decision);
  void SetTemperatureText();
  int64_t ElapsedMs();
  void FlushAfterStop();

  AppState& state_;
  Host& host_;
  LiveDisplayObserver& display_;
  DeviceLink link_;
  // Held from the start of a recorded run to its stop: one recorder per application folder.
  RecorderLock recorderLock_;
  // A fast procedure outside a run, and whether Stop was pressed during it.
  bool fastProcedureOutsideRun_ = false;
  bool fastProcedureStopped_ = false;
};

}  // namespace movexa
