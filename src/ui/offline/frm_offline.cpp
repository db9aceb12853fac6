// Frm_offline: construction, the browser list and its operations.
#include "ui/offline/frm_offline.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "offline/join_export.h"
#include "offline/offline_texts.h"
#include "reports/recorded_counts.h"
#include "ui/analysis/frm_analysis.h"
#include "ui/common/picture_box.h"
#include "ui/offline/offline_qt.h"

namespace movexa::ui {

namespace texts = offline_texts;
using offline_qt::Q;
using offline_qt::S;

namespace {

QPushButton* Button(QWidget* parent, const char* name, std::string_view caption) {
  auto* b = new QPushButton(Q(caption), parent);
  b->setObjectName(name);
  return b;
}

// Enter on the list acts as a double-click.
class EnterFilter : public QObject {
 public:
  EnterFilter(QObject* parent, std::function<void()> onEnter)
      : QObject(parent), onEnter_(std::move(onEnter)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        onEnter_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onEnter_;
};

}  // namespace

Frm_offline::Frm_offline(UiContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), browser_(ctx.state.appDir) {
  setObjectName("Frm_offline");
  setWindowTitle(Q(texts::kCaption));
  BuildControls();
  // Fits an instrument PC's 1024 x 700 and grows with the screen.
  resize(1000, 680);
}

Frm_offline::~Frm_offline() = default;

void Frm_offline::BuildControls() {
  auto* top = new QHBoxLayout(this);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  top->addWidget(splitter);

  // Left: the browser.
  auto* left = new QWidget(splitter);
  auto* l = new QVBoxLayout(left);
  l->setContentsMargins(0, 0, 4, 0);
  auto* searchRow = new QHBoxLayout;
  search_ = new QLineEdit(left);
  search_->setObjectName("txt_search");
  search_->setPlaceholderText("Search projects and acquisitions");
  connect(search_, &QLineEdit::returnPressed, this, &Frm_offline::ApplySearch);
  auto* apply = Button(left, "cmd_search", texts::kApply);
  connect(apply, &QPushButton::clicked, this, &Frm_offline::ApplySearch);
  searchRow->addWidget(search_, 1);
  searchRow->addWidget(apply);
  l->addLayout(searchRow);

  auto* headRow = new QHBoxLayout;
  dateButton_ = Button(left, "lbl_fecha", "Date");
  dateButton_->setFlat(true);
  dateButton_->setToolTip("Newest first (^) or oldest first (v)");
  connect(dateButton_, &QPushButton::clicked, this, &Frm_offline::FlipOrder);
  order_ = new QLabel(left);
  order_->setObjectName("lbl_orden");
  auto* hide = Button(left, "cmd_hide", texts::kHideSubfolders);
  connect(hide, &QPushButton::clicked, this, &Frm_offline::HideSubfolders);
  folders_ = new QToolButton(left);
  folders_->setObjectName("mnfolders");
  folders_->setText("Watched folders");
  folders_->setPopupMode(QToolButton::InstantPopup);
  auto* folderMenu = new QMenu(folders_);
  for (int i = 0; i < 5; ++i) {
    QAction* a = folderMenu->addAction(Q(texts::kFolderCaptions[static_cast<size_t>(i)]));
    a->setObjectName(QString("Txtfolder%1").arg(i));
    connect(a, &QAction::triggered, this, [this, i] { WatchFolder(i); });
  }
  folders_->setMenu(folderMenu);
  headRow->addWidget(dateButton_);
  headRow->addWidget(order_);
  headRow->addStretch(1);
  headRow->addWidget(hide);
  headRow->addWidget(folders_);
  l->addLayout(headRow);

  list_ = new QListWidget(left);
  list_->setObjectName("Listpj");
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  QFont mono = list_->font();
  mono.setFamily("monospace");
  mono.setStyleHint(QFont::TypeWriter);
  list_->setFont(mono);
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ActivateLine(list_->row(item)); });
  list_->installEventFilter(new EnterFilter(list_, [this] { ActivateLine(CurrentLine()); }));
  connect(list_, &QWidget::customContextMenuRequested, this, &Frm_offline::ShowListMenu);
  l->addWidget(list_, 3);

  listMenu_ = new QMenu(this);
  listMenu_->setObjectName("mnrename");
  connect(listMenu_->addAction(Q(texts::kRename)), &QAction::triggered, this, &Frm_offline::RenameLine);
  connect(listMenu_->addAction(Q(texts::kDelete)), &QAction::triggered, this, &Frm_offline::ArchiveLine);
  connect(listMenu_->addAction(Q(texts::kFindInFolder)), &QAction::triggered, this,
          &Frm_offline::FindInFolder);
  connect(listMenu_->addAction(Q(texts::kPlateConfig)), &QAction::triggered, this,
          &Frm_offline::PlateConfig);
  listMenu_->addSeparator();
  restore_ = listMenu_->addAction(Q(texts::kRestoreRecorded));
  restore_->setObjectName("mnrestorecounts");
  connect(restore_, &QAction::triggered, this, &Frm_offline::RestoreRecorded);

  auto* buttons = new QHBoxLayout;
  report_ = Button(left, "Cmd_report", texts::kReport);
  join_ = Button(left, "Cmd_join", texts::kJoin);
  connect(report_, &QPushButton::clicked, this, &Frm_offline::Report);
  connect(join_, &QPushButton::clicked, this, &Frm_offline::Join);
  buttons->addWidget(report_);
  buttons->addWidget(join_);
  // The analysis plots of the selected acquisitions (several of one project as one run).
  auto* analysis = Button(left, "cmdanalysis", "Analysis...");
  connect(analysis, &QPushButton::clicked, this, &Frm_offline::OpenAnalysis);
  buttons->addWidget(analysis);
  l->addLayout(buttons);

  description_ = new QPlainTextEdit(left);
  description_->setObjectName("txt_description");
  description_->setReadOnly(true);
  description_->setFont(mono);
  l->addWidget(description_, 2);

  // Right: the viewer.
  auto* right = new QWidget(splitter);
  auto* r = new QVBoxLayout(right);
  r->setContentsMargins(4, 0, 0, 0);
  auto* viewRow = new QHBoxLayout;
  cmdchannels_ = Button(right, "cmdchannels", texts::kChannelSignal);
  analyze_ = Button(right, "Cmd_analyze", texts::kAnalyze);
  leegroups_ = Button(right, "Cmd_leegroups", texts::kGroupActivityOn);
  connect(cmdchannels_, &QPushButton::clicked, this, &Frm_offline::ShowChannelSignal);
  connect(analyze_, &QPushButton::clicked, this, &Frm_offline::AnalyzePage);
  connect(leegroups_, &QPushButton::clicked, this, &Frm_offline::ShowGroupActivity);
  mode_box_ = new QComboBox(right);
  mode_box_->setObjectName("cmb_modeanalisis");
  for (auto m : texts::kAnalysisModes) mode_box_->addItem(Q(m));
  connect(mode_box_, &QComboBox::currentIndexChanged, this, [this] { CheckThresholdBox(); });
  threshold_ = new QLineEdit(Q(texts::kInitialThreshold), right);
  threshold_->setObjectName("frmtxt_threshold");
  threshold_->setMaximumWidth(60);
  threshold_->setToolTip("SNR factor of the analysis");
  viewRow->addWidget(cmdchannels_);
  viewRow->addWidget(leegroups_);
  viewRow->addSpacing(16);
  viewRow->addWidget(new QLabel("Method:", right));
  viewRow->addWidget(mode_box_);
  viewRow->addWidget(new QLabel("SNR:", right));
  viewRow->addWidget(threshold_);
  viewRow->addWidget(analyze_);
  viewRow->addStretch(1);
  r->addLayout(viewRow);

  status_ = new PictureBox(right);
  status_->setObjectName("Pic_status");
  status_->setFixedHeight(8);
  r->addWidget(status_);
  picreal_ = new PictureBox(right);
  picreal_->setObjectName("Picreal");
  picreal_->setMinimumSize(480, 300);
  picreal_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(picreal_, &QWidget::customContextMenuRequested, this, &Frm_offline::ShowPictureMenu);
  connect(picreal_, &PictureBox::Resized, this, &Frm_offline::Redraw);
  connect(picreal_, &PictureBox::MousePressed, this, &Frm_offline::PlateClicked);
  r->addWidget(picreal_, 1);
  pictureMenu_ = new QMenu(this);
  QAction* bmp = pictureMenu_->addAction(Q(texts::kExportBmp));
  bmp->setObjectName("bmpexporta");
  connect(bmp, &QAction::triggered, this, &Frm_offline::ExportBmp);
  QAction* ascii = pictureMenu_->addAction(Q(texts::kExportAscii));
  ascii->setObjectName("asciiexporta");
  connect(ascii, &QAction::triggered, this, &Frm_offline::ExportAscii);

  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(new QLabel("Page:", right));
  scrollpage_ = new QScrollBar(Qt::Horizontal, right);
  scrollpage_->setObjectName("scrollpage");
  scrollpage_->setRange(1, 1);
  scrollpage_->setPageStep(1);
  connect(scrollpage_, &QScrollBar::valueChanged, this, &Frm_offline::LoadPageFromScrollBar);
  txtpage_ = new QLineEdit(right);
  txtpage_->setObjectName("Txtpage");
  txtpage_->setReadOnly(true);
  txtpage_->setMaximumWidth(70);
  combofila_ = new QComboBox(right);
  combofila_->setObjectName("Combofila");
  for (int i = 0; i < kBeamRows; ++i) combofila_->addItem(QString(QChar('A' + i)));
  combocol_ = new QComboBox(right);
  combocol_->setObjectName("Combocol");
  for (int i = 1; i <= kBeamColumns; ++i) combocol_->addItem(QString::number(i));
  connect(combofila_, &QComboBox::currentIndexChanged, this, [this] { ChannelPicked(); });
  connect(combocol_, &QComboBox::currentIndexChanged, this, [this] { ChannelPicked(); });
  lblcanal_ = new QLabel(right);
  lblcanal_->setObjectName("lblcanal");
  lblcanal_->setMinimumWidth(110);
  pageRow->addWidget(scrollpage_, 1);
  pageRow->addWidget(txtpage_);
  pageRow->addSpacing(12);
  pageRow->addWidget(new QLabel("Beam row:", right));
  pageRow->addWidget(combofila_);
  pageRow->addWidget(new QLabel("column:", right));
  pageRow->addWidget(combocol_);
  pageRow->addWidget(lblcanal_);
  r->addLayout(pageRow);
  r->addWidget(BuildGroupPanel());

  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 5);
  splitter->setSizes({440, 840});
  cmdchannels_->setEnabled(false);
  analyze_->setEnabled(false);
}

void Frm_offline::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) OpenWindow();
}

void Frm_offline::closeEvent(QCloseEvent* event) {
  ReleaseViewer();
  event->accept();
  if (ctx_.nav.IsRegistered(WindowId::kStartMenu)) ctx_.nav.Show(WindowId::kStartMenu);
}

void Frm_offline::ReleaseViewer() {
  view_ = SignalView{};
  analysis_.reset();
  activity_.reset();
  edition_.reset();
  groupPanel_->hide();
  viewerOpen_ = false;
  mode_ = Mode::kEmpty;
  cmdchannels_->setText(Q(texts::kChannelSignal));
  leegroups_->setText(Q(texts::kGroupActivityOn));
  cmdchannels_->setEnabled(false);
  analyze_->setEnabled(false);
  picreal_->SetBackColor(colors::kWhite);
  picreal_->Clear();
  description_->clear();
  refreshingPickers_ = true;
  scrollpage_->setRange(1, 1);
  scrollpage_->setValue(1);
  txtpage_->clear();
  refreshingPickers_ = false;
}

void Frm_offline::OpenWindow() {
  browser_ = AcquisitionBrowser(ctx_.state.appDir);
  browser_.Open(ctx_.host);
  auto actions = folders_->menu()->actions();
  for (int i = 0; i < 5 && i < actions.size(); ++i) {
    actions[i]->setText(Q(browser_.watched()[static_cast<size_t>(i)]));
  }
  mode_box_->setCurrentIndex(0);
  threshold_->setText(Q(texts::kInitialThreshold));
  RefreshList();
}

void Frm_offline::RefreshList(const QString& reselect) {
  list_->clear();
  for (const BrowserLine& line : browser_.lines()) list_->addItem(Q(line.text));
  order_->setText(Q(browser_.OrderLabel()));
  if (!reselect.isEmpty()) {
    auto found = list_->findItems(reselect, Qt::MatchExactly);
    if (!found.isEmpty()) list_->setCurrentItem(found.front());
  }
}

int Frm_offline::CurrentLine() const {
  return list_->currentRow();
}

void Frm_offline::ActivateLine(int line) {
  if (line < 0 || line >= static_cast<int>(browser_.lines().size())) return;
  if (browser_.lines()[static_cast<size_t>(line)].project) {
    QString text = list_->item(line)->text();
    browser_.ToggleExpanded(line, ctx_.host);
    // A project line leaves viewer mode: the page scroll bar and the viewer's buttons no longer
    // act on the acquisition shown before.
    ReleaseViewer();
    RefreshList(text);
    report_->setEnabled(true);
    leegroups_->setEnabled(false);
    return;
  }
  OpenAcquisition(line);
}

bool Frm_offline::OpenAcquisitionFolder(const std::filesystem::path& folder) {
  const std::string project = folder.parent_path().filename().string();
  browser_.SetExpanded(project, true, ctx_.host);
  RefreshList();
  for (size_t i = 0; i < browser_.lines().size(); ++i) {
    auto f = browser_.AcquisitionFolderOf(static_cast<int>(i));
    if (f && *f == folder) {
      list_->setCurrentRow(static_cast<int>(i));
      OpenAcquisition(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

void Frm_offline::FlipOrder() {
  QString text = list_->currentItem() ? list_->currentItem()->text() : QString();
  browser_.FlipOrder(CurrentLine(), ctx_.host);
  RefreshList(text);
}

void Frm_offline::ApplySearch() {
  browser_.Search(S(search_->text()), ctx_.host);
  RefreshList();
}

void Frm_offline::HideSubfolders() {
  QString text = list_->currentItem() ? list_->currentItem()->text() : QString();
  search_->clear();
  browser_.HideSubfolders(ctx_.host);
  RefreshList(text);
}

void Frm_offline::ShowListMenu(const QPoint& pos) {
  if (QListWidgetItem* item = list_->itemAt(pos)) list_->setCurrentItem(item);
  auto acquisition = browser_.AcquisitionFolderOf(CurrentLine());
  restore_->setEnabled(acquisition && HasRecordedCounts(*acquisition));
  listMenu_->popup(list_->viewport()->mapToGlobal(pos));
}

void Frm_offline::RenameLine() {
  int line = CurrentLine();
  if (line < 0) return;
  bool project = browser_.lines()[static_cast<size_t>(line)].project;
  std::string id = browser_.lines()[static_cast<size_t>(line)].projectId;
  std::string folder = browser_.lines()[static_cast<size_t>(line)].folderName;
  if (!browser_.Rename(line, ctx_.host)) return;
  RefreshList();
  for (size_t i = 0; i < browser_.lines().size(); ++i) {
    const BrowserLine& l = browser_.lines()[i];
    if (l.project == project && l.projectId == id && l.folderName == folder)
      list_->setCurrentRow(static_cast<int>(i));
  }
}

void Frm_offline::ArchiveLine() {
  int line = CurrentLine();
  if (line < 0) return;
  if (browser_.Archive(line, ctx_.host)) RefreshList();
}

void Frm_offline::FindInFolder() {
  int line = CurrentLine();
  if (line < 0) return;
  auto acquisition = browser_.AcquisitionFolderOf(line);
  ctx_.host.shell.ShowInFileManager(acquisition ? *acquisition : browser_.ProjectFolderOf(line));
}

void Frm_offline::RestoreRecorded() {
  int line = CurrentLine();
  if (line < 0) return;
  auto acquisition = browser_.AcquisitionFolderOf(line);
  if (!acquisition || !HasRecordedCounts(*acquisition)) {
    ctx_.host.dialogs.Message(texts::kNothingToRestore);
    return;
  }
  if (ctx_.host.dialogs.Ask(std::string(texts::kRestoreQuestion1) + acquisition->string() +
                                std::string(texts::kRestoreQuestion2),
                            Dialogs::Buttons::kYesNo) != Dialogs::Answer::kYes)
    return;
  std::string error;
  if (!RestoreRecordedCounts(*acquisition, error)) {
    ctx_.host.dialogs.Problem(std::string(texts::kRestoreFailed) + error);
    return;
  }
  ctx_.host.dialogs.Message(std::string(texts::kRestored) + acquisition->string());
  // An acquisition shown in the viewer is opened again on what is now on disk.
  if (viewerOpen_ && view_.folder == *acquisition) OpenAcquisitionFolder(*acquisition);
}

std::vector<int> Frm_offline::SelectedLines() const {
  std::vector<int> out;
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->item(i)->isSelected()) out.push_back(i);
  }
  return out;
}

void Frm_offline::WatchFolder(int item) {
  if (!browser_.SetWatchedFolder(item, ctx_.host)) return;
  folders_->menu()->actions()[item]->setText(Q(browser_.watched()[static_cast<size_t>(item)]));
}

void Frm_offline::Report() {
  // The line the operator sees selected, never an acquisition opened earlier.
  const std::vector<int> selected = SelectedLines();
  if (selected.empty()) return;
  if (selected.size() > 1) {
    ctx_.host.dialogs.Problem(texts::kSelectOneToReport);
    return;
  }
  const int line = selected.front();
  auto acquisition = browser_.AcquisitionFolderOf(line);
  ReportHandOff handOff =
      MakeReportHandOff(acquisition ? *acquisition : browser_.ProjectFolderOf(line),
                        ctx_.state.appDir, S(report_->text()), browser_.order());
  if (!handOff.ok) {
    ctx_.host.dialogs.Problem(handOff.message);
    return;
  }
  lastHandOff_ = handOff;
  if (onReport) {
    onReport(handOff);
  } else if (ctx_.nav.IsRegistered(WindowId::kReport)) {
    ctx_.nav.Show(WindowId::kReport);
  }
}

void Frm_offline::OpenAnalysis() {
  // The acquisitions the operator sees selected (several of one project: one run).
  std::vector<std::filesystem::path> folders;
  for (int line : SelectedLines()) {
    if (auto folder = browser_.AcquisitionFolderOf(line)) folders.push_back(*folder);
  }
  if (folders.empty()) {
    ctx_.host.dialogs.Problem("Select an acquisition (or several of one project) to analyse.");
    return;
  }
  OpenAnalysisWindow(ctx_, folders, WindowId::kOffline);
}

void Frm_offline::Join() {
  int line = CurrentLine();
  if (line < 0 || browser_.lines()[static_cast<size_t>(line)].project) {
    ctx_.host.dialogs.Problem(std::string(texts::kWrongSelection) + "\r\n" +
                              std::string(texts::kSelectMore));
    return;
  }
  const std::string project = browser_.lines()[static_cast<size_t>(line)].projectId;
  std::vector<JoinSource> sources;
  std::string question = std::string(texts::kJoinQuestion) + "\r\n";
  for (int i = 0; i < list_->count(); ++i) {
    const BrowserLine& l = browser_.lines()[static_cast<size_t>(i)];
    if (!list_->item(i)->isSelected() || l.project || l.projectId != project) continue;
    sources.push_back({l.text, l.folderName});
    question += l.text + "\r\n";
  }
  question += " ?";
  if (ctx_.host.dialogs.Ask(question, Dialogs::Buttons::kOkCancel) != Dialogs::Answer::kOk ||
      sources.size() < 2)
    return;
  JoinResult r = JoinAcquisitions(ctx_.state.appDir / project, sources, ctx_.host.clock.Now());
  if (!r.ok) {
    ctx_.host.dialogs.Problem(std::string(texts::kError) + ": " + r.error);
    return;
  }
  // Torn last records left out of the join are said.
  if (!r.notes.empty()) {
    std::string said = std::string(texts::kJoined) + r.folder.string();
    for (const auto& note : r.notes) said += "\r\n" + note;
    ctx_.host.dialogs.Message(said);
  }
  browser_.Build(ctx_.host);
  RefreshList();
}

}  // namespace movexa::ui
