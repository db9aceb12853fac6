// Small decisions of the main window kept out of the windows: where "Show my report" leads and
// where the help document is.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/app_state.h"

namespace movexa {

// "Show my report" (Cmdreport): before any recorded run, nothing (kNone); when the last run's
// folder holds "counts.bin", the report window opens on that folder (kOpen with `folder`);
// otherwise the operator is told "Activity file not Found" (kMissing with `message`).
struct ReportButtonTarget {
  enum class Kind { kNone, kOpen, kMissing };
  Kind kind = Kind::kNone;
  std::filesystem::path folder;
  std::string message;
};
ReportButtonTarget ShowMyReportTarget(const AppState& state);

// The help document "mvx_help.pdf": in the working folder, else beside the program, else where
// an installation puts its documents (<prefix>/share/doc/movexa, <prefix>/share/movexa); when
// none exists, the working folder's (opening it then fails silently).
std::filesystem::path HelpDocumentPath(const std::filesystem::path& workingDir,
                                       const std::filesystem::path& executableDir);

}  // namespace movexa
