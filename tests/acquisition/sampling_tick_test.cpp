// The sampling tick: block requests per plate format, re-synchronisation, bad blocks, the bin
// close (record times, temperature, counts, files), the end of the run, the detection methods
// against the simulator's ground truth, auto-zero, the blank reading, the light and thermostat
// points, the refresh points, a failing disk, and a tick that faults or is re-entered.
#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/counts_record.h"
#include "acquisition/engine_rig.h"
#include "acquisition/run_texts.h"
#include "base/file_io.h"
#include "base/rounding.h"

namespace movexa::test {
namespace {

using Answer = Dialogs::Answer;

// Block requests (offsets in order) found in `bytes`.
std::vector<int> BlockOffsetsSent(std::string_view bytes) {
  std::vector<int> offsets;
  for (size_t i = 0; i + 5 <= bytes.size(); ++i) {
    if (bytes[i] == '\xFF' && bytes[i + 1] == 0 && bytes[i + 2] == 0x30 && bytes[i + 4] == '\xF0') {
      offsets.push_back(static_cast<uint8_t>(bytes[i + 3]));
      i += 4;
    }
  }
  return offsets;
}

// The offsets requested by the next tick.
std::vector<int> OffsetsOfNextTick(EngineRig& rig) {
  const size_t before = rig.instrument.receivedBytes().size();
  rig.Ticks(1);
  return BlockOffsetsSent(std::string_view(rig.instrument.receivedBytes()).substr(before));
}

std::vector<CountsRecord> ReadRecords(const fs::path& file) {
  std::string bytes = ReadFileOrDie(file);
  std::vector<CountsRecord> out(bytes.size() / kCountsRecordBytes);
  for (size_t i = 0; i < out.size(); ++i) DecodeCountsRecord(bytes, i * kCountsRecordBytes, out[i]);
  return out;
}

void SmallProject(EngineRig& rig, int aqLapse, int rtBuffer = 60) {
  rig.state.project.RT_Buffer = static_cast<int16_t>(rtBuffer);
  rig.state.project.Aq_lapse = static_cast<int16_t>(aqLapse);
}

TEST(SamplingBlocks, NinetySixWellFormatsRequestFourBlocksOthersEight) {
  EngineRig rig;
  SmallProject(rig, 3);
  rig.state.project.Plate_format = "w96u";
  ASSERT_TRUE(rig.Play("exp"));
  // The first two samples of a bin re-synchronise: every block once more, then 50 ms.
  const int64_t paused = rig.fake.pacer.pausedMs();
  EXPECT_EQ(OffsetsOfNextTick(rig), (std::vector<int>{0, 16, 32, 48, 0, 16, 32, 48}));
  EXPECT_GE(rig.fake.pacer.pausedMs() - paused, 50 + 10);
  EXPECT_EQ(OffsetsOfNextTick(rig).size(), 8u);
  EXPECT_EQ(OffsetsOfNextTick(rig), (std::vector<int>{0, 16, 32, 48}));
  // Only the channels of those blocks carry signals; odd channels stay 0.
  const int16_t* row = rig.state.run.buffers.RawRow(2);
  for (int c = 0; c < kChannelCount; ++c) {
    const int column = c % 128;
    const bool sampled = c % 2 == 0 && (column / 16) % 2 == 0;
    if (sampled) {
      EXPECT_GT(row[c], 400) << c;
    } else {
      EXPECT_EQ(row[c], 0) << c;
    }
  }

  EngineRig eight;
  SmallProject(eight, 3);
  ASSERT_TRUE(eight.Play("exp"));
  eight.Ticks(2);
  EXPECT_EQ(OffsetsOfNextTick(eight), (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56}));
  const int16_t* all = eight.state.run.buffers.RawRow(2);
  for (int c = 0; c < kChannelCount; ++c) {
    if (c % 2 == 0) {
      EXPECT_GT(all[c], 400) << c;
    } else {
      EXPECT_EQ(all[c], 0) << c;
    }
  }
  // A new bin re-synchronises again at its first two samples.
  eight.TicksForBins(1);
  EXPECT_EQ(eight.state.run.counters.sampleIndex, 0);
  EXPECT_EQ(OffsetsOfNextTick(eight).size(), 16u);
  EXPECT_EQ(OffsetsOfNextTick(eight).size(), 16u);
  EXPECT_EQ(OffsetsOfNextTick(eight).size(), 8u);
}

TEST(SamplingBlocks, BadBlockRepeatsThePreviousSampleOfItsChannelsOnly) {
  EngineRig rig;
  SmallProject(rig, 3);
  ASSERT_TRUE(rig.Play("exp"));
  rig.Ticks(5);  // rows 0..4
  ASSERT_EQ(rig.state.run.counters.sampleIndex, 5);
  rig.instrument.DropNextReplies(1);  // the reply to the first block (offset 0) of row 5
  rig.Ticks(1);
  EXPECT_EQ(rig.state.run.counters.badBlocks, 1);
  const RunBuffers& b = rig.state.run.buffers;
  int repeated = 0, fresh = 0;
  for (int c = 0; c < kChannelCount; c += 2) {
    const bool blockZero = c % 128 < 16;
    if (blockZero) {
      EXPECT_EQ(b.Raw(c, 5), b.Raw(c, 4)) << c;
      ++repeated;
    } else if (b.Raw(c, 5) != b.Raw(c, 4)) {
      ++fresh;  // beam noise makes fresh samples differ
    }
  }
  EXPECT_EQ(repeated, 24);
  EXPECT_GT(fresh, 100);
}

TEST(SamplingBlocks, BadBlockAtTheSecondSampleOfABinLeavesTheRowAsItWas) {
  EngineRig rig;
  SmallProject(rig, 3);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.Ticks(1);  // row 0 of the second bin
  const std::vector<int16_t> before(rig.state.run.buffers.RawRow(1),
                                    rig.state.run.buffers.RawRow(1) + kChannelSlots);
  // Row 1 re-synchronises first (eight requests), then samples: drop the first sampling reply.
  rig.instrument.DropNextReplies(9);
  rig.Ticks(1);
  for (int c = 0; c < 16; c += 2) EXPECT_EQ(rig.state.run.buffers.Raw(c, 1), before[c]) << c;
}

TEST(BinClose, RecordsTimeCountsAndTemperatureAndTheRunEndsAtAqLapse) {
  EngineRig rig;
  SmallProject(rig, 1);
  ASSERT_TRUE(rig.Play("exp"));
  rig.fake.dialogs.ExpectMessage("Acquisition finished");
  rig.TickUntilStopped();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_TRUE(rig.state.run.context.finished);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_EQ(rig.instrument.outputs(), 0);

  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_GE(records.size(), 10u);
  EXPECT_EQ(static_cast<int64_t>(records.size()), rig.state.run.counters.binsClosed);
  // Every bin of the first minute carries time 0; the run ends at the first bin closed after
  // one whole minute, which carries time 1.
  for (size_t i = 0; i + 1 < records.size(); ++i) EXPECT_EQ(records[i].minutes, 0) << i;
  EXPECT_EQ(records.back().minutes, 1);
  // Temperature x 10 of the instrument (about 25 degrees), channels without a well stay 0,
  // beams crossed by organisms have counts.
  int64_t crossedCounts = 0;
  for (const auto& r : records) {
    EXPECT_NEAR(r.values[kChannelCount], 250, 20);
    for (int c = 1; c < kChannelCount; c += 2) EXPECT_EQ(r.values[c], 0) << c;
    for (int c = 0; c <= 30; c += 2) crossedCounts += r.values[c];
  }
  EXPECT_GT(crossedCounts, 100);
  EXPECT_EQ(records.back().values[kChannelCount],
            RoundHalfEven(rig.state.run.context.temperature * 10));
  // Raw blocks: one per record, eleven per file, nothing else.
  const int64_t n = static_cast<int64_t>(records.size());
  for (int64_t f = 0; f * 11 < n; ++f) {
    const int64_t blocks = std::min<int64_t>(11, n - f * 11);
    EXPECT_EQ(FileLength(rig.Folder() / (std::to_string(f) + ".bin")), blocks * RawBlockBytes(60)) << f;
  }
  EXPECT_FALSE(IsFile(rig.Folder() / (std::to_string((n + 10) / 11) + ".bin")));
  // The quick report of the last bin, in the project folder.
  const std::string report = ReadFileOrDie(rig.ProjectDir() / "report.txt");
  EXPECT_NE(report.find("\r\n1_Demo\r\n\r\nGroup Activity:\r\n"), std::string::npos);
  // Its channel lines carry the counts of the last bin written.
  for (int c : {0, 2, 30}) {
    const std::string prefix = "\r\n" + std::to_string(c) + " ";
    const size_t at = report.find(prefix, report.find("Raw Activity:"));
    ASSERT_NE(at, std::string::npos) << c;
    const size_t end = report.find("\r\n", at + 2);
    const std::string line = report.substr(at + 2, end - at - 2);
    EXPECT_EQ(line.substr(line.rfind(' ') + 1), std::to_string(records.back().values[c])) << line;
  }
  ASSERT_EQ(rig.fake.shell.calls().size(), 1u);
  EXPECT_EQ(rig.fake.shell.calls()[0].verb, "text");
}

TEST(BinClose, WithTheUserDefinedBinTheRunEndsWithTheAutomaticReport) {
  EngineRig rig;
  SmallProject(rig, 1);
  rig.state.main.userDefinedBin = true;
  rig.state.reportConfig.Bin = 1;
  ASSERT_TRUE(rig.Play("auto"));
  rig.fake.dialogs.ExpectMessage("Report File AutoGenerated");
  rig.TickUntilStopped();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
  EXPECT_TRUE(rig.state.run.context.finished);
  EXPECT_EQ(rig.display.broughtToFront, 1);
  EXPECT_TRUE(IsFile(rig.Folder() / "report.csv"));
  EXPECT_FALSE(IsFile(rig.ProjectDir() / "report.txt"));  // no quick report then
  EXPECT_EQ(rig.instrument.outputs(), 0);
}

TEST(BinClose, RawBlockHoldsTheBinSamplesInOrderWithTheLastRowAndColumnZero) {
  EngineRig rig;
  SmallProject(rig, 3, 40);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  const std::string raw = ReadFileOrDie(rig.Folder() / "0.bin");
  ASSERT_EQ(static_cast<int64_t>(raw.size()), RawBlockBytes(40));
  const RunBuffers& b = rig.state.run.buffers;
  for (int s = 0; s < 40; ++s) {
    for (int c = 0; c < kChannelSlots; ++c) {
      ASSERT_EQ(GetI16(raw, 2 * (c + 385 * static_cast<size_t>(s))), b.Raw(c, s)) << c << " " << s;
    }
    EXPECT_EQ(GetI16(raw, 2 * (384 + 385 * static_cast<size_t>(s))), 0);
  }
  for (int c = 0; c < kChannelSlots; ++c) EXPECT_EQ(GetI16(raw, 2 * (c + 385 * 40)), 0);
}

TEST(BinClose, AqLapseOneEndsOnlyAtABinBoundary) {
  EngineRig rig;
  SmallProject(rig, 1, 500);
  ASSERT_TRUE(rig.Play("exp"));
  rig.fake.dialogs.ExpectMessage("Acquisition finished");
  // One minute passes mid-bin: the run goes on to the end of that bin.
  while (rig.state.run.timerEnabled && rig.fake.clock.MonotonicMs() - rig.state.run.context.startMs < 61000) {
    rig.Ticks(1);
  }
  ASSERT_TRUE(rig.state.run.timerEnabled);
  EXPECT_NE(rig.state.run.counters.sampleIndex, 0);
  rig.TickUntilStopped();
  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().minutes, 1);
  EXPECT_EQ(rig.state.run.counters.samplesTaken % 500, 0);
}

TEST(BinClose, ElapsedMinutesStay32BitBeyondThe16BitRange) {
  EngineRig rig;
  SmallProject(rig, 32000);
  rig.state.project.Save_real = 0;
  rig.fake.system.freeMB = 1'000'000;
  rig.fake.dialogs.Lenient(Answer::kYes);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.fake.clock.AdvanceMs(int64_t{40000} * 60000);  // 40000 minutes later (about 28 days)
  rig.TicksForBins(1);
  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].minutes, 0);
  EXPECT_EQ(records[1].minutes, 40000);
  EXPECT_EQ(ElapsedMinutes(int64_t{40000} * 60000 + 59999), 40000);
  std::array<char, 32> text{};
  EXPECT_EQ(FormatElapsed(((27 * 24 + 18) * 60 + 40) * int64_t{60000} + 5000, text), "18:40:05 [27d]");
  EXPECT_EQ(FormatElapsed(3599999, text), "00:59:59 [0d]");
}

TEST(BinClose, TemperatureThatDoesNotArriveKeepsTheLastReading) {
  EngineRig rig;
  SmallProject(rig, 3);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.Ticks(rig.state.project.RT_Buffer - 1);  // the next tick closes bin 2
  rig.instrument.SetSilent(true);
  rig.Ticks(1);
  rig.instrument.SetSilent(false);
  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].values[kChannelCount], records[0].values[kChannelCount]);
  EXPECT_GT(records[1].values[kChannelCount], 200);
}

TEST(BinClose, NoTemperatureAtAllIsStoredAsMissingNotZeroDegrees) {
  EngineRig rig;
  // Long enough for a bin of a mute instrument to close before the programmed end (a run
  // whose instrument does not answer ends at its programmed end).
  SmallProject(rig, 30);
  rig.instrument.SetSilent(true);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.instrument.SetSilent(false);
  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_GE(records.size(), 1u);
  EXPECT_EQ(records[0].values[kChannelCount], kNoTemperature);
}

// Crossings the simulator made on `channel` since `since` (a snapshot of CrossingsOn).
// Against instruments that answer a block request with 48, 96 or 192 bytes, with lengths varying
// from request to request, with bytes sent after a pause while idle, or losing a reply now and
// then: the counts follow the crossings the simulator made.
TEST(Detection, MethodOneCountsTheSimulatedCrossingsWhateverTheBlockReplies) {
  struct Replies {
    const char* name;
    std::vector<int> lengths;
    int trailing = 0;
    bool lose = false;  // a reply is lost during the run (2.5 s without samples)
  };
  const Replies cases[] = {{"48", {48}},          {"96", {96}},
                           {"192", {192}},        {"varying", {48, 96, 192}},
                           {"trailing", {48}, 144}, {"lost", {96}, 0, true}};
  for (const Replies& replies : cases) {
    SCOPED_TRACE(replies.name);
    sim::SimConfig config = EngineSimConfig();
    config.blockBytes = replies.lengths.front();
    if (replies.lengths.size() > 1) config.blockBytesChoices = replies.lengths;
    config.trailingBytes = replies.trailing;
    // Dips long enough to be seen by the slower sampling of long replies too.
    config.organisms.front().durationMs = 400;
    EngineRig rig(config);
    SmallProject(rig, 3, 100);
    for (int c = 0; c < kChannelCount; ++c) rig.state.project.ChannelThreshold[c] = 10;
    ASSERT_TRUE(rig.Play("exp"));
    // Detection starts after 45 samples (longer with longer replies): the crossings are
    // compared from there on.
    rig.Ticks(46);
    std::array<int64_t, 16> before{};
    for (int i = 0; i < 16; ++i) before[i] = rig.instrument.model().CrossingsOn(2 * i);
    rig.fake.dialogs.ExpectMessage("Acquisition finished");
    if (replies.lose) {
      rig.Ticks(400);
      rig.instrument.DropNextReplies(1);
    }
    rig.TickUntilStopped();
    auto records = ReadRecords(rig.Folder() / "counts.bin");
    int64_t counted = 0, truth = 0;
    for (int i = 0; i < 16; ++i) {
      int64_t n = 0;
      for (const auto& r : records) n += r.values[2 * i];
      const int64_t t = rig.instrument.model().CrossingsOn(2 * i) - before[i];
      // A crossing under way when detection starts and those of the last moments of the final
      // bin may be missed: at most two per channel.
      EXPECT_LE(std::abs(n - t), 2) << "channel " << 2 * i << " counted " << n << " truth " << t;
      counted += n;
      truth += t;
    }
    EXPECT_GT(truth, 400);
    EXPECT_NEAR(static_cast<double>(counted), static_cast<double>(truth), truth * 0.05);
    // Beams without organisms count nothing (threshold 10 % lies far below the noise).
    for (const auto& r : records) {
      for (int c = 32; c < kChannelCount; c += 2) EXPECT_EQ(r.values[c], 0) << c;
    }
  }
}

TEST(Detection, MethodZeroCountsAtMostOneEventPerWindowAndMethodThreeNothingLive) {
  for (int method : {0, 3}) {
    sim::SimConfig config = EngineSimConfig();
    config.organisms[0].ratePerMinute = 120;  // dips far more often than one per window
    config.organisms[0].durationMs = 100;
    EngineRig rig(config);
    SmallProject(rig, 3, 310);
    rig.state.project.DSP_Method = static_cast<int16_t>(method);
    for (int c = 0; c < kChannelCount; ++c) rig.state.project.ChannelThreshold[c] = 10;
    ASSERT_TRUE(rig.Play("exp"));
    rig.TicksForBins(3);
    auto records = ReadRecords(rig.Folder() / "counts.bin");
    ASSERT_EQ(records.size(), 3u);
    for (size_t b = 1; b < records.size(); ++b) {
      for (int c = 0; c <= 30; c += 2) {
        if (method == 0) {
          // 310 samples make 10 windows of 31 samples.
          EXPECT_LE(records[b].values[c], 10) << c;
          EXPECT_GE(records[b].values[c], 5) << c;
        } else {
          EXPECT_EQ(records[b].values[c], 0) << c;
        }
      }
    }
  }
}

TEST(Detection, AutoZeroRecountsEachBinWithTheBinAnalysisAndAdaptsThresholds) {
  EngineRig rig;
  SmallProject(rig, 3, 500);
  rig.state.project.ChannelThreshold.fill(3.0);
  ASSERT_TRUE(rig.Play("exp"));
  rig.state.main.autoZero = true;  // from now on: the run start's own zero is another test
  rig.TicksForBins(2);
  auto records = ReadRecords(rig.Folder() / "counts.bin");
  ASSERT_EQ(records.size(), 2u);
  const std::string raw = ReadFileOrDie(rig.Folder() / "0.bin");
  std::vector<int16_t> block(raw.size() / 2);
  for (size_t i = 0; i < block.size(); ++i) block[i] = GetI16(raw, 2 * i);
  AnalysisScratch scratch;
  int64_t events = 0;
  for (int c = 0; c < kChannelCount; c += 2) {
    RawBlockView view{block.data() + (block.size() / 2) * 1, 501};
    EXPECT_EQ(records[1].values[c], AnalyzeBin(view, c, rig.state.main.snr, 1, false, {}, 0, scratch)) << c;
    events += records[1].values[c];
  }
  EXPECT_GT(events, 50);
  // Mapped channels took thresholds from their noise; unmapped ones kept theirs.
  EXPECT_NE(rig.state.project.ChannelThreshold[40], 3.0);
  EXPECT_GE(rig.state.project.ChannelThreshold[40], 1.8);
  EXPECT_EQ(rig.state.project.ChannelThreshold[41], 3.0);
}

TEST(RunStartCalibration, SelfCalibrationAndZeroRunBeforeSamplingOnTheirOwnRows) {
  EngineRig rig;
  SmallProject(rig, 3, 40);  // fewer rows than the zero's 30 readings need with margins
  rig.state.main.autoCalibration = true;
  rig.state.main.autoZero = true;
  rig.state.project.ChannelThreshold.fill(3.0);
  ASSERT_TRUE(rig.Play("calibrated"));
  EXPECT_EQ(rig.display.panels, (std::vector<std::string>{"<AUTOCALIBRATION>", "<AUTOCALIBRATION>"}));
  // The instrument's settings were read back into the table and the acquisition folder.
  EXPECT_TRUE(IsFile(rig.state.appDir / "calvalue.dat"));
  EXPECT_EQ(ReadFileOrDie(rig.Folder() / "calvalue.dat"), ReadFileOrDie(rig.state.appDir / "calvalue.dat"));
  // Every channel got a threshold from its noise.
  EXPECT_NE(rig.state.project.ChannelThreshold[40], 3.0);
  // Sampling starts on clean buffers of the bin's own size.
  EXPECT_EQ(rig.state.run.buffers.rtBuffer, 40);
  EXPECT_TRUE(std::all_of(rig.state.run.buffers.raw.begin(), rig.state.run.buffers.raw.end(),
                          [](int16_t v) { return v == 0; }));
  rig.TicksForBins(1);
  EXPECT_EQ(FileLength(rig.Folder() / "0.bin"), RawBlockBytes(40));
}

TEST(RunStartCalibration, MonitorModeAndAStopDuringTheZeroStartNoSampling) {
  EngineRig monitor;
  monitor.state.main.autoCalibration = true;
  monitor.state.main.autoZero = true;
  ASSERT_TRUE(monitor.Play(""));
  EXPECT_TRUE(monitor.display.panels.empty());  // nothing is calibrated without a name

  EngineRig rig;
  SmallProject(rig, 3);
  rig.state.main.autoZero = true;
  // The operator presses Stop while the zero lets events run.
  rig.fake.pacer.OnPump([&] {
    if (rig.state.run.runState == RunState::kRunning && !rig.display.panels.empty()) rig.engine->CmdStop();
  });
  EXPECT_FALSE(rig.Play("stopped"));
  EXPECT_FALSE(rig.state.run.timerEnabled);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
}

TEST(BlankReading, SetsThresholdsFromTheLevelsAndStopsByItself) {
  EngineRig rig;
  SmallProject(rig, 3);
  rig.state.project.Threshold_Counter = 100;
  rig.state.project.ChannelThreshold.fill(3.0);
  ASSERT_TRUE(rig.engine->ReadBlank());
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblcalibrando"), "Setting Blank.... (100 samples)");
  EXPECT_EQ(rig.state.run.runState, RunState::kRunning);
  int64_t ticks = rig.TickUntilStopped(10000);
  EXPECT_LT(ticks, 200);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(rig.state.run.blankMode);
  // The blank label is hidden and "Setting (0) OK..." stays in the status line.
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblcalibrando"), "");
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), "Setting (0) OK...");
  EXPECT_EQ(rig.fake.status.lines().back().text, "Setting (0) OK...");
  // Every sampled beam's threshold follows its spread; beams crossed by organisms dip deeply.
  const RunBuffers& b = rig.state.run.buffers;
  for (int c = 0; c < kChannelCount; c += 2) {
    const auto& s = b.channels[c];
    EXPECT_EQ(rig.state.project.ChannelThreshold[c], BlankThreshold(s.blankMinimum, s.blankMaximum, 3.0)) << c;
  }
  EXPECT_EQ(rig.state.project.ChannelThreshold[1], 3.0);  // no beam: maximum 0, kept
  EXPECT_LT(rig.state.project.ChannelThreshold[200], 10.0);
  // Nothing was recorded, but the blank has its folder with the project files.
  ASSERT_EQ(rig.AcquisitionFolders().size(), 1u);
  EXPECT_TRUE(IsFile(rig.ProjectDir() / rig.AcquisitionFolders()[0] / "setup.dat"));
  EXPECT_FALSE(IsFile(rig.ProjectDir() / rig.AcquisitionFolders()[0] / "counts.bin"));
}

TEST(BlankReading, RefusedOfflineAndCompletesWithAutoZeroOn) {
  EngineRig offline(EngineSimConfig(), /*connect=*/false);
  offline.fake.dialogs.ExpectMessage("Operation not possible in OFFLINE mode");
  EXPECT_FALSE(offline.engine->ReadBlank());
  EXPECT_TRUE(offline.fake.dialogs.Problems().empty());

  EngineRig rig;
  SmallProject(rig, 3);
  rig.state.project.Threshold_Counter = 50;
  rig.state.main.autoZero = true;  // the blank still runs to its end
  ASSERT_TRUE(rig.engine->ReadBlank());
  EXPECT_LT(rig.TickUntilStopped(10000), 200);
  EXPECT_FALSE(rig.state.run.blankMode);
}

TEST(Outputs, PulseCycleEveryTwentyFiveSamplesAndTheThermostatAtBinClose) {
  EngineRig rig;
  SmallProject(rig, 3, 600);
  auto& mn2 = rig.state.project.Mn[kMn2];
  mn2[kPulseTimes] = 3;
  mn2[kPulseOnX10] = 5;    // 0.5 minute on
  mn2[kPulseOffX10] = 5;   // 0.5 minute off
  rig.state.outputs.lightCycleEnabled = true;
  rig.state.outputs.thermostatEnabled = true;
  rig.state.main.temperatureText = "20.0";  // the instrument sits at about 25 degrees
  ASSERT_TRUE(rig.Play("exp"));
  rig.Ticks(25);
  EXPECT_EQ(rig.instrument.outputs(), 4);  // pulse on, control still off
  while (rig.fake.clock.MonotonicMs() - rig.state.run.context.startMs < 40000) rig.Ticks(1);
  EXPECT_EQ(rig.instrument.outputs() & 4, 0);  // pulse off in its second half minute
  rig.TicksForBins(1);
  EXPECT_EQ(rig.instrument.outputs() & 3, 1);  // cooling, running: 25 >= 20 + 0.6
  EXPECT_EQ(rig.display.progress.size(), static_cast<size_t>(rig.state.run.counters.samplesTaken / 25));
}

TEST(RefreshPoints, TraceEverySampleFullRedrawEveryWindowElapsedEveryTick) {
  EngineRig rig;
  SmallProject(rig, 3);
  ASSERT_TRUE(rig.Play("exp"));
  EXPECT_EQ(rig.display.plotWidth, 80);
  rig.Ticks(100);
  EXPECT_EQ(rig.display.traceSteps, 100);
  EXPECT_EQ(rig.display.sampleCounter, 100);
  EXPECT_EQ(rig.display.traceRedraws, 3);    // at samples 31, 62, 93 (every 30 + the check)
  EXPECT_EQ(rig.display.activityRedraws, 3); // at each window end (every 31 samples)
  EXPECT_EQ(rig.display.elapsed.substr(0, 6), "00:00:");
  EXPECT_EQ(rig.display.elapsed.substr(8), " [0d]");
  EXPECT_NE(rig.display.temperature, "__");
}

TEST(FailingDisk, NoBinIsLostAndTheOperatorIsToldAtStop) {
  EngineRig rig;
  SmallProject(rig, 30);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(2);
  // "counts.bin" turns unwritable: bins wait in memory, the status line tells the operator.
  const fs::path counts = rig.Folder() / "counts.bin";
  const std::string saved = ReadFileOrDie(counts);
  fs::remove(counts);
  fs::create_directory(counts);
  rig.TicksForBins(3);
  EXPECT_EQ(rig.state.run.files.waiting.size(), 3u);
  EXPECT_NE(rig.fake.status.Last("Frm_Main.lblstatus").find("Data files cannot be written"),
            std::string::npos);
  // Still failing at Stop: a message, and the bins stay.
  rig.fake.dialogs.ExpectMessage("");
  rig.engine->CmdStop();
  ASSERT_EQ(rig.fake.dialogs.Messages().size(), 1u);
  EXPECT_NE(rig.fake.dialogs.Messages()[0].find("3 closed bin(s) could not be written"), std::string::npos);
  // A new recording is refused while they wait.
  rig.fake.dialogs.ExpectInput("", "next").ExpectMessage("");
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_NE(rig.fake.dialogs.Messages().back().find("are still waiting for the disk"), std::string::npos);
  // The disk recovers: the next start writes them first, in order.
  fs::remove(counts);
  WriteFileOrDie(counts, saved);
  ASSERT_TRUE(rig.Play("next"));
  auto records = ReadRecords(counts);
  ASSERT_EQ(records.size(), 5u);
  for (size_t i = 1; i < records.size(); ++i) EXPECT_GE(records[i].minutes, records[i - 1].minutes);
  // ... into the folder of their own run, never the new one.
  EXPECT_EQ(FileLength(counts.parent_path() / "0.bin"), 5 * RawBlockBytes(60));
  EXPECT_NE(rig.Folder(), counts.parent_path());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
}

// The instrument stops answering for two bins, then comes back: the run records on, the
// operator is told while it lasts and when it ends, and the bins of repeated signals are
// counted for the end of the run.
TEST(SilentInstrument, RecordingGoesOnTheOperatorIsToldAndBadBinsAreCounted) {
  EngineRig rig;
  SmallProject(rig, 30, 10);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.instrument.SetSilent(true);
  rig.TicksForBins(2);
  const SampleCounters& c = rig.state.run.counters;
  EXPECT_TRUE(rig.state.run.timerEnabled);
  EXPECT_TRUE(c.instrumentSilent);
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), run_texts::InstrumentNotAnswering(2));
  rig.instrument.SetSilent(false);
  rig.TicksForBins(2);
  EXPECT_FALSE(c.instrumentSilent);
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), run_texts::InstrumentAnswersAgain(2));
  EXPECT_EQ(c.badBins, 2);
  EXPECT_EQ(FileLength(rig.Folder() / "counts.bin"), 5 * 774);
  rig.engine->CmdStop();
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), run_texts::BadBinsSummary(2, 5));
}

TEST(TickGuard, ATickIsNeverReenteredAndAFaultEndsOnlyThatTick) {
  EngineRig rig;
  SmallProject(rig, 3);
  ASSERT_TRUE(rig.Play("exp"));
  int nested = 0;
  rig.display.onTraceStep = [&] {
    ++nested;
    EXPECT_TRUE(rig.engine->Tick());  // a window timer firing inside a tick: refused
  };
  rig.Ticks(3);
  EXPECT_EQ(nested, 3);
  EXPECT_EQ(rig.state.run.counters.samplesTaken, 3);
  bool thrown = false;
  rig.display.onTraceStep = [&] {
    if (!thrown) {
      thrown = true;
      throw std::runtime_error("display fault");
    }
  };
  rig.Ticks(1);
  EXPECT_EQ(rig.state.run.counters.tickFaults, 1);
  EXPECT_FALSE(rig.state.run.inTick);
  rig.Ticks(5);
  EXPECT_EQ(rig.state.run.counters.samplesTaken, 8);
  EXPECT_TRUE(rig.state.run.timerEnabled);
}

}  // namespace
}  // namespace movexa::test
