// Samples per second of a real acquisition against movexa-sim on a pseudo-terminal, paced at
// 115200 baud, for instruments that answer a block request with 48, 96 or 192 bytes, or with
// lengths varying from request to request among those three, each next to the line-speed limit
// of the bytes the reader must take: 8 block requests of 5 bytes out and the whole reply in
// (48 bytes: 46.8 ms per sample, about 21.4 samples per second), plus the 10 ms the timer waits
// after each tick. The reader takes a whole reply to stay in step, so a longer reply costs its
// wire time. Measured in the same run: the bare exchanges (the eight block requests, the check
// that the series ended in step, and the 10 ms wait, nothing else) as the baseline, and the
// engine's Tick() in a recorded run (detection, live refresh points, bin closes with their
// files). Aim: at least 95 % of the limit for 48-byte replies.
//
// A pseudo-terminal has no baud rate: the requests reach the simulator at once and only its
// replies are paced, so the rate a pty allows is higher than the line's. Both limits are printed.
//
//   sampling_rate_bench [--seconds N]   (default 30 seconds per measurement: a bin of the demo
//                                        project's 600 samples closes within it)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "acquisition/acquisition_engine.h"
#include "app/instrument.h"
#include "app/startup.h"
#include "base/host_fakes.h"
#include "base/serial_peer.h"
#include "base/system_host.h"
#include "device/posix_serial.h"

extern char** environ;

namespace movexa {
namespace {

namespace fs = std::filesystem;

constexpr int kBlocks = 8;
constexpr int kRequestBytes = 5;
constexpr int kNeededBytes = 48;  // the sampling loop parses 24 signals of every reply

int64_t NowMs() { return SystemClock().MonotonicMs(); }

// The windows' timer: the next tick 10 ms after the previous one returned.
void TimerWait() { std::this_thread::sleep_for(std::chrono::milliseconds(kSamplingTimerMs)); }

pid_t StartSimulator(const fs::path& link, const std::string& blockBytes) {
  const std::string program = MOVEXA_SIM_PROGRAM;
  std::string args[] = {program, "--link", link.string(), "--paced", "--block-bytes", blockBytes,
                        "--all-rate", "6"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                  args[4].data(), args[5].data(), args[6].data(), args[7].data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  for (int i = 0; pid > 0 && i < 500 && !fs::is_symlink(fs::symlink_status(link)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return pid;
}

struct Measured {
  double samplesPerSecond = 0;
  int64_t samples = 0;
  int64_t badBlocks = 0;
};

// The baseline: eight block exchanges per sample and the timer's wait, nothing else.
Measured BareExchanges(DeviceLink& link, int seconds) {
  Measured m;
  const int64_t start = NowMs();
  while (NowMs() - start < seconds * 1000) {
    for (int offset = 0; offset < kBlocks * 8; offset += 8) {
      if (!ExchangeSignalBlock(link, offset, kNeededBytes).good) ++m.badBlocks;
    }
    BlockSeriesEndedInStep(link);
    ++m.samples;
    TimerWait();
  }
  m.samplesPerSecond = m.samples * 1000.0 / static_cast<double>(NowMs() - start);
  return m;
}

// A recorded run of the engine, ticked as the windows' timer ticks it.
Measured EngineRun(AppState& state, Host& host, LiveDisplayObserver& display, int seconds) {
  Measured m;
  AcquisitionEngine engine(state, host, display);
  if (!engine.CmdPlay()) return m;
  const int64_t start = NowMs();
  while (NowMs() - start < seconds * 1000 && state.run.timerEnabled) {
    engine.Tick();
    TimerWait();
  }
  const int64_t elapsed = NowMs() - start;
  m.samples = state.run.counters.samplesTaken;
  m.badBlocks = state.run.counters.badBlocks;
  m.samplesPerSecond = m.samples * 1000.0 / static_cast<double>(elapsed);
  engine.CmdStop();
  return m;
}

}  // namespace
}  // namespace movexa

namespace movexa {
namespace {

struct ReplyCase {
  const char* blockBytes;   // movexa-sim's --block-bytes
  double meanReplyBytes;    // bytes the reader takes per block, on average
};

// One reply length: a fresh simulator, application folder and connection; prints one line
// each for the bare exchanges and the engine. Returns the engine's share of the limit, or -1.
double MeasureCase(const fs::path& dir, const ReplyCase& c, int seconds) {
  const fs::path link = dir / "sim.link";
  pid_t sim = StartSimulator(link, c.blockBytes);
  if (sim <= 0 || !fs::is_symlink(fs::symlink_status(link))) {
    std::fprintf(stderr, "movexa-sim did not start\n");
    return -1;
  }
  // An application folder from the installation data: the demo project (plate w96f, eight
  // blocks per sample, 600 samples per bin, raw data recorded).
  const fs::path appDir = dir / "app";
  std::error_code ec;
  fs::remove_all(appDir, ec);
  fs::copy(fs::path(MOVEXA_SOURCE_DIR) / "data", appDir, fs::copy_options::recursive);
  FakeHost fake;  // dialogs answered from the script, statuses recorded
  fake.dialogs.Lenient(Dialogs::Answer::kYes, "rate");
  SystemClock clock;
  SleepingPacer pacer;
  Host host{fake.dialogs, clock, pacer, fake.shell, fake.system, fake.status};
  AppState state;
  state.appDir = appDir;
  StartupObserver noWindows;
  StartUp(state, "", host, noWindows);
  const std::string linkPath = link.string();
  InstallPorts(state, pacer,
               std::make_unique<SystemPortOpener>(appDir, [&](const std::string& name) -> std::optional<std::string> {
                 if (name == "MOVEXA_COM" + std::to_string(state.config.Serial_COM)) return linkPath;
                 return "/nonexistent/movexa-bench";
               }));
  double share = -1;
  if (ConnectAppInstrument(state, host) != ConnectOutcome::kConnected) {
    std::fprintf(stderr, "no instrument on %s\n", linkPath.c_str());
  } else {
    state.project.Aq_lapse = 32000;
    state.project.Save_real = 1;
    const double msPerSample =
        kBlocks * static_cast<double>(WireTimeUs(kRequestBytes)) / 1000.0 +
        kBlocks * c.meanReplyBytes * static_cast<double>(WireTimeUs(1)) / 1000.0 + kSamplingTimerMs;
    const double limit = 1000.0 / msPerSample;
    const double ptyLimit =
        1000.0 / (kBlocks * c.meanReplyBytes * static_cast<double>(WireTimeUs(1)) / 1000.0 +
                  kSamplingTimerMs);
    DeviceLink link0 = InstrumentLink(state, host);
    Measured bare = BareExchanges(link0, seconds);
    LiveDisplayObserver display;
    Measured engine = EngineRun(state, host, display, seconds);
    std::printf("replies of %s bytes: line-speed limit %d x (%d + %.0f) bytes + %d ms = %.2f ms, "
                "%.2f samples/s (pseudo-terminal %.2f)\n",
                c.blockBytes, kBlocks, kRequestBytes, c.meanReplyBytes, kSamplingTimerMs,
                msPerSample, limit, ptyLimit);
    std::printf("  bare exchanges (baseline): %.2f samples/s = %.1f %% of the limit (%lld samples, "
                "%lld bad blocks)\n",
                bare.samplesPerSecond, 100.0 * bare.samplesPerSecond / limit,
                static_cast<long long>(bare.samples), static_cast<long long>(bare.badBlocks));
    std::printf("  engine Tick(), recorded run: %.2f samples/s = %.1f %% of the limit, %.1f %% of "
                "the pseudo-terminal limit, %.1f %% of the baseline (%lld samples, %lld bad "
                "blocks)\n",
                engine.samplesPerSecond, 100.0 * engine.samplesPerSecond / limit,
                100.0 * engine.samplesPerSecond / ptyLimit,
                100.0 * engine.samplesPerSecond / bare.samplesPerSecond,
                static_cast<long long>(engine.samples), static_cast<long long>(engine.badBlocks));
    share = engine.samplesPerSecond / limit;
  }
  state.ports.reset();
  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  return share;
}

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
  using namespace movexa;
  int seconds = 30;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(2, std::atoi(argv[i + 1]));
  }
  const fs::path dir = fs::temp_directory_path() / ("movexa-rate-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("sampling rate against movexa-sim on a pseudo-terminal (--paced)\n");
  const ReplyCase cases[] = {
      {"48", 48}, {"96", 96}, {"192", 192}, {"48,96,192", (48 + 96 + 192) / 3.0}};
  double share48 = -1;
  for (const ReplyCase& c : cases) {
    double share = MeasureCase(dir, c, seconds);
    if (c.meanReplyBytes == 48) share48 = share;
  }
  std::printf("aim: at least 95 %% of the line-speed limit for 48-byte replies: %s\n",
              share48 >= 0.95 ? "met" : "NOT met");
  std::error_code ec;
  fs::remove_all(dir, ec);
  return share48 < 0 ? 1 : 0;
}
