// movexa-cli's offline commands on a temporary application folder: list and search, joins
// that never reuse a folder, the exports and their failures, archive and rename.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "../offline/offline_fixture.h"
#include "cli_run.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

using test::Cli;
using test::CliRun;
using test::Quoted;

TEST(CliOffline, ListSearchJoinTwiceArchiveAndRename) {
  test::OfflineFixture f;
  fs::path a = f.AddAcquisition("20240319_1000", "baseline", 2);
  fs::path b = f.AddAcquisition("20240319_1230", "dose", 3);
  CliRun list = Cli("list --app-dir " + Quoted(f.app()) + " --search '\"dose\"'");
  ASSERT_EQ(list.exitCode, 0) << list.output;
  EXPECT_NE(list.output.find("+ 2024.0319\tp00001_Demo\n  > 2024.0319\t ACQ12:30 \"dose\""),
            std::string::npos)
      << list.output;

  // Two joins in the same minute make two folders; neither source is touched.
  CliRun j1 = Cli("join " + Quoted(a) + " " + Quoted(b.string() + "/"));
  CliRun j2 = Cli("join " + Quoted(a) + " " + Quoted(b));
  ASSERT_EQ(j1.exitCode, 0) << j1.output;
  ASSERT_EQ(j2.exitCode, 0) << j2.output;
  EXPECT_NE(j1.output.find("joined 5 records"), std::string::npos);
  EXPECT_NE(j1.output, j2.output);
  EXPECT_EQ(fs::file_size(b / "counts.bin"), 3u * 774);
  EXPECT_EQ(Cli("join " + Quoted(a)).exitCode, 2);

  EXPECT_EQ(Cli("rename " + Quoted(a) + " 'new base'").exitCode, 0);
  EXPECT_EQ(test::ReadFileOrDie(a / "subproj.dat"), "\"new base\"\r\n");
  CliRun arch = Cli("archive " + Quoted(a));
  ASSERT_EQ(arch.exitCode, 0) << arch.output;
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(Cli("archive " + Quoted(f.project() / "20240101_0000")).exitCode, 1);
}

TEST(CliOffline, ExportsWriteWholeFilesOrSayWhatFailed) {
  test::OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 12);
  f.WriteRawFile(acq, 0, 2);
  CliRun png = Cli("export-picture --view analysis --method 1 --snr 2 --out " +
                   Quoted(f.app() / "a.png") + " " + Quoted(acq));
  ASSERT_EQ(png.exitCode, 0) << png.output;
  EXPECT_EQ(test::ReadFileOrDie(f.app() / "a.png").substr(1, 3), "PNG");
  CliRun svg = Cli("export-picture --view group-activity --out " + Quoted(f.app() / "g.svg") + " " +
                   Quoted(acq));
  ASSERT_EQ(svg.exitCode, 0) << svg.output;
  EXPECT_NE(test::ReadFileOrDie(f.app() / "g.svg").find("</svg>"), std::string::npos);
  CliRun ascii = Cli("export-ascii --well B1 " + Quoted(acq));
  ASSERT_EQ(ascii.exitCode, 0) << ascii.output;
  EXPECT_NE(test::ReadFileOrDie(f.app() / "datafile.txt").find("Well: B1 Page[1/1]"), std::string::npos);

  // The acquisition named inside the application folder, as from another working folder.
  fs::remove(f.app() / "datafile.txt");
  CliRun inside =
      Cli("export-ascii --app-dir " + Quoted(f.app()) + " --well B1 p00001/20240319_1230");
  ASSERT_EQ(inside.exitCode, 0) << inside.output;
  EXPECT_TRUE(fs::exists(f.app() / "datafile.txt"));
  EXPECT_EQ(Cli("export-ascii --app-dir " + Quoted(f.app()) + " p00001/20240101_0000").exitCode, 1);

  CliRun badWell = Cli("export-ascii --well Z99 " + Quoted(acq));
  EXPECT_EQ(badWell.exitCode, 2);
  EXPECT_NE(badWell.output.find("no well Z99"), std::string::npos);
  CliRun badOut =
      Cli("export-ascii --out " + Quoted(f.app() / "missing" / "d.txt") + " " + Quoted(acq));
  EXPECT_EQ(badOut.exitCode, 1);
  EXPECT_NE(badOut.output.find("nothing written"), std::string::npos);
  fs::remove(acq / "0.bin");
  EXPECT_EQ(Cli("export-picture --out " + Quoted(f.app() / "s.png") + " " + Quoted(acq)).exitCode,
            1);
  EXPECT_FALSE(fs::exists(f.app() / "s.png"));
}

}  // namespace
}  // namespace movexa
