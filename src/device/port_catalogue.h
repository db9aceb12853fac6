// The serial ports of this computer side by side with the COM numbers that reach them. A COM
// number keeps its meaning: MOVEXA_COM<n>, then "ports.dat", then /dev/ttyS<n-1> say which
// device it reaches (port_resolver.h). A listed port that no COM number reaches is offered to
// the operator and probed by the connection scan; once the instrument is found there, or the
// operator assigns it, it is given a COM number for good with a line in "ports.dat".
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "device/port_enumeration.h"
#include "device/port_resolver.h"

namespace movexa {

inline constexpr int kComNumbers = 16;

// A port of the catalogue: a serial port the system lists, or a device that MOVEXA_COM<n> or
// "ports.dat" names although the system does not list it as a serial port (a simulator's
// pseudo-terminal, an adapter that is unplugged).
struct CataloguedPort {
  SerialPortInfo info;               // for a device that is not listed only `device` is set
  bool listed = true;                // the system lists it as a serial port of this computer
  bool present = true;               // the device exists now
  std::vector<int> comNumbers;       // COM numbers that reach it, lowest first
  std::vector<std::string> origins;  // where each number's mapping comes from
};

struct PortCatalogue {
  std::vector<CataloguedPort> ports;          // listed ports (system order), then mapped devices
  std::array<ResolvedPort, kComNumbers> com;  // COM n at index n-1
  std::string error;                          // why the system's list could not be read
  std::string problem;                        // what was wrong with "ports.dat"
};

// Builds the catalogue from the system's list (`listError` when it could not be read), the
// application folder's "ports.dat" and the environment.
PortCatalogue BuildPortCatalogue(std::vector<SerialPortInfo> listed, std::string listError,
                                 const std::filesystem::path& appDir, const EnvLookup& env);

// Whether two device paths name the same device (links such as /dev/serial/by-id/... are
// followed; paths that do not exist are compared as written, made plain).
bool SameDevice(const std::string& a, const std::string& b);

// Listed ports that no COM number reaches, in catalogue order.
std::vector<std::string> UnmappedDevices(const PortCatalogue& catalogue);
// The lowest COM number that reaches nothing yet: neither MOVEXA_COM<n> nor "ports.dat" maps
// it, and its platform default is no listed port. 0 when every number is taken.
int SpareComNumber(const PortCatalogue& catalogue);
// The COM number to propose for `device`: the lowest one that reaches it, else the spare one.
int ProposedComNumber(const PortCatalogue& catalogue, const std::string& device);
// The catalogue entry of `device`, or null.
const CataloguedPort* FindPort(const PortCatalogue& catalogue, const std::string& device);

// "ports.dat" text with COM number `port` mapped to `device`: the first line of that number is
// replaced, or a line appended; every other line is kept as it stands. An empty `text` gets
// the header line first.
std::string SetPortsFileEntry(std::string_view text, int port, std::string_view device);
// Writes that mapping into the application folder's "ports.dat" (created when missing, replaced
// whole on disk). False with `error` when the file cannot be read or written.
bool SavePortMapping(const std::filesystem::path& appDir, int port, const std::string& device,
                     std::string* error);

}  // namespace movexa
