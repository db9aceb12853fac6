// Which device a COM number reaches. One resolver, in this order:
//   1. the environment variable MOVEXA_COM<n> (e.g. MOVEXA_COM4=/tmp/movexa-sim), when not empty;
//   2. "ports.dat" in the application folder, when it names the number;
//   3. the platform default: /dev/ttyS<n-1> (COM1 is /dev/ttyS0, as the first on-board port).
//
// "ports.dat" uses the record syntax of the other small files: a header line of one quoted text
// (skipped), then one line per mapped port: the port number 1..16 and the device path as a
// quoted text, e.g.
//     "Serial ports: <COM number>, <device>"
//     4,"/dev/ttyUSB0"
//     5,"sim/instrument.link"
// A relative path is taken from the application folder. Lines that do not read as a number 1..16
// and a non-empty text are skipped and reported; a number mapped twice keeps its first line.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movexa {

inline constexpr std::string_view kPortsFileName = "ports.dat";
inline constexpr std::string_view kPortsFileHeader = "Serial ports: <COM number>, <device>";

struct PortsFile {
  std::map<int, std::string> devices;  // COM number -> device path as written
  std::vector<std::string> problems;   // "line 3: ..." per skipped line
};

// Reads the text of a "ports.dat".
PortsFile ParsePortsFile(std::string_view text);

// Looks an environment variable up; nullopt when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
// The process environment.
EnvLookup ProcessEnvironment();

struct ResolvedPort {
  std::string device;   // path to open
  std::string origin;   // "MOVEXA_COM4", "ports.dat" or "default"
  std::string problem;  // what was wrong with "ports.dat", empty when nothing
};

// Environment variable consulted for `port` ("MOVEXA_COM4").
std::string PortEnvironmentName(int port);
// Platform default device of `port` (1..16).
std::string DefaultComDevice(int port);
// Maps `port` (1..16) to a device as described above.
ResolvedPort ResolveComDevice(int port, const std::filesystem::path& appDir, const EnvLookup& env);

}  // namespace movexa
