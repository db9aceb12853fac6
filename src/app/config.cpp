// "config.dat" and the values derived from it.
#include "app/config.h"

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "project/project_folders.h"

namespace movexa {

namespace texts = app_texts;

void ClampConfig(AppConfig& c) {
  if (c.Actual_Project_Number < 0) c.Actual_Project_Number = 0;
  if (c.Last_Project < c.Actual_Project_Number) c.Last_Project = c.Actual_Project_Number;
  if (c.Serial_COM < 1) c.Serial_COM = 1;
  if (c.Serial_COM > 16) c.Serial_COM = 16;
  c.Restart_Time = 0;
}

ConfigRead ParseConfig(std::string_view text) {
  ConfigRead r;
  RecordReader in(text);
  AppConfig c;
  if (!in.Skip(1) || !in.ReadInt16(c.Actual_Project_Number) || !in.ReadInt16(c.Last_Project) ||
      !in.ReadInt16(c.Serial_COM) || !in.ReadInt16(c.Restart_Time)) {
    r.error = in.ErrorText();
    return r;  // the defaults
  }
  ClampConfig(c);
  r.config = c;
  return r;
}

std::string FormatConfig(const AppConfig& c) {
  RecordWriter w;
  w.Header(texts::kConfigHeader);
  w.Int(c.Actual_Project_Number)
      .Int(c.Last_Project)
      .Int(c.Serial_COM)
      .Int(c.Restart_Time)
      .EndLine();
  return w.str();
}

std::optional<std::string> ConfigFileMissing(const std::filesystem::path& appDir) {
  const std::filesystem::path file = appDir / texts::kConfigFile;
  if (IsFile(file)) return std::nullopt;
  const std::string kind = SpecialFileKind(file);
  if (kind.empty()) return ConfigNotFoundMessage(appDir);
  return texts::ConfigNotAFile(file.string(), kind);
}

bool LoadConfig(const std::filesystem::path& appDir, AppConfig& config, Host& host) {
  auto text = ReadWholeFile(appDir / texts::kConfigFile);
  ConfigRead r = text ? ParseConfig(*text) : ConfigRead{AppConfig{}, "cannot be read"};
  if (!r.ok()) host.dialogs.Problem(texts::kConfigLoadError);
  config = r.config;
  config.Restart_Time = 0;
  return r.ok();
}

bool SaveConfig(const std::filesystem::path& appDir, const AppConfig& config, Host& host) {
  if (WriteFileAtomic(appDir / texts::kConfigFile, FormatConfig(config))) return true;
  host.dialogs.Problem(texts::kConfigSaveError, Dialogs::Severity::kCritical);
  return false;
}

std::filesystem::path DeriveProjectPath(const std::filesystem::path& appDir, AppConfig& config) {
  if (config.Actual_Project_Number > 0) {
    std::filesystem::path folder = ProjectFolder(appDir, config.Actual_Project_Number);
    if (IsDirectory(folder)) return folder;
  }
  config.Actual_Project_Number = 0;
  return appDir;
}

bool IsAutoRunArgument(std::string_view a) {
  while (!a.empty() && (a.front() == ' ' || a.front() == '\t')) a.remove_prefix(1);
  while (!a.empty() && (a.back() == ' ' || a.back() == '\t')) a.remove_suffix(1);
  for (auto word : texts::kAutoRunArguments) {
    if (a == word) return true;
  }
  return false;
}

}  // namespace movexa
