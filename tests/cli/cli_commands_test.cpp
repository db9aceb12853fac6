// movexa-cli as the operator runs it: the built program on a temporary application folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <array>
#include <cstdio>

#include "cli_run.h"
#include "reports/report_config.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::InstallDataDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;
namespace fs = std::filesystem;

using test::Cli;
using test::CliRun;
using test::Has;
using test::Quoted;

TEST(CliInit, LaysOutTheFolderAndASecondInitKeepsConfigDat) {
  TempDir d;
  const fs::path home = d / "home";
  CliRun first = Cli("init --app-dir " + Quoted(home));
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_EQ(ReadFileOrDie(home / "config.dat"), ReadFileOrDie(InstallDataDir() / "config.dat"));
  EXPECT_TRUE(fs::exists(home / "p00001" / "chgroup.dat"));
  EXPECT_TRUE(fs::exists(home / "w32_flytube.dat"));
  // The report configuration starts as the defaults with "User Defined BIN size" off, so that
  // runs end with the quick report until the operator chooses otherwise.
  EXPECT_EQ(ReadFileOrDie(home / "repoconf.dat").substr(0, 2), "\"<");
  EXPECT_TRUE(Has(ReadFileOrDie(home / "repoconf.dat"), "\r\n0,30,0,")) << ReadFileOrDie(home / "repoconf.dat");
  WriteFileOrDie(home / "repoconf.dat", "mine");

  WriteFileOrDie(home / "config.dat", "\"Config: mine\"\r\n3,9,2,0\r\n");
  fs::remove(home / "w6.dat");
  CliRun second = Cli("init --app-dir " + Quoted(home));
  ASSERT_EQ(second.exitCode, 0) << second.output;
  EXPECT_EQ(ReadFileOrDie(home / "config.dat"), "\"Config: mine\"\r\n3,9,2,0\r\n");
  EXPECT_TRUE(Has(second.output, "kept   config.dat")) << second.output;
  EXPECT_TRUE(Has(second.output, "copied w6.dat")) << second.output;
  EXPECT_EQ(ReadFileOrDie(home / "repoconf.dat"), "mine");
}

TEST(CliProject, PrintsTheSummaryOfTheDemoProject) {
  TempDir d;
  ASSERT_EQ(Cli("init --app-dir " + Quoted(d.path())).exitCode, 0);
  CliRun r = Cli("project --app-dir " + Quoted(d.path()));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  for (const char* part :
       {"[Frm_Init.status] STARTING........... Reading Configuration...", "project:      1  Demo",
        "plate format: w96f  96 Wells flat bottom [2microbeams/well]",
        "geometry:     8 rows x 12 columns; row pitch 2 offset -0.5",
        "lapse 3 min, 500 samples per bin", "000_Control               24 wells   48 channels",
        "003_Drug_100uM            24 wells   48 channels"}) {
    EXPECT_TRUE(Has(r.output, part)) << part << "\n" << r.output;
  }
  EXPECT_FALSE(Has(r.output, "[message]")) << r.output;
}

TEST(CliProject, LoaderMessagesArePrintedAndTheProjectStillLoads) {
  TempDir d;
  ASSERT_EQ(Cli("init --app-dir " + Quoted(d.path())).exitCode, 0);
  WriteFileOrDie(d / "p00001" / "status.dat", "garbage\r\nmore,garbage\r\n");
  WriteFileOrDie(d / "w96f.dat", "");
  CliRun r = Cli("project --app-dir " + Quoted(d.path()));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "[message] Error [\\p00001\\status.dat] => Loading default values..."))
      << r.output;
  EXPECT_TRUE(
      Has(r.output, "[message] Error [\\w96f.dat] ID#1 => Loading plate format from default"))
      << r.output;
  EXPECT_TRUE(Has(r.output, "384 of 384 enabled")) << r.output;
}

TEST(CliProject, DataIntervalFollowsTheReportConfiguration) {
  TempDir d;
  ASSERT_EQ(Cli("init --app-dir " + Quoted(d.path())).exitCode, 0);
  // No "repoconf.dat" yet: the defaults are written and the list shows its second item.
  CliRun first = Cli("project --app-dir " + Quoted(d.path()));
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(Has(first.output, "data interval: 30 min\n")) << first.output;
  EXPECT_TRUE(fs::exists(d / "repoconf.dat"));

  ReportConfig mine;
  mine.Bin = 45;
  WriteFileOrDie(d / "repoconf.dat", FormatReportConfig(mine, 1));
  CliRun user = Cli("project --app-dir " + Quoted(d.path()));
  EXPECT_TRUE(Has(user.output, "data interval: 45 min (user-defined BIN size)")) << user.output;

  WriteFileOrDie(d / "repoconf.dat", FormatReportConfig(mine, 0));
  CliRun stored = Cli("project --app-dir " + Quoted(d.path()));
  EXPECT_TRUE(Has(stored.output, "data interval: 30 min\n")) << stored.output;

  WriteFileOrDie(d / "repoconf.dat", "garbage");
  CliRun bad = Cli("project --app-dir " + Quoted(d.path()));
  EXPECT_TRUE(Has(bad.output, "Error loading repoconf.dat -> Using Default values")) << bad.output;
  EXPECT_TRUE(Has(bad.output, "data interval: 30 min\n")) << bad.output;
}

TEST(CliProject, CreateAssignAndListAScriptedPlateLayout) {
  TempDir d;
  test::LayOutAppFolder(d.path());
  const std::string dir = " --app-dir " + Quoted(d.path());
  CliRun bad = Cli("project create --name X --snr 7" + dir);
  EXPECT_EQ(bad.exitCode, 1) << bad.output;
  EXPECT_TRUE(Has(bad.output, "Enter a valid SNR: 1.4 to 5.0")) << bad.output;
  EXPECT_FALSE(fs::exists(d / "p00002"));

  CliRun made = Cli("project create --name 'Dose \"A\"' --plate w96f --lapse 40000 --buffer 1000 "
                    "--organism Zebrafish --snr 2,5" + dir);
  ASSERT_EQ(made.exitCode, 0) << made.output;
  EXPECT_TRUE(Has(made.output, "created project 2 \"Dose 'A'\"")) << made.output;
  EXPECT_TRUE(Has(made.output, "Detection Mode1, Zebrafish [snr 2.5]")) << made.output;
  EXPECT_TRUE(Has(ReadFileOrDie(d / "p00002" / "setup.dat"), "\r\n1,32000,99,1000,1,30\r\n"));

  CliRun set = Cli("project assign --set 02x03" + dir);
  ASSERT_EQ(set.exitCode, 0) << set.output;
  EXPECT_TRUE(Has(set.output, "015_Group15  12 channels")) << set.output;
  CliRun named = Cli("project assign --group Control --number 0 A1-B3 C1" + dir);
  ASSERT_EQ(named.exitCode, 0) << named.output;
  EXPECT_TRUE(Has(named.output, "000_Control  14 channels")) << named.output;
  EXPECT_EQ(Cli("project assign --group X Q99" + dir).exitCode, 2);
  EXPECT_EQ(Cli("project assign --group X" + dir).exitCode, 2);
  CliRun renamed = Cli("project assign --group Vehicle --number 1" + dir);
  EXPECT_TRUE(Has(renamed.output, "001_Vehicle  10 channels")) << renamed.output;
  EXPECT_TRUE(Has(ReadFileOrDie(d / "p00002" / "groups.dat"), "0,\"Control\"\r\n"));

  CliRun list = Cli("project list" + dir);
  ASSERT_EQ(list.exitCode, 0) << list.output;
  EXPECT_TRUE(Has(list.output, "  p00001_Demo\n* p00002_Dose 'A'\n")) << list.output;
  // The summary of the current project still works.
  EXPECT_TRUE(Has(Cli("project" + dir).output, "project:      2  Dose 'A'"));
}

TEST(CliProject, MissingConfigEndsWithTheMessage) {
  TempDir d;
  CliRun r = Cli("project --app-dir " + Quoted(d.path()));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.output, "Config file not found: Check correct software installation"))
      << r.output;
}

TEST(CliAcquire, OfflineTheRunAndTheCalibrationRefuseWithTheirOwnMessages) {
  TempDir d;
  fs::copy(InstallDataDir(), d.path(), fs::copy_options::recursive);
  // Every COM number leads nowhere, so no port of this machine is touched.
  std::string ports;
  for (int n = 1; n <= 16; ++n) ports += std::to_string(n) + ",\"/nonexistent/movexa-com\"\r\n";
  WriteFileOrDie(d.path() / "ports.dat", ports);
  CliRun run = Cli("acquire --app-dir " + Quoted(d.path()) + " --name x");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Has(run.output, "offline: no instrument found")) << run.output;
  EXPECT_TRUE(Has(run.output,
                  "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the program."))
      << run.output;
  CliRun calibrate = Cli("calibrate --app-dir " + Quoted(d.path()) + " --software");
  EXPECT_EQ(calibrate.exitCode, 1);
  EXPECT_TRUE(Has(calibrate.output, "Operation not possible in OFFLINE mode")) << calibrate.output;
}

// An application folder whose every COM number leads nowhere, so no port of this machine is
// touched.
void LayOutOfflineAppFolder(const fs::path& dir) {
  fs::copy(InstallDataDir(), dir, fs::copy_options::recursive);
  std::string ports;
  for (int n = 1; n <= 16; ++n) ports += std::to_string(n) + ",\"/nonexistent/movexa-com\"\r\n";
  WriteFileOrDie(dir / "ports.dat", ports);
}

// The lines of `text` that hold every one of `parts`.
std::vector<std::string> LinesWith(const std::string& text, const std::vector<std::string>& parts) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    bool all = true;
    for (const auto& p : parts) all = all && Has(line, p);
    if (all) out.push_back(line);
    start = end + 1;
  }
  return out;
}

TEST(CliPorts, ListsTheMappedDevicesAndTheInstrumentsPortAndAssignsAPortByHand) {
  TempDir d;
  const fs::path home = d / "home";
  ASSERT_EQ(Cli("init --app-dir " + Quoted(home)).exitCode, 0);
  WriteFileOrDie(home / "ports.dat", "\"Serial ports\"\r\n5,\"/nonexistent/ttyUSB9\"\r\n");
  CliRun list = Cli("ports --app-dir " + Quoted(home));
  ASSERT_EQ(list.exitCode, 0) << list.output;
  EXPECT_EQ(LinesWith(list.output, {"COM5", "/nonexistent/ttyUSB9", "missing (ports.dat)"}).size(),
            1u)
      << list.output;
  EXPECT_TRUE(Has(list.output, "instrument's port (config.dat): COM4 = /dev/ttyS3 (default)"))
      << list.output;

  CliRun assign = Cli("ports --app-dir " + Quoted(home) + " --assign 7 --device /dev/ttyUSB0");
  ASSERT_EQ(assign.exitCode, 0) << assign.output;
  EXPECT_TRUE(Has(assign.output, "COM7 (/dev/ttyUSB0) is the instrument's port now"))
      << assign.output;
  EXPECT_EQ(ReadFileOrDie(home / "ports.dat"),
            "\"Serial ports\"\r\n5,\"/nonexistent/ttyUSB9\"\r\n7,\"/dev/ttyUSB0\"\r\n");
  EXPECT_TRUE(Has(ReadFileOrDie(home / "config.dat"), "\r\n1,1,7,0\r\n"));
  CliRun again = Cli("ports --app-dir " + Quoted(home));
  EXPECT_TRUE(Has(again.output, "instrument's port (config.dat): COM7 = /dev/ttyUSB0 (ports.dat)"))
      << again.output;

  EXPECT_EQ(Cli("ports --app-dir " + Quoted(home) + " --assign 17 --device /dev/x").exitCode, 2);
  EXPECT_EQ(Cli("ports --app-dir " + Quoted(home) + " --assign 3").exitCode, 2);
  EXPECT_EQ(Cli("ports --app-dir " + Quoted(d / "none") + " --assign 3 --device /dev/x").exitCode,
            1);
}

TEST(CliConnect, APipeThatSendsNothingCountsAsNoAnswerToThePortPrompt) {
  TempDir d;
  LayOutOfflineAppFolder(d.path());
  // Standard input is a pipe whose writer stays open and silent (as `sleep 30 | movexa-cli`).
  int in[2];
  ASSERT_EQ(::pipe(in), 0);
  const std::string log = (d / "log.txt").string();
  const std::string app = d.path().string();
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::close(in[0]);
    ::close(in[1]);
    int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    ::execl(MOVEXA_CLI_PATH, MOVEXA_CLI_PATH, "connect", "--app-dir", app.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(in[0]);
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 600 && !ended; ++i) {  // at most a minute
    ended = ::waitpid(child, &status, WNOHANG) == child;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ::close(in[1]);
  ASSERT_TRUE(ended) << ReadFileOrDie(log);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_TRUE(Has(ReadFileOrDie(log), "offline: no instrument found")) << ReadFileOrDie(log);
}

TEST(CliUsage, AcquireAndCalibrateArguments) {
  EXPECT_EQ(Cli("acquire --app-dir /nonexistent").exitCode, 2);  // --name is required
  EXPECT_EQ(Cli("acquire --name x --minutes 0").exitCode, 2);
  EXPECT_EQ(Cli("acquire --name x --minutes many").exitCode, 2);
  EXPECT_EQ(Cli("calibrate").exitCode, 2);
  EXPECT_EQ(Cli("calibrate --zero --blank").exitCode, 2);
  CliRun list = Cli("--help");
  EXPECT_TRUE(Has(list.output, "acquire")) << list.output;
  EXPECT_TRUE(Has(list.output, "calibrate")) << list.output;
}

TEST(CliUsage, HelpAndBadArguments) {
  for (const char* command : {"init", "project", "acquire", "calibrate"}) {
    CliRun help = Cli(std::string(command) + " --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Has(help.output, std::string("usage: movexa-cli ") + command)) << help.output;
    EXPECT_EQ(Cli(std::string(command) + " --bogus").exitCode, 2);
    EXPECT_EQ(Cli(std::string(command) + " --app-dir").exitCode, 2);
  }
  CliRun list = Cli("--help");
  EXPECT_TRUE(Has(list.output, "init")) << list.output;
  EXPECT_TRUE(Has(list.output, "project")) << list.output;
}

}  // namespace
}  // namespace movexa
