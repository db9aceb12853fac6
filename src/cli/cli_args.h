// Command-line arguments of movexa-cli: positional words, "--key value" options and "--flag"
// switches. Options that take a value are named by the command, so "--name" followed by a word
// is always read as a value.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace movexa::cli {

// A folder as typed on the command line ("runs/20240319_1405/", "."), made absolute and plain
// so that its name and its parent are the folder's own. Every command's folder arguments go
// through it once: the values of --app-dir and --data here, acquisition folders where they
// are taken.
std::string FolderArgument(const std::string& typed);

class CliArgs {
 public:
  // Parses argv[first..argc). `valueOptions` lists the options that take a value.
  CliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions);

  bool Has(std::string_view flag) const;  // "--help" -> Has("help")
  std::optional<std::string> Value(std::string_view option) const;
  const std::vector<std::string>& positional() const { return positional_; }
  // Problems found while parsing (an option missing its value, an unknown option).
  const std::vector<std::string>& errors() const { return errors_; }
  // Marks the options and flags a command understands; the others become errors.
  void Allow(const std::set<std::string>& flags);

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::set<std::string> flags_;
  std::vector<std::string> positional_;
  std::vector<std::string> errors_;
  std::set<std::string> valueOptions_;
};

// The common start of a command: "--help" prints `help` and answers 0; argument errors (and
// positional words, which the command does not take) are printed with `help` and answer 2;
// nullopt when the command should go on.
std::optional<int> HelpOrUsageError(const CliArgs& args, const char* command, const char* help);

}  // namespace movexa::cli
