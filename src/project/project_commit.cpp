// Saving several files of one folder as one step: staged files, the pending list as the commit
// point, renames, and the completion of a save a kill interrupted.
#include "project/project_commit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/file_io.h"
#include "base/text_records.h"

namespace movexa {

namespace {

constexpr std::string_view kStagedSuffix = ".save";
constexpr std::string_view kBuildSuffix = ".new";
constexpr std::string_view kPendingHeader = "Pending save: <staged file>,<file it replaces>";

void SetError(std::string* error, const fs::path& path, const std::string& why) {
  if (error) *error = path.string() + ": " + why;
}

// The system's reason in an error "path: reason" of the file functions.
std::string ReasonOf(const std::string& why) {
  const size_t colon = why.rfind(": ");
  return colon == std::string::npos ? why : why.substr(colon + 2);
}

// A plain name inside the folder: no separator, not "." or "..".
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool IsRegularEntry(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct StagedFile {
  std::string staged;  // name of the staged file
  std::string target;  // name of the file it replaces
};

std::string FormatPending(const std::vector<StagedFile>& files) {
  RecordWriter w;
  w.Header(kPendingHeader);
  for (const auto& f : files) w.Text(f.staged).Text(f.target).EndLine();
  return w.str();
}

// The staged files of a pending list; false when the list is damaged or names anything but a
// staged file of this folder for the file it was staged for.
bool ParsePending(std::string_view text, std::vector<StagedFile>& files) {
  RecordReader in(text);
  if (!in.Skip(1)) return false;
  while (!in.AtEnd()) {
    StagedFile f;
    if (!in.ReadText(f.staged) || !in.ReadText(f.target)) return false;
    if (!IsPlainName(f.target) || !IsPlainName(f.staged) ||
        UniqueSiblingBase(f.staged, kStagedSuffix) != f.target) {
      return false;
    }
    files.push_back(std::move(f));
  }
  return true;
}

// Removes the staged files no pending list names and the temporary file of a list never put
// in place (those of saves killed before their commit point).
void RemoveStrayStagedFiles(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool stray = !UniqueSiblingBase(name, kStagedSuffix).empty() ||
                       UniqueSiblingBase(name, ".tmp") == kPendingSaveFile;
    if (stray && IsRegularEntry(it->path())) ::unlink(it->path().c_str());
  }
}

void RemoveStaged(const fs::path& folder, const std::vector<StagedFile>& staged) {
  for (const auto& f : staged) ::unlink((folder / f.staged).c_str());
}

// Renames every staged file still present over its target, then removes the list.
bool FinishRenames(const fs::path& folder, const std::vector<StagedFile>& files, std::string* error,
                   const SaveStepObserver& step) {
  bool ok = true;
  for (const auto& f : files) {
    const fs::path staged = folder / f.staged;
    if (!IsRegularEntry(staged)) continue;  // renamed before the interruption
    if (::rename(staged.c_str(), (folder / f.target).c_str()) != 0) {
      if (ok) SetError(error, folder / f.target, LastOsError());
      ok = false;
      continue;
    }
    if (step) step("renamed " + f.target);
  }
  SyncFolder(folder);
  if (!ok) return false;  // the list stays: the next load finishes the save
  if (::unlink((folder / kPendingSaveFile).c_str()) != 0 && errno != ENOENT) {
    SetError(error, folder / kPendingSaveFile, LastOsError());
    return false;
  }
  SyncFolder(folder);
  if (step) step("done");
  return true;
}

// Removes the hidden build folders of creations that ended without placing them: those no
// process holds and that have not changed for a minute.
void RemoveAbandonedBuilds(const fs::path& parent) {
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] != '.' || UniqueSiblingBase(name, kBuildSuffix).empty()) continue;
    std::error_code typeError;
    if (!fs::is_directory(fs::symlink_status(it->path(), typeError))) continue;
    const auto changed = fs::last_write_time(it->path(), typeError);
    if (typeError || now - changed < std::chrono::minutes(1)) continue;
    if (!FolderLock::IsFree(it->path())) continue;
    fs::remove_all(it->path(), typeError);
  }
}

}  // namespace

FolderLock::FolderLock(const fs::path& folder, int waitMs) {
  fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    if (std::chrono::steady_clock::now() >= until) return;
    // Another process saves or loads this folder: a save takes milliseconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool FolderLock::IsFree(const fs::path& folder) {
  FolderLock probe(folder, 0);
  return probe.held();
}

bool FinishPendingSave(const fs::path& folder, std::string* error) {
  const fs::path list = folder / kPendingSaveFile;
  bool ok = true;
  if (IsRegularEntry(list)) {
    std::vector<StagedFile> files;
    auto text = ReadWholeFile(list, error);
    if (text && ParsePending(*text, files)) {
      ok = FinishRenames(folder, files, error, {});
    } else {
      // The list is written in one step, so a damaged one was not written by a save: it is
      // not followed, and the staged files it might name go with the strays below.
      ::unlink(list.c_str());
    }
  }
  if (ok) RemoveStrayStagedFiles(folder);
  return ok;
}

void FinishPendingSaveOf(const fs::path& folder) {
  FolderLock lock(folder);
  if (lock.held()) FinishPendingSave(folder);
}

bool ReplaceFilesTogether(const fs::path& folder, const std::vector<FileContent>& files,
                          std::string* error, const SaveStepObserver& step) {
  FolderLock lock(folder);
  if (!lock.held()) {
    SetError(error, folder,
             IsDirectory(folder) ? "another program holds the folder" : "no such folder");
    return false;
  }
  if (!FinishPendingSave(folder, error)) return false;
  std::vector<StagedFile> staged;
  for (const auto& f : files) {
    const fs::path target = folder / f.name;
    fs::path path;
    std::string why;
    bool written = false;
    for (int attempt = 0; attempt < 8 && !written; ++attempt) {
      path = UniqueSiblingName(target, kStagedSuffix);
      written = WriteNewFile(path, f.bytes, &why);
      if (!written && errno != EEXIST) break;
    }
    if (!written) {
      RemoveStaged(folder, staged);
      SetError(error, target, ReasonOf(why));  // named as the file saved, not as staged
      return false;
    }
    staged.push_back({path.filename().string(), f.name});
  }
  SyncFolder(folder);  // the staged names are on disk before the list that names them
  if (step) step("staged");
  // The commit point: once the list is in place the save is finished, now or at the next load.
  std::string why;
  if (!WriteFileAtomic(folder / kPendingSaveFile, FormatPending(staged), &why)) {
    RemoveStaged(folder, staged);
    if (error) *error = why;
    return false;
  }
  if (step) step("committed");
  return FinishRenames(folder, staged, error, step);
}

bool CreateFolderWhole(const fs::path& folder, const std::vector<FileContent>& files,
                       bool replaceLink, std::string* error, const SaveStepObserver& step) {
  const fs::path parent = folder.parent_path();
  RemoveAbandonedBuilds(parent);
  fs::path build;
  bool made = false;
  for (int attempt = 0; attempt < 8 && !made; ++attempt) {
    build = UniqueSiblingName(parent / ("." + folder.filename().string()), kBuildSuffix);
    made = ::mkdir(build.c_str(), 0755) == 0;
    if (!made && errno != EEXIST) break;
  }
  if (!made) {
    SetError(error, folder, LastOsError());
    return false;
  }
  FolderLock building(build, 0);  // tells a later creation that this build is alive
  auto fail = [&](const fs::path& what, const std::string& why) {
    std::error_code ignored;
    fs::remove_all(build, ignored);
    SetError(error, what, why);
    return false;
  };
  for (const auto& f : files) {
    std::string why;
    if (!WriteNewFile(build / f.name, f.bytes, &why)) {
      return fail(folder / f.name, ReasonOf(why));
    }
  }
  SyncFolder(build);
  if (step) step("staged");
  // A planted link is taken away (never followed); it comes back when the rename fails.
  std::error_code ec;
  fs::path linkTarget;
  if (replaceLink && fs::is_symlink(fs::symlink_status(folder, ec))) {
    linkTarget = fs::read_symlink(folder, ec);
    if (ec || ::unlink(folder.c_str()) != 0) return fail(folder, ec ? ec.message() : LastOsError());
  }
  int placed = ::renameat2(AT_FDCWD, build.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE);
  if (placed != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without the no-replace rename: rename when nothing stands there.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) {
      errno = EEXIST;
    } else {
      placed = ::rename(build.c_str(), folder.c_str());
    }
  }
  if (placed != 0) {
    const std::string why = LastOsError();
    if (!linkTarget.empty()) fs::create_symlink(linkTarget, folder, ec);
    return fail(folder, why);
  }
  SyncFolder(parent);
  if (step) step("placed");
  return true;
}

}  // namespace movexa
