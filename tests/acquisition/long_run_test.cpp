// Six simulated hours on a manual clock against the in-process simulator with injected faults:
// 1 % corrupted replies, 0.5 % dropped replies and one 60-second silence. No bin may be lost,
// record times never decrease, and the run ends by itself at Aq_lapse with the light and the
// temperature control switched off.
//
// Pace: the timer here re-arms one second after each tick (the windows re-arm after 10 ms),
// so six hours take about 21,000 ticks instead of about 460,000 and the test runs in a second
// or two (a few more under the sanitizers). Every path of the tick is still exercised at every
// tick; only the number of samples per minute is lower. Bins of 60 samples then close about
// once a minute.
#include <gtest/gtest.h>

#include "acquisition/counts_record.h"
#include "acquisition/engine_rig.h"
#include "base/file_io.h"

namespace movexa::test {
namespace {

TEST(LongRun, SixHoursWithFaultsLoseNoBinAndEndSwitchedOff) {
  sim::SimConfig config = EngineSimConfig();
  config.faults.corruptRate = 0.01;
  config.faults.dropRate = 0.005;
  config.faults.silentFromMs = 3 * 3600 * 1000;  // a minute of silence half-way
  config.faults.silentForMs = 60000;
  config.seed = 7;
  EngineRig rig(config);
  ProjectSettings& p = rig.state.project;
  p.Aq_lapse = 360;
  p.RT_Buffer = 60;
  // Light on all day and the thermostat driving the element, so that "off" at the end means
  // something.
  rig.state.outputs.lightCycleEnabled = true;
  p.Mn[kMn2][kTime_ON] = 0;
  p.Mn[kMn2][kTime_OFF] = 23;
  rig.fake.clock.Set(CivilTime{2024, 3, 19, 8, 0, 0, 0});
  rig.state.outputs.thermostatEnabled = true;
  rig.state.main.temperatureText = "20";
  ASSERT_TRUE(rig.Play("six hours"));
  rig.fake.dialogs.ExpectMessage("Acquisition finished");
  const int64_t ticks = rig.TickUntilStopped(100000, 1000);

  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
  EXPECT_TRUE(rig.state.run.context.finished);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_GT(ticks, 18000);
  // Everything off on the instrument itself.
  EXPECT_EQ(rig.instrument.outputs(), 0);

  // Every closed bin is on disk, in order, with its raw block.
  std::string counts = ReadFileOrDie(rig.Folder() / "counts.bin");
  const int64_t records = static_cast<int64_t>(counts.size()) / kCountsRecordBytes;
  EXPECT_EQ(static_cast<int64_t>(counts.size()) % kCountsRecordBytes, 0);
  EXPECT_EQ(records, rig.state.run.counters.binsClosed);
  EXPECT_GT(records, 300);
  EXPECT_TRUE(rig.state.run.files.waiting.empty());
  int64_t rawBytes = 0;
  for (int64_t f = 0; f * 11 < records; ++f) rawBytes += FileLength(rig.Folder() / (std::to_string(f) + ".bin"));
  EXPECT_EQ(rawBytes, records * RawBlockBytes(60));

  CountsRecord r;
  int32_t previous = 0;
  int32_t largestStep = 0;
  for (int64_t i = 0; i < records; ++i) {
    ASSERT_TRUE(DecodeCountsRecord(counts, static_cast<size_t>(i * kCountsRecordBytes), r));
    EXPECT_GE(r.minutes, previous) << i;
    largestStep = std::max(largestStep, r.minutes - previous);
    previous = r.minutes;
  }
  EXPECT_LE(largestStep, 3);  // the silence slows sampling but skips no time
  EXPECT_GE(previous, 360);
  EXPECT_LE(previous, 361);

  // The faults happened and were absorbed: bad blocks from corruption, drops and the silence.
  EXPECT_GT(rig.instrument.repliesDropped(), 50);
  EXPECT_GT(rig.state.run.counters.badBlocks, 2000);
  EXPECT_EQ(rig.state.run.counters.tickFaults, 0);
  EXPECT_TRUE(IsFile(rig.ProjectDir() / "report.txt"));
}

}  // namespace
}  // namespace movexa::test
