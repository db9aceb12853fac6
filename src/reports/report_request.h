// The report window's choices as one toolkit-free record (acquisition, bin, file type,
// separator, layout, statistics, basal acquisition, autoreport, detection method, organism,
// threshold, data lapse, replace, export raw), with the window's own rules for them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/host.h"
#include "reports/basal.h"
#include "reports/report_config.h"
#include "reports/report_writer.h"

namespace movexa {

struct ReportRequest {
  std::filesystem::path acquisitionFolder;  // Txt_inputfile
  std::filesystem::path appFolder;          // holds the multiwell configurations
  std::string binText = "30";               // Cmb_binsize
  ReportLayout layout;                      // file type, separator, layout, boxes 2-4
  std::string basalName;                    // cmbbasal; "-" or empty = no basal
  bool autoreport = false;                  // chk_autoreport: no document is opened
  int method = 1;                           // Cmb_dspmethod index 0..3
  int organism = 0;                         // Cmb_organism index 0..3
  std::string thresholdText = "1.8";        // frmtxt_threshold
  std::string dataLapseText = "1";          // frmtxt_datalapse, hours
  bool replaceData = false;                 // Chk_replacedata
  bool replaceConfirmed = false;            // replacing agreed beforehand (movexa-cli --replace)
  bool exportRaw = false;                   // Chk_rawexport
  BasalAnswers basalAnswers;                // answers given in advance (batch use)
};

// The report window opened with `config`: bin, file type, separator, layout, statistics,
// organism, threshold (threshold / 10 as "0.0") and export raw follow the configuration; the
// method list shows entry 1.
ReportRequest RequestFromConfig(const ReportConfig& config, const std::filesystem::path& acquisitionFolder,
                                const std::filesystem::path& appFolder);

// Choosing an organism: the method entry and threshold text it sets (0: 1 "1.8", 1: 1 "2.8",
// 2: 2 "1.8", 3: 3 "0.8").
struct ReportOrganismDefaults {
  int method;
  std::string thresholdText;
};
ReportOrganismDefaults DefaultsForOrganism(int organism);

// The threshold box losing focus: "," is read as "."; Drosophila (3) accepts 0.5..1, the other
// organisms 1.1..6; outside that (or not a number) the box is reset to "0.8" or "1.8".
std::string CheckThresholdText(int organism, const std::string& text);

// The threshold text of an acquisition's setup (SNR x 10) when the acquisition browser opens
// the report window on it: for Drosophila (3) a value outside 5..10 becomes 8, for the other
// organisms a value below 14 becomes 18; shown with one decimal, "." as decimal mark.
std::string ThresholdTextFromSetup(int organism, int snrX10);

// Choosing a file type: the system list separator for ".csv", a single space for ".txt".
std::string SeparatorForFileType(int fileType, Host& host);

// Choosing "Export Raw" clears "Replace old data" and sets the data lapse to "533" hours.
void CheckExportRaw(ReportRequest& request);

}  // namespace movexa
