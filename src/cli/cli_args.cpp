// Parsing of movexa-cli's arguments.
#include "cli/cli_args.h"

#include <cstdio>

#include "base/file_io.h"

namespace movexa::cli {

namespace {

// Options whose value names a folder.
bool IsFolderOption(const std::string& key) { return key == "app-dir" || key == "data"; }

}  // namespace

std::string FolderArgument(const std::string& typed) { return NormaliseFolder(typed).string(); }

CliArgs::CliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions)
    : valueOptions_(valueOptions) {
  for (int i = first; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--", 0) == 0 && a.size() > 2) {
      std::string key = a.substr(2);
      auto eq = key.find('=');
      if (eq != std::string::npos) {
        options_.emplace_back(key.substr(0, eq), key.substr(eq + 1));
      } else if (valueOptions_.count(key)) {
        if (i + 1 >= argc) {
          errors_.push_back("option --" + key + " needs a value");
        } else {
          options_.emplace_back(key, argv[++i]);
        }
      } else {
        flags_.insert(key);
      }
    } else {
      positional_.push_back(a);
    }
  }
  for (auto& [key, value] : options_) {
    if (IsFolderOption(key) && !value.empty()) value = FolderArgument(value);
  }
}

bool CliArgs::Has(std::string_view flag) const { return flags_.count(std::string(flag)) > 0; }

std::optional<std::string> CliArgs::Value(std::string_view option) const {
  std::optional<std::string> v;
  for (const auto& [k, val] : options_) {
    if (k == option) v = val;  // the last one given wins
  }
  return v;
}

void CliArgs::Allow(const std::set<std::string>& flags) {
  for (const auto& f : flags_) {
    if (!flags.count(f) && f != "help") errors_.push_back("unknown option --" + f);
  }
  for (const auto& [k, v] : options_) {
    if (!valueOptions_.count(k)) errors_.push_back("unknown option --" + k);
  }
}

std::optional<int> HelpOrUsageError(const CliArgs& args, const char* command, const char* help) {
  if (args.Has("help")) {
    std::fputs(help, stdout);
    return 0;
  }
  if (args.errors().empty() && args.positional().empty()) return std::nullopt;
  for (const auto& e : args.errors()) std::fprintf(stderr, "movexa-cli %s: %s\n", command, e.c_str());
  std::fputs(help, stderr);
  return 2;
}

}  // namespace movexa::cli
