// Light and dark phases of each day, cut to the run.
#include "analysis/analysis_windows.h"

#include <algorithm>

namespace movexa {

int64_t LightMinutesPerDay(const LightRegime& light) {
  switch (light.kind) {
    case LightKind::kConstantLight:
      return 1440;
    case LightKind::kConstantDark:
      return 0;
    case LightKind::kDaily:
      break;
  }
  return ((light.offMinute - light.onMinute) % 1440 + 1440) % 1440;
}

std::vector<AnalysisWindow> PhaseWindows(const ActivityTable& table) {
  std::vector<AnalysisWindow> out;
  const int64_t end = table.endMinute;
  out.push_back({"whole run", 0, false, 0, end, false});
  const int64_t lightMinutes = LightMinutesPerDay(table.light);
  // Phases of day d (from 1): light [dayStart, dayStart + lightMinutes), dark up to the next day.
  for (int day = 1;; ++day) {
    const int64_t dayStart = table.zt0Minute + 1440LL * (day - 1);
    if (dayStart >= end) break;
    const int64_t bounds[3] = {dayStart, dayStart + lightMinutes, dayStart + 1440};
    for (int phase = 0; phase < 2; ++phase) {
      const int64_t from = std::max<int64_t>(0, bounds[phase]);
      const int64_t to = std::min(end, bounds[phase + 1]);
      if (to <= from) continue;
      const bool light = phase == 0;
      AnalysisWindow w;
      w.label = "day " + std::to_string(day) + (light ? " light" : " dark");
      w.day = day;
      w.light = light;
      w.startMinute = from;
      w.endMinute = to;
      w.partial = from != bounds[phase] || to != bounds[phase + 1];
      out.push_back(w);
    }
  }
  return out;
}

std::string WindowsText(const ActivityTable& table) {
  switch (table.light.kind) {
    case LightKind::kConstantLight:
    case LightKind::kConstantDark:
      return "the whole run, and each 24-hour day from the run start (no light change to mark "
             "phases: " +
             table.light.Text() + "); windows are cut to the run";
    case LightKind::kDaily:
      break;
  }
  return "the whole run, and each light and dark phase of each day; day 1 begins at the last "
         "lights-on at or before the run start (ZT0); windows are cut to the run, and a phase "
         "cut by the run's start or end is marked partial";
}

}  // namespace movexa
