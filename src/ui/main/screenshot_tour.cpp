// The unattended tour of the windows.
#include "ui/main/screenshot_tour.h"

#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "reports/raw_reanalysis.h"
#include "ui/analysis/frm_analysis.h"
#include "ui/main/frm_init.h"
#include "ui/main/frm_main.h"
#include "ui/main/frm_serial_ports.h"
#include "ui/main/program.h"
#include "ui/offline/frm_offline.h"
#include "ui/reports/frm_report.h"
#include "ui/reports/frm_reportset.h"

namespace movexa::ui {

namespace fs = std::filesystem;

namespace {

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget* window, const fs::path& path, TourResult& result) {
  window->repaint();
  QCoreApplication::processEvents();
  if (!window->grab().save(QString::fromStdString(path.string()))) {
    result.error = "cannot write " + path.string();
    return false;
  }
  result.pictures.push_back(path);
  return true;
}

// The report window on the run's folder after "Generate..." (report_window.png), with its raw
// data panel when the run kept raw data, and the report settings window (report_settings.png).
// False only when a picture cannot be written.
bool TourReportWindows(Program& program, const fs::path& folder, const fs::path& dir,
                       TourResult& result) {
  auto* report = program.nav().As<Frm_Report>(WindowId::kReport);
  auto* settings = program.nav().As<Frm_Reportset>(WindowId::kReportSet);
  // A run too short to close a bin has nothing to report.
  if (!report || !settings || !ActivityFilePresent(folder)) return true;
  report->OpenFor(folder, {}, "Report", WindowId::kMain);
  auto* analyze = report->findChild<QAction*>("mnrecalculate");
  if (analyze && RawDataPresent(folder)) analyze->trigger();
  if (auto* generate = report->findChild<QPushButton*>("Cmd_generate")) generate->click();
  RunEventsFor(300);
  // A run shorter than a minute gives no report ("Resampling ERROR"): the window shows that.
  if (!Save(report, dir / "report_window.png", result)) return false;
  report->close();
  settings->show();
  RunEventsFor(300);
  if (!Save(settings, dir / "report_settings.png", result)) return false;
  settings->hide();
  return true;
}

// The analysis window on `folder` once its first plot is drawn (analysis_window.png). False
// only when the picture cannot be written.
bool TourAnalysisWindow(Program& program, const fs::path& folder, const fs::path& dir,
                        TourResult& result) {
  auto* analysis = program.nav().As<Frm_analysis>(WindowId::kAnalysis);
  if (!analysis || !ActivityFilePresent(folder)) return true;
  analysis->OpenFor({folder}, WindowId::kMain);
  for (int waited = 0; waited < 60000 && analysis->Busy(); waited += 100) RunEventsFor(100);
  RunEventsFor(400);
  if (!Save(analysis, dir / "analysis_window.png", result)) return false;
  analysis->hide();
  return true;
}

}  // namespace

TourResult RunScreenshotTour(Program& program, QtDialogs& dialogs, const fs::path& dir,
                             int runSeconds, const fs::path& analysisFolder) {
  TourResult result;
  std::error_code ec;
  fs::create_directories(dir, ec);
  dialogs.SetUnattended(QtDialogs::Unattended{"Screenshot run"});

  Frm_Init* menu = program.startMenu();
  RunEventsFor(300);
  if (!Save(menu, dir / "start_menu.png", result)) return result;

  QWidget* about = program.nav().Show(WindowId::kAbout, false);
  RunEventsFor(150);
  if (about && !Save(about, dir / "about_box.png", result)) return result;
  if (about) about->hide();

  program.TryWithoutInstrument();
  Frm_Main* main = program.mainWindow();
  // The pictures' size, or the whole screen where it is smaller.
  QSize size(1180, 800);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size());
  main->resize(size);
  RunEventsFor(300);
  // The status bar's connection state, and the serial ports window over the main window.
  if (auto* connection = main->findChild<QWidget*>("lblconnection")) {
    if (!Save(connection->parentWidget(), dir / "connection_state.png", result)) return result;
  }
  if (Frm_SerialPorts* ports = program.ShowSerialPorts(main)) {
    RunEventsFor(200);
    if (!Save(ports, dir / "serial_ports.png", result)) return result;
    ports->hide();
  }
  main->Play();
  if (!main->RunActive()) {
    result.error = "the run did not start";
    return result;
  }
  RunEventsFor(runSeconds * 1000);
  if (!Save(main, dir / "main_window_run.png", result)) return result;
  // The smallest screen the window is laid out for, with the activity scaled to what it shows.
  if (auto* autoScale = main->findChild<QCheckBox*>("chk_autoscale")) {
    main->resize(1024, 700);
    autoScale->setChecked(true);
    RunEventsFor(1500);
    if (!Save(main, dir / "main_window_autoscale.png", result)) return result;
    autoScale->setChecked(false);
    main->resize(1180, 800);
  }
  result.acquisitionFolder = program.context().state.run.context.folder;
  main->Stop();
  RunEventsFor(200);
  if (!Save(main, dir / "main_window_stopped.png", result)) return result;
  QWidget* setup = program.nav().Show(WindowId::kSetup);
  RunEventsFor(300);
  if (setup && !Save(setup, dir / "setup_window.png", result)) return result;
  // The offline window on the run just recorded: its signals, the page re-counted, and the
  // activity of the first channel's group.
  if (auto* offline = program.nav().As<Frm_offline>(WindowId::kOffline)) {
    program.nav().Show(WindowId::kOffline);
    offline->resize(1024, 700);  // the smallest screen it is made for
    RunEventsFor(200);
    if (offline->OpenAcquisitionFolder(result.acquisitionFolder)) {
      RunEventsFor(200);
      if (!Save(offline, dir / "offline_signal.png", result)) return result;
      offline->AnalyzePage();
      RunEventsFor(200);
      if (!Save(offline, dir / "offline_analysis.png", result)) return result;
      offline->ShowGroupActivity();
      RunEventsFor(200);
    }
    if (!Save(offline, dir / "offline_window.png", result)) return result;
  }
  if (!TourReportWindows(program, result.acquisitionFolder, dir, result)) return result;
  if (!TourAnalysisWindow(program,
                          analysisFolder.empty() ? result.acquisitionFolder : analysisFolder, dir,
                          result)) {
    return result;
  }
  // The maintenance windows as the technician finds them on the connected instrument.
  for (auto [id, name] : {std::pair{WindowId::kCalibration, "calibration_window.png"},
                          std::pair{WindowId::kFactory, "factory_window.png"}}) {
    QWidget* w = program.nav().Show(id);
    RunEventsFor(1500);  // the factory window's first temperature reading comes after 1 s
    if (w && !Save(w, dir / name, result)) return result;
    if (w) w->hide();
  }
  result.ok = true;
  return result;
}

}  // namespace movexa::ui
