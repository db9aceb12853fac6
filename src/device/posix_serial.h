// The operating system's serial service on POSIX systems: real serial devices through
// libserialport, pseudo-terminals through termios, and the opener that picks one for a COM
// number through the port resolver.
//
// libserialport refuses pseudo-terminals: on Linux sp_get_port_by_name() on a /dev/pts path (or
// a symlink to one) returns SP_ERR_ARG, because it only accepts devices it can identify as
// serial ports. The simulated instrument lives on a pseudo-terminal, so a device that
// libserialport does not accept is opened with termios directly.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "device/port_resolver.h"
#include "device/serial_link.h"

namespace movexa {

// Opens `path` with termios: exclusive (TIOCEXCL and an advisory lock, so that also a second
// process running as root is refused), non-blocking descriptor, no controlling terminal.
// Null with errno-style `code` on failure; a path that is not a terminal fails with ENOTTY.
std::unique_ptr<SerialLink> OpenTermiosLink(const std::string& path, int& code);

// Opens `path` with libserialport. Null with `code` = 0 when libserialport does not accept the
// device as a serial port (then termios is the way), or with the error number when it accepted
// the device and opening it failed.
std::unique_ptr<SerialLink> OpenLibSerialPortLink(const std::string& path, int& code);

// The opener of the running program: resolves "COM<n>" to a device (a name starting with "/"
// is taken as a path as it stands), then opens it with libserialport or, when libserialport
// does not accept it, with termios.
class SystemPortOpener : public PortOpener {
 public:
  SystemPortOpener(std::filesystem::path appDir, EnvLookup env = ProcessEnvironment())
      : appDir_(std::move(appDir)), env_(std::move(env)) {}
  std::unique_ptr<SerialLink> Open(int port, std::string_view deviceName, int& code,
                                   std::string& device) override;

 private:
  std::filesystem::path appDir_;
  EnvLookup env_;
};

}  // namespace movexa
