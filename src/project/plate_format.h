// Plate formats: the plate-format file ("<name>.dat" in the application folder), its pure
// parse, the three built-in fallback maps, the two loaders, the table of known formats, the
// well index of a row letter and column number, and the labels of wells, channels and groups.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// One channel record of a plate-format file: the well it crosses (negative = unused) and its
// beam index within that well.
struct PlateChannelRecord {
  int16_t well = -1;
  int16_t beam = 0;
};

// Result of parsing a plate-format text. `stage` follows the loader's stages: 1 while reading
// the header and geometry, 2 while reading channel records; 3 when everything was read.
struct PlateFormatParse {
  PlateGeometry geometry;
  std::vector<PlateChannelRecord> channels;  // channel order from 0, at most 385 records
  int stage = 1;
  std::string error;  // empty when the text is a valid plate format
  bool ok() const { return error.empty(); }
};

// Parses the text of a plate-format file: two skipped text fields, the six geometry fields
// (rows, row pitch, row offset, columns, column pitch, column offset), one skipped text field,
// then one record per channel (label, well, beam) until the end or 385 records. Refused:
// rows or columns below 1, pitches not above 0, a used channel with a negative beam, a well or
// beam index above 383 (the map table would not be bounded), non-numeric or 16-bit overflowing
// fields. Pure: the reports read acquisition snapshots with it too.
PlateFormatParse ParsePlateFormat(std::string_view text);

// The exact bytes of a plate-format file: `title`, a column-heading line, the geometry, a
// record heading, then one record per given channel (its label or "-" when unused, well, beam).
std::string FormatPlateFormat(std::string_view title, const PlateGeometry& geometry,
                              const std::vector<PlateChannelRecord>& channels);

// Installs parsed records into `map`: channels 0..n-1 take their record, every channel without
// a record becomes unused (a short file never leaves another format's entries behind); the
// highest well and beam are raised over all records; then the table is built.
void InstallChannelRecords(const std::vector<PlateChannelRecord>& channels, WellMap& map);

// Builds the (well, beam) -> channel table from channelWell/channelBeam of channels 0..383 for
// the map's highest well and beam; entries no channel names hold 0; when two channels name the
// same well and beam, the higher channel wins.
void BuildWellTable(WellMap& map);

// Installs the built-in map of "w384", "w96f" or "w96u" (geometry and map); false for any
// other name. The highest well of both 96-well maps is 96 (column 96 of the table unused).
bool InstallBuiltInPlateFormat(std::string_view name, PlateGeometry& geometry, WellMap& map);

// True when `name` can name a plate-format file: not empty, no path separators, no "..".
bool IsPlateFormatName(std::string_view name);

// Outcome of a plate-format load.
struct PlateLoadResult {
  bool ok = false;
  int stage = 0;      // 0: the file could not be opened; 1, 2: as ParsePlateFormat
  std::string error;  // the reason, for the caller
};

// Reads "<name>.dat" of the application folder without fallback. On success the geometry and
// map are replaced; on failure both are left exactly as they were and the reason is returned.
PlateLoadResult LoadPlateFormatStrict(const std::filesystem::path& appDir, std::string_view name,
                                      PlateGeometry& geometry, WellMap& map);

// The project loader's variant: reads settings.Plate_format + ".dat"; on failure shows the
// fallback message, changes Plate_format to "w96f" unless it is "w96f", "w384" or "w96u", and
// installs that built-in map. Returns the strict result (ok = the file was used).
PlateLoadResult LoadPlateFormat(const std::filesystem::path& appDir, ProjectSettings& settings,
                                PlateGeometry& geometry, WellMap& map, Host& host);

// (columnNumber - 1) * rows + (rowLetter - 'A'); a lower-case letter counts as its capital.
int16_t WellIndex(const PlateGeometry& geometry, char rowLetter, int columnNumber);

// A known plate format with the texts the setup window shows when it is chosen.
struct KnownPlateFormat {
  std::string_view name;
  std::string_view description;
  std::string_view adapterHint;
  bool discontinued = false;
  bool builtIn = false;     // has a built-in fallback map
  int minBeamsPerWell = 1;  // the beams per well the description promises
  int maxBeamsPerWell = 1;
};
const std::array<KnownPlateFormat, 8>& KnownPlateFormats();
// The entry of `name`, or nullptr for a format not in the table.
const KnownPlateFormat* FindKnownPlateFormat(std::string_view name);
// The information message of a chosen format: description, line break, adapter hint, and for
// a discontinued format a further line break and the discontinued note; empty when unknown.
std::string PlateFormatInformation(std::string_view name);

// Well label: row letter ('A' + well mod rows) and column number (well / rows + 1): B3.
// Empty for a negative well or a geometry without rows.
std::string WellLabel(int well, int rows);
// Channel label: well label, ".", beam index: B3.1. Empty for a channel without a well.
std::string ChannelLabel(const WellMap& map, const PlateGeometry& geometry, int channel);
// Group label: the group number with three digits, "_", the name: 005_Group5; "999_Free" for
// a free group (-1).
std::string GroupLabel(int group, std::string_view name);
inline constexpr std::string_view kFreeGroupLabel = "999_Free";

}  // namespace movexa
