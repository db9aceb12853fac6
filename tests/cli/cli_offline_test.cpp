// movexa-cli's offline commands on a temporary application folder: list and search, joins
// that never reuse a folder, the exports and their failures, archive and rename.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include <array>
#include <cstdio>

#include "../offline/offline_fixture.h"
#include "cli_run.h"
#include "support/picture_check.h"
#include "support/test_support.h"

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
  const auto folders = [&] {
    return std::distance(fs::directory_iterator(f.project()), fs::directory_iterator());
  };
  fs::path torn = f.AddAcquisition("20240319_1400", "cut", 0);
  const auto before = folders();
  // The same acquisition twice (once every record of it came twice, exit 0).
  CliRun twice = Cli("join " + Quoted(a) + " " + Quoted(b) + " " + Quoted(a.string() + "/"));
  EXPECT_EQ(twice.exitCode, 1) << twice.output;
  EXPECT_NE(twice.output.find("given twice"), std::string::npos) << twice.output;
  // A part without one whole record (once a join that looked whole, exit 0).
  test::WriteFileOrDie(torn / "counts.bin", std::string(300, '\0'));
  CliRun empty = Cli("join " + Quoted(a) + " " + Quoted(torn));
  EXPECT_EQ(empty.exitCode, 1) << empty.output;
  EXPECT_EQ(folders(), before);
  // A torn last record is left out and said.
  test::WriteFileOrDie(torn / "counts.bin", test::CountsBytes({0, 30}) + std::string(300, '\0'));
  CliRun said = Cli("join " + Quoted(torn) + " " + Quoted(a));
  ASSERT_EQ(said.exitCode, 0) << said.output;
  EXPECT_NE(said.output.find("a torn last record of 300 bytes was ignored"), std::string::npos)
      << said.output;
  EXPECT_NE(said.output.find("joined 4 records"), std::string::npos) << said.output;

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

TEST(CliOffline, PicturesAreWrittenInTheFormatTheirNameAsksAndOtherNamesAreRefused) {
  test::OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 12);
  f.WriteRawFile(acq, 0, 3);
  f.WriteRawFile(acq, 1, 3);

  // A name the command cannot honour is refused before anything is drawn or written.
  CliRun jpg = Cli("export-picture --out " + Quoted(f.app() / "s.jpg") + " " + Quoted(acq));
  EXPECT_EQ(jpg.exitCode, 2);
  EXPECT_NE(jpg.output.find("a picture file ends in .png, .svg, .pdf or .bmp"), std::string::npos)
      << jpg.output;
  EXPECT_FALSE(fs::exists(f.app() / "s.jpg"));
  EXPECT_EQ(Cli("export-picture --out " + Quoted(f.app() / "noext") + " " + Quoted(acq)).exitCode, 2);
  EXPECT_FALSE(fs::exists(f.app() / "noext"));

  // Each view at the default 1000 x 500: a compressed PNG well under 150 KB.
  for (const char* view : {"signal", "analysis", "group-activity"}) {
    fs::path png = f.app() / (std::string(view) + ".png");
    CliRun run = Cli(std::string("export-picture --view ") + view + " --out " + Quoted(png) + " " + Quoted(acq));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string bytes = test::ReadFileOrDie(png);
    auto image = test::DecodePng(bytes);
    ASSERT_TRUE(image) << view;
    EXPECT_EQ(image->width, 1000);
    EXPECT_EQ(image->height, 500);
    EXPECT_LT(bytes.size(), 150u * 1024) << view;
    RecordProperty(std::string(view) + "_png_bytes", static_cast<int>(bytes.size()));
  }

  CliRun sized = Cli("export-picture --size 640x480 --out " + Quoted(f.app() / "s.png") + " " + Quoted(acq));
  ASSERT_EQ(sized.exitCode, 0) << sized.output;
  auto small = test::DecodePng(test::ReadFileOrDie(f.app() / "s.png"));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->width, 640);
  EXPECT_EQ(small->height, 480);

  // PDF in points at the picture's size; the BMP of the offline window's export, 24-bit.
  CliRun pdf = Cli("export-picture --view group-activity --out " + Quoted(f.app() / "g.pdf") + " " + Quoted(acq));
  ASSERT_EQ(pdf.exitCode, 0) << pdf.output;
  std::string error;
  auto page = test::RasterisePdf(f.app() / "g.pdf", &error);
  ASSERT_TRUE(page) << error;
  EXPECT_EQ(page->width, 1000);
  EXPECT_EQ(page->height, 500);
  CliRun bmp = Cli("export-picture --out " + Quoted(f.app() / "image1.BMP") + " " + Quoted(acq));
  ASSERT_EQ(bmp.exitCode, 0) << bmp.output;
  const std::string bmpBytes = test::ReadFileOrDie(f.app() / "image1.BMP");
  EXPECT_EQ(bmpBytes.substr(0, 2), "BM");
  EXPECT_EQ(test::GetI32(bmpBytes, 18), 1000);
  EXPECT_EQ(test::GetI32(bmpBytes, 22), 500);
  EXPECT_EQ(bmpBytes.size(), 54u + 1000 * 3 * 500);
}

TEST(CliOffline, SpecialFilesAndDamagedGroupsAreToldNotWaitedOnOrStoodInFor) {
  test::OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 30);
  f.WriteRawFile(acq, 0, 2);
  // A FIFO in place of a raw file (once both exports waited on it for ever, SIGTERM ignored).
  ASSERT_EQ(::mkfifo((acq / "1.bin").c_str(), 0600), 0);
  f.WriteRawFile(acq, 2, 1);
  CliRun bounded = Cli("export-ascii --well A1 --out " + Quoted(f.app() / "a.txt") + " " + Quoted(acq), 60);
  ASSERT_EQ(bounded.exitCode, 0) << bounded.output;
  const std::string text = test::ReadFileOrDie(f.app() / "a.txt");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 3 * 500);  // blocks 0, 1 and 22
  CliRun picture = Cli("export-picture --out " + Quoted(f.app() / "s.png") + " " + Quoted(acq), 60);
  EXPECT_EQ(picture.exitCode, 0) << picture.output;

  // Damaged groups: said, as a report of the folder says it, and no picture of stand-ins.
  test::WriteFileOrDie(acq / "chgroup.dat", "\"header\"\r\n1,abc\r\n");
  CliRun groups =
      Cli("export-picture --view group-activity --out " + Quoted(f.app() / "g.png") + " " + Quoted(acq));
  EXPECT_EQ(groups.exitCode, 1) << groups.output;
  EXPECT_NE(groups.output.find((acq / "chgroup.dat").string()), std::string::npos) << groups.output;
  EXPECT_FALSE(fs::exists(f.app() / "g.png"));
}

}  // namespace
}  // namespace movexa
