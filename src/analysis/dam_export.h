// Exports for circadian and sleep tools: DAM monitor files ("Monitor01.txt", 32 wells each in
// row-major order, one tab-separated line per measured bin, CR LF), "metadata.csv" (one row per
// well) and a long "data.csv" whose ids join the two, and "quality.csv", the check of the bin
// times written beside them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/activity_table.h"

namespace movexa {

inline constexpr int kDamAnimalsPerFile = 32;

// Row-major position of well `well` (numbered column-major) on a plate of `rows` x `columns`:
// A1 = 0, A2 = 1, ..., then B1.
int RowMajorPosition(int well, int rows, int columns);
// "Monitor01.txt" for positions 0..31, "Monitor02.txt" for 32..63, ...
std::string MonitorFileName(int position);
// Number of monitor files of the table's plate (at least one).
int MonitorFileCount(const ActivityTable& table);
// "7 Dec 26": day without a leading zero, English month abbreviation, two-digit year.
std::string DamDate(const CivilTime& t);
// The wall-clock moment metadata.csv gives as start_datetime: ZT0 under a daily schedule, the
// run start under a constant one.
CivilTime DamStart(const ActivityTable& table);

// The whole text of monitor file `file` (0-based): per measured bin, the reading index from 1,
// the date and time of the bin's END, status 1, five 0 columns, the light of the bin's start,
// and 32 counts (0 where the plate has no analysed well).
std::string MonitorFileText(const ActivityTable& table, int file);
std::string MetadataCsv(const ActivityTable& table);
// The check of the bin times as CSV, and as the lines printed by movexa-cli.
std::string QualityCsv(const ActivityTable& table);
std::vector<std::string> QualityLines(const ActivityTable& table);
// Wells without a single count over the run (labels), for the check.
std::vector<std::string> AllZeroWells(const ActivityTable& table);

struct DamExport {
  bool ok = false;
  std::string error;
  std::vector<std::filesystem::path> files;  // written, in order
};

// Writes every file into `folder` (created when missing). `progress` receives short texts
// while data.csv, the long one, is written.
DamExport ExportDam(const ActivityTable& table, const std::filesystem::path& folder,
                    const std::function<void(const std::string&)>& progress = {});

}  // namespace movexa
