// Circadian exports ("1 file/well Report"): one acquisition as many small text files for
// circadian-rhythm tools, either one file per well with a date-and-time stamp per bin, or one
// file per channel plus "time.txt" with the bin end times in seconds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/date_time.h"
#include "base/host.h"
#include "reports/report_generation.h"

namespace movexa {

struct CircadianRequest {
  std::filesystem::path acquisitionFolder;
  std::filesystem::path appFolder;
  std::string binText = "30";
  // Given in advance (movexa-cli): true = per-well files with time stamps, false = per-channel
  // files; the two questions are then not asked. Unset: ask.
  std::optional<bool> includeTime;
};

struct CircadianOutcome {
  ReportStatus status = ReportStatus::kFailed;
  std::string message;
  std::string detail;
  int64_t binMinutes = 0;
  std::string binShown;
  int filesWritten = 0;
};

// The time stamps count from the acquisition's start, read from its folder name
// ("yyyymmdd_hhmm"); a folder whose name is not such a stamp counts from the present moment.
CivilTime CircadianOrigin(const std::filesystem::path& acquisitionFolder, Host& host);

// The export bin over an acquisition whose last time is `lastTime`: the bin text as a whole
// number, at least 2; an acquisition shorter than the bin (T + 1 < B) gets Int((T+1)/15)*15
// when T > 30, else T + 1.
BinChoice ChooseCircadianBin(const std::string& binText, int64_t lastTime);

CircadianOutcome ExportCircadian(const CircadianRequest& request, Host& host);

}  // namespace movexa
