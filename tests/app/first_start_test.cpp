// The first start on an account: the application folder laid out from the installation data
// when there is none (or an empty one), never over a folder that holds files; the message for
// a folder without config.dat; the help document when no viewer can open it.
#include <gtest/gtest.h>

#include "app/app_folder.h"
#include "app/main_window_ops.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::InstallDataDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

TEST(FirstStart, AMissingOrEmptyFolderIsLaidOutAndTheOperatorIsToldWhere) {
  TempDir home;
  const fs::path missing = home / ".local/share/movexa";
  EXPECT_EQ(InspectAppFolder(missing), AppFolderState::kMissing);
  FirstStart first = PrepareFirstStart(missing, InstallDataDir());
  ASSERT_TRUE(first.laidOut) << first.message;
  EXPECT_EQ(InspectAppFolder(missing), AppFolderState::kReady);
  EXPECT_EQ(ReadFileOrDie(missing / "config.dat"), ReadFileOrDie(InstallDataDir() / "config.dat"));
  EXPECT_NE(first.message.find("laid out in " + missing.string()), std::string::npos)
      << first.message;
  // A second start finds the folder ready and says nothing.
  FirstStart second = PrepareFirstStart(missing, InstallDataDir());
  EXPECT_FALSE(second.laidOut);
  EXPECT_TRUE(second.message.empty());

  const fs::path empty = home / "empty";
  fs::create_directories(empty);
  EXPECT_EQ(InspectAppFolder(empty), AppFolderState::kEmpty);
  EXPECT_TRUE(PrepareFirstStart(empty, InstallDataDir()).laidOut);
}

TEST(FirstStart, AFolderThatLostItsConfigIsNeverFilledAndStartUpNamesIt) {
  TempDir app;
  fs::create_directories(app / "p00003");
  WriteFileOrDie(app / "p00003" / "setup.dat", "my project");
  EXPECT_EQ(InspectAppFolder(app.path()), AppFolderState::kConfigLost);
  FirstStart r = PrepareFirstStart(app.path(), InstallDataDir());
  EXPECT_FALSE(r.laidOut);
  EXPECT_FALSE(fs::exists(app / "config.dat"));
  const std::string lost = ConfigNotFoundMessage(app.path());
  EXPECT_NE(lost.find("The application folder " + app.path().string() + " has no config.dat."),
            std::string::npos);
  // No installation data: nothing is made, and the message says the folder does not exist.
  TempDir home;
  EXPECT_FALSE(PrepareFirstStart(home / "movexa", std::nullopt).laidOut);
  EXPECT_FALSE(fs::exists(home / "movexa"));
  EXPECT_NE(ConfigNotFoundMessage(home / "movexa").find("does not exist"), std::string::npos);
  // A file where the folder should be is no first start either.
  WriteFileOrDie(home / "file", "x");
  EXPECT_EQ(InspectAppFolder(home / "file"), AppFolderState::kNotAFolder);
  EXPECT_FALSE(PrepareFirstStart(home / "file", InstallDataDir()).laidOut);
}

TEST(HelpDocument, OpenedWhenAViewerTakesItElseTheOperatorIsToldWhereItIs) {
  TempDir app;
  const fs::path doc = app / "mvx_help.pdf";
  WriteFileOrDie(doc, "%PDF-1.4");
  FakeHost fake;
  EXPECT_TRUE(OpenHelpDocument(fake.host, app.path(), {}));
  EXPECT_TRUE(fake.dialogs.shown().empty());
  ASSERT_EQ(fake.shell.calls().size(), 1u);
  EXPECT_EQ(fake.shell.calls()[0].target, doc.string());

  fake.shell.opens = false;  // no PDF viewer on this computer
  fake.dialogs.ExpectMessage("");
  EXPECT_FALSE(OpenHelpDocument(fake.host, app.path(), {}));
  ASSERT_EQ(fake.dialogs.Messages().size(), 1u);
  EXPECT_NE(fake.dialogs.Messages()[0].find("The help document is " + doc.string() + "."),
            std::string::npos);
}

}  // namespace
}  // namespace movexa
