// The instrument's port chosen from the serial ports window, the connection state of the main
// window's status bar, and Play's word after a port change that was not connected yet.
#include <gtest/gtest.h>

#include "app/app_texts.h"
#include "app/config.h"
#include "app/instrument.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::Environment;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

struct PortRig {
  PortRig() {
    state.appDir = app.path();
    WriteFileOrDie(app / "config.dat", "\"Config\"\r\n1,1,4,0\r\n");
    LoadConfig(state.appDir, state.config, fake.host);
    state.portEnvironment = Environment({{"MOVEXA_COM3", "/dev/ttyUSB5"}});
  }
  TempDir app;
  FakeHost fake;
  AppState state;
};

TEST(AssignInstrumentPort, MapsTheNumberSavesTheConfigurationAndAsksForAConnect) {
  PortRig rig;
  PortAssignment a = AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyUSB0", 9);
  ASSERT_TRUE(a.ok) << a.message;
  EXPECT_EQ(a.message, app_texts::InstrumentPortChosen(9, "/dev/ttyUSB0"));
  EXPECT_EQ(ParsePortsFile(ReadFileOrDie(rig.app / "ports.dat")).devices.at(9), "/dev/ttyUSB0");
  EXPECT_NE(ReadFileOrDie(rig.app / "config.dat").find("\r\n1,1,9,0\r\n"), std::string::npos);
  EXPECT_EQ(rig.state.config.Serial_COM, 9);
  EXPECT_EQ(rig.state.connection.tickedPortEntry, 9);
  EXPECT_TRUE(rig.state.connection.portChanged);
  EXPECT_EQ(ConnectionStateText(rig.state), "Not connected: COM9 chosen, press Connect");
  EXPECT_EQ(ConnectFirstMessage(rig.state),
            "The instrument's port is COM9 now: press Connect to connect to it, then Play.");

  // A number above the menu's twelve is kept, without a tick.
  ASSERT_TRUE(AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyACM0", 14).ok);
  EXPECT_EQ(rig.state.config.Serial_COM, 14);
  EXPECT_EQ(rig.state.connection.tickedPortEntry, 0);
  EXPECT_TRUE(rig.fake.dialogs.shown().empty());
}

TEST(AssignInstrumentPort, ANumberTheEnvironmentSetsIsRefusedUnlessItReachesThatPort) {
  PortRig rig;
  PortAssignment refused = AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyUSB0", 3);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message,
            "COM3 is set by MOVEXA_COM3 to /dev/ttyUSB5: choose another COM number for this port.");
  EXPECT_FALSE(std::filesystem::exists(rig.app / "ports.dat"));
  EXPECT_EQ(rig.state.config.Serial_COM, 4);
  EXPECT_FALSE(rig.state.connection.portChanged);

  // The number already reaches the port: only the configuration changes.
  ASSERT_TRUE(AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyUSB5", 3).ok);
  EXPECT_FALSE(std::filesystem::exists(rig.app / "ports.dat"));
  EXPECT_EQ(rig.state.config.Serial_COM, 3);

  EXPECT_FALSE(AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyUSB0", 0).ok);
  EXPECT_FALSE(AssignInstrumentPort(rig.state, rig.fake.host, "/dev/ttyUSB0", 17).ok);
  EXPECT_FALSE(AssignInstrumentPort(rig.state, rig.fake.host, "", 5).ok);
  EXPECT_EQ(rig.state.config.Serial_COM, 3);
}

TEST(ConnectionStateText, ConnectedSimulatedOfflineOrNotConnected) {
  PortRig rig;
  EXPECT_EQ(ConnectionStateText(rig.state), "Not connected");
  rig.state.offline = rig.state.connection.offline = true;
  EXPECT_EQ(ConnectionStateText(rig.state),
            "Offline: no instrument found (choose its port, then Connect)");
  // Offline without a port change keeps the offline refusal of Play.
  EXPECT_EQ(ConnectFirstMessage(rig.state), std::nullopt);
  rig.state.offline = rig.state.connection.offline = false;
  rig.state.connected = rig.state.connection.connected = true;
  rig.state.connection.port = 4;
  rig.state.connection.serialNumber = 120;
  EXPECT_EQ(ConnectionStateText(rig.state), "Connected: COM4, serial number 120");
  // The built-in simulated instrument is never said to be a port of this computer.
  rig.state.simulatedInstrument = true;
  EXPECT_EQ(ConnectionStateText(rig.state), "Simulated instrument (no hardware) on COM4");
  // Connected, a port change waits for the next connect but Play goes on.
  rig.state.connection.portChanged = true;
  EXPECT_EQ(ConnectFirstMessage(rig.state), std::nullopt);
}

}  // namespace
}  // namespace movexa
