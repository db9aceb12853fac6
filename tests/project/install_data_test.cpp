// The installation data in data/: it is exactly what the generator writes, every plate format
// keeps the promise of its description and draws its wells over its beams, and the shipped
// projects load without a message and save back byte for byte.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/host_fakes.h"
#include "base/rounding.h"
#include "install_data.h"
#include "project/project_folders.h"
#include "project/project_store.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::InstallDataDir;
using test::ReadFileOrDie;
using test::TempDir;

std::set<std::string> FilesUnder(const fs::path& root) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) out.insert(e.path().lexically_relative(root).generic_string());
  }
  return out;
}

TEST(InstallData, DataFolderIsExactlyWhatTheGeneratorWrites) {
  TempDir made;
  install_data::WriteInstallData(made.path());
  const std::set<std::string> expected = FilesUnder(made.path());
  EXPECT_EQ(FilesUnder(InstallDataDir()), expected);
  for (const auto& f : expected) {
    EXPECT_EQ(ReadFileOrDie(InstallDataDir() / f), ReadFileOrDie(made / f)) << f;
  }
}

class PlateDesignTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PlateDesignTest, KeepsItsPromiseAndDrawsWellsOverTheirBeams) {
  const std::string name = GetParam();
  const KnownPlateFormat* known = FindKnownPlateFormat(name);
  ASSERT_NE(known, nullptr);
  TempDir app;
  fs::copy_file(InstallDataDir() / (name + ".dat"), app / (name + ".dat"));
  PlateGeometry g;
  WellMap m;
  PlateLoadResult r = LoadPlateFormatStrict(app.path(), name, g, m);
  ASSERT_TRUE(r.ok) << r.error;

  std::map<int, std::set<int>> beamsOfWell;
  for (int c = 0; c < kChannelCount; ++c) {
    const int well = m.channelWell[static_cast<size_t>(c)];
    const int beam = m.channelBeam[static_cast<size_t>(c)];
    if (well < 0) continue;
    EXPECT_TRUE(beamsOfWell[well].insert(beam).second)
        << name << ": well " << well << " beam " << beam << " twice";
    EXPECT_EQ(m.ChannelOf(well, beam), c);
    // The drawn box of the well holds the beam's centre.
    const int64_t cp = RoundHalfEven(g.columnPitch * 100), co = RoundHalfEven(g.columnOffset * 100);
    const int64_t rp = RoundHalfEven(g.rowPitch * 100), ro = RoundHalfEven(g.rowOffset * 100);
    const int e = well % g.rows, j = well / g.rows;
    const int x = 100 * (c / kBeamRows) + 50, y = 100 * (c % kBeamRows) + 50;
    EXPECT_TRUE(x > j * cp + co && x < (j + 1) * cp + co && y > e * rp + ro &&
                y < (e + 1) * rp + ro)
        << name << ": channel " << c << " outside well " << WellLabel(well, g.rows);
  }
  EXPECT_EQ(static_cast<int>(beamsOfWell.size()), g.rows * g.columns) << name;
  std::set<int> counts;
  for (const auto& [well, beams] : beamsOfWell) {
    EXPECT_LT(well, g.rows * g.columns);
    const int n = static_cast<int>(beams.size());
    EXPECT_EQ(*beams.rbegin(), n - 1) << name << ": beams of a well are numbered 0..n-1";
    EXPECT_GE(n, known->minBeamsPerWell) << name << " well " << well;
    EXPECT_LE(n, known->maxBeamsPerWell) << name << " well " << well;
    counts.insert(n);
  }
  EXPECT_EQ(m.highestBeam, known->maxBeamsPerWell == 32 ? 31 : *counts.rbegin() - 1);
}

INSTANTIATE_TEST_SUITE_P(EightFormats, PlateDesignTest,
                         ::testing::Values("w384", "w96f", "w24", "w48", "w6", "w96u", "w96flat",
                                           "w32_flytube"));

TEST(InstallData, BuiltInFormatFilesMatchTheBuiltInMaps) {
  for (const char* name : {"w384", "w96f", "w96u"}) {
    PlateGeometry fileGeometry, builtInGeometry;
    WellMap fromFile, builtIn;
    ASSERT_TRUE(LoadPlateFormatStrict(InstallDataDir(), name, fileGeometry, fromFile).ok);
    InstallBuiltInPlateFormat(name, builtInGeometry, builtIn);
    EXPECT_EQ(fromFile.channelWell, builtIn.channelWell) << name;
    EXPECT_EQ(fromFile.channelBeam, builtIn.channelBeam) << name;
    EXPECT_EQ(fromFile.highestBeam, builtIn.highestBeam) << name;
    EXPECT_EQ(fileGeometry.rows, builtInGeometry.rows);
    EXPECT_EQ(fileGeometry.rowPitch, builtInGeometry.rowPitch);
    EXPECT_EQ(fileGeometry.rowOffset, builtInGeometry.rowOffset);
    EXPECT_EQ(fileGeometry.columns, builtInGeometry.columns);
    EXPECT_EQ(fileGeometry.columnPitch, builtInGeometry.columnPitch);
    EXPECT_EQ(fileGeometry.columnOffset, builtInGeometry.columnOffset);
  }
}

TEST(InstallData, ShippedProjectsLoadQuietlyAndSaveBackByteForByte) {
  for (int n : {0, install_data::kDemoProjectNumber}) {
    const fs::path folder = n == 0 ? InstallDataDir() : ProjectFolder(InstallDataDir(), n);
    FakeHost fake;
    ProjectSettings s;
    PlateGeometry g;
    WellMap m;
    LoadProject(static_cast<int16_t>(n), {InstallDataDir(), folder}, s, g, m, fake.host);
    EXPECT_TRUE(fake.dialogs.Messages().empty()) << n;
    TempDir out;
    ASSERT_TRUE(SaveProject(out.path(), n, s).ok);
    for (const char* f : {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
      EXPECT_EQ(ReadFileOrDie(out / f), ReadFileOrDie(folder / f)) << n << " " << f;
    }
  }
}

TEST(InstallData, DemoProjectIsReadyForAShortRecordedRun) {
  ProjectSettings demo = install_data::DemoProject();
  EXPECT_EQ(demo.Plate_format, "w96f");
  EXPECT_EQ(demo.Save_real, 1);
  EXPECT_LE(demo.Aq_lapse, 5);
  // At about 20 samples a second, a few bins close within the run.
  const int bins = demo.Aq_lapse * 60 * 20 / demo.RT_Buffer;
  EXPECT_GE(bins, 3);
  PlateGeometry g;
  WellMap m;
  InstallBuiltInPlateFormat("w96f", g, m);
  std::map<int, int> wellsPerGroup;
  for (int w = 0; w < 96; ++w)
    ++wellsPerGroup[demo.channelGroup[static_cast<size_t>(m.FindChannel(w, 0))]];
  EXPECT_EQ(wellsPerGroup, (std::map<int, int>{{0, 24}, {1, 24}, {2, 24}, {3, 24}}));
  EXPECT_EQ(demo.groupNames[0], "Control");
}

}  // namespace
}  // namespace movexa
