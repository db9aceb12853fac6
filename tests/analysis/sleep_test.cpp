// Sleep and rest: the worked examples, bins of exactly the rule's length and longer, runs that
// touch the window's or the recording's edges or a missing bin, bouts across light phases, and
// the group figures over animals.
#include <gtest/gtest.h>

#include "analysis/analysis_csv.h"
#include "analysis/sleep.h"
#include "analysis_fixture.h"

namespace movexa {
namespace {

std::vector<int64_t> Minutes(size_t n, int64_t step = 1) {
  std::vector<int64_t> out;
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<int64_t>(i) * step);
  return out;
}

WindowSleep Whole(const std::vector<int32_t>& counts, SleepPreset preset, int64_t binMinutes = 1,
                  std::vector<int64_t> starts = {}) {
  if (starts.empty()) starts = Minutes(counts.size(), binMinutes);
  const SleepRule rule = RuleOf(preset);
  const SleepScore score = ScoreSleep(counts.data(), starts, binMinutes, rule);
  AnalysisWindow window{"whole run", 0, false, 0, starts.back() + binMinutes, false};
  return SleepInWindow(counts.data(), starts, binMinutes, score, window, rule);
}

TEST(Sleep, FlyExampleWithACensoredLastBout) {
  const WindowSleep s =
      Whole({3, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, SleepPreset::kFly);
  EXPECT_EQ(s.sleepMinutes, 13);
  EXPECT_EQ(s.bouts, 2);
  EXPECT_DOUBLE_EQ(*s.meanBoutMinutes, 6.5);
  EXPECT_EQ(*s.longestBoutMinutes, 7);
  EXPECT_EQ(s.censoredBouts, 1);
  EXPECT_EQ(*s.latencyMinutes, 1);
  EXPECT_EQ(s.awakeMinutes, 7);
  EXPECT_NEAR(*s.wakingActivity, 6.0 / 7.0, 1e-12);
  EXPECT_EQ(Decimal(*s.wakingActivity), "0.8571");
  EXPECT_EQ(*s.briefAwakenings, 0);
}

TEST(Sleep, FlyBriefAwakeningAndARunOfExactlyFiveMinutes) {
  WindowSleep s = Whole({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}, SleepPreset::kFly);
  EXPECT_EQ(s.sleepMinutes, 10);
  EXPECT_EQ(s.bouts, 2);
  EXPECT_EQ(*s.briefAwakenings, 1);
  EXPECT_EQ(s.censoredBouts, 2);  // one touches the start, the other the end
  s = Whole({1, 0, 0, 0, 0, 0}, SleepPreset::kFly);
  EXPECT_EQ(s.sleepMinutes, 5);
  s = Whole({1, 0, 0, 0, 0, 2}, SleepPreset::kFly);  // four minutes is no sleep
  EXPECT_EQ(s.sleepMinutes, 0);
  EXPECT_EQ(s.bouts, 0);
  EXPECT_FALSE(s.latencyMinutes);
  EXPECT_FALSE(s.meanBoutMinutes);
}

TEST(Sleep, FishExample) {
  const WindowSleep s = Whole({5, 0, 0, 3, 0, 4, 0, 0, 0, 2}, SleepPreset::kFish);
  EXPECT_EQ(s.sleepMinutes, 6);
  EXPECT_EQ(s.bouts, 3);
  EXPECT_DOUBLE_EQ(*s.meanBoutMinutes, 2.0);
  EXPECT_EQ(*s.latencyMinutes, 1);
  EXPECT_DOUBLE_EQ(*s.wakingActivity, 3.5);
  EXPECT_DOUBLE_EQ(*s.activityPerMinute, 1.4);
  EXPECT_FALSE(s.briefAwakenings);  // scored for flies only
}

TEST(Sleep, BinsOfTheRulesLengthAreScoredLongerOnesRefused) {
  // 5-minute bins: one zero bin is a 5-minute run, so it is sleep.
  WindowSleep s = Whole({4, 0, 3, 0, 0, 2}, SleepPreset::kFly, 5);
  EXPECT_EQ(s.sleepMinutes, 15);
  EXPECT_EQ(s.bouts, 2);
  EXPECT_EQ(*s.latencyMinutes, 5);
  // 2-minute bins: two zero bins are 4 minutes (awake), three are 6 (asleep).
  s = Whole({1, 0, 0, 1, 0, 0, 0, 1}, SleepPreset::kFly, 2);
  EXPECT_EQ(s.sleepMinutes, 6);
  EXPECT_EQ(s.bouts, 1);
  EXPECT_FALSE(SleepRefusal(RuleOf(SleepPreset::kFly), 5));
  EXPECT_FALSE(SleepRefusal(RuleOf(SleepPreset::kFish), 1));
  auto refusal = SleepRefusal(RuleOf(SleepPreset::kFly), 6);
  ASSERT_TRUE(refusal);
  EXPECT_NE(refusal->find("at most 5 min; this run's bins are 6 min"), std::string::npos)
      << *refusal;
  EXPECT_TRUE(SleepRefusal(RuleOf(SleepPreset::kFish), 2));
  ActivityTable t = test::HandTable({{0, 0, 0}}, {0, 10, 20}, 10);
  const SleepAnalysis refused = AnalyseSleep(t, SleepPreset::kFly);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error, *SleepRefusal(RuleOf(SleepPreset::kFly), 10));
}

TEST(Sleep, AMissingBinEndsARunAndCutsItsBout) {
  // Minutes 0..3 and 5..10 are measured; minute 4 is missing. Neither zero run is joined over
  // the gap: 4 minutes (no sleep) and 6 minutes (sleep, cut by the gap).
  const std::vector<int64_t> starts = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11};
  const WindowSleep s = Whole({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}, SleepPreset::kFly, 1, starts);
  EXPECT_EQ(s.sleepMinutes, 6);
  EXPECT_EQ(s.bouts, 1);
  EXPECT_EQ(s.censoredBouts, 1);
  EXPECT_EQ(s.measuredMinutes, 11);
  EXPECT_EQ(*s.latencyMinutes, 5);
  // A moving bin between asleep bins across a gap is no brief awakening.
  const std::vector<int64_t> gap = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12};
  const WindowSleep g = Whole({0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0}, SleepPreset::kFly, 1, gap);
  EXPECT_EQ(*g.briefAwakenings, 0);
}

TEST(Sleep, ABoutAcrossPhasesBelongsToThePhaseOfItsOnset) {
  // Lights 09:00-21:00 from a 20:00 start: light until minute 60, then dark. A bout from
  // minute 50 to 69 begins in the light: the light phase counts it whole (and as running past
  // its end), each phase counts its own minutes of it, and the dark phase's latency is to its
  // first own bout.
  std::vector<int32_t> counts(120, 1);
  for (int m = 50; m < 70; ++m) counts[static_cast<size_t>(m)] = 0;
  for (int m = 90; m < 100; ++m) counts[static_cast<size_t>(m)] = 0;
  ActivityTable t = test::HandTable({counts}, Minutes(120));
  t.start = CivilTime{2026, 12, 7, 20, 0, 0, 0};
  t.zt0Minute = -660;
  const SleepAnalysis sleep = AnalyseSleep(t, SleepPreset::kFly);
  ASSERT_TRUE(sleep.ok) << sleep.error;
  ASSERT_EQ(sleep.windows.size(), 3u);
  EXPECT_EQ(sleep.windows[1].label, "day 1 light");
  EXPECT_EQ(sleep.windows[2].label, "day 1 dark");
  const WindowSleep& light = sleep.wells[0][1];
  const WindowSleep& dark = sleep.wells[0][2];
  EXPECT_EQ(light.sleepMinutes, 10);
  EXPECT_EQ(light.bouts, 1);
  EXPECT_EQ(*light.longestBoutMinutes, 20);
  EXPECT_EQ(light.censoredBouts, 1);
  EXPECT_EQ(*light.latencyMinutes, 50);
  EXPECT_EQ(dark.sleepMinutes, 20);
  EXPECT_EQ(dark.bouts, 1);
  EXPECT_EQ(*dark.longestBoutMinutes, 10);
  EXPECT_EQ(dark.censoredBouts, 0);
  EXPECT_EQ(*dark.latencyMinutes, 30);
  const WindowSleep& whole = sleep.wells[0][0];
  EXPECT_EQ(whole.sleepMinutes, 30);
  EXPECT_EQ(whole.bouts, 2);
  EXPECT_EQ(whole.censoredBouts, 0);
}

TEST(Sleep, GroupFiguresAreOverAnimalsAndNeverNaN) {
  // Three animals of one group (fly) sleep 5, 5 and 0 of 12 minutes; a fourth, alone in another
  // group, never moves at all.
  ActivityTable t = test::HandTable({{1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1},
                                     {0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                                     {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
                                    Minutes(12), 1, 1);
  t.wells[3].group = 1;
  t.wells[3].groupLabel = "001_Dead";
  t.groups[0].wells = {0, 1, 2};
  t.groups.push_back({1, "001_Dead", {3}});
  t.zt0Minute = 0;
  const SleepAnalysis sleep = AnalyseSleep(t, SleepPreset::kFly);
  ASSERT_TRUE(sleep.ok);
  EXPECT_EQ(sleep.wells[1][0].sleepMinutes, 5);  // 0 alone; 2..6 asleep; 8..11 only 4
  const std::string groups = SleepGroupsCsv(t, sleep);
  EXPECT_NE(groups.find("000_G0,whole run,0,run,0,12,no,sleep_min,3.3333,2.8868,1.6667,3\r\n"),
            std::string::npos)
      << groups;
  // The animal that never moves: all asleep, no awake minute, so no waking activity (and its
  // group of one has no SD or SEM).
  const WindowSleep& dead = sleep.wells[3][0];
  EXPECT_EQ(dead.sleepMinutes, 12);
  EXPECT_FALSE(dead.wakingActivity);
  EXPECT_NE(groups.find("001_Dead,whole run,0,run,0,12,no,sleep_min,12,,,1\r\n"),
            std::string::npos);
  EXPECT_NE(groups.find("001_Dead,whole run,0,run,0,12,no,waking_activity,,,,0\r\n"),
            std::string::npos);
  const std::string wells = SleepWellsCsv(t, sleep);
  EXPECT_EQ(wells.find("nan"), std::string::npos);
  EXPECT_EQ(groups.find("nan"), std::string::npos);
  EXPECT_EQ(wells.find("inf"), std::string::npos);
  EXPECT_NE(wells.find("# rule: fly preset (5-minute rule)"), std::string::npos);
}

}  // namespace
}  // namespace movexa
