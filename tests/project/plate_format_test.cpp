// Plate formats: built-in maps, the parse of plate-format files and its refusals, the loader's
// fallback with its message, the strict loader, well indices and labels.
#include <gtest/gtest.h>

#include "base/host_fakes.h"
#include "project/plate_format.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::TempDir;
namespace fs = std::filesystem;
using test::WriteFileOrDie;

std::string PlateText(const std::string& geometry, const std::vector<std::string>& records) {
  std::string t = "\"title\"\r\n\"columns\"\r\n" + geometry + "\r\n\"records\"\r\n";
  for (const auto& r : records) t += r + "\r\n";
  return t;
}

TEST(BuiltInPlateFormats, W96fPairsTwoBeamColumnsPerWell) {
  PlateGeometry g;
  WellMap m;
  ASSERT_TRUE(InstallBuiltInPlateFormat("w96f", g, m));
  EXPECT_EQ(g.rows, 8);
  EXPECT_EQ(g.rowOffset, -0.5);
  EXPECT_EQ(g.columnOffset, 0.0);
  EXPECT_EQ(m.channelWell[0], 0);
  EXPECT_EQ(m.channelBeam[0], 0);
  EXPECT_EQ(m.channelWell[16], 0);
  EXPECT_EQ(m.channelBeam[16], 1);
  EXPECT_EQ(m.channelWell[2], 1);
  EXPECT_EQ(m.channelWell[32], 8);
  EXPECT_EQ(m.channelBeam[32], 0);
  EXPECT_EQ(m.channelWell[1], -1);
  EXPECT_EQ(m.highestWell, 96);
  EXPECT_EQ(m.highestBeam, 1);
  EXPECT_EQ(m.ChannelOf(95, 1), 16 * 23 + 14);
  EXPECT_EQ(m.ChannelOf(8, 1), 48);
}

TEST(BuiltInPlateFormats, W96uUsesEveryOtherBeamRowAndColumn) {
  PlateGeometry g;
  WellMap m;
  ASSERT_TRUE(InstallBuiltInPlateFormat("w96u", g, m));
  EXPECT_EQ(g.columnOffset, -0.5);
  EXPECT_EQ(m.channelWell[16], -1);
  EXPECT_EQ(m.channelWell[34], 9);
  EXPECT_EQ(m.highestWell, 96);
  EXPECT_EQ(m.highestBeam, 0);
  // The unused column 96 of the table names no channel.
  EXPECT_EQ(m.FindChannel(96, 0), -1);
  EXPECT_EQ(m.FindChannel(0, 0), 0);
}

TEST(BuiltInPlateFormats, W384IsOneBeamPerWellAndOthersAreNotBuiltIn) {
  PlateGeometry g;
  WellMap m;
  ASSERT_TRUE(InstallBuiltInPlateFormat("w384", g, m));
  EXPECT_EQ(g.rows, 16);
  EXPECT_EQ(g.columns, 24);
  for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(m.ChannelOf(c, 0), c);
  EXPECT_EQ(m.highestWell, 383);
  EXPECT_FALSE(InstallBuiltInPlateFormat("w24", g, m));
  EXPECT_EQ(m.highestWell, 383);  // untouched
}

TEST(PlateFormatParse, AllUnusedGivesAOneByOneTableHoldingZero) {
  std::vector<std::string> records(384, "\"-\",-1,0");
  PlateFormatParse p = ParsePlateFormat(PlateText("8,2,-0.5,12,2,0", records));
  ASSERT_TRUE(p.ok()) << p.error;
  WellMap m;
  InstallChannelRecords(p.channels, m);
  EXPECT_EQ(m.highestWell, 0);
  EXPECT_EQ(m.highestBeam, 0);
  EXPECT_EQ(m.table, std::vector<int16_t>{0});
  EXPECT_EQ(m.FindChannel(0, 0), -1);
}

TEST(PlateFormatParse, DuplicateWellAndBeamGoesToTheHigherChannel) {
  PlateFormatParse p =
      ParsePlateFormat(PlateText("1,1,0,1,1,0", {"\"A1.0\",0,0", "\"A1.0\",0,0", "\"A1.1\",0,1"}));
  ASSERT_TRUE(p.ok());
  WellMap m;
  InstallChannelRecords(p.channels, m);
  EXPECT_EQ(m.ChannelOf(0, 0), 1);
  EXPECT_EQ(m.ChannelOf(0, 1), 2);
  EXPECT_EQ(m.channelWell[0], 0);  // the lower channel still says well 0
}

TEST(PlateFormatParse, ShortFileLeavesNoStaleEntriesOfThePreviousFormat) {
  PlateGeometry g;
  WellMap m;
  InstallBuiltInPlateFormat("w384", g, m);
  PlateFormatParse p = ParsePlateFormat(PlateText("2,8,0,3,8,0", {"\"A1.0\",0,0", "\"A1.1\",0,1"}));
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p.channels.size(), 2u);
  InstallChannelRecords(p.channels, m);
  EXPECT_EQ(m.channelWell[1], 0);
  EXPECT_EQ(m.channelWell[2], -1);
  EXPECT_EQ(m.channelWell[383], -1);
  EXPECT_EQ(m.highestWell, 0);
  EXPECT_EQ(m.highestBeam, 1);
}

TEST(PlateFormatParse, BadInputIsRefusedWithTheStageReached) {
  struct Case {
    std::string text;
    int stage;
  };
  const std::vector<Case> cases = {
      {"", 1},
      {"\"t\"\r\n\"c\"\r\n", 1},                       // truncated before geometry
      {PlateText("8,2,-0.5,twelve,2,0", {}), 1},       // non-numeric
      {PlateText("70000,2,-0.5,12,2,0", {}), 1},       // beyond 16 bits
      {PlateText("0,2,0,12,2,0", {}), 1},              // no rows
      {PlateText("32767,2,0,32767,2,0", {}), 1},       // more wells than the beam grid holds
      {PlateText("17,2,0,12,2,0", {}), 1},
      {PlateText("8,2,0,25,2,0", {}), 1},
      {PlateText("8,0,0,12,2,0", {}), 1},              // zero pitch
      {PlateText("8,2,0,12,2,0", {"\"A1.0\",0"}), 2},  // record cut short
      {PlateText("8,2,0,12,2,0", {"\"A1.0\",0,x"}), 2},
      {PlateText("8,2,0,12,2,0", {"\"A1.0\",30000,0"}), 2},  // table would be enormous
      {PlateText("8,2,0,12,2,0", {"\"A1.0\",0,30000"}), 2},
      {PlateText("8,2,0,12,2,0", {"\"A1.0\",3,-1"}), 2},  // negative beam of a used well
  };
  for (const auto& c : cases) {
    PlateFormatParse p = ParsePlateFormat(c.text);
    EXPECT_FALSE(p.ok()) << c.text;
    EXPECT_EQ(p.stage, c.stage) << c.text << ": " << p.error;
  }
  std::string garbage(5000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 131 % 256);
  EXPECT_FALSE(ParsePlateFormat(garbage).ok());
}

TEST(PlateFormatParse, LfOnlyLineEndsAndNoFinalLineEnd) {
  PlateFormatParse p =
      ParsePlateFormat("\"t\"\n\"c\"\n1,1,0,2,1,0\n\"r\"\n\"A1.0\",0,0\n\"A2.0\",1,0");
  ASSERT_TRUE(p.ok()) << p.error;
  ASSERT_EQ(p.channels.size(), 2u);
  EXPECT_EQ(p.channels[1].well, 1);
}

class PlateLoaderTest : public ::testing::Test {
 protected:
  TempDir app_;
  FakeHost fake_;
  ProjectSettings settings_;
  PlateGeometry geometry_;
  WellMap map_;
};

TEST_F(PlateLoaderTest, MissingDefaultNameFallsBackToW96fWithStageZero) {
  settings_.Plate_format = "96f";
  PlateLoadResult r = LoadPlateFormat(app_.path(), settings_, geometry_, map_, fake_.host);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{
                "Error [\\96f.dat] ID#0 => Loading plate format from default: 384,96f or 96u..."});
  EXPECT_EQ(settings_.Plate_format, "w96f");
  EXPECT_EQ(map_.highestBeam, 1);
  EXPECT_EQ(map_.channelWell[16], 0);
}

TEST_F(PlateLoaderTest, MissingW48FallsBackToW96fButMissingW96uKeepsItsName) {
  settings_.Plate_format = "w48";
  LoadPlateFormat(app_.path(), settings_, geometry_, map_, fake_.host);
  EXPECT_EQ(settings_.Plate_format, "w96f");
  settings_.Plate_format = "w96u";
  LoadPlateFormat(app_.path(), settings_, geometry_, map_, fake_.host);
  EXPECT_EQ(settings_.Plate_format, "w96u");
  EXPECT_EQ(map_.highestBeam, 0);
  EXPECT_EQ(geometry_.columnOffset, -0.5);
}

TEST_F(PlateLoaderTest, GarbledFileNamesTheStageInTheMessage) {
  WriteFileOrDie(app_ / "w24.dat", PlateText("4,4,0,6,4,0", {"\"A1.0\",0,zero"}));
  settings_.Plate_format = "w24";
  LoadPlateFormat(app_.path(), settings_, geometry_, map_, fake_.host);
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error [\\w24.dat] ID#2 => Loading plate format from default: 384,96f or 96u...");
  EXPECT_EQ(settings_.Plate_format, "w96f");
}

TEST_F(PlateLoaderTest, NameReachingOutsideTheApplicationFolderIsRefused) {
  fs::create_directories(app_ / "sub");
  WriteFileOrDie(app_ / "sub" / "x.dat", PlateText("1,1,0,1,1,0", {"\"A1.0\",0,0"}));
  for (const char* name : {"sub/x", "../x", "", "/etc/passwd"}) {
    PlateLoadResult r = LoadPlateFormatStrict(app_.path(), name, geometry_, map_);
    EXPECT_FALSE(r.ok) << name;
    EXPECT_EQ(r.stage, 0);
  }
}

TEST_F(PlateLoaderTest, StrictFailureLeavesTheMapAsItWas) {
  InstallBuiltInPlateFormat("w384", geometry_, map_);
  WriteFileOrDie(app_ / "wbad.dat", PlateText("8,2,0,12,2,0", {"\"A1.0\",0,0", "\"x\",abc,0"}));
  PlateLoadResult r = LoadPlateFormatStrict(app_.path(), "wbad", geometry_, map_);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.stage, 2);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(geometry_.rows, 16);
  EXPECT_EQ(map_.highestWell, 383);
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
}

TEST_F(PlateLoaderTest, StrictLoadReplacesGeometryAndOffsets) {
  InstallBuiltInPlateFormat("w96u", geometry_, map_);
  WriteFileOrDie(app_ / "wone.dat", PlateText("1,1,0,2,1,0", {"\"A1.0\",0,0", "\"A2.0\",1,0"}));
  ASSERT_TRUE(LoadPlateFormatStrict(app_.path(), "wone", geometry_, map_).ok);
  EXPECT_EQ(geometry_.rowOffset, 0.0);
  EXPECT_EQ(geometry_.columnOffset, 0.0);
  EXPECT_EQ(map_.ChannelOf(1, 0), 1);
}

TEST(WellIndex, ColumnMajorNumbering) {
  PlateGeometry eight;
  eight.rows = 8;
  PlateGeometry sixteen;
  sixteen.rows = 16;
  EXPECT_EQ(WellIndex(eight, 'C', 2), 10);
  EXPECT_EQ(WellIndex(sixteen, 'C', 2), 18);
  EXPECT_EQ(WellIndex(eight, 'A', 1), 0);
  EXPECT_EQ(WellIndex(eight, 'H', 12), 95);
  EXPECT_EQ(WellIndex(eight, 'c', 2), 10);
}

TEST(Labels, WellChannelAndGroupLabels) {
  EXPECT_EQ(WellLabel(17, 8), "B3");
  EXPECT_EQ(WellLabel(0, 8), "A1");
  EXPECT_EQ(WellLabel(-1, 8), "");
  PlateGeometry g;
  WellMap m;
  InstallBuiltInPlateFormat("w96f", g, m);
  // Channel 16 * 5 + 2 is beam column 5 (second beam of plate column 3), beam row 2 (row B).
  EXPECT_EQ(ChannelLabel(m, g, 16 * 5 + 2), "B3.1");
  EXPECT_EQ(ChannelLabel(m, g, 1), "");
  EXPECT_EQ(GroupLabel(5, "Group5"), "005_Group5");
  EXPECT_EQ(GroupLabel(-1, "anything"), "999_Free");
  EXPECT_EQ(GroupLabel(12, "Free"), "012_Free");
}

TEST(KnownPlateFormats, InformationMessageOfAChosenFormat) {
  EXPECT_EQ(KnownPlateFormats().size(), 8u);
  const KnownPlateFormat* f = FindKnownPlateFormat("w96flat");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(PlateFormatInformation("w96flat"), "96 Wells flat bottom [4microbeams/well]\n" +
                                                   std::string(f->adapterHint) +
                                                   "\nNOTE: DISCONTINUED. Contact provider");
  EXPECT_EQ(PlateFormatInformation("w6").substr(0, 42),
            "6 Wells flat bottom [30-32microbeams/well]");
  EXPECT_EQ(PlateFormatInformation("w12"), "");
  int builtIn = 0;
  for (const auto& k : KnownPlateFormats()) builtIn += k.builtIn ? 1 : 0;
  EXPECT_EQ(builtIn, 3);
}

}  // namespace
}  // namespace movexa
