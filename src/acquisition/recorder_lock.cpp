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
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) error = std::strerror(errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void RecorderLock::Release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
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
