// POSIX implementations of the whole-file operations (checked writes, atomic replace, append
// with roll-back on failure).
#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace movexa {

namespace {

void SetError(std::string* error, const fs::path& path, const std::string& what) {
  if (error) *error = path.string() + ": " + what;
}
void SetError(std::string* error, const char* path, const std::string& what) {
  if (error) *error = std::string(path) + ": " + what;
}

bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}

// Opens `path` for writing (created when missing, 0644) without ever writing through a symbolic
// link: a link in the last component is removed and a fresh file created in its place, so the
// link's target stays untouched. A FIFO or device there is refused rather than opened for long.
// `truncate` empties the file (a rewrite); otherwise the file is opened for appending. A
// rewrite also replaces a file with other hard links rather than change their content.
int OpenForWriting(const char* path, bool truncate) {
  const int mode =
      O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (truncate ? 0 : O_APPEND);
  int fd = ::open(path, mode, 0644);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (fd < 0 && errno == ELOOP) {
      if (::unlink(path) != 0) return -1;
      fd = ::open(path, mode | O_EXCL, 0644);
      continue;
    }
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      ::close(fd);
      return -1;
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      errno = EINVAL;
      return -1;
    }
    if (truncate && st.st_nlink > 1 && attempt == 0) {
      ::close(fd);
      if (::unlink(path) != 0) return -1;
      fd = ::open(path, mode | O_EXCL, 0644);
      continue;
    }
    break;
  }
  if (fd < 0) return -1;
  if (truncate && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return -1;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::string LastOsError() { return std::strerror(errno); }

int OpenRegularFileForReading(const fs::path& path, std::string* error) {
  // Non-blocking, so that opening a FIFO with no writer returns at once; a regular file
  // ignores the flag.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, path, LastOsError());
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    SetError(error, path, "not a regular file");
    ::close(fd);
    return -1;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::string* error,
                                         int64_t maxBytes) {
  int fd = OpenRegularFileForReading(path, error);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > maxBytes) {
    SetError(error, path,
             std::to_string(st.st_size) + " bytes, more than such a file holds (" +
                 std::to_string(maxBytes) + ")");
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      SetError(error, path, LastOsError());
      ::close(fd);
      return std::nullopt;
    }
    if (r == 0) break;
    out.append(buf, static_cast<size_t>(r));
    // A file that grows while it is read is held to the same bound.
    if (static_cast<int64_t>(out.size()) > maxBytes) {
      SetError(error, path, "more than " + std::to_string(maxBytes) + " bytes");
      ::close(fd);
      return std::nullopt;
    }
  }
  ::close(fd);
  return out;
}

bool WriteWholeFile(const fs::path& path, std::string_view data, std::string* error) {
  bool opened = false;
  return WriteWholeFileChecked(path, data, opened, error);
}

bool WriteWholeFileChecked(const fs::path& path, std::string_view data, bool& opened,
                           std::string* error) {
  int fd = OpenForWriting(path.c_str(), true);
  opened = fd >= 0;
  if (!opened) {
    SetError(error, path, LastOsError());
    return false;
  }
  bool ok = WriteAll(fd, data);
  std::string why = ok ? std::string() : LastOsError();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = LastOsError();
  }
  if (!ok) SetError(error, path, why);
  return ok;
}

fs::path UniqueSiblingName(const fs::path& path, std::string_view suffix) {
  // The process, a per-process random number (process numbers repeat across containers and
  // restarts) and a counter: two writers never pick the same name, and creating it with O_EXCL
  // tells when a name is taken all the same.
  static const uint64_t seed = [] {
    std::random_device device;
    return (uint64_t{device()} << 32) ^ device();
  }();
  static std::atomic<uint64_t> counter{0};
  char token[64];
  std::snprintf(token, sizeof token, ".%ld-%08llx-%llu", static_cast<long>(::getpid()),
                static_cast<unsigned long long>(seed & 0xffffffffu),
                static_cast<unsigned long long>(counter.fetch_add(1)));
  fs::path out = path;
  out += token;
  out += std::string(suffix);
  return out;
}

std::string UniqueSiblingBase(std::string_view name, std::string_view suffix) {
  // "<base>.<pid>-<8 hex digits>-<counter><suffix>"
  if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix) return {};
  name.remove_suffix(suffix.size());
  auto digits = [](std::string_view t, bool hex) {
    if (t.empty()) return false;
    for (char c : t) {
      const bool ok = (c >= '0' && c <= '9') || (hex && c >= 'a' && c <= 'f');
      if (!ok) return false;
    }
    return true;
  };
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string_view token = name.substr(dot + 1);
  const size_t dash1 = token.find('-');
  const size_t dash2 = dash1 == std::string_view::npos ? dash1 : token.find('-', dash1 + 1);
  if (dash2 == std::string_view::npos || dash2 - dash1 - 1 != 8) return {};
  if (!digits(token.substr(0, dash1), false) || !digits(token.substr(dash1 + 1, 8), true) ||
      !digits(token.substr(dash2 + 1), false)) {
    return {};
  }
  return std::string(name.substr(0, dot));
}

bool WriteNewFile(const fs::path& path, std::string_view data, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, path, LastOsError());
    return false;
  }
  bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
  std::string why = ok ? std::string() : LastOsError();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = LastOsError();
  }
  if (!ok) {
    ::unlink(path.c_str());
    SetError(error, path, why);
  }
  return ok;
}

bool SyncFolder(const fs::path& folder) {
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  bool ok = ::fsync(dfd) == 0;
  ::close(dfd);
  return ok;
}

bool WriteFileAtomic(const fs::path& path, std::string_view data, std::string* error) {
  // A temporary name of this writer's own: two writers of one file never write into each
  // other's temporary file, and each rename puts one whole content in place. The rename
  // replaces whatever entry `path` was, a link included, never its target.
  fs::path tmp;
  bool created = false;
  std::string why;
  for (int attempt = 0; attempt < 8 && !created; ++attempt) {
    tmp = UniqueSiblingName(path, ".tmp");
    created = WriteNewFile(tmp, data, &why);
    if (!created && errno != EEXIST) break;
  }
  if (!created) {
    if (error) *error = why;
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    why = LastOsError();
    ::unlink(tmp.c_str());
    SetError(error, path, why);
    return false;
  }
  SyncFolder(path.parent_path());  // makes the rename itself durable
  return true;
}

bool AppendToFile(const fs::path& path, std::string_view data, std::string* error,
                  int* errorNumber) {
  return AppendToFile(path.c_str(), data, error, errorNumber);
}

bool AppendToFile(const char* path, std::string_view data, std::string* error, int* errorNumber) {
  if (errorNumber) *errorNumber = 0;
  int fd = OpenForWriting(path, false);
  if (fd < 0) {
    if (errorNumber) *errorNumber = errno;
    SetError(error, path, LastOsError());
    return false;
  }
  struct stat st {};
  off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
  bool ok = WriteAll(fd, data) && ::fdatasync(fd) == 0;
  if (!ok && errorNumber) *errorNumber = errno;
  std::string why = ok ? std::string() : LastOsError();
  if (!ok && before >= 0) {
    // Cut a half-written record away so that the next attempt appends it whole.
    if (::ftruncate(fd, before) != 0) why += " (and the file could not be cut back)";
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    if (errorNumber) *errorNumber = errno;
    why = LastOsError();
  }
  if (!ok) SetError(error, path, why);
  return ok;
}

bool WriteAt(const fs::path& path, uint64_t offset, std::string_view data, std::string* error) {
  // An existing regular file only: a link or a special file there is refused.
  int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = EINVAL;
  }
  if (fd < 0) {
    SetError(error, path, LastOsError());
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < data.size()) {
    ssize_t w = ::pwrite(fd, data.data() + done, data.size() - done,
                         static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) ok = false;
    else done += static_cast<size_t>(w);
  }
  std::string why = ok ? std::string() : LastOsError();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = LastOsError();
  }
  if (!ok) SetError(error, path, why);
  return ok;
}

bool CopyFileOver(const fs::path& from, const fs::path& to, std::string* error) {
  auto content = ReadWholeFile(from, error);
  if (!content) return false;
  return WriteWholeFile(to, *content, error);
}

std::string SpecialFileKind(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  if (S_ISLNK(st.st_mode)) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) return "a link to nothing";
    if (S_ISREG(target.st_mode)) return {};
    st = target;
  }
  if (S_ISREG(st.st_mode)) return {};
  if (S_ISFIFO(st.st_mode)) return "a named pipe (FIFO)";
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device";
  return "a special file";
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

int64_t FileLength(const fs::path& path) {
  std::error_code ec;
  auto n = fs::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(n);
}

fs::path NormaliseFolder(const fs::path& typed) {
  if (typed.empty()) return typed;
  std::error_code ec;
  fs::path absolute = fs::absolute(typed, ec);
  if (ec) absolute = typed;
  fs::path plain = absolute.lexically_normal();
  // "a/b/" normalises to "a/b/" (an empty last element): drop it, but keep the root "/".
  if (!plain.has_filename() && plain.has_relative_path()) plain = plain.parent_path();
  return plain;
}

std::vector<std::string> ListSubfolders(const fs::path& folder, bool* ok) {
  std::vector<std::string> out;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    if (ok) *ok = false;
    return out;
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code dec;
    if (it->is_directory(dec)) out.push_back(it->path().filename().string());
  }
  if (ok) *ok = !ec;
  return out;
}

}  // namespace movexa
