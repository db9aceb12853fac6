// Frm_analysis: the analysis window. A binding over the core's plots: the plot chosen, the
// groups or wells, the bin, the actogram period, the periodogram method and range, the sleep
// rule, measure and window, and the light schedule make a PlotJob that a PlotSession computes
// on its own thread; the window polls it on a single-shot timer (Timer_plot), shows its progress,
// lets Stop end it, then draws the plot in Picplot with the results and numbers beside it
// (txtsummary, grdtable) and exports the picture (PNG, SVG, PDF) and the numbers (CSV). Reached
// from the offline window (the selected acquisitions) and the report window (its acquisition).
#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>
#include <vector>

#include "analysis/plot_session.h"
#include "ui/common/ui_context.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;
class QTimeEdit;
class QTimer;

namespace movexa::ui {

class PictureBox;
class PlotTableModel;

class Frm_analysis : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_analysis(UiContext& ctx, QWidget* parent = nullptr);
  ~Frm_analysis() override;

  // Opens the window on one acquisition, a joined one, or several of one project taken as one
  // run, and draws the groups' activity; closing returns to `returnTo`'s window.
  void OpenFor(const std::vector<std::filesystem::path>& acquisitions,
               WindowId returnTo = WindowId::kOffline);

  // The window's operations as its controls run them (tests call these too).
  void Draw();  // CmdDraw: compute the plot of the controls' choices
  void Stop();  // CmdStop
  // Writes the picture (.png, .svg, .pdf, at the picture's size) or the numbers (.csv);
  // false after telling the operator why.
  bool Export(const std::filesystem::path& file);

  const PlotData& data() const { return data_; }
  bool Busy() const { return session_.Running(); }
  PictureBox* picture() const { return Picplot_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildOptions();
  void KindChosen();
  void SeriesKindChosen();
  void LightChosen();
  void FillSeries();
  void FillSleepWindows();
  void Poll();
  void Show(PlotOutcome outcome);
  void Redraw();
  void ExportChosen(const QString& filter, const QString& suffix);
  PlotJob JobFromControls() const;

  UiContext& ctx_;
  PlotSession session_;
  PlotData data_;
  std::shared_ptr<const ActivityTable> table_;  // the run of data_
  std::vector<std::filesystem::path> acquisitions_;
  WindowId returnTo_ = WindowId::kOffline;
  bool filling_ = false;

  QLabel* lblrun_ = nullptr;
  QComboBox* cmb_plot_ = nullptr;
  QRadioButton* opt_groups_ = nullptr;
  QRadioButton* opt_wells_ = nullptr;
  QListWidget* lstseries_ = nullptr;
  QSpinBox* txt_bin_ = nullptr;
  QDoubleSpinBox* txt_period_ = nullptr;
  QComboBox* cmb_method_ = nullptr;
  QDoubleSpinBox* txt_periodfrom_ = nullptr;
  QDoubleSpinBox* txt_periodto_ = nullptr;
  QDoubleSpinBox* txt_alpha_ = nullptr;
  QComboBox* cmb_preset_ = nullptr;
  QComboBox* cmb_measure_ = nullptr;
  QComboBox* cmb_window_ = nullptr;
  QComboBox* cmb_light_ = nullptr;
  QTimeEdit* txt_lightson_ = nullptr;
  QTimeEdit* txt_lightsoff_ = nullptr;
  std::vector<QWidget*> binRow_, periodRow_, periodogramRows_, sleepRows_;
  QPushButton* CmdDraw_ = nullptr;
  QPushButton* CmdStop_ = nullptr;
  QPushButton* CmdExport_ = nullptr;
  QProgressBar* pbprogress_ = nullptr;
  QLabel* lblprogress_ = nullptr;
  PictureBox* Picplot_ = nullptr;
  QPlainTextEdit* txtsummary_ = nullptr;
  QTableView* grdtable_ = nullptr;
  PlotTableModel* model_ = nullptr;
  QTimer* Timer_plot_ = nullptr;
};

// Registers Frm_analysis with the navigator (WindowId::kAnalysis).
void RegisterAnalysisWindow(UiContext& ctx);
// Opens the analysis window on `acquisitions` (the offline and report windows' entry); false
// when it is not registered.
bool OpenAnalysisWindow(UiContext& ctx, const std::vector<std::filesystem::path>& acquisitions,
                        WindowId returnTo);

}  // namespace movexa::ui
