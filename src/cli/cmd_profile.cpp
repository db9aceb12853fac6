// movexa-cli profile: the average day per well and per group.
#include <cstdio>
#include <iostream>

#include "analysis/day_profile.h"
#include "base/text_records.h"
#include "cli/analysis_cli.h"
#include "cli/commands.h"

namespace movexa::cli {

namespace {

std::string Usage() {
  return std::string(
             "usage: movexa-cli profile [--bin MINUTES] [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Folds each animal's activity on the 24-hour day from ZT0 (lights on), sums it into\n"
             "profile bins and averages over the days that measured the whole bin; writes the "
             "animals'\n"
             "profiles to profile_wells.csv and per group the mean, SD, SEM and N over animals to\n"
             "profile_groups.csv.\n\n"
             "  --bin MINUTES         profile bin (default 30); a whole number of the run's bins "
             "that\n"
             "                        divides the day\n") +
         AnalysisOptionsHelp();
}

}  // namespace

int RunProfile(int argc, char** argv) {
  AnalysisCommand command(argc, argv, {"bin"}, {});
  const std::string usage = Usage();
  if (auto code = command.Prepare("profile", usage.c_str())) return *code;
  int64_t bin = kDefaultProfileBinMinutes;
  if (auto text = command.args().Value("bin")) {
    auto parsed = ParseInteger(*text, 1, 1440);
    if (!parsed) {
      std::fprintf(stderr, "movexa-cli profile: --bin takes whole minutes, 1 to 1440\n%s",
                   usage.c_str());
      return 2;
    }
    bin = *parsed;
  }
  ActivityTable table;
  if (!command.Load(table)) return 1;
  const DayProfile profile = ComputeDayProfile(table, bin);
  if (!profile.ok) {
    std::fprintf(stderr, "movexa-cli profile: %s\n", profile.error.c_str());
    return 1;
  }
  if (!command.Write(table, "profile_wells.csv", ProfileWellsCsv(table, profile)) ||
      !command.Write(table, "profile_groups.csv", ProfileGroupsCsv(table, profile))) {
    return 1;
  }
  int64_t fewest = -1;
  for (int64_t d : profile.daysPerSlot) fewest = fewest < 0 ? d : std::min(fewest, d);
  std::cout << profile.slots << " profile bins of " << bin << " min; " << fewest
            << " day(s) at least behind each\n";
  return 0;
}

}  // namespace movexa::cli
