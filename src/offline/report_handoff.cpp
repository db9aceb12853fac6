// The hand-off from the acquisition browser to the report window.
#include "offline/report_handoff.h"

#include <algorithm>

#include "base/file_io.h"
#include "base/number_format.h"
#include "offline/acquisition_browser.h"
#include "offline/offline_texts.h"
#include "offline/signal_view.h"
#include "project/project_folders.h"

namespace movexa {

std::string BasalLabel(const std::filesystem::path& acquisitionFolder) {
  std::string line = AcquisitionLineText(acquisitionFolder.filename().string(),
                                         ReadSubprojectName(acquisitionFolder));
  // The browser's line without its "  > " lead, the Tab as a blank.
  line = line.substr(std::min<size_t>(4, line.size()));
  std::replace(line.begin(), line.end(), '\t', ' ');
  return line;
}

ReportHandOff MakeReportHandOff(const std::filesystem::path& acquisitionFolder,
                                const std::filesystem::path& appDir, const std::string& title,
                                int order) {
  ReportHandOff out;
  std::filesystem::path folder = acquisitionFolder;
  if (!folder.has_filename()) folder = folder.parent_path();
  if (folder.empty() || !IsFile(folder / offline_texts::kCountsFile)) {
    out.message = std::string(offline_texts::kActivityFileNotFound);
    return out;
  }
  out.ok = true;
  out.acquisitionFolder = folder;
  out.title = title;
  out.basalList.push_back("-");
  out.basalLabels.push_back("-");
  std::vector<std::string> names = ListedAcquisitions(folder.parent_path());
  if (order == 1) std::reverse(names.begin(), names.end());
  for (auto& n : names) {
    if (n == folder.filename().string()) continue;
    out.basalList.push_back(n);
    out.basalLabels.push_back(BasalLabel(folder.parent_path() / n));
  }
  AcquisitionSnapshot snap = LoadAcquisitionSnapshot(folder, appDir);
  out.organism = snap.settings.Mn[kMn1][kOrganism];
  out.method = snap.settings.DSP_Method;
  out.thresholdText = FormatNumber(CorrectSnrX10(out.organism, snap.settings.Mn[kMn1][kSNRx10]) / 10.0, "0.0");
  return out;
}

}  // namespace movexa
