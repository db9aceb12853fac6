// movexa-cli connect: connects to the instrument exactly as the main window's Connect does (the
// port prompt answered on the terminal), then prints the port, the serial number and the
// factory temperature calibration.
//
// The application configuration is read here from "config.dat" line 2 (project, last project,
// port, restart) with the record syntax of src/base, and written back the same way, until the
// shared LoadConfig/SaveConfig of src/app take their place.
#include <cstdio>
#include <string>

#include "app/app_config.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/terminal_host.h"
#include "device/connection.h"
#include "device/posix_serial.h"

namespace movexa::cli {

namespace {

constexpr const char* kConfigFile = "config.dat";
constexpr const char* kConfigHeader =
    "Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>";
constexpr const char* kConfigMissing = "Config file not found: Check correct software installation";
constexpr const char* kConfigUnreadable =
    "Error opening config File >>>> Loading DEFAULT configuration...";
constexpr const char* kConfigNotSaved = "<Error Saving Config File>";

// Reads "config.dat"; false when it does not exist. An unreadable or short file gives the
// defaults after its message.
bool LoadConfigFile(const fs::path& appDir, AppConfig& config, Dialogs& dialogs) {
  const fs::path path = appDir / kConfigFile;
  if (!IsFile(path)) return false;
  AppConfig loaded;
  auto text = ReadWholeFile(path);
  bool ok = text.has_value();
  if (ok) {
    RecordReader reader(*text);
    ok = reader.Skip() && reader.ReadInt16(loaded.Actual_Project_Number) &&
         reader.ReadInt16(loaded.Last_Project) && reader.ReadInt16(loaded.Serial_COM) &&
         reader.ReadInt16(loaded.Restart_Time);
  }
  if (!ok) {
    dialogs.Message(kConfigUnreadable);
    loaded = AppConfig{};
  }
  if (loaded.Serial_COM < 1) loaded.Serial_COM = 1;
  if (loaded.Serial_COM > 16) loaded.Serial_COM = 16;
  loaded.Restart_Time = 0;
  config = loaded;
  return true;
}

void SaveConfigFile(const fs::path& appDir, const AppConfig& config, Dialogs& dialogs) {
  RecordWriter w;
  w.Header(kConfigHeader)
      .Int(config.Actual_Project_Number)
      .Int(config.Last_Project)
      .Int(config.Serial_COM)
      .Int(config.Restart_Time)
      .EndLine();
  if (!WriteFileAtomic(appDir / kConfigFile, w.str())) dialogs.Message(kConfigNotSaved);
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: movexa-cli connect --app-dir DIR\n\n"
               "Connects to the instrument as the main window's Connect does: the configured port\n"
               "of DIR/config.dat, then ports 1..15, then a prompt for a port number. COM<n> is\n"
               "the device in MOVEXA_COM<n>, else in DIR/ports.dat, else /dev/ttyS<n-1>.\n");
}

}  // namespace

int RunConnect(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (args.Has("help")) {
    PrintUsage(stdout);
    return 0;
  }
  auto appDirText = args.Value("app-dir");
  if (!args.errors().empty() || !args.positional().empty() || !appDirText) {
    for (const auto& e : args.errors()) std::fprintf(stderr, "movexa-cli connect: %s\n", e.c_str());
    PrintUsage(stderr);
    return 2;
  }
  const fs::path appDir(*appDirText);
  TerminalHost terminal;
  AppConfig config;
  if (!LoadConfigFile(appDir, config, terminal.dialogs)) {
    terminal.dialogs.Message(kConfigMissing, {});
    return 1;
  }

  SystemPortOpener opener(appDir);
  CommPortTable ports(terminal.pacer, opener);
  ConnectionState connection;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, terminal.host};
  ConnectOutcome outcome = ConnectInstrument(
      link, config.Serial_COM, [&] { SaveConfigFile(appDir, config, terminal.dialogs); });

  if (outcome == ConnectOutcome::kOffline) {
    std::printf("offline: no instrument found\n");
    return 1;
  }
  if (outcome == ConnectOutcome::kPortChanged) {
    std::printf("port: COM%d saved for the next connect\n", config.Serial_COM);
    return 1;
  }
  const FactoryTempCalibration& f = connection.factory;
  std::printf("port: COM%d (%s)\n", connection.port, ports.DeviceOf(connection.port).c_str());
  std::printf("serial number: %d\n", connection.serialNumber);
  std::printf("block reply: %d bytes\n", connection.blockReplyBytes);
  std::printf("factory calibration: %s\n", f.valid ? "valid" : "invalid (defaults in use)");
  if (f.valid) std::printf("calibrated: %02d/%02d\n", f.month, f.year);
  std::printf("offset: %s degrees\n", ShortestDecimal(f.offset).c_str());
  std::printf("slope: %s degrees per unit\n", ShortestDecimal(f.slope).c_str());
  DisconnectInstrument(link);
  return 0;
}

}  // namespace movexa::cli
