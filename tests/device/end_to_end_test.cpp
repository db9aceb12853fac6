// End to end over real pseudo-terminals: movexa-sim as its own process, the connect operation
// and movexa-cli connect against it, long paced block replies, and a clean stop on signals.
#include <gtest/gtest.h>

#include <signal.h>

#include "base/system_host.h"
#include "device/connection.h"
#include "device/device_rig.h"
#include "device/posix_serial.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

// The device layer on real time, over the system's serial service.
struct PtyLink {
  explicit PtyLink(EnvLookup env) : opener({}, std::move(env)) {}
  FakeHost fake;  // dialogs and status recorders
  SystemClock clock;
  SleepingPacer pacer;
  Host host{fake.dialogs, clock, pacer, fake.shell, fake.system, fake.status};
  SystemPortOpener opener;
  CommPortTable ports{pacer, opener};
  ConnectionState connection;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, host};
};

TEST(EndToEnd, ConnectFindsTheSimulatorOnAPseudoTerminalAndSamples) {
  TempDir dir;
  auto sim = StartSimulator(dir / "sim.link", {"--serial", "57"});
  PtyLink rig(TestEnvironment({{4, (dir / "sim.link").string()}}));
  int16_t configured = 4;
  ASSERT_EQ(ConnectInstrument(rig.link, configured, [] {}), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.connection.port, 4);
  EXPECT_EQ(rig.connection.serialNumber, 57);
  EXPECT_TRUE(rig.connection.factory.valid);
  EXPECT_DOUBLE_EQ(rig.connection.factory.offset, -1.5);
  // One sampling pass: eight direct block exchanges, all good.
  for (int offset = 0; offset < 64; offset += 8) {
    BlockExchange b = ExchangeSignalBlock(rig.link, offset, 48);
    EXPECT_TRUE(b.good) << offset;
    EXPECT_EQ(b.received, 192);
  }
  int raw = DeviceQuery(rig.link, kCodeTemperature, 0, kModeCommand);
  EXPECT_NEAR(TemperatureDegrees(raw, rig.connection.factory), 25.0, 1.0);
  EXPECT_EQ(WriteRegisterVerified(rig.link, 5, 0x47), 1);
  EXPECT_EQ(ReadRegisterRetry(rig.link, 5), 0x47);
  DisconnectInstrument(rig.link);
  EXPECT_EQ(sim->Stop(SIGTERM, 5000), 0);
}

TEST(EndToEnd, LongPacedBlockRepliesNeverLeakIntoTheNextExchange) {
  TempDir dir;
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "512"});
  PtyLink rig(TestEnvironment({{2, (dir / "sim.link").string()}}));
  int16_t configured = 2;
  ASSERT_EQ(ConnectInstrument(rig.link, configured, [] {}), ConnectOutcome::kConnected);
  ASSERT_EQ(WriteRegisterVerified(rig.link, 9, 0x3C), 1);
  for (int pass = 0; pass < 3; ++pass) {
    for (int offset = 0; offset < 64; offset += 8) {
      BlockExchange b = ExchangeSignalBlock(rig.link, offset, 48);
      ASSERT_TRUE(b.good) << offset;
      // Beam levels at power 2, gain 3 lie far above the zeros of positions past the stream.
      for (int k = 0; k < 24; ++k) EXPECT_GT(rig.signals[static_cast<size_t>(k)], 400);
    }
    EXPECT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 9, kModeCommand), 0x3C);
    EXPECT_EQ(DeviceQuery(rig.link, kCodeIdentify, 0, kModeCommand), 0);
  }
  EXPECT_EQ(DeviceReadBlock(rig.link, kCodeBlock, 0, kModeCommand), 0);
  EXPECT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 9, kModeCommand), 0x3C);
}

TEST(EndToEnd, ScanFindsTheSimulatorMappedToAnotherNumber) {
  TempDir dir;
  auto sim = StartSimulator(dir / "sim.link", {"--serial", "12"});
  PtyLink rig(TestEnvironment({{6, (dir / "sim.link").string()}}));
  int16_t configured = 4;
  ASSERT_EQ(ConnectInstrument(rig.link, configured, [] {}), ConnectOutcome::kConnected);
  EXPECT_EQ(rig.connection.port, 6);
  EXPECT_EQ(rig.connection.serialNumber, 12);
  EXPECT_EQ(rig.fake.status.Last("Frm_Init.status"), "");
}

TEST(EndToEnd, CliConnectPrintsPortSerialNumberAndFactoryCalibration) {
  TempDir dir;
  WriteFileOrDie(dir / "config.dat",
                 "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\""
                 "\r\n1,1,7,0\r\n");
  auto sim = StartSimulator(dir / "sim.link", {"--factory", "0,11,23,0,20,200,0,0"});
  ChildProcess cli(CliProgram(), {"connect", "--app-dir", dir.path().string()},
                   {"MOVEXA_COM7=" + (dir / "sim.link").string()},
                   (dir / "cli.out").string());
  ASSERT_EQ(cli.Wait(30000), 0) << ReadFileOrDie(dir / "cli.out");
  const std::string out = ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(out.find("port: COM7 (" + (dir / "sim.link").string() + ")"), std::string::npos) << out;
  EXPECT_NE(out.find("serial number: 120\n"), std::string::npos) << out;
  EXPECT_NE(out.find("factory calibration: valid\ncalibrated: 11/23\noffset: 2 degrees\n"
                     "slope: 0.2 degrees per unit\n"),
            std::string::npos)
      << out;
}

TEST(EndToEnd, CliConnectAnswersThePortPromptFromTheTerminal) {
  TempDir dir;
  WriteFileOrDie(dir / "config.dat", "\"Config\"\r\n1,1,4,0\r\n");
  // Nothing answers anywhere and standard input is closed: the prompt's answer is empty.
  ChildProcess cli(
      CliProgram(), {"connect", "--app-dir", dir.path().string()},
      {"MOVEXA_COM1=/nonexistent/a", "MOVEXA_COM2=/nonexistent/a", "MOVEXA_COM3=/nonexistent/a",
       "MOVEXA_COM4=/nonexistent/a", "MOVEXA_COM5=/nonexistent/a", "MOVEXA_COM6=/nonexistent/a",
       "MOVEXA_COM7=/nonexistent/a", "MOVEXA_COM8=/nonexistent/a", "MOVEXA_COM9=/nonexistent/a",
       "MOVEXA_COM10=/nonexistent/a", "MOVEXA_COM11=/nonexistent/a", "MOVEXA_COM12=/nonexistent/a",
       "MOVEXA_COM13=/nonexistent/a", "MOVEXA_COM14=/nonexistent/a", "MOVEXA_COM15=/nonexistent/a",
       "MOVEXA_COM16=/nonexistent/a"},
      (dir / "cli.out").string());
  ASSERT_EQ(cli.Wait(30000), 1);
  const std::string out = ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(out.find("COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("PORT NOT FOUND"), std::string::npos) << out;
  EXPECT_NE(out.find("offline: no instrument found"), std::string::npos) << out;
  EXPECT_EQ(ReadFileOrDie(dir / "config.dat"), "\"Config\"\r\n1,1,4,0\r\n");  // not rewritten
}

TEST(SimulatorProgram, StopsCleanlyOnTerminateAndInterruptRemovingItsLink) {
  for (int signal : {SIGTERM, SIGINT}) {
    TempDir dir;
    auto sim = StartSimulator(dir / "sim.link", {"--truth", (dir / "truth.txt").string()});
    EXPECT_EQ(sim->Stop(signal, 5000), 0) << signal;
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "sim.link"))) << signal;
    EXPECT_EQ(ReadFileOrDie(dir / "truth.txt"),
              "\"Crossings: <minute>, <channel>, <crossings>\"\r\n");
    EXPECT_NE(ReadFileOrDie(dir / "sim.log").find("movexa-sim: stopped"), std::string::npos);
  }
}

TEST(SimulatorProgram, HelpAndBadArguments) {
  TempDir dir;
  ChildProcess help(SimProgram(), {"--help"}, {}, (dir / "help.txt").string());
  EXPECT_EQ(help.Wait(5000), 0);
  EXPECT_NE(ReadFileOrDie(dir / "help.txt").find("usage: movexa-sim --link PATH"),
            std::string::npos);
  ChildProcess bad(SimProgram(), {"--link", (dir / "l").string(), "--block-bytes", "47"}, {},
                   (dir / "bad.txt").string());
  EXPECT_EQ(bad.Wait(5000), 2);
  EXPECT_NE(ReadFileOrDie(dir / "bad.txt").find("even number of bytes"), std::string::npos);
  // A file that is not a link is never replaced.
  WriteFileOrDie(dir / "keep", "data");
  ChildProcess refused(SimProgram(), {"--link", (dir / "keep").string()}, {},
                       (dir / "refused.txt").string());
  EXPECT_EQ(refused.Wait(5000), 1);
  EXPECT_EQ(ReadFileOrDie(dir / "keep"), "data");
}

}  // namespace
}  // namespace movexa::test
