// Decisions of the main window's report button and help entry.
#include "app/main_window_ops.h"

#include "base/file_io.h"
#include "reports/report_texts.h"

namespace movexa {

namespace fs = std::filesystem;

namespace {
constexpr const char* kHelpDocument = "mvx_help.pdf";
}

ReportButtonTarget ShowMyReportTarget(const AppState& state) {
  ReportButtonTarget target;
  const fs::path& folder = state.run.lastRecordedFolder;
  if (folder.empty()) return target;
  if (IsFile(folder / "counts.bin")) {
    target.kind = ReportButtonTarget::Kind::kOpen;
    target.folder = folder;
  } else {
    target.kind = ReportButtonTarget::Kind::kMissing;
    target.message = std::string(report_text::kActivityFileNotFound);
  }
  return target;
}

fs::path HelpDocumentPath(const fs::path& workingDir, const fs::path& executableDir) {
  const fs::path candidates[] = {
      workingDir / kHelpDocument,
      executableDir / kHelpDocument,
      executableDir / ".." / "share" / "doc" / "movexa" / kHelpDocument,
      executableDir / ".." / "share" / "movexa" / kHelpDocument,
  };
  for (const fs::path& p : candidates) {
    if (!p.empty() && IsFile(p)) return p.lexically_normal();
  }
  return workingDir / kHelpDocument;
}

}  // namespace movexa
