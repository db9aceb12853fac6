// movexa-cli calibrate: the main window's "Fast CALIB", "Fast ZERO" and "Read Blank" against the
// instrument, with what they changed saved where the program keeps it.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/app_folder.h"
#include "calibration/calibration_procedures.h"
#include "calibration/calibration_table.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/run_session.h"
#include "project/project_store.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli calibrate [--app-dir DIR] --software | --zero | --blank\n"
    "\n"
    "Connects to the instrument (as `movexa-cli connect`) and runs one calibration procedure of\n"
    "the main window on the current project:\n"
    "\n"
    "  --software  \"Fast CALIB\": steps the power and gain of every beam the plate format uses\n"
    "              until its level lies within 1807..2033 (80..90 % of full scale) and writes\n"
    "              the calibration table \"calvalue.dat\" of the application folder\n"
    "  --zero      \"Fast ZERO\": reads every beam 30 or 100 times and sets each channel's\n"
    "              detection threshold from its noise and the SNR factor of the project\n"
    "  --blank     \"Read Blank\": samples Threshold_Counter times and sets each channel's\n"
    "              threshold from its lowest and highest level\n"
    "  --app-dir DIR  the application folder (as for `movexa-cli acquire`)\n"
    "\n"
    "The software calibration and the automatic zero do their device work only while an\n"
    "acquisition is running or paused, so the command starts a monitor-mode acquisition around\n"
    "them (nothing is counted or stored; the instrument gets its channel mode as at every\n"
    "start) and stops it afterwards. The blank reading is driven by the sampling timer: it is\n"
    "ticked in real time until it stops by itself. The thresholds of --zero and --blank are\n"
    "saved with the project (\"threshld.dat\"). Ctrl-C stops the procedure as Stop does; nothing\n"
    "is saved then.\n";

void PrintThresholds(const AppState& state) {
  double lowest = 1e9, highest = -1e9, sum = 0;
  int used = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if (state.wellMap.channelWell[c] < 0) continue;
    const double t = state.project.ChannelThreshold[c];
    lowest = std::min(lowest, t);
    highest = std::max(highest, t);
    sum += t;
    ++used;
  }
  if (used > 0) {
    std::printf("thresholds of the %d used channels: lowest %.3f %%, highest %.3f %%, mean %.3f %%\n",
                used, lowest, highest, sum / used);
  }
}

bool SaveThresholds(RunSession& session) {
  AppState& state = session.state();
  SaveResult saved = SaveProject(state.ProjectPath, state.config.Actual_Project_Number, state.project);
  if (!saved.ok) {
    std::printf("the project could not be saved: %s\n", saved.error.c_str());
    return false;
  }
  std::printf("saved with the project: %s\n", (state.ProjectPath / "threshld.dat").string().c_str());
  return true;
}

}  // namespace

int RunCalibrate(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({"software", "zero", "blank"});
  if (auto exitCode = HelpOrUsageError(args, "calibrate", kHelp)) return *exitCode;
  const int chosen = args.Has("software") + args.Has("zero") + args.Has("blank");
  if (chosen != 1) {
    std::fprintf(stderr, "movexa-cli calibrate: choose one of --software, --zero, --blank\n");
    std::fputs(kHelp, stderr);
    return 2;
  }

  InstallStopSignals();
  RunSession session(ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir"))), "", false);
  if (!session.Open()) return 1;
  AppState& state = session.state();
  AcquisitionEngine& engine = session.engine();

  if (args.Has("blank")) {
    if (!engine.ReadBlank()) return 1;
    session.TickInRealTime({});
    if (StopRequests() > 0) {
      std::printf("blank reading stopped: nothing saved\n");
      return 1;
    }
    PrintThresholds(state);
    return SaveThresholds(session) ? 0 : 1;
  }

  if (args.Has("software") && engine.Offline()) {
    CalibrationContext ctx = engine.CalibrationFor();
    FastCalibration(ctx);  // refuses with its own message
    return 1;
  }
  std::printf("starting a monitor-mode acquisition for the procedure\n");
  if (!engine.CmdPlay()) return 1;
  CalibrationContext ctx = engine.CalibrationFor();
  const bool ok = args.Has("software")
                      ? FastCalibration(ctx)
                      : FastZero(ctx, state.main.snrText,
                                 state.main.autoCalibration && state.main.autoZero);
  const bool stopped = state.run.runState == RunState::kStopped;
  engine.CmdStop();
  if (!ok || stopped) {
    const char* how = stopped ? "stopped" : "failed";
    if (args.Has("software") && (ctx.tableFileWritten || ctx.registersWritten > 0)) {
      // The procedure writes as it goes: say what already changed.
      std::printf("calibration %s after writing:", how);
      if (ctx.tableFileWritten) {
        std::printf(" the calibration table %s;", (state.appDir / kCalibrationFileName).string().c_str());
      }
      std::printf(" %d instrument register(s)\n", ctx.registersWritten);
    } else {
      std::printf("calibration %s: nothing saved\n", how);
    }
    return 1;
  }
  if (args.Has("software")) {
    std::printf("calibration table: %s\n", (state.appDir / kCalibrationFileName).string().c_str());
    return 0;
  }
  PrintThresholds(state);
  return SaveThresholds(session) ? 0 : 1;
}

}  // namespace movexa::cli
