// The report options shared by the report and report settings windows.
#include "ui/reports/report_controls.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "reports/report_texts.h"

namespace movexa::ui {

namespace rt = report_text;

QString Qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
std::string Std(const QString& text) {
  return text.toUtf8().toStdString();
}

namespace {

constexpr std::array<std::string_view, 2> kFileTypes = {"Excel [.csv]", "Text [.txt]"};
constexpr std::array<std::string_view, 5> kStatistics = {"Average", "Median", "Std Error",
                                                         "Std Dev", "\"N\""};

template <size_t N>
int Checked(const std::array<QRadioButton*, N>& options) {
  for (size_t i = 0; i < N; ++i) {
    if (options[i] && options[i]->isChecked()) return static_cast<int>(i);
  }
  return 0;
}

template <size_t N>
void Select(const std::array<QRadioButton*, N>& options, int index) {
  if (index < 0 || index >= static_cast<int>(N)) index = 0;
  options[static_cast<size_t>(index)]->setChecked(true);
}

QString ArrayName(const char* name, size_t index) {
  return QString::fromLatin1(name) + "_" + QString::number(index);
}

}  // namespace

QWidget* ReportOptionControls::Build(QWidget* parent,
                                     const std::array<std::string_view, 4>& layoutCaptions) {
  auto* box = new QWidget(parent);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);

  auto* binBox = new QGroupBox(QObject::tr("BIN size [min]"), box);
  auto* binLayout = new QVBoxLayout(binBox);
  Cmb_binsize = new QComboBox(binBox);
  Cmb_binsize->setObjectName("Cmb_binsize");
  Cmb_binsize->setEditable(true);
  Cmb_binsize->setInsertPolicy(QComboBox::NoInsert);
  // A number box: what is typed stays as typed (an inline completion would turn a typed 2 into
  // 240 when the box loses focus).
  Cmb_binsize->setCompleter(nullptr);
  Cmb_binsize->setMinimumContentsLength(6);
  binLayout->addWidget(Cmb_binsize);
  binLayout->addStretch();

  auto* fileBox = new QGroupBox(QObject::tr("File type"), box);
  fileBox->setObjectName("Frame_filetype");
  auto* fileLayout = new QVBoxLayout(fileBox);
  auto* fileGroup = new QButtonGroup(fileBox);
  fileGroup->setObjectName("Option_report");
  for (size_t i = 0; i < kFileTypes.size(); ++i) {
    Option_report[i] = new QRadioButton(Qs(kFileTypes[i]), fileBox);
    Option_report[i]->setObjectName(ArrayName("Option_report", i));
    fileGroup->addButton(Option_report[i], static_cast<int>(i));
    fileLayout->addWidget(Option_report[i]);
  }
  auto* spacerRow = new QHBoxLayout;
  auto* spacerLabel = new QLabel(QObject::tr("spacer ="), fileBox);
  txt_customspacer = new QLineEdit(fileBox);
  txt_customspacer->setObjectName("txt_customspacer");
  txt_customspacer->setMinimumWidth(50);
  txt_customspacer->setMaximumWidth(70);
  spacerLabel->setBuddy(txt_customspacer);
  spacerRow->addWidget(spacerLabel);
  spacerRow->addWidget(txt_customspacer);
  spacerRow->addStretch();
  fileLayout->addLayout(spacerRow);

  auto* layoutBox = new QGroupBox(QObject::tr("Output"), box);
  layoutBox->setObjectName("Frame_output");
  auto* layoutLayout = new QVBoxLayout(layoutBox);
  auto* layoutGroup = new QButtonGroup(layoutBox);
  layoutGroup->setObjectName("Option_output");
  for (size_t i = 0; i < layoutCaptions.size(); ++i) {
    Option_output[i] = new QRadioButton(Qs(layoutCaptions[i]), layoutBox);
    Option_output[i]->setObjectName(ArrayName("Option_output", i));
    layoutGroup->addButton(Option_output[i], static_cast<int>(i));
    layoutLayout->addWidget(Option_output[i]);
  }

  auto* statBox = new QGroupBox(QObject::tr("Statistics"), box);
  statBox->setObjectName("Frame_statistic");
  auto* statLayout = new QVBoxLayout(statBox);
  for (size_t i = 0; i < kStatistics.size(); ++i) {
    Chk_statistic[i] = new QCheckBox(Qs(kStatistics[i]), statBox);
    Chk_statistic[i]->setObjectName(ArrayName("Chk_statistic", i));
    statLayout->addWidget(Chk_statistic[i]);
  }
  // Average and Median are always part of the report: shown checked, not a choice.
  Chk_statistic[0]->setChecked(true);
  Chk_statistic[0]->setEnabled(false);
  Chk_statistic[1]->setEnabled(false);

  grid->addWidget(binBox, 0, 0);
  grid->addWidget(fileBox, 0, 1);
  grid->addWidget(layoutBox, 0, 2);
  grid->addWidget(statBox, 0, 3);
  return box;
}

void ReportOptionControls::FillBins(int16_t bin) {
  Cmb_binsize->clear();
  for (auto entry : rt::kBinList) Cmb_binsize->addItem(Qs(entry));
  Cmb_binsize->addItem(QString::number(bin));
  Cmb_binsize->setCurrentIndex(Cmb_binsize->count() - 1);
}

void ReportOptionControls::ShowConfig(const ReportConfig& config) {
  Select(Option_report, config.filetype);
  txt_customspacer->setText(Qs(config.spacer));
  Select(Option_output, config.out_format);
  Chk_statistic[2]->setChecked(config.stdError == 1);
  Chk_statistic[3]->setChecked(config.stdDev == 1);
  Chk_statistic[4]->setChecked(config.n == 1);
}

int ReportOptionControls::FileType() const {
  return Checked(Option_report);
}
int ReportOptionControls::Layout() const {
  return Checked(Option_output);
}

ReportLayout ReportOptionControls::Choices() const {
  ReportLayout l;
  l.fileType = FileType();
  l.separator = Std(txt_customspacer->text());
  l.layout = Layout();
  l.stdError = Chk_statistic[2]->isChecked();
  l.stdDev = Chk_statistic[3]->isChecked();
  l.wellCount = Chk_statistic[4]->isChecked();
  return l;
}

std::string ReportOptionControls::BinText() const {
  return Std(Cmb_binsize->currentText());
}

}  // namespace movexa::ui
