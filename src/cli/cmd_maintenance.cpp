// movexa-cli test-device, factory and gain-curve: the technician's procedures of the main
// window's menu, the factory settings window and the calibration window, against the
// instrument found by the connect operation.
#include <cstdio>
#include <string>

#include "app/app_folder.h"
#include "base/number_format.h"
#include "calibration/calibration_window.h"
#include "calibration/device_test.h"
#include "calibration/factory_settings.h"
#include "calibration/gain_curve.h"
#include "calibration/maintenance_texts.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/run_session.h"

namespace movexa::cli {

namespace {

namespace t = maintenance_texts;

constexpr const char* kTestDeviceHelp =
    "usage: movexa-cli test-device [--app-dir DIR]\n"
    "\n"
    "Runs the device test of the main window's menu (\"Test DEVICE\") on the instrument: every\n"
    "beam at full and at zero emitter setting, one column and one row of beams at a time, then\n"
    "a middle setting, reading all channels after each step. The questions of the test are\n"
    "answered OK and Yes. Prints every verdict and writes the report \"testdev<serial>.txt\"\n"
    "in the application folder. Answers 0 when the test ran to its end with every verdict passed\n"
    "and its report written, 1 otherwise (a verdict to check, an instrument that stopped\n"
    "answering, a report that could not be written). Ctrl-C stops the test.\n";

constexpr const char* kFactoryHelp =
    "usage: movexa-cli factory [--app-dir DIR] [--reference DEGREES]\n"
    "\n"
    "Shows what the factory settings window shows: the serial number, the date of the last\n"
    "factory calibration (or \"NON Calibrated\") and the temperature. With --reference, the\n"
    "temperature offset is re-calibrated against DEGREES (4..50), measured by a reference\n"
    "thermometer beside the plate, and written to the instrument's factory registers.\n";

constexpr const char* kGainCurveHelp =
    "usage: movexa-cli gain-curve [--app-dir DIR]\n"
    "\n"
    "The calibration window's gain-curve test: for every power 0..7 and gain 0..7 the\n"
    "instrument applies that setting to all beams and six readings of every channel are kept.\n"
    "Writes \"test_bk.txt\" (the readings), \"test_mean.txt\" (their means) and\n"
    "\"test_desv.txt\" (their mean absolute deviations) in the application folder; a channel\n"
    "without a beam (the odd channels) is written as -1. The test stops at the first setting or\n"
    "reading the instrument does not answer, and on Ctrl-C; it then answers 1.\n";

// The device test's own questions answered as a technician at the bench would (the slot is
// empty and the door closed); everything else goes to the terminal.
class BenchDialogs : public Dialogs {
 public:
  explicit BenchDialogs(Dialogs& inner) : inner_(inner) {}
  void Message(std::string_view text, std::string_view title) override {
    if (text == t::kTurningOn || text == t::kTurningOff) {
      std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
      return;
    }
    inner_.Message(text, title);
  }
  Answer Ask(std::string_view text, Buttons buttons, std::string_view title) override {
    if (text == t::kDeviceTestQuestion) return Answer::kOk;
    if (text == t::kOkToProceed) return Answer::kYes;
    return inner_.Ask(text, buttons, title);
  }
  std::string Input(std::string_view prompt, std::string_view title,
                    std::string_view proposal) override {
    return inner_.Input(prompt, title, proposal);
  }

 private:
  Dialogs& inner_;
};

// A session opened on the instrument; nullptr (with the reason printed) when offline.
bool OpenOnline(RunSession& session) {
  if (!session.Open()) return false;
  if (session.state().connection.offline || !session.state().connected) {
    std::printf("the instrument is needed: nothing done\n");
    return false;
  }
  return true;
}

}  // namespace

int RunTestDevice(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "test-device", kTestDeviceHelp)) return *exitCode;
  RunSession session(ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir"))), "", false);
  if (!OpenOnline(session)) return 1;
  InstallStopSignals();
  Host& host = session.host();
  BenchDialogs dialogs(host.dialogs);
  Host bench{dialogs, host.clock, host.pacer, host.shell, host.system, host.status};
  DeviceLink link{*session.state().ports, session.state().connection, session.state().signals, bench};
  DeviceTest test({link, session.state().appDir, [] { return false; }, nullptr, nullptr, {}, {}});
  if (!test.Start()) return 1;
  bench.pacer.PauseMs(test.nextDelayMs());
  while (test.Tick()) {
    if (StopRequests() > 0) {
      std::printf("stop requested\n");
      test.Stop();
      break;
    }
    bench.pacer.PauseMs(test.nextDelayMs());
  }
  for (const TestVerdict& v : test.verdicts()) std::printf("%s\n", v.status.c_str());
  const DeviceTestSummary summary = SummarizeDeviceTest(test);
  std::printf("report: %s\n", test.reportPath().string().c_str());
  std::printf("device test: %s\n", summary.text.c_str());
  return summary.passed ? 0 : 1;
}

int RunFactory(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "reference"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "factory", kFactoryHelp)) return *exitCode;
  RunSession session(ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir"))), "", false);
  if (!session.Open()) return 1;
  AppState& state = session.state();
  if (!FactoryAccessAllowed(state.connection.offline || !state.connected, false,
                            session.host().dialogs)) {
    return 1;
  }
  FactoryWindow window(session.engine().link());
  std::printf("%s\n", SerialCaption(state.connection.serialNumber).c_str());
  std::printf("%s\n", window.message().c_str());
  std::printf("temperature: %s degrees\n", window.Tick().c_str());
  if (auto reference = args.Value("reference")) {
    if (!window.Recalibrate(*reference)) {
      std::printf("offset unchanged: %s degrees\n", FormatNumber(window.offset(), "0.0").c_str());
      return 1;
    }
    std::printf("%s\n", window.message().c_str());
    std::printf("new offset: %s degrees; temperature now %s degrees\n",
                FormatNumber(window.offset(), "0.0").c_str(), window.Tick().c_str());
  }
  return 0;
}

int RunGainCurveCommand(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "gain-curve", kGainCurveHelp)) return *exitCode;
  RunSession session(ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir"))), "", false);
  if (!OpenOnline(session)) return 1;
  InstallStopSignals();
  CalibrationWindow window(session.engine().link(), session.state().project);
  GainCurveResult r =
      movexa::RunGainCurve(window, session.state().appDir, [] { return StopRequests() > 0; });
  std::printf("gain curve: %d of 64 power/gain pairs measured\n", r.pairs);
  if (r.instrumentLost) std::printf("gain curve stopped: the instrument stopped answering\n");
  if (r.cancelled) std::printf("gain curve stopped on request\n");
  for (std::string_view name : {t::kBkFile, t::kMeanFile, t::kDesvFile}) {
    std::printf("%s\n", (session.state().appDir / name).string().c_str());
  }
  return r.completed ? 0 : 1;
}

}  // namespace movexa::cli
