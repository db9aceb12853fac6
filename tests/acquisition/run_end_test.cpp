// The end of a run whatever the instrument does: a run whose instrument goes mute, or answers
// too slowly for its last bin to close, ends within a bounded time of its programmed end, as
// Stop ends it, says why, and keeps every bin it closed.
#include <gtest/gtest.h>

#include "acquisition/counts_record.h"
#include "acquisition/engine_rig.h"
#include "acquisition/run_texts.h"
#include "base/file_io.h"

namespace movexa::test {
namespace {

int64_t RunMs(EngineRig& rig) { return rig.fake.clock.MonotonicMs() - rig.state.run.context.startMs; }

bool StatusShown(const EngineRig& rig, const std::string& text) {
  for (const auto& line : rig.fake.status.lines()) {
    if (line.where == "Frm_Main.lblstatus" && line.text == text) return true;
  }
  return false;
}

// A recorded run of `minutes` with bins of `binSamples`, sampled until `untilMs` of run time.
void RunUntil(EngineRig& rig, int minutes, int binSamples, const std::string& name, int64_t untilMs) {
  rig.state.project.Aq_lapse = static_cast<int16_t>(minutes);
  rig.state.project.RT_Buffer = static_cast<int16_t>(binSamples);
  ASSERT_TRUE(rig.Play(name));
  while (RunMs(rig) < untilMs) rig.Ticks(1);
}

TEST(RunEnd, AMuteInstrumentEndsTheRunAtItsProgrammedEndNotAtItsLastBin) {
  // Two minutes of bins of 500 samples; the instrument falls silent after 30 s. Each silent
  // sample used to cost eight time-outs of 2.5 s, so the bin in progress would have closed
  // after about half an hour.
  EngineRig rig;
  RunUntil(rig, 2, 500, "mute", 30000);
  const int64_t closedBefore = rig.state.run.counters.binsClosed;
  ASSERT_GT(closedBefore, 0);
  rig.instrument.SetSilent(true);
  const int64_t framesBefore = rig.instrument.framesReceived();
  rig.fake.dialogs.ExpectMessage(std::string(run_texts::kAcquisitionFinished));
  rig.TickUntilStopped();
  // A silent sample asks for two blocks (and its re-synchronisation for two), not eight: each
  // unanswered request costs a time-out of 2.5 s.
  const int64_t silentMs = RunMs(rig) - 30000;
  EXPECT_LE(rig.instrument.framesReceived() - framesBefore, silentMs / 2500 + 16);
  // Within a few silent samples of the programmed end.
  EXPECT_LE(RunMs(rig), 2 * 60000 + 4 * 2 * 2600);
  const RunContext& context = rig.state.run.context;
  EXPECT_TRUE(context.finished);
  EXPECT_TRUE(context.lastBinDropped);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_TRUE(StatusShown(rig, run_texts::RunEndWithoutAnswer(2)));
  // Every bin closed before the silence is on disk; the partial one is dropped, as Stop does.
  EXPECT_EQ(FileLength(rig.Folder() / "counts.bin"), closedBefore * kCountsRecordBytes);
}

TEST(RunEnd, ABinThatCannotCloseInTimeIsDroppedAfterABoundedWait) {
  // The instrument answers, but so slowly (a 400 ms latency per reply) that the bin in
  // progress at the programmed end would take minutes more.
  EngineRig rig;
  RunUntil(rig, 1, 200, "slow", 50000);
  rig.instrument.SetReplyLatencyUs(400000);
  rig.fake.dialogs.ExpectMessage(std::string(run_texts::kAcquisitionFinished));
  rig.TickUntilStopped();
  const RunContext& context = rig.state.run.context;
  EXPECT_TRUE(context.finished);
  EXPECT_TRUE(context.lastBinDropped);
  // The wait is bounded by twice what the remaining samples took so far (here below the
  // 30 s floor) plus the sample under way (with its re-synchronisation, 16 slow replies).
  EXPECT_LE(RunMs(rig), 60000 + 30000 + 16 * 450);
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus")
                .rfind("The run reached its programmed end (1 min) but its bin in progress did "
                       "not close within ",
                       0),
            0u);
}

TEST(RunEnd, AnAnsweringInstrumentStillEndsAtTheFirstBinBoundary) {
  EngineRig rig;
  rig.state.project.Aq_lapse = 1;
  rig.state.project.RT_Buffer = 500;
  ASSERT_TRUE(rig.Play("normal"));
  rig.fake.dialogs.ExpectMessage(std::string(run_texts::kAcquisitionFinished));
  rig.TickUntilStopped();
  EXPECT_FALSE(rig.state.run.context.lastBinDropped);
  EXPECT_EQ(rig.state.run.counters.samplesTaken % 500, 0);
}

}  // namespace
}  // namespace movexa::test
