// Basal normalisation: every well's activity expressed as a percentage of its own activity
// during a basal (reference) acquisition of the same project, with the operator's choice for
// wells whose basal activity is zero.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/host.h"
#include "reports/acquisition_tables.h"
#include "reports/counts_series.h"

namespace movexa {

enum class ZeroBasalMode { kMaxActivity = 0, kPlateAverage = 1, kDiscard = 2 };

// Answers given in advance (movexa-cli): when set, the matching question is not asked.
struct BasalAnswers {
  std::optional<int64_t> basalMinutes;  // Z; must lie in B..d
  bool useProposedMinutes = false;      // take the minutes the question proposes, without asking
  // Set: zero-basal wells are accepted and treated in this mode. Unset: ask.
  std::optional<ZeroBasalMode> zeroBasalMode;
  bool declineZeroBasal = false;  // answer "No" to "Proceed anyway??"
};

// True when the basal list's text selects an acquisition: not empty, not "-", longer than 12.
bool BasalSelected(const std::string& basalText);

enum class BasalOutcome {
  kDone,             // counts normalised, the report is basal
  kResamplingError,  // basal acquisition unreadable or with no whole bin: "Resampling ERROR"
  kDeclined,         // the operator declined (zero-basal wells, or cancelled the minutes)
  kMinutesOutOfRange // a given basalMinutes outside B..d
};

struct BasalResult {
  BasalOutcome outcome = BasalOutcome::kDone;
  std::string detail;
  std::string advice;        // kResamplingError: why and what to do, for the operator
  int64_t basalMinutes = 0;  // Z used
  int discardedChannels = 0;
};

// Normalises `bins` (the resampled main acquisition) to the basal acquisition named by
// `basalText` (its first 13 characters name a sibling of `acquisitionFolder`), resampled with
// the same `binMinutes`. Channels may be made free in `project`. Questions and messages go
// through host.dialogs unless `answers` settles them.
BasalResult NormaliseToBasal(BinnedCounts& bins, ReportProjectTables& project,
                             const std::filesystem::path& acquisitionFolder,
                             const std::string& basalText, int64_t binMinutes,
                             const BasalAnswers& answers, Host& host);

// The per-channel steps after loading (exposed for tests): basal value per channel from the
// resampled basal bins (64-bit sums) scaled to one bin of B minutes.
std::array<int64_t, kChannelCount> BasalValues(const BinnedCounts& basal, int64_t binMinutes,
                                               int64_t basalMinutes, int64_t basalLastTime);

}  // namespace movexa
