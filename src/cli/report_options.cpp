// Flags of the report commands and their progress line.
#include "cli/report_options.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "base/file_io.h"
#include "base/text_records.h"
#include "reports/report_config.h"
#include "reports/report_texts.h"

namespace movexa::cli {

const std::set<std::string>& ReportValueOptions() {
  static const std::set<std::string> kOptions = {
      "app-dir", "bin", "file-type", "separator", "layout", "statistics", "basal", "basal-minutes",
      "zero-basal", "method", "organism", "threshold", "lapse"};
  return kOptions;
}

const char* ReportOptionsHelp() {
  return "  --app-dir DIR         application folder (plate-format files, repoconf.dat); required\n"
         "  --bin MINUTES         report bin (default: repoconf.dat when user-defined, else 30)\n"
         "  --file-type csv|txt   report file type\n"
         "  --separator TEXT      field separator (default: the list separator for csv, a blank for txt)\n"
         "  --layout rows|list|warray|charray\n"
         "  --statistics LIST     blocks besides the average: any of error,dev,n, or none\n"
         "  --basal NAME          basal acquisition (sibling folder yyyymmdd_hhmm)\n"
         "  --basal-minutes Z     minutes of the basal to use (default: the proposed value)\n"
         "  --zero-basal MODE     wells with 0 basal activity: max, average, discard, or stop (default:\n"
         "                        stop = no report for that acquisition)\n"
         "  --quiet               no progress line\n";
}

const char* ReanalysisOptionsHelp() {
  return "  --organism NAME       elegans, zebrafish, echinococcus or drosophila (sets method and "
         "threshold)\n"
         "  --method 0..3         detection method\n"
         "  --threshold SNR       1.1..6 (0.5..1 for drosophila)\n"
         "  --lapse HOURS         hours of acquisition to re-analyse (default 1; at least 5 "
         "minutes)\n"
         "  --replace             replace counts.bin and the setup's method and threshold (all "
         "records);\n"
         "                        the recorded ones are kept in counts_recorded.bak and "
         "setup_recorded.bak\n"
         "  --export-raw          export raw marks (ch<N>.raw); implies a lapse of 533 hours\n";
}

namespace {

bool ParseIndex(const std::string& text, const std::vector<std::string>& names, int& out) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (text == names[i] || text == std::to_string(i)) {
      out = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

ReportConfig StartingConfig(const std::filesystem::path& app, Host& host) {
  ReportConfig config;
  ApplyReportDefaults(config, host);
  if (auto text = ReadWholeFile(app / "repoconf.dat")) {
    ParsedReportConfig parsed = ParseReportConfig(*text);
    if (parsed.ok && parsed.userDefined == 1) {
      config = parsed.config;
      ValidateReportConfig(config);
    }
  }
  return config;
}

}  // namespace

bool BuildReportRequest(const CliArgs& args, Host& host, ReportRequest& r, std::string& error) {
  auto app = args.Value("app-dir");
  if (!app) {
    error = "--app-dir is required";
    return false;
  }
  const ReportConfig config = StartingConfig(*app, host);
  r = RequestFromConfig(config, r.acquisitionFolder, *app);
  r.autoreport = true;  // batch: no document is opened
  if (auto v = args.Value("bin")) r.binText = *v;
  if (!ParseOperatorNumber(r.binText)) {
    error = "--bin must be a number of minutes";
    return false;
  }
  if (auto v = args.Value("file-type")) {
    if (!ParseIndex(*v, {"csv", "txt"}, r.layout.fileType)) {
      error = "--file-type must be csv or txt";
      return false;
    }
    r.layout.separator = SeparatorForFileType(r.layout.fileType, host);
  }
  if (auto v = args.Value("separator")) r.layout.separator = *v;
  if (auto v = args.Value("layout")) {
    if (!ParseIndex(*v, {"rows", "list", "warray", "charray"}, r.layout.layout)) {
      error = "--layout must be rows, list, warray or charray";
      return false;
    }
  }
  if (auto v = args.Value("statistics")) {
    r.layout.stdError = r.layout.stdDev = r.layout.wellCount = false;
    std::string list = *v + ",";
    for (size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
      std::string item = list.substr(start, comma - start);
      if (item == "error") r.layout.stdError = true;
      else if (item == "dev") r.layout.stdDev = true;
      else if (item == "n") r.layout.wellCount = true;
      else if (item != "none" && !item.empty()) {
        error = "--statistics takes error, dev, n or none";
        return false;
      }
    }
  }
  if (auto v = args.Value("basal")) {
    if (!BasalSelected(*v)) {
      error = "--basal names an acquisition folder (yyyymmdd_hhmm)";
      return false;
    }
    r.basalName = *v;
  }
  if (auto v = args.Value("basal-minutes")) {
    auto z = ParseInteger(*v, 1, 1'000'000'000);
    if (!z) {
      error = "--basal-minutes must be a whole number of minutes";
      return false;
    }
    r.basalAnswers.basalMinutes = *z;
  }
  r.basalAnswers.useProposedMinutes = true;
  const std::string zero = args.Value("zero-basal").value_or("stop");
  int mode = 0;
  if (!ParseIndex(zero, {"max", "average", "discard", "stop"}, mode)) {
    error = "--zero-basal must be max, average, discard or stop";
    return false;
  }
  if (mode == 3) {
    r.basalAnswers.declineZeroBasal = true;
  } else {
    r.basalAnswers.zeroBasalMode = static_cast<ZeroBasalMode>(mode);
  }

  if (auto v = args.Value("organism")) {
    if (!ParseIndex(*v, {"elegans", "zebrafish", "echinococcus", "drosophila"}, r.organism)) {
      error = "--organism must be elegans, zebrafish, echinococcus or drosophila";
      return false;
    }
    ReportOrganismDefaults d = DefaultsForOrganism(r.organism);
    r.method = d.method;
    r.thresholdText = d.thresholdText;
  }
  if (auto v = args.Value("method")) {
    if (!ParseIndex(*v, {"0", "1", "2", "3"}, r.method)) {
      error = "--method must be 0, 1, 2 or 3";
      return false;
    }
  }
  if (auto v = args.Value("threshold")) {
    std::string typed = *v;
    for (char& c : typed) {
      if (c == ',') c = '.';
    }
    if (CheckThresholdText(r.organism, typed) != typed) {
      error = r.organism == 3 ? "--threshold must lie in 0.5..1 for drosophila" : "--threshold must lie in 1.1..6";
      return false;
    }
    r.thresholdText = typed;
  }
  r.thresholdText = CheckThresholdText(r.organism, r.thresholdText);
  if (auto v = args.Value("lapse")) {
    if (!ParseOperatorNumber(*v)) {
      error = "--lapse must be a number of hours";
      return false;
    }
    r.dataLapseText = *v;
  }
  r.replaceData = args.Has("replace");
  r.replaceConfirmed = r.replaceData;  // --replace is the operator's answer
  if (args.Has("export-raw")) {
    if (r.replaceData) {
      error = "--export-raw and --replace exclude each other (Export Raw clears Replace old data)";
      return false;
    }
    CheckExportRaw(r);
  }
  return true;
}

void ProgressStatus::SetStatus(std::string_view where, std::string_view text) {
  // The stages of a report and the files of an export are for the window's progress line; the
  // command line prints what was written when the work ends.
  if (quiet_ || text.empty() || where == report_text::kProgressLabel) return;
  const bool tty = ::isatty(STDOUT_FILENO) != 0;
  long done = 0, total = 0;
  if (text.rfind("Block ", 0) == 0 && std::sscanf(std::string(text).c_str(), "Block %ld/%ld", &done, &total) == 2 &&
      total > 0) {
    if (tty) {
      std::cout << "\r  " << text << "   " << std::flush;
      open_ = true;
      return;
    }
    const long tenth = done * 10 / total;
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    std::cout << "  " << text << "\n" << std::flush;
    return;
  }
  Finish();
  std::cout << "  " << text << "\n" << std::flush;
}

void ProgressStatus::Finish() {
  if (open_) std::cout << "\n";
  open_ = false;
  lastTenth_ = -1;
}

int ForEachAcquisition(int argc, char** argv, const char* usage, const std::set<std::string>& extraFlags,
                       const std::set<std::string>& extraValues,
                       int (*one)(const CliArgs& args, const std::filesystem::path& folder, ReportHost& host)) {
  std::set<std::string> values = ReportValueOptions();
  values.insert(extraValues.begin(), extraValues.end());
  CliArgs args(argc, argv, 1, values);
  std::set<std::string> flags = extraFlags;
  flags.insert("quiet");
  args.Allow(flags);
  if (args.Has("help")) {
    std::cout << usage;
    return 0;
  }
  if (!args.errors().empty() || args.positional().empty()) {
    for (const auto& e : args.errors()) std::cerr << "movexa-cli: " << e << "\n";
    if (args.positional().empty()) std::cerr << "movexa-cli: no acquisition folder given\n";
    std::cerr << usage;
    return 2;
  }
  int status = 0;
  for (const auto& folder : args.positional()) {
    ReportHost host(args.Has("quiet"));
    std::cout << folder << ":\n";
    int r = one(args, FolderArgument(folder), host);
    host.progress.Finish();
    if (r == 2) return 2;
    if (r != 0) status = 1;
  }
  return status;
}

}  // namespace movexa::cli
