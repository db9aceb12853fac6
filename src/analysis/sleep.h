// Sleep and rest from activity bins. Fly preset (5-minute rule): a zero-count bin is asleep when
// its run of consecutive zero-count bins lasts at least 5 minutes. Fish preset (1-minute rule):
// every zero-count 1-minute bin is rest. Sleep is scored over the whole run; each window (the
// whole run, each light and dark phase) then counts its bins by their start and its bouts by
// their onset, so a bout across phases belongs to the phase in which it began.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/activity_table.h"
#include "analysis/analysis_windows.h"

namespace movexa {

enum class SleepPreset { kFly, kFish };

struct SleepRule {
  SleepPreset preset = SleepPreset::kFly;
  int64_t ruleMinutes = 5;  // a zero run of at least this long is sleep (rest)
  std::string name;         // "fly" / "fish"
  std::string text;         // the rule in words, for headers
};
SleepRule RuleOf(SleepPreset preset);

// Why `binMinutes` bins cannot be scored with `rule` (bins longer than the rule), else nullopt.
std::optional<std::string> SleepRefusal(const SleepRule& rule, int64_t binMinutes);

// One bout: a maximal run of asleep bins, consecutive in time.
struct SleepBout {
  size_t firstBin = 0;  // index of its first measured bin
  size_t bins = 0;
  int64_t onsetMinute = 0;  // start of its first bin
  int64_t minutes = 0;
  bool cutByRecording = false;  // touches the recording's start or end or a missing bin
};

// Sleep state of one well over the run's measured bins.
struct SleepScore {
  std::vector<char> asleep;  // per measured bin
  std::vector<SleepBout> bouts;
};
// Scores `counts` (one per measured bin, starts `binStart`, bins of `binMinutes`). Bins are
// consecutive when their starts differ by one bin; a missing bin ends a run, whose measured
// part then counts in full (flagged as cut by the recording).
SleepScore ScoreSleep(const int32_t* counts, const std::vector<int64_t>& binStart,
                      int64_t binMinutes, const SleepRule& rule);

// The figures of one well in one window. Optional values are absent when undefined (no bout,
// no awake minute, nothing measured); the files then leave the cell empty and say why.
struct WindowSleep {
  int64_t measuredMinutes = 0;
  int64_t sleepMinutes = 0;
  int64_t bouts = 0;  // bouts whose onset lies in the window
  std::optional<double> meanBoutMinutes;
  std::optional<int64_t> longestBoutMinutes;
  int64_t censoredBouts = 0;  // of those, cut by the recording or running past the window's end
  std::optional<int64_t> latencyMinutes;  // window start to the first bout's onset
  int64_t awakeMinutes = 0;
  int64_t counts = 0;
  std::optional<double> wakingActivity;     // counts per awake minute
  std::optional<double> activityPerMinute;  // counts per measured minute
  std::optional<int64_t> briefAwakenings;   // fly: one moving bin between two asleep bins
};
WindowSleep SleepInWindow(const int32_t* counts, const std::vector<int64_t>& binStart,
                          int64_t binMinutes, const SleepScore& score, const AnalysisWindow& window,
                          const SleepRule& rule);

// A measure of the sleep files: its column name ("sleep_min") and how a well's value is read
// from its window figures (absent when undefined there).
struct SleepMeasure {
  const char* name;
  std::optional<double> (*value)(const WindowSleep&);
};
// The measures in the files' order; brief awakenings last (scored for the fly preset only).
const std::vector<SleepMeasure>& SleepMeasures();

struct SleepAnalysis {
  bool ok = false;
  std::string error;
  SleepRule rule;
  std::vector<AnalysisWindow> windows;
  std::vector<std::vector<WindowSleep>> wells;  // [well][window]
};
SleepAnalysis AnalyseSleep(const ActivityTable& table, SleepPreset preset);

// "sleep_<preset>_wells.csv": one row per well and window; "sleep_<preset>_groups.csv": per
// group, window and measure the mean, SD, SEM and N over the group's animals.
std::string SleepWellsCsv(const ActivityTable& table, const SleepAnalysis& sleep);
std::string SleepGroupsCsv(const ActivityTable& table, const SleepAnalysis& sleep);

}  // namespace movexa
