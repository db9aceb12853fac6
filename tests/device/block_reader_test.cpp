// The block reader against instruments that make a timing-based reader go wrong, on the
// in-process simulator paced at 115200 baud with a manual clock: replies that stall part-way,
// bytes sent only while idle, replies that pause at the same place every time without being
// idle bytes, varying lengths, a USB adapter's latency timer, faults and silence. Every signal
// carries its index in the reply and the reply's number (tagged signals), so a block that holds
// another reply's bytes shows at once; rates are samples per simulated second against the line's
// limit.
#include <gtest/gtest.h>

#include <functional>

#include "device/com_module.h"
#include "device/device_rig.h"

namespace movexa::test {
namespace {

constexpr int kWanted = 48;  // bytes the sampling loop parses of every reply
constexpr int kTimerMs = 10;  // the sampling timer's wait after each sample

sim::SimConfig Tagged(int blockBytes) {
  sim::SimConfig c;
  c.noisePercent = 0;
  c.blockBytes = blockBytes;
  c.paced = true;
  c.tagSignals = true;
  return c;
}

struct Outcome {
  int used = 0;     // blocks of series that ended in step
  int refused = 0;  // blocks that were bad or belonged to a series out of step
  int shifted = 0;  // used blocks whose signals are not the first of their own reply
  int64_t ms = 0;   // simulated time of the samples counted
};

// Samples as the sampling loop takes them: eight block requests, the series check, the timer's
// wait. The first `settle` samples only teach the reader; the next `samples` are counted.
// `hostStall(sample, offset)`: milliseconds this side stalls before the request (a busy host).
Outcome Sample(SimRig& rig, int settle, int samples,
               const std::function<int(int, int)>& hostStall = {}) {
  Outcome o;
  for (int s = 0; s < settle + samples; ++s) {
    if (s == settle) o.ms = -rig.NowMs();
    std::vector<SignalTable> blocks;
    for (int offset = 0; offset < 64; offset += 8) {
      if (hostStall) rig.fake.pacer.PauseMs(hostStall(s, offset));
      if (ExchangeSignalBlock(rig.link, offset, kWanted).good) blocks.push_back(rig.signals);
    }
    const bool inStep = BlockSeriesEndedInStep(rig.link);
    if (s >= settle) {
      if (!inStep) blocks.clear();
      o.refused += 8 - static_cast<int>(blocks.size());
      for (const SignalTable& t : blocks) {
        ++o.used;
        bool own = true;
        for (int k = 0; k < kWanted / 2; ++k) {
          // Signal k of its reply, all of one reply.
          own = own && (t[static_cast<size_t>(k)] & 255) == k &&
                (t[static_cast<size_t>(k)] >> 8) == (t[0] >> 8);
        }
        if (!own) ++o.shifted;
      }
    }
    rig.fake.pacer.PauseMs(kTimerMs);
  }
  o.ms += rig.NowMs();
  return o;
}

// Samples per second at the line's speed: eight requests of 5 bytes and replies of `replyBytes`
// on average, plus the timer's wait.
double LineLimit(double replyBytes) {
  return 1000.0 / (8 * (5 + replyBytes) * static_cast<double>(WireTimeUs(1)) / 1000.0 + kTimerMs);
}

double Rate(const Outcome& o, int samples) { return samples * 1000.0 / static_cast<double>(o.ms); }

TEST(BlockReaderStalls, ARepliesPausingAfterByte96NeverGiveAShiftedBlock) {
  // The reader that took a 20 ms quiet for the end of a reply parsed the tail that came after
  // the next request as that request's block.
  for (double rate : {0.01, 0.2}) {
    sim::SimConfig c = Tagged(192);
    c.replyPauseMs = 40;
    c.replyPauseAfter = 96;
    c.replyPauseRate = rate;
    SimRig rig(c);
    ASSERT_TRUE(rig.Open());
    const Outcome o = Sample(rig, 2, 200);
    EXPECT_EQ(o.shifted, 0) << rate;
    EXPECT_EQ(o.refused, 0) << rate;  // the reply is waited for, not given up
    EXPECT_EQ(rig.connection.blockReplyBytes, 192);
    // Only the stalls cost time: 8 % of the samples hold a 40 ms stall at 1 %.
    if (rate == 0.01) {
      EXPECT_GE(Rate(o, 200), 0.95 * LineLimit(192)) << o.ms;
    }
  }
}

TEST(BlockReaderIdleBytes, BytesSentOnlyWhileIdleKeepTheLineSpeed) {
  // 48-byte replies followed by 144 more once the line has been idle 15 (or 30) ms: the reader
  // that waited for them sampled 3.7 times a second instead of 21.
  for (int pauseMs : {15, 30}) {
    sim::SimConfig c = Tagged(48);
    c.trailingBytes = 144;
    c.trailingPauseMs = pauseMs;
    SimRig rig(c);
    ASSERT_TRUE(rig.Open());
    const Outcome o = Sample(rig, 6, 100);
    EXPECT_EQ(o.shifted, 0) << pauseMs;
    EXPECT_EQ(o.refused, 0) << pauseMs;
    EXPECT_EQ(rig.connection.blockReplyBytes, 48) << pauseMs;
    EXPECT_GE(Rate(o, 100), 0.95 * LineLimit(48)) << pauseMs << ": " << o.ms << " ms";
  }
}

TEST(BlockReaderIdleBytes, ASlowHostMeetingTheIdleBytesMidSeriesKeepsTheLengthAndTheBlocks) {
  // This side stalls 20 ms before every third request: the instrument, left idle, sends its 144
  // bytes, which must neither shift a block nor make the reader learn afresh.
  sim::SimConfig c = Tagged(48);
  c.trailingBytes = 144;
  c.trailingPauseMs = 15;
  SimRig rig(c);
  ASSERT_TRUE(rig.Open());
  Sample(rig, 6, 0);
  ASSERT_EQ(rig.connection.blockReplyBytes, 48);
  const int64_t relearned = rig.connection.blockReplies.relearnings;
  const Outcome o = Sample(rig, 0, 60, [](int, int offset) { return offset % 24 == 8 ? 20 : 0; });
  EXPECT_EQ(o.shifted, 0);
  EXPECT_EQ(o.refused, 0);
  EXPECT_EQ(rig.connection.blockReplyBytes, 48);
  EXPECT_EQ(rig.connection.blockReplies.relearnings, relearned);
}

TEST(BlockReaderIdleBytes, AReplyThatAlwaysPausesAtTheSamePlaceIsNotCutThere) {
  // Every reply stalls 15 ms after byte 48 and then sends the rest whatever comes: the place
  // is put on trial as an end and the trial must fail (the rest piles up behind the requests).
  sim::SimConfig c = Tagged(192);
  c.replyPauseMs = 15;
  c.replyPauseAfter = 48;
  c.replyPauseRate = 1.0;
  SimRig rig(c);
  ASSERT_TRUE(rig.Open());
  const Outcome o = Sample(rig, 0, 60);
  EXPECT_EQ(o.shifted, 0);
  EXPECT_EQ(rig.connection.blockReplyBytes, 192);
  EXPECT_EQ(rig.connection.blockReplies.refutedGapAt, 48);
  EXPECT_GE(o.used, 50 * 8);
}

TEST(BlockReaderVarying, LengthsThatVaryAreLearnedAndReadNearTheLineSpeed) {
  sim::SimConfig c = Tagged(48);
  c.blockBytesChoices = {48, 96, 192};
  SimRig rig(c);
  ASSERT_TRUE(rig.Open());
  const Outcome o = Sample(rig, 10, 100);
  EXPECT_EQ(o.shifted, 0);
  EXPECT_EQ(o.refused, 0);
  EXPECT_EQ(rig.connection.blockReplies.varyingCount, 3);
  EXPECT_GE(Rate(o, 100), 0.85 * LineLimit((48 + 96 + 192) / 3.0)) << o.ms << " ms";
}

TEST(BlockReaderVarying, AStallRightAtALengthIsNeverTakenForTheEnd) {
  // Replies of 48, 96 or 192 bytes; in a third of them the instrument stalls 5 ms right after
  // byte 48, one of the lengths: the rest arrives after the next request.
  sim::SimConfig c = Tagged(48);
  c.blockBytesChoices = {48, 96, 192};
  c.replyPauseMs = 5;
  c.replyPauseAfter = 48;
  c.replyPauseRate = 0.33;
  SimRig rig(c);
  ASSERT_TRUE(rig.Open());
  const Outcome o = Sample(rig, 10, 150);
  EXPECT_EQ(o.shifted, 0);
  EXPECT_GT(o.used, 150 * 8 / 2);
}

TEST(BlockReaderAdapter, ALatencyTimerHoldingBytesNeverShiftsABlock) {
  // Bytes reach the host in packets of 62 or when the 16 ms timer expires: a 96-byte reply
  // pauses after 62 bytes every time, yet that place is no end.
  for (int bytes : {48, 96, 192}) {
    sim::SimConfig c = Tagged(bytes);
    c.adapterLatencyMs = 16;
    SimRig rig(c);
    ASSERT_TRUE(rig.Open());
    const Outcome o = Sample(rig, 0, 60);
    EXPECT_EQ(o.shifted, 0) << bytes;
    EXPECT_EQ(rig.connection.blockReplyBytes, bytes);
    EXPECT_GE(o.used, 50 * 8) << bytes;
  }
}

TEST(BlockReaderFaults, LostCutCorruptAndGarbledRepliesAreRefusedNeverShifted) {
  for (int bytes : {48, 192}) {
    sim::SimConfig c = Tagged(bytes);
    c.faults.dropRate = 0.03;
    c.faults.truncateRate = 0.03;
    c.faults.corruptRate = 0.03;
    c.faults.garbageRate = 0.03;
    c.trailingBytes = 96;
    c.trailingPauseMs = 25;
    SimRig rig(c);
    ASSERT_TRUE(rig.Open());
    const Outcome o = Sample(rig, 0, 150);
    EXPECT_EQ(o.shifted, 0) << bytes;
    EXPECT_GT(o.used, 150 * 8 / 3) << bytes;
  }
}

TEST(BlockReaderSilence, ANoReplyIsSilentAndLeavesTheLengthKnown) {
  SimRig rig(Tagged(96));
  ASSERT_TRUE(rig.Open());
  Sample(rig, 0, 3);
  rig.instrument.SetSilent(true);
  const BlockExchange b = ExchangeSignalBlock(rig.link, 0, kWanted);
  EXPECT_TRUE(b.silent);
  EXPECT_FALSE(b.good);
  EXPECT_TRUE(BlockSeriesEndedInStep(rig.link));
  rig.instrument.SetSilent(false);
  EXPECT_EQ(rig.connection.blockReplyBytes, 96);
  EXPECT_EQ(Sample(rig, 0, 3).used, 24);
}

}  // namespace
}  // namespace movexa::test
