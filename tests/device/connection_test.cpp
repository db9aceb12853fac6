// Connecting to the instrument: configured port, scan, operator's prompt, offline mode, the
// factory temperature calibration, the port menu and disconnect.
#include <gtest/gtest.h>

#include "device/connection.h"
#include "device/device_rig.h"

namespace movexa::test {
namespace {

using Lines = std::vector<std::string>;

Lines StatusOf(const RecordingStatus& status, std::string_view where) {
  Lines out;
  for (const auto& l : status.lines()) {
    if (l.where == where) out.push_back(l.text);
  }
  return out;
}

sim::SimConfig Serial(int serial) {
  sim::SimConfig c;
  c.serialNumber = serial;
  return c;
}

struct ConnectRig : SimRig {
  using SimRig::SimRig;
  ConnectOutcome Connect(int16_t configured) {
    configuredPort = configured;
    return ConnectInstrument(link, configuredPort, [this] { ++saves; });
  }
  int16_t configuredPort = 0;
  int saves = 0;
};

TEST(ConnectInstrument, ConfiguredPortAnsweringIsTakenWithoutScanning) {
  ConnectRig rig(Serial(120), 3);
  EXPECT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.connection.port, 3);
  EXPECT_EQ(rig.connection.serialNumber, 120);
  EXPECT_TRUE(rig.connection.connected);
  EXPECT_FALSE(rig.connection.offline);
  EXPECT_TRUE(rig.ports.IsOpen(3));
  EXPECT_EQ(rig.connection.tickedPortEntry, 3);
  // Probe, then the factory registers: no block request in between, nothing learned yet.
  EXPECT_EQ(rig.connection.blockReplyBytes, 0);
  const std::string& wire = rig.instrument.receivedBytes();
  ASSERT_EQ(wire.size() % 5, 0u);
  EXPECT_EQ(wire.substr(0, 5), CommandFrame(kCodeIdentify, 0, kModeCommand));
  for (size_t f = 5; f < wire.size(); f += 5) {
    EXPECT_EQ(static_cast<uint8_t>(wire[f + 2]), kCodeReadRegister) << f / 5;
  }
  EXPECT_EQ(StatusOf(rig.fake.status, "Frm_Main.lblstatus"),
            (Lines{"STARTING.....", "CONNECTING:", "Opening Port [3]",
                   "Reading Factory Calibration...", ""}));
  EXPECT_EQ(StatusOf(rig.fake.status, "Frm_Init.status"), (Lines{""}));
  const FactoryTempCalibration& f = rig.connection.factory;
  EXPECT_TRUE(f.valid);
  EXPECT_EQ(f.month, 3);
  EXPECT_EQ(f.year, 24);
  EXPECT_DOUBLE_EQ(f.offset, -1.5);
  EXPECT_DOUBLE_EQ(f.slope, 0.219);
  EXPECT_TRUE(rig.fake.dialogs.shown().empty());
  EXPECT_EQ(rig.saves, 0);
  // The port is usable afterwards.
  EXPECT_EQ(DeviceQuery(rig.link, kCodeIdentify, 0, kModeCommand), 0);
}

TEST(ConnectInstrument, ScanFindsTheInstrumentOnAnotherPort) {
  ConnectRig rig(Serial(120), 7);
  EXPECT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.connection.port, 7);
  EXPECT_EQ(rig.configuredPort, 7);
  EXPECT_TRUE(rig.ports.IsOpen(7));
  EXPECT_EQ(rig.saves, 0);
  Lines main = StatusOf(rig.fake.status, "Frm_Main.lblstatus");
  EXPECT_EQ(main, (Lines{"STARTING.....", "CONNECTING:", "Opening Port [3]", "Opening Port [1]",
                         "Opening Port [2]", "Opening Port [3]", "Opening Port [4]",
                         "Opening Port [5]", "Opening Port [6]", "Opening Port [7]",
                         "Connected on COM[ 7 ]", "Reading Factory Calibration...", ""}));
  EXPECT_EQ(StatusOf(rig.fake.status, "Frm_Init.status"),
            (Lines{"Status = Connected on COM[ 7 ]", ""}));
}

TEST(ConnectInstrument, SerialRangeIsFifteenOnTheConfiguredPortAndTenInTheScan) {
  for (int serial : {10, 12, 14}) {
    ConnectRig rig(Serial(serial), 3);
    EXPECT_EQ(rig.Connect(3), ConnectOutcome::kConnected) << serial;
    EXPECT_EQ(rig.connection.serialNumber, serial);
    // Rejected first on the configured port, then accepted when the scan reaches port 3.
    EXPECT_EQ(StatusOf(rig.fake.status, "Frm_Main.lblstatus")[6], "Connected on COM[ 3 ]");
  }
  for (int serial : {15, 200}) {
    ConnectRig rig(Serial(serial), 3);
    EXPECT_EQ(rig.Connect(3), ConnectOutcome::kConnected) << serial;
    EXPECT_EQ(StatusOf(rig.fake.status, "Frm_Main.lblstatus")[3],
              "Reading Factory Calibration...");
  }
}

TEST(ConnectInstrument, SerialNumbersOutsideTenToTwoHundredRejectThePort) {
  // 201 is bytes 0 and 201; 255 is bytes 1 and 0; 9 is below the scan's range.
  for (int serial : {201, 255, 9}) {
    ConnectRig rig(Serial(serial), 3);
    rig.fake.dialogs
        .ExpectInput("COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline", "")
        .ExpectMessage(PortNotFoundMessage(3, {}));
    EXPECT_EQ(rig.Connect(3), ConnectOutcome::kOffline) << serial;
    EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << serial;
    EXPECT_EQ(rig.configuredPort, 3);  // the configured number survives a failed connect
  }
}

TEST(ConnectInstrument, NothingFoundAndAnEmptyAnswerGoesOffline) {
  ConnectRig rig(Serial(120), 16);  // out of the scan's reach
  rig.fake.dialogs
      .ExpectInput("COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline", "")
      .ExpectMessage(PortNotFoundMessage(4, {}));
  EXPECT_EQ(rig.Connect(4), ConnectOutcome::kOffline);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_TRUE(rig.connection.offline);
  EXPECT_FALSE(rig.connection.connected);
  EXPECT_EQ(rig.connection.port, 0);
  EXPECT_EQ(rig.connection.tickedPortEntry, 0);
  Lines main = StatusOf(rig.fake.status, "Frm_Main.lblstatus");
  ASSERT_GE(main.size(), 2u);
  EXPECT_EQ(main[main.size() - 2], "Equipment not found");
  EXPECT_EQ(main.back(), "");
  for (int p = 1; p <= 16; ++p) EXPECT_FALSE(rig.ports.IsOpen(p));
}

TEST(ConnectInstrument, AnswersThatAreNoPortNumberGoOfflineWithoutAnotherMessage) {
  for (const char* answer : {"22", "abc", "0", "3.5", "-2"}) {
    ConnectRig rig(Serial(120), 16);
    rig.fake.dialogs.ExpectInput("", answer).ExpectMessage(PortNotFoundMessage(4, {}));
    EXPECT_EQ(rig.Connect(4), ConnectOutcome::kOffline) << answer;
    EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << answer;
    EXPECT_EQ(rig.saves, 0);
    EXPECT_EQ(rig.configuredPort, 4);
  }
}

TEST(ConnectInstrument, AnsweredPortThatOpensIsSavedForTheNextConnect) {
  ConnectRig rig(Serial(120), 16);
  ScriptedPeer silentDevice;  // a port that opens but where nothing answers
  rig.opener.Attach(3, silentDevice);
  rig.fake.dialogs.ExpectInput("", "3");
  EXPECT_EQ(rig.Connect(4), ConnectOutcome::kPortChanged);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(rig.configuredPort, 3);
  EXPECT_EQ(rig.saves, 1);
  EXPECT_FALSE(rig.ports.IsOpen(3));
  EXPECT_FALSE(rig.connection.offline);
  // Without an open port the pass is not connected, so the next occasion connects again.
  EXPECT_FALSE(rig.connection.connected);
  EXPECT_EQ(rig.connection.tickedPortEntry, 3);
}

TEST(ConnectInstrument, AnsweredPortThatDoesNotOpenIsInvalid) {
  ConnectRig rig(Serial(120), 16);
  rig.fake.dialogs.ExpectInput("", "3")
      .ExpectMessage("Invalid Port Number. Offline Mode")
      .ExpectMessage(PortNotFoundMessage(4, {}));  // the port tried, not the one typed
  EXPECT_EQ(rig.Connect(4), ConnectOutcome::kOffline);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(rig.saves, 0);
}

TEST(ConnectInstrument, ConnectingAgainReleasesThePortOfTheFirstConnect) {
  ConnectRig rig(Serial(120), 3);
  ASSERT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.connection.port, 3);
  EXPECT_TRUE(rig.fake.dialogs.shown().empty());
}

TEST(ConnectInstrument, ProbeAssertsAndClearsTheLines) {
  ConnectRig rig(Serial(120), 3);
  ASSERT_TRUE(rig.Open(3));
  EXPECT_EQ(ProbeInstrument(rig.link, 3), 120);
  EXPECT_FALSE(rig.opener.wire(3).dtr);
  EXPECT_FALSE(rig.opener.wire(3).rts);
  rig.instrument.SetSilent(true);
  EXPECT_EQ(ProbeInstrument(rig.link, 3), -1);
}

TEST(FactoryCalibration, ValidationOfTheEightRegisters) {
  using Regs = std::array<int, 8>;
  FactoryTempCalibration previous;
  previous.month = 11;
  previous.year = 19;
  previous.sign = 1;
  FactoryTempCalibration ok = ValidateFactoryCalibration(Regs{0, 3, 24, 1, 15, 219, 0, 0}, previous);
  EXPECT_TRUE(ok.valid);
  EXPECT_EQ(ok.month, 3);
  EXPECT_EQ(ok.year, 24);
  EXPECT_EQ(ok.sign, 1);
  EXPECT_DOUBLE_EQ(ok.offset, -1.5);
  EXPECT_DOUBLE_EQ(ok.slope, 0.219);
  // Limits are inclusive: offset +10.0, slope 0.45 (450 = 1 x 256 + 194) and 0.1.
  EXPECT_TRUE(ValidateFactoryCalibration(Regs{0, 12, 99, 0, 100, 194, 1, 0}, previous).valid);
  EXPECT_TRUE(ValidateFactoryCalibration(Regs{0, 1, 0, 1, 100, 100, 0, 0}, previous).valid);
  const Regs bad[] = {
      {0, 3, 24, 1, 15, 0, 0, 0},    // slope register 205 = 0
      {1, 3, 24, 1, 15, 219, 0, 0},  // marker not 0
      {0, 13, 24, 1, 15, 219, 0, 0}, // month 13
      {0, 0, 24, 1, 15, 219, 0, 0},  // month 0
      {0, 3, 100, 1, 15, 219, 0, 0}, // year 100
      {0, 3, 24, 2, 15, 219, 0, 0},  // sign 2
      {0, 3, 24, 0, 101, 219, 0, 0}, // offset 10.1
      {0, 3, 24, 0, 15, 195, 1, 0},  // slope 0.451
      {0, 3, 24, 0, 15, 99, 0, 0},   // slope 0.099
      {0, 3, 24, 0, -1, 219, 0, 0},  // register 204 unread
      {0, 3, 24, 0, 15, 219, -1, 0}, // register 206 unread
  };
  for (const Regs& r : bad) {
    FactoryTempCalibration f = ValidateFactoryCalibration(r, previous);
    EXPECT_FALSE(f.valid) << r[1] << " " << r[4] << " " << r[5];
    EXPECT_DOUBLE_EQ(f.offset, 0.0);
    EXPECT_DOUBLE_EQ(f.slope, 0.219);
    EXPECT_EQ(f.month, 11);  // unchanged when invalid
    EXPECT_EQ(f.year, 19);
    EXPECT_EQ(f.sign, 1);
  }
  EXPECT_DOUBLE_EQ(TemperatureDegrees(121, ok), 121 * 0.219 - 1.5);
}

TEST(FactoryCalibration, UnreadableRegistersAtConnectGiveTheDefaults) {
  sim::SimConfig c;
  c.factoryRegisters = {0, 3, 24, 0, 15, 0, 0, 0};
  ConnectRig rig(c, 3);
  ASSERT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  EXPECT_FALSE(rig.connection.factory.valid);
  EXPECT_DOUBLE_EQ(rig.connection.factory.slope, 0.219);
  EXPECT_DOUBLE_EQ(rig.connection.factory.offset, 0.0);
}

TEST(PortMenu, ChoosingAnEntryTicksItSetsThePortAndSaves) {
  ConnectionState c;
  int16_t configured = 4;
  int saves = 0;
  ChoosePortMenuEntry(c, configured, 9, [&] { ++saves; });
  EXPECT_EQ(c.tickedPortEntry, 9);
  EXPECT_EQ(configured, 9);
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(c.portChanged);                                // the next connect uses it
  ChoosePortMenuEntry(c, configured, 13, [&] { ++saves; });  // no such entry
  EXPECT_EQ(configured, 9);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(PortMenuEntryText(12), "COM12");
}

TEST(Disconnect, ClosesThePortUnlessOffline) {
  ConnectRig rig(Serial(120), 3);
  ASSERT_EQ(rig.Connect(3), ConnectOutcome::kConnected);
  rig.connection.offline = true;
  DisconnectInstrument(rig.link);
  EXPECT_TRUE(rig.ports.IsOpen(3));
  EXPECT_TRUE(rig.connection.connected);
  rig.connection.offline = false;
  DisconnectInstrument(rig.link);
  EXPECT_FALSE(rig.ports.IsOpen(3));
  EXPECT_FALSE(rig.connection.connected);
}

}  // namespace
}  // namespace movexa::test
