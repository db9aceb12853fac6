// Byte layouts of the project files against golden files, and the pure readers' handling of
// truncated, garbled and overflowing input.
#include <gtest/gtest.h>

#include "base/text_records.h"
#include "project/project_files.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::GoldenDir;
using test::ReadFileOrDie;

// The record the golden files under tests/data/project/ hold.
ProjectSettings GoldenSettings() {
  ProjectSettings s;
  s.Name = "Larvae, batch 2";
  s.Working_folder = "C:\\Movexa\\p00007\\";
  s.Plate_format = "w24";
  s.Aq_mode = 2;
  s.Aq_lapse = 1440;
  s.Sample_Rate = 99;
  s.RT_Buffer = 1000;
  s.DSP_Method = 1;
  s.DSP_Interval = 25;
  s.Binary_Acq = 1;
  s.Threshold_Counter = 250;
  s.Cal_value = 85;
  s.Cal_mode = 2;
  s.Save_counts = 1;
  s.Save_real = 0;
  s.Menu = {1, 1, 0, 0, 0, 1};
  s.Mn = {{{1, 0, 1, 28, 0, 0},
           {1, 7, 19, 3, 5, 10},
           {1, 255, 0, 0, 0, 0},
           {0, 0, 0, 0, 0, 4},
           {0, 0, 0, 0, 0, 0},
           {-1, 0, 0, 0, 0, 32767}}};
  for (size_t c = 0; c < kChannelCount; ++c) {
    s.channelEnabled[c] = c % 5 != 0;
    s.ChannelThreshold[c] = c == 383      ? 0.0625
                            : c % 11 == 0 ? 2.34567
                            : c % 7 == 0  ? 2.5
                            : c % 13 == 0 ? 10.125
                                          : 3.0;
    s.channelGroup[c] = c == 383 ? 11 : c < 96 ? static_cast<int16_t>(c / 24) : kFreeGroup;
  }
  s.groupNames[0] = "Control";
  s.groupNames[1] = "Drug A 1uM";
  s.groupNames[2] = "Drug, high";
  return s;
}

std::string Golden(const char* name) {
  return ReadFileOrDie(GoldenDir() / "project" / name);
}

TEST(ProjectFileLayout, EveryFileMatchesItsGoldenBytes) {
  ProjectSettings s = GoldenSettings();
  EXPECT_EQ(FormatSetup(s, 7), Golden("setup.dat"));
  EXPECT_EQ(FormatChannelStatus(s), Golden("status.dat"));
  EXPECT_EQ(FormatThresholds(s), Golden("threshld.dat"));
  EXPECT_EQ(FormatGroupNames(s), Golden("groups.dat"));
  EXPECT_EQ(FormatChannelGroups(s), Golden("chgroup.dat"));
}

TEST(ProjectFileLayout, ThresholdsAreRoundedToThreeDecimalsHalvesToEven) {
  EXPECT_EQ(RoundThreshold(2.34567), 2.346);
  EXPECT_EQ(RoundThreshold(0.0625), 0.062);
  EXPECT_EQ(RoundThreshold(3.0), 3.0);
  ProjectSettings s;
  s.ChannelThreshold[0] = 2.34567;
  s.ChannelThreshold[1] = 2.5;
  std::string text = FormatThresholds(s);
  EXPECT_NE(text.find("\r\n0,2.346\r\n1,2.5\r\n2,3\r\n"), std::string::npos);
}

TEST(ProjectFileLayout, NameWithQuoteIsStoredWithApostrophe) {
  ProjectSettings s;
  s.Name = "Say \"hi\"";
  s.groupNames[4] = "the \"best\" group";
  std::string setup = FormatSetup(s, 1);
  EXPECT_NE(setup.find("\r\n1,\"Say 'hi'\",\"\",\"96f\"\r\n"), std::string::npos);
  EXPECT_NE(FormatGroupNames(s).find("\r\n4,\"the 'best' group\"\r\n"), std::string::npos);
}

TEST(SetupReader, GoldenFileReadsBackEveryField) {
  ProjectSettings s;
  SetupReadResult r = ReadSetupText(Golden("setup.dat"), s);
  ASSERT_FALSE(r.failed) << r.error;
  EXPECT_EQ(r.stage, 11);
  ProjectSettings g = GoldenSettings();
  EXPECT_EQ(s.Num_proj, "7");
  EXPECT_EQ(s.Name, "Larvae, batch 2");  // the comma inside the quotes stays in the name
  EXPECT_EQ(s.Working_folder, g.Working_folder);
  EXPECT_EQ(s.Plate_format, "w24");
  EXPECT_EQ(FormatSetup(s, 7), Golden("setup.dat"));
}

TEST(SetupReader, LfOnlyLineEndsReadTheSame) {
  std::string text = Golden("setup.dat");
  std::string lf;
  for (char c : text) {
    if (c != '\r') lf += c;
  }
  ProjectSettings s;
  ASSERT_FALSE(ReadSetupText(lf, s).failed);
  EXPECT_EQ(FormatSetup(s, 7), Golden("setup.dat"));
}

TEST(SetupReader, TwelveLinesLoadLinesOneToSixAndKeepToolsAndMn) {
  std::vector<std::string> lines = SplitLines(Golden("setup.dat"));
  std::string text;
  for (size_t i = 0; i < 12; ++i) text += lines[i] + "\r\n";
  ProjectSettings s;
  s.Menu = {0, 1, 1, 0, 0, 0};
  s.Mn[kMn1] = {2, 2, 2, 2, 2, 2};
  SetupReadResult r = ReadSetupText(text, s);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.stage, 4);
  EXPECT_EQ(s.RT_Buffer, 1000);
  EXPECT_EQ(s.Save_real, 0);
  EXPECT_EQ(s.Menu, (std::array<int16_t, 6>{0, 1, 1, 0, 0, 0}));
  EXPECT_EQ(s.Mn[kMn1], (std::array<int16_t, 6>{2, 2, 2, 2, 2, 2}));
}

TEST(SetupReader, FailureStageNamesTheBlockThatCouldNotBeRead) {
  const std::string golden = Golden("setup.dat");
  auto withLine = [&](size_t index, const std::string& replacement) {
    std::vector<std::string> lines = SplitLines(golden);
    lines[index] = replacement;
    std::string t;
    for (const auto& l : lines) t += l + "\r\n";
    return t;
  };
  struct Case {
    size_t line;  // 0-based
    std::string text;
    int stage;
  };
  const Case cases[] = {
      {1, "7,\"unterminated", 1},      // line 2: malformed text field
      {3, "2,1440,abc,1000,3,25", 2},  // line 4: not a number
      {3, "2,1440,99,0,3,25", 2},      // RT_Buffer 0 would size empty buffers
      {3, "2,1440,99,1000,3,0", 2},    // DSP_Interval 0 would divide by zero
      {5, "1,250,85,2,1,70000", 3},    // line 6: beyond 16 bits
      {7, "1,1,0,0,0,x", 4},           // tools
      {9, "1,0,1,28,0,", 5},           // Mn1: empty field
      {11, "1,7,19,3,5,ten", 6},       // Mn2
      {19, "-1,0,0,0,0,32768", 10},    // Mn6 overflows
  };
  for (const auto& c : cases) {
    ProjectSettings s;
    SetupReadResult r = ReadSetupText(withLine(c.line, c.text), s);
    EXPECT_TRUE(r.failed) << c.text;
    EXPECT_EQ(r.stage, c.stage) << c.text << ": " << r.error;
  }
}

TEST(SetupReader, TruncatedOrEmptyFileIsAStageOneFailure) {
  ProjectSettings s;
  EXPECT_EQ(ReadSetupText("", s).stage, 1);
  EXPECT_TRUE(ReadSetupText("", s).failed);
  std::vector<std::string> lines = SplitLines(Golden("setup.dat"));
  std::string five;
  for (size_t i = 0; i < 5; ++i) five += lines[i] + "\r\n";
  EXPECT_TRUE(ReadSetupText(five, s).failed);
  // Twenty lines counted but the last row cut short: the Mn6 block fails.
  std::string cut = Golden("setup.dat");
  cut.resize(cut.size() - 9);  // "0,0,32767\r\n" loses its last values
  SetupReadResult r = ReadSetupText(cut, s);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.stage, 10);
}

TEST(SetupReader, GarbageIsAFailureNotACrash) {
  std::string garbage;
  for (int i = 0; i < 4000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  ProjectSettings s;
  EXPECT_TRUE(ReadSetupText(garbage, s).failed);
}

TEST(SetupDefaults, BlocksBeforeTheFailingOneKeepTheirValues) {
  ProjectSettings s = GoldenSettings();
  ApplySetupDefaults(6, "/apps/p00003/", s);  // Mn2 failed
  EXPECT_EQ(s.Name, "Larvae, batch 2");
  EXPECT_EQ(s.RT_Buffer, 1000);
  EXPECT_EQ(s.Menu[5], 1);
  EXPECT_EQ(s.Mn[kMn1], GoldenSettings().Mn[kMn1]);
  EXPECT_EQ(s.Mn[kMn2], kDefaultMn[kMn2]);
  EXPECT_EQ(s.Mn[kMn6], kDefaultMn[kMn6]);

  ApplySetupDefaults(1, "/apps/p00003/", s);
  EXPECT_EQ(s.Name, "Default");
  EXPECT_EQ(s.Plate_format, "96f");
  EXPECT_EQ(s.Working_folder, "/apps/p00003/");
  EXPECT_EQ(s.Aq_lapse, 30);
  EXPECT_EQ(s.Threshold_Counter, 300);
}

TEST(SetupReader, StoredProjectNumberReadsLikeANumber) {
  EXPECT_EQ(StoredProjectNumber("4"), 4);
  EXPECT_EQ(StoredProjectNumber(" 00012"), 12);
  EXPECT_EQ(StoredProjectNumber("abc"), 0);
  EXPECT_EQ(StoredProjectNumber(""), 0);
}

TEST(ChannelFileReaders, GoldenFilesReadInRecordOrder) {
  auto status = ParseChannelStatus(Golden("status.dat"));
  ASSERT_TRUE(status.ok()) << status.error;
  ASSERT_EQ(status.values.size(), 384u);
  EXPECT_EQ(status.values[0], 0);
  EXPECT_EQ(status.values[1], 1);
  auto thresholds = ParseThresholds(Golden("threshld.dat"));
  ASSERT_TRUE(thresholds.ok());
  EXPECT_EQ(thresholds.values[11], 2.346);
  EXPECT_EQ(thresholds.values[13], 10.125);
  auto names = ParseGroupNames(Golden("groups.dat"));
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names.values[2], "Drug, high");
  auto groups = ParseChannelGroups(Golden("chgroup.dat"));
  ASSERT_TRUE(groups.ok());
  EXPECT_EQ(groups.values[95], 3);
  EXPECT_EQ(groups.values[96], -1);
  EXPECT_EQ(groups.values[383], 11);
}

TEST(ChannelFileReaders, RecordPositionDecidesTheEntryNotTheNumber) {
  auto v = ParseChannelGroups("\"h\"\r\n200,5\r\n7,6\r\n");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.values, (std::vector<int16_t>{5, 6}));
}

TEST(ChannelFileReaders, ReadingStopsAfter385Records) {
  std::string text = "\"h\"\r\n";
  for (int c = 0; c < 400; ++c) text += std::to_string(c) + ",1\r\n";
  EXPECT_EQ(ParseChannelStatus(text).values.size(), 385u);
}

TEST(ChannelFileReaders, BadInputFailsTheFile) {
  EXPECT_FALSE(ParseChannelStatus("").ok());                         // empty
  EXPECT_FALSE(ParseChannelStatus("\"h\"\r\n0,1\r\n1,x\r\n").ok());  // non-numeric
  EXPECT_FALSE(ParseChannelStatus("\"h\"\r\n0,1\r\n1").ok());        // truncated record
  EXPECT_FALSE(ParseChannelStatus("\"h\"\r\n0,40000\r\n").ok());     // beyond 16 bits
  EXPECT_FALSE(ParseThresholds("\"h\"\r\n0,nan\r\n").ok());
  EXPECT_FALSE(ParseGroupNames("\"h\"\r\n0,\"open\r\n").ok());  // unterminated text
  EXPECT_FALSE(ParseChannelGroups("\"h\"\r\n0,384\r\n").ok());  // no such group
  EXPECT_FALSE(ParseChannelGroups("\"h\"\r\n0,-2\r\n").ok());
  EXPECT_TRUE(ParseChannelGroups("\"h\"\r\n0,-1\n1,383\n").ok());  // LF-only line ends
  EXPECT_TRUE(ParseChannelStatus("\"h\"\r\n").ok());               // header only: no records
}

TEST(SubprojectFile, OneOrTwoQuotedFields) {
  auto one = ParseSubproject("\"drug A\"\r\n");
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one.name, "drug A");
  EXPECT_FALSE(one.hasSecond);
  auto two = ParseSubproject("\"Data Block: x + \"\r\n\"Joint Files\"\r\n");
  ASSERT_TRUE(two.ok());
  EXPECT_TRUE(two.hasSecond);
  EXPECT_EQ(two.second, "Joint Files");
  std::string second = "Joint Files";
  EXPECT_EQ(FormatSubproject("new", &second), "\"new\"\r\n\"Joint Files\"\r\n");
  EXPECT_EQ(FormatSubproject("new", nullptr), "\"new\"\r\n");
  EXPECT_FALSE(ParseSubproject("").ok());
}

}  // namespace
}  // namespace movexa
