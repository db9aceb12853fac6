// The COM number to device resolver and the reader of "ports.dat".
#include "device/port_resolver.h"

#include <cstdlib>

#include "base/file_io.h"
#include "base/text_records.h"

namespace movexa {

PortsFile ParsePortsFile(std::string_view text) {
  PortsFile out;
  std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 1; i < lines.size(); ++i) {  // line 1 is the header
    const int lineNumber = static_cast<int>(i + 1);
    RecordReader reader(lines[i]);
    if (reader.AtEnd()) continue;
    int32_t port = 0;
    std::string device;
    if (!reader.ReadInt32(port) || !reader.ReadText(device)) {
      out.problems.push_back("line " + std::to_string(lineNumber) + ": " + reader.ErrorText());
      continue;
    }
    if (port < 1 || port > 16) {
      out.problems.push_back("line " + std::to_string(lineNumber) + ": port " +
                             std::to_string(port) + " outside 1..16");
      continue;
    }
    if (device.empty()) {
      out.problems.push_back("line " + std::to_string(lineNumber) + ": empty device");
      continue;
    }
    if (!reader.AtEnd()) {
      out.problems.push_back("line " + std::to_string(lineNumber) + ": extra fields");
      continue;
    }
    if (out.devices.count(port)) {
      out.problems.push_back("line " + std::to_string(lineNumber) + ": port " +
                             std::to_string(port) + " mapped twice");
      continue;
    }
    out.devices[port] = device;
  }
  return out;
}

EnvLookup ProcessEnvironment() {
  return [](const std::string& name) -> std::optional<std::string> {
    const char* v = std::getenv(name.c_str());
    if (v == nullptr) return std::nullopt;
    return std::string(v);
  };
}

std::string PortEnvironmentName(int port) { return "MOVEXA_COM" + std::to_string(port); }

std::string DefaultComDevice(int port) { return "/dev/ttyS" + std::to_string(port - 1); }

ResolvedPort ResolveComDevice(int port, const std::filesystem::path& appDir,
                              const EnvLookup& env) {
  ResolvedPort r;
  const std::string envName = PortEnvironmentName(port);
  if (env) {
    if (auto v = env(envName); v && !v->empty()) {
      r.device = *v;
      r.origin = envName;
      return r;
    }
  }
  const std::filesystem::path portsPath = appDir / std::string(kPortsFileName);
  if (!appDir.empty() && IsFile(portsPath)) {
    std::string error;
    if (auto text = ReadWholeFile(portsPath, &error)) {
      PortsFile file = ParsePortsFile(*text);
      for (const auto& p : file.problems) {
        r.problem += (r.problem.empty() ? "" : "; ") + std::string(kPortsFileName) + " " + p;
      }
      if (auto it = file.devices.find(port); it != file.devices.end()) {
        std::filesystem::path device(it->second);
        r.device = (device.is_relative() ? appDir / device : device).string();
        r.origin = std::string(kPortsFileName);
        return r;
      }
    } else {
      r.problem = std::string(kPortsFileName) + ": " + error;
    }
  }
  r.device = DefaultComDevice(port);
  r.origin = "default";
  return r;
}

}  // namespace movexa
