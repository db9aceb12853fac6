// Decisions of the main window's report button and help entry.
#include "app/main_window_ops.h"

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "base/file_io.h"
#include "reports/report_texts.h"

namespace movexa {

namespace fs = std::filesystem;

ReportButtonTarget ShowMyReportTarget(const AppState& state) {
  ReportButtonTarget target;
  const fs::path& folder = state.run.lastRecordedFolder;
  if (folder.empty()) {
    target.message = std::string(app_texts::kNoRunYet);
    return target;
  }
  if (IsFile(folder / "counts.bin")) {
    target.kind = ReportButtonTarget::Kind::kOpen;
    target.folder = folder;
  } else {
    target.kind = ReportButtonTarget::Kind::kMissing;
    target.message = std::string(report_text::kActivityFileNotFound);
  }
  return target;
}

bool OpenHelpDocument(Host& host, const fs::path& appDir, const fs::path& executableDir) {
  const fs::path found = FindHelpDocument(appDir, executableDir);
  if (found.empty()) {
    host.dialogs.Problem(app_texts::HelpDocumentMissing((appDir / kHelpDocument).string()));
    return false;
  }
  if (host.shell.OpenDocument(found)) return true;
  host.dialogs.Problem(app_texts::HelpDocumentNotOpened(found.string()));
  return false;
}

}  // namespace movexa
