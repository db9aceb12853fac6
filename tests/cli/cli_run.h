// Running the built movexa-cli as the operator does, for the CLI tests.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace movexa::test {

struct CliRun {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

// Runs a shell command line with standard input closed; its output and exit code.
inline CliRun RunShell(const std::string& command) {
  CliRun r;
  FILE* pipe = ::popen((command + " </dev/null 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf{};
  size_t n = 0;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
  int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The movexa-cli command line for `args` (already quoted for the shell), outside any
// application folder the environment names.
inline std::string CliCommand(const std::string& args) {
  return "env -u MOVEXA_HOME -u MOVEXA_DATA '" MOVEXA_CLI_PATH "' " + args;
}

// `limitSeconds` > 0 kills a command that runs longer, so a wait that would never end fails.
inline CliRun Cli(const std::string& args, int limitSeconds = 0) {
  if (limitSeconds <= 0) return RunShell(CliCommand(args));
  return RunShell("timeout -s KILL " + std::to_string(limitSeconds) + " " + CliCommand(args));
}

inline std::string Quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace movexa::test
