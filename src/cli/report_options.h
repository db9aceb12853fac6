// Options shared by movexa-cli's report, reanalyze and circadian commands: the report window's
// choices as flags over the defaults of the application folder's "repoconf.dat", the batch
// answers to the window's questions, and a progress line for long work.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/host.h"
#include "cli/cli_args.h"
#include "cli/terminal_host.h"
#include "reports/report_request.h"

namespace movexa::cli {

// Options that take a value, for CliArgs.
const std::set<std::string>& ReportValueOptions();
// Help text of the shared options.
const char* ReportOptionsHelp();
const char* ReanalysisOptionsHelp();

// Builds the request for one acquisition folder from the flags. On a bad flag returns false
// and sets `error`. The defaults are the stored report configuration when "repoconf.dat" of
// the application folder carries its User_defined flag (1), else the default configuration;
// the file is only read.
bool BuildReportRequest(const CliArgs& args, Host& host, ReportRequest& request, std::string& error);

// Prints "Block 12/200"-style status texts as one progress line (rewritten in place on a
// terminal, every tenth otherwise) and other texts as lines.
class ProgressStatus : public StatusSink {
 public:
  explicit ProgressStatus(bool quiet) : quiet_(quiet) {}
  void SetStatus(std::string_view where, std::string_view text) override;
  void Finish();  // ends a progress line left open

 private:
  bool quiet_;
  bool open_ = false;
  long lastTenth_ = -1;
};

// The terminal host of the report commands (questions are all settled by flags).
struct ReportHost {
  explicit ReportHost(bool quiet) : progress(quiet) {}
  TerminalHost terminal;
  ProgressStatus progress;
  Host host{terminal.dialogs, terminal.clock, terminal.pacer, terminal.shell, terminal.system, progress};
};

// Runs `one` for every positional folder; returns 0 when all succeeded, 1 otherwise, 2 on usage
// errors (printed with `usage`).
int ForEachAcquisition(int argc, char** argv, const char* usage, const std::set<std::string>& extraFlags,
                       const std::set<std::string>& extraValues,
                       int (*one)(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host));

}  // namespace movexa::cli
