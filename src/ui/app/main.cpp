// movexa: the windows of Movexa. Options:
//   --version             prints the version and ends (no display needed)
//   --help                prints this list
//   --app-dir DIR         the application folder (else MOVEXA_HOME, the program's folder when it
//                         holds "config.dat", or ~/.local/share/movexa)
//   --demo-instrument     try without an instrument: connect to the simulated instrument (a
//                         fresh application folder is laid out from the installation data)
//   --screenshots DIR     unattended: the start menu and the main window during a run against
//                         the simulated instrument saved as PNG files in DIR, then the end
//   --run-seconds N       length of the run of --screenshots (default 75: bins closed and
//                         more than a minute recorded, so the report pictures have data)
//   /run                  start a run at once, named "Autorun project"
// The first start on an account (no application folder, or an empty one) lays the folder out
// from the installation data and says where.
#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/app_folder.h"
#include "reports/report_config.h"
#include "ui/common/qt_host.h"
#include "ui/main/program.h"
#include "ui/main/screenshot_tour.h"
#include "ui/main/shell_texts.h"

namespace {

volatile std::sig_atomic_t gTerminate = 0;
extern "C" void OnTerminate(int) {
  gTerminate = 1;
}

constexpr const char* kUsage =
    "usage: movexa [--app-dir DIR] [--demo-instrument] [--screenshots DIR [--run-seconds N]] "
    "[/run]\n"
    "       movexa --version | --help\n";

struct Args {
  std::optional<std::string> appDir;
  std::optional<std::string> screenshots;
  int runSeconds = 75;
  bool demo = false;
  bool version = false;
  bool help = false;
  std::string argumentText;
  std::string error;
};

Args Parse(int argc, char** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) {
        a.error = arg + " needs a value";
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (arg == "--version")
      a.version = true;
    else if (arg == "--help" || arg == "-h")
      a.help = true;
    else if (arg == "--demo-instrument")
      a.demo = true;
    else if (arg == "--app-dir")
      a.appDir = value();
    else if (arg == "--screenshots")
      a.screenshots = value();
    else if (arg == "--run-seconds") {
      auto v = value();
      if (v) {
        try {
          a.runSeconds = std::stoi(*v);
        } catch (...) {
          a.error = "--run-seconds needs a whole number";
        }
      }
    } else if (arg.rfind("--", 0) == 0)
      a.error = "unknown option " + arg;
    // Anything else is the start argument ("/run"), which start-up itself interprets.
    else
      a.argumentText += (a.argumentText.empty() ? "" : " ") + arg;
    if (!a.error.empty()) break;
  }
  return a;
}

// The application folder before start-up. On the first start on an account (no folder, or an
// empty one) it is laid out from the installation data with the default report configuration,
// and the text saying where is returned for the start menu to show. A first try (the
// simulated instrument, the screenshot tour) also fills a folder that lost its "config.dat".
// Existing files are never overwritten; without installation data nothing is done and
// start-up says what is missing.
std::string PrepareApplicationFolder(const std::filesystem::path& appDir, bool firstTry,
                                     movexa::Host& host) {
  auto data = movexa::FindInstallationData(
      std::getenv("MOVEXA_DATA") ? std::optional<std::string>(std::getenv("MOVEXA_DATA"))
                                 : std::nullopt,
      movexa::ExecutableDir());
  movexa::FirstStart first = movexa::PrepareFirstStart(appDir, data);
  if (first.laidOut) {
    movexa::WriteDefaultReportConfigIfMissing(appDir, host);
    std::printf("movexa: application folder laid out in %s from %s\n", appDir.string().c_str(),
                data->string().c_str());
    std::fflush(stdout);
  } else if (first.failed) {
    std::fprintf(stderr, "movexa: %s\n", first.message.c_str());
  } else if (firstTry && data &&
             movexa::InspectAppFolder(appDir) == movexa::AppFolderState::kConfigLost) {
    movexa::LayOutApplicationFolder(*data, appDir);
  }
  return first.message;
}

}  // namespace

int main(int argc, char** argv) {
  Args args = Parse(argc, argv);
  if (!args.error.empty()) {
    std::fprintf(stderr, "movexa: %s\n%s", args.error.c_str(), kUsage);
    return 2;
  }
  if (args.version) {
    std::printf("movexa %s %s\n", MOVEXA_VERSION,
                std::string(movexa::ui::shell_texts::kVersionLabel).c_str());
    return 0;
  }
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("Movexa");
  // Windows are shown and hidden in turn: only the program's own ways out end it.
  QApplication::setQuitOnLastWindowClosed(false);

  const bool tour = args.screenshots.has_value();
  movexa::AppState state;
  state.appDir = movexa::ChooseAppDir(movexa::AppDirSourcesFromEnvironment(args.appDir));

  movexa::ui::QtHost qt;
  if (tour) qt.shell.quiet = true;
  const std::string firstStartNote =
      PrepareApplicationFolder(state.appDir, args.demo || tour, qt.host);
  movexa::ui::Program program(state, qt.host, &qt.status);
  bool quitRequested = false;
  program.onQuit = [&] {
    quitRequested = true;
    QCoreApplication::exit(0);
  };

  std::signal(SIGTERM, OnTerminate);
  std::signal(SIGINT, OnTerminate);
  QTimer terminateWatch;
  QObject::connect(&terminateWatch, &QTimer::timeout, [&] {
    if (gTerminate) program.EndProgram();  // an active run is stopped first
  });
  terminateWatch.start(200);

  movexa::ui::ProgramOptions options;
  options.argumentText = args.argumentText;
  options.demoInstrument = args.demo && !tour;
  options.firstStartNote = firstStartNote;
  if (tour) qt.dialogs.SetUnattended(movexa::ui::QtDialogs::Unattended{"Screenshot run"});
  if (!program.Start(options)) return 1;
  if (quitRequested) return 0;
  if (!firstStartNote.empty()) {
    std::printf("movexa: start menu open on the application folder %s\n",
                state.appDir.string().c_str());
    std::fflush(stdout);
  }

  if (tour) {
    auto result =
        movexa::ui::RunScreenshotTour(program, qt.dialogs, *args.screenshots, args.runSeconds);
    for (const auto& p : result.pictures) std::printf("screenshot: %s\n", p.string().c_str());
    if (!result.acquisitionFolder.empty()) {
      std::printf("acquisition folder: %s\n", result.acquisitionFolder.string().c_str());
    }
    if (!result.ok) std::fprintf(stderr, "movexa: screenshots: %s\n", result.error.c_str());
    program.EndProgram();
    return result.ok ? 0 : 1;
  }
  return app.exec();
}
