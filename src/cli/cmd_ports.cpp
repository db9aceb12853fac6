// movexa-cli ports: the serial ports of this computer with their descriptions and the COM
// number each is reached by, the devices the operator mapped himself, and the instrument's
// configured port; --assign maps a port to a COM number and makes it the instrument's port, as
// the serial ports window does.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "app/config.h"
#include "app/instrument.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli ports [--app-dir DIR] [--assign N --device PATH]\n"
    "\n"
    "Lists the serial ports of this computer: the COM number each is reached by, its device,\n"
    "its description, USB vendor:product and serial number where the system gives them, and\n"
    "where the COM number comes from. COM<n> is the device in MOVEXA_COM<n>, else the line n\n"
    "of DIR/ports.dat, else /dev/ttyS<n-1>. A port that no COM number reaches is \"not\n"
    "assigned\": the connection scan probes it and gives it a free COM number (in ports.dat)\n"
    "when the instrument answers there. Devices mapped in MOVEXA_COM<n> or ports.dat that are\n"
    "not serial ports of this computer (a simulator's terminal, an unplugged adapter) follow.\n"
    "\n"
    "  --assign N --device PATH  COM N (1..16) reaches PATH (a line in ports.dat) and is the\n"
    "                            instrument's port (config.dat); the next connect uses it\n";

std::string Numbers(const CataloguedPort& p) {
  if (p.comNumbers.empty()) return "not assigned";
  std::string out;
  for (int n : p.comNumbers) out += (out.empty() ? "COM" : ",COM") + std::to_string(n);
  return out;
}

std::string Details(const CataloguedPort& p) {
  std::string out;
  if (p.listed) {
    out = PortDescriptionText(p.info);
    if (std::string id = UsbIdText(p.info); !id.empty()) out += ", USB " + id;
    if (!p.info.usbSerial.empty()) out += ", serial number " + p.info.usbSerial;
  } else {
    out = p.present ? "not a serial port of this computer" : "missing";
  }
  std::string origins;
  for (const auto& o : p.origins)
    if (origins.find(o) == std::string::npos) origins += (origins.empty() ? "" : ", ") + o;
  if (!origins.empty()) out += " (" + origins + ")";
  if (p.comNumbers.empty()) out += " - probed by the connection scan";
  return out;
}

}  // namespace

int RunPorts(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "assign", "device"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "ports", kHelp)) return *exitCode;
  TerminalHost terminal;
  AppState state;
  state.appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  state.portEnumerator = std::make_unique<SystemPortEnumerator>();
  const bool configured = IsFile(state.appDir / app_texts::kConfigFile);
  if (configured) LoadConfig(state.appDir, state.config, terminal.host);

  if (args.Value("assign") || args.Value("device")) {
    const auto number = ParseInteger(args.Value("assign").value_or(""), 1, kComNumbers);
    const std::string device = args.Value("device").value_or("");
    if (!number || device.empty()) {
      std::fprintf(stderr,
                   "movexa-cli ports: --assign takes a COM number 1..16 and --device a "
                   "device path\n");
      return 2;
    }
    if (!configured) {
      terminal.dialogs.Problem(ConfigNotFoundMessage(state.appDir), Dialogs::Severity::kCritical);
      return 1;
    }
    PortAssignment a = AssignInstrumentPort(state, terminal.host, FolderArgument(device),
                                            static_cast<int>(*number));
    std::printf("%s\n", a.message.c_str());
    return a.ok ? 0 : 1;
  }

  const PortCatalogue catalogue = ReadPortCatalogue(state);
  if (!catalogue.error.empty())
    std::fprintf(stderr, "movexa-cli ports: the serial ports cannot be listed: %s\n",
                 catalogue.error.c_str());
  if (!catalogue.problem.empty())
    std::fprintf(stderr, "movexa-cli ports: %s\n", catalogue.problem.c_str());
  size_t numbersWidth = 4, deviceWidth = 6;
  for (const auto& p : catalogue.ports) {
    numbersWidth = std::max(numbersWidth, Numbers(p).size());
    deviceWidth = std::max(deviceWidth, p.info.device.size());
  }
  const int nw = static_cast<int>(numbersWidth), dw = static_cast<int>(deviceWidth);
  std::printf("application folder: %s\n", state.appDir.string().c_str());
  bool listedAny = false;
  for (const auto& p : catalogue.ports) listedAny = listedAny || p.listed;
  if (!listedAny) std::printf("no serial port found on this computer\n");
  std::printf("%-*s  %-*s  %s\n", nw, "port", dw, "device", "description");
  for (const auto& p : catalogue.ports) {
    std::printf("%-*s  %-*s  %s\n", nw, Numbers(p).c_str(), dw, p.info.device.c_str(),
                Details(p).c_str());
  }
  if (configured) {
    const ResolvedPort& r = catalogue.com[static_cast<size_t>(state.config.Serial_COM - 1)];
    std::printf("instrument's port (config.dat): COM%d = %s (%s)\n", state.config.Serial_COM,
                r.device.c_str(), r.origin.c_str());
  }
  return 0;
}

}  // namespace movexa::cli
