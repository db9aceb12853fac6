// The connection scan over the serial ports of the computer that no COM number reaches: the
// port where the instrument answers is given the spare COM number in "ports.dat" and connected
// by that number; a port that cannot be mapped is passed over and "PORT NOT FOUND" names what
// was tried. In-process over loopback wires, and for real on a pseudo-terminal with movexa-sim.
#include <gtest/gtest.h>

#include <signal.h>

#include "app/instrument.h"
#include "base/system_host.h"
#include "device/device_rig.h"
#include "device/device_texts.h"
#include "device/posix_serial.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

namespace fs = std::filesystem;

// Devices by path on loopback wires. "COM<n>" is resolved through the application folder's
// "ports.dat" (else its platform default); a name starting with "/" is the device itself.
class DeviceMapOpener : public PortOpener {
 public:
  DeviceMapOpener(FakeHost& fake, fs::path appDir)
      : loop_(fake.clock, fake.pacer), appDir_(std::move(appDir)) {}
  void Plug(const std::string& device, SerialPeer& peer) {
    loop_.Attach(++wires_, peer);
    wireOf_[device] = wires_;
  }
  std::unique_ptr<SerialLink> Open(int port, std::string_view name, int& code,
                                   std::string& device) override {
    const bool byPath = !name.empty() && name.front() == '/';
    device = byPath ? std::string(name) : ResolveComDevice(port, appDir_, Environment({})).device;
    tried.push_back(device);
    auto it = wireOf_.find(device);
    if (it == wireOf_.end()) {
      code = ENOENT;
      return nullptr;
    }
    std::string ignored;
    return loop_.Open(it->second, "COM" + std::to_string(it->second), code, ignored);
  }
  std::vector<std::string> tried;

 private:
  LoopbackOpener loop_;
  fs::path appDir_;
  std::map<std::string, int> wireOf_;
  int wires_ = 0;
};

SerialPortInfo Listed(std::string device, std::string description = {}) {
  SerialPortInfo p;
  p.device = std::move(device);
  p.description = std::move(description);
  p.transport = "USB";
  return p;
}

struct ScanRig {
  explicit ScanRig(std::vector<SerialPortInfo> listed) : instrument(sim::SimConfig{}, fake.clock) {
    state.appDir = app.path();
    state.config.Serial_COM = 4;
    state.portEnvironment = Environment({});
    state.portEnumerator = std::make_unique<FixedPortEnumerator>(std::move(listed));
    auto own = std::make_unique<DeviceMapOpener>(fake, app.path());
    opener = own.get();
    InstallPorts(state, fake.pacer, std::move(own));
  }
  std::vector<std::string> MainStatus() const {
    std::vector<std::string> out;
    for (const auto& l : fake.status.lines())
      if (l.where == device_texts::kMainStatus) out.push_back(l.text);
    return out;
  }
  TempDir app;
  FakeHost fake;
  sim::SimInstrument instrument;
  AppState state;
  DeviceMapOpener* opener = nullptr;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(PortScan, AnAdapterNoComNumberReachesIsFoundAndKeepsTheSpareNumberForGood) {
  // COM1 reaches the on-board port (which nothing answers on); the adapter is unmapped.
  ScanRig rig({Listed("/dev/ttyS0"), Listed("/dev/ttyUSB0", "FT232R USB UART")});
  rig.opener->Plug("/dev/ttyUSB0", rig.instrument);
  ASSERT_EQ(ConnectAppInstrument(rig.state, rig.fake.host), ConnectOutcome::kConnected);
  EXPECT_TRUE(rig.fake.dialogs.shown().empty());
  EXPECT_EQ(rig.state.connection.port, 2);
  EXPECT_EQ(rig.state.config.Serial_COM, 2);
  EXPECT_TRUE(rig.state.connected);
  EXPECT_EQ(rig.state.ports->DeviceOf(2), "/dev/ttyUSB0");
  EXPECT_EQ(ReadFileOrDie(rig.app / "ports.dat"),
            "\"Serial ports: <COM number>, <device>\"\r\n2,\"/dev/ttyUSB0\"\r\n");
  const auto status = rig.MainStatus();
  EXPECT_TRUE(Has(status, "Opening Port [15]"));
  EXPECT_TRUE(Has(status, "Opening Port [/dev/ttyUSB0]"));
  EXPECT_TRUE(Has(status, "Connected on COM[ 2 ]"));
  EXPECT_EQ(ConnectionStateText(rig.state), "Connected: COM2 (/dev/ttyUSB0), serial number 120");

  // The next connect finds it on its number at once, without a scan.
  rig.fake.status = RecordingStatus{};
  rig.opener->tried.clear();
  ASSERT_EQ(ConnectAppInstrument(rig.state, rig.fake.host), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.opener->tried, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB0"}));
}

TEST(PortScan, APortThatCannotBeMappedIsPassedOverAndPortNotFoundNamesIt) {
  ScanRig rig({Listed("/dev/ttyUSB0")});
  rig.opener->Plug("/dev/ttyUSB0", rig.instrument);
  fs::create_directory(rig.app / "ports.dat");  // a folder: the mapping cannot be written
  const std::string notFound = PortNotFoundMessage(4, {"/dev/ttyUSB0"});
  rig.fake.dialogs.ExpectMessage("").ExpectInput("", "").ExpectMessage(notFound);
  EXPECT_EQ(ConnectAppInstrument(rig.state, rig.fake.host), ConnectOutcome::kOffline);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_NE(rig.fake.dialogs.Messages().front().find("COM1 could not be mapped to /dev/ttyUSB0"),
            std::string::npos);
  EXPECT_TRUE(rig.state.offline);
  EXPECT_EQ(rig.state.config.Serial_COM, 4);
  // Why and what next: the ports tried, then the way to choose one.
  EXPECT_EQ(notFound.rfind("PORT NOT FOUND\r\n", 0), 0u);
  EXPECT_NE(notFound.find("COM4 (the configured port) nor on COM1 to COM15 and /dev/ttyUSB0."),
            std::string::npos);
  EXPECT_NE(notFound.find("\"Serial ports...\""), std::string::npos);
  EXPECT_NE(
      PortNotFoundMessage(7, {"/dev/a", "/dev/b", "/dev/c"}).find("/dev/a, /dev/b and /dev/c"),
      std::string::npos);
}

TEST(PortScan, UnmappedPortsAreLeftAloneWhenNoComNumberIsFreeOrTheInstrumentIsSimulated) {
  ScanRig full({Listed("/dev/ttyACM0")});
  std::string text = "\"h\"\r\n";
  for (int n = 1; n <= 16; ++n) text += std::to_string(n) + ",\"/nonexistent/com\"\r\n";
  WriteFileOrDie(full.app / "ports.dat", text);
  full.fake.dialogs.Lenient();
  EXPECT_EQ(ConnectAppInstrument(full.state, full.fake.host), ConnectOutcome::kOffline);
  for (const auto& d : full.opener->tried) EXPECT_NE(d, "/dev/ttyACM0");

  ScanRig simulated({Listed("/dev/ttyACM0")});
  simulated.state.simulatedInstrument = true;
  simulated.fake.dialogs.Lenient();
  EXPECT_EQ(ConnectAppInstrument(simulated.state, simulated.fake.host), ConnectOutcome::kOffline);
  for (const auto& d : simulated.opener->tried) EXPECT_NE(d, "/dev/ttyACM0");
}

// movexa-sim on a real pseudo-terminal that the system would list as a USB adapter: every COM
// number from 1 to 15 reaches nothing, COM16 is free.
TEST(PortScanEndToEnd, TheScanFindsTheSimulatorOnAListedPortAndMapsItToTheSpareNumber) {
  TempDir dir;
  const fs::path link = dir / "sim.link";
  auto sim = StartSimulator(link, {"--serial", "57"});
  EnvLookup env = [](const std::string& name) -> std::optional<std::string> {
    for (int p = 1; p <= 15; ++p)
      if (name == PortEnvironmentName(p)) return "/nonexistent/movexa-scan-com" + std::to_string(p);
    return std::nullopt;
  };
  FakeHost fake;
  SystemClock clock;
  SleepingPacer pacer;
  Host host{fake.dialogs, clock, pacer, fake.shell, fake.system, fake.status};
  AppState state;
  state.appDir = dir / "app";
  fs::create_directories(state.appDir);
  state.config.Serial_COM = 4;
  state.portEnvironment = env;
  state.portEnumerator =
      std::make_unique<FixedPortEnumerator>(std::vector<SerialPortInfo>{Listed(link.string())});
  InstallPorts(state, pacer, std::make_unique<SystemPortOpener>(state.appDir, env));

  ASSERT_EQ(ConnectAppInstrument(state, host), ConnectOutcome::kConnected)
      << ReadFileOrDie(dir / "sim.log");
  EXPECT_EQ(state.connection.port, 16);
  EXPECT_EQ(state.connection.serialNumber, 57);
  EXPECT_EQ(ParsePortsFile(ReadFileOrDie(state.appDir / "ports.dat")).devices.at(16),
            link.string());
  DeviceLink deviceLink = InstrumentLink(state, host);
  EXPECT_TRUE(ExchangeSignalBlock(deviceLink, 0, 48).good);
  DisconnectInstrument(deviceLink);
  EXPECT_EQ(sim->Stop(SIGTERM, 5000), 0);
}

}  // namespace
}  // namespace movexa::test
