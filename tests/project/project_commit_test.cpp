// Saves and creations of projects under real faults: a process killed between any two steps of
// a save or a creation, a file-size limit part-way through the files, two writers of one file at
// once, and pending lists that were not written by a save.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "base/file_io.h"
#include "base/host_fakes.h"
#include "project/group_editing.h"
#include "project/plate_format.h"
#include "project/project_commit.h"
#include "project/project_files.h"
#include "project/project_folders.h"
#include "project/project_store.h"
#include "project/setup_projects.h"
#include "support/test_support.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

constexpr const char* kFiles[] = {"setup.dat", "status.dat", "threshld.dat", "groups.dat",
                                  "chgroup.dat"};

// Two versions of one project that differ in every file.
ProjectSettings OldProject() {
  ProjectSettings p;
  p.Name = "Old";
  p.Plate_format = "w96f";
  return p;
}
ProjectSettings NewProject() {
  ProjectSettings p = OldProject();
  p.Name = "New";
  p.Aq_lapse = 720;
  for (size_t c = 0; c < kChannelCount; ++c) {
    p.channelEnabled[c] = c % 3 != 0;
    p.ChannelThreshold[c] = 4.5;
    p.channelGroup[c] = static_cast<int16_t>(c % 7);
  }
  for (int g = 0; g < 7; ++g) p.groupNames[static_cast<size_t>(g)] = "Dose " + std::to_string(g);
  return p;
}

bool SameProject(const ProjectSettings& a, const ProjectSettings& b) {
  return a.Name == b.Name && a.Aq_lapse == b.Aq_lapse && a.channelEnabled == b.channelEnabled &&
         a.ChannelThreshold == b.ChannelThreshold && a.channelGroup == b.channelGroup &&
         a.groupNames == b.groupNames;
}

// The project as the next start-up loads it.
ProjectSettings Loaded(const fs::path& appDir, const fs::path& folder, int n) {
  FakeHost fake;
  fake.dialogs.Lenient();
  ProjectSettings s;
  PlateGeometry g;
  WellMap map;
  LoadProject(static_cast<int16_t>(n), {appDir, folder}, s, g, map, fake.host);
  return s;
}

// Entries of a folder that a save or a creation adds only for a moment.
std::vector<std::string> Leftovers(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name == "save.pending" || name.find(".save") != std::string::npos ||
        name.find(".tmp") != std::string::npos || name.find(".new") != std::string::npos) {
      out.push_back(name);
    }
  }
  return out;
}

// Runs `work` in a child process that is killed (SIGKILL) at the `killAt`-th step it reports;
// true when the child died of that kill.
bool KilledAtStep(int killAt, const std::function<void(const SaveStepObserver&)>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    int seen = 0;
    work([&](std::string_view) {
      if (seen++ == killAt) ::raise(SIGKILL);
    });
    ::_exit(3);  // the step was never reached
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Lowers the file-size limit for the life of the object (a file growing past it fails with
// EFBIG, as on a full disk).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  struct rlimit old_ {};
  void (*handler_)(int) = nullptr;
};

TEST(ProjectSave, AKillBetweenAnyTwoStepsLeavesTheOldOrTheNewProjectWhole) {
  TempDir app;
  test::LayOutAppFolder(app.path());
  const fs::path folder = app / "p00004";
  fs::create_directories(folder);
  // The steps of one save, as its observer reports them.
  std::vector<std::string> steps;
  ASSERT_TRUE(SaveProject(folder, 4, OldProject()).ok);
  ASSERT_TRUE(
      SaveProject(folder, 4, NewProject(), [&](std::string_view s) { steps.emplace_back(s); }).ok);
  ASSERT_EQ(steps.front(), "staged");
  ASSERT_EQ(steps[1], "committed");
  ASSERT_EQ(steps.back(), "done");
  ASSERT_EQ(steps.size(), 3u + 6u);  // setup.bak and the five files are each renamed

  for (size_t k = 0; k < steps.size(); ++k) {
    ASSERT_TRUE(SaveProject(folder, 4, OldProject()).ok);
    ASSERT_TRUE(KilledAtStep(static_cast<int>(k), [&](const SaveStepObserver& step) {
      SaveProject(folder, 4, NewProject(), step);
    })) << steps[k];
    // Before the commit point the old project stands; after it the next load finishes the
    // save: never new group names over old channel groups.
    const ProjectSettings loaded = Loaded(app.path(), folder, 4);
    const bool committed = k >= 1;
    EXPECT_TRUE(SameProject(loaded, committed ? NewProject() : OldProject())) << steps[k];
    EXPECT_TRUE(Leftovers(folder).empty()) << steps[k] << ": " << Leftovers(folder).front();
  }
  // A later save after the finished one still keeps "setup.bak" as the setup it replaced.
  const std::string before = ReadFileOrDie(folder / "setup.dat");
  ASSERT_TRUE(SaveProject(folder, 4, OldProject()).ok);
  EXPECT_EQ(ReadFileOrDie(folder / "setup.bak"), before);
}

TEST(ProjectSave, AFileSizeLimitPartWayLeavesEveryOldFile) {
  TempDir dir;
  ASSERT_TRUE(SaveProject(dir.path(), 2, OldProject()).ok);
  std::vector<std::string> before;
  for (const char* f : kFiles) before.push_back(ReadFileOrDie(dir / f));
  // The first files fit under the limit, a later one does not: the save is named after it.
  std::string tooLarge;
  for (const auto& f : ProjectFileContents(NewProject(), 2, std::nullopt)) {
    if (f.bytes.size() > 3000 && tooLarge.empty()) tooLarge = f.name;
  }
  ASSERT_LT(FormatSetup(NewProject(), 2).size(), 3000u);
  ASSERT_FALSE(tooLarge.empty());
  SaveResult r;
  {
    FileSizeLimit limit(3000);
    r = SaveProject(dir.path(), 2, NewProject());
  }
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find((dir / tooLarge).string()), std::string::npos) << r.error;
  for (size_t i = 0; i < std::size(kFiles); ++i) {
    EXPECT_EQ(ReadFileOrDie(dir / kFiles[i]), before[i]) << kFiles[i];
  }
  EXPECT_TRUE(Leftovers(dir.path()).empty());
}

TEST(ProjectSave, PendingListsNotWrittenByASaveAreNotFollowed) {
  TempDir dir;
  ASSERT_TRUE(SaveProject(dir.path(), 2, OldProject()).ok);
  const std::string groups = ReadFileOrDie(dir / "groups.dat");
  // A list naming a file outside the folder, or a file that is no staged copy of its target.
  WriteFileOrDie(dir / "outside.txt", "mine");
  for (const char* list : {"\"h\"\r\n\"../outside.txt\",\"groups.dat\"\r\n",
                           "\"h\"\r\n\"outside.txt\",\"groups.dat\"\r\n", "damaged"}) {
    WriteFileOrDie(dir / "save.pending", list);
    std::string error;
    EXPECT_TRUE(FinishPendingSave(dir.path(), &error)) << error;
    EXPECT_EQ(ReadFileOrDie(dir / "groups.dat"), groups) << list;
    EXPECT_EQ(ReadFileOrDie(dir / "outside.txt"), "mine") << list;
    EXPECT_FALSE(fs::exists(dir / "save.pending")) << list;
  }
}

TEST(AtomicWrite, TwoWritersOfOneFileEachPutAWholeContentInPlace) {
  // Each writer stages under its own name: with one shared temporary name a writer renamed
  // the other's half-written file, or found its own gone and failed.
  TempDir dir;
  const fs::path file = dir / "setup.dat";
  const std::string contents[2] = {std::string(20000, 'a'), std::string(30000, 'b')};
  int failures[2] = {0, 0};
  auto writer = [&](int w) {
    for (int i = 0; i < 150; ++i) {
      if (!WriteFileAtomic(file, contents[w])) ++failures[w];
    }
  };
  std::thread a(writer, 0), b(writer, 1);
  a.join();
  b.join();
  EXPECT_EQ(failures[0] + failures[1], 0);
  const std::string last = ReadFileOrDie(file);
  EXPECT_TRUE(last == contents[0] || last == contents[1]);
  EXPECT_TRUE(Leftovers(dir.path()).empty());
}

class NewProjectFolder : public ::testing::Test {
 protected:
  NewProjectFolder() { test::LayOutAppFolder(app_.path()); }
  std::vector<std::string> Listed() {
    FakeHost fake;
    fake.dialogs.Lenient();
    std::vector<std::string> out;
    for (const auto& e : ProjectList(app_.path(), fake.host)) out.push_back(e.folder);
    return out;
  }
  std::vector<std::string> HiddenBuilds() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(app_.path())) {
      const std::string name = e.path().filename().string();
      if (name[0] == '.') out.push_back(name);
    }
    return out;
  }
  TempDir app_;
};

TEST_F(NewProjectFolder, AKilledOrFailedCreationLeavesNoProject) {
  const fs::path folder = app_ / "p00002";
  for (int k : {0, 1}) {
    // Killed with the files written and the folder not yet in place, and after it.
    ASSERT_TRUE(KilledAtStep(k, [&](const SaveStepObserver& step) {
      SaveNewProjectFolder(folder, 2, NewProject(), false, step);
    }));
    if (k == 0) {
      EXPECT_FALSE(fs::exists(folder));
      EXPECT_EQ(Listed(), std::vector<std::string>{"p00001"});
    } else {
      EXPECT_TRUE(SameProject(Loaded(app_.path(), folder, 2), NewProject()));
      fs::remove_all(folder);
    }
  }
  // The hidden folder of the killed creation goes with the next creation once it is a minute
  // old and no process holds it.
  ASSERT_EQ(HiddenBuilds().size(), 1u);
  fs::last_write_time(app_ / HiddenBuilds()[0],
                      fs::file_time_type::clock::now() - std::chrono::minutes(2));
  {
    FileSizeLimit limit(3000);
    SaveResult r = SaveNewProjectFolder(folder, 2, NewProject(), false);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(folder.string() + "/"), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find(".new"), std::string::npos) << r.error;  // named where it was to be
  }
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(HiddenBuilds().empty());
  EXPECT_EQ(Listed(), std::vector<std::string>{"p00001"});
  ASSERT_TRUE(SaveNewProjectFolder(folder, 2, NewProject(), false).ok);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"p00001", "p00002"}));
  // Never over a folder that stands there.
  EXPECT_FALSE(SaveNewProjectFolder(folder, 2, OldProject(), false).ok);
  EXPECT_TRUE(SameProject(Loaded(app_.path(), folder, 2), NewProject()));
}

}  // namespace
}  // namespace movexa
