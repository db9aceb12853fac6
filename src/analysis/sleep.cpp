// Sleep scoring, per-window figures and their files.
#include "analysis/sleep.h"

#include <algorithm>

#include "analysis/analysis_csv.h"

namespace movexa {

namespace {

bool Consecutive(const std::vector<int64_t>& binStart, size_t i, int64_t binMinutes) {
  return binStart[i + 1] - binStart[i] == binMinutes;
}

template <class T>
std::optional<double> AsDouble(const std::optional<T>& v) {
  if (!v) return std::nullopt;
  return static_cast<double>(*v);
}

std::string Cell(const std::optional<double>& v) {
  return v ? Decimal(*v) : std::string();
}

std::vector<std::string> SleepHeaderLines(const ActivityTable& table, const SleepAnalysis& sleep) {
  const SleepRule& r = sleep.rule;
  std::vector<std::string> lines = {
      "rule: " + r.text,
      "windows: " + WindowsText(table),
      "a bin belongs to the window of its start; a bout belongs to the window of its onset and "
      "keeps its whole length (a bout across phases counts in the phase in which it began, its "
      "minutes in the phases they lie in)",
      "censored bouts: bouts of the window cut by the recording's start or end or by a missing "
      "bin (their measured part counts in full) or running past the window's end",
      "latency: minutes from the window's start to the onset of its first bout; waking activity: "
      "counts per awake minute; activity per min: counts per measured minute",
      "empty cells: nothing measured in the window, no bout (mean and longest bout, latency), no "
      "awake minute (waking activity)" +
          std::string(r.preset == SleepPreset::kFish
                          ? ", and brief awakenings (scored for the fly preset only)"
                          : "")};
  return lines;
}

}  // namespace

const std::vector<SleepMeasure>& SleepMeasures() {
  static const std::vector<SleepMeasure> kMeasures = {
      {"sleep_min",
       [](const WindowSleep& s) -> std::optional<double> {
         return static_cast<double>(s.sleepMinutes);
       }},
      {"bouts",
       [](const WindowSleep& s) -> std::optional<double> { return static_cast<double>(s.bouts); }},
      {"mean_bout_min", [](const WindowSleep& s) { return s.meanBoutMinutes; }},
      {"longest_bout_min", [](const WindowSleep& s) { return AsDouble(s.longestBoutMinutes); }},
      {"censored_bouts",
       [](const WindowSleep& s) -> std::optional<double> {
         return static_cast<double>(s.censoredBouts);
       }},
      {"latency_min", [](const WindowSleep& s) { return AsDouble(s.latencyMinutes); }},
      {"awake_min",
       [](const WindowSleep& s) -> std::optional<double> {
         return static_cast<double>(s.awakeMinutes);
       }},
      {"activity_counts",
       [](const WindowSleep& s) -> std::optional<double> { return static_cast<double>(s.counts); }},
      {"waking_activity", [](const WindowSleep& s) { return s.wakingActivity; }},
      {"activity_per_min", [](const WindowSleep& s) { return s.activityPerMinute; }},
      {"brief_awakenings", [](const WindowSleep& s) { return AsDouble(s.briefAwakenings); }},
  };
  return kMeasures;
}

SleepRule RuleOf(SleepPreset preset) {
  SleepRule r;
  r.preset = preset;
  if (preset == SleepPreset::kFly) {
    r.ruleMinutes = 5;
    r.name = "fly";
    r.text =
        "fly preset (5-minute rule): a bin is moving when its count is above 0; a zero-count "
        "bin is asleep when its run of consecutive zero-count bins lasts at least 5 minutes";
  } else {
    r.ruleMinutes = 1;
    r.name = "fish";
    r.text = "fish preset (1-minute rule): every zero-count 1-minute bin is rest";
  }
  return r;
}

std::optional<std::string> SleepRefusal(const SleepRule& rule, int64_t binMinutes) {
  if (binMinutes <= rule.ruleMinutes) return std::nullopt;
  return "The " + rule.name + " preset (" + std::to_string(rule.ruleMinutes) +
         "-minute rule) needs bins of at most " + std::to_string(rule.ruleMinutes) +
         " min; this run's bins are " + std::to_string(binMinutes) +
         " min, so a bin without counts cannot tell rest from a short pause: sleep is not scored.";
}

SleepScore ScoreSleep(const int32_t* counts, const std::vector<int64_t>& binStart,
                      int64_t binMinutes, const SleepRule& rule) {
  SleepScore score;
  const size_t n = binStart.size();
  score.asleep.assign(n, 0);
  size_t i = 0;
  while (i < n) {
    if (counts[i] != 0) {
      ++i;
      continue;
    }
    size_t j = i;  // last bin of the zero run
    while (j + 1 < n && counts[j + 1] == 0 && Consecutive(binStart, j, binMinutes)) ++j;
    const size_t bins = j - i + 1;
    const int64_t minutes = static_cast<int64_t>(bins) * binMinutes;
    if (minutes >= rule.ruleMinutes) {
      std::fill(score.asleep.begin() + static_cast<std::ptrdiff_t>(i),
                score.asleep.begin() + static_cast<std::ptrdiff_t>(j + 1), 1);
      SleepBout bout;
      bout.firstBin = i;
      bout.bins = bins;
      bout.onsetMinute = binStart[i];
      bout.minutes = minutes;
      bout.cutByRecording = i == 0 || !Consecutive(binStart, i - 1, binMinutes) || j + 1 == n ||
                            !Consecutive(binStart, j, binMinutes);
      score.bouts.push_back(bout);
    }
    i = j + 1;
  }
  return score;
}

WindowSleep SleepInWindow(const int32_t* counts, const std::vector<int64_t>& binStart,
                          int64_t binMinutes, const SleepScore& score, const AnalysisWindow& window,
                          const SleepRule& rule) {
  WindowSleep s;
  const auto first = std::lower_bound(binStart.begin(), binStart.end(), window.startMinute);
  const auto last = std::lower_bound(binStart.begin(), binStart.end(), window.endMinute);
  const size_t from = static_cast<size_t>(first - binStart.begin());
  const size_t to = static_cast<size_t>(last - binStart.begin());
  int64_t brief = 0;
  for (size_t i = from; i < to; ++i) {
    s.measuredMinutes += binMinutes;
    s.counts += counts[i];
    if (score.asleep[i]) s.sleepMinutes += binMinutes;
    if (counts[i] > 0 && i > 0 && i + 1 < binStart.size() && score.asleep[i - 1] &&
        score.asleep[i + 1] && Consecutive(binStart, i - 1, binMinutes) &&
        Consecutive(binStart, i, binMinutes)) {
      ++brief;
    }
  }
  if (s.measuredMinutes == 0) return s;
  s.awakeMinutes = s.measuredMinutes - s.sleepMinutes;
  int64_t boutMinutes = 0;
  for (const SleepBout& b : score.bouts) {
    if (b.onsetMinute < window.startMinute || b.onsetMinute >= window.endMinute) continue;
    if (s.bouts == 0) s.latencyMinutes = b.onsetMinute - window.startMinute;
    ++s.bouts;
    boutMinutes += b.minutes;
    s.longestBoutMinutes = std::max(s.longestBoutMinutes.value_or(0), b.minutes);
    const int64_t boutEnd = binStart[b.firstBin + b.bins - 1] + binMinutes;
    if (b.cutByRecording || boutEnd > window.endMinute) ++s.censoredBouts;
  }
  if (s.bouts > 0)
    s.meanBoutMinutes = static_cast<double>(boutMinutes) / static_cast<double>(s.bouts);
  if (s.awakeMinutes > 0) {
    s.wakingActivity = static_cast<double>(s.counts) / static_cast<double>(s.awakeMinutes);
  }
  s.activityPerMinute = static_cast<double>(s.counts) / static_cast<double>(s.measuredMinutes);
  if (rule.preset == SleepPreset::kFly) s.briefAwakenings = brief;
  return s;
}

SleepAnalysis AnalyseSleep(const ActivityTable& table, SleepPreset preset) {
  SleepAnalysis out;
  out.rule = RuleOf(preset);
  if (auto refusal = SleepRefusal(out.rule, table.binMinutes)) {
    out.error = *refusal;
    return out;
  }
  out.windows = PhaseWindows(table);
  out.wells.resize(table.wells.size());
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const int32_t* counts = table.WellSeries(w);
    const SleepScore score = ScoreSleep(counts, table.binStart, table.binMinutes, out.rule);
    for (const auto& window : out.windows) {
      out.wells[w].push_back(
          SleepInWindow(counts, table.binStart, table.binMinutes, score, window, out.rule));
    }
  }
  out.ok = true;
  return out;
}

std::string SleepWellsCsv(const ActivityTable& table, const SleepAnalysis& sleep) {
  std::string out =
      HeaderBlock(table, "Movexa sleep and rest per well (" + sleep.rule.name + " preset)",
                  SleepHeaderLines(table, sleep));
  out += "well,group,window,day,phase,window_start_min,window_end_min,partial,measured_min";
  for (const auto& m : SleepMeasures()) out += std::string(",") + m.name;
  out += "\r\n";
  for (size_t w = 0; w < table.wells.size(); ++w) {
    for (size_t k = 0; k < sleep.windows.size(); ++k) {
      const AnalysisWindow& win = sleep.windows[k];
      const WindowSleep& s = sleep.wells[w][k];
      out += CsvCell(table.wells[w].label) + "," + CsvCell(table.wells[w].groupLabel) + "," +
             win.label + "," + std::to_string(win.day) + "," +
             (win.day == 0 ? "run"
              : win.light  ? "light"
                           : "dark") +
             "," + std::to_string(win.startMinute) + "," + std::to_string(win.endMinute) + "," +
             (win.partial ? "yes" : "no") + "," + std::to_string(s.measuredMinutes);
      for (const auto& m : SleepMeasures())
        out += "," + (s.measuredMinutes > 0 ? Cell(m.value(s)) : std::string());
      out += "\r\n";
    }
  }
  return out;
}

std::string SleepGroupsCsv(const ActivityTable& table, const SleepAnalysis& sleep) {
  std::vector<std::string> lines = SleepHeaderLines(table, sleep);
  lines.push_back(GroupSummaryText("group", "with a value in the window"));
  std::string out =
      HeaderBlock(table, "Movexa sleep and rest per group (" + sleep.rule.name + " preset)", lines);
  out += "group,window,day,phase,window_start_min,window_end_min,partial,measure,mean,sd,sem,n\r\n";
  for (const auto& group : table.groups) {
    for (size_t k = 0; k < sleep.windows.size(); ++k) {
      const AnalysisWindow& win = sleep.windows[k];
      for (const auto& m : SleepMeasures()) {
        if (sleep.rule.preset == SleepPreset::kFish && std::string(m.name) == "brief_awakenings")
          continue;
        std::vector<double> values;
        for (size_t w : group.wells) {
          const WindowSleep& s = sleep.wells[w][k];
          if (s.measuredMinutes == 0) continue;
          if (auto v = m.value(s)) values.push_back(*v);
        }
        out += CsvCell(group.label) + "," + win.label + "," + std::to_string(win.day) + "," +
               (win.day == 0 ? "run"
                : win.light  ? "light"
                             : "dark") +
               "," + std::to_string(win.startMinute) + "," + std::to_string(win.endMinute) + "," +
               (win.partial ? "yes" : "no") + "," + m.name + "," + SummaryCells(Summarise(values)) +
               "\r\n";
      }
    }
  }
  return out;
}

}  // namespace movexa
