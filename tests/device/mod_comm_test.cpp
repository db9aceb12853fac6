// The port table: numbers and error records, the bounded read and its time cost (on simulated
// time through the loopback), and raw bytes through a real pseudo-terminal.
#include <gtest/gtest.h>

#include <cerrno>

#include "device/device_rig.h"
#include "device/device_texts.h"
#include "device/posix_serial.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

namespace t = device_texts;

TEST(CommPortTableNumbers, OpeningAnOpenPortFailsWithPortInUse) {
  ScriptRig rig;
  ASSERT_TRUE(rig.opened);
  EXPECT_EQ(rig.ports.CommOpen(2, "COM2", kInstrumentLineSettings), -1);
  EXPECT_EQ(rig.ports.CommLastError().number, -1);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommOpen");
  EXPECT_EQ(rig.ports.CommLastError().message, "Port in use.");
  EXPECT_TRUE(rig.ports.IsOpen(2));
}

TEST(CommPortTableNumbers, MissingDeviceReportsCreateFileAndLeavesEntryClosed) {
  FakeHost fake;
  SystemPortOpener opener({}, TestEnvironment({}));
  CommPortTable ports(fake.pacer, opener);
  EXPECT_EQ(ports.CommOpen(7, "COM7", kInstrumentLineSettings), ENOENT);
  EXPECT_EQ(ports.CommLastError().source, "CommOpen (CreateFile)");
  EXPECT_EQ(ports.CommLastError().message, OsErrorText(ENOENT));
  EXPECT_EQ(ports.CommLastError().device, "/nonexistent/movexa-test-com7");
  EXPECT_FALSE(ports.IsOpen(7));
}

TEST(CommPortTableNumbers, RegularFileIsNoSerialDevice) {
  TempDir dir;
  WriteFileOrDie(dir / "notaport", "x");
  FakeHost fake;
  SystemPortOpener opener({}, TestEnvironment({{3, (dir / "notaport").string()}}));
  CommPortTable ports(fake.pacer, opener);
  EXPECT_EQ(ports.CommOpen(3, "COM3", kInstrumentLineSettings), ENOTTY);
  EXPECT_EQ(ports.CommLastError().source, "CommOpen (CreateFile)");
  EXPECT_FALSE(ports.IsOpen(3));
}

TEST(CommPortTableNumbers, PortNumbersOutsideTheTableAreFaultsNotCrashes) {
  ScriptRig rig;
  std::string data = "stale";
  EXPECT_EQ(rig.ports.CommOpen(0, "COM0", kInstrumentLineSettings), EINVAL);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommOpen");
  EXPECT_EQ(rig.ports.CommRead(17, data, 2), 0);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(rig.ports.CommLastError().source, "CommRead");
  EXPECT_EQ(rig.ports.CommWrite(-3, "x"), -1);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommWrite");
  EXPECT_EQ(rig.ports.CommSetLine(2, 4, true), EINVAL);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommSetLine");
  EXPECT_EQ(rig.ports.CommRead(2, data, 513), 0);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommRead");
}

TEST(CommPortTableNumbers, ClosingAClosedPortSucceedsAndClosedPortsRefuseTransfers) {
  ScriptRig rig;
  EXPECT_EQ(rig.ports.CommClose(9), 0);
  EXPECT_EQ(rig.ports.CommClose(2), 0);
  EXPECT_EQ(rig.ports.CommClose(2), 0);
  EXPECT_EQ(rig.ports.CommWrite(2, "abc"), -1);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommWrite (WriteFile)");
  std::string data;
  EXPECT_EQ(rig.ports.CommRead(2, data, 2), 0);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommRead (ReadFile)");
  EXPECT_EQ(rig.ports.CommFlush(2), EBADF);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommFlush (PurgeComm)");
}

TEST(CommPortTableNumbers, BadSettingsTextFailsAndTheNumberCanBeOpenedAgain) {
  FakeHost fake;
  ScriptedPeer peer;
  LoopbackOpener opener(fake.clock, fake.pacer);
  opener.Attach(5, peer);
  CommPortTable ports(fake.pacer, opener);
  EXPECT_EQ(ports.CommOpen(5, "COM5", "baud=fast parity=N"), EINVAL);
  EXPECT_EQ(ports.CommLastError().source, "CommOpen (BuildCommDCB)");
  EXPECT_FALSE(ports.IsOpen(5));
  EXPECT_EQ(ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
}

TEST(LineSettingsText, ReadsTheSystemsSettingsAndRejectsMalformedPairs) {
  auto s = ParseLineSettings("baud=115200 parity=N data=8 stop=1", LineSettings{9600, 'E', 7, 2});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->baud, 115200);
  EXPECT_EQ(s->parity, 'N');
  EXPECT_EQ(s->dataBits, 8);
  EXPECT_EQ(s->stopBits, 1);
  auto partial = ParseLineSettings("  BAUD=9600 ", LineSettings{});
  ASSERT_TRUE(partial);
  EXPECT_EQ(partial->baud, 9600);
  EXPECT_EQ(partial->dataBits, 8);
  for (const char* bad : {"baud=", "parity=X", "data=9", "stop=3", "speed=1", "baud115200"}) {
    EXPECT_FALSE(ParseLineSettings(bad, LineSettings{})) << bad;
  }
}

TEST(CommReadTiming, ReplyShortByOneByteReturnsItAfterFiveAttemptsAndFlushes) {
  ScriptRig rig([](std::string_view) { return std::string("\x41"); });
  ASSERT_EQ(rig.ports.CommWrite(2, "ABCDE"), 5);
  const int64_t start = rig.fake.clock.MonotonicMs();
  const int discardsBefore = rig.peer.discards;
  std::string data;
  EXPECT_EQ(rig.ports.CommRead(2, data, 2), 1);
  EXPECT_EQ(data, "\x41");
  // First attempt ends 100 ms after the byte, the four others after 500 ms each; 5 ms pauses.
  EXPECT_EQ(rig.fake.clock.MonotonicMs() - start, 100 + 5 + 4 * (500 + 5));
  EXPECT_EQ(rig.peer.discards, discardsBefore + 1);
  // A late tail of that reply is gone, not taken for the next one.
  rig.peer.Send("\x42", rig.fake.clock.MonotonicMs() * 1000);
  rig.ports.CommFlush(2);
  EXPECT_EQ(rig.ports.CommRead(2, data, 1), 0);
}

TEST(CommReadTiming, SilentInstrumentCostsFiveAttemptsOfSimulatedTime) {
  ScriptRig rig;
  const int64_t start = rig.fake.clock.MonotonicMs();
  std::string data = "old";
  EXPECT_EQ(rig.ports.CommRead(2, data, 2), 0);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(rig.fake.clock.MonotonicMs() - start, 5 * (500 + 5));
}

TEST(CommReadTiming, CompleteReplyReturnsAtOnceWithOnlyTheWireTime) {
  ScriptRig rig([](std::string_view) { return std::string(48, '\x07'); });
  const int64_t start = rig.fake.clock.MonotonicMs();
  ASSERT_EQ(rig.ports.CommWrite(2, "ABCDE"), 5);
  std::string data;
  EXPECT_EQ(rig.ports.CommRead(2, data, 48), 48);
  EXPECT_LE(rig.fake.clock.MonotonicMs() - start, 1);  // 5 bytes = 0.43 ms on the wire
  EXPECT_EQ(rig.fake.pacer.pausedMs(), rig.fake.clock.MonotonicMs() - start);
}

TEST(CommReadTiming, QuietReadTakesAReplyOfUnknownLengthWhole) {
  ScriptRig rig;
  rig.peer.Send(std::string(100, 'a'), 1000);
  rig.peer.Send(std::string(92, 'b'), 50'000);  // still within the interval time-out
  std::string data;
  EXPECT_EQ(rig.ports.CommReadQuiet(2, data, 512), 192);
  EXPECT_EQ(rig.fake.clock.MonotonicMs(), 150);  // quiet for 100 ms after the last byte
}

TEST(CommLines, LoopbackRecordsDtrRtsAndBreak) {
  ScriptRig rig;
  EXPECT_EQ(rig.ports.CommSetLine(2, kLineDtr, true), 0);
  EXPECT_TRUE(rig.opener.wire(2).dtr);
  EXPECT_EQ(rig.ports.CommSetLine(2, kLineDtr, false), 0);
  EXPECT_FALSE(rig.opener.wire(2).dtr);
  EXPECT_EQ(rig.ports.CommSetLine(2, kLineRts, true), 0);
  EXPECT_TRUE(rig.opener.wire(2).rts);
  EXPECT_EQ(rig.ports.CommSetLine(2, kLineBreak, true), 0);
  EXPECT_TRUE(rig.opener.wire(2).brk);
}

// Real pseudo-terminals: the termios link.
struct PtyRig {
  PtyRig() : opener({}, TestEnvironment({{5, pty.path()}, {6, pty.path()}})) {}
  TestPty pty;
  FakeHost fake;  // pauses on the manual clock; the line itself runs in real time
  SystemPortOpener opener;
  CommPortTable ports{fake.pacer, opener};
};

TEST(PseudoTerminalLink, LibSerialPortRefusesPseudoTerminals) {
  TestPty pty;
  int code = -1;
  EXPECT_EQ(OpenLibSerialPortLink(pty.path(), code), nullptr);
  EXPECT_EQ(code, 0);  // refused as "not a serial port", so termios takes over
}

TEST(PseudoTerminalLink, EveryByteValuePassesBothWaysUnchanged) {
  PtyRig rig;
  ASSERT_EQ(rig.ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
  // Frame bytes, and the characters a cooked terminal would eat or translate.
  const std::string bytes("\x00\xF0\xFF\x0D\x0A\x11\x13\x03\x1A\x7F\x80", 11);
  EXPECT_EQ(rig.ports.CommWrite(5, bytes), 11);
  EXPECT_EQ(rig.pty.Read(11, 2000), bytes);
  rig.pty.Write(bytes);
  std::string data;
  EXPECT_EQ(rig.ports.CommRead(5, data, 11), 11);
  EXPECT_EQ(data, bytes);
}

TEST(PseudoTerminalLink, FlushRightAfterAWriteKeepsTheFrameJustWritten) {
  PtyRig rig;
  ASSERT_EQ(rig.ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
  const std::string frame("\xFF\x00\x21\x00\xF0", 5);
  ASSERT_EQ(rig.ports.CommWrite(5, frame), 5);
  EXPECT_EQ(rig.ports.CommFlush(5), 0);
  EXPECT_EQ(rig.pty.Read(5, 2000), frame);
}

TEST(PseudoTerminalLink, FlushDiscardsInputAlreadyReceived) {
  PtyRig rig;
  ASSERT_EQ(rig.ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
  rig.pty.Write("stale");
  std::string data;
  ASSERT_EQ(rig.ports.CommRead(5, data, 1), 1);  // the bytes have arrived
  EXPECT_EQ(rig.ports.CommFlush(5), 0);
  rig.pty.Write("\x42");
  EXPECT_EQ(rig.ports.CommRead(5, data, 1), 1);
  EXPECT_EQ(data, "\x42");
}

TEST(PseudoTerminalLink, ModemLinesAreRejectedRecordedAndHarmless) {
  PtyRig rig;
  ASSERT_EQ(rig.ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
  int32_t r = rig.ports.CommSetLine(5, kLineDtr, true);
  EXPECT_NE(r, 0);
  EXPECT_EQ(rig.ports.CommLastError().number, r);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommSetLine (EscapeCommFunction)");
  EXPECT_EQ(rig.ports.CommWrite(5, "ok"), 2);
  EXPECT_EQ(rig.pty.Read(2, 2000), "ok");
}

TEST(PseudoTerminalLink, DeviceIsExclusiveWhileOpenAndFreeAfterClose) {
  PtyRig rig;
  ASSERT_EQ(rig.ports.CommOpen(5, "COM5", kInstrumentLineSettings), 0);
  EXPECT_EQ(rig.ports.CommOpen(6, "COM6", kInstrumentLineSettings), EBUSY);
  EXPECT_EQ(rig.ports.CommLastError().source, "CommOpen (CreateFile)");
  EXPECT_EQ(rig.ports.CommClose(5), 0);
  EXPECT_EQ(rig.ports.CommOpen(6, "COM6", kInstrumentLineSettings), 0);
}

}  // namespace
}  // namespace movexa::test
