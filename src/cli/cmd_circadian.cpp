// movexa-cli circadian: per-well (time-stamped) or per-channel text files of acquisitions for
// circadian-rhythm tools.
#include <iostream>

#include "cli/commands.h"
#include "cli/report_options.h"
#include "reports/circadian.h"

namespace movexa::cli {

namespace {

int CircadianOne(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host) {
  auto app = args.Value("app-dir");
  if (!app) {
    std::cerr << "movexa-cli circadian: --app-dir is required\n";
    return 2;
  }
  CircadianRequest request;
  request.acquisitionFolder = folder;
  request.appFolder = *app;
  request.binText = args.Value("bin").value_or("30");
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
    "Writes one file per well (000_A1.txt: a time-stamped line per bin, counting from the start in\n"
    "the folder's name) or, with --per-channel, one file per channel (ch000012.txt) plus time.txt.\n";

}  // namespace

int RunCircadian(int argc, char** argv) {
  return ForEachAcquisition(argc, argv, kUsage, {"per-channel"}, {}, CircadianOne);
}

}  // namespace movexa::cli
