// movexa-cli report: the report of one or more recorded acquisitions.
#include <iostream>

#include "cli/commands.h"
#include "cli/report_options.h"
#include "reports/report_generation.h"

namespace movexa::cli {

namespace {

// Prints the outcome of one report; 0 when the report was written.
int PrintOutcome(const ReportOutcome& out) {
  switch (out.status) {
    case ReportStatus::kWritten:
      std::cout << "  report: " << out.reportPath.string() << " (bin " << out.binMinutes << " min"
                << (out.basal ? ", % of basal" : "") << ")\n";
      if (!out.copyPath.empty()) std::cout << "  copy:   " << out.copyPath.string() << "\n";
      return 0;
    case ReportStatus::kDeclined:
      std::cerr << "  no report: " << out.detail << " (choose --zero-basal max, average or discard)\n";
      return 1;
    case ReportStatus::kStopped:
      std::cerr << "  stopped\n";
      return 1;
    case ReportStatus::kFailed:
      std::cerr << "  no report: " << out.message << (out.detail.empty() ? "" : " (" + out.detail + ")") << "\n";
      return 1;
  }
  return 1;
}

int ReportOne(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host) {
  ReportRequest request;
  request.acquisitionFolder = folder;
  std::string error;
  if (!BuildReportRequest(args, host.host, request, error)) {
    std::cerr << "movexa-cli report: " << error << "\n";
    return 2;
  }
  return PrintOutcome(GenerateReport(request, host.host));
}

const std::string kUsage = std::string(
    "usage: movexa-cli report --app-dir DIR [options] ACQUISITION_FOLDER...\n"
    "Writes the report (report.csv or report.txt, and a copy named after the experiment) into\n"
    "each acquisition folder. Questions of the report window are answered by the options.\n\n") +
    ReportOptionsHelp();

}  // namespace

int RunReport(int argc, char** argv) { return ForEachAcquisition(argc, argv, kUsage.c_str(), {}, {}, ReportOne); }

int PrintReportOutcome(const ReportOutcome& out) { return PrintOutcome(out); }

}  // namespace movexa::cli
