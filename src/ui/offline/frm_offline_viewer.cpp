// Frm_offline: the viewer picture, the analysis controls, the exports and the group edition
// panel.
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "offline/join_export.h"
#include "offline/offline_pictures.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_folders.h"
#include "reports/counts_series.h"
#include "ui/common/picture_box.h"
#include "ui/offline/frm_offline.h"
#include "ui/offline/offline_qt.h"

namespace movexa::ui {

namespace texts = offline_texts;
using offline_qt::Q;
using offline_qt::S;

namespace {

// Double-click on the group selector renames the group.
class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> onDouble)
      : QObject(parent), onDouble_(std::move(onDouble)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      onDouble_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onDouble_;
};

}  // namespace

QWidget* Frm_offline::BuildGroupPanel() {
  groupPanel_ = new QGroupBox("Group edition", this);
  groupPanel_->setObjectName("Frame_groups");
  auto* g = new QGridLayout(groupPanel_);
  sets_ = new QComboBox(groupPanel_);
  sets_->setObjectName("Combo_sets");
  auto* go = new QPushButton(Q(texts::kGo), groupPanel_);
  go->setObjectName("cmd_go");
  connect(go, &QPushButton::clicked, this, &Frm_offline::AutoArrange);
  groups_ = new QComboBox(groupPanel_);
  groups_->setObjectName("combogrup2");
  groups_->setToolTip("Double-click to rename the group");
  groups_->installEventFilter(new DoubleClickFilter(groups_, [this] { RenameEditGroup(); }));
  connect(groups_, &QComboBox::activated, this, [this] { RefreshGroupPanel(CurrentEditGroup()); });
  auto* rename = new QPushButton("Rename group...", groupPanel_);
  rename->setObjectName("cmd_renamegroup");
  connect(rename, &QPushButton::clicked, this, &Frm_offline::RenameEditGroup);
  assigned_ = new QListWidget(groupPanel_);
  assigned_->setObjectName("lstgrup2");
  free_ = new QListWidget(groupPanel_);
  free_->setObjectName("lstchgrup2");
  auto* toFree = new QPushButton("=>", groupPanel_);
  toFree->setObjectName("Command13");
  auto* toGroup = new QPushButton("<=", groupPanel_);
  toGroup->setObjectName("Command12");
  connect(toFree, &QPushButton::clicked, this, [this] { MoveSelected(false); });
  connect(toGroup, &QPushButton::clicked, this, [this] { MoveSelected(true); });
  auto* clear = new QPushButton(Q(texts::kClearList), groupPanel_);
  clear->setObjectName("cmd_clearlist");
  connect(clear, &QPushButton::clicked, this, &Frm_offline::ClearGroups);
  auto* exit = new QPushButton(Q(texts::kExitGroupEdition), groupPanel_);
  exit->setObjectName("cmd_exitgroups");
  connect(exit, &QPushButton::clicked, this, &Frm_offline::ExitGroupEdition);
  g->addWidget(new QLabel("Sets:", groupPanel_), 0, 0);
  g->addWidget(sets_, 0, 1);
  g->addWidget(go, 0, 2);
  g->addWidget(new QLabel("Group:", groupPanel_), 0, 3);
  g->addWidget(groups_, 0, 4);
  g->addWidget(rename, 0, 5);
  g->addWidget(new QLabel(Q(texts::kAssignedChannels), groupPanel_), 1, 0, 1, 2);
  g->addWidget(new QLabel(Q(texts::kFreeChannels), groupPanel_), 1, 3, 1, 2);
  g->addWidget(assigned_, 2, 0, 2, 2);
  g->addWidget(toFree, 2, 2);
  g->addWidget(toGroup, 3, 2);
  g->addWidget(free_, 2, 3, 2, 2);
  g->addWidget(clear, 2, 5);
  g->addWidget(exit, 3, 5);
  assigned_->setMaximumHeight(110);
  free_->setMaximumHeight(110);
  groupPanel_->hide();
  return groupPanel_;
}

void Frm_offline::OpenAcquisition(int line) {
  auto folder = browser_.AcquisitionFolderOf(line);
  if (!folder) return;
  acquisitionLine_ = browser_.lines()[static_cast<size_t>(line)].text;
  const std::string header = browser_.lines()[static_cast<size_t>(line)].projectId + " " +
                             acquisitionLine_;
  edition_.reset();
  groupPanel_->hide();
  analysis_.reset();
  activity_.reset();
  OpenAcquisitionView(view_, *folder, ctx_.state.appDir, header, [this](int k) {
    DrawPageProgress(*status_, k);
    ctx_.host.pacer.PumpEvents();
  });
  viewerOpen_ = true;
  QString text;
  for (auto& d : view_.description) text += Q(d) + "\n";
  description_->setPlainText(text);
  RefreshPageControls();
  report_->setEnabled(true);
  leegroups_->setEnabled(true);
  cmdchannels_->setEnabled(true);
  analyze_->setEnabled(true);
  if (view_.LoadedPositions() > 0) {
    ShowChannelSignal();
  } else {
    mode_ = Mode::kDescription;
    Redraw();
  }
}

void Frm_offline::RefreshPageControls() {
  refreshingPickers_ = true;
  // A page count of 1 also for fewer than five raw files: the scroll bar runs 1..pages.
  scrollpage_->setRange(1, std::max(1, view_.pageCount));
  scrollpage_->setValue(std::max(1, view_.page));
  txtpage_->setText(Q(view_.PageText()));
  combofila_->setCurrentIndex(view_.selectedChannel % kBeamRows);
  combocol_->setCurrentIndex(view_.selectedChannel / kBeamRows);
  lblcanal_->setText(QString("Channel %1 (%2)")
                         .arg(view_.selectedChannel)
                         .arg(Q(ChannelLabel(view_.snap.map, view_.snap.geometry,
                                             view_.selectedChannel))));
  refreshingPickers_ = false;
}

void Frm_offline::LoadPageFromScrollBar(int page) {
  if (refreshingPickers_ || !view_.viewerMode() || page == view_.page) return;
  LoadPage(view_, page, [this](int k) {
    DrawPageProgress(*status_, k);
    ctx_.host.pacer.PumpEvents();
  });
  analysis_.reset();
  RefreshPageControls();
  ShowChannelSignal();
}

void Frm_offline::ChannelPicked() {
  if (refreshingPickers_) return;
  view_.selectedChannel = combofila_->currentIndex() + kBeamRows * combocol_->currentIndex();
  RefreshPageControls();
  if (!viewerOpen_) return;
  if (mode_ == Mode::kAnalysis) {
    AnalyzePage();
  } else if (mode_ == Mode::kGroups) {
    ShowGroupActivity();
  } else {
    Redraw();
  }
}

void Frm_offline::CheckThresholdBox() {
  bool replaced = false;
  auto factor = ReadFactorText(S(threshold_->text()));
  double snr = CorrectAnalysisSnr(mode_box_->currentIndex(), factor.value_or(0), replaced);
  if (replaced) threshold_->setText(Q(FormatNumber(snr, "0.0")));
}

void Frm_offline::ShowChannelSignal() {
  if (!viewerOpen_) return;
  cmdchannels_->setText(Q(texts::kChannelSignalOn));
  leegroups_->setText(Q(texts::kGroupActivity));
  mode_ = Mode::kSignal;
  Redraw();
}

void Frm_offline::AnalyzePage() {
  if (!viewerOpen_) return;
  CheckThresholdBox();
  double snr = ReadFactorText(S(threshold_->text())).value_or(1.8);
  analysis_ = movexa::AnalyzePage(view_, mode_box_->currentIndex(), snr);
  mode_ = Mode::kAnalysis;
  Redraw();
}

void Frm_offline::ShowGroupActivity() {
  if (!viewerOpen_) return;
  cmdchannels_->setText(Q(texts::kChannelSignal));
  leegroups_->setText(Q(texts::kGroupActivityOn));
  auto bytes = ReadWholeFile(view_.folder / texts::kCountsFile, nullptr, kCountsFileMaxBytes);
  if (!bytes) {
    ctx_.host.dialogs.Problem(texts::kActivityFileNotFound);
    return;
  }
  // Default groups standing in for damaged group files would draw wells that were never the
  // group's: told as the report tells it, nothing drawn.
  if (!view_.snap.groupsProblem.empty()) {
    ctx_.host.dialogs.Problem(view_.snap.groupsProblem + "\r\n" +
                              std::string(texts::kGroupsNeeded));
    return;
  }
  int group = view_.snap.settings.channelGroup[static_cast<size_t>(view_.selectedChannel)];
  activity_ = GroupActivitySeries(*bytes, view_.snap.settings, view_.snap.map, group);
  if (activity_->tornBytes > 0) {
    description_->appendPlainText(
        Q(TornTailNote(view_.folder / texts::kCountsFile, activity_->tornBytes)));
  }
  mode_ = Mode::kGroups;
  Redraw();
}

void Frm_offline::Redraw() {
  PictureBox& c = *picreal_;
  switch (mode_) {
    case Mode::kEmpty:
      c.SetBackColor(colors::kWhite);
      c.Clear();
      break;
    case Mode::kDescription:
      DrawDescription(c, view_.description);
      break;
    case Mode::kSignal:
      c.SetBackColor(colors::kWhite);
      c.Clear();
      DrawChannelSignal(c, view_);
      break;
    case Mode::kAnalysis:
      if (analysis_) DrawAnalysis(c, view_, *analysis_);
      break;
    case Mode::kGroups:
      if (activity_) {
        int g = activity_->group;
        std::string name = g >= 0 && g < kChannelCount
                               ? view_.snap.settings.groupNames[static_cast<size_t>(g)]
                               : "";
        DrawGroupActivity(c, *activity_, GroupLabel(g, name), view_.Caption());
      }
      break;
    case Mode::kPlate:
      if (edition_) DrawPlate(c, edition_->geometry(), edition_->map(), edition_->settings());
      break;
  }
}

void Frm_offline::ShowPictureMenu(const QPoint& pos) {
  if (mode_ == Mode::kPlate) return;  // the right button frees wells on the plate
  pictureMenu_->popup(picreal_->mapToGlobal(pos));
}

void Frm_offline::ExportBmp() {
  // A Save As box proposing the usual name, so an earlier export is never overwritten unseen.
  std::filesystem::path file = ctx_.host.dialogs.SaveFileName(
      texts::kExportBmpTitle, ctx_.state.appDir / texts::kImageFile, texts::kPictureFilter);
  if (file.empty()) return;
  if (!file.has_extension()) file += ".bmp";  // the picture's format follows the name
  if (!picreal_->SaveImage(Q(file.string()))) {
    ctx_.host.dialogs.Problem(std::string(texts::kError) + ": " + file.string() +
                              std::string(texts::kNotWritten));
    return;
  }
  ctx_.host.shell.OpenPicture(file);
}

void Frm_offline::ExportAscii() {
  if (!viewerOpen_ || view_.LoadedPositions() == 0) {
    ctx_.host.dialogs.Problem(std::string(texts::kError) + ": " +
                              std::string(texts::kNoRawSamples));
    return;
  }
  const std::filesystem::path file = ctx_.host.dialogs.SaveFileName(
      texts::kExportAsciiTitle, ctx_.state.appDir / texts::kDataFile, texts::kTextFilter);
  if (file.empty()) return;
  ExportResult r = movexa::ExportAscii(file, view_, DescribeProject(view_.folder.parent_path(), ctx_.host));
  if (!r.ok) {
    ctx_.host.dialogs.Problem(std::string(texts::kError) + ": " + file.string() + " " + r.error);
    return;
  }
  ctx_.host.shell.OpenTextFile(file);
}

// ---- group edition ----

void Frm_offline::PlateConfig() {
  int line = CurrentLine();
  if (line < 0) return;
  if (browser_.lines()[static_cast<size_t>(line)].project) {
    ctx_.host.dialogs.Problem(texts::kPlateConfigOnlySubprojects);
    return;
  }
  auto folder = browser_.AcquisitionFolderOf(line);
  if (!viewerOpen_ || view_.folder != *folder) OpenAcquisition(line);
  ShowGroupPanel();
}

void Frm_offline::ShowGroupPanel() {
  edition_ = std::make_unique<GroupEdition>(view_.snap.settings, view_.snap.geometry, view_.snap.map);
  sets_->clear();
  std::vector<std::string> sets = ArrangementSets(view_.snap.geometry);
  for (auto& s : sets) sets_->addItem(Q(s));
  sets_->setCurrentIndex(sets.size() >= 3 ? 2 : 0);
  groupPanel_->show();
  RefreshGroupPanel(0);
}

int Frm_offline::CurrentEditGroup() const {
  return groups_->currentText().left(3).toInt();
}

void Frm_offline::RefreshGroupPanel(int selectGroup) {
  if (!edition_) return;
  groups_->clear();
  for (auto& e : edition_->GroupEntries()) groups_->addItem(Q(e));
  int index = 0;
  for (int i = 0; i < groups_->count(); ++i) {
    if (groups_->itemText(i).left(3).toInt() == selectGroup) index = i;
  }
  groups_->setCurrentIndex(index);
  int freeRow = free_->currentRow();
  assigned_->clear();
  free_->clear();
  for (auto& l : edition_->ChannelLabels(CurrentEditGroup())) assigned_->addItem(Q(l));
  for (auto& l : edition_->ChannelLabels(kFreeGroup)) free_->addItem(Q(l));
  if (free_->count() > 0) free_->setCurrentRow(std::clamp(freeRow, 0, free_->count() - 1));
  mode_ = Mode::kPlate;
  Redraw();
}

void Frm_offline::PlateClicked(Qt::MouseButton button, double x, double y) {
  if (mode_ != Mode::kPlate || !edition_ || !groupPanel_->isVisible()) return;
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  int group = CurrentEditGroup();
  edition_->ClickWell(x, y, button == Qt::LeftButton, group);
  RefreshGroupPanel(group);
}

void Frm_offline::MoveSelected(bool toGroup) {
  if (!edition_) return;
  QListWidget* from = toGroup ? free_ : assigned_;
  if (!from->currentItem()) return;
  int group = CurrentEditGroup();
  edition_->MoveWell(S(from->currentItem()->text()), toGroup ? group : kFreeGroup);
  RefreshGroupPanel(group);
}

void Frm_offline::RenameEditGroup() {
  if (!edition_ || groups_->currentIndex() < 0) return;
  QString label = groups_->currentText();
  std::string answer = ctx_.host.dialogs.Input(
      "Enter New Group (" + S(label.left(3)) + ") Name", "Group", S(label.mid(4)));
  if (answer.empty()) return;
  int group = CurrentEditGroup();
  edition_->RenameGroup(group, answer);
  RefreshGroupPanel(group);
}

void Frm_offline::ClearGroups() {
  if (!edition_) return;
  if (ctx_.host.dialogs.Ask(texts::kClearQuestion, Dialogs::Buttons::kYesNo) !=
      Dialogs::Answer::kYes)
    return;
  edition_->Clear();
  RefreshGroupPanel(0);
}

void Frm_offline::AutoArrange() {
  if (!edition_ || sets_->currentIndex() < 0) return;
  edition_->AutoArrange(S(sets_->currentText()));
  RefreshGroupPanel(0);
}

void Frm_offline::ExitGroupEdition() {
  if (!edition_) return;
  movexa::ExitGroupEdition(view_.folder, edition_->settings(), ctx_.host);
  std::filesystem::path folder = view_.folder;
  edition_.reset();
  groupPanel_->hide();
  // The acquisition is opened again with the groups now on disk.
  for (size_t i = 0; i < browser_.lines().size(); ++i) {
    auto f = browser_.AcquisitionFolderOf(static_cast<int>(i));
    if (f && *f == folder) {
      OpenAcquisition(static_cast<int>(i));
      break;
    }
  }
  ShowGroupActivity();
}

}  // namespace movexa::ui
