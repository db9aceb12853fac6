// movexa-cli reanalyze: activity detection run again over acquisitions' raw blocks, then a
// report of the new counts.
#include <iostream>

#include "cli/commands.h"
#include "cli/report_options.h"
#include "reports/raw_reanalysis.h"

namespace movexa::cli {

int PrintReportOutcome(const ReportOutcome& out);

namespace {

int ReanalyzeOne(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host) {
  ReportRequest request;
  request.acquisitionFolder = folder;
  std::string error;
  if (!BuildReportRequest(args, host.host, request, error)) {
    std::cerr << "movexa-cli reanalyze: " << error << "\n";
    return 2;
  }
  bool stop = false;  // a terminal run has no STOP button; Ctrl-C ends it before anything is saved
  ReanalysisOutcome out = RunRawReanalysis(request, stop, host.host);
  host.progress.Finish();
  if (out.recordsProcessed > 0) {
    std::cout << "  " << out.recordsProcessed << " records re-analysed"
              << (out.countsReplaced
                      ? ", counts.bin replaced (recorded counts in counts_recorded.bak)"
                      : "")
              << (out.setupUpdated ? ", setup.dat updated (backup setup.bak)" : "") << "\n";
  }
  return PrintReportOutcome(out.report);
}

const std::string kUsage = std::string(
    "usage: movexa-cli reanalyze --app-dir DIR [options] ACQUISITION_FOLDER...\n"
    "Re-counts activity from the raw data files (0.bin, 1.bin, ...) with another method or\n"
    "threshold and writes a report of the new counts.\n\n") +
    ReanalysisOptionsHelp() + ReportOptionsHelp();

}  // namespace

int RunReanalyze(int argc, char** argv) {
  return ForEachAcquisition(argc, argv, kUsage.c_str(), {"replace", "export-raw"}, {}, ReanalyzeOne);
}

}  // namespace movexa::cli
