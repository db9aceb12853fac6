// Choice of the application folder and lay-out from the installation data.
#include "app/app_folder.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "app/app_texts.h"
#include "base/file_io.h"

#ifndef MOVEXA_SOURCE_DATA_DIR
#define MOVEXA_SOURCE_DATA_DIR ""
#endif
#ifndef MOVEXA_BUILD_HELP_PDF
#define MOVEXA_BUILD_HELP_PDF ""
#endif

namespace movexa {

namespace {

std::optional<std::string> Env(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

bool Given(const std::optional<std::string>& v) {
  return v && !v->empty();
}

}  // namespace

AppDirSources AppDirSourcesFromEnvironment(std::optional<std::string> appDirOption) {
  AppDirSources s;
  s.appDirOption = std::move(appDirOption);
  s.movexaHome = Env("MOVEXA_HOME");
  s.xdgDataHome = Env("XDG_DATA_HOME");
  s.home = Env("HOME");
  s.executableDir = ExecutableDir();
  return s;
}

fs::path ChooseAppDir(const AppDirSources& s) {
  if (Given(s.appDirOption)) return fs::path(*s.appDirOption);
  if (Given(s.movexaHome)) return fs::path(*s.movexaHome);
  if (!s.executableDir.empty() && IsFile(s.executableDir / app_texts::kConfigFile)) {
    return s.executableDir;
  }
  if (Given(s.xdgDataHome)) return fs::path(*s.xdgDataHome) / "movexa";
  if (Given(s.home)) return fs::path(*s.home) / ".local" / "share" / "movexa";
  return fs::path("movexa-home");
}

fs::path ExecutableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

std::vector<fs::path> InstallationDataCandidates(const std::optional<std::string>& movexaData,
                                                 const fs::path& executableDir) {
  std::vector<fs::path> out;
  if (Given(movexaData)) out.emplace_back(*movexaData);
  if (!executableDir.empty())
    out.push_back(executableDir.parent_path() / "share" / "movexa" / "data");
  if (*MOVEXA_SOURCE_DATA_DIR) out.emplace_back(MOVEXA_SOURCE_DATA_DIR);
  return out;
}

std::optional<fs::path> FindInstallationData(const std::optional<std::string>& movexaData,
                                             const fs::path& executableDir) {
  for (const auto& dir : InstallationDataCandidates(movexaData, executableDir)) {
    if (IsFile(dir / app_texts::kConfigFile)) return dir;
  }
  return std::nullopt;
}

std::vector<fs::path> HelpDocumentCandidates(const fs::path& appDir,
                                             const fs::path& executableDir) {
  std::vector<fs::path> out;
  if (!appDir.empty()) out.push_back(appDir / kHelpDocument);
  if (!executableDir.empty()) {
    out.push_back(executableDir / kHelpDocument);
    out.push_back(executableDir.parent_path() / "share" / "movexa" / "data" / kHelpDocument);
  }
  if (*MOVEXA_BUILD_HELP_PDF) out.emplace_back(MOVEXA_BUILD_HELP_PDF);
  return out;
}

fs::path FindHelpDocument(const fs::path& appDir, const fs::path& executableDir) {
  for (const auto& p : HelpDocumentCandidates(appDir, executableDir))
    if (IsFile(p)) return p;
  return {};
}

LayOutResult LayOutApplicationFolder(const fs::path& dataDir, const fs::path& appDir) {
  LayOutResult r;
  std::error_code ec;
  fs::create_directories(appDir, ec);
  if (ec || !IsDirectory(appDir)) {
    r.ok = false;
    r.error = appDir.string() + ": " + (ec ? ec.message() : "not a folder");
    return r;
  }
  std::vector<fs::path> entries;
  for (fs::recursive_directory_iterator it(dataDir, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(it->path());
  }
  if (ec) {
    r.ok = false;
    r.error = dataDir.string() + ": " + ec.message();
    return r;
  }
  // Folders before their files, and a stable order for the report.
  std::sort(entries.begin(), entries.end());
  for (const auto& from : entries) {
    const fs::path rel = from.lexically_relative(dataDir);
    const fs::path to = appDir / rel;
    if (IsDirectory(from)) {
      fs::create_directories(to, ec);
      if (ec) {
        r.ok = false;
        r.error = to.string() + ": " + ec.message();
        return r;
      }
      continue;
    }
    if (fs::exists(fs::symlink_status(to, ec))) {
      r.kept.push_back(rel.generic_string());
      continue;
    }
    std::string why;
    auto bytes = ReadWholeFile(from, &why);
    if (!bytes || !WriteFileAtomic(to, *bytes, &why)) {
      r.ok = false;
      r.error = why;
      return r;
    }
    r.copied.push_back(rel.generic_string());
  }
  return r;
}

AppFolderState InspectAppFolder(const fs::path& appDir) {
  std::error_code ec;
  const fs::file_status st = fs::status(appDir, ec);
  if (!fs::exists(st)) return AppFolderState::kMissing;
  if (!fs::is_directory(st)) return AppFolderState::kNotAFolder;
  if (IsFile(appDir / app_texts::kConfigFile)) return AppFolderState::kReady;
  fs::directory_iterator it(appDir, ec);
  if (!ec && it == fs::directory_iterator()) return AppFolderState::kEmpty;
  return AppFolderState::kConfigLost;
}

FirstStart PrepareFirstStart(const fs::path& appDir, const std::optional<fs::path>& dataDir) {
  FirstStart out;
  const AppFolderState state = InspectAppFolder(appDir);
  if (state != AppFolderState::kMissing && state != AppFolderState::kEmpty) return out;
  if (!dataDir) return out;  // start-up says that the configuration is missing, and where
  LayOutResult r = LayOutApplicationFolder(*dataDir, appDir);
  if (!r.ok) {
    out.failed = true;
    out.message = app_texts::FirstStartFailed(appDir.string(), r.error);
    return out;
  }
  out.laidOut = true;
  out.message = app_texts::FirstStartLaidOut(appDir.string(), dataDir->string());
  return out;
}

std::string ConfigNotFoundMessage(const fs::path& appDir) {
  const bool missing = InspectAppFolder(appDir) == AppFolderState::kMissing;
  return std::string(app_texts::kConfigNotFound) + "\r\n" +
         app_texts::ConfigNotFoundAdvice(appDir.string(), missing);
}

}  // namespace movexa
