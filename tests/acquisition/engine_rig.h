// Fixture of the engine tests: an application folder laid out from the installation data and
// started up, the in-process simulated instrument behind a loopback port on a manual clock,
// connected as the program connects, a recording live display, and the engine driven as the
// windows' timer drives it (a tick, then 10 ms).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/acquisition_engine.h"
#include "app/app_state.h"
#include "base/host_fakes.h"
#include "device/loopback_link.h"
#include "sim/sim_instrument.h"
#include "support/test_support.h"

namespace movexa::test {

// What the engine asked of the main window.
class RecordingDisplay : public LiveDisplayObserver {
 public:
  void StopDeviceTest() override { ++deviceTestStops; }
  void OpenSetupWindow() override { ++setupWindowOpened; }
  void ShowExperimentName(std::string_view name) override { experimentName = name; }
  void RunControlsChanged(RunState state) override { controls.push_back(state); }
  void PrepareLiveDisplay() override { ++liveDisplayPrepared; }
  void PrepareRealTimePlot(int rtBuffer) override { plotWidth = rtBuffer; }
  void ShowBanner(std::string_view text) override { banner = text; }
  void HideBanner() override { banner.clear(); }
  void BringMainWindowToFront() override { ++broughtToFront; }
  void DrawTraceStep() override {
    ++traceSteps;
    if (onTraceStep) onTraceStep();
  }
  void RedrawTrace() override { ++traceRedraws; }
  void RedrawActivity() override { ++activityRedraws; }
  void ShowTemperature(std::string_view text, int64_t samples) override {
    temperature = text;
    sampleCounter = samples;
  }
  void DrawRunProgress(int32_t minutes, int) override { progress.push_back(minutes); }
  void ShowElapsed(std::string_view text) override { elapsed = text; }
  void ShowOutputs(const OutputState& o) override { outputs.push_back(OutputsByte(o)); }
  void ShowPanel(std::string_view caption) override { panels.emplace_back(caption); }

  int deviceTestStops = 0, setupWindowOpened = 0, liveDisplayPrepared = 0, broughtToFront = 0;
  int plotWidth = 0;
  int64_t traceSteps = 0, traceRedraws = 0, activityRedraws = 0, sampleCounter = 0;
  std::string experimentName, banner, temperature, elapsed;
  std::vector<RunState> controls;
  std::vector<int32_t> progress;
  std::vector<int> outputs;
  std::vector<std::string> panels;
  std::function<void()> onTraceStep;
};

// A simulator configuration for engine tests: 48-byte block replies, paced at line speed, quiet
// beams, organisms crossing the beams of channels 0..30 (even) at 12 per minute.
sim::SimConfig EngineSimConfig();

struct EngineRig {
  // With `peer`, the port reaches that peer instead of the simulator and is opened directly
  // (block replies of 48 bytes) rather than through the connect operation.
  explicit EngineRig(sim::SimConfig config = EngineSimConfig(), bool connect = true,
                     SerialPeer* peer = nullptr);

  // Starts a run with `name` as the operator's answer (an empty name is confirmed with OK).
  bool Play(const std::string& name);
  // Ticks as the windows' timer does: a tick, then `timerMs`, while the timer stays enabled;
  // at most `maxTicks`. Returns the ticks made.
  int64_t TickUntilStopped(int64_t maxTicks = 10'000'000, int timerMs = kSamplingTimerMs);
  // Exactly `n` ticks (each followed by `timerMs`).
  void Ticks(int64_t n, int timerMs = kSamplingTimerMs);
  // Ticks until `bins` more bins have closed (or the timer stops).
  void TicksForBins(int64_t bins);

  std::filesystem::path ProjectDir() const { return state.ProjectPath; }
  std::filesystem::path Folder() const { return state.run.context.folder; }
  // Acquisition folders ("yyyymmdd_hhmm") of the project folder.
  std::vector<std::string> AcquisitionFolders() const;

  TempDir dir;
  FakeHost fake;
  sim::SimInstrument instrument;
  LoopbackOpener* opener = nullptr;
  AppState state;
  RecordingDisplay display;
  std::unique_ptr<AcquisitionEngine> engine;
};

}  // namespace movexa::test
