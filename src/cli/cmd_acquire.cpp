// movexa-cli acquire: a named acquisition of the current project in real time, as the main
// window's Play starts it, with a progress line, Ctrl-C as Stop, and where its files and quick
// report are at the end.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "acquisition/data_files.h"
#include "acquisition/quick_report.h"
#include "app/app_folder.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/run_session.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli acquire [--app-dir DIR] --name NAME [--minutes N] [--quick-report] [--yes]\n"
    "\n"
    "Runs an acquisition of the current project in real time, as the main window's Play does:\n"
    "connects to the instrument (as `movexa-cli connect`), answers the experiment-name prompt\n"
    "with NAME, samples the beams every 10 ms after the previous sample, closes a bin every\n"
    "RT_Buffer samples (\"counts.bin\" and the raw files in the acquisition folder), and ends\n"
    "when Aq_lapse minutes have passed with the quick report (or the automatic report when the\n"
    "report configuration's user-defined bin is in force). A progress line shows the elapsed\n"
    "time, the bins written, the bad blocks and the temperature. Ctrl-C or SIGTERM stops the\n"
    "run as the Stop button does (a partial bin is dropped). A run past its programmed end\n"
    "whose last bin cannot close (an instrument that does not answer) ends as Stop ends it.\n"
    "Bins a failing disk holds back are tried again for two minutes at the end. The exit\n"
    "status is 1 when bins were closed with most of their signal blocks bad, when the last bin\n"
    "was dropped that way, or when closed bins could not all be stored (a failing disk, or the\n"
    "file-size limit: `ulimit -f`).\n"
    "\n"
    "  --app-dir DIR  the application folder (else MOVEXA_HOME, else the executable's folder\n"
    "                 when it holds config.dat, else $XDG_DATA_HOME/movexa or\n"
    "                 ~/.local/share/movexa)\n"
    "  --name NAME    the experiment name; an empty NAME (--name \"\") runs in monitor mode:\n"
    "                 the beams are sampled, nothing is counted or stored\n"
    "  --minutes N    run N minutes (1..32767) instead of the project's Aq_lapse; the project's\n"
    "                 files are not changed (the acquisition's copy of the setup records N)\n"
    "  --quick-report end with the quick report even when the report configuration's\n"
    "                 user-defined bin is in force (\"repoconf.dat\" is not changed)\n"
    "  --yes          answer Yes to the disk-space warning of long recordings\n";

constexpr int kRetryWaitingMs = 5000;
// How long the end of a run waits for a failing disk before it gives the bins up.
constexpr int kRetryWaitingTimes = 24;
constexpr int64_t kTerminalProgressMs = 500;
constexpr int64_t kLogProgressMs = 5000;

// Bins a failing disk still holds are written as soon as it allows, for two minutes at most; a
// second stop request gives them up at once.
bool WriteWhatWaits(RunSession& session) {
  AcquisitionRun& run = session.state().run;
  for (int tries = 0; !run.files.waiting.empty(); ++tries) {
    if (StopRequests() >= 2 || tries >= kRetryWaitingTimes) return false;
    std::printf("%zu bin(s) still wait for the disk (%s); trying again in 5 s for at most %d s "
                "more (Ctrl-C again gives them up)\n",
                run.files.waiting.size(), run.files.lastError.c_str(),
                (kRetryWaitingTimes - tries) * kRetryWaitingMs / 1000);
    std::fflush(stdout);
    session.host().pacer.PauseMs(kRetryWaitingMs);
    WriteWaitingBins(session.host(), run.files, run.lastRecordedFolder);
  }
  return true;
}

}  // namespace

int RunAcquire(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "name", "minutes"});
  args.Allow({"yes", "quick-report"});
  if (auto exitCode = HelpOrUsageError(args, "acquire", kHelp)) return *exitCode;
  auto name = args.Value("name");
  if (!name) {
    std::fprintf(stderr, "movexa-cli acquire: --name NAME is required (\"\" for monitor mode)\n");
    std::fputs(kHelp, stderr);
    return 2;
  }
  std::optional<int64_t> minutes;
  if (auto text = args.Value("minutes")) {
    minutes = ParseInteger(*text, 1, 32767);
    if (!minutes) {
      std::fprintf(stderr, "movexa-cli acquire: --minutes takes a whole number 1..32767\n");
      return 2;
    }
  }

  InstallStopSignals();
  RunSession session(ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir"))), *name,
                     args.Has("yes"));
  if (!session.Open()) return 1;
  AppState& state = session.state();
  if (minutes) {
    state.project.Aq_lapse = static_cast<int16_t>(*minutes);
    std::printf("run length: %lld minutes (the project's files keep their Aq_lapse)\n",
                static_cast<long long>(*minutes));
  }
  if (args.Has("quick-report")) state.main.userDefinedBin = false;
  if (state.main.userDefinedBin) {
    std::printf("end of the run: the automatic report (user-defined bin of %d minutes in repoconf.dat)\n",
                state.reportConfig.Bin);
  } else {
    std::printf("end of the run: the quick report\n");
  }
  if (!session.engine().CmdPlay()) {
    std::printf("the acquisition did not start\n");
    return 1;
  }
  const RunContext& context = state.run.context;
  if (context.recording) {
    std::printf("acquisition \"%s\" in %s\n", context.experimentName.c_str(), context.folder.string().c_str());
  } else {
    std::printf("monitor mode: the beams are sampled, nothing is counted or stored\n");
  }
  std::fflush(stdout);

  const int64_t every = isatty(STDOUT_FILENO) ? kTerminalProgressMs : kLogProgressMs;
  int64_t nextProgress = session.host().clock.MonotonicMs();
  session.TickInRealTime([&] {
    const int64_t now = session.host().clock.MonotonicMs();
    if (now < nextProgress) return;
    nextProgress = now + every;
    session.display().Progress(session.ProgressLine());
  });
  session.display().Progress(session.ProgressLine());
  session.display().EndProgressLine();
  const bool allWritten = WriteWhatWaits(session);

  std::printf("%s after %lld samples, %lld bins closed (%lld with most blocks bad), %lld bad "
              "blocks\n",
              context.finished ? "finished" : "stopped",
              static_cast<long long>(state.run.counters.samplesTaken),
              static_cast<long long>(state.run.counters.binsClosed),
              static_cast<long long>(state.run.counters.badBins),
              static_cast<long long>(state.run.counters.badBlocks));
  std::printf("%s\n", DescribeBlockReplies(state.connection).c_str());
  if (context.recording) {
    std::printf("acquisition folder: %s\n%s", context.folder.string().c_str(),
                DescribeAcquisitionFolder(context.folder).c_str());
    const auto report = state.ProjectPath / kQuickReportFileName;
    if (!context.finished) {
      std::printf("quick report: none (the run was stopped before Aq_lapse)\n");
    } else if (!state.main.userDefinedBin && IsFile(report)) {
      std::printf("quick report: %s\n", report.string().c_str());
    } else if (state.main.userDefinedBin) {
      for (const char* fileName : {"report.csv", "report.txt"}) {
        if (IsFile(context.folder / fileName)) {
          std::printf("automatic report: %s\n", (context.folder / fileName).string().c_str());
        }
      }
    }
  }
  if (!allWritten) {
    std::printf("%zu closed bin(s) were given up and are not in the files\n", state.run.files.waiting.size());
    return 1;
  }
  // Data the file-size limit kept out of the files (the operator was told at the stop), or a
  // last bin that could not close at the programmed end (told when the run ended).
  if (!FileSizeLimitSummary(state.run.files).empty() || context.lastBinDropped) return 1;
  // Bins that hold repeated signals instead of the activity make the run a failure for scripts.
  return state.run.counters.badBins > 0 ? 1 : 0;
}

}  // namespace movexa::cli
