// What movexa-cli's acquire and calibrate share: a program session that starts up as the
// windows do (configuration, current project, report configuration), installs the system's
// serial service and connects, and drives the acquisition engine in real time from the
// terminal. The experiment name is answered in advance; Ctrl-C (SIGINT) and SIGTERM act as the
// Stop button, also inside calibration procedures (which let events run at fixed points).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "acquisition/acquisition_engine.h"
#include "app/app_state.h"
#include "base/host.h"
#include "base/system_host.h"
#include "cli/terminal_host.h"

namespace movexa::cli {

// The terminal's dialogs with the questions of Play answered in advance: the experiment-name
// prompt gets `name` (shown, not asked) and an empty name is confirmed (monitor mode). Every
// other dialog goes to the terminal.
class RunAnswerDialogs : public Dialogs {
 public:
  RunAnswerDialogs(Dialogs& terminal, std::string name) : terminal_(terminal), name_(std::move(name)) {}
  void Message(std::string_view text, std::string_view title) override;
  Answer Ask(std::string_view text, Buttons buttons, std::string_view title) override;
  std::string Input(std::string_view prompt, std::string_view title,
                    std::string_view proposal) override;

 private:
  Dialogs& terminal_;
  std::string name_;
};

// The main window's notices on the terminal: status lines, the calibration panel and its
// progress, banners, the outputs. A progress line that rewrites itself is ended first.
class TerminalRunDisplay : public LiveDisplayObserver, public StatusSink {
 public:
  void SetStatus(std::string_view where, std::string_view text) override;
  void ShowPanel(std::string_view caption) override;
  void HidePanel() override;
  void ShowBanner(std::string_view text) override;
  void ShowOutputs(const OutputState& outputs) override;
  // Prints `line` as the progress line: rewritten in place on a terminal, else one line each.
  void Progress(const std::string& line);
  // Ends a progress line that is being rewritten, so that the next output starts on its own.
  void EndProgressLine();

 private:
  bool progressOpen_ = false;
  int lastOutputs_ = -1;
};

// Pauses sleep; letting events run turns a pending Ctrl-C or SIGTERM into Stop while an
// acquisition is active (the calibration procedures then end at their next step).
class SignalPacer : public Pacer {
 public:
  void PauseMs(int ms) override;
  void PumpEvents() override;
  std::function<void()> onStopRequest;
};

// Whether Ctrl-C or SIGTERM arrived since InstallStopSignals (and how often).
void InstallStopSignals();
int StopRequests();

class RunSession {
 public:
  RunSession(std::filesystem::path appDir, std::string experimentName, bool assumeYes);

  // Start-up as the program's (messages on the terminal), then the system's serial service and
  // the connect operation. False, with the reason printed, when the program could not start or
  // the operator typed a new port (saved for the next connect). Offline the session opens: the
  // operations then refuse with their own messages.
  bool Open();
  // Ticks as the windows' timer does, 10 ms after the end of each tick, until the sampling
  // timer stops; a stop request acts as Stop. `progress` runs after every tick.
  void TickInRealTime(const std::function<void()>& progress);
  // The progress line: elapsed time, bins written, bad blocks, temperature.
  std::string ProgressLine() const;

  AppState& state() { return state_; }
  AcquisitionEngine& engine() { return *engine_; }
  Host& host() { return host_; }
  TerminalRunDisplay& display() { return display_; }

 private:
  TerminalDialogs terminalDialogs_;
  RunAnswerDialogs dialogs_;
  SystemClock clock_;
  SignalPacer pacer_;
  TerminalShell shell_;
  PosixSystemInfo system_;
  TerminalRunDisplay display_;
  Host host_;
  AppState state_;
  std::unique_ptr<AcquisitionEngine> engine_;
};

// Files of an acquisition folder as the command prints them at the end of a run.
std::string DescribeAcquisitionFolder(const std::filesystem::path& folder);

}  // namespace movexa::cli
