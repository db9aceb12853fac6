// The report window's rules for its choices.
#include "reports/report_request.h"

#include "base/number_format.h"
#include "base/text_records.h"

namespace movexa {

ReportRequest RequestFromConfig(const ReportConfig& config, const std::filesystem::path& acquisitionFolder,
                                const std::filesystem::path& appFolder) {
  ReportRequest r;
  r.acquisitionFolder = acquisitionFolder;
  r.appFolder = appFolder;
  r.binText = std::to_string(config.Bin);
  r.layout.fileType = config.filetype;
  r.layout.separator = config.spacer;
  r.layout.layout = config.out_format;
  r.layout.stdError = config.stdError == 1;
  r.layout.stdDev = config.stdDev == 1;
  r.layout.wellCount = config.n == 1;
  r.organism = config.organism;
  r.method = 1;
  std::string threshold = FormatNumber(config.threshold / 10.0, "0.0");
  for (char& c : threshold) {
    if (c == ',') c = '.';
  }
  r.thresholdText = threshold;
  r.exportRaw = config.rawexport == 1;
  return r;
}

ReportOrganismDefaults DefaultsForOrganism(int organism) {
  switch (organism) {
    case 1:
      return {1, "2.8"};
    case 2:
      return {2, "1.8"};
    case 3:
      return {3, "0.8"};
    default:
      return {1, "1.8"};
  }
}

std::string CheckThresholdText(int organism, const std::string& text) {
  auto v = ParseOperatorNumber(text);
  std::string normalised = text;
  for (char& c : normalised) {
    if (c == ',') c = '.';
  }
  if (organism == 3) return (v && *v >= 0.5 && *v <= 1.0) ? normalised : "0.8";
  return (v && *v >= 1.1 && *v <= 6.0) ? normalised : "1.8";
}

std::string ThresholdTextFromSetup(int organism, int snrX10) {
  if (organism == 3 && (snrX10 < 5 || snrX10 > 10)) snrX10 = 8;
  if (organism != 3 && snrX10 < 14) snrX10 = 18;
  std::string text = FormatNumber(snrX10 / 10.0, "0.0");
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

std::string SeparatorForFileType(int fileType, Host& host) {
  return fileType == 0 ? SystemListSeparator(host) : std::string(" ");
}

void CheckExportRaw(ReportRequest& request) {
  request.exportRaw = true;
  request.replaceData = false;
  request.dataLapseText = "533";
}

}  // namespace movexa
