// movexa-cli actogram and periodogram: double-plotted actogram matrices, and periodograms with
// their peak table and group summary, of a run.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <system_error>

#include "analysis/rhythm_files.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/analysis_cli.h"
#include "cli/commands.h"

namespace movexa::cli {

namespace {

const char* kThreadsHelp = "  --threads N           threads to compute on (default: every core)\n";

std::string ActogramUsage() {
  return std::string(
             "usage: movexa-cli actogram [--period HOURS] [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Double-plotted actograms: row r shows day r on the left half and day r + 1 on the\n"
             "right half, days starting at ZT0; D days give D rows, the last with an empty right\n"
             "half. Writes every well's matrix to actogram_wells_values.csv and its heights (value "
             "/\n"
             "the largest value of the well's actogram) to actogram_wells_heights.csv, and the "
             "group\n"
             "means per bin to actogram_groups_values.csv and actogram_groups_heights.csv.\n\n"
             "  --period HOURS        length of a row half (default 24): a free-running animal on "
             "its\n"
             "                        own period; taken as a whole number of bins, files named\n"
             "                        with the period (actogram_wells_values_25h.csv)\n") +
         kThreadsHelp + AnalysisOptionsHelp();
}

std::string PeriodogramUsage() {
  return std::string(
             "usage: movexa-cli periodogram [--method chi2|ls|acf] [--range 16-32] [--alpha 0.01]\n"
             "                              [--variant classic] [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Periodograms of every well over a range of periods in steps of one bin, with the\n"
             "significance line at alpha, the peaks above it (up to 3) and per group the mean, "
             "median\n"
             "and SEM of the peak period with N rhythmic of N. Writes periodogram_<method>.csv "
             "(every\n"
             "well's values against the line), periodogram_<method>_peaks.csv and\n"
             "periodogram_<method>_groups.csv.\n\n"
             "  --method chi2|ls|acf  chi-square (Sokolove-Bushell, default), Lomb-Scargle "
             "(Baluev\n"
             "                        false-alarm probability; analyses the measured bins of a "
             "run\n"
             "                        with gaps) or autocorrelation (line z_{1-alpha} / sqrt(N))\n"
             "  --variant classic     chi-square over complete cycles only, line chi2_{1-alpha}(P "
             "- 1);\n"
             "                        default: all data, df = P, Sidak-corrected alpha over the\n"
             "                        periods tested\n"
             "  --range LOW-HIGH      periods tested, hours (default 16-32)\n"
             "  --alpha A             significance level (default 0.01)\n") +
         kThreadsHelp + AnalysisOptionsHelp();
}

// Progress of the rhythm steps: silent for work done within a second, then a few updates a
// second through the command's progress line.
class StepProgress {
 public:
  explicit StepProgress(AnalysisCommand& command) : command_(command) {}
  void operator()(const std::string& step, size_t done, size_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - shown_ < std::chrono::milliseconds(200))
      return;
    shown_ = now;
    command_.Progress(step + ": " + std::to_string(done) + " of " + std::to_string(total) +
                      " wells");
  }

 private:
  AnalysisCommand& command_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_{};
};

using RhythmWriter = std::function<RhythmFiles(
    const ActivityTable&, const std::filesystem::path& folder, WorkerPool&, const RhythmProgress&)>;

// The rest of a rhythm command once its own options are read: --threads, loading the run, the
// output folder, the files written over the pool with progress, and what they state.
int LoadAndWrite(AnalysisCommand& command, const std::string& usage, const RhythmWriter& write) {
  int threads = 0;  // every core
  if (const auto text = command.args().Value("threads")) {
    const auto n = ParseInteger(*text, 1, 64);
    if (!n) {
      std::fprintf(stderr, "movexa-cli %s: --threads takes a whole number, 1 to 64\n%s",
                   command.command(), usage.c_str());
      return 2;
    }
    threads = static_cast<int>(*n);
  }
  ActivityTable table;
  if (!command.Load(table)) return 1;
  const auto folder = command.OutFolder(table);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!IsDirectory(folder)) {
    std::fprintf(stderr, "movexa-cli %s: %s: cannot create the folder (%s)\n", command.command(),
                 folder.string().c_str(), ec.message().c_str());
    return 1;
  }
  WorkerPool pool(threads);
  StepProgress progress(command);
  const RhythmFiles files = write(table, folder, pool, std::ref(progress));
  command.Finish();
  if (!files.ok) {
    std::fprintf(stderr, "movexa-cli %s: %s\n", command.command(), files.error.c_str());
    return 1;
  }
  for (const auto& path : files.written) std::cout << "wrote " << path.string() << "\n";
  for (const auto& line : files.lines) std::cout << line << "\n";
  return 0;
}

// "16-32" as two positive hours, low <= high.
bool ParseRange(const std::string& text, double& low, double& high) {
  const size_t dash = text.find('-', 1);
  if (dash == std::string::npos) return false;
  const auto a = ParseOperatorNumber(text.substr(0, dash));
  const auto b = ParseOperatorNumber(text.substr(dash + 1));
  if (!a || !b || !(*a > 0) || !(*b >= *a) || !std::isfinite(*b)) return false;
  low = *a;
  high = *b;
  return true;
}

}  // namespace

int RunActogram(int argc, char** argv) {
  AnalysisCommand command(argc, argv, {"period", "threads"}, {});
  const std::string usage = ActogramUsage();
  if (auto code = command.Prepare("actogram", usage.c_str())) return *code;
  double period = 24.0;
  if (auto text = command.args().Value("period")) {
    const auto parsed = ParseOperatorNumber(*text);
    if (!parsed || !(*parsed > 0) || !(*parsed <= 1000)) {
      std::fprintf(stderr, "movexa-cli actogram: --period takes hours above 0 (at most 1000)\n%s",
                   usage.c_str());
      return 2;
    }
    period = *parsed;
  }
  return LoadAndWrite(command, usage,
                      [&](const ActivityTable& table, const std::filesystem::path& folder,
                          WorkerPool& pool, const RhythmProgress& progress) {
                        return WriteActogramFiles(table, period, folder, pool, progress);
                      });
}

int RunPeriodogram(int argc, char** argv) {
  AnalysisCommand command(argc, argv, {"method", "variant", "range", "alpha", "threads"}, {});
  const std::string usage = PeriodogramUsage();
  if (auto code = command.Prepare("periodogram", usage.c_str())) return *code;
  const auto& args = command.args();
  auto refuse = [&](const char* why) {
    std::fprintf(stderr, "movexa-cli periodogram: %s\n%s", why, usage.c_str());
    return 2;
  };
  PeriodogramOptions options;
  const std::string method = args.Value("method").value_or("chi2");
  if (method == "chi2") {
    options.method = PeriodogramMethod::kChiSquare;
  } else if (method == "ls") {
    options.method = PeriodogramMethod::kLombScargle;
  } else if (method == "acf") {
    options.method = PeriodogramMethod::kAutocorrelation;
  } else {
    return refuse("--method takes chi2, ls or acf");
  }
  if (auto variant = args.Value("variant")) {
    if (options.method != PeriodogramMethod::kChiSquare)
      return refuse("--variant belongs to --method chi2");
    if (*variant == "classic") {
      options.variant = ChiSquareVariant::kClassic;
    } else if (*variant != "all") {
      return refuse("--variant takes classic (or all, the default)");
    }
  }
  if (auto range = args.Value("range")) {
    if (!ParseRange(*range, options.minPeriodHours, options.maxPeriodHours)) {
      return refuse("--range takes two hours LOW-HIGH with 0 < LOW <= HIGH (16-32)");
    }
  }
  if (auto alpha = args.Value("alpha")) {
    const auto parsed = ParseOperatorNumber(*alpha);
    if (!parsed || !(*parsed > 0) || !(*parsed < 1))
      return refuse("--alpha takes a level between 0 and 1");
    options.alpha = *parsed;
  }
  return LoadAndWrite(command, usage,
                      [&](const ActivityTable& table, const std::filesystem::path& folder,
                          WorkerPool& pool, const RhythmProgress& progress) {
                        return WritePeriodogramFiles(table, options, folder, pool, progress);
                      });
}

}  // namespace movexa::cli
