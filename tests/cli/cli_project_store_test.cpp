// movexa-cli's project store under the faults a lab meets: detection settings that would count
// nothing, a file-size limit and a full disk during a creation, a link planted at the project
// folder's name, and a config.dat that is no file. Each runs the built program on a fresh
// application folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <sstream>

#include "cli_run.h"
#include "support/test_support.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Has;
using test::Quoted;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

// The entries of the application folder a creation may leave behind.
std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

class CliProjectStore : public ::testing::Test {
 protected:
  CliProjectStore() {
    const test::CliRun init = Cli("init --app-dir " + Quoted(app_));
    EXPECT_EQ(init.exitCode, 0) << init.output;
  }
  std::string Dir() const { return " --app-dir " + Quoted(app_); }

  TempDir d_;
  fs::path app_ = d_ / "app";
};

TEST_F(CliProjectStore, SettingsThatCountNothingAreRefusedAtCreationAndMendedAtLoad) {
  // The demo counts with method 1 and C.elegans' SNR 1.8.
  const std::pair<const char*, const char*> refused[] = {
      {"--method 3",
       "The project cannot be created: SNR 1.8 with detection method 3. Enter a valid SNR: 0.5 "
       "to 0.9."},
      {"--interval 32767", "Enter a detection interval from 1 to 500 samples"}};
  for (const auto& [options, said] : refused) {
    test::CliRun r = Cli(std::string("project create --name Flies ") + options + Dir());
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_TRUE(Has(r.output, said)) << r.output;
  }
  EXPECT_FALSE(fs::exists(app_ / "p00002"));
  test::CliRun flies = Cli("project create --name Flies --method 3 --snr 0.8" + Dir());
  ASSERT_EQ(flies.exitCode, 0) << flies.output;
  EXPECT_TRUE(Has(flies.output, "Detection Mode3, C.elegans [snr 0.8]")) << flies.output;

  // Thresholds of 0 written by hand are said and replaced when the project is loaded.
  std::string zero = "\"<Channel>, <Threshold>\"\r\n";
  for (int c = 0; c < 384; ++c) zero += std::to_string(c) + ",0\r\n";
  WriteFileOrDie(app_ / "p00002" / "threshld.dat", zero);
  test::CliRun load = Cli("project" + Dir());
  EXPECT_EQ(load.exitCode, 0) << load.output;
  EXPECT_TRUE(Has(load.output,
                  "Error [\\p00002\\threshld.dat] threshold 0 on 384 channels (A threshold must "
                  "lie above 0 percent) => Loading default value 3..."))
      << load.output;
}

TEST_F(CliProjectStore, AFileSizeLimitDuringCreationLeavesNoHalfProject) {
  const std::string config = ReadFileOrDie(app_ / "config.dat");
  const std::set<std::string> before = Entries(app_);
  // 3 KB: the setup fits, the group names do not.
  test::CliRun r = test::RunShell("bash -c \"ulimit -f 3; exec " +
                                  test::CliCommand("project create --name Half" + Dir()) + "\"");
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_TRUE(Has(r.output, "File too large")) << r.output;
  EXPECT_FALSE(Has(r.output, "created project")) << r.output;
  EXPECT_EQ(Entries(app_), before);
  EXPECT_EQ(ReadFileOrDie(app_ / "config.dat"), config);
  test::CliRun list = Cli("project list" + Dir());
  EXPECT_FALSE(Has(list.output, "p00002")) << list.output;
}

TEST_F(CliProjectStore, OverwriteReplacesALinkAtTheFolderNameNotItsTarget) {
  const fs::path outside = d_ / "outside";
  fs::create_directories(outside);
  WriteFileOrDie(outside / "notes.txt", "mine");
  fs::create_directory_symlink(outside, app_ / "p00002");
  test::CliRun no = Cli("project create --name Dose" + Dir());
  EXPECT_EQ(no.exitCode, 1) << no.output;
  EXPECT_TRUE(fs::is_symlink(app_ / "p00002"));
  test::CliRun yes = Cli("project create --name Dose --overwrite" + Dir());
  ASSERT_EQ(yes.exitCode, 0) << yes.output;
  EXPECT_TRUE(Has(yes.output, "created project 2")) << yes.output;
  EXPECT_EQ(Entries(outside), std::set<std::string>{"notes.txt"});
  EXPECT_EQ(ReadFileOrDie(outside / "notes.txt"), "mine");
  EXPECT_FALSE(fs::is_symlink(app_ / "p00002"));
  EXPECT_TRUE(fs::exists(app_ / "p00002" / "chgroup.dat"));
}

TEST_F(CliProjectStore, AssignKilledAtAnyRenameLeavesTheOldOrTheNewGroupsWhole) {
  // strace kills the program as it enters its n-th rename: the pending list, then setup.bak,
  // the five project files (group names before channel groups), until a run gets through.
  if (test::RunShell("strace -o /dev/null true").exitCode != 0) {
    GTEST_SKIP() << "strace cannot trace here";
  }
  ASSERT_EQ(Cli("project assign --clear --group Alpha --number 0 A1-H12" + Dir()).exitCode, 0);
  const std::string oldGroups = "000_Alpha                 96 wells  192 channels";
  const std::string newGroups = "000_Beta                  48 wells   96 channels";
  bool finished = false;
  for (int n = 1; n <= 12 && !finished; ++n) {
    const fs::path copy = d_ / ("app" + std::to_string(n));
    fs::copy(app_, copy, fs::copy_options::recursive);
    const test::CliRun killed = test::RunShell(
        "strace -f -o /dev/null -e trace=rename,renameat,renameat2 -e "
        "inject=rename,renameat,renameat2:signal=KILL:when=" +
        std::to_string(n) + " " +
        test::CliCommand("project assign --clear --group Beta --number 0 A1-D12 --app-dir " +
                         Quoted(copy)));
    finished = killed.exitCode == 0;
    const test::CliRun loaded = Cli("project --app-dir " + Quoted(copy));
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    // Before the list is in place the old groups stand; from then on the load finishes the
    // save. Never the new names over the old channel groups.
    EXPECT_TRUE(Has(loaded.output, n == 1 ? oldGroups : newGroups)) << n << loaded.output;
    for (const auto& name : Entries(copy / "p00001")) {
      EXPECT_EQ(name.find(".dat."), std::string::npos) << n << ": " << name;
      EXPECT_NE(name, "save.pending") << n;
      EXPECT_EQ(name.find("save.pending."), std::string::npos) << n << ": " << name;
    }
  }
  EXPECT_TRUE(finished);
}

TEST_F(CliProjectStore, AConfigThatIsAFifoIsSaidAsWhatItIs) {
  fs::remove(app_ / "config.dat");
  ASSERT_EQ(::mkfifo((app_ / "config.dat").c_str(), 0644), 0);
  test::CliRun r = Cli("project" + Dir());
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_TRUE(Has(r.output, "is a named pipe (FIFO), not a file")) << r.output;
  EXPECT_FALSE(Has(r.output, "not found")) << r.output;
}

TEST_F(CliProjectStore, OnAFullDiskACreationIsWholeOrAbsentWhateverRunsOut) {
  // A small file system of its own (a tmpfs in a user and mount namespace), filled up but for
  // 0, 1, 2, ... pages: the creation runs out at every step in turn, the last of them the
  // rewrite of config.dat after the project folder is in place.
  if (test::RunShell("unshare -rm true").exitCode != 0) {
    GTEST_SKIP() << "no user and mount namespaces here to mount a small file system";
  }
  const fs::path disk = d_ / "disk";
  fs::create_directories(disk);
  const std::string cli = test::CliCommand("");
  const std::string app = (disk / "app").string();
  WriteFileOrDie(d_ / "full.sh",
                 "set -u\n"
                 "mount -t tmpfs -o size=512k tmpfs '" +
                     disk.string() +
                     "' || exit 90\n"
                     "for free in $(seq 0 14); do\n"
                     "  rm -rf '" +
                     disk.string() + "'/* '" + disk.string() +
                     "'/.[!.]*\n"
                     "  cp -a '" +
                     app_.string() + "' '" + app +
                     "'\n"
                     "  head -c 600000 /dev/zero > '" +
                     disk.string() +
                     "/fill' 2>/dev/null\n"
                     "  truncate -s -$((free * 4096)) '" +
                     disk.string() +
                     "/fill'\n"
                     "  " +
                     cli + " project create --name Full --app-dir '" + app +
                     "' >/dev/null 2>&1\n"
                     "  code=$?\n"
                     "  listed=$(" +
                     cli + " project list --app-dir '" + app +
                     "' 2>/dev/null | grep -c p00002)\n"
                     "  hidden=$(ls -A '" +
                     app +
                     "' | grep -c '^[.]')\n"
                     "  config=$(sed -n 2p '" +
                     app +
                     "/config.dat' | tr -d '\\r')\n"
                     "  whole=$(ls '" +
                     app +
                     "/p00002' 2>/dev/null | grep -c '[.]dat$')\n"
                     "  echo \"$free $code $listed $hidden $config $whole\"\n"
                     "done\n");
  test::CliRun r = test::RunShell("unshare -rm bash " + Quoted(d_ / "full.sh"));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  int created = 0, refused = 0;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    int free = 0, code = 0, listed = 0, hidden = 0, whole = 0;
    std::string config;
    ASSERT_TRUE(in >> free >> code >> listed >> hidden >> config >> whole) << line;
    EXPECT_EQ(hidden, 0) << line;
    if (code == 0) {
      ++created;
      EXPECT_EQ(listed, 1) << line;
      EXPECT_EQ(config, "2,2,4,0") << line;
      EXPECT_EQ(whole, 5) << line;
    } else {
      ++refused;
      EXPECT_EQ(listed, 0) << line;
      EXPECT_EQ(config, "1,1,4,0") << line;
      EXPECT_EQ(whole, 0) << line;
    }
  }
  EXPECT_GT(refused, 0) << r.output;
  EXPECT_GT(created, 0) << r.output;
}

}  // namespace
}  // namespace movexa
