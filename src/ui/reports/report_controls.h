// The report options both report windows show: the bin list, the file type with its separator
// box, the output layout and the statistics boxes, built once, with the object names the
// windows' tests and the operator's captions share (option arrays as "Option_report_0", ...).
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <string>
#include <string_view>

#include "reports/report_config.h"
#include "reports/report_writer.h"

namespace movexa::ui {

struct ReportOptionControls {
  QComboBox* Cmb_binsize = nullptr;
  std::array<QRadioButton*, 2> Option_report{};
  QLineEdit* txt_customspacer = nullptr;
  std::array<QRadioButton*, 4> Option_output{};
  std::array<QCheckBox*, 5> Chk_statistic{};

  // Builds the controls into group boxes under `parent`; `layoutCaptions` are the four layout
  // captions of the window. Returns the box holding them all.
  QWidget* Build(QWidget* parent, const std::array<std::string_view, 4>& layoutCaptions);

  // The eleven bin sizes, then `bin` once more (even when listed) as the list's text.
  void FillBins(int16_t bin);
  // Shows the configuration: file type, separator, layout and statistics boxes 2 to 4.
  void ShowConfig(const ReportConfig& config);
  // Index of the selected file type and layout option.
  int FileType() const;
  int Layout() const;
  // The choices as the report writer takes them.
  ReportLayout Choices() const;
  std::string BinText() const;
};

QString Qs(std::string_view text);
std::string Std(const QString& text);

}  // namespace movexa::ui
