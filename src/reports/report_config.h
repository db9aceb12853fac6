// The report configuration "repoconf.dat" of the application folder: the report settings the
// operator may fix once (bin, file type, separator, statistics blocks, layout, organism,
// method, threshold, raw export), with its defaults, validation and the settings window's
// "Apply" and "Back to Default".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/host.h"

namespace movexa {

// The report bins a configuration keeps, in minutes (others are read back as the default).
inline constexpr int16_t kMinReportBin = 2;
inline constexpr int16_t kMaxReportBin = 1440;

struct ReportConfig {
  int16_t Bin = 30;          // report bin, minutes (2..1440)
  int16_t filetype = 0;      // 0 = "Excel [.csv]", 1 = "Text [.txt]"
  std::string spacer = ",";  // field separator of report columns
  int16_t stdError = 1;      // 1 = write the standard error block
  int16_t stdDev = 0;        // 1 = write the standard deviation block
  int16_t n = 1;             // 1 = write the number-of-wells block
  int16_t out_format = 0;    // 0 Rows, 1 List, 2 W.Array, 3 CH.Array
  int16_t organism = 0;      // index of the organism list (0..2 kept)
  int16_t method = 1;        // detection method index (0..2 kept)
  int16_t threshold = 18;    // detection threshold x 10 (11..30)
  int16_t rawexport = 0;     // 1 = export raw marks during re-analysis

  friend bool operator==(const ReportConfig&, const ReportConfig&) = default;
};

// The list separator of the default locale, "," when the system has none.
std::string SystemListSeparator(Host& host);

// Every field to its default; the separator becomes SystemListSeparator.
void ApplyReportDefaults(ReportConfig& config, Host& host);

// Replaces out-of-range fields, each by its own default (bounds inclusive).
void ValidateReportConfig(ReportConfig& config);

// Result of reading the text of "repoconf.dat": the record as stored (not yet validated) and
// its User_defined flag, or what went wrong.
struct ParsedReportConfig {
  bool ok = false;
  ReportConfig config;
  int16_t userDefined = 0;
  std::string error;
};
ParsedReportConfig ParseReportConfig(std::string_view text);

// The two lines of "repoconf.dat" with `userDefined` first.
std::string FormatReportConfig(const ReportConfig& config, int16_t userDefined);

// Loads "repoconf.dat" from `appFolder`. request 1 = use the stored configuration, 0 = reset
// to the defaults (the file is rewritten with flag 0). Returns the stored User_defined flag,
// or 0 whenever the defaults were applied (a missing file is created with flag `request`).
// A malformed file shows "Error loading repoconf.dat -> Using Default values" and is rewritten
// with the defaults and flag 0.
int16_t LoadReportConfig(ReportConfig& config, int16_t request,
                         const std::filesystem::path& appFolder, Host& host);

// A freshly laid-out application folder starts with the default report configuration, its
// separator from this machine's locale and its "User Defined BIN size" flag off: without the
// file the first start-up would create it with the flag on. Writes "repoconf.dat" when it is
// missing; true when it was written.
bool WriteDefaultReportConfigIfMissing(const std::filesystem::path& appFolder, Host& host);

// Rewrites "repoconf.dat" with `userDefined` and the record. On failure shows
// "Error Writing Report Configuration (repoconf.dat)" and returns false; the record is kept.
bool SaveReportConfig(const ReportConfig& config, int16_t userDefined,
                      const std::filesystem::path& appFolder, Host& host);

// The report settings window's choices when "Apply" is pressed.
struct ReportSettingsChoice {
  std::string binText;  // the bin list's text
  int16_t filetype = 0;
  std::string spacer;
  int16_t outFormat = 0;
  bool stdError = true;
  bool stdDev = false;
  bool n = true;
  bool rawExport = false;
};

// "Apply": copies the choices into the record (organism, method and threshold keep their
// values), saves with flag 1 and shows "User Configuration Applied". A bin text that is not a
// number of minutes, or a bin outside 2..1440 minutes, is refused with a message: nothing
// changes and false is returned.
bool ApplyReportSettings(ReportConfig& config, const ReportSettingsChoice& choice,
                         const std::filesystem::path& appFolder, Host& host);

// "Back to Default": defaults in force, the file rewritten with flag 0, and the message
// "Default Report Configuration Applied".
void BackToDefaultReportConfig(ReportConfig& config, const std::filesystem::path& appFolder,
                               Host& host);

// The main window's menu item "User Defined BIN size" chosen while `checked`: with the item
// checked the stored configuration is reloaded and saved with flag 1, else the defaults are
// saved with flag 0.
void ChooseUserDefinedBin(ReportConfig& config, bool checked,
                          const std::filesystem::path& appFolder, Host& host);

}  // namespace movexa
