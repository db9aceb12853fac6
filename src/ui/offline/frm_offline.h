// Frm_offline: the offline analysis window. A binding over the offline core: the acquisition
// browser's list (Listpj) with its context menu, search box, order label and watched folders;
// the viewer picture (Picreal) with its progress bar, page scroll bar and row/column pickers;
// the analysis controls; the group edition panel of an acquisition; Join; Report; and the
// export menu on the picture. Every operation calls the core and then redraws from its state.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "offline/acquisition_browser.h"
#include "offline/group_edition.h"
#include "offline/report_handoff.h"
#include "offline/signal_view.h"
#include "ui/common/ui_context.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QToolButton;
class QGroupBox;

namespace movexa::ui {

class PictureBox;

class Frm_offline : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_offline(UiContext& ctx, QWidget* parent = nullptr);
  ~Frm_offline() override;

  // The window's operations as its controls run them (tests and the menus call these).
  void OpenWindow();                   // read foldview.dat, scan, list collapsed
  void ActivateLine(int line);         // double-click or Enter: expand, or open the acquisition
  void FlipOrder();                    // the date label
  void ApplySearch();                  // "Apply" or Enter in txt_search
  void HideSubfolders();               // "> Hide subfolders"
  void RenameLine();                   // context menu "Rename"
  void ArchiveLine();                  // context menu "Delete"
  void FindInFolder();                 // context menu "Find in Folder"
  void PlateConfig();                  // context menu "Plate Config"
  void RestoreRecorded();              // context menu "Restore recorded counts..."
  void ShowChannelSignal();            // cmdchannels
  void AnalyzePage();                  // Cmd_analyze
  void ShowGroupActivity();            // Cmd_leegroups
  void Report();                       // "Report" on the selected line
  void Join();                         // Cmd_join
  void ExportBmp();                    // "Export to BMP..."
  void ExportAscii();                  // "Export to ASCII..."
  void WatchFolder(int item);          // Txtfolder(item)
  void ExitGroupEdition();             // "EXIT Group Edition"
  // Expands the acquisition's project and opens it as a double-click on its line does; false
  // when the list does not show it (no counts.bin yet, or another folder).
  bool OpenAcquisitionFolder(const std::filesystem::path& folder);

  // The report window's hand-off: called by "Report" when set (the program connects the
  // report window here); without it the hand-off is kept in lastHandOff() and the report
  // window, when registered, is shown.
  std::function<void(const ReportHandOff&)> onReport;
  const std::optional<ReportHandOff>& lastHandOff() const { return lastHandOff_; }

  const AcquisitionBrowser& browser() const { return browser_; }
  const SignalView& view() const { return view_; }
  PictureBox* picture() const { return picreal_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Mode { kEmpty, kDescription, kSignal, kAnalysis, kGroups, kPlate };

  void BuildControls();
  QWidget* BuildGroupPanel();
  void RefreshList(const QString& reselect = {});
  int CurrentLine() const;
  std::vector<int> SelectedLines() const;  // in list order
  void OpenAcquisition(int line);
  void LoadPageFromScrollBar(int page);
  void ChannelPicked();
  void CheckThresholdBox();
  void Redraw();
  void RefreshPageControls();
  void ShowPictureMenu(const QPoint& pos);
  void ShowListMenu(const QPoint& pos);
  // Group edition.
  void ShowGroupPanel();
  void RefreshGroupPanel(int selectGroup);
  int CurrentEditGroup() const;
  void PlateClicked(Qt::MouseButton button, double x, double y);
  void MoveSelected(bool toGroup);
  void RenameEditGroup();
  void ClearGroups();
  void AutoArrange();
  void ReleaseViewer();

  UiContext& ctx_;
  AcquisitionBrowser browser_;
  SignalView view_;
  std::optional<PageAnalysis> analysis_;
  std::optional<GroupActivityTrace> activity_;
  std::unique_ptr<GroupEdition> edition_;
  std::optional<ReportHandOff> lastHandOff_;
  std::string acquisitionLine_;  // list line of the opened acquisition
  Mode mode_ = Mode::kEmpty;
  bool viewerOpen_ = false;
  bool refreshingPickers_ = false;

  QListWidget* list_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* order_ = nullptr;
  QPushButton* dateButton_ = nullptr;
  QToolButton* folders_ = nullptr;
  QMenu* listMenu_ = nullptr;
  QAction* restore_ = nullptr;
  QMenu* pictureMenu_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  PictureBox* status_ = nullptr;
  PictureBox* picreal_ = nullptr;
  QScrollBar* scrollpage_ = nullptr;
  QLineEdit* txtpage_ = nullptr;
  QComboBox* combofila_ = nullptr;
  QComboBox* combocol_ = nullptr;
  QLabel* lblcanal_ = nullptr;
  QPushButton* cmdchannels_ = nullptr;
  QPushButton* analyze_ = nullptr;
  QPushButton* leegroups_ = nullptr;
  QPushButton* report_ = nullptr;
  QPushButton* join_ = nullptr;
  QComboBox* mode_box_ = nullptr;
  QLineEdit* threshold_ = nullptr;
  // Group edition panel.
  QGroupBox* groupPanel_ = nullptr;
  QComboBox* sets_ = nullptr;
  QComboBox* groups_ = nullptr;
  QListWidget* assigned_ = nullptr;
  QListWidget* free_ = nullptr;
};

}  // namespace movexa::ui
