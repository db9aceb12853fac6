// The windows of an analysis: the whole run, and each light and dark phase of each day by the
// run's light schedule. Days count from the last lights-on at or before the run start (ZT0);
// under constant light or darkness they are 24-hour days from the run start. Every window is
// cut to the run, [0, end of the last measured bin).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/activity_table.h"

namespace movexa {

struct AnalysisWindow {
  std::string label;        // "whole run", "day 1 light", "day 2 dark"
  int day = 0;              // 1, 2, ...; 0 for the whole run
  bool light = false;       // the phase's light (the whole run: false)
  int64_t startMinute = 0;  // run minutes, [start, end)
  int64_t endMinute = 0;
  bool partial = false;  // a phase cut by the run's start or end
};

// Minutes of light in a day of `light` (0 in constant darkness, 1440 in constant light).
int64_t LightMinutesPerDay(const LightRegime& light);

// The whole run first, then the phases in time order; phases the run does not reach are left out.
std::vector<AnalysisWindow> PhaseWindows(const ActivityTable& table);

// One header line describing the windows.
std::string WindowsText(const ActivityTable& table);

}  // namespace movexa
