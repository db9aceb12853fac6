// The catalogue of serial ports and COM numbers, and the writer of "ports.dat".
#include "device/port_catalogue.h"

#include <algorithm>
#include <system_error>

#include "base/file_io.h"
#include "base/text_records.h"

namespace movexa {

namespace fs = std::filesystem;

namespace {

fs::path Plain(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::path(path), ec);
  return ec ? fs::path(path).lexically_normal() : p;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::path(path), ec);
}

CataloguedPort* Find(PortCatalogue& c, const std::string& device) {
  for (auto& p : c.ports)
    if (SameDevice(p.info.device, device)) return &p;
  return nullptr;
}

}  // namespace

bool SameDevice(const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (a.empty() || b.empty()) return false;
  return Plain(a) == Plain(b);
}

PortCatalogue BuildPortCatalogue(std::vector<SerialPortInfo> listed, std::string listError,
                                 const fs::path& appDir, const EnvLookup& env) {
  PortCatalogue c;
  c.error = std::move(listError);
  for (auto& info : listed) {
    CataloguedPort p;
    p.info = std::move(info);
    c.ports.push_back(std::move(p));
  }
  for (int n = 1; n <= kComNumbers; ++n) {
    ResolvedPort r = ResolveComDevice(n, appDir, env);
    if (c.problem.empty()) c.problem = r.problem;
    CataloguedPort* port = Find(c, r.device);
    // A default name that the system does not list is no port: only the numbers the operator
    // mapped himself bring their device into the catalogue.
    if (!port && r.origin != "default") {
      CataloguedPort mapped;
      mapped.info.device = r.device;
      mapped.listed = false;
      mapped.present = Exists(r.device);
      c.ports.push_back(std::move(mapped));
      port = &c.ports.back();
    }
    if (port) {
      port->comNumbers.push_back(n);
      port->origins.push_back(r.origin);
    }
    c.com[static_cast<size_t>(n - 1)] = std::move(r);
  }
  return c;
}

std::vector<std::string> UnmappedDevices(const PortCatalogue& catalogue) {
  std::vector<std::string> out;
  for (const auto& p : catalogue.ports)
    if (p.listed && p.comNumbers.empty()) out.push_back(p.info.device);
  return out;
}

int SpareComNumber(const PortCatalogue& catalogue) {
  for (int n = 1; n <= kComNumbers; ++n) {
    const ResolvedPort& r = catalogue.com[static_cast<size_t>(n - 1)];
    if (r.origin != "default") continue;
    bool reachesListed = false;
    for (const auto& p : catalogue.ports)
      if (p.listed && SameDevice(p.info.device, r.device)) reachesListed = true;
    if (!reachesListed) return n;
  }
  return 0;
}

int ProposedComNumber(const PortCatalogue& catalogue, const std::string& device) {
  if (const CataloguedPort* p = FindPort(catalogue, device); p && !p->comNumbers.empty())
    return p->comNumbers.front();
  return SpareComNumber(catalogue);
}

const CataloguedPort* FindPort(const PortCatalogue& catalogue, const std::string& device) {
  for (const auto& p : catalogue.ports)
    if (SameDevice(p.info.device, device)) return &p;
  return nullptr;
}

std::string SetPortsFileEntry(std::string_view text, int port, std::string_view device) {
  RecordWriter line;
  line.Int(port).Text(device).EndLine();
  std::vector<std::string> lines = SplitLines(text);
  std::string out;
  if (lines.empty()) out = RecordWriter().Header(kPortsFileHeader).str();
  bool replaced = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0 && !replaced) {
      RecordReader reader(lines[i]);
      int32_t number = 0;
      if (reader.ReadInt32(number) && number == port) {
        out += line.str();
        replaced = true;
        continue;
      }
    }
    out += lines[i] + "\r\n";
  }
  if (!replaced) out += line.str();
  return out;
}

bool SavePortMapping(const fs::path& appDir, int port, const std::string& device,
                     std::string* error) {
  const fs::path path = appDir / std::string(kPortsFileName);
  std::string text;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(path, ec))) {
    std::string why;
    auto read = ReadWholeFile(path, &why);
    if (!read) {
      if (error) *error = std::string(kPortsFileName) + ": " + why;
      return false;
    }
    text = std::move(*read);
  }
  std::string why;
  if (!WriteFileAtomic(path, SetPortsFileEntry(text, port, device), &why)) {
    if (error) *error = std::string(kPortsFileName) + ": " + why;
    return false;
  }
  return true;
}

}  // namespace movexa
