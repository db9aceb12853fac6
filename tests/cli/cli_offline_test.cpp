// movexa-cli's offline commands on a temporary application folder: list and search, joins
// that never reuse a folder, the exports and their failures, archive and rename.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include <array>
#include <cstdio>

#include "../offline/offline_fixture.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int exitCode = -1;
  std::string output;
};

// `limitSeconds` > 0 kills a command that runs longer (a wait that would never end fails).
CliRun Cli(const std::string& args, int limitSeconds = 0) {
  const std::string limit =
      limitSeconds > 0 ? "timeout -s KILL " + std::to_string(limitSeconds) + " " : std::string();
  const std::string command =
      "env -u MOVEXA_HOME " + limit + "'" MOVEXA_CLI_PATH "' " + args + " </dev/null 2>&1";
  CliRun r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf{};
  size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
  int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(CliOffline, ListSearchJoinTwiceArchiveAndRename) {
  test::OfflineFixture f;
  fs::path a = f.AddAcquisition("20240319_1000", "baseline", 2);
  fs::path b = f.AddAcquisition("20240319_1230", "dose", 3);
  CliRun list = Cli("list --app-dir " + Q(f.app()) + " --search '\"dose\"'");
  ASSERT_EQ(list.exitCode, 0) << list.output;
  EXPECT_NE(list.output.find("+ 2024.0319\tp00001_Demo\n  > 2024.0319\t ACQ12:30 \"dose\""),
            std::string::npos)
      << list.output;

  // Two joins in the same minute make two folders; neither source is touched.
  CliRun j1 = Cli("join " + Q(a) + " " + Q(b.string() + "/"));
  CliRun j2 = Cli("join " + Q(a) + " " + Q(b));
  ASSERT_EQ(j1.exitCode, 0) << j1.output;
  ASSERT_EQ(j2.exitCode, 0) << j2.output;
  EXPECT_NE(j1.output.find("joined 5 records"), std::string::npos);
  EXPECT_NE(j1.output, j2.output);
  EXPECT_EQ(fs::file_size(b / "counts.bin"), 3u * 774);
  EXPECT_EQ(Cli("join " + Q(a)).exitCode, 2);
  const auto folders = [&] {
    return std::distance(fs::directory_iterator(f.project()), fs::directory_iterator());
  };
  fs::path torn = f.AddAcquisition("20240319_1400", "cut", 0);
  const auto before = folders();
  // The same acquisition twice (once every record of it came twice, exit 0).
  CliRun twice = Cli("join " + Q(a) + " " + Q(b) + " " + Q(a.string() + "/"));
  EXPECT_EQ(twice.exitCode, 1) << twice.output;
  EXPECT_NE(twice.output.find("given twice"), std::string::npos) << twice.output;
  // A part without one whole record (once a join that looked whole, exit 0).
  test::WriteFileOrDie(torn / "counts.bin", std::string(300, '\0'));
  CliRun empty = Cli("join " + Q(a) + " " + Q(torn));
  EXPECT_EQ(empty.exitCode, 1) << empty.output;
  EXPECT_EQ(folders(), before);
  // A torn last record is left out and said.
  test::WriteFileOrDie(torn / "counts.bin", test::CountsBytes({0, 30}) + std::string(300, '\0'));
  CliRun said = Cli("join " + Q(torn) + " " + Q(a));
  ASSERT_EQ(said.exitCode, 0) << said.output;
  EXPECT_NE(said.output.find("a torn last record of 300 bytes was ignored"), std::string::npos)
      << said.output;
  EXPECT_NE(said.output.find("joined 4 records"), std::string::npos) << said.output;

  EXPECT_EQ(Cli("rename " + Q(a) + " 'new base'").exitCode, 0);
  EXPECT_EQ(test::ReadFileOrDie(a / "subproj.dat"), "\"new base\"\r\n");
  CliRun arch = Cli("archive " + Q(a));
  ASSERT_EQ(arch.exitCode, 0) << arch.output;
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(Cli("archive " + Q(f.project() / "20240101_0000")).exitCode, 1);
}

TEST(CliOffline, ExportsWriteWholeFilesOrSayWhatFailed) {
  test::OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 12);
  f.WriteRawFile(acq, 0, 2);
  CliRun png = Cli("export-picture --view analysis --method 1 --snr 2 --out " +
                Q(f.app() / "a.png") + " " + Q(acq));
  ASSERT_EQ(png.exitCode, 0) << png.output;
  EXPECT_EQ(test::ReadFileOrDie(f.app() / "a.png").substr(1, 3), "PNG");
  CliRun svg = Cli("export-picture --view group-activity --out " + Q(f.app() / "g.svg") + " " + Q(acq));
  ASSERT_EQ(svg.exitCode, 0) << svg.output;
  EXPECT_NE(test::ReadFileOrDie(f.app() / "g.svg").find("</svg>"), std::string::npos);
  CliRun ascii = Cli("export-ascii --well B1 " + Q(acq));
  ASSERT_EQ(ascii.exitCode, 0) << ascii.output;
  EXPECT_NE(test::ReadFileOrDie(f.app() / "datafile.txt").find("Well: B1 Page[1/1]"), std::string::npos);

  // The acquisition named inside the application folder, as from another working folder.
  fs::remove(f.app() / "datafile.txt");
  CliRun inside = Cli("export-ascii --app-dir " + Q(f.app()) + " --well B1 p00001/20240319_1230");
  ASSERT_EQ(inside.exitCode, 0) << inside.output;
  EXPECT_TRUE(fs::exists(f.app() / "datafile.txt"));
  EXPECT_EQ(Cli("export-ascii --app-dir " + Q(f.app()) + " p00001/20240101_0000").exitCode, 1);

  CliRun badWell = Cli("export-ascii --well Z99 " + Q(acq));
  EXPECT_EQ(badWell.exitCode, 2);
  EXPECT_NE(badWell.output.find("no well Z99"), std::string::npos);
  CliRun badOut = Cli("export-ascii --out " + Q(f.app() / "missing" / "d.txt") + " " + Q(acq));
  EXPECT_EQ(badOut.exitCode, 1);
  EXPECT_NE(badOut.output.find("nothing written"), std::string::npos);
  fs::remove(acq / "0.bin");
  EXPECT_EQ(Cli("export-picture --out " + Q(f.app() / "s.png") + " " + Q(acq)).exitCode, 1);
  EXPECT_FALSE(fs::exists(f.app() / "s.png"));
}

TEST(CliOffline, SpecialFilesAndDamagedGroupsAreToldNotWaitedOnOrStoodInFor) {
  test::OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 30);
  f.WriteRawFile(acq, 0, 2);
  // A FIFO in place of a raw file (once both exports waited on it for ever, SIGTERM ignored).
  ASSERT_EQ(::mkfifo((acq / "1.bin").c_str(), 0600), 0);
  f.WriteRawFile(acq, 2, 1);
  CliRun bounded = Cli("export-ascii --well A1 --out " + Q(f.app() / "a.txt") + " " + Q(acq), 60);
  ASSERT_EQ(bounded.exitCode, 0) << bounded.output;
  const std::string text = test::ReadFileOrDie(f.app() / "a.txt");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 3 * 500);  // blocks 0, 1 and 22
  CliRun picture = Cli("export-picture --out " + Q(f.app() / "s.png") + " " + Q(acq), 60);
  EXPECT_EQ(picture.exitCode, 0) << picture.output;

  // Damaged groups: said, as a report of the folder says it, and no picture of stand-ins.
  test::WriteFileOrDie(acq / "chgroup.dat", "\"header\"\r\n1,abc\r\n");
  CliRun groups =
      Cli("export-picture --view group-activity --out " + Q(f.app() / "g.png") + " " + Q(acq));
  EXPECT_EQ(groups.exitCode, 1) << groups.output;
  EXPECT_NE(groups.output.find((acq / "chgroup.dat").string()), std::string::npos) << groups.output;
  EXPECT_FALSE(fs::exists(f.app() / "g.png"));
}

}  // namespace
}  // namespace movexa
