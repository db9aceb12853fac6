// "config.dat": clamps, byte layout, the load and save failures, the project folder derived
// from it and the "/run" start argument.
#include <gtest/gtest.h>

#include "app/config.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::GoldenDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;
namespace fs = std::filesystem;

constexpr const char* kHeader =
    "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n";

AppConfig Parsed(const std::string& line2) {
  ConfigRead r = ParseConfig(std::string(kHeader) + line2 + "\r\n");
  EXPECT_TRUE(r.ok()) << line2 << ": " << r.error;
  return r.config;
}

void ExpectConfig(const AppConfig& c, int project, int last, int port) {
  EXPECT_EQ(c.Actual_Project_Number, project);
  EXPECT_EQ(c.Last_Project, last);
  EXPECT_EQ(c.Serial_COM, port);
  EXPECT_EQ(c.Restart_Time, 0);
}

TEST(ConfigClamps, ValuesAreBroughtIntoRange) {
  ExpectConfig(Parsed("-3,0,0,9"), 0, 0, 1);
  ExpectConfig(Parsed("5,2,20,1"), 5, 5, 16);
  ExpectConfig(Parsed("3,7,4,0"), 3, 7, 4);
  ExpectConfig(Parsed(" 3 , 7 , 16 , -5 "), 3, 7, 16);
  ExpectConfig(Parsed("3,7,4,0,99,junk"), 3, 7, 4);  // nothing after the four values is read
}

TEST(ConfigReader, UnreadableTextGivesTheDefaults) {
  const std::string cases[] = {
      "",                                    // empty
      kHeader,                               // header only
      std::string(kHeader) + "3,7,4",        // truncated
      std::string(kHeader) + "3,seven,4,0",  // not a number
      std::string(kHeader) + "3,7,40000,0",  // beyond 16 bits
      "\x01\x02\xff garbage \"\r\n,,,,",     // garbage
  };
  for (const auto& text : cases) {
    ConfigRead r = ParseConfig(text);
    EXPECT_FALSE(r.ok()) << text;
    ExpectConfig(r.config, 1, 1, 4);
  }
}

TEST(ConfigReader, LfOnlyLineEnds) {
  ConfigRead r = ParseConfig("\"Config: x\"\n2,9,3,0\n");
  ASSERT_TRUE(r.ok());
  ExpectConfig(r.config, 2, 9, 3);
}

TEST(ConfigFile, WrittenBytesMatchTheGoldenFileAndReadBack) {
  const std::string golden = ReadFileOrDie(GoldenDir() / "app" / "config.dat");
  AppConfig c;
  c.Actual_Project_Number = 3;
  c.Last_Project = 7;
  c.Serial_COM = 4;
  EXPECT_EQ(FormatConfig(c), golden);
  EXPECT_EQ(FormatConfig(ParseConfig(golden).config), golden);
}

TEST(LoadConfig, MissingOrEmptyFileShowsTheMessageAndTakesDefaults) {
  TempDir app;
  FakeHost fake;
  AppConfig c;
  c.Actual_Project_Number = 9;
  EXPECT_FALSE(LoadConfig(app.path(), c, fake.host));
  ExpectConfig(c, 1, 1, 4);
  WriteFileOrDie(app / "config.dat", "");
  EXPECT_FALSE(LoadConfig(app.path(), c, fake.host));
  EXPECT_EQ(fake.dialogs.Messages(),
            (std::vector<std::string>(
                2, "Error opening config File >>>> Loading DEFAULT configuration...")));
}

TEST(LoadConfig, GoodFileIsQuiet) {
  TempDir app;
  FakeHost fake;
  fs::copy_file(GoldenDir() / "app" / "config.dat", app / "config.dat");
  AppConfig c;
  EXPECT_TRUE(LoadConfig(app.path(), c, fake.host));
  ExpectConfig(c, 3, 7, 4);
  EXPECT_TRUE(fake.dialogs.Messages().empty());
}

TEST(SaveConfig, RewritesTheWholeFile) {
  TempDir app;
  FakeHost fake;
  WriteFileOrDie(app / "config.dat", std::string(kHeader) + "1,1,4,0\r\nstale tail\r\n");
  AppConfig c;
  c.Actual_Project_Number = 12;
  c.Last_Project = 12;
  c.Serial_COM = 2;
  ASSERT_TRUE(SaveConfig(app.path(), c, fake.host));
  EXPECT_EQ(ReadFileOrDie(app / "config.dat"), std::string(kHeader) + "12,12,2,0\r\n");
}

TEST(SaveConfig, FailureShowsTheMessageAndKeepsTheValues) {
  TempDir app;
  FakeHost fake;
  AppConfig c;
  c.Actual_Project_Number = 5;
  EXPECT_FALSE(SaveConfig(app / "missing" / "folder", c, fake.host));
  EXPECT_EQ(fake.dialogs.Messages(), std::vector<std::string>{"<Error Saving Config File>"});
  EXPECT_EQ(c.Actual_Project_Number, 5);
}

TEST(DeriveProjectPath, ExistingFolderOrTheDefaultProject) {
  TempDir app;
  fs::create_directories(app / "p00003");
  AppConfig c;
  c.Actual_Project_Number = 3;
  EXPECT_EQ(DeriveProjectPath(app.path(), c), app / "p00003");
  EXPECT_EQ(c.Actual_Project_Number, 3);
  c.Actual_Project_Number = 7;  // no p00007
  EXPECT_EQ(DeriveProjectPath(app.path(), c), app.path());
  EXPECT_EQ(c.Actual_Project_Number, 0);
  WriteFileOrDie(app / "p00004", "a file, not a folder");
  c.Actual_Project_Number = 4;
  EXPECT_EQ(DeriveProjectPath(app.path(), c), app.path());
}

TEST(AutoRunArgument, ExactWordsAfterTrimming) {
  EXPECT_TRUE(IsAutoRunArgument("/run"));
  EXPECT_TRUE(IsAutoRunArgument("  /run  "));
  EXPECT_TRUE(IsAutoRunArgument("/RUN"));
  EXPECT_TRUE(IsAutoRunArgument("/Run"));
  EXPECT_FALSE(IsAutoRunArgument("-run"));
  EXPECT_FALSE(IsAutoRunArgument("/rUn"));
  EXPECT_FALSE(IsAutoRunArgument("/run now"));
  EXPECT_FALSE(IsAutoRunArgument(""));
}

}  // namespace
}  // namespace movexa
