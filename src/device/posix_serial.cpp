// termios and libserialport links.
#include "device/posix_serial.h"

#include <fcntl.h>
#include <libserialport.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "base/text_records.h"

namespace movexa {

namespace {

int64_t SteadyNowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

int CeilMs(int64_t us) { return static_cast<int>((us + 999) / 1000); }

// Takes the device for this process alone: TIOCEXCL refuses further opens (except by root), the
// advisory lock refuses them also to root processes that respect it (the port table does).
int TakeExclusive(int fd) {
  if (::ioctl(fd, TIOCEXCL) != 0) return errno;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? EBUSY : errno;
  return 0;
}

// Gives the device back. The exclusive flag lives as long as any descriptor keeps the terminal
// open (the simulator holds its own terminal side), so it is cleared explicitly; otherwise the
// next open of the same device would be refused.
void ReleaseExclusive(int fd) {
  ::ioctl(fd, TIOCNXCL);
  ::flock(fd, LOCK_UN);
}

// Line-error counters of a serial driver (none on a pseudo-terminal).
class LineErrorCounter {
 public:
  void Start(int fd) {
    fd_ = fd;
    Take();
  }
  uint32_t Take() {
    serial_icounter_struct now{};
    if (fd_ < 0 || ::ioctl(fd_, TIOCGICOUNT, &now) != 0) return 0;
    uint32_t flags = 0;
    if (now.buf_overrun != last_.buf_overrun) flags |= 0x1;
    if (now.overrun != last_.overrun) flags |= 0x2;
    if (now.parity != last_.parity) flags |= 0x4;
    if (now.frame != last_.frame) flags |= 0x8;
    if (now.brk != last_.brk) flags |= 0x10;
    last_ = now;
    return flags;
  }

 private:
  int fd_ = -1;
  serial_icounter_struct last_{};
};

struct BaudCode {
  int baud;
  speed_t code;
};
constexpr BaudCode kBauds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                               {9600, B9600},     {19200, B19200},   {38400, B38400},
                               {57600, B57600},   {115200, B115200}, {230400, B230400},
                               {460800, B460800}, {921600, B921600}};

class TermiosLink : public SerialLink, private TimedByteSource {
 public:
  explicit TermiosLink(int fd) : fd_(fd) { errors_.Start(fd); }
  ~TermiosLink() override { Close(); }

  // Only the input queue is discarded. Every write has drained before it returned, so the
  // output queue is already empty; and on a pseudo-terminal discarding "output" reaches into the
  // other side's input and could eat the frame just written.
  int Purge() override { return ::tcflush(fd_, TCIFLUSH) == 0 ? 0 : errno; }

  int GetSettings(LineSettings& s) override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return errno;
    speed_t speed = ::cfgetospeed(&tio);
    for (const auto& b : kBauds) {
      if (b.code == speed) s.baud = b.baud;
    }
    switch (tio.c_cflag & CSIZE) {
      case CS5: s.dataBits = 5; break;
      case CS6: s.dataBits = 6; break;
      case CS7: s.dataBits = 7; break;
      default: s.dataBits = 8; break;
    }
    s.parity = (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 'O' : 'E') : 'N';
    s.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return 0;
  }

  int ApplySettings(const LineSettings& s) override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return errno;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
    if (s.parity == 'E' || s.parity == 'O') tio.c_cflag |= PARENB;
    if (s.parity == 'O') tio.c_cflag |= PARODD;
    if (s.parity == 'M' || s.parity == 'S') return EINVAL;  // no mark/space parity here
    if (s.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    speed_t speed = 0;
    for (const auto& b : kBauds) {
      if (b.baud == s.baud) speed = b.code;
    }
    if (speed == 0) return EINVAL;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return errno;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return errno;
    return 0;
  }

  LinkResult Read(uint8_t* buffer, int max, const ReadTimeouts& timeouts) override {
    return ReadWithTimeouts(*this, buffer, max, timeouts);
  }

  LinkResult Write(std::string_view bytes, int timeoutMsPerByte) override {
    LinkResult r;
    const int64_t endUs = SteadyNowUs() + int64_t{timeoutMsPerByte} * 1000 *
                                              static_cast<int64_t>(bytes.size());
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        r.code = errno;
        r.count = static_cast<int>(done);
        return r;
      }
      int64_t left = endUs - SteadyNowUs();
      if (left <= 0) break;  // write time-out: a short count, no failure
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, CeilMs(left)) < 0 && errno != EINTR) {
        r.code = errno;
        r.waitFailed = true;
        r.count = static_cast<int>(done);
        return r;
      }
    }
    r.count = static_cast<int>(done);
    // Completion: the call returns once the bytes have left the driver.
    while (::tcdrain(fd_) != 0) {
      if (errno == EINTR) continue;
      r.code = errno;
      r.waitFailed = true;
      break;
    }
    return r;
  }

  int SetLine(ControlLine line, bool state) override {
    int rc = 0;
    if (line == ControlLine::kBreak) {
      rc = ::ioctl(fd_, state ? TIOCSBRK : TIOCCBRK);
    } else {
      int bits = line == ControlLine::kDtr ? TIOCM_DTR : TIOCM_RTS;
      rc = ::ioctl(fd_, state ? TIOCMBIS : TIOCMBIC, &bits);
    }
    return rc == 0 ? 0 : errno;
  }

  uint32_t TakeLineErrorFlags() override { return errors_.Take(); }

  int Close() override {
    if (fd_ < 0) return 0;
    ReleaseExclusive(fd_);
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int64_t NowUs() override { return SteadyNowUs(); }
  int TryRead(uint8_t* buffer, int max) override {
    for (;;) {
      ssize_t n = ::read(fd_, buffer, static_cast<size_t>(max));
      if (n >= 0) return static_cast<int>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      return -1;
    }
  }
  int WaitReadable(int64_t timeoutUs) override {
    // Microseconds: the quiet that ends a reply may be shorter than a millisecond.
    pollfd p{fd_, POLLIN, 0};
    const int64_t us = timeoutUs < 0 ? 0 : timeoutUs;
    const timespec wait{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    int rc = ::ppoll(&p, 1, &wait, nullptr);
    if (rc < 0) return errno == EINTR ? 0 : -1;
    // A hung-up line reports POLLHUP at once; the read that follows reports the failure.
    return 0;
  }

  int fd_;
  LineErrorCounter errors_;
};

int SpErrorCode(sp_return r) {
  switch (r) {
    case SP_OK: return 0;
    case SP_ERR_ARG: return EINVAL;
    case SP_ERR_MEM: return ENOMEM;
    case SP_ERR_SUPP: return ENOTSUP;
    case SP_ERR_FAIL: {
      int c = sp_last_error_code();
      return c != 0 ? c : EIO;
    }
  }
  return EIO;
}

class LibSerialPortLink : public SerialLink, private TimedByteSource {
 public:
  LibSerialPortLink(sp_port* port, int fd) : port_(port), fd_(fd) {
    sp_new_event_set(&events_);
    if (events_) sp_add_port_events(events_, port_, SP_EVENT_RX_READY);
    errors_.Start(fd);
  }
  ~LibSerialPortLink() override { Close(); }

  int Purge() override { return SpErrorCode(sp_flush(port_, SP_BUF_BOTH)); }

  int GetSettings(LineSettings& s) override {
    sp_port_config* config = nullptr;
    if (sp_return r = sp_new_config(&config); r != SP_OK) return SpErrorCode(r);
    sp_return r = sp_get_config(port_, config);
    if (r == SP_OK) {
      int baud = 0, bits = 0, stop = 0;
      sp_parity parity = SP_PARITY_NONE;
      if (sp_get_config_baudrate(config, &baud) == SP_OK && baud > 0) s.baud = baud;
      if (sp_get_config_bits(config, &bits) == SP_OK && bits >= 5) s.dataBits = bits;
      if (sp_get_config_stopbits(config, &stop) == SP_OK && stop >= 1) s.stopBits = stop;
      if (sp_get_config_parity(config, &parity) == SP_OK) {
        s.parity = parity == SP_PARITY_ODD ? 'O' : parity == SP_PARITY_EVEN ? 'E' : 'N';
      }
    }
    sp_free_config(config);
    return SpErrorCode(r);
  }

  int ApplySettings(const LineSettings& s) override {
    sp_parity parity = s.parity == 'E'   ? SP_PARITY_EVEN
                       : s.parity == 'O' ? SP_PARITY_ODD
                       : s.parity == 'M' ? SP_PARITY_MARK
                       : s.parity == 'S' ? SP_PARITY_SPACE
                                         : SP_PARITY_NONE;
    for (sp_return r : {sp_set_baudrate(port_, s.baud), sp_set_bits(port_, s.dataBits),
                        sp_set_parity(port_, parity), sp_set_stopbits(port_, s.stopBits),
                        sp_set_flowcontrol(port_, SP_FLOWCONTROL_NONE)}) {
      if (r != SP_OK) return SpErrorCode(r);
    }
    return 0;
  }

  LinkResult Read(uint8_t* buffer, int max, const ReadTimeouts& timeouts) override {
    return ReadWithTimeouts(*this, buffer, max, timeouts);
  }

  LinkResult Write(std::string_view bytes, int timeoutMsPerByte) override {
    LinkResult r;
    unsigned timeoutMs = static_cast<unsigned>(timeoutMsPerByte) *
                         static_cast<unsigned>(bytes.size());
    sp_return n = sp_blocking_write(port_, bytes.data(), bytes.size(), timeoutMs ? timeoutMs : 1);
    if (n < 0) {
      r.code = SpErrorCode(n);
      return r;
    }
    r.count = static_cast<int>(n);
    if (sp_return d = sp_drain(port_); d != SP_OK) {
      r.code = SpErrorCode(d);
      r.waitFailed = true;
    }
    return r;
  }

  int SetLine(ControlLine line, bool state) override {
    sp_return r = SP_OK;
    switch (line) {
      case ControlLine::kBreak:
        r = state ? sp_start_break(port_) : sp_end_break(port_);
        break;
      case ControlLine::kDtr:
        r = sp_set_dtr(port_, state ? SP_DTR_ON : SP_DTR_OFF);
        break;
      case ControlLine::kRts:
        r = sp_set_rts(port_, state ? SP_RTS_ON : SP_RTS_OFF);
        break;
    }
    return SpErrorCode(r);
  }

  uint32_t TakeLineErrorFlags() override { return errors_.Take(); }

  int Close() override {
    if (!port_) return 0;
    if (fd_ >= 0) ReleaseExclusive(fd_);
    if (events_) sp_free_event_set(events_);
    events_ = nullptr;
    sp_return r = sp_close(port_);
    int code = SpErrorCode(r);
    sp_free_port(port_);
    port_ = nullptr;
    return code;
  }

 private:
  int64_t NowUs() override { return SteadyNowUs(); }
  int TryRead(uint8_t* buffer, int max) override {
    sp_return n = sp_nonblocking_read(port_, buffer, static_cast<size_t>(max));
    if (n < 0) {
      errno = SpErrorCode(n);
      return -1;
    }
    return static_cast<int>(n);
  }
  int WaitReadable(int64_t timeoutUs) override {
    // sp_wait takes 0 as "no time-out at all", so the wait is at least 1 ms.
    int ms = CeilMs(timeoutUs);
    sp_return r = sp_wait(events_, static_cast<unsigned>(ms < 1 ? 1 : ms));
    if (r != SP_OK) {
      errno = SpErrorCode(r);
      return -1;
    }
    return 0;
  }

  sp_port* port_;
  int fd_;
  sp_event_set* events_ = nullptr;
  LineErrorCounter errors_;
};

}  // namespace

std::unique_ptr<SerialLink> OpenTermiosLink(const std::string& path, int& code) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    code = errno;
    return nullptr;
  }
  if (!::isatty(fd)) {
    code = ENOTTY;
    ::close(fd);
    return nullptr;
  }
  if (int c = TakeExclusive(fd); c != 0) {
    code = c;
    ::close(fd);
    return nullptr;
  }
  code = 0;
  return std::make_unique<TermiosLink>(fd);
}

std::unique_ptr<SerialLink> OpenLibSerialPortLink(const std::string& path, int& code) {
  code = 0;
  sp_port* port = nullptr;
  if (sp_get_port_by_name(path.c_str(), &port) != SP_OK) return nullptr;  // not its kind
  if (sp_return r = sp_open(port, SP_MODE_READ_WRITE); r != SP_OK) {
    code = SpErrorCode(r);
    sp_free_port(port);
    return nullptr;
  }
  int fd = -1;
  sp_get_port_handle(port, &fd);
  if (int c = fd >= 0 ? TakeExclusive(fd) : 0; c != 0) {
    code = c;
    sp_close(port);
    sp_free_port(port);
    return nullptr;
  }
  return std::make_unique<LibSerialPortLink>(port, fd);
}

std::unique_ptr<SerialLink> SystemPortOpener::Open(int port, std::string_view deviceName,
                                                   int& code, std::string& device) {
  code = 0;
  std::string path;
  if (!deviceName.empty() && deviceName.front() == '/') {
    path = std::string(deviceName);
    device = path;
  } else {
    // The table passes "COM" + the port number; anything else names no device.
    auto n = deviceName.size() > 3 && deviceName.substr(0, 3) == "COM"
                 ? ParseInteger(deviceName.substr(3), 1, 16)
                 : std::nullopt;
    if (!n || *n != port) {
      code = ENOENT;
      device = std::string(deviceName);
      return nullptr;
    }
    ResolvedPort r = ResolveComDevice(port, appDir_, env_);
    path = r.device;
    device = r.problem.empty() ? path : path + " (" + r.problem + ")";
  }
  auto link = OpenLibSerialPortLink(path, code);
  if (link || code != 0) return link;
  return OpenTermiosLink(path, code);
}

}  // namespace movexa
