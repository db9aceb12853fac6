// Day profiles per animal and per group.
#include "analysis/day_profile.h"

#include <algorithm>

#include "analysis/analysis_csv.h"
#include "analysis/analysis_windows.h"
#include "base/number_format.h"

namespace movexa {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The slot's columns: index, ZT hours of its start, wall-clock start, light at its start.
std::string SlotCells(const ActivityTable& table, const DayProfile& p, int64_t slot) {
  const int64_t zt = slot * p.binMinutes;
  const int64_t runMinute = table.zt0Minute + zt;
  const int clock = MinuteOfDay(table, runMinute);
  return std::to_string(slot) + "," + Decimal(static_cast<double>(zt) / 60.0) + "," +
         ZeroPad(clock / 60, 2) + ":" + ZeroPad(clock % 60, 2) + "," +
         (zt < LightMinutesPerDay(table.light) ? "1" : "0");
}

std::vector<std::string> ProfileHeaderLines(const ActivityTable& table, const DayProfile& p) {
  const std::string origin = table.light.kind == LightKind::kDaily
                                 ? "ZT0 (the last lights-on at or before the run start)"
                                 : "the run start (a constant schedule has no ZT0)";
  return {"method: average day; each animal's bins are folded on the 24-hour day counted from " +
              origin + ", summed into " + std::to_string(p.binMinutes) +
              "-min profile bins (a bin belongs to the profile bin of its start), and averaged "
              "over the days that measured the whole profile bin; a day with a missing bin there "
              "does not count",
          "value: counts per " + std::to_string(p.binMinutes) +
              "-min profile bin (the well's "
              "channels summed); zt_h: the profile bin's start in hours after " +
              origin + "; clock: its wall-clock start; light: 1 lights on at its start",
          "windows: the whole run folded on one day"};
}

}  // namespace

std::optional<std::string> ProfileBinRefusal(int64_t profileBinMinutes, int64_t tableBinMinutes) {
  if (profileBinMinutes < 1 || profileBinMinutes % tableBinMinutes != 0) {
    return "The profile bin must be a whole number of the run's " +
           std::to_string(tableBinMinutes) + "-min bins; " + std::to_string(profileBinMinutes) +
           " min is not.";
  }
  if (1440 % profileBinMinutes != 0) {
    return "The profile bin must divide the 24-hour day into whole bins; " +
           std::to_string(profileBinMinutes) + " min does not (try 15, 30, 60 or 120).";
  }
  return std::nullopt;
}

DayProfile ComputeDayProfile(const ActivityTable& table, int64_t profileBinMinutes) {
  DayProfile p;
  if (auto refusal = ProfileBinRefusal(profileBinMinutes, table.binMinutes)) {
    p.error = *refusal;
    return p;
  }
  p.binMinutes = profileBinMinutes;
  p.slots = 1440 / profileBinMinutes;
  const int64_t binsPerSlot = profileBinMinutes / table.binMinutes;
  // Profile bin (day, slot) of every measured bin; days count from the first ZT day of the run.
  const size_t n = table.BinCount();
  std::vector<int64_t> cell(n);
  int64_t firstDay = 0;
  int64_t lastDay = 0;
  for (size_t i = 0; i < n; ++i) {
    const int64_t z = table.binStart[i] - table.zt0Minute;
    const int64_t day = FloorDiv(z, 1440);
    if (i == 0) firstDay = day;
    lastDay = day;
    cell[i] = day * p.slots + (z - day * 1440) / profileBinMinutes;
  }
  const int64_t days = lastDay - firstDay + 1;
  const size_t cells = static_cast<size_t>(days * p.slots);
  std::vector<int64_t> binsIn(cells, 0);
  for (size_t i = 0; i < n; ++i) {
    cell[i] -= firstDay * p.slots;
    ++binsIn[static_cast<size_t>(cell[i])];
  }
  p.daysPerSlot.assign(static_cast<size_t>(p.slots), 0);
  for (size_t c = 0; c < cells; ++c) {
    if (binsIn[c] == binsPerSlot) ++p.daysPerSlot[c % static_cast<size_t>(p.slots)];
  }
  p.wells.resize(table.wells.size());
  std::vector<int64_t> sums(cells);
  for (size_t w = 0; w < table.wells.size(); ++w) {
    std::fill(sums.begin(), sums.end(), 0);
    const int32_t* series = table.WellSeries(w);
    for (size_t i = 0; i < n; ++i) sums[static_cast<size_t>(cell[i])] += series[i];
    std::vector<int64_t> total(static_cast<size_t>(p.slots), 0);
    for (size_t c = 0; c < cells; ++c) {
      if (binsIn[c] == binsPerSlot) total[c % static_cast<size_t>(p.slots)] += sums[c];
    }
    auto& profile = p.wells[w];
    profile.resize(static_cast<size_t>(p.slots));
    for (size_t s = 0; s < profile.size(); ++s) {
      if (p.daysPerSlot[s] > 0) {
        profile[s] = static_cast<double>(total[s]) / static_cast<double>(p.daysPerSlot[s]);
      }
    }
  }
  p.ok = true;
  return p;
}

std::string ProfileWellsCsv(const ActivityTable& table, const DayProfile& p) {
  std::vector<std::string> lines = ProfileHeaderLines(table, p);
  lines.push_back(
      "days: the days averaged for the profile bin; value is empty when no day "
      "measured the whole profile bin");
  std::string out = HeaderBlock(table, "Movexa average day per well", lines);
  out += "well,group,slot,zt_h,clock,light,value,days\r\n";
  for (size_t w = 0; w < table.wells.size(); ++w) {
    for (int64_t s = 0; s < p.slots; ++s) {
      const auto& v = p.wells[w][static_cast<size_t>(s)];
      out += CsvCell(table.wells[w].label) + "," + CsvCell(table.wells[w].groupLabel) + "," +
             SlotCells(table, p, s) + "," + (v ? Decimal(*v) : std::string()) + "," +
             std::to_string(p.daysPerSlot[static_cast<size_t>(s)]) + "\r\n";
    }
  }
  return out;
}

std::string ProfileGroupsCsv(const ActivityTable& table, const DayProfile& p) {
  std::vector<std::string> lines = ProfileHeaderLines(table, p);
  lines.push_back(GroupSummaryText("group and profile bin",
                                   "(each animal's own average day), never over animal-days"));
  std::string out = HeaderBlock(table, "Movexa average day per group", lines);
  out += "group,slot,zt_h,clock,light,mean,sd,sem,n,days\r\n";
  for (const auto& group : table.groups) {
    for (int64_t s = 0; s < p.slots; ++s) {
      std::vector<double> values;
      for (size_t w : group.wells) {
        if (const auto& v = p.wells[w][static_cast<size_t>(s)]) values.push_back(*v);
      }
      out += CsvCell(group.label) + "," + SlotCells(table, p, s) + "," +
             SummaryCells(Summarise(values)) + "," +
             std::to_string(p.daysPerSlot[static_cast<size_t>(s)]) + "\r\n";
    }
  }
  return out;
}

}  // namespace movexa
