// Small decisions of the main window kept out of the windows: where "Show my report" leads and
// which help document opens.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "base/host.h"

namespace movexa {

// "Show my report" (Cmdreport): before any recorded run the operator is told there is no run
// yet (kNone with `message`); when the last run's folder holds "counts.bin", the report window
// opens on that folder (kOpen with `folder`); otherwise the operator is told "Activity file not
// Found" (kMissing with `message`).
struct ReportButtonTarget {
  enum class Kind { kNone, kOpen, kMissing };
  Kind kind = Kind::kNone;
  std::filesystem::path folder;
  std::string message;
};
ReportButtonTarget ShowMyReportTarget(const AppState& state);

// The help entries ("Content", the start menu's Help): opens the help document; when it is
// missing or nothing can open it, the operator is told where it is (or where it belongs).
// True when the document was handed to a viewer.
bool OpenHelpDocument(Host& host, const std::filesystem::path& appDir,
                      const std::filesystem::path& executableDir);

}  // namespace movexa
