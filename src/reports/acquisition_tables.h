// The project tables a report takes from an acquisition: its copies of "setup.dat",
// "groups.dat", "chgroup.dat" and "subproj.dat", and the multiwell configuration (plate-format
// file) named by the setup, read from the application folder. The readers are pure functions
// over text; LoadAcquisitionTables reads the files and says what went wrong.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/constants.h"
#include "project/plate_format.h"

namespace movexa {

// What a report takes from the acquisition's "setup.dat": line 2 and values of lines 4 and 10.
struct AcquisitionSetup {
  std::string plateFormat;  // fourth field of line 2: names the multiwell configuration
  int16_t rtBuffer = 500;   // fourth value of line 4: samples per bin, rows of a raw block - 1
  int16_t dspMethod = 0;    // fifth value of line 4
  int16_t organism = 0;     // first value of line 10
  int16_t snrX10 = 0;       // fourth value of line 10
};

// The channel-to-well map as the multiwell configuration gives it.
struct MultiwellConfig {
  int rows = 0;     // row divisor D: well w is labelled "A" + (w mod D), Int(w / D) + 1
  int columns = 0;  // plate columns (W.Array grids)
  std::array<int16_t, kChannelCount> channelWell{};      // -1 = no well
  std::array<int16_t, kChannelCount> channelPosition{};  // beam index inside the well
};

// Everything the report arithmetic and the writer need about the plate and the groups.
struct ReportProjectTables {
  int rows = 1;
  int columns = 0;
  std::array<int16_t, kChannelCount> channelWell{};
  std::array<int16_t, kChannelCount> channelPosition{};
  int largestWell = -1;      // -1 when no channel has a well
  int largestPosition = -1;
  std::vector<int16_t> wellTable;  // (largestWell + 1) x (largestPosition + 1), -1 = none
  std::array<int16_t, kChannelCount> channelGroup{};  // group index, negative = free
  std::array<std::string, kChannelSlots> groupNames;  // by line order of "groups.dat"

  // Channel at (well, position), -1 when none (also outside the table).
  int ChannelAt(int well, int position) const {
    if (well < 0 || position < 0 || well > largestWell || position > largestPosition) return -1;
    return wellTable[static_cast<size_t>(well) * (largestPosition + 1) + position];
  }
  // Builds the well table from channelWell and channelPosition.
  void BuildWellTable();
};

// A value read from outside text, or what was wrong with it.
template <class T>
struct ReadResult {
  bool ok = false;
  T value{};
  std::string error;
};

ReadResult<AcquisitionSetup> ParseAcquisitionSetup(std::string_view text);
// Group names by line order after the header (at most 385); missing entries stay empty.
ReadResult<std::array<std::string, kChannelSlots>> ParseAcquisitionGroupNames(std::string_view text);
// Group index per channel by line order after the header (at most 385 records; channels
// without a record, and groups outside 0..384, are free).
ReadResult<std::array<int16_t, kChannelCount>> ParseAcquisitionChannelGroups(std::string_view text);
// Plate-format file: two text lines, six layout numbers, one text line, then per channel a
// label, a well (-1 unused) and a beam index. Wells and beams must lie in 0..383 (or the well
// be negative) and the row count be at least 1.
// This is deliberately more lenient than the project's ParsePlateFormat, which also refuses
// zero columns, pitches of 0 or below, out-of-range beams of unused channels and a bad 385th
// record: those only matter for drawing and installing a map, and a report of a recorded
// acquisition must not be refused over fields it never uses.
ReadResult<MultiwellConfig> ParseMultiwellConfig(std::string_view text);

// The "SETTING:" text of a report: "Mode1 C.elegans[snr=1.8]".
std::string SettingText(const AcquisitionSetup& setup);

// Row letter "A" + row.
char RowLetter(int row);

enum class TablesStatus { kOk, kSetupUnreadable, kGroupsUnreadable, kPlateMissing, kPlateUnreadable };

struct AcquisitionTables {
  TablesStatus status = TablesStatus::kOk;
  std::string detail;  // which file and what was wrong (for logs and movexa-cli)
  AcquisitionSetup setup;
  ReportProjectTables tables;
  std::string subprojectName;
};

// Reads the acquisition's project files and the multiwell configuration ("<plate>.dat", else
// "<plate>.bak") from `appFolder`.
AcquisitionTables LoadAcquisitionTables(const std::filesystem::path& acquisitionFolder,
                                        const std::filesystem::path& appFolder);

// "Multiwell Configuration File <name>.dat or .bak not found".
std::string MultiwellNotFoundMessage(std::string_view plateFormat);

}  // namespace movexa
