// "Show my report": the last recorded run's folder, checked for its activity file.
#include "acquisition/report_button.h"

#include "base/file_io.h"
#include "reports/report_texts.h"

namespace movexa {

namespace {
constexpr std::string_view kActivityFile = "counts.bin";
}  // namespace

std::optional<std::filesystem::path> ReportButtonFolder(Host& host, const AcquisitionRun& run) {
  if (run.lastRecordedFolder.empty()) return std::nullopt;
  if (!IsFile(run.lastRecordedFolder / kActivityFile)) {
    host.dialogs.Message(report_text::kActivityFileNotFound);
    return std::nullopt;
  }
  return run.lastRecordedFolder;
}

}  // namespace movexa
