// The quick activity report "report.txt" written at the programmed end of a run: mean activity
// per group, activity per well and per mapped channel of the last analysis interval.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/constants.h"
#include "base/date_time.h"
#include "base/host.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

inline constexpr std::string_view kQuickReportFileName = "report.txt";

struct QuickReportInputs {
  const std::array<int16_t, kChannelSlots>& activity;  // per channel, last analysis interval
  const ProjectSettings& project;  // name, channel enabled flags, groups and group names
  const WellMap& wells;
  int plateRows = 8;               // rows R of the plate format (well labels)
  int projectNumber = 0;
  std::filesystem::path projectPath;
};

// The report text, every line ending in CR LF; `now` is written on the first line in the
// general date format. Wells are labelled row letter (65 + w mod R) and column Int(w / R) + 1
// (a plate with fewer than one row is taken as one row); groups "000_Name", free "999_Free ".
// A well's value is the rounded mean of the beams it has (halves to even) under the group of its
// lowest beam; wells no channel names are not listed.
std::string FormatQuickReport(const CivilTime& now, const QuickReportInputs& in);

// Writes "report.txt" in the project folder (replacing it whole) and opens it in the text
// editor after letting pending window events run 1000 times. Does nothing while the sampling
// timer is still enabled. A file that cannot be written is reported with a message and the
// editor is not started. True when the report was written.
bool WriteQuickReport(Host& host, bool samplingTimerEnabled, const QuickReportInputs& in);

}  // namespace movexa
