// The input of every analysis: one recorded run (one acquisition, a joined acquisition, or
// several acquisitions of one project taken as one run) as per-well activity in bins on one
// time axis, with the run's wall-clock start, its light schedule, the check of its bin times
// and the notes a reader of any result must see.
//
// Bins hold whole records only: a record's counts are never split or spread, a bin no record
// fills stays missing (never filled in), and `binRule` says in one sentence how the records
// became bins, for the header of every output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/constants.h"
#include "base/date_time.h"

namespace movexa {

// The light schedule (regime) the animals of a run had: a daily cycle with lights on at
// `onMinute` and off at `offMinute` (minutes after midnight of the wall clock), constant light
// (the lights never turn off) or constant darkness (they never turn on). Named apart from the
// light control's own schedule (calibration/light_control.h): both live in one program.
enum class LightKind { kDaily, kConstantLight, kConstantDark };

struct LightRegime {
  LightKind kind = LightKind::kDaily;
  int onMinute = 9 * 60;    // 0..1439: lights on, ZT0 (kDaily)
  int offMinute = 21 * 60;  // 0..1439, never equal to onMinute (kDaily)
  std::string origin;       // where the schedule comes from, for headers

  // Lights on at `minuteOfDay` (0..1439 after midnight).
  bool LightOnAt(int minuteOfDay) const;
  // "lights on 09:00, off 21:00", "constant light (the lights never turn off)",
  // "constant darkness (the lights never turn on)".
  std::string Text() const;
};

// One analysed well, as the reports list it: a well with a channel on its first beam.
struct AnalysisWell {
  int well = 0;               // well number, column-major (A1 = 0, B1 = 1, ...)
  std::string label;          // "B3"
  int group = kFreeGroup;     // group of the well's first beam; -1 = free
  std::string groupLabel;     // "005_Group5"; "999_Free" for a free well
  std::vector<int> channels;  // the well's channels, first beam first
};

// A group with its wells (free wells belong to no group, as in the reports).
struct AnalysisGroup {
  int group = 0;
  std::string label;          // "005_Group5"
  std::vector<size_t> wells;  // indices into ActivityTable::wells
};

// How the records became bins and what the check of their times found.
struct BinQuality {
  int64_t records = 0;            // whole records read from every part
  int64_t recordsUsed = 0;        // records whose counts are in a bin
  int64_t duplicates = 0;         // records whose bin time was already taken (left out)
  int64_t damaged = 0;            // records left out as damaged (negative time or count)
  int64_t partialLeftOut = 0;     // records of a partial last bin that was left out
  int64_t missingBins = 0;        // bins between the first and the last measured one, unmeasured
  int64_t largestGapMinutes = 0;  // largest step between consecutive measured bin starts
  bool irregular = false;         // a step between consecutive bin times differs from the bin
  double recordMinutes = 0;       // typical length of one record, minutes (an estimate)
  int64_t minRecordsPerBin = 0;   // over the measured bins
  int64_t maxRecordsPerBin = 0;
};

struct ActivityTable {
  std::vector<std::filesystem::path> acquisitions;  // the folders read, earliest start first
  std::vector<std::string> sources;  // one line per folder for headers: path, name, start
  CivilTime start;                   // wall clock of minute 0 (minute precision)
  int64_t zt0Minute = 0;  // run minute (<= 0) of the last lights-on at or before the start;
                          // 0 for a constant schedule. ZT of run minute m = m - zt0Minute.
  int64_t binMinutes = 1;
  std::string binRule;                // how records became bins, one sentence for headers
  std::vector<int64_t> binStart;      // measured bins: start in minutes since `start`; strictly
                                      // increasing multiples of binMinutes
  int64_t endMinute = 0;              // end of the last measured bin (0 when there is none)
  std::vector<AnalysisWell> wells;    // by well number
  std::vector<AnalysisGroup> groups;  // groups with at least one well, by group number
  std::vector<int32_t> activity;      // well-major: activity[w * BinCount() + i] >= 0, the sum of
                                      // the well's channels over the records of bin i
  std::string plateFormat;
  int plateRows = 0;
  int plateColumns = 0;  // well columns of the plate (DAM files number wells row-major)
  LightRegime light;
  BinQuality quality;
  std::vector<std::string> notes;  // torn tails, damaged records, groups without a name, ...

  size_t BinCount() const { return binStart.size(); }
  const int32_t* WellSeries(size_t well) const { return activity.data() + well * BinCount(); }
  int32_t At(size_t well, size_t bin) const { return activity[well * BinCount() + bin]; }
};

// Minute of the wall-clock day (0..1439) of run minute `minute`.
int MinuteOfDay(const ActivityTable& table, int64_t minute);
// Lights on at run minute `minute` by the table's schedule.
bool LightOnAtRunMinute(const ActivityTable& table, int64_t minute);
// The wall-clock date-time of run minute `minute`.
CivilTime WallClockAt(const ActivityTable& table, int64_t minute);

struct ActivityLoadOptions {
  std::filesystem::path appFolder;     // holds the plate-format files
  std::optional<LightRegime> light;  // given by the user; else the acquisition's light hours
  // Called with a short progress text ("reading 20261207_0900: 40 %") during long reads.
  std::function<void(const std::string&)> progress;
  // Asked after each chunk of records; true ends the load, not ok, with kLoadStoppedText.
  std::function<bool()> stopRequested;
};

inline constexpr std::string_view kLoadStoppedText = "Stopped while the run was read.";

struct ActivityLoad {
  bool ok = false;
  std::string error;  // why there is no table: a whole sentence for the operator
  ActivityTable table;
};

// Loads one acquisition folder, a joined acquisition, or several acquisitions of one project
// taken as one run (their records placed by the minutes between their starts, read from the
// folder names).
ActivityLoad LoadActivityTable(const std::vector<std::filesystem::path>& acquisitions,
                               const ActivityLoadOptions& options);

}  // namespace movexa
