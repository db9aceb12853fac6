// The rhythm outputs of one run: double-plotted actogram matrices per well and per group mean
// (values and heights), and periodograms per well with their peak table and the group summary
// of peak periods. CSV files with the header block of every analysis output; the work is
// spread over a worker pool, and progress is reported on the calling thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "analysis/activity_table.h"
#include "analysis/actogram.h"
#include "analysis/periodogram.h"
#include "analysis/rhythm_batch.h"
#include "base/worker_pool.h"

namespace movexa {

struct RhythmFiles {
  bool ok = false;
  std::string error;                           // why nothing (or not everything) was written
  std::vector<std::filesystem::path> written;  // the files written, in order
  std::vector<std::string> lines;              // what the command prints: stated results
};

// Progress of a long step: its name ("actogram", "chi2 periodogram"), done and total wells.
using RhythmProgress = std::function<void(const std::string& step, size_t done, size_t total)>;

// The series of the table's well `well` as values for the rhythm analyses.
void WellValues(const ActivityTable& table, size_t well, std::vector<double>& values);
// The mean per bin over the wells of group `group` (index into table.groups).
std::vector<double> GroupMeanValues(const ActivityTable& table, size_t group);

// Where the actogram's days begin: the bin start at or before ZT0 (the run start under a
// constant schedule), so every row starts on a bin boundary.
int64_t ActogramOriginMinute(const ActivityTable& table);

// "actogram_wells_values.csv", "actogram_wells_heights.csv", "actogram_groups_values.csv" and
// "actogram_groups_heights.csv" in `outFolder` (suffixed "_<period>h" for a period other than
// 24 h). Not ok, with nothing written, when the actogram is refused.
RhythmFiles WriteActogramFiles(const ActivityTable& table, double periodHours,
                               const std::filesystem::path& outFolder, WorkerPool& pool,
                               const RhythmProgress& progress = {});

// The file stem of a method and variant: "periodogram_chi2", "periodogram_chi2_classic",
// "periodogram_ls", "periodogram_acf".
std::string PeriodogramStem(const PeriodogramOptions& options);

// Periodograms of every well computed over the pool.
struct RhythmAnalysis {
  PeriodogramPlan plan;
  std::vector<Periodogram> wells;  // by table well
};
RhythmAnalysis AnalysePeriodograms(const ActivityTable& table, const PeriodogramOptions& options,
                                   WorkerPool& pool, const RhythmProgress& progress = {});

// The three periodogram files' contents: every well's values against the line; the peak table
// (one row per well); the group summary of peak periods.
std::string PeriodogramValuesCsv(const ActivityTable& table, const RhythmAnalysis& analysis);
std::string PeriodogramPeaksCsv(const ActivityTable& table, const RhythmAnalysis& analysis);
std::string PeriodogramGroupsCsv(const ActivityTable& table, const RhythmAnalysis& analysis);

// "<stem>.csv", "<stem>_peaks.csv" and "<stem>_groups.csv" in `outFolder`. A plan that cannot
// estimate a period (one day only, too few bins, missing bins for chi-square) still writes the
// peak table and the summary, every well "refused" and not rhythmic, with the reason.
RhythmFiles WritePeriodogramFiles(const ActivityTable& table, const PeriodogramOptions& options,
                                  const std::filesystem::path& outFolder, WorkerPool& pool,
                                  const RhythmProgress& progress = {});

}  // namespace movexa
