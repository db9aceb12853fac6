// movexa-cli circadian: per-well (time-stamped) or per-channel text files of acquisitions for
// circadian-rhythm tools.
#include <iostream>

#include "cli/commands.h"
#include "cli/report_options.h"
#include "reports/circadian.h"

namespace movexa::cli {

namespace {

int CircadianOne(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host) {
  // The bin is the one the report window offers, as for `report`: --bin, else the stored
  // report configuration's user-defined bin, else 30.
  ReportRequest report;
  report.acquisitionFolder = folder;
  std::string error;
  if (!BuildReportRequest(args, host.host, report, error)) {
    std::cerr << "movexa-cli circadian: " << error << "\n";
    return 2;
  }
  CircadianRequest request;
  request.acquisitionFolder = folder;
  request.appFolder = report.appFolder;
  request.binText = report.binText;
  request.includeTime = !args.Has("per-channel");
  CircadianOutcome out = ExportCircadian(request, host.host);
  if (out.status != ReportStatus::kWritten) {
    std::cerr << "  no export: " << out.message << (out.detail.empty() ? "" : " (" + out.detail + ")") << "\n";
    return 1;
  }
  std::cout << "  " << out.filesWritten << " files (bin " << out.binMinutes << " min)\n";
  return 0;
}

const char* kUsage =
    "usage: movexa-cli circadian --app-dir DIR [--bin MINUTES] [--per-channel] ACQUISITION_FOLDER...\n"
    "The bin is --bin, else the user-defined bin of DIR/repoconf.dat, else 30 (as for report).\n"
    "Writes one file per well (000_A1.txt: a time-stamped line per bin, counting from the start in\n"
    "the folder's name) or, with --per-channel, one file per channel (ch000012.txt) plus time.txt.\n";

}  // namespace

int RunCircadian(int argc, char** argv) {
  return ForEachAcquisition(argc, argv, kUsage, {"per-channel"}, {}, CircadianOne);
}

}  // namespace movexa::cli
