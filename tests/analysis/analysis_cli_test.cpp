// movexa-cli export-dam, sleep and profile end to end on generated acquisitions: the files and
// numbers they write, several acquisitions as one run, the light options, and bad input.
#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis_fixture.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::PlateRun;
using test::ReadFileOrDie;
using test::TempDir;

struct CliResult {
  int code = -1;
  std::string output;
};

CliResult Cli(const std::string& arguments, const fs::path& log) {
  const std::string command =
      std::string(MOVEXA_CLI_PATH) + " " + arguments + " >'" + log.string() + "' 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileOrDie(log)};
}

std::string Q(const fs::path& p) {
  return "'" + p.string() + "'";
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Two days from 08:00, lights 08:00-20:00, two records a minute. Group "Sleepy" (A1, B1) rests
// in the first 10 minutes of every hour and counts 1 a minute otherwise; "Busy" (A2) counts 2
// a minute throughout.
struct TwoDays {
  explicit TwoDays(const fs::path& root) : run(root) {
    run.FreeAll();
    run.Assign(0, "Sleepy", {"A1", "B1"});
    run.Assign(1, "Busy", {"A2"});
    run.Light(true, 8, 20);
    const int a2 = run.WellNumber("A2");
    folder = run.Write("20261207_0800", test::MinuteRecords(run, 48 * 60, 2, [a2](int w, int m) {
                         if (w == a2) return 2;
                         if (w <= 1) return m % 60 < 10 ? 0 : 1;
                         return 0;
                       }));
  }
  PlateRun run;
  fs::path folder;
};

TEST(AnalysisCli, ExportSleepAndProfileOnAGeneratedRun) {
  TempDir dir;
  TwoDays days(dir.path());
  const auto log = dir / "log.txt";
  const std::string acq = " " + Q(days.folder);

  CliResult r = Cli("export-dam --quiet" + acq, log);
  ASSERT_EQ(r.code, 0) << r.output;
  const fs::path out = days.folder / "analysis";
  for (const char* f : {"Monitor01.txt", "Monitor02.txt", "Monitor03.txt", "metadata.csv",
                        "data.csv", "quality.csv"}) {
    EXPECT_TRUE(fs::exists(out / f)) << f;
  }
  EXPECT_TRUE(Has(r.output, "quality check:\n  2880 bins of 1 min measured")) << r.output;
  EXPECT_TRUE(
      Has(r.output,
          "duplicated bin times: 0; missing bins: 0; largest gap: 1 min; bin length regular"));
  EXPECT_TRUE(Has(r.output, "light: lights on 08:00, off 20:00"));

  r = Cli("sleep --preset fly" + acq, log);
  ASSERT_EQ(r.code, 0) << r.output;
  const std::string groups = ReadFileOrDie(out / "sleep_fly_groups.csv");
  // 48 bouts of 10 minutes, 12 in each light and dark phase.
  EXPECT_TRUE(Has(groups, "000_Sleepy,whole run,0,run,0,2880,no,sleep_min,480,0,0,2\r\n"))
      << groups.substr(0, 3000);
  EXPECT_TRUE(Has(groups, "000_Sleepy,day 1 light,1,light,0,720,no,bouts,12,0,0,2\r\n"));
  EXPECT_TRUE(Has(groups, "000_Sleepy,day 2 dark,2,dark,2160,2880,no,sleep_min,120,0,0,2\r\n"));
  EXPECT_TRUE(Has(groups, "000_Sleepy,whole run,0,run,0,2880,no,waking_activity,1,0,0,2\r\n"));
  EXPECT_TRUE(Has(groups, "001_Busy,whole run,0,run,0,2880,no,sleep_min,0,,,1\r\n"));
  EXPECT_TRUE(
      Has(groups,
          "# bins: 1 min; 1-min bins; a bin holds every record that closed within that minute"));
  EXPECT_TRUE(Has(groups,
                  "# light schedule: lights on 08:00, off 20:00, from the acquisition's light "
                  "hours (light control on"));
  EXPECT_TRUE(Has(r.output, "000_Sleepy: mean 480, SEM 0, N 2"));
  EXPECT_TRUE(Has(ReadFileOrDie(out / "sleep_fly_wells.csv"),
                  "\r\nB1,000_Sleepy,whole run,0,run,0,2880,no,2880,480,48,10,10,1,0,"));

  r = Cli("profile --bin 60" + acq, log);
  ASSERT_EQ(r.code, 0) << r.output;
  const std::string profile = ReadFileOrDie(out / "profile_groups.csv");
  EXPECT_TRUE(Has(profile, "000_Sleepy,0,0,08:00,1,50,0,0,2,2\r\n")) << profile.substr(0, 3000);
  EXPECT_TRUE(Has(profile, "001_Busy,13,13,21:00,0,120,,,1,2\r\n"));
  EXPECT_TRUE(Has(r.output, "24 profile bins of 60 min; 2 day(s) at least behind each"));

  // A schedule given by the user overrides the acquisition's, and is stated.
  r = Cli("profile --lights-on 20:00 --lights-off 08:00 --out " + Q(dir / "night") + acq, log);
  ASSERT_EQ(r.code, 0) << r.output;
  const std::string night = ReadFileOrDie(dir / "night" / "profile_groups.csv");
  EXPECT_TRUE(Has(night, "000_Sleepy,0,0,20:00,1,20,0,0,2,2\r\n")) << night.substr(0, 3000);
  r = Cli("sleep --preset fish --lights-on 08:00 --lights-off never --out " + Q(dir / "ll") + acq,
          log);
  ASSERT_EQ(r.code, 0) << r.output;
  const std::string ll = ReadFileOrDie(dir / "ll" / "sleep_fish_groups.csv");
  EXPECT_TRUE(Has(ll,
                  "# light schedule: constant light (the lights never turn off), from the schedule "
                  "given with"));
  EXPECT_TRUE(Has(ll, "000_Sleepy,day 2 light,2,light,1440,2880,no,sleep_min,240,0,0,2\r\n"))
      << ll.substr(0, 2000);
}

TEST(AnalysisCli, SeveralAcquisitionsAreOneRunWithTheirOwnFolder) {
  TempDir dir;
  PlateRun run(dir.path());
  const auto first =
      run.Write("20261207_0900", test::MinuteRecords(run, 30, 3, [](int, int) { return 1; }));
  const auto second =
      run.Write("20261207_1000", test::MinuteRecords(run, 30, 3, [](int, int) { return 1; }));
  const auto log = dir / "log.txt";
  CliResult r = Cli("export-dam --app-dir " + Q(run.app) + " " + Q(second) + " " + Q(first), log);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "missing bins: 30; largest gap: 31 min")) << r.output;
  EXPECT_TRUE(fs::exists(first / "analysis+20261207_1000" / "metadata.csv"));
  // Relative folders inside --app-dir, as the other offline commands take them.
  r = Cli("profile --app-dir " + Q(run.app) + " p00001/20261207_0900 --out " + Q(dir / "p"), log);
  EXPECT_EQ(r.code, 0) << r.output;
}

TEST(AnalysisCli, BadInputGetsAMessageAndAnExitCode) {
  TempDir dir;
  PlateRun run(dir.path());
  const auto good =
      run.Write("20261207_0900", test::MinuteRecords(run, 10, 2, [](int, int) { return 0; }));
  const auto empty = run.Write("20261207_1000", {});
  std::vector<CountsRecord> fiveMinutes;
  for (int k = 1; k <= 20; ++k) fiveMinutes.push_back(run.Record(5 * k, [](int) { return 1; }));
  const auto coarse = run.Write("20261207_1100", fiveMinutes);
  const auto log = dir / "log.txt";

  CliResult r = Cli("export-dam " + Q(empty), log);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.output, "nothing was recorded")) << r.output;
  r = Cli("sleep --preset fish " + Q(coarse), log);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(
      Has(r.output,
          "The fish preset (1-minute rule) needs bins of at most 1 min; this run's bins are 5 min"))
      << r.output;
  EXPECT_FALSE(fs::exists(coarse / "analysis" / "sleep_fish_wells.csv"));
  r = Cli("sleep --preset fly " + Q(coarse), log);
  EXPECT_EQ(r.code, 0) << r.output;
  r = Cli("profile --bin 7 " + Q(good), log);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.output, "divide the 24-hour day"));
  r = Cli("export-dam " + Q(dir / "nowhere"), log);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.output, "no such acquisition folder"));

  // Usage errors.
  EXPECT_EQ(Cli("sleep " + Q(good), log).code, 2);
  EXPECT_EQ(Cli("sleep --preset cat " + Q(good), log).code, 2);
  r = Cli("profile --lights-on 08:00 --lights-off 08:00 " + Q(good), log);
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Has(r.output, "for constant light give --lights-off never"));
  EXPECT_EQ(Cli("profile --lights-on 08:00 " + Q(good), log).code, 2);
  EXPECT_EQ(Cli("profile --lights-on 25:00 --lights-off 08:00 " + Q(good), log).code, 2);
  EXPECT_EQ(Cli("profile --bin x " + Q(good), log).code, 2);
  EXPECT_EQ(Cli("export-dam", log).code, 2);
  EXPECT_EQ(Cli("export-dam --colour red " + Q(good), log).code, 2);
  r = Cli("export-dam --help", log);
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(Has(r.output, "--lights-on HH:MM --lights-off HH:MM"));
}

}  // namespace
}  // namespace movexa
