// Instrument frames against the in-process simulator: frame bytes, the block parser's parity
// rule, the shared block reader, direct block exchanges and stale input, and the retry patterns.
#include <gtest/gtest.h>

#include "device/com_module.h"
#include "base/rounding.h"
#include "device/device_rig.h"

namespace movexa::test {
namespace {

sim::SimConfig Quiet(int blockBytes = 192, bool paced = false) {
  sim::SimConfig c;
  c.noisePercent = 0;
  c.blockBytes = blockBytes;
  c.paced = paced;
  return c;
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

// Level the simulator reports for signal `index` of a block at `offset` (noise off).
int Expected(SimRig& rig, int offset, int index) {
  const int position = BlockSignalPosition(offset, index);
  const int reg = ChannelRegister(SignalPositionChannel(position));
  return static_cast<int>(
      RoundHalfEven(rig.instrument.model().SettledLevel(position, rig.instrument.Register(reg))));
}

TEST(DeviceFrames, SendPutsTheFiveFrameBytesOnTheWire) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  EXPECT_EQ(DeviceSend(rig.link, kCodeOutputs, 5, kModeCommand), 0);
  EXPECT_EQ(rig.instrument.receivedBytes(), Bytes({0xFF, 0x00, 0x10, 0x05, 0xF0}));
  EXPECT_EQ(rig.instrument.outputs(), 5);
  EXPECT_EQ(DeviceSend(rig.link, kCodeChannelMode, 1, kModeCommand), 0);
  EXPECT_EQ(rig.instrument.channelMode(), 1);
}

TEST(DeviceFrames, RegisterWriteFrameAndEchoConfirm) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  EXPECT_EQ(CommandFrame(3, 0x6E, kModeRegisterWrite), Bytes({0xFF, 0x80, 0x03, 0x6E, 0xF0}));
  EXPECT_EQ(DeviceQuery(rig.link, 3, 0x6E, kModeRegisterWrite), 3);
  EXPECT_EQ(rig.instrument.Register(3), 0x6E);
  EXPECT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 3, kModeCommand), 0x6E);
}

TEST(DeviceFrames, ValuesOutsideAByteAreRefusedInsteadOfTruncated) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  EXPECT_TRUE(CommandFrame(0x20, 256, 0).empty());
  EXPECT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 256, kModeCommand), -1);  // not register 0
  EXPECT_EQ(DeviceSend(rig.link, kCodeOutputs, -1, kModeCommand), -1);
  EXPECT_EQ(rig.instrument.framesReceived(), 0);
}

TEST(DeviceFrames, QueryWithOnlyOneReplyByteReturnsIt) {
  ScriptRig rig([](std::string_view) { return std::string("\x2A"); });
  ASSERT_TRUE(rig.opened);
  EXPECT_EQ(DeviceQuery(rig.link, kCodeTemperature, 0, kModeCommand), 42);
}

TEST(SignalBlockParser, ParityRuleAndHighByteLimit) {
  SignalTable t{};
  // 0x8F 0xFF: 12 data ones with the parity bit set: bad, yet stored as 4095.
  EXPECT_FALSE(ParseSignalBlock(Bytes({0x8F, 0xFF}), 1, t));
  EXPECT_EQ(t[0], 4095);
  // 0x01 0x00: one data one without the parity bit: bad; 0x81 0x00 is good and gives 256.
  EXPECT_FALSE(ParseSignalBlock(Bytes({0x01, 0x00}), 1, t));
  EXPECT_EQ(t[0], 256);
  EXPECT_TRUE(ParseSignalBlock(Bytes({0x81, 0x00}), 1, t));
  EXPECT_EQ(t[0], 256);
  // hi above 15 after removing the parity bit: bad, stored with hi = 15.
  EXPECT_FALSE(ParseSignalBlock(Bytes({0x00, 0x00, 0x30, 0x12}), 2, t));
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 15 * 256 + 0x12);
  // One bad pair among good ones marks the block, the good values are still stored.
  SignalPair a = EncodeSignalPair(1234), b = EncodeSignalPair(4000);
  EXPECT_FALSE(ParseSignalBlock(Bytes({a.hi, a.lo, a.hi ^ 0x80, a.lo, b.hi, b.lo}), 3, t));
  EXPECT_EQ(t[0], 1234);
  EXPECT_EQ(t[2], 4000);
}

TEST(SignalBlockParser, EncodedPairsOfEveryValueParseGood) {
  SignalTable t{};
  for (int v = 0; v <= 4095; ++v) {
    SignalPair p = EncodeSignalPair(v);
    ASSERT_TRUE(ParseSignalBlock(Bytes({p.hi, p.lo}), 1, t)) << v;
    ASSERT_EQ(t[0], v);
  }
}

TEST(BlockRegrouping, SignalsLandOnEvenChannelsAndClearTheirOddNeighbours) {
  SignalTable t{};
  for (int k = 0; k < 24; ++k) t[static_cast<size_t>(k)] = 100 + k;
  t[4] = -7;
  std::array<int16_t, kChannelSlots> row;
  row.fill(555);
  RegroupBlock(t, 8, 24, row.data());
  // Signal k of a block at offset a: channel 2a + 2 (k div 3) + 128 (k mod 3).
  for (int k = 0; k < 24; ++k) {
    const int c = 2 * 8 + 2 * (k / 3) + 128 * (k % 3);
    EXPECT_EQ(row[c], k == 4 ? 0 : 100 + k) << k;
    EXPECT_EQ(row[c + 1], 0) << k;
  }
  EXPECT_EQ(row[14], 555);  // channels of other blocks untouched
  EXPECT_EQ(row[32], 555);
  EXPECT_EQ(row[160], 555);
}

TEST(SharedBlockReader, ReadsNinetySixSignalsOfTheInstrument) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  EXPECT_EQ(DeviceReadBlock(rig.link, kCodeBlock, 0, kModeCommand), 0);
  for (int k = 0; k < 96; ++k) ASSERT_EQ(rig.signals[static_cast<size_t>(k)], Expected(rig, 0, k));
}

TEST(SharedBlockReader, SilentInstrumentGivesMinusOneWithinOneReadTimeout) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  rig.signals.fill(77);
  rig.instrument.SetSilent(true);
  const int64_t start = rig.NowMs();
  EXPECT_EQ(DeviceReadBlock(rig.link, kCodeBlock, 0, kModeCommand), -1);
  for (int k = 0; k < 96; ++k) EXPECT_EQ(rig.signals[static_cast<size_t>(k)], -1);
  EXPECT_EQ(rig.signals[96], 77);
  // One read's five attempts, not 20000 of them.
  EXPECT_LE(rig.NowMs() - start, 2600);
}

TEST(SharedBlockReader, ShortReplyFailsAndAHighByteAboveFifteenFailsYetIsStored) {
  SimRig rig(Quiet(48));
  ASSERT_TRUE(rig.Open());
  EXPECT_EQ(DeviceReadBlock(rig.link, kCodeBlock, 0, kModeCommand), -1);

  std::string reply;
  for (int k = 0; k < 96; ++k) reply += Bytes({k == 5 ? 0x40 : 0x81, k});
  ScriptRig script([reply](std::string_view) { return reply; });
  ASSERT_TRUE(script.opened);
  EXPECT_EQ(DeviceReadBlock(script.link, kCodeBlock, 0, kModeCommand), -1);
  EXPECT_EQ(script.signals[5], 15 * 256 + 5);
  // The parity bit is not checked by this reader: 0x81 counts as hi = 1.
  EXPECT_EQ(script.signals[6], 256 + 6);
}

TEST(DirectBlockExchange, ConsumesTheWholeLearnedReplySoNoTailReachesTheNextExchange) {
  for (bool paced : {false, true}) {
    SimRig rig(Quiet(512, paced));
    ASSERT_TRUE(rig.Open());
    rig.instrument.SetRegister(40, 0x5A);
    for (int pass = 0; pass < 2; ++pass) {
      for (int offset = 0; offset < 64; offset += 8) {
        BlockExchange b = ExchangeSignalBlock(rig.link, offset, 48);
        ASSERT_TRUE(b.good) << offset;
        EXPECT_EQ(b.received, 512);
        for (int k = 0; k < 24; ++k) {
          ASSERT_EQ(rig.signals[static_cast<size_t>(k)], Expected(rig, offset, k)) << offset;
        }
      }
      // A query right after a long block reply gets its own answer, not a block byte.
      EXPECT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 40, kModeCommand), 0x5A) << paced;
    }
  }
}

TEST(DirectBlockExchange, ReplyShorterThanConsumedIsBad) {
  SimRig rig(Quiet(48));
  ASSERT_TRUE(rig.Open());
  EXPECT_TRUE(ExchangeSignalBlock(rig.link, 0, 48).good);
  BlockExchange b = ExchangeSignalBlock(rig.link, 0, 96);
  EXPECT_FALSE(b.good);
  EXPECT_EQ(b.received, 48);
}

TEST(DirectBlockExchange, StaleBytesOnTheLineAreDiscardedBeforeTheRequest) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  rig.instrument.InjectBytes(std::string(7, '\x55'));
  EXPECT_TRUE(ExchangeSignalBlock(rig.link, 0, 48).good);
  rig.instrument.InjectBytes(std::string(3, '\x55'));
  EXPECT_EQ(DeviceQuery(rig.link, kCodeIdentify, 0, kModeCommand), 0);  // serial 120: b0 = 0
}

// Samples of eight blocks as the sampling loop takes them, against instruments that answer 48,
// 96 or 192 bytes, lengths varying from request to request, bytes sent after a pause while idle,
// a reply that grows from one sample to the next, and lost replies: every block used (a good
// block of a series that ended in step) holds the instrument's own levels, and a query between
// samples gets its own answer.
TEST(BlockReaderInStep, AnyReplyLengthGivesTheInstrumentsSignalsAndNeverAShiftedBlock) {
  struct Case {
    const char* name;
    std::vector<int> lengths;
    int trailing = 0;
    int growAt = -1;  // sample from which replies are 192 bytes long
    int dropAt = -1;  // sample whose third reply is lost
    int allowedBad = 8;
  };
  const Case cases[] = {{"48", {48}},
                        {"96", {96}},
                        {"192", {192}},
                        // Lengths that vary are learned from whole replies over the first
                        // samples, and a series read with a length that turned out wrong is
                        // refused whole.
                        {"varying", {48, 96, 192, 144}, 0, -1, -1, 40},
                        {"trailing", {48}, 144},
                        {"growing", {48}, 0, 3},
                        {"lost", {192}, 0, -1, 4}};
  for (const Case& c : cases) {
    SimRig rig(Quiet(c.lengths.front(), true));
    if (c.lengths.size() > 1) rig.instrument.SetBlockBytesChoices(c.lengths);
    rig.instrument.SetTrailingBytes(c.trailing, 40);
    ASSERT_TRUE(rig.Open());
    rig.instrument.SetRegister(40, 0x5A);
    int used = 0, bad = 0;
    for (int sample = 0; sample < 12; ++sample) {
      if (sample == c.growAt) rig.instrument.SetBlockBytes(192);
      std::vector<std::pair<int, SignalTable>> blocks;
      for (int offset = 0; offset < 64; offset += 8) {
        if (sample == c.dropAt && offset == 16) rig.instrument.DropNextReplies(1);
        BlockExchange b = ExchangeSignalBlock(rig.link, offset, 48);
        if (b.good) blocks.emplace_back(offset, rig.signals);
      }
      if (!BlockSeriesEndedInStep(rig.link)) blocks.clear();
      bad += 8 - static_cast<int>(blocks.size());
      for (auto& [offset, table] : blocks) {
        for (int k = 0; k < 24; ++k) {
          ASSERT_EQ(table[static_cast<size_t>(k)], Expected(rig, offset, k))
              << c.name << " sample " << sample << " offset " << offset;
        }
        ++used;
      }
      rig.fake.pacer.PauseMs(60);  // bytes sent while idle arrive in this wait
      ASSERT_EQ(DeviceQuery(rig.link, kCodeReadRegister, 40, kModeCommand), 0x5A) << c.name;
    }
    // Only the lost reply, the one sample whose replies grew, or the trial of the idle bytes'
    // place, costs blocks.
    EXPECT_GE(used, 96 - c.allowedBad) << c.name;
    EXPECT_LE(bad, c.allowedBad) << c.name;
  }
}

TEST(BlockReaderInStep, ASteadyInstrumentIsReadAtTheLineSpeedWithoutWaitingForSilence) {
  for (int length : {48, 192}) {
    SimRig rig(Quiet(length, true));
    ASSERT_TRUE(rig.Open());
    // Two whole replies of one length make it known.
    ExchangeSignalBlock(rig.link, 0, 48);
    ExchangeSignalBlock(rig.link, 0, 48);
    ASSERT_TRUE(BlockSeriesEndedInStep(rig.link));
    const int64_t start = rig.NowMs();
    for (int offset = 0; offset < 64 * 10; offset += 8) {
      ASSERT_TRUE(ExchangeSignalBlock(rig.link, offset % 64, 48).good);
      if (offset % 64 == 56) {
        ASSERT_TRUE(BlockSeriesEndedInStep(rig.link));
      }
    }
    // 80 exchanges of 5 + length bytes at 115200 baud, a check of a fifth of a millisecond
    // after each reply for a byte beyond its length, and the 1 ms check after each sample.
    const double wireMs = 80 * WireTimeUs(5 + length) / 1000.0;
    EXPECT_LE(rig.NowMs() - start, wireMs + 80 * 0.2 + 10 * 2 + 2) << length;
  }
}

TEST(VerifiedRegisterWrite, ConfirmedOnTheFirstSecondOrThirdSeries) {
  struct Case {
    int dropped;
    int framesExpected;
  };
  // Series 1: 9 writes; series 2 and 3: one resynchronisation query and 9 writes each.
  for (Case c : {Case{0, 9}, Case{9, 19}, Case{18, 29}}) {
    SimRig rig(Quiet());
    ASSERT_TRUE(rig.Open());
    rig.instrument.DropNextReplies(c.dropped, kModeRegisterWrite);
    EXPECT_EQ(WriteRegisterVerified(rig.link, 7, 0xE5), 1) << c.dropped;
    EXPECT_EQ(rig.instrument.framesReceived(), c.framesExpected);
    EXPECT_EQ(rig.instrument.Register(7), 0xE5);
    EXPECT_TRUE(rig.fake.dialogs.shown().empty());
  }
}

TEST(VerifiedRegisterWrite, NeverAnsweredShowsItsMessageAndFails) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  rig.instrument.SetSilent(true);
  rig.fake.dialogs.ExpectMessage("Ops...Data Writing ERROR: reg(12)... Check COM and Try again");
  EXPECT_EQ(WriteRegisterVerified(rig.link, 12, 3), -1);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  // 29 unanswered queries of 2.525 s, plus the pauses between the series.
  EXPECT_EQ(rig.NowMs(), 29 * 2525 + 2 * (200 + 9 * 50));
}

TEST(RegisterReadRetry, ThirdReadCountsAndSilenceGivesMinusOne) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  rig.instrument.SetRegister(9, 0x21);
  rig.instrument.DropNextReplies(2);
  EXPECT_EQ(ReadRegisterRetry(rig.link, 9), 0x21);
  rig.instrument.SetSilent(true);
  EXPECT_EQ(ReadRegisterRetry(rig.link, 9), -1);
}

TEST(TestSetting, RepliesAndDrivesEveryBeamUntilTheNextRegisterWrite) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  const int setting = 7 * 32 + 7;
  EXPECT_EQ(ApplyTestSetting(rig.link, setting), setting);
  ASSERT_TRUE(ExchangeSignalBlock(rig.link, 0, 48).good);
  EXPECT_EQ(rig.signals[0],
            RoundHalfEven(rig.instrument.model().SettledLevel(0, setting)));
  rig.instrument.SetSilent(true);
  const int64_t start = rig.NowMs();
  EXPECT_EQ(ApplyTestSetting(rig.link, setting), -1);
  EXPECT_EQ(rig.NowMs() - start, 2 * (2525 + 10));
}

TEST(FactoryRegisterPairs, AgreeingPairsCountDisagreementAndSilenceDoNot) {
  SimRig rig(Quiet());
  ASSERT_TRUE(rig.Open());
  auto values = ReadFactoryRegisters(rig.link);
  EXPECT_EQ(values, (std::array<int, 8>{0, 3, 24, 1, 15, 219, 0, 0}));
  // The first read of register 200 is lost: a ping, then the second pair agrees.
  rig.instrument.DropNextReplies(1);
  EXPECT_EQ(ReadFactoryRegisters(rig.link)[0], 0);
  rig.instrument.SetSilent(true);
  EXPECT_EQ(ReadFactoryRegisters(rig.link), (std::array<int, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
}

}  // namespace
}  // namespace movexa::test
