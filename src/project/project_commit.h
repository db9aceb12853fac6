// Saving several files of one project (or acquisition) folder as one step. A save stages every
// new file under a name of its own, writes the list of staged files ("save.pending", the commit
// point), renames them over the old files and removes the list. A save killed before the list
// exists leaves the old files (its staged files are removed later); one killed after leaves the
// list, and the next load or save of the folder finishes the renames. So the folder holds either
// every old file or every new one: never new group names over old channel groups. The files
// themselves keep their formats; only the staged files and the list are added for a moment.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace movexa {

namespace fs = std::filesystem;

// The list of a committed save that is not finished yet.
inline constexpr std::string_view kPendingSaveFile = "save.pending";

// An exclusive hold on a folder between processes for the length of a save or a load (an
// advisory lock on the folder itself; the system releases it when its holder ends, a kill
// included). Waits up to `waitMs` for another holder; held() is false when the folder cannot be
// opened or the wait ran out.
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder, int waitMs = 10000);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return held_; }
  // Tries once without waiting (a folder another process still builds is held).
  static bool IsFree(const fs::path& folder);

 private:
  int fd_ = -1;
  bool held_ = false;
};

// One file of a save: its name inside the folder and its whole new content.
struct FileContent {
  std::string name;
  std::string bytes;
};

// Observer of the steps of a save, for tests that stop a save between two steps: called with
// "staged" once every file is staged, "committed" after the list is written, then
// "renamed <name>" after each rename and "done" when the list is removed.
using SaveStepObserver = std::function<void(std::string_view step)>;

// Replaces `files` in `folder` as one step (see the file comment), under the folder's lock and
// after finishing a pending save. False with `error` (the file and the system's reason) when
// the save could not be committed: the old files are then all in place. Once committed, a
// rename that fails is reported too, and the next load finishes it.
bool ReplaceFilesTogether(const fs::path& folder, const std::vector<FileContent>& files,
                          std::string* error = nullptr, const SaveStepObserver& step = {});

// Creates `folder` whole: `files` are written into a fresh hidden folder beside it (".name"
// and a name of this writer's own, ending ".new"), which is then renamed to `folder` in one
// step, never over anything already there. A killed or failed creation leaves no `folder`;
// its hidden folder is removed by a later creation. With `replaceLink` a symbolic link at
// `folder` is replaced (its target is never written to; the link is put back when the
// creation fails). Steps: "staged" when the files are written, "placed" after the rename.
bool CreateFolderWhole(const fs::path& folder, const std::vector<FileContent>& files,
                       bool replaceLink, std::string* error = nullptr,
                       const SaveStepObserver& step = {});

// Finishes the save a kill interrupted after its commit point and removes the staged files of
// one that did not reach it. The caller holds the folder's lock. True when the folder holds no
// pending save afterwards (also when there was none).
bool FinishPendingSave(const fs::path& folder, std::string* error = nullptr);

// The same for a folder whose lock the caller does not hold: takes it for the moment (a folder
// that cannot be locked is left as it is). Every writer of project files runs it first, so that
// finishing an old save later never undoes a newer write.
void FinishPendingSaveOf(const fs::path& folder);

}  // namespace movexa
