// The application folder rule and the lay-out of a fresh application folder that must never
// overwrite what the operator already has.
#include <gtest/gtest.h>

#include "app/app_folder.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::InstallDataDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

TEST(ChooseAppDir, OptionThenEnvironmentThenExecutableThenUserData) {
  TempDir exe;
  AppDirSources s;
  s.appDirOption = "/opt/a";
  s.movexaHome = "/opt/home";
  s.xdgDataHome = "/xdg";
  s.home = "/home/u";
  s.executableDir = exe.path();
  EXPECT_EQ(ChooseAppDir(s), fs::path("/opt/a"));
  s.appDirOption = "";  // an empty option counts as not given
  EXPECT_EQ(ChooseAppDir(s), fs::path("/opt/home"));
  s.movexaHome.reset();
  EXPECT_EQ(ChooseAppDir(s), fs::path("/xdg/movexa"));
  WriteFileOrDie(exe / "config.dat", "x");
  EXPECT_EQ(ChooseAppDir(s), exe.path());
  s.executableDir.clear();
  s.xdgDataHome.reset();
  EXPECT_EQ(ChooseAppDir(s), fs::path("/home/u/.local/share/movexa"));
  s.home.reset();
  EXPECT_EQ(ChooseAppDir(s), fs::path("movexa-home"));
}

TEST(FindInstallationData, FirstCandidateHoldingConfigDat) {
  TempDir own;
  TempDir prefix;
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "movexa" / "data");
  WriteFileOrDie(prefix / "share" / "movexa" / "data" / "config.dat", "x");
  // MOVEXA_DATA without config.dat is passed over.
  EXPECT_EQ(FindInstallationData(own.path().string(), prefix / "bin"),
            prefix / "share" / "movexa" / "data");
  WriteFileOrDie(own / "config.dat", "x");
  EXPECT_EQ(FindInstallationData(own.path().string(), prefix / "bin"), own.path());
  // Nothing else: the source tree's data/ compiled in.
  auto found = FindInstallationData(std::nullopt, {});
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(fs::equivalent(*found, InstallDataDir()));
}

TEST(FindHelpDocument, ApplicationFolderThenBesideTheProgramThenInstalledData) {
  TempDir app;
  TempDir prefix;
  const fs::path bin = prefix / "bin";
  const fs::path shared = prefix / "share" / "movexa" / "data";
  fs::create_directories(bin);
  fs::create_directories(shared);
  // A folder of that name is not the document.
  fs::create_directories(app / "mvx_help.pdf");
  WriteFileOrDie(shared / "mvx_help.pdf", "installed");
  EXPECT_EQ(FindHelpDocument(app.path(), bin), shared / "mvx_help.pdf");
  WriteFileOrDie(bin / "mvx_help.pdf", "beside");
  EXPECT_EQ(FindHelpDocument(app.path(), bin), bin / "mvx_help.pdf");
  fs::remove(app / "mvx_help.pdf");
  WriteFileOrDie(app / "mvx_help.pdf", "own");
  EXPECT_EQ(FindHelpDocument(app.path(), bin), app / "mvx_help.pdf");
}

TEST(LayOutApplicationFolder, FreshFolderGetsEveryFile) {
  TempDir app;
  LayOutResult r = LayOutApplicationFolder(InstallDataDir(), app / "new" / "home");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.kept.empty());
  EXPECT_EQ(ReadFileOrDie(app / "new" / "home" / "p00001" / "setup.dat"),
            ReadFileOrDie(InstallDataDir() / "p00001" / "setup.dat"));
  EXPECT_EQ(ReadFileOrDie(app / "new" / "home" / "w6.dat"),
            ReadFileOrDie(InstallDataDir() / "w6.dat"));
}

TEST(LayOutApplicationFolder, ExistingFilesAreNeverOverwritten) {
  TempDir app;
  WriteFileOrDie(app / "config.dat", "mine");
  fs::create_directories(app / "p00001");
  WriteFileOrDie(app / "p00001" / "groups.dat", "my groups");
  LayOutResult r = LayOutApplicationFolder(InstallDataDir(), app.path());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(ReadFileOrDie(app / "config.dat"), "mine");
  EXPECT_EQ(ReadFileOrDie(app / "p00001" / "groups.dat"), "my groups");
  EXPECT_TRUE(fs::exists(app / "p00001" / "chgroup.dat"));
  EXPECT_EQ(r.kept, (std::vector<std::string>{"config.dat", "p00001/groups.dat"}));
  // A second lay-out keeps everything.
  LayOutResult again = LayOutApplicationFolder(InstallDataDir(), app.path());
  EXPECT_TRUE(again.copied.empty());
}

TEST(LayOutApplicationFolder, UnusableTargetIsReported) {
  TempDir app;
  WriteFileOrDie(app / "file", "x");
  LayOutResult r = LayOutApplicationFolder(InstallDataDir(), app / "file");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_FALSE(LayOutApplicationFolder(app / "no-data", app / "out").ok);
}

}  // namespace
}  // namespace movexa
