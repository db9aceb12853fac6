// movexa-cli connect: connects to the instrument exactly as the main window's Connect does (the
// port prompt answered on the terminal), then prints the port, the serial number and the
// factory temperature calibration.
#include <cstdio>
#include <string>

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "app/config.h"
#include "app/instrument.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/terminal_host.h"
#include "device/posix_serial.h"

namespace movexa::cli {

namespace fs = std::filesystem;

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: movexa-cli connect [--app-dir DIR]\n\n"
               "Connects to the instrument as the main window's Connect does: the configured port\n"
               "of DIR/config.dat, then ports 1..15 and the serial ports of this computer that\n"
               "no COM number reaches (one where the instrument answers gets a free COM number\n"
               "in DIR/ports.dat), then a prompt for a port number. COM<n> is the device in\n"
               "MOVEXA_COM<n>, else in DIR/ports.dat, else /dev/ttyS<n-1> (movexa-cli ports\n"
               "lists them).\n");
}

}  // namespace

int RunConnect(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (args.Has("help")) {
    PrintUsage(stdout);
    return 0;
  }
  if (!args.errors().empty() || !args.positional().empty()) {
    for (const auto& e : args.errors()) std::fprintf(stderr, "movexa-cli connect: %s\n", e.c_str());
    PrintUsage(stderr);
    return 2;
  }
  const fs::path appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  TerminalHost terminal;
  if (auto missing = ConfigFileMissing(appDir)) {
    terminal.dialogs.Problem(*missing, Dialogs::Severity::kCritical);
    return 1;
  }
  AppState state;
  state.appDir = appDir;
  LoadConfig(appDir, state.config, terminal.host);
  state.portEnumerator = std::make_unique<SystemPortEnumerator>();
  InstallPorts(state, terminal.pacer, std::make_unique<SystemPortOpener>(appDir));
  ConnectOutcome outcome = ConnectAppInstrument(state, terminal.host);
  const AppConfig& config = state.config;
  const ConnectionState& connection = state.connection;

  if (outcome == ConnectOutcome::kOffline) {
    std::printf("offline: no instrument found\n");
    return 1;
  }
  if (outcome == ConnectOutcome::kPortChanged) {
    std::printf("port: COM%d saved for the next connect\n", config.Serial_COM);
    return 1;
  }
  const FactoryTempCalibration& f = connection.factory;
  std::printf("port: COM%d (%s)\n", connection.port,
              state.ports->DeviceOf(connection.port).c_str());
  std::printf("serial number: %d\n", connection.serialNumber);
  std::printf("factory calibration: %s\n", f.valid ? "valid" : "invalid (defaults in use)");
  if (f.valid) std::printf("calibrated: %02d/%02d\n", f.month, f.year);
  std::printf("offset: %s degrees\n", ShortestDecimal(f.offset).c_str());
  std::printf("slope: %s degrees per unit\n", ShortestDecimal(f.slope).c_str());
  DeviceLink link = InstrumentLink(state, terminal.host);
  DisconnectInstrument(link);
  return 0;
}

}  // namespace movexa::cli
