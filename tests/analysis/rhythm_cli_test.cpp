// movexa-cli actogram and periodogram end to end on generated acquisitions: the files, the
// periods found, one thread against every core, stated results and usage errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "analysis_fixture.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::PlateRun;
using test::ReadFileOrDie;
using test::TempDir;

struct CliRun {
  int code = -1;
  std::string output;  // stdout and stderr
};

// movexa-cli with `words`, each passed as one argument.
CliRun MovexaCli(const std::vector<std::string>& words, const fs::path& log) {
  std::string command = MOVEXA_CLI_PATH;
  for (const auto& w : words) command += " '" + w + "'";
  command += " >'" + log.string() + "' 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileOrDie(log)};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The comma-separated cells of the data lines of a CSV (after "# " lines and the column line).
std::vector<std::vector<std::string>> Rows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(csv);
  bool columns = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("# ", 0) == 0) continue;
    if (!columns) {
      columns = true;
      continue;
    }
    std::vector<std::string> cells;
    std::istringstream cellsIn(line + ",");
    for (std::string cell; std::getline(cellsIn, cell, ',');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// `days` days of one record a minute from 09:00 (lights 09:00-21:00). Group "Long" (A1, B1)
// is active for the first half of a 25-hour cycle, "Short" (A2) of a 23.5-hour one; C1 never
// moves; every other well is free.
struct Rhythms {
  Rhythms(const fs::path& root, int days) : run(root) {
    run.FreeAll();
    run.Assign(1, "Long", {"A1", "B1"});
    run.Assign(2, "Short", {"A2"});
    run.Light(true, 9, 21);
    const int a1 = run.WellNumber("A1"), b1 = run.WellNumber("B1"), a2 = run.WellNumber("A2");
    folder = run.Write("20261207_0900", test::MinuteRecords(run, days * 1440, 1, [=](int w, int m) {
                         const int period = w == a2 ? 1410 : 1500;
                         const int noise = (m * 7 + w * 13) % 3;
                         if (w == a1 || w == b1 || w == a2)
                           return (m % period < period / 2 ? 5 : 0) + noise;
                         return 0;
                       }));
  }
  PlateRun run;
  fs::path folder;
};

TEST(RhythmCli, ActogramFilesOfAGeneratedRunAndAModuloPeriod) {
  TempDir dir;
  Rhythms r(dir.path(), 3);
  const auto log = dir / "log.txt";
  CliRun out = MovexaCli({"actogram", "--quiet", r.folder.string()}, log);
  ASSERT_EQ(out.code, 0) << out.output;
  EXPECT_TRUE(Contains(out.output, "actogram: 96 wells, 2 groups; 3 days as 3 rows")) << out.output;
  const fs::path analysis = r.folder / "analysis";
  for (const char* f : {"actogram_wells_values.csv", "actogram_wells_heights.csv",
                        "actogram_groups_values.csv", "actogram_groups_heights.csv"}) {
    EXPECT_TRUE(Contains(out.output, "wrote " + (analysis / f).string())) << f;
  }
  // Every well's rows: 2880 cells, the right half of a row is the left half of the next.
  const auto rows = Rows(ReadFileOrDie(analysis / "actogram_wells_values.csv"));
  ASSERT_EQ(rows.size(), 96u * 3);
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 4u + 2880);
    if (rows[i][0] != rows[i + 1][0]) continue;
    for (size_t c = 0; c < 1440; ++c)
      ASSERT_EQ(rows[i][4 + 1440 + c], rows[i + 1][4 + c]) << i << "," << c;
  }
  EXPECT_EQ(rows[0][0], "A1");
  EXPECT_EQ(rows[0][3], "2026-12-07 09:00:00");
  EXPECT_EQ(rows[2][4 + 1440], "");  // the last row's right half is empty
  const auto groups = Rows(ReadFileOrDie(analysis / "actogram_groups_values.csv"));
  ASSERT_EQ(groups.size(), 2u * 3);
  EXPECT_EQ(groups[0][0], "001_Long");
  EXPECT_EQ(groups[0][1], "2");

  out = MovexaCli(
      {"actogram", "--period", "25", "--out", (dir / "free").string(), r.folder.string()}, log);
  ASSERT_EQ(out.code, 0) << out.output;
  const auto free = Rows(ReadFileOrDie(dir / "free" / "actogram_wells_values_25h.csv"));
  ASSERT_EQ(free.size(), 96u * 3);  // 72 h on 25-h rows: 3 rows
  // On its own period the 25-hour animal starts each row active (5 or more).
  for (size_t row = 0; row < 3; ++row) EXPECT_GE(std::stoi(free[row][4]), 5) << row;
}

TEST(RhythmCli, PeriodogramsFindTheGeneratedPeriodsOnAnyNumberOfThreads) {
  TempDir dir;
  Rhythms r(dir.path(), 6);
  const auto log = dir / "log.txt";
  for (const std::string method : {"chi2", "ls", "acf"}) {
    CliRun out = MovexaCli({"periodogram", "--quiet", "--method", method, "--threads", "1", "--out",
                            (dir / "one").string(), r.folder.string()},
                           log);
    ASSERT_EQ(out.code, 0) << out.output;
    EXPECT_TRUE(Contains(out.output, "001_Long: 2 rhythmic of 2, peak period mean 25"))
        << out.output;
    EXPECT_TRUE(Contains(out.output, "002_Short: 1 rhythmic of 1, peak period mean 23.5"))
        << out.output;
    out = MovexaCli({"periodogram", "--method", method, r.folder.string()}, log);
    ASSERT_EQ(out.code, 0) << out.output;
    const std::string stem = "periodogram_" + method;
    for (const std::string suffix : {".csv", "_peaks.csv", "_groups.csv"}) {
      EXPECT_TRUE(ReadFileOrDie(dir / "one" / (stem + suffix)) ==
                  ReadFileOrDie(r.folder / "analysis" / (stem + suffix)))
          << stem + suffix << " differs between one thread and every core";
    }
    const auto peaks = Rows(ReadFileOrDie(r.folder / "analysis" / (stem + "_peaks.csv")));
    ASSERT_EQ(peaks.size(), 96u);
    EXPECT_EQ(peaks[0][0], "A1");
    EXPECT_EQ(peaks[0][3], "yes");
    EXPECT_NEAR(std::stod(peaks[0][4]), 25.0, 0.1) << method;
    EXPECT_EQ(peaks[2][0], "C1");
    EXPECT_EQ(peaks[2][2], "no variation");
    EXPECT_EQ(peaks[2][3], "no");
  }
  const std::string classic =
      ReadFileOrDie((MovexaCli({"periodogram", "--variant", "classic", r.folder.string()}, log),
                     r.folder / "analysis" / "periodogram_chi2_classic.csv"));
  EXPECT_TRUE(Contains(classic,
                       "# significance line: chi2 critical value with df = P - 1 at alpha = 0.01"));
}

TEST(RhythmCli, StatedResultsAndUsageErrors) {
  TempDir dir;
  Rhythms r(dir.path(), 1);
  const auto log = dir / "log.txt";
  const std::string acq = r.folder.string();
  CliRun out = MovexaCli({"periodogram", acq}, log);
  EXPECT_EQ(out.code, 0) << out.output;
  EXPECT_TRUE(Contains(out.output, "no period can be estimated")) << out.output;
  EXPECT_TRUE(Contains(out.output, "001_Long: 0 rhythmic of 2")) << out.output;
  out = MovexaCli({"periodogram", "--range", "0.01-0.02", acq}, log);
  EXPECT_EQ(out.code, 0) << out.output;
  EXPECT_TRUE(Contains(out.output, "at least 2 bins")) << out.output;
  out = MovexaCli({"periodogram", "--method", "fft", acq}, log);
  EXPECT_EQ(out.code, 2);
  EXPECT_TRUE(Contains(out.output, "--method takes chi2, ls or acf"));
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"periodogram", "--method", "ls", "--variant", "classic", acq},
           {"periodogram", "--variant", "partial", acq},
           {"periodogram", "--range", "32-16", acq},
           {"periodogram", "--range", "16", acq},
           {"periodogram", "--alpha", "1.5", acq},
           {"periodogram", "--threads", "0", acq},
           {"actogram", "--period", "0", acq},
           {"actogram", "--period", "x", acq},
           {"actogram"},
       }) {
    EXPECT_EQ(MovexaCli(words, log).code, 2) << words[1];
  }
  out = MovexaCli({"actogram", "--period", "0.005", acq}, log);  // 0.3 min: no whole bin
  EXPECT_EQ(out.code, 1);
  EXPECT_TRUE(Contains(out.output, "no actogram: the period is shorter than one bin"))
      << out.output;
  out = MovexaCli({"periodogram", "--help"}, log);
  EXPECT_EQ(out.code, 0);
  EXPECT_TRUE(Contains(out.output, "--variant classic"));
}

}  // namespace
}  // namespace movexa
