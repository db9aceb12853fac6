// The program's windows, start-up, connection and ways out.
#include "ui/main/program.h"

#include <QDir>
#include <QTimer>

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "app/instrument.h"
#include "app/main_window_ops.h"
#include "reports/report_config.h"
#include "ui/main/frm_about.h"
#include "ui/main/frm_init.h"
#include "ui/main/frm_main.h"
#include "ui/main/frm_serial_ports.h"
#include "ui/main/main_live_view.h"
#include "ui/main/shell_texts.h"
#include "ui/maintenance/frm_calibration.h"
#include "ui/maintenance/frm_factory.h"
#include "ui/offline/frm_offline.h"
#include "ui/reports/frm_report.h"
#include "ui/reports/report_windows.h"
#include "ui/setup/frm_setup.h"

namespace movexa::ui {

Program::Program(AppState& state, Host& host, StatusRouter* status)
    : state_(state), host_(host), ctx_{state, host, nav_, status} {
  nav_.Register(WindowId::kStartMenu, [this] {
    auto* w = new Frm_Init(ctx_);
    w->onRunLatestProject = [this] { RunLatestProject(); };
    w->onExit = [this] { ExitFromStartMenu(); };
    w->onSerialPorts = [this, w] { ShowSerialPorts(w); };
    w->onTryWithoutInstrument = [this] { TryWithoutInstrument(); };
    w->onHelp = [this] { OpenHelpDocument(host_, state_.appDir, ExecutableDir()); };
    return w;
  });
  nav_.Register(WindowId::kMain, [this] {
    auto* w = new Frm_Main(ctx_);
    w->onQuit = [this] { Quit(); };
    w->onConnect = [this] { ConnectFromMainWindow(); };
    w->onSerialPorts = [this, w] { ShowSerialPorts(w); };
    return w;
  });
  nav_.Register(WindowId::kAbout, [this] { return new Frm_About(ctx_); });
  nav_.Register(WindowId::kSetup, [this] {
    auto* w = new Frm_setup(ctx_);
    w->onHandOver = [this] { mainWindow()->ShowSetupValues(); };
    w->onContinueToRun = [this] { RunLatestProject(); };
    return w;
  });
  nav_.Register(WindowId::kOffline, [this] {
    auto* w = new Frm_offline(ctx_);
    // "Report" hands the acquisition and its basal candidates to the report window.
    w->onReport = [this](const ReportHandOff& handOff) {
      if (auto* report = nav_.As<Frm_Report>(WindowId::kReport)) {
        // Closing it puts the report bin into the main window's data-interval list, as when
        // the main window opened it.
        QObject::connect(report, &Frm_Report::Closed, mainWindow(), &Frm_Main::ShowReportBin,
                         Qt::UniqueConnection);
        report->OpenFor(handOff);
      }
    };
    return w;
  });
  nav_.Register(WindowId::kCalibration, [this] { return new Frm_Calibration(ctx_); });
  nav_.Register(WindowId::kFactory, [this] { return new Frm_Factory(ctx_); });
  RegisterReportWindows(ctx_);
}

Program::~Program() = default;

Frm_Init* Program::startMenu() {
  return nav_.As<Frm_Init>(WindowId::kStartMenu);
}
Frm_Main* Program::mainWindow() {
  return nav_.As<Frm_Main>(WindowId::kMain);
}

bool Program::Start(const ProgramOptions& options, std::unique_ptr<PortOpener> opener,
                    Pacer* portPacer) {
  if (!opener) {
    auto own = std::make_unique<InstrumentOpener>(state_.appDir);
    instrumentOpener_ = own.get();
    opener = std::move(own);
    if (!state_.portEnumerator) state_.portEnumerator = std::make_unique<SystemPortEnumerator>();
  }
  InstallPorts(state_, portPacer ? *portPacer : linePacer_, std::move(opener));
  // The main window is the first window made; it stays hidden behind the start menu.
  mainWindow();
  Frm_Init* menu = startMenu();
  if (options.startupStepMs >= 0) menu->SetStepMs(options.startupStepMs);

  Host startupHost{host_.dialogs, host_.clock,  menu->startupPacer(),
                   host_.shell,   host_.system, host_.status};
  // The simulated instrument takes the configured port, known once "config.dat" is read: it is
  // switched on at the first connection.
  demoRequested_ = options.demoInstrument && instrumentOpener_ != nullptr;
  if (!StartUp(state_, options.argumentText, startupHost, *this)) return false;
  // Said over the start menu once the program waits for the operator.
  if (!options.firstStartNote.empty()) {
    QTimer::singleShot(0, startMenu(),
                       [this, note = options.firstStartNote] { host_.dialogs.Message(note); });
  }
  // A first try goes straight to the main window, connected to the simulated instrument.
  if (demoRequested_ && !state_.autoRun) RunLatestProject();
  return true;
}

void Program::ShowStartMenuDisabled(AppState&) {
  Frm_Init* menu = startMenu();
  menu->setEnabled(false);
  nav_.Show(WindowId::kStartMenu);
}

void Program::ShowLightAndTemperature(AppState& state) {
  // The outputs start off; the thermostat follows the temperature box.
  state.outputs = OutputsAtStartup(state.project.Mn);
  state.outputs.thermostatEnabled = state.main.temperatureControl;
}

std::optional<int> Program::UserDefinedBinMinutes(AppState& state) {
  if (LoadReportConfig(state.reportConfig, 1, state.appDir, host_) != 1) return std::nullopt;
  return state.reportConfig.Bin;
}

void Program::ShowDataIntervals(AppState&) {
  mainWindow()->ShowStartupValues();
}

void Program::PrepareLiveDisplay(AppState&) {
  Frm_Main* main = mainWindow();
  main->RefreshLabels();
  main->liveView()->ResetForProject();
}

void Program::EnableStartMenu(AppState&) {
  startMenu()->setEnabled(true);
}

void Program::StartAutoRun(AppState&) {
  RunLatestProject();
  mainWindow()->Play();
}

void Program::Connect() {
  if (demoRequested_ && instrumentOpener_ && !instrumentOpener_->simulated()) {
    instrumentOpener_->UseSimulatedInstrument(host_.clock, state_.config.Serial_COM);
  }
  state_.simulatedInstrument = simulated();
  const ConnectOutcome outcome = ConnectAppInstrument(state_, host_);
  mainWindow()->ShowConnection();
  if (outcome == ConnectOutcome::kOffline) {
    // "PORT NOT FOUND" has been said: the start menu comes back with the way on.
    nav_.Show(WindowId::kStartMenu);
    startMenu()->SetNews(shell_texts::kOfflineNews);
  }
}

void Program::ConnectFromMainWindow() {
  if (mainWindow()->RunActive()) return;
  Connect();
}

Frm_SerialPorts* Program::ShowSerialPorts(QWidget* over) {
  if (!serialPorts_) {
    serialPorts_ = std::make_unique<Frm_SerialPorts>(ctx_);
    serialPorts_->onPortChosen = [this] {
      if (nav_.Exists(WindowId::kMain)) mainWindow()->ShowConnection();
    };
  }
  serialPorts_->Refresh();
  if (over) serialPorts_->move(over->geometry().center() - serialPorts_->rect().center());
  serialPorts_->show();
  serialPorts_->raise();
  serialPorts_->activateWindow();
  return serialPorts_.get();
}

void Program::RunLatestProject() {
  nav_.Show(WindowId::kMain);
  if (!state_.connected) Connect();
}

void Program::TryWithoutInstrument() {
  if (state_.connected && !simulated()) {
    host_.dialogs.Message(shell_texts::kAlreadyConnected);
    return;
  }
  if (instrumentOpener_) demoRequested_ = true;
  host_.status.SetStatus(app_texts::kStartMenuStatus, shell_texts::kSimulatedInstrumentNews);
  RunLatestProject();
}

void Program::ExitFromStartMenu() {
  if (nav_.Exists(WindowId::kMain) && mainWindow()->RunActive() &&
      host_.dialogs.Ask(shell_texts::kStopAndQuit, Dialogs::Buttons::kOkCancel) !=
          Dialogs::Answer::kOk) {
    return;
  }
  EndProgram();
}

void Program::EndProgram() {
  if (Frm_Main* main = nav_.Exists(WindowId::kMain) ? mainWindow() : nullptr) {
    if (main->RunActive()) main->Stop();
  }
  Quit();
}

void Program::Quit() {
  if (quitting_) return;
  quitting_ = true;
  if (onQuit) onQuit();
}

}  // namespace movexa::ui
