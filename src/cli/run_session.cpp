// The session of movexa-cli acquire and calibrate.
#include "cli/run_session.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <vector>

#include "acquisition/counts_record.h"
#include "acquisition/run_texts.h"
#include "app/instrument.h"
#include "app/startup.h"
#include "cli/cli_startup.h"
#include "base/file_io.h"
#include "device/posix_serial.h"

namespace movexa::cli {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t gStopRequests = 0;

extern "C" void OnStopSignal(int) { gStopRequests = gStopRequests + 1; }

int64_t MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

// Sleeps until `deadlineMs` on the monotonic clock; returns early when a signal arrives.
void SleepUntil(int64_t deadlineMs) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(deadlineMs / 1000);
  t.tv_nsec = static_cast<long>(deadlineMs % 1000) * 1000000;
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr);
}

}  // namespace

void InstallStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a sleep or a read returns at once
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

int StopRequests() { return static_cast<int>(gStopRequests); }

void RunAnswerDialogs::Message(std::string_view text, std::string_view title) {
  terminal_.Message(text, title);
}

Dialogs::Answer RunAnswerDialogs::Ask(std::string_view text, Buttons buttons,
                                      std::string_view title) {
  if (text == run_texts::kEmptyName && buttons == Buttons::kOkCancel) {
    std::printf("[question] %.*s\n  -> OK (monitor mode)\n", static_cast<int>(text.size()), text.data());
    return Answer::kOk;
  }
  return terminal_.Ask(text, buttons, title);
}

std::string RunAnswerDialogs::Input(std::string_view prompt, std::string_view title,
                                    std::string_view proposal) {
  if (title == run_texts::kNameTitle) {
    std::printf("[input: %.*s] experiment name: \"%s\"\n", static_cast<int>(title.size()),
                title.data(), name_.c_str());
    return name_;
  }
  return terminal_.Input(prompt, title, proposal);
}

void TerminalRunDisplay::EndProgressLine() {
  if (progressOpen_) std::fputc('\n', stdout);
  progressOpen_ = false;
}

void TerminalRunDisplay::Progress(const std::string& line) {
  if (isatty(STDOUT_FILENO)) {
    std::printf("\r%-78s", line.c_str());
    progressOpen_ = true;
  } else {
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
}

void TerminalRunDisplay::SetStatus(std::string_view where, std::string_view text) {
  if (text.empty()) return;
  EndProgressLine();
  std::printf("[%.*s] %.*s\n", static_cast<int>(where.size()), where.data(),
              static_cast<int>(text.size()), text.data());
  std::fflush(stdout);
}

void TerminalRunDisplay::ShowPanel(std::string_view caption) {
  EndProgressLine();
  std::printf("%.*s\n", static_cast<int>(caption.size()), caption.data());
}

void TerminalRunDisplay::HidePanel() { std::fflush(stdout); }

void TerminalRunDisplay::ShowBanner(std::string_view text) {
  EndProgressLine();
  std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
}

void TerminalRunDisplay::ShowOutputs(const OutputState& outputs) {
  const int byte = OutputsByte(outputs);
  if (byte == lastOutputs_) return;
  lastOutputs_ = byte;
  EndProgressLine();
  std::printf("outputs: light %s, %s, temperature control %s\n", outputs.lightOn ? "ON" : "OFF",
              outputs.heatMode ? "HEAT" : "COOL", outputs.temperatureControlOn ? "ON" : "OFF");
}

void SignalPacer::PauseMs(int ms) {
  if (ms > 0) SleepUntil(MonotonicMs() + ms);
}

void SignalPacer::PumpEvents() {
  if (onStopRequest) onStopRequest();
}

RunSession::RunSession(fs::path appDir, std::string experimentName, bool assumeYes)
    : terminalDialogs_(assumeYes),
      dialogs_(terminalDialogs_, std::move(experimentName)),
      host_{dialogs_, clock_, pacer_, shell_, system_, display_} {
  state_.appDir = std::move(appDir);
}

bool RunSession::Open() {
  // Start-up shows its steps as lines at once: the start menu's pauses are not needed here.
  NoWaitPacer startupPacer;
  Host startupHost{dialogs_, clock_, startupPacer, shell_, system_, display_};
  CliStartup observer(startupHost);
  if (!StartUp(state_, "", startupHost, observer)) {
    std::fprintf(stderr, "movexa-cli: start-up ended (application folder %s)\n",
                 state_.appDir.string().c_str());
    return false;
  }
  state_.outputs = OutputsAtStartup(state_.project.Mn);
  state_.outputs.thermostatEnabled = state_.main.temperatureControl;
  InstallPorts(state_, pacer_, std::make_unique<SystemPortOpener>(state_.appDir));
  state_.portEnumerator = std::make_unique<SystemPortEnumerator>();
  ConnectOutcome outcome = ConnectAppInstrument(state_, host_);
  if (outcome == ConnectOutcome::kPortChanged) {
    std::printf("port: COM%d saved for the next connect\n", state_.config.Serial_COM);
    return false;
  }
  if (outcome == ConnectOutcome::kConnected) {
    std::printf("instrument: serial number %d on COM%d (%s)\n", state_.connection.serialNumber,
                state_.connection.port, state_.ports->DeviceOf(state_.connection.port).c_str());
  } else {
    // Offline the operations refuse with their own messages, as in the windows.
    if (state_.connection.busyPort > 0) {
      std::printf("offline: COM%d is in use by another program (another Movexa?)\n",
                  state_.connection.busyPort);
    } else {
      std::printf("offline: no instrument found\n");
    }
  }
  std::printf("project: %d %s, plate %s, %d samples per bin, method %d, %d minutes\n",
              state_.config.Actual_Project_Number, state_.project.Name.c_str(),
              state_.project.Plate_format.c_str(), state_.project.RT_Buffer,
              state_.project.DSP_Method, state_.project.Aq_lapse);
  std::fflush(stdout);
  engine_ = std::make_unique<AcquisitionEngine>(state_, host_, display_);
  pacer_.onStopRequest = [this] {
    if (StopRequests() > 0 && state_.run.runState != RunState::kStopped) {
      display_.EndProgressLine();
      std::printf("stop requested\n");
      engine_->CmdStop();
    }
  };
  return true;
}

void RunSession::TickInRealTime(const std::function<void()>& progress) {
  while (state_.run.timerEnabled) {
    if (StopRequests() > 0) {
      display_.EndProgressLine();
      std::printf("stop requested\n");
      engine_->CmdStop();
      break;
    }
    engine_->Tick();
    if (progress) progress();
    // The windows' timer fires again 10 ms after the tick has returned.
    SleepUntil(MonotonicMs() + state_.run.timerIntervalMs);
  }
  display_.EndProgressLine();
}

std::string RunSession::ProgressLine() const {
  const AcquisitionRun& run = state_.run;
  const int64_t written =
      run.counters.binsClosed - static_cast<int64_t>(run.files.waiting.size());
  char line[160];
  std::snprintf(line, sizeof line, "elapsed %s  bins written %lld  bad blocks %lld  T=%s C%s",
                run.elapsedText.data(), static_cast<long long>(run.context.recording ? written : 0),
                static_cast<long long>(run.counters.badBlocks), run.temperatureText.data(),
                run.counters.instrumentSilent ? "  NO REPLY FROM THE INSTRUMENT" : "");
  return line;
}

std::string DescribeAcquisitionFolder(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& name : names) {
    const int64_t bytes = FileLength(folder / name);
    char line[256];
    if (name == "counts.bin") {
      std::snprintf(line, sizeof line, "  %-14s %12lld bytes  (%lld records of %d bytes)\n", name.c_str(),
                    static_cast<long long>(bytes), static_cast<long long>(bytes / kCountsRecordBytes),
                    kCountsRecordBytes);
    } else {
      std::snprintf(line, sizeof line, "  %-14s %12lld bytes\n", name.c_str(), static_cast<long long>(bytes));
    }
    out += line;
  }
  return out;
}

}  // namespace movexa::cli
