// Generated runs for the analysis tests: an application folder laid out from the installation
// data, a project snapshot written by the project store's own writer, and "counts.bin" records
// encoded by the recorder's own encoder, with chosen counts per well.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/counts_record.h"
#include "analysis/activity_table.h"
#include "project/project_settings.h"
#include "project/well_map.h"
#include "support/test_support.h"

namespace movexa::test {

class PlateRun {
 public:
  explicit PlateRun(const std::filesystem::path& root, const std::string& plate = "w96f");

  int WellNumber(const std::string& label) const;  // "B3" -> column-major well number
  std::vector<int> ChannelsOf(int well) const;     // by beam
  void FreeAll();
  // Puts every beam of `wells` into `group`, named `name`.
  void Assign(int group, const std::string& name, const std::vector<std::string>& wells);
  void Light(bool enabled, int onHour, int offHour);

  // A record closed at `minute`; `count(well)` goes to the well's first beam (0 when omitted).
  CountsRecord Record(int32_t minute, const std::function<int(int well)>& count = {}) const;
  // Writes p00001/<stamp>: the snapshot, "subproj.dat" and "counts.bin".
  std::filesystem::path Write(const std::string& stamp, const std::vector<CountsRecord>& records,
                              const std::string& name = "fixture run") const;

  // Loads `folders` as one run with this application folder.
  ActivityLoad Load(const std::vector<std::filesystem::path>& folders,
                    const std::optional<LightRegime>& light = std::nullopt) const;

  std::filesystem::path app;
  std::filesystem::path project;
  ProjectSettings settings;
  PlateGeometry geometry;
  WellMap map;
};

// `perMinute` records closing in each minute 0 .. minutes - 1 (plus none after), each with
// `count(well, minute)` split over them: the first record of the minute carries it all.
std::vector<CountsRecord> MinuteRecords(const PlateRun& run, int minutes, int perMinute,
                                        const std::function<int(int well, int minute)>& count);

// `days` days from 2026-12-07 09:00 (lights 09:00-21:00), `perMinute` records a minute, written
// as p00001/20261207_0900: group 1 "Day" (A1-D1) active in the light, group 2 "Night" (A2-D2)
// in the dark, every well with a little noise and never at rest.
std::filesystem::path WriteDayNightRun(PlateRun& run, int days, int perMinute);

// A table built by hand: `wells` wells in `groups` (well w in group w % groups, labelled A1,
// B1, ...), bins of `binMinutes` at `binStart`, values[w][i]; run start 2026-12-07 09:00 with
// lights 09:00-21:00.
ActivityTable HandTable(const std::vector<std::vector<int32_t>>& values,
                        const std::vector<int64_t>& binStart, int64_t binMinutes = 1,
                        int groups = 1);

}  // namespace movexa::test
