// The unattended tour of the windows.
#include "ui/main/screenshot_tour.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "ui/main/frm_init.h"
#include "ui/main/frm_main.h"
#include "ui/main/program.h"

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

}  // namespace

TourResult RunScreenshotTour(Program& program, QtDialogs& dialogs, const fs::path& dir,
                             int runSeconds) {
  TourResult result;
  std::error_code ec;
  fs::create_directories(dir, ec);
  dialogs.SetUnattended(QtDialogs::Unattended{"Screenshot run"});

  Frm_Init* menu = program.startMenu();
  RunEventsFor(300);
  if (!Save(menu, dir / "start_menu.png", result)) return result;

  program.TryWithoutInstrument();
  Frm_Main* main = program.mainWindow();
  main->resize(1180, 800);
  RunEventsFor(300);
  main->Play();
  if (!main->RunActive()) {
    result.error = "the run did not start";
    return result;
  }
  RunEventsFor(runSeconds * 1000);
  if (!Save(main, dir / "main_window_run.png", result)) return result;
  result.acquisitionFolder = program.context().state.run.context.folder;
  main->Stop();
  RunEventsFor(200);
  if (!Save(main, dir / "main_window_stopped.png", result)) return result;
  result.ok = true;
  return result;
}

}  // namespace movexa::ui
