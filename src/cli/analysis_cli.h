// Shared plumbing of movexa-cli's analysis commands (export-dam, sleep, profile, and the rhythm
// commands): the acquisition folders taken as one run, --app-dir, the light schedule given
// with --lights-on/--lights-off, the output folder --out, --quiet, loading the run with a
// progress line, and writing the output files.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "analysis/activity_table.h"
#include "analysis/periodogram.h"
#include "cli/cli_args.h"

namespace movexa::cli {

// Help text of the shared options, for each command's usage (without --out for a command whose
// --out is a file).
const char* AnalysisOptionsHelp(bool withOutFolder = true);

// The periodogram options --method chi2|ls|acf, --variant classic|all, --range LOW-HIGH and
// --alpha A over the defaults in `options`; false with the reason in `error`.
bool PeriodogramOptionsFrom(const CliArgs& args, PeriodogramOptions& options, std::string& error);

// "HH:MM" (or "H:MM") as minutes after midnight; nullopt when it is no time of day.
std::optional<int> ParseClockTime(const std::string& text);

// The schedule of --lights-on and --lights-off: both times of day, or "never" for one of them
// (--lights-off never: constant light; --lights-on never: constant darkness). nullopt without
// either option; `error` is set when they are incomplete or invalid (equal times included).
std::optional<LightRegime> LightOptions(const CliArgs& args, std::string& error);

class AnalysisCommand {
 public:
  // `values` and `flags` are the command's own options besides the shared ones.
  AnalysisCommand(int argc, char** argv, const std::set<std::string>& values,
                  const std::set<std::string>& flags);

  // Handles --help (0) and usage errors (2, printed with `usage`); nullopt when the command
  // goes on with acquisitions(), appDir() and light() set.
  std::optional<int> Prepare(const char* command, const char* usage);

  // Loads the run (progress and notes printed); false after printing why not.
  bool Load(ActivityTable& table);

  // Writes `content` as `name` in the output folder (--out, else "analysis" in the earliest
  // acquisition, or "analysis+<later folder>..." there for several); prints what was written.
  bool Write(const ActivityTable& table, const std::string& name, const std::string& content);
  std::filesystem::path OutFolder(const ActivityTable& table) const;

  // Prints a progress text: rewritten in place on a terminal, as lines otherwise; nothing with
  // --quiet. Finish() ends an open progress line.
  void Progress(const std::string& text);
  void Finish();

  const CliArgs& args() const { return args_; }
  const std::vector<std::filesystem::path>& acquisitions() const { return acquisitions_; }
  const std::filesystem::path& appDir() const { return appDir_; }
  const char* command() const { return command_; }

 private:
  CliArgs args_;
  const char* command_ = "";
  std::vector<std::filesystem::path> acquisitions_;
  std::filesystem::path appDir_;
  std::optional<LightRegime> light_;
  bool quiet_ = false;
  bool open_ = false;
};

// Progress of a long step through a command's progress line: silent for work done within a
// second, then a few updates a second ("actogram: 12 of 96 wells").
class StepProgress {
 public:
  explicit StepProgress(AnalysisCommand& command) : command_(command) {}
  void operator()(const std::string& step, size_t done, size_t total);

 private:
  AnalysisCommand& command_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_{};
};

}  // namespace movexa::cli
