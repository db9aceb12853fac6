// movexa-cli report, reanalyze and circadian over several acquisitions in one call: the files
// they write, the questions they settle from flags, and their usage errors.
#include <gtest/gtest.h>

#include <cstdlib>

#include "report_fixture.h"
#include "reports/report_config.h"

namespace movexa {
namespace {

using test::ReadFileOrDie;

int RunCli(const std::string& arguments, const std::filesystem::path& log,
           const std::filesystem::path& workingFolder = {}) {
  const std::string cli = std::string(MOVEXA_BINARY_DIR) + "/src/cli/movexa-cli";
  const std::string cd = workingFolder.empty() ? "" : "cd '" + workingFolder.string() + "' && ";
  const std::string command = cd + cli + " " + arguments + " >'" + log.string() + "' 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliReports, ReportsSeveralAcquisitionsAndSettlesBasalQuestionsByFlags) {
  test::TempDir dir;
  auto main = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  auto basal = test::MakeAcquisition(dir.path(), "20240319_0900",
                                     test::Records({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                                    20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35},
                                                   [](int c, int) { return c < 2 ? int16_t{0} : int16_t{2}; }));
  const auto log = dir / "log.txt";
  const std::string app = " --app-dir '" + main.app.string() + "'";
  EXPECT_EQ(RunCli("report" + app + " --file-type txt --layout list --statistics error,dev,n '" + main.folder.string() +
                       "' '" + basal.folder.string() + "'",
                   log),
            0)
      << ReadFileOrDie(log);
  EXPECT_TRUE(std::filesystem::exists(main.folder / "report.txt"));
  EXPECT_TRUE(std::filesystem::exists(main.folder / "drug_A.txt"));
  EXPECT_NE(ReadFileOrDie(main.folder / "report.txt").find("90 \"000_Control\" "), std::string::npos);
  // A zero-basal well with the default "stop": no report, and the reason printed.
  EXPECT_EQ(RunCli("report" + app + " --basal 20240319_0900 --bin 30 '" + main.folder.string() + "'", log), 1);
  EXPECT_NE(ReadFileOrDie(log).find("1 BASAL WELLS with 0 activity"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(main.folder / "report.csv"));
  EXPECT_EQ(RunCli("report" + app + " --basal 20240319_0900 --zero-basal max '" + main.folder.string() + "'", log), 0)
      << ReadFileOrDie(log);
  EXPECT_NE(ReadFileOrDie(main.folder / "report.csv").find("***DATA AS % OF BASAL ACTIVITY***"), std::string::npos);
}

TEST(CliReports, CircadianAndUsageErrors) {
  test::TempDir dir;
  auto acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  const auto log = dir / "log.txt";
  const std::string app = " --app-dir '" + acq.app.string() + "'";
  EXPECT_EQ(RunCli("circadian" + app + " --per-channel '" + acq.folder.string() + "'", log), 0) << ReadFileOrDie(log);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "time.txt"), "1800 3600 5400\r\n");
  EXPECT_EQ(RunCli("circadian" + app + " '" + acq.folder.string() + "'", log), 0);
  EXPECT_TRUE(std::filesystem::exists(acq.folder / "003_B2.txt"));
  EXPECT_EQ(RunCli("report" + app + " --layout diagonal '" + acq.folder.string() + "'", log), 2);
  EXPECT_EQ(RunCli("reanalyze" + app + " --replace --export-raw '" + acq.folder.string() + "'", log), 2);
  EXPECT_EQ(RunCli("reanalyze" + app + " --organism drosophila --threshold 1.8 '" + acq.folder.string() + "'", log), 2);
  EXPECT_EQ(RunCli("report --bin 30 '" + acq.folder.string() + "'", log), 2);
  // No raw data: the re-analysis names the missing block and the counts stay as they were.
  const std::string counts = ReadFileOrDie(acq.folder / "counts.bin");
  EXPECT_EQ(RunCli("reanalyze" + app + " --replace '" + acq.folder.string() + "'", log), 1);
  EXPECT_NE(ReadFileOrDie(log).find("Raw data block 1 not found"), std::string::npos);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "counts.bin"), counts);
  EXPECT_EQ(RunCli("report --help", log), 0);
  EXPECT_NE(ReadFileOrDie(log).find("--zero-basal"), std::string::npos);
}

TEST(CliReports, FolderWithTrailingSlashOrDotIsTheFolderItself) {
  test::TempDir dir;
  auto main = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  auto basal = test::MakeAcquisition(dir.path(), "20240319_0900", test::RegularRecords(36));
  const auto log = dir / "log.txt";
  const std::string app = " --app-dir '" + main.app.string() + "/'";
  // Stamps count from the folder's name, not from the present moment.
  ASSERT_EQ(RunCli("circadian" + app + " '" + main.folder.string() + "/'", log), 0) << ReadFileOrDie(log);
  EXPECT_EQ(ReadFileOrDie(main.folder / "000_A1.txt").substr(0, 17), "19/03/2024 14:35 ");
  std::filesystem::remove(main.folder / "000_A1.txt");
  ASSERT_EQ(RunCli("circadian" + app + " .", log, main.folder), 0) << ReadFileOrDie(log);
  EXPECT_EQ(ReadFileOrDie(main.folder / "000_A1.txt").substr(0, 17), "19/03/2024 14:35 ");
  // The basal is looked for beside the acquisition, not inside it.
  EXPECT_EQ(RunCli("report" + app + " --basal 20240319_0900 --zero-basal max .", log, main.folder), 0)
      << ReadFileOrDie(log);
  EXPECT_NE(ReadFileOrDie(main.folder / "report.csv").find("***DATA AS % OF BASAL ACTIVITY***"), std::string::npos);
  (void)basal;
}

TEST(CliReports, CircadianTakesTheUserDefinedBinAsReportDoes) {
  test::TempDir dir;
  auto acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  ReportConfig mine;
  mine.Bin = 45;
  test::WriteFileOrDie(acq.app / "repoconf.dat", FormatReportConfig(mine, 1));
  const auto log = dir / "log.txt";
  const std::string app = " --app-dir '" + acq.app.string() + "'";
  ASSERT_EQ(RunCli("circadian" + app + " --per-channel '" + acq.folder.string() + "'", log), 0) << ReadFileOrDie(log);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "time.txt"), "2700 5400\r\n");
  ASSERT_EQ(RunCli("report" + app + " '" + acq.folder.string() + "'", log), 0) << ReadFileOrDie(log);
  EXPECT_NE(ReadFileOrDie(log).find("(bin 45 min)"), std::string::npos) << ReadFileOrDie(log);
  // --bin still wins over the stored bin.
  ASSERT_EQ(RunCli("circadian" + app + " --bin 30 --per-channel '" + acq.folder.string() + "'", log), 0);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "time.txt"), "1800 3600 5400\r\n");
}

}  // namespace
}  // namespace movexa
