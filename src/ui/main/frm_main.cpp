// The main acquisition window: layout, menus, run control and the sampling timer.
#include "ui/main/frm_main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "acquisition/run_texts.h"
#include "app/app_folder.h"
#include "app/app_texts.h"
#include "app/main_window_ops.h"
#include "app/startup.h"
#include "calibration/calibration_texts.h"
#include "ui/common/elided_label.h"
#include "ui/common/qt_text.h"
#include "ui/main/main_groups_panel.h"
#include "ui/main/main_live_view.h"
#include "ui/main/main_outputs_panel.h"
#include "ui/main/main_tools_panel.h"
#include "ui/main/shell_texts.h"
#include "ui/reports/frm_report.h"
#include "ui/reports/frm_reportset.h"
#include "ui/reports/report_windows.h"

namespace movexa::ui {

namespace {
constexpr int kBackHighlightMs = 1000;
// The size the window opens at, within the screen it opens on.
constexpr int kOpenWidth = 1180;
constexpr int kOpenHeight = 780;
constexpr int kTitleBarAllowance = 40;
}

Frm_Main::Frm_Main(UiContext& ctx, QWidget* parent) : QMainWindow(parent), ctx_(ctx) {
  setObjectName("Frm_Main");
  setWindowTitle("Movexa - Acquisition");
  engine_ = std::make_unique<AcquisitionEngine>(ctx_.state, ctx_.host, *this);

  timeradq_ = new QTimer(this);
  timeradq_->setObjectName("Timeradq");
  timeradq_->setSingleShot(true);
  timeradq_->setInterval(kSamplingTimerMs);
  timeradq_->setTimerType(Qt::PreciseTimer);
  connect(timeradq_, &QTimer::timeout, this, &Frm_Main::OnTimeradq);

  BuildMenus();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(6);
  layout->addWidget(BuildRunBar());

  auto* body = new QHBoxLayout;
  liveView_ = new MainLiveView(ctx_, central);
  body->addWidget(liveView_, 1);
  auto* side = new QWidget(central);
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  groups_ = new MainGroupsPanel(ctx_, side);
  sideLayout->addWidget(groups_);
  tools_ = new MainToolsPanel(ctx_, *engine_, side);
  outputs_ = new MainOutputsPanel(ctx_, *engine_, *this, side);
  tools_->onRunChanged = [this] { SyncTimer(); };
  tools_->SetManualCalibrationEntries(findChild<QAction*>("mncal_on"),
                                      findChild<QAction*>("mncal_off"));
  sideLayout->addWidget(tools_);
  sideLayout->addWidget(outputs_);
  sideLayout->addStretch();
  auto* scroll = new QScrollArea(central);
  scroll->setWidget(side);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setMinimumWidth(side->sizeHint().width() + 24);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  body->addWidget(scroll);
  layout->addLayout(body, 1);
  layout->addWidget(BuildStatusBar());
  setCentralWidget(central);
  QSize room(kOpenWidth, kOpenHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    room = screen->availableGeometry().size() - QSize(0, kTitleBarAllowance);
  }
  resize(std::min(kOpenWidth, room.width()), std::min(kOpenHeight, room.height()));

  if (ctx_.status) {
    ctx_.status->Route(run_texts::kStatusWhere,
                       [this](std::string_view t) { status_->setText(Q(t)); });
    ctx_.status->Route(run_texts::kBlankLabelWhere, [this](std::string_view t) {
      blank_->setText(Q(t));
      blank_->setVisible(!t.empty());
    });
    ctx_.status->Route(calibration_texts::kPanelStatus,
                       [this](std::string_view t) { tools_->SetProgressText(Q(t)); });
  }
  RunControlsChanged(RunState::kStopped);
}

Frm_Main::~Frm_Main() = default;

void Frm_Main::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  QAction* exit = file->addAction("Exit");
  exit->setObjectName("mnexit");
  connect(exit, &QAction::triggered, this, &Frm_Main::ExitProgram);
  BuildPortMenu();

  QMenu* advanced = menuBar()->addMenu("&Advanced");
  QMenu* manual = advanced->addMenu("Manual_Calibration");
  QAction* on = manual->addAction("ON");
  on->setObjectName("mncal_on");
  on->setCheckable(true);
  QAction* off = manual->addAction("OFF");
  off->setObjectName("mncal_off");
  off->setCheckable(true);
  connect(on, &QAction::triggered, this, [this] { tools_->ManualCalibration(true); });
  connect(off, &QAction::triggered, this, [this] { tools_->ManualCalibration(false); });

  QMenu* tools = menuBar()->addMenu("&Tools");
  QAction* light = tools->addAction("Light Control");
  light->setObjectName("lght_ctl");
  connect(light, &QAction::triggered, this, [this] { outputs_->ToggleLightPanel(); });
  QAction* temp = tools->addAction("Temperature Control");
  temp->setObjectName("temp_ctl");
  connect(temp, &QAction::triggered, this, [this] { outputs_->ToggleTemperaturePanel(); });
  // The check mark changes only through the report settings window's Apply and Back to Default.
  userBin_ = tools->addAction("User Defined BIN size");
  userBin_->setObjectName("mnbinsize");
  userBin_->setCheckable(true);
  connect(userBin_, &QAction::triggered, this, [this] {
    ShowUserDefinedBin();
    if (auto* settings = ctx_.nav.As<Frm_Reportset>(WindowId::kReportSet)) {
      connect(settings, &Frm_Reportset::UserDefinedBinChanged, this, &Frm_Main::ShowUserDefinedBin,
              Qt::UniqueConnection);
    }
    ChooseUserDefinedBinFromMenu(ctx_, ctx_.state.main.userDefinedBin);
  });

  BuildMaintenanceMenu();

  QMenu* help = menuBar()->addMenu("&Help");
  QAction* content = help->addAction("Content");
  content->setObjectName("mncontent");
  connect(content, &QAction::triggered, this, &Frm_Main::OpenHelp);
  QAction* about = help->addAction("About");
  about->setObjectName("mnabout");
  connect(about, &QAction::triggered, this, [this] { ctx_.nav.Show(WindowId::kAbout, false); });
}

QWidget* Frm_Main::BuildRunBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  back_ = new QPushButton("<< Back", bar);
  back_->setObjectName("Cmdoffline");
  connect(back_, &QPushButton::clicked, this, &Frm_Main::BackToStartMenu);
  // Hovering "<< Back" turns it green; a 1000 ms timer keeps setting it back to blue.
  back_->setStyleSheet("color: rgb(0, 0, 255);");
  back_->installEventFilter(this);
  backTimer_ = new QTimer(this);
  backTimer_->setInterval(kBackHighlightMs);
  connect(backTimer_, &QTimer::timeout, this,
          [this] { back_->setStyleSheet("color: rgb(0, 0, 255);"); });
  setup_ = new QPushButton(">Edit", bar);
  setup_->setObjectName("Cmdsetup");
  connect(setup_, &QPushButton::clicked, this, [this] { ctx_.nav.Show(WindowId::kSetup); });
  play_ = new QPushButton("Play", bar);
  play_->setObjectName("CmdPlay");
  pause_ = new QPushButton("Pause", bar);
  pause_->setObjectName("CmdPause");
  stop_ = new QPushButton("Stop", bar);
  stop_->setObjectName("CmdStop");
  for (QPushButton* b : {play_, pause_, stop_}) {
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    b->setMinimumWidth(80);
  }
  connect(play_, &QPushButton::clicked, this, &Frm_Main::Play);
  connect(pause_, &QPushButton::clicked, this, &Frm_Main::PauseOrResume);
  connect(stop_, &QPushButton::clicked, this, &Frm_Main::Stop);
  experiment_ = new QLineEdit(bar);
  experiment_->setObjectName("txtexperiment");
  experiment_->setReadOnly(true);
  experiment_->setPlaceholderText("experiment name (set by Play)");
  experiment_->setMinimumWidth(200);
  report_ = new QPushButton("Show my report", bar);
  report_->setObjectName("Cmdreport");
  connect(report_, &QPushButton::clicked, this, &Frm_Main::ShowMyReport);
  minutes_ = new QComboBox(bar);
  minutes_->setObjectName("combo_minutes");
  minutes_->setToolTip("Data interval of the report (minutes)");

  row->addWidget(back_);
  row->addWidget(setup_);
  row->addSpacing(12);
  row->addWidget(play_);
  row->addWidget(pause_);
  row->addWidget(stop_);
  row->addWidget(new QLabel("Experiment:", bar));
  row->addWidget(experiment_, 1);
  row->addWidget(report_);
  row->addWidget(new QLabel("Bin (min):", bar));
  row->addWidget(minutes_);
  return bar;
}

QWidget* Frm_Main::BuildStatusBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto label = [&](const char* name, const QString& text) {
    auto* l = new QLabel(text, bar);
    l->setObjectName(name);
    return l;
  };
  // Texts of any length (a project name, an instrument that stopped answering) are elided with
  // the whole text in the tooltip: the window keeps its size.
  auto elided = [&](const char* name) {
    auto* l = new ElidedLabel(bar);
    l->setObjectName(name);
    return l;
  };
  project_ = elided("lblproject");
  project_->setToolTip("Project (name_number)");
  lapse_ = label("lbllapse", {});
  lapse_->setToolTip("Programmed duration (minutes)");
  plate_ = label("lblplate", {});
  plate_->setToolTip("Plate format");
  elapsed_ = label("lblelapsed", "00:00:00");
  elapsed_->setToolTip("Elapsed run time");
  banner_ = elided("lblbanner");
  banner_->setStyleSheet("color: rgb(200, 0, 0); font-weight: bold;");
  banner_->hide();
  blank_ = elided("lblcalibrando");
  blank_->setStyleSheet("color: rgb(0, 0, 160); font-weight: bold;");
  blank_->hide();
  status_ = elided("lblstatus");
  // The status line takes the room the other labels leave, whatever its text.
  status_->SetHintChars(0);
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  connection_ = elided("lblconnection");
  connection_->SetHintChars(60);  // the connection state is read whole where there is room
  connection_->setFrameShape(QFrame::Panel);
  connection_->setFrameShadow(QFrame::Sunken);
  connect_ = new QPushButton(Q(shell_texts::kConnectEntry), bar);
  connect_->setObjectName("CmdConnect");
  connect_->setToolTip(Q(shell_texts::kConnectTip));
  connect(connect_, &QPushButton::clicked, this, [this] {
    if (onConnect) onConnect();
  });
  row->addWidget(new QLabel("Project:", bar));
  row->addWidget(project_);
  row->addSpacing(10);
  row->addWidget(new QLabel("Lapse (min):", bar));
  row->addWidget(lapse_);
  row->addSpacing(10);
  row->addWidget(new QLabel("Plate:", bar));
  row->addWidget(plate_);
  row->addSpacing(10);
  row->addWidget(new QLabel("Elapsed:", bar));
  row->addWidget(elapsed_);
  row->addWidget(banner_);
  row->addWidget(blank_);
  row->addWidget(status_, 1);
  row->addWidget(connection_);
  row->addWidget(connect_);
  return bar;
}

bool Frm_Main::RunActive() const {
  const AcquisitionRun& run = ctx_.state.run;
  return run.runState != RunState::kStopped || run.timerEnabled;
}

void Frm_Main::SyncTimer() {
  if (ctx_.state.run.timerEnabled && !ticking_ && !timeradq_->isActive()) {
    timeradq_->start(ctx_.state.run.timerIntervalMs);
  } else if (!ctx_.state.run.timerEnabled) {
    timeradq_->stop();
  }
  tools_->RunChanged();
}

void Frm_Main::Play() {
  // Play lets window events run while it prepares the run (before its button is disabled): a
  // second click meanwhile must not start another run.
  if (starting_) return;
  starting_ = true;
  engine_->CmdPlay();
  starting_ = false;
  SyncTimer();
}

void Frm_Main::PauseOrResume() {
  engine_->CmdPause();
  SyncTimer();
}

void Frm_Main::Stop() {
  engine_->CmdStop();
  SyncTimer();
}

void Frm_Main::OnTimeradq() {
  if (ticking_) return;  // a tick that lets events run never starts another
  ticking_ = true;
  engine_->Tick();
  ticking_ = false;
  SyncTimer();
}

void Frm_Main::ShowStartupValues() {
  const MainControls& m = ctx_.state.main;
  tools_->ShowStartupValues();
  outputs_->ShowStartupValues();
  minutes_->clear();
  for (const auto& item : m.dataIntervals) minutes_->addItem(Q(item));
  minutes_->setCurrentText(Q(m.dataInterval));
  ShowUserDefinedBin();
  RefreshLabels();
}

void Frm_Main::RefreshLabels() {
  const MainControls& m = ctx_.state.main;
  project_->setText(Q(m.projectLabel));
  lapse_->setText(Q(m.lapseLabel));
  plate_->setText(Q(m.plateLabel));
}

void Frm_Main::ShowSetupValues() {
  RefreshActivationLabels(ctx_.state);
  RefreshLabels();
  tools_->ShowStartupValues();
  outputs_->ShowStartupValues();
  liveView_->ResetForProject();
  groups_->Refresh();
}

void Frm_Main::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowConnection();
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !RunActive()) {
    // A project whose values cannot be shown (a selector or buffer that cannot be built) is
    // said once; the window stays open on what it showed before.
    try {
      RefreshActivationLabels(ctx_.state);
      RefreshLabels();
      liveView_->ResetForProject();
      groups_->Refresh();
    } catch (const std::exception&) {
      ctx_.host.dialogs.Problem(app_texts::kActivationError);
    }
  }
  QMainWindow::changeEvent(event);
}

void Frm_Main::BackToStartMenu() {
  ctx_.nav.Show(WindowId::kStartMenu);
}

bool Frm_Main::eventFilter(QObject* watched, QEvent* event) {
  if (watched == back_ && event->type() == QEvent::Enter) {
    back_->setStyleSheet("color: rgb(0, 255, 0);");
    backTimer_->start();
  }
  return QMainWindow::eventFilter(watched, event);
}

void Frm_Main::ShowMyReport() {
  // The report window takes the data interval, then opens on the last run's folder.
  const ReportButtonTarget target = ShowMyReportTarget(ctx_.state);
  if (auto* report = ctx_.nav.As<Frm_Report>(WindowId::kReport)) {
    connect(report, &Frm_Report::Closed, this, &Frm_Main::ShowReportBin, Qt::UniqueConnection);
    const bool open = target.kind == ReportButtonTarget::Kind::kOpen;
    report->ShowMyReport(minutes_->currentText().toStdString(),
                         open ? target.folder : std::filesystem::path());
  }
  if (target.kind == ReportButtonTarget::Kind::kMissing) ctx_.host.dialogs.Problem(target.message);
  if (target.kind == ReportButtonTarget::Kind::kNone) ctx_.host.dialogs.Message(target.message);
}

void Frm_Main::ShowUserDefinedBin() {
  if (userBin_) userBin_->setChecked(ctx_.state.main.userDefinedBin);
}

void Frm_Main::ShowReportBin() {
  const QString bin = Q(ctx_.state.main.dataInterval);
  if (minutes_->findText(bin) < 0) minutes_->addItem(bin);
  minutes_->setCurrentText(bin);
}

bool Frm_Main::RunAutomaticReport(const std::filesystem::path& acquisitionFolder) {
  return ui::RunAutomaticReport(ctx_, acquisitionFolder);
}

void Frm_Main::OpenHelp() {
  OpenHelpDocument(ctx_.host, ctx_.state.appDir, ExecutableDir());
}

bool Frm_Main::ExitProgram() {
  if (exiting_) return true;
  // A run still active ends only when the operator agrees, and then as Stop ends it: waiting
  // bins are written before anything else.
  if (RunActive() && ctx_.host.dialogs.Ask(shell_texts::kStopAndQuit,
                                           Dialogs::Buttons::kOkCancel) != Dialogs::Answer::kOk) {
    return false;
  }
  exiting_ = true;
  if (RunActive()) Stop();
  ShutdownMain(ctx_.state, ctx_.host, [this] {
    if (ctx_.state.ports) ctx_.state.ports->CommClose(ctx_.state.connection.port);
  });
  if (onQuit) onQuit();
  return true;
}

void Frm_Main::closeEvent(QCloseEvent* event) {
  if (ExitProgram()) {
    event->accept();
  } else {
    event->ignore();
  }
}

// LiveDisplayObserver.

void Frm_Main::OpenSetupWindow() {
  ctx_.nav.Show(WindowId::kSetup);
}

void Frm_Main::ShowExperimentName(std::string_view name) {
  experiment_->setText(Q(name));
}

void Frm_Main::RunControlsChanged(RunState state) {
  const bool active = state != RunState::kStopped;
  play_->setEnabled(!active);
  setup_->setEnabled(!active);
  back_->setEnabled(!active);
  pause_->setEnabled(active);
  pause_->setText(state == RunState::kPaused ? "Resume" : "Pause");
  if (active) {
    ctx_.nav.Hide(WindowId::kSetup);
    ctx_.nav.Hide(WindowId::kOffline);
  }
  tools_->RunChanged();
  ShowConnection();
}

void Frm_Main::PrepareLiveDisplay() {
  liveView_->PrepareForRun();
}

void Frm_Main::PrepareRealTimePlot(int rtBuffer) {
  liveView_->PrepareRealTimePlot(rtBuffer);
}

void Frm_Main::ShowBanner(std::string_view text) {
  banner_->setText(Q(text));
  banner_->show();
}

void Frm_Main::HideBanner() {
  banner_->hide();
}

void Frm_Main::BringMainWindowToFront() {
  ctx_.nav.Show(WindowId::kMain);
}

void Frm_Main::DrawTraceStep() {
  liveView_->DrawTraceStep();
}

void Frm_Main::RedrawTrace() {
  liveView_->RedrawTrace();
}

void Frm_Main::RedrawActivity() {
  liveView_->RedrawActivity();
}

void Frm_Main::ShowTemperature(std::string_view text, int64_t samplesTaken) {
  liveView_->ShowTemperature(text, samplesTaken);
}

void Frm_Main::DrawRunProgress(int32_t elapsedMinutes, int aqLapse) {
  liveView_->DrawRunProgress(elapsedMinutes, aqLapse);
}

void Frm_Main::ShowElapsed(std::string_view text) {
  elapsed_->setText(Q(text));
}

void Frm_Main::ShowOutputs(const OutputState& outputs) {
  outputs_->ShowOutputs(outputs);
}

void Frm_Main::ShowPanel(std::string_view caption) {
  tools_->ShowProgressPanel(caption);
}
void Frm_Main::HidePanel() {
  tools_->HideProgressPanel();
}
void Frm_Main::SetProgressScale(double scaleMax) {
  tools_->SetProgressScale(scaleMax);
}
void Frm_Main::SetProgressBackground(int red, int green, int blue) {
  tools_->SetProgressBackground(red, green, blue);
}
void Frm_Main::ClearProgress() {
  tools_->ClearProgress();
}
void Frm_Main::DrawProgress(double x) {
  tools_->DrawProgress(x);
}

}  // namespace movexa::ui
