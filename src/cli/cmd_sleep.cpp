// movexa-cli sleep: sleep and rest per well, window and group with the fly or fish preset.
#include <cstdio>
#include <iostream>

#include "analysis/analysis_csv.h"
#include "analysis/sleep.h"
#include "cli/analysis_cli.h"
#include "cli/commands.h"

namespace movexa::cli {

namespace {

std::string Usage() {
  return std::string(
             "usage: movexa-cli sleep --preset fly|fish [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Scores sleep (fly preset: zero-count runs of at least 5 minutes) or rest (fish "
             "preset:\n"
             "every zero-count 1-minute bin) over the run, and writes per well and window (the "
             "whole\n"
             "run, each light and dark phase of each day) sleep minutes, bouts, latency, waking\n"
             "activity and brief awakenings to sleep_<preset>_wells.csv, and per group the mean, "
             "SD,\n"
             "SEM and N over animals to sleep_<preset>_groups.csv. Bins longer than the rule are\n"
             "refused.\n\n"
             "  --preset fly|fish     the rule (required)\n") +
         AnalysisOptionsHelp();
}

}  // namespace

int RunSleep(int argc, char** argv) {
  AnalysisCommand command(argc, argv, {"preset"}, {});
  const std::string usage = Usage();
  if (auto code = command.Prepare("sleep", usage.c_str())) return *code;
  const auto preset = command.args().Value("preset");
  if (!preset || (*preset != "fly" && *preset != "fish")) {
    std::fprintf(stderr, "movexa-cli sleep: --preset fly or --preset fish is required\n%s",
                 usage.c_str());
    return 2;
  }
  ActivityTable table;
  if (!command.Load(table)) return 1;
  const SleepAnalysis sleep =
      AnalyseSleep(table, *preset == "fly" ? SleepPreset::kFly : SleepPreset::kFish);
  if (!sleep.ok) {
    std::fprintf(stderr, "movexa-cli sleep: %s\n", sleep.error.c_str());
    return 1;
  }
  if (!command.Write(table, "sleep_" + *preset + "_wells.csv", SleepWellsCsv(table, sleep)) ||
      !command.Write(table, "sleep_" + *preset + "_groups.csv", SleepGroupsCsv(table, sleep))) {
    return 1;
  }
  std::cout << (*preset == "fly" ? "sleep" : "rest")
            << " over the whole run, minutes per animal:\n";
  for (const auto& group : table.groups) {
    std::vector<double> minutes;
    for (size_t w : group.wells) {
      if (sleep.wells[w][0].measuredMinutes > 0)
        minutes.push_back(static_cast<double>(sleep.wells[w][0].sleepMinutes));
    }
    const Summary s = Summarise(minutes);
    std::cout << "  " << group.label << ": mean " << (s.n > 0 ? Decimal(s.mean) : "-") << ", SEM "
              << (s.n > 1 ? Decimal(s.sem) : "-") << ", N " << s.n << "\n";
  }
  return 0;
}

}  // namespace movexa::cli
