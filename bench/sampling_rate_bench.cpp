// Samples per second of a real acquisition against movexa-sim on a pseudo-terminal, paced at
// 115200 baud, each next to the line-speed limit of the bytes the reader must take: 8 block
// requests of 5 bytes out and the whole reply in (48 bytes: 46.8 ms per sample, about 21.4
// samples per second), plus the 10 ms the timer waits after each tick. The instruments:
// replies of 48, 96 or 192 bytes; lengths varying from request to request among those three;
// 192-byte replies that stall 40 ms after byte 96 in 1 % of the requests; 48-byte replies
// followed by 144 bytes sent only once the line has been idle 15 or 30 ms; and replies that
// reach the host through a USB adapter with a 16 ms latency timer (packets of 62 bytes). The
// reader takes a whole reply to stay in step, so a longer reply costs its wire time.
//
// Measured in the same run: the bare exchanges (the eight block requests, the check that the
// series ended in step, and the 10 ms wait, nothing else) as the baseline, and the engine's
// Tick() in a recorded run (detection, live refresh points, bin closes with their files). The
// simulator tags every signal with its index in its reply and the reply's number, so every
// block taken as good is checked: a block that holds another reply's bytes is counted as
// misaligned. Aim: at least 95 % of the limit for fixed lengths and 85 % for varying ones
// (without an adapter), and no misaligned block anywhere.
//
// A pseudo-terminal has no baud rate: the requests reach the simulator at once and only its
// replies are paced, so the rate a pty allows is higher than the line's. Both limits are printed.
//
//   sampling_rate_bench [--seconds N] [--only TEXT]
//     --seconds N  per measurement (default 30: a bin of the demo project's 500 samples closes
//                  within it)
//     --only TEXT  only the cases whose description holds TEXT ("idle", "adapter", ...)
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
#include <vector>

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

pid_t StartSimulator(const fs::path& link, const std::vector<std::string>& simArgs) {
  const std::string program = MOVEXA_SIM_PROGRAM;
  std::vector<std::string> args = {program, "--link", link.string(), "--paced", "--tag-signals"};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
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
  int64_t misaligned = 0;  // blocks taken as good that hold another reply's signals
};

// Whether the 24 tagged signals of a block are the first of one reply.
bool OwnReply(const int32_t* signals, int stride) {
  for (int k = 0; k < kNeededBytes / 2; ++k) {
    const int32_t v = signals[k * stride];
    if ((v & 255) != k || (v >> 8) != (signals[0] >> 8)) return false;
  }
  return true;
}

// The baseline: eight block exchanges per sample and the timer's wait, nothing else.
Measured BareExchanges(DeviceLink& link, int seconds) {
  Measured m;
  const int64_t start = NowMs();
  while (NowMs() - start < seconds * 1000) {
    std::vector<SignalTable> good;
    for (int offset = 0; offset < kBlocks * 8; offset += 8) {
      if (ExchangeSignalBlock(link, offset, kNeededBytes).good) {
        good.push_back(link.signals);
      } else {
        ++m.badBlocks;
      }
    }
    if (BlockSeriesEndedInStep(link)) {
      for (const SignalTable& t : good) m.misaligned += OwnReply(t.data(), 1) ? 0 : 1;
    } else {
      m.badBlocks += static_cast<int64_t>(good.size());
    }
    ++m.samples;
    TimerWait();
  }
  m.samplesPerSecond = m.samples * 1000.0 / static_cast<double>(NowMs() - start);
  return m;
}

// Blocks of a sample row that hold another reply's signals (a row the engine has just filled;
// channel of signal k of the block at offset a: BlockSignalChannel(a, k)).
int64_t MisalignedInRow(const int16_t* row) {
  int64_t n = 0;
  for (int offset = 0; offset < kBlocks * 8; offset += 8) {
    std::array<int32_t, kNeededBytes / 2> signals{};
    for (int k = 0; k < kNeededBytes / 2; ++k) signals[static_cast<size_t>(k)] = row[BlockSignalChannel(offset, k)];
    if (signals[0] != 0 && !OwnReply(signals.data(), 1)) ++n;
  }
  return n;
}

// A recorded run of the engine, ticked as the windows' timer ticks it.
Measured EngineRun(AppState& state, Host& host, LiveDisplayObserver& display, int seconds) {
  Measured m;
  AcquisitionEngine engine(state, host, display);
  if (!engine.CmdPlay()) return m;
  const int64_t start = NowMs();
  while (NowMs() - start < seconds * 1000 && state.run.timerEnabled) {
    engine.Tick();
    RunBuffers& b = state.run.buffers;
    const int row = (state.run.counters.sampleIndex + b.rtBuffer - 1) % b.rtBuffer;
    m.misaligned += MisalignedInRow(b.RawRow(row));
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
  const char* name;
  std::vector<std::string> simArgs;  // movexa-sim's options beyond --paced --tag-signals
  double meanReplyBytes;             // bytes a reply carries, on average
  double aim;                        // share of the limit aimed at (0: measured only)
};

// One reply length: a fresh simulator, application folder and connection; prints one line
// each for the bare exchanges and the engine. Returns the engine's share of the limit, or -1.
double MeasureCase(const fs::path& dir, const ReplyCase& c, int seconds) {
  const fs::path link = dir / "sim.link";
  pid_t sim = StartSimulator(link, c.simArgs);
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
    std::printf("%s: line-speed limit %d x (%d + %.0f) bytes + %d ms = %.2f ms, "
                "%.2f samples/s (pseudo-terminal %.2f)\n",
                c.name, kBlocks, kRequestBytes, c.meanReplyBytes, kSamplingTimerMs, msPerSample,
                limit, ptyLimit);
    std::printf("  bare exchanges (baseline): %.2f samples/s = %.1f %% of the limit (%lld samples, "
                "%lld bad blocks, %lld misaligned)\n",
                bare.samplesPerSecond, 100.0 * bare.samplesPerSecond / limit,
                static_cast<long long>(bare.samples), static_cast<long long>(bare.badBlocks),
                static_cast<long long>(bare.misaligned));
    std::printf("  engine Tick(), recorded run: %.2f samples/s = %.1f %% of the limit, %.1f %% of "
                "the pseudo-terminal limit, %.1f %% of the baseline (%lld samples, %lld bad "
                "blocks, %lld misaligned)\n",
                engine.samplesPerSecond, 100.0 * engine.samplesPerSecond / limit,
                100.0 * engine.samplesPerSecond / ptyLimit,
                100.0 * engine.samplesPerSecond / bare.samplesPerSecond,
                static_cast<long long>(engine.samples), static_cast<long long>(engine.badBlocks),
                static_cast<long long>(engine.misaligned));
    std::printf("  %s\n", DescribeBlockReplies(state.connection).c_str());
    share = engine.samplesPerSecond / limit;
    if (bare.misaligned + engine.misaligned > 0) share = -2;
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
  std::string only;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(2, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
  }
  const fs::path dir = fs::temp_directory_path() / ("movexa-rate-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("sampling rate against movexa-sim on a pseudo-terminal (--paced)\n");
  const std::vector<std::string> idle15 = {"--block-bytes", "48", "--trailing-bytes", "144",
                                           "--trailing-pause-ms", "15"};
  const std::vector<std::string> idle30 = {"--block-bytes", "48", "--trailing-bytes", "144",
                                           "--trailing-pause-ms", "30"};
  const ReplyCase cases[] = {
      {"replies of 48 bytes", {"--block-bytes", "48", "--all-rate", "6"}, 48, 0.95},
      {"replies of 96 bytes", {"--block-bytes", "96"}, 96, 0.95},
      {"replies of 192 bytes", {"--block-bytes", "192"}, 192, 0.95},
      {"replies of 48, 96 or 192 bytes", {"--block-bytes", "48,96,192"}, (48 + 96 + 192) / 3.0, 0.85},
      {"replies of 192 bytes stalling 40 ms after byte 96 in 1 % of requests",
       {"--block-bytes", "192", "--reply-pause-ms", "40", "--reply-pause-after", "96",
        "--reply-pause-rate", "0.01"},
       192, 0.95},
      {"replies of 48 bytes, 144 more after 15 ms idle", idle15, 48, 0.95},
      {"replies of 48 bytes, 144 more after 30 ms idle", idle30, 48, 0.95},
      {"replies of 48 bytes through a 16 ms adapter", {"--block-bytes", "48", "--adapter-latency-ms", "16"}, 48, 0},
      {"replies of 192 bytes through a 16 ms adapter", {"--block-bytes", "192", "--adapter-latency-ms", "16"}, 192, 0},
  };
  bool met = true, aligned = true;
  for (const ReplyCase& c : cases) {
    if (!only.empty() && std::string(c.name).find(only) == std::string::npos) continue;
    const double share = MeasureCase(dir, c, seconds);
    if (share == -2) aligned = false;
    if (c.aim > 0 && share < c.aim) met = false;
  }
  std::printf("aim: at least 95 %% of the line-speed limit for fixed lengths, 85 %% for varying "
              "ones: %s; misaligned blocks: %s\n",
              met ? "met" : "NOT met", aligned ? "none" : "SOME");
  std::error_code ec;
  fs::remove_all(dir, ec);
  return aligned ? 0 : 1;
}
