// Complete readings, the automatic zero and the run-start entry against the simulated
// instrument: block coverage and rejected blocks, sample counts, thresholds from the noise, the
// early end when the acquisition stops, and the offline computation from the rows as they are.
#include <gtest/gtest.h>

#include "calibration/calibration_math.h"
#include "procedure_bench.h"

namespace movexa {
namespace {

using test::ProcedureBench;

constexpr int16_t kSentinel = 1234;

void FillRow(ProcedureBench& b, int row) {
  for (int c = 0; c < kChannelSlots; ++c) b.buffers.Raw(c, row) = kSentinel;
}

TEST(ReadAllChannels, FillsEveryEvenChannelAndZerosTheOddOnes) {
  for (int blockBytes : {96, 48}) {
    ProcedureBench b;
    FillRow(b, 3);
    const ChannelReading reading = ReadAllChannels(b.ctx, 3, blockBytes);
    EXPECT_TRUE(reading.Complete());
    EXPECT_FALSE(reading.lastRejected);
    EXPECT_EQ(b.counter.commands[kCodeBlock], 192 * 2 / blockBytes);
    for (int c = 0; c < kChannelCount; c += 2) {
      EXPECT_GT(b.buffers.Raw(c, 3), 300) << blockBytes << " " << c;
      EXPECT_NE(b.buffers.Raw(c, 3), kSentinel);
      EXPECT_EQ(b.buffers.Raw(c + 1, 3), 0);
    }
    EXPECT_EQ(b.buffers.Raw(kChannelCount, 3), kSentinel) << "slot 384 is no channel";
  }
}

TEST(ReadAllChannels, CorruptShortOrMissingBlocksLeaveTheirChannelsUnchanged) {
  sim::SimConfig corrupt;
  corrupt.faults.corruptRate = 1.0;  // one flipped bit in every reply
  corrupt.blockBytes = 96;           // so that it lies in the part that is read
  ProcedureBench bad(corrupt);
  bad.rig.connection.blockReplyBytes = 96;
  FillRow(bad, 0);
  EXPECT_EQ(ReadAllChannels(bad.ctx, 0, 96).rejectedBlocks, 4);
  EXPECT_EQ(bad.counter.commands[kCodeBlock], 4);
  for (int c = 0; c < kChannelSlots; ++c) ASSERT_EQ(bad.buffers.Raw(c, 0), kSentinel) << c;

  ProcedureBench shortReply;
  shortReply.sim().SetBlockBytes(90);
  shortReply.rig.connection.blockReplyBytes = 90;
  FillRow(shortReply, 0);
  EXPECT_EQ(ReadAllChannels(shortReply.ctx, 0, 96).rejectedBlocks, 4);
  for (int c = 0; c < kChannelSlots; ++c) ASSERT_EQ(shortReply.buffers.Raw(c, 0), kSentinel) << c;

  // The reply to the first block (offset 0: channels 0..30, 128..158, 256..286) is lost.
  ProcedureBench dropped;
  dropped.sim().DropNextReplies(1);
  FillRow(dropped, 0);
  const ChannelReading lost = ReadAllChannels(dropped.ctx, 0, 96);
  EXPECT_EQ(lost.rejectedBlocks, 1);
  EXPECT_FALSE(lost.lastRejected);
  for (int c : {0, 1, 30, 31, 128, 158, 256, 286, 287}) {
    EXPECT_EQ(dropped.buffers.Raw(c, 0), kSentinel) << c;
  }
  for (int c : {32, 126, 160, 288, 382}) EXPECT_NE(dropped.buffers.Raw(c, 0), kSentinel) << c;
  EXPECT_EQ(dropped.buffers.Raw(33, 0), 0);

  // Bytes that follow the last reply once the line is idle: the series did not end in step, so
  // none of its blocks is taken as signals.
  ProcedureBench trailing;
  trailing.sim().SetTrailingBytes(6, 1);
  FillRow(trailing, 0);
  const ChannelReading late = ReadAllChannels(trailing.ctx, 0, 96);
  EXPECT_EQ(late.rejectedBlocks, 4);
  EXPECT_TRUE(late.lastRejected);
  for (int c = 0; c < kChannelSlots; ++c) ASSERT_EQ(trailing.buffers.Raw(c, 0), kSentinel) << c;
}

TEST(ReadAllChannels, RowsOutsideTheBufferAreNeverTouched) {
  ProcedureBench b;
  ReadAllChannels(b.ctx, b.buffers.rows(), 96);
  ReadAllChannels(b.ctx, -1, 96);
  ReadAllChannels(b.ctx, 0, 50);  // no whole triples of the stream
  EXPECT_EQ(b.sim().framesReceived(), 0);
}

TEST(AutoZero, ThirtySamplesWithBothAutomaticOptionsElseAHundred) {
  for (bool both : {true, false}) {
    SCOPED_TRACE(both);
    sim::SimConfig noisy;
    noisy.noisePercent = 2.0;
    ProcedureBench b(noisy);
    const int samples = both ? 30 : 100;
    ASSERT_TRUE(AutoZero(b.ctx, 2.0, both));
    EXPECT_EQ(b.counter.commands[kCodeBlock], 8 + 8 * samples);
    std::vector<std::string> status = b.StatusTexts();
    ASSERT_EQ(status.size(), 1u + samples);
    EXPECT_EQ(status.front(), "AutoZero Calculation .... <000>");
    EXPECT_EQ(status[1], "AutoZero... <0>");
    EXPECT_EQ(status.back(), "AutoZero... <" + std::to_string(samples - 1) + ">");
    EXPECT_EQ(b.panel.scales, std::vector<double>{static_cast<double>(samples)});
    EXPECT_EQ(b.panel.clears, 1);
    EXPECT_EQ(b.panel.draws.size(), static_cast<size_t>(samples));
    EXPECT_EQ(b.rig.fake.pacer.pumps(), samples / 10);
    for (int c = 0; c < kChannelCount; ++c) {
      EXPECT_DOUBLE_EQ(b.project.ChannelThreshold[c],
                       AutoZeroThreshold(b.buffers.RawView(), c, samples, 2.0)) << c;
    }
    // Noise of 2 % of the level: consecutive peaks and valleys lie one to a few percent
    // apart, times SNR 2, plus 1.
    for (int c = 0; c < kChannelCount; c += 2) {
      EXPECT_GT(b.project.ChannelThreshold[c], 3.0) << c;
      EXPECT_LT(b.project.ChannelThreshold[c], 15.0) << c;
    }
    EXPECT_EQ(b.project.ChannelThreshold[1], 1.8) << "a channel without level gets 1.8";
  }
}

TEST(AutoZero, NoiselessBeamsGetTheLowestThreshold) {
  ProcedureBench b(test::NoiselessConfig());
  ASSERT_TRUE(AutoZero(b.ctx, 2.8, true));
  for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(b.project.ChannelThreshold[c], 1.8) << c;
}

TEST(AutoZero, StopAtAMultipleOfTenSamplesChangesNoThreshold) {
  ProcedureBench b;
  b.project.ChannelThreshold.fill(7.25);
  b.rig.fake.pacer.OnPump([&b] {
    if (b.rig.fake.pacer.pumps() == 2) b.active = false;  // Stop pressed around sample 10
  });
  EXPECT_FALSE(AutoZero(b.ctx, 2.0, false));
  EXPECT_EQ(b.counter.commands[kCodeBlock], 8 + 8 * 11);
  EXPECT_EQ(b.StatusTexts().back(), "AutoZero... <10>");
  for (double t : b.project.ChannelThreshold) ASSERT_EQ(t, 7.25);
}

TEST(AutoZero, FastZeroWithoutAnAcquisitionTakesOneSampleAndChangesNothing) {
  ProcedureBench b;
  b.active = false;
  b.project.ChannelThreshold.fill(3.5);
  EXPECT_FALSE(FastZero(b.ctx, "2,5", false));
  EXPECT_EQ(b.counter.commands[kCodeBlock], 8 + 8);
  EXPECT_EQ(b.panel.captions, std::vector<std::string>{""}) << "the caption is left as it is";
  EXPECT_EQ(b.panel.hides, 1);
  for (double t : b.project.ChannelThreshold) ASSERT_EQ(t, 3.5);
}

TEST(AutoZero, OfflineComputesFromTheRowsAsTheyAre) {
  ProcedureBench b;
  b.rig.connection.offline = true;
  // Channel 0 alternates 1000 and 1100: every row is a peak or a valley, so the spread is 100
  // throughout; rows 11..28 average 1050.
  for (int s = 0; s < 30; ++s) b.buffers.Raw(0, s) = s % 2 == 0 ? 1000 : 1100;
  ASSERT_TRUE(AutoZero(b.ctx, 2.0, true));
  EXPECT_EQ(b.sim().framesReceived(), 0);
  EXPECT_DOUBLE_EQ(b.project.ChannelThreshold[0], (1.0 - 950.0 / 1050.0) * 100.0 * 2.0 + 1.0);
  EXPECT_EQ(b.project.ChannelThreshold[2], 1.8);
}

TEST(AutoZero, WorksOnItsOwnRowsWhenTheRunBufferIsSmaller) {
  ProcedureBench b(test::NoiselessConfig());
  ASSERT_TRUE(b.buffers.Allocate(20));  // 21 rows, fewer than 100 samples
  ASSERT_TRUE(AutoZero(b.ctx, 2.0, false));
  EXPECT_EQ(b.counter.commands[kCodeBlock], 8 + 8 * 100);
  EXPECT_EQ(b.project.ChannelThreshold[0], 1.8);
  EXPECT_EQ(b.buffers.rows(), 21) << "the run buffer keeps its size";
}

TEST(RunStartCalibration, SelfCalibrationThenAutoZeroWithTheRunStartFactor) {
  ProcedureBench b;
  const auto folder = b.app / "20240319_1405";
  std::filesystem::create_directory(folder);
  EXPECT_TRUE(RunStartCalibration(b.ctx, folder, true, true, "1,2"));  // below 1.3: 1.8
  EXPECT_EQ(b.panel.captions, (std::vector<std::string>{"<AUTOCALIBRATION>", "<AUTOCALIBRATION>"}));
  EXPECT_EQ(b.panel.hides, 2);
  EXPECT_EQ(b.panel.background, (std::array<int, 3>{255, 255, 192}));
  EXPECT_EQ(b.panel.scales, (std::vector<double>{383, 30}));
  EXPECT_EQ(b.counter.commands[kCodeSelfCalibration], 1);
  EXPECT_EQ(test::ReadFileOrDie(folder / "calvalue.dat"), test::ReadFileOrDie(b.app / "calvalue.dat"));
  for (int c = 0; c < kChannelCount; ++c) {
    EXPECT_DOUBLE_EQ(b.project.ChannelThreshold[c],
                     AutoZeroThreshold(b.buffers.RawView(), c, 30, 1.8)) << c;
  }

  ProcedureBench zeroOnly;
  EXPECT_TRUE(RunStartCalibration(zeroOnly.ctx, {}, false, true, "2.0"));
  EXPECT_EQ(zeroOnly.counter.commands[kCodeSelfCalibration], 0);
  EXPECT_EQ(zeroOnly.counter.commands[kCodeBlock], 8 + 8 * 100);

  ProcedureBench offline;
  offline.rig.connection.offline = true;
  EXPECT_TRUE(RunStartCalibration(offline.ctx, {}, true, true, "2.0"));
  EXPECT_EQ(offline.sim().framesReceived(), 0);
  EXPECT_TRUE(offline.panel.captions.empty());
}

}  // namespace
}  // namespace movexa
