// The application configuration file "config.dat": its pure reader and writer, LoadConfig and
// SaveConfig with their messages, the current project's folder (ProjectPath) derived from it,
// and the "/run" start argument.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_config.h"
#include "base/host.h"

namespace movexa {

struct ConfigRead {
  AppConfig config;   // clamped values, or the defaults when the text could not be read
  std::string error;  // empty when the four values were read
  bool ok() const { return error.empty(); }
};

// Reads the text of "config.dat": a header field (skipped, not compared), then
// Actual_Project_Number, Last_Project, Serial_COM, Restart_Time as 16-bit integers; nothing
// after them is read. Clamps: project below 0 becomes 0, Last_Project is raised to the project,
// Serial_COM is kept within 1..16, Restart_Time is always 0.
ConfigRead ParseConfig(std::string_view text);
// Applies the clamps of ParseConfig.
void ClampConfig(AppConfig& config);
// The exact bytes of "config.dat".
std::string FormatConfig(const AppConfig& config);

// The start-up's message when "config.dat" is not a file in the application folder: "Config
// file not found: ..." when nothing is there, or what stands there instead (a FIFO, a folder, a
// link to nothing); nullopt when it is a file (a link to one included).
std::optional<std::string> ConfigFileMissing(const std::filesystem::path& appDir);

// Reads "config.dat" of the application folder into `config`. When it cannot be read, shows
// "Error opening config File >>>> Loading DEFAULT configuration..." and takes the defaults.
// Returns true when the file was read.
bool LoadConfig(const std::filesystem::path& appDir, AppConfig& config, Host& host);
// Rewrites "config.dat" whole (in one step: readers never see half a file). On failure shows
// "<Error Saving Config File>" and returns false; `config` is never changed.
bool SaveConfig(const std::filesystem::path& appDir, const AppConfig& config, Host& host);

// The current project's folder: the folder "p" + five digits of the project number when the
// number is above 0 and that folder exists; otherwise the application folder, and the project
// number becomes 0 (the Default project).
std::filesystem::path DeriveProjectPath(const std::filesystem::path& appDir, AppConfig& config);

// True when the start argument, trimmed of blanks, is exactly "/run", "/RUN" or "/Run".
bool IsAutoRunArgument(std::string_view argumentText);

}  // namespace movexa
