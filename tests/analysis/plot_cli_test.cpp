// movexa-cli plot end to end on a generated three-day acquisition: every kind of plot as a PNG
// that decodes at the size asked (and at twice it with --dpi 192), compressed; the same plot as
// SVG and PDF that open; the numbers as CSV; refusals with their exit codes. And a load that is
// asked to stop ends as stopped.
#include <gtest/gtest.h>

#include <atomic>

#include "analysis/analysis_plots.h"
#include "analysis_fixture.h"
#include "cli/cli_run.h"
#include "support/picture_check.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Has;
using test::PlateRun;
using test::Quoted;
using test::ReadFileOrDie;
using test::TempDir;

// Three days from 09:00 (lights 09:00-21:00), one record a minute. "Control" (A1-C1) is
// active in the light, "Mutant" (A2-C2) on a 25-hour cycle.
struct ThreeDays {
  explicit ThreeDays(const fs::path& root) : run(root) {
    run.FreeAll();
    run.Assign(1, "Control", {"A1", "B1", "C1"});
    run.Assign(2, "Mutant", {"A2", "B2", "C2"});
    run.Light(true, 9, 21);
    std::vector<int> control, mutant;
    for (const char* w : {"A1", "B1", "C1"}) control.push_back(run.WellNumber(w));
    for (const char* w : {"A2", "B2", "C2"}) mutant.push_back(run.WellNumber(w));
    folder = run.Write("20261207_0900", test::MinuteRecords(run, 3 * 1440, 1, [=](int w, int m) {
                         const int noise = (m * 7 + w * 13) % 4;
                         for (int c : control)
                           if (c == w) return (m % 1440 < 720 ? 6 : 1) + noise;
                         for (int c : mutant)
                           if (c == w) return (m % 1500 < 750 ? 5 : 0) + noise;
                         return 0;
                       }));
  }
  std::string Plot(const std::string& kind, const fs::path& out, const std::string& more = {}) {
    return "plot " + kind + " --quiet --app-dir " + Quoted(run.app) + " --out " + Quoted(out) +
           " " + more + " " + Quoted(folder);
  }
  PlateRun run;
  fs::path folder;
};

TEST(PlotCli, EveryKindIsAPngOfTheSizeAskedAndTheDpiScalesThePixelsOnly) {
  TempDir dir;
  ThreeDays r(dir.path());
  for (PlotKind kind : kPlotKinds) {
    const std::string name = PlotKindName(kind);
    SCOPED_TRACE(name);
    const fs::path png = dir.path() / (name + ".png");
    const auto run = Cli(r.Plot(name, png, "--width 800 --height 400"));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Has(run.output, "wrote " + png.string())) << run.output;
    const std::string bytes = ReadFileOrDie(png);
    const auto image = test::DecodePng(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 800);
    EXPECT_EQ(image->height, 400);
    EXPECT_LT(bytes.size(), 800u * 400 * 3 / 8);  // compressed, not stored
  }
  const fs::path sharp = dir.path() / "sharp.png";
  const auto run = Cli(r.Plot("activity", sharp, "--width 800 --height 400 --dpi 192"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto image = test::DecodePng(ReadFileOrDie(sharp));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 1600);
  EXPECT_EQ(image->height, 800);
}

TEST(PlotCli, AThousandByFiveHundredPngStaysUnder150KbAndTheVectorFilesOpen) {
  TempDir dir;
  ThreeDays r(dir.path());
  const fs::path png = dir.path() / "activity.png";
  ASSERT_EQ(Cli(r.Plot("activity", png)).exitCode, 0);
  const std::string bytes = ReadFileOrDie(png);
  EXPECT_LT(bytes.size(), 150u * 1024);
  const auto decoded = test::DecodePng(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 1000);
  EXPECT_EQ(decoded->height, 500);
  std::string error;
  for (const char* ext : {".svg", ".pdf"}) {
    const fs::path file = dir.path() / (std::string("periodogram") + ext);
    const auto run = Cli(r.Plot("periodogram", file, "--width 600 --height 300"));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto image = std::string(ext) == ".svg" ? test::RasteriseSvg(file, &error)
                                                  : test::RasterisePdf(file, &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->width, 600);
    EXPECT_EQ(image->height, 300);
  }
}

TEST(PlotCli, TheNumbersDrawnGoToCsvAndTheResultsArePrinted) {
  TempDir dir;
  ThreeDays r(dir.path());
  const fs::path csv = dir.path() / "periodogram.csv";
  const auto run = Cli(r.Plot("periodogram", dir.path() / "p.png",
                              "--groups Control,2 --method acf --csv " + Quoted(csv)));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "001_Control: 3 rhythmic of 3")) << run.output;
  EXPECT_TRUE(Has(run.output, "002_Mutant: ")) << run.output;
  const std::string text = ReadFileOrDie(csv);
  EXPECT_TRUE(Has(text, "# method: autocorrelation")) << text.substr(0, 400);
  EXPECT_TRUE(Has(text, "\r\nseries,period_h,value,sd,sem,n,threshold,above_line\r\n"));
  EXPECT_TRUE(Has(text, "\r\n001_Control,24,"));
  EXPECT_FALSE(Has(text, "nan"));
}

TEST(PlotCli, RefusalsSayWhyWithUsageOrRunExitCodes) {
  TempDir dir;
  ThreeDays r(dir.path());
  const fs::path png = dir.path() / "x.png";
  auto run = Cli(r.Plot("histogram", png));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(Has(run.output, "histogram is no kind of plot")) << run.output;
  run = Cli(r.Plot("activity", dir.path() / "x.gif"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(Has(run.output, "a picture file ends in")) << run.output;
  run = Cli(r.Plot("activity", png, "--groups Control --wells A1"));
  EXPECT_EQ(run.exitCode, 2);
  run = Cli(r.Plot("activity", png, "--width 20"));
  EXPECT_EQ(run.exitCode, 2);
  run = Cli(r.Plot("activity", png, "--groups Nope"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Has(run.output,
                  "Nope is no group of the run (the groups are: 001_Control, "
                  "002_Mutant)"))
      << run.output;
  EXPECT_FALSE(fs::exists(png));
  run = Cli(r.Plot("sleep", png, "--window 'day 9 dark'"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(fs::exists(png));
  run = Cli("plot --help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(Has(run.output, "usage: movexa-cli plot KIND")) << run.output;
  run = Cli("plot");
  EXPECT_EQ(run.exitCode, 2);
}

TEST(PlotLoad, AStopRequestEndsTheReadingOfTheRun) {
  TempDir dir;
  ThreeDays r(dir.path());
  ActivityLoadOptions options;
  options.appFolder = r.run.app;
  std::atomic<int> asked{0};
  options.stopRequested = [&] { return ++asked >= 1; };
  const ActivityLoad load = LoadActivityTable({r.folder}, options);
  EXPECT_FALSE(load.ok);
  EXPECT_EQ(load.error, kLoadStoppedText);
  EXPECT_EQ(asked.load(), 1);
}

}  // namespace
}  // namespace movexa
