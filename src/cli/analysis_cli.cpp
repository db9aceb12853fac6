// Options, loading, progress and output files of the analysis commands.
#include "cli/analysis_cli.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "analysis/analysis_csv.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/offline_cli.h"

namespace movexa::cli {

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kSharedValues = {"app-dir", "lights-on", "lights-off", "out"};

std::set<std::string> Joined(std::set<std::string> a, const std::set<std::string>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

}  // namespace

const char* AnalysisOptionsHelp(bool withOutFolder) {
  static const std::string kRun =
      "  ACQUISITION_FOLDER... one acquisition, a joined one, or several of one project taken\n"
      "                        as one run (placed by the start times in their folder names)\n"
      "  --app-dir DIR         application folder (plate-format files); default: two levels\n"
      "                        above the acquisition\n"
      "  --lights-on HH:MM --lights-off HH:MM\n"
      "                        the animals' light schedule (default: the acquisition's light\n"
      "                        hours); --lights-off never = constant light, --lights-on never =\n"
      "                        constant darkness\n";
  static const std::string kWithOut =
      kRun +
      "  --out DIR             output folder (default: \"analysis\" in the earliest acquisition)\n"
      "  --quiet               no progress line\n";
  static const std::string kWithoutOut = kRun + "  --quiet               no progress line\n";
  return withOutFolder ? kWithOut.c_str() : kWithoutOut.c_str();
}

bool PeriodogramOptionsFrom(const CliArgs& args, PeriodogramOptions& options, std::string& error) {
  const std::string method = args.Value("method").value_or("chi2");
  if (method == "chi2") {
    options.method = PeriodogramMethod::kChiSquare;
  } else if (method == "ls") {
    options.method = PeriodogramMethod::kLombScargle;
  } else if (method == "acf") {
    options.method = PeriodogramMethod::kAutocorrelation;
  } else {
    error = "--method takes chi2, ls or acf";
    return false;
  }
  if (auto variant = args.Value("variant")) {
    if (options.method != PeriodogramMethod::kChiSquare) {
      error = "--variant belongs to --method chi2";
      return false;
    }
    if (*variant == "classic") {
      options.variant = ChiSquareVariant::kClassic;
    } else if (*variant != "all") {
      error = "--variant takes classic (or all, the default)";
      return false;
    }
  }
  if (auto range = args.Value("range")) {
    // "16-32": two positive hours, low <= high.
    const size_t dash = range->find('-', 1);
    const auto low =
        dash == std::string::npos ? std::nullopt : ParseOperatorNumber(range->substr(0, dash));
    const auto high =
        dash == std::string::npos ? std::nullopt : ParseOperatorNumber(range->substr(dash + 1));
    if (!low || !high || !(*low > 0) || !(*high >= *low) || !std::isfinite(*high)) {
      error = "--range takes two hours LOW-HIGH with 0 < LOW <= HIGH (16-32)";
      return false;
    }
    options.minPeriodHours = *low;
    options.maxPeriodHours = *high;
  }
  if (auto alpha = args.Value("alpha")) {
    const auto parsed = ParseOperatorNumber(*alpha);
    if (!parsed || !(*parsed > 0) || !(*parsed < 1)) {
      error = "--alpha takes a level between 0 and 1";
      return false;
    }
    options.alpha = *parsed;
  }
  return true;
}

std::optional<int> ParseClockTime(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3)
    return std::nullopt;
  int hour = 0;
  int minute = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == colon) continue;
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    (i < colon ? hour : minute) = (i < colon ? hour : minute) * 10 + (text[i] - '0');
  }
  if (hour > 23 || minute > 59) return std::nullopt;
  return hour * 60 + minute;
}

std::optional<LightRegime> LightOptions(const CliArgs& args, std::string& error) {
  auto on = args.Value("lights-on");
  auto off = args.Value("lights-off");
  if (!on && !off) return std::nullopt;
  if (!on || !off) {
    error = "--lights-on and --lights-off go together";
    return std::nullopt;
  }
  LightRegime light;
  light.origin = "the schedule given with --lights-on " + *on + " --lights-off " + *off;
  if (*on == "never" && *off == "never") {
    error = "--lights-on and --lights-off cannot both be never";
    return std::nullopt;
  }
  if (*off == "never" || *on == "never") {
    light.kind = *off == "never" ? LightKind::kConstantLight : LightKind::kConstantDark;
    const std::string& other = *off == "never" ? *on : *off;
    if (!ParseClockTime(other) && other != "never") {
      error = "--lights-on and --lights-off take a time HH:MM or never";
      return std::nullopt;
    }
    return light;
  }
  auto onMinute = ParseClockTime(*on);
  auto offMinute = ParseClockTime(*off);
  if (!onMinute || !offMinute) {
    error = "--lights-on and --lights-off take a time HH:MM or never";
    return std::nullopt;
  }
  if (*onMinute == *offMinute) {
    error =
        "--lights-on and --lights-off are the same time; for constant light give "
        "--lights-off never, for constant darkness --lights-on never";
    return std::nullopt;
  }
  light.onMinute = *onMinute;
  light.offMinute = *offMinute;
  return light;
}

AnalysisCommand::AnalysisCommand(int argc, char** argv, const std::set<std::string>& values,
                                 const std::set<std::string>& flags)
    : args_(argc, argv, 1, Joined(kSharedValues, values)) {
  args_.Allow(Joined({"quiet"}, flags));
}

std::optional<int> AnalysisCommand::Prepare(const char* command, const char* usage) {
  command_ = command;
  if (args_.Has("help")) {
    std::fputs(usage, stdout);
    return 0;
  }
  std::vector<std::string> errors = args_.errors();
  if (args_.positional().empty()) errors.push_back("no acquisition folder given");
  std::string lightError;
  light_ = LightOptions(args_, lightError);
  if (!lightError.empty()) errors.push_back(lightError);
  if (!errors.empty()) {
    for (const auto& e : errors) std::fprintf(stderr, "movexa-cli %s: %s\n", command, e.c_str());
    std::fputs(usage, stderr);
    return 2;
  }
  quiet_ = args_.Has("quiet");
  for (const auto& text : args_.positional()) {
    acquisitions_.push_back(FolderArgument(text, args_.Value("app-dir")));
  }
  appDir_ = OfflineAppDir(args_.Value("app-dir"), acquisitions_.front());
  return std::nullopt;
}

void AnalysisCommand::Progress(const std::string& text) {
  if (quiet_) return;
  if (::isatty(STDOUT_FILENO) != 0) {
    std::cout << "\r  " << text << "    " << std::flush;
    open_ = true;
  } else {
    std::cout << "  " << text << "\n" << std::flush;
  }
}

void AnalysisCommand::Finish() {
  if (open_) std::cout << "\n" << std::flush;
  open_ = false;
}

bool AnalysisCommand::Load(ActivityTable& table) {
  ActivityLoadOptions options;
  options.appFolder = appDir_;
  options.light = light_;
  options.progress = [this](const std::string& text) { Progress(text); };
  ActivityLoad load = LoadActivityTable(acquisitions_, options);
  Finish();
  if (!load.ok) {
    std::fprintf(stderr, "movexa-cli %s: %s\n", command_, load.error.c_str());
    return false;
  }
  table = std::move(load.table);
  for (const auto& source : table.sources) std::cout << "run: " << source << "\n";
  std::cout << "bins: " << table.BinCount() << " of " << table.binMinutes
            << " min; light: " << table.light.Text() << ", from " << table.light.origin << "\n";
  for (const auto& note : table.notes) std::cout << "note: " << note << "\n";
  return true;
}

fs::path AnalysisCommand::OutFolder(const ActivityTable& table) const {
  if (auto out = args_.Value("out")) return NormaliseFolder(*out);
  std::string name = "analysis";
  for (size_t i = 1; i < table.acquisitions.size(); ++i)
    name += "+" + table.acquisitions[i].filename().string();
  return table.acquisitions.front() / name;
}

bool AnalysisCommand::Write(const ActivityTable& table, const std::string& name,
                            const std::string& content) {
  const fs::path folder = OutFolder(table);
  std::error_code ec;
  fs::create_directories(folder, ec);
  std::string error;
  if (!IsDirectory(folder)) {
    std::fprintf(stderr, "movexa-cli %s: %s: cannot create the folder (%s)\n", command_,
                 folder.string().c_str(), ec.message().c_str());
    return false;
  }
  if (!WriteOutputFile(folder / name, content, error)) {
    std::fprintf(stderr, "movexa-cli %s: %s\n", command_, error.c_str());
    return false;
  }
  std::cout << "wrote " << (folder / name).string() << "\n";
  return true;
}

void StepProgress::operator()(const std::string& step, size_t done, size_t total) {
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - shown_ < std::chrono::milliseconds(200))
    return;
  shown_ = now;
  command_.Progress(step + ": " + std::to_string(done) + " of " + std::to_string(total) + " wells");
}

}  // namespace movexa::cli
