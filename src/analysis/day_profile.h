// The average day: each animal's activity folded on the 24-hour day from ZT0 (from the run start
// under a constant schedule), summed into profile bins and averaged over the days that measured
// the whole profile bin; then per group and profile bin the mean, SD, SEM and N over animals
// (never over animal-days, which would shrink the error bars).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/activity_table.h"

namespace movexa {

inline constexpr int64_t kDefaultProfileBinMinutes = 30;

struct DayProfile {
  bool ok = false;
  std::string error;
  int64_t binMinutes = 0;            // profile bin
  int64_t slots = 0;                 // profile bins a day: 1440 / binMinutes
  std::vector<int64_t> daysPerSlot;  // days that measured the whole profile bin (all wells alike)
  std::vector<std::vector<std::optional<double>>> wells;  // [well][slot]: mean over those days
};

// Why `profileBinMinutes` cannot fold bins of `tableBinMinutes` (not a whole number of them, or
// not a whole number of profile bins a day), else nullopt.
std::optional<std::string> ProfileBinRefusal(int64_t profileBinMinutes, int64_t tableBinMinutes);

DayProfile ComputeDayProfile(const ActivityTable& table, int64_t profileBinMinutes);

// "profile_wells.csv" and "profile_groups.csv".
std::string ProfileWellsCsv(const ActivityTable& table, const DayProfile& profile);
std::string ProfileGroupsCsv(const ActivityTable& table, const DayProfile& profile);

}  // namespace movexa
