// Pseudo-terminal front end of the simulated instrument.
#include "sim/pty_front.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace movexa::sim {

namespace {

constexpr int kIdlePollMs = 50;

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::unique_ptr<PtyFront> PtyFront::Create(const std::filesystem::path& linkPath,
                                           std::string& error) {
  std::unique_ptr<PtyFront> front(new PtyFront());
  front->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (front->master_ < 0) {
    error = ErrnoText("posix_openpt");
    return nullptr;
  }
  if (::grantpt(front->master_) != 0 || ::unlockpt(front->master_) != 0) {
    error = ErrnoText("grantpt/unlockpt");
    return nullptr;
  }
  char name[128] = {};
  if (::ptsname_r(front->master_, name, sizeof name) != 0) {
    error = ErrnoText("ptsname_r");
    return nullptr;
  }
  front->terminalPath_ = name;
  front->holder_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (front->holder_ < 0) {
    error = ErrnoText(name);
    return nullptr;
  }
  // Raw from the start: no echo of the instrument's replies back into its own input.
  termios tio{};
  if (::tcgetattr(front->holder_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B115200);
    ::cfsetospeed(&tio, B115200);
    ::tcsetattr(front->holder_, TCSANOW, &tio);
  }
  int flags = ::fcntl(front->master_, F_GETFL);
  ::fcntl(front->master_, F_SETFL, flags | O_NONBLOCK);

  std::error_code ec;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(linkPath, ec))) {
    std::filesystem::remove(linkPath, ec);
  } else if (std::filesystem::exists(linkPath, ec)) {
    error = linkPath.string() + ": exists and is not a symlink; not replaced";
    return nullptr;
  }
  std::filesystem::create_symlink(front->terminalPath_, linkPath, ec);
  if (ec) {
    error = linkPath.string() + ": " + ec.message();
    return nullptr;
  }
  front->linkPath_ = linkPath;
  return front;
}

PtyFront::~PtyFront() {
  if (!linkPath_.empty()) {
    std::error_code ec;
    // Only our own link goes: a link someone else has put there since is left alone.
    auto target = std::filesystem::read_symlink(linkPath_, ec);
    if (!ec && target == terminalPath_) std::filesystem::remove(linkPath_, ec);
  }
  if (holder_ >= 0) ::close(holder_);
  if (master_ >= 0) ::close(master_);
}

bool PtyFront::Run(SerialPeer& peer, Clock& clock, const volatile std::sig_atomic_t& stop,
                   std::string& error) {
  std::string outgoing;
  char buffer[4096];
  while (!stop) {
    // Line times in microseconds: paced replies leave as their bytes are due, not up to a
    // millisecond later.
    const int64_t nowUs = clock.MonotonicUs();
    int64_t timeoutUs = kIdlePollMs * 1000;
    if (!outgoing.empty()) {
      timeoutUs = 1000;
    } else if (int64_t next = peer.NextArrivalUs(); next >= 0) {
      timeoutUs = std::clamp<int64_t>(next - nowUs, 0, timeoutUs);
    }
    pollfd p{master_, POLLIN, 0};
    const timespec wait{static_cast<time_t>(timeoutUs / 1000000),
                        static_cast<long>(timeoutUs % 1000000) * 1000};
    int rc = ::ppoll(&p, 1, &wait, nullptr);
    if (rc < 0 && errno != EINTR) {
      error = ErrnoText("poll");
      return false;
    }
    if (rc > 0 && (p.revents & POLLIN)) {
      ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) {
        peer.Receive(std::string_view(buffer, static_cast<size_t>(n)), clock.MonotonicUs());
      } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
        error = ErrnoText("read");
        return false;
      }
    }
    peer.Collect(outgoing, sizeof buffer, clock.MonotonicUs());
    while (!outgoing.empty()) {
      ssize_t n = ::write(master_, outgoing.data(), outgoing.size());
      if (n > 0) {
        outgoing.erase(0, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        error = ErrnoText("write");
        return false;
      }
      break;  // the terminal's input queue is full: try again after the next poll
    }
  }
  return true;
}

}  // namespace movexa::sim
