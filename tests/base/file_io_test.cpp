#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "base/file_io.h"
#include "support/test_support.h"

namespace movexa {
namespace {

TEST(FileIo, AppendAddsWholeRecordsAndAtomicWriteReplaces) {
  test::TempDir dir;
  auto p = dir / "counts.bin";
  ASSERT_TRUE(AppendToFile(p, std::string(774, 'a')));
  ASSERT_TRUE(AppendToFile(p, std::string(774, 'b')));
  EXPECT_EQ(FileLength(p), 2 * 774);
  ASSERT_TRUE(WriteAt(p, 774, "XY"));
  EXPECT_EQ(test::ReadFileOrDie(p).substr(773, 4), "aXYb");
  ASSERT_TRUE(WriteFileAtomic(p, "new"));
  EXPECT_EQ(test::ReadFileOrDie(p), "new");
  EXPECT_FALSE(IsFile(dir / "counts.bin.tmp"));
}

TEST(FileIo, AFailedAppendLeavesTheFileAsItWas) {
  test::TempDir dir;
  auto p = dir / "0.bin";
  ASSERT_TRUE(AppendToFile(p, std::string(1000, 'x')));
  // Limit the file size so that the next append runs out of room part-way.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = old;
  lim.rlim_cur = 1500;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  std::string error;
  bool ok = AppendToFile(p, std::string(1000, 'y'), &error);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(FileLength(p), 1000);
}

TEST(FileIo, MissingFilesAreReportedNotThrown) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(ReadWholeFile(dir / "none", &error));
  EXPECT_NE(error.find("none"), std::string::npos);
  EXPECT_FALSE(CopyFileOver(dir / "none", dir / "other"));
  EXPECT_EQ(FileLength(dir / "none"), -1);
  bool ok = true;
  EXPECT_TRUE(ListSubfolders(dir / "none", &ok).empty());
  EXPECT_FALSE(ok);
}

TEST(FileIo, ReadersTakeRegularFilesWithinTheirBoundOnly) {
  test::TempDir dir;
  // A FIFO nobody writes to would block an ordinary open for ever; a link to /dev/zero would be
  // read until memory runs out. Both are refused at once.
  ASSERT_EQ(::mkfifo((dir / "repoconf.dat").c_str(), 0644), 0);
  std::string error;
  EXPECT_FALSE(ReadWholeFile(dir / "repoconf.dat", &error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  EXPECT_LT(OpenRegularFileForReading(dir / "repoconf.dat"), 0);
  std::filesystem::create_symlink("/dev/zero", dir / "subproj.dat");
  EXPECT_FALSE(ReadWholeFile(dir / "subproj.dat"));
  EXPECT_FALSE(ReadWholeFile(dir.path()));
  // A file longer than its format allows is refused; a link to a regular file is read.
  test::WriteFileOrDie(dir / "setup.dat", std::string(100, 'x'));
  EXPECT_FALSE(ReadWholeFile(dir / "setup.dat", &error, 99));
  EXPECT_EQ(ReadWholeFile(dir / "setup.dat", nullptr, 100)->size(), 100u);
  std::filesystem::create_symlink(dir / "setup.dat", dir / "link.dat");
  EXPECT_EQ(ReadWholeFile(dir / "link.dat")->size(), 100u);
}

TEST(FileIo, WritersReplaceAPlantedLinkAndNeverWriteThroughIt) {
  test::TempDir dir;
  const auto outside = dir / "outside.txt";
  test::WriteFileOrDie(outside, "keep");
  auto plant = [&](const char* name) {
    std::filesystem::remove(dir / name);
    std::filesystem::create_symlink(outside, dir / name);
  };
  plant("report.csv");
  ASSERT_TRUE(WriteWholeFile(dir / "report.csv", "report"));
  plant("copy.csv");
  ASSERT_TRUE(CopyFileOver(dir / "report.csv", dir / "copy.csv"));
  plant("counts.bin");
  ASSERT_TRUE(AppendToFile(dir / "counts.bin", "rec"));
  test::WriteFileOrDie(dir / "setup.dat", "old");
  plant("setup.dat.tmp");
  ASSERT_TRUE(WriteFileAtomic(dir / "setup.dat", "new"));
  plant("0.bin");
  EXPECT_FALSE(WriteAt(dir / "0.bin", 0, "x"));
  EXPECT_EQ(test::ReadFileOrDie(outside), "keep");
  for (const char* name : {"report.csv", "copy.csv", "counts.bin", "setup.dat"}) {
    EXPECT_FALSE(std::filesystem::is_symlink(dir / name)) << name;
  }
  EXPECT_EQ(test::ReadFileOrDie(dir / "copy.csv"), "report");
  EXPECT_EQ(test::ReadFileOrDie(dir / "counts.bin"), "rec");
  EXPECT_EQ(test::ReadFileOrDie(dir / "setup.dat"), "new");
  // A second name of the same file (a hard link) is not rewritten through either.
  std::filesystem::create_hard_link(outside, dir / "hard.csv");
  ASSERT_TRUE(WriteWholeFile(dir / "hard.csv", "mine"));
  EXPECT_EQ(test::ReadFileOrDie(outside), "keep");
  // A FIFO at a writer's name is refused at once instead of waiting for a reader.
  ASSERT_EQ(::mkfifo((dir / "ch1.raw").c_str(), 0644), 0);
  EXPECT_FALSE(AppendToFile(dir / "ch1.raw", "mark"));
  EXPECT_FALSE(WriteWholeFile(dir / "ch1.raw", "mark"));
}

TEST(FileIo, FolderArgumentsAreNormalisedToTheirOwnName) {
  const auto cwd = std::filesystem::current_path();
  EXPECT_EQ(NormaliseFolder("runs/20240319_1405/"), cwd / "runs" / "20240319_1405");
  EXPECT_EQ(NormaliseFolder("runs//20240319_1405/./"), cwd / "runs" / "20240319_1405");
  EXPECT_EQ(NormaliseFolder("."), cwd);
  EXPECT_EQ(NormaliseFolder("/a/b/../c/"), std::filesystem::path("/a/c"));
  EXPECT_EQ(NormaliseFolder("/"), std::filesystem::path("/"));
  EXPECT_EQ(NormaliseFolder(""), std::filesystem::path());
}

}  // namespace
}  // namespace movexa
