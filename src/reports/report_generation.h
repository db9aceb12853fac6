// Report generation ("Generate..."): reads an acquisition's counts and project tables, chooses
// the bin, loads and resamples the records, normalises to a basal acquisition when one is
// chosen, computes the report tables and writes the report file; and the automatic report at
// the end of a run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/host.h"
#include "reports/acquisition_tables.h"
#include "reports/counts_series.h"
#include "reports/report_request.h"

namespace movexa {

enum class ReportStatus {
  kWritten,   // the report file was written
  kFailed,    // a message told the operator why not
  kDeclined,  // the operator declined a question; no report, no message
  kStopped,   // STOP was pressed during raw re-analysis
};

struct ReportOutcome {
  ReportStatus status = ReportStatus::kFailed;
  std::string message;  // the message shown for a failure (empty when none was shown)
  std::string detail;   // what exactly went wrong, for movexa-cli and logs
  std::filesystem::path reportPath;
  std::filesystem::path copyPath;
  std::string copyError;  // why the experiment's copy is missing (empty when written or not wanted)
  std::string binShown;      // the bin list's text afterwards
  int64_t binMinutes = 0;    // the bin the report used
  bool basal = false;
};

// The bin of a report over an acquisition whose last time is `lastTime`: the bin text as a
// whole number (at least 1), cut to Int(T/15)*15 (or T itself up to 30 minutes) when the
// acquisition is shorter than the bin. Not ok when the text is not a number.
struct BinChoice {
  bool ok = false;
  int64_t minutes = 0;
};
BinChoice ChooseReportBin(const std::string& binText, int64_t lastTime);

// "Generate...": the whole generation for `request`, its messages through host.dialogs.
ReportOutcome GenerateReport(const ReportRequest& request, Host& host);

// The second half of generation, shared with raw re-analysis: resample `loaded` to
// `binMinutes` ("Resampling ERROR"), normalise to the basal acquisition when `allowBasal` and
// one is chosen, compute the tables and write the report with `setting` on its "SETTING:"
// line, then open it unless the request is an autoreport.
ReportOutcome ReportFromCounts(const ReportRequest& request, const AcquisitionTables& acquisition,
                               const LoadedCounts& loaded, int64_t binMinutes,
                               const std::string& setting, bool allowBasal, Host& host);

// Shows `message` as a failure (with the warning icon) and returns a failed outcome carrying it.
ReportOutcome FailReport(Host& host, std::string message, std::string detail = {});

// A failure's message: its first line `head` (the system's own text, "Report Error"), then
// why it happened and what to do next, each on a line of its own when given.
std::string ExplainedMessage(std::string_view head, std::string_view why, std::string_view next);
// "Report Error" for a bin text that is not a number.
std::string BinNotANumberMessage(const std::string& binText);

// Reads the acquisition's project tables for a report; on failure the message is shown
// ("Multiwell Configuration File ... not found", else "Report Error" with the file, what was
// wrong with it and what to do) and `outcome` says so.
bool LoadTablesForReport(const ReportRequest& request, AcquisitionTables& tables,
                         ReportOutcome& outcome, Host& host);

}  // namespace movexa
