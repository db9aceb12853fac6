// Samples per second of a recorded run driven by the main window's sampling timer (Timeradq,
// single-shot 10 ms re-armed after each tick, the live display drawn on QImages), next to the
// same run driven by movexa-cli acquire's loop, both against one movexa-sim on a
// pseudo-terminal paced at 115200 baud with 48-byte blocks. Aim: the window at least 95 % of
// the command line.
//
//   window_rate_bench [--seconds N]   (default 30 seconds per run)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "base/system_host.h"
#include "cli/run_session.h"
#include "ui/common/qt_host.h"
#include "ui/main/frm_main.h"
#include "ui/main/program.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

int64_t NowMs() {
  return movexa::SystemClock().MonotonicMs();
}

pid_t StartSimulator(const fs::path& link) {
  const std::string program = MOVEXA_SIM_PROGRAM;
  std::string args[] = {program,         "--link", link.string(), "--paced",
                        "--block-bytes", "48",     "--all-rate",  "6"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                  args[5].data(), args[6].data(), args[7].data(), nullptr};
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

fs::path FreshAppDir(const fs::path& dir, const char* name) {
  const fs::path app = dir / name;
  fs::copy(fs::path(MOVEXA_SOURCE_DIR) / "data", app, fs::copy_options::recursive);
  return app;
}

struct Measured {
  double samplesPerSecond = 0;
  int64_t samples = 0;
  int64_t bins = 0;
};

// movexa-cli acquire: the session's real-time loop (10 ms after the end of each tick).
Measured CommandLineRun(const fs::path& appDir, int seconds) {
  Measured m;
  movexa::cli::RunSession session(appDir, "rate", true);
  if (!session.Open()) return m;
  session.state().project.Aq_lapse = 30;  // longer than the measurement, no disk question
  if (!session.engine().CmdPlay()) return m;
  const int64_t start = NowMs();
  session.TickInRealTime([&] {
    if (NowMs() - start >= seconds * 1000) session.engine().CmdStop();
  });
  const auto& c = session.state().run.counters;
  m.samples = c.samplesTaken;
  m.bins = c.binsClosed;
  m.samplesPerSecond = m.samples * 1000.0 / static_cast<double>(NowMs() - start);
  return m;
}

// The windows: the program started as `movexa`, its main window's Play, then Timeradq.
Measured WindowRun(const fs::path& appDir, int seconds) {
  Measured m;
  movexa::ui::QtHost qt;
  qt.dialogs.SetUnattended(movexa::ui::QtDialogs::Unattended{"rate"});
  qt.shell.quiet = true;
  movexa::AppState state;
  state.appDir = appDir;
  movexa::ui::Program program(state, qt.host, &qt.status);
  program.onQuit = [] {};
  movexa::ui::ProgramOptions options;
  options.startupStepMs = 0;
  if (!program.Start(options)) return m;
  program.RunLatestProject();
  state.project.Aq_lapse = 30;
  movexa::ui::Frm_Main* main = program.mainWindow();
  main->resize(1180, 800);
  main->Play();
  if (!main->RunActive()) return m;
  const int64_t start = NowMs();
  QEventLoop loop;
  QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
  loop.exec();
  const int64_t elapsed = NowMs() - start;
  m.samples = state.run.counters.samplesTaken;
  m.bins = state.run.counters.binsClosed;
  m.samplesPerSecond = m.samples * 1000.0 / static_cast<double>(elapsed);
  main->Stop();
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 30;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(2, std::atoi(argv[i + 1]));
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const fs::path dir = fs::temp_directory_path() / ("movexa-winrate-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path link = dir / "sim.link";
  pid_t sim = StartSimulator(link);
  if (sim <= 0 || !fs::is_symlink(fs::symlink_status(link))) {
    std::fprintf(stderr, "movexa-sim did not start\n");
    return 1;
  }
  // Both programs find the simulator on their configured COM4 (the installation data's).
  setenv("MOVEXA_COM4", link.string().c_str(), 1);

  Measured cli = CommandLineRun(FreshAppDir(dir, "cli-app"), seconds);
  Measured window = WindowRun(FreshAppDir(dir, "window-app"), seconds);

  std::printf(
      "\nsampling rate of a recorded run against movexa-sim on a pseudo-terminal "
      "(--paced --block-bytes 48), %d s each\n",
      seconds);
  std::printf("  movexa-cli acquire loop: %.2f samples/s (%lld samples, %lld bins)\n",
              cli.samplesPerSecond, static_cast<long long>(cli.samples),
              static_cast<long long>(cli.bins));
  std::printf("  main window, Timeradq:   %.2f samples/s (%lld samples, %lld bins)\n",
              window.samplesPerSecond, static_cast<long long>(window.samples),
              static_cast<long long>(window.bins));
  const double ratio =
      cli.samplesPerSecond > 0 ? window.samplesPerSecond / cli.samplesPerSecond : 0;
  std::printf("  window / command line: %.1f %% (aim: at least 95 %%: %s)\n", 100.0 * ratio,
              ratio >= 0.95 ? "met" : "NOT met");

  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
