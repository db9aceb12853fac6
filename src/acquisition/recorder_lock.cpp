// Recorder lock and fresh acquisition folder names.
#include "acquisition/recorder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace movexa {

namespace {

constexpr int kMinutesTried = 24 * 60;

// `t` moved on by one minute, through hours, days, months and years.
CivilTime NextMinute(CivilTime t) {
  t.second = 0;
  t.millisecond = 0;
  if (++t.minute < 60) return t;
  t.minute = 0;
  if (++t.hour < 24) return t;
  t.hour = 0;
  ++t.day;
  if (IsValidCivil(t)) return t;
  t.day = 1;
  if (++t.month <= 12) return t;
  t.month = 1;
  ++t.year;
  return t;
}

// An open-file-description lock over the whole file: it conflicts between any two openings, in
// one process or two, and can be tested without being taken (F_OFD_GETLK).
struct flock WholeFile(short type) {
  struct flock l {};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  l.l_start = 0;
  l.l_len = 0;
  return l;
}

}  // namespace

bool RecorderLock::Acquire(const std::filesystem::path& appDir, std::string& error) {
  error.clear();
  if (fd_ >= 0) return true;
  const std::filesystem::path path = appDir / kRecorderLockFileName;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  // The whole-file lock of earlier versions (flock) is taken too, so that both refuse each other.
  struct flock l = WholeFile(F_WRLCK);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fcntl(fd, F_OFD_SETLK, &l) != 0) {
    if (errno != EWOULDBLOCK && errno != EAGAIN && errno != EACCES) error = std::strerror(errno);
    ::close(fd);
    return false;
  }
  // Whatever an earlier holder left there names no recording now.
  if (::ftruncate(fd, 0) != 0) {
    // Harmless: Describe rewrites the file whole.
  }
  fd_ = fd;
  return true;
}

bool RecorderLock::Describe(const std::filesystem::path& acquisitionFolder,
                            std::string_view experimentName) {
  if (fd_ < 0) return false;
  std::error_code ec;
  std::filesystem::path folder = acquisitionFolder;
  if (!folder.empty()) folder = std::filesystem::absolute(acquisitionFolder, ec);
  if (ec) folder = acquisitionFolder;
  const std::string text = folder.string() + "\n" + std::string(experimentName) + "\n";
  return ::ftruncate(fd_, 0) == 0 &&
         ::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
}

void RecorderLock::Release() {
  if (fd_ < 0) return;
  // The file outlives the lock: it must not go on naming a recording that has ended.
  if (::ftruncate(fd_, 0) != 0) {
    // A stale name is harmless: without the lock it names no recording.
  }
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

std::optional<ActiveRecording> FindActiveRecording(const std::filesystem::path& appDir) {
  const std::filesystem::path path = appDir / kRecorderLockFileName;
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct flock l = WholeFile(F_WRLCK);
  bool held = ::fcntl(fd, F_OFD_GETLK, &l) == 0 && l.l_type != F_UNLCK;
  if (!held) {
    // A recorder of an earlier version holds only the whole-file lock.
    held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held) ::flock(fd, LOCK_UN);
  }
  std::string text;
  char buffer[4096];
  for (ssize_t n; held && (n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 65536;) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (!held) return std::nullopt;
  ActiveRecording recording;
  const size_t end = text.find('\n');
  if (end != std::string::npos) {
    recording.folder = text.substr(0, end);
    const size_t nameEnd = text.find('\n', end + 1);
    recording.experimentName = text.substr(end + 1, nameEnd == std::string::npos
                                                        ? std::string::npos
                                                        : nameEnd - end - 1);
  }
  return recording;
}

std::optional<ActiveRecording> RecordingInto(const std::filesystem::path& acquisitionFolder) {
  std::filesystem::path folder = acquisitionFolder;
  if (!folder.has_filename()) folder = folder.parent_path();
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  if (!ec) folder = absolute;
  // An acquisition folder lies in a project folder of the application folder.
  auto recording = FindActiveRecording(folder.parent_path().parent_path());
  if (!recording) return std::nullopt;
  // A recorder whose lock names no folder (still creating it, or its name could not be
  // written) may be writing into any of them.
  if (recording->folder.empty()) return recording;
  if (std::filesystem::equivalent(recording->folder, folder, ec) ||
      recording->folder.lexically_normal() == folder.lexically_normal()) {
    return recording;
  }
  return std::nullopt;
}


std::string CreateFreshAcquisitionFolder(const std::filesystem::path& projectPath,
                                         const CivilTime& start, std::string& error) {
  CivilTime t = start;
  for (int i = 0; i < kMinutesTried; ++i, t = NextMinute(t)) {
    const std::string name = AcquisitionStamp(t);
    std::error_code ec;
    // create_directory is false for a name that exists (a folder, a file or a link): that
    // name is taken, whatever it holds.
    if (std::filesystem::create_directory(projectPath / name, ec)) return name;
    if (ec && ec != std::errc::file_exists) {
      error = ec.message();
      return {};
    }
  }
  error = "no free folder name within a day of the start time";
  return {};
}

}  // namespace movexa
