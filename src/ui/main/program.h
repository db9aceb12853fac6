// The program: its windows registered with the navigator, the instrument link installed once,
// the start-up sequence driven on the start menu's Timerinicio with the main window's steps,
// the connection on "Run Latest Project" and the main window's Connect (a connect that finds
// nothing brings the start menu back with its status line), the serial ports window, the
// simulated instrument for a first try, and the ways out (the start menu's EXIT, the main
// window's Exit or close, a termination request), each of which stops an active run as Stop
// does before the program ends (the operator's ways out ask first).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/demo_instrument.h"
#include "app/startup.h"
#include "base/host.h"
#include "base/system_host.h"
#include "ui/common/navigator.h"
#include "ui/common/qt_host.h"
#include "ui/common/ui_context.h"

namespace movexa::ui {

class Frm_Init;
class Frm_Main;
class Frm_SerialPorts;

struct ProgramOptions {
  std::string argumentText;     // the start argument ("/run" starts a run at once)
  bool demoInstrument = false;  // connect to the simulated instrument instead of a device
  int startupStepMs = -1;       // window tests shorten the 500 ms start-up steps
  // Shown over the start menu once the program waits for the operator: where the first start
  // laid out the application folder (empty: nothing to say).
  std::string firstStartNote;
};

class Program : public StartupObserver {
 public:
  // `state.appDir` must be set. `status` receives the windows' status labels (may be null).
  Program(AppState& state, Host& host, StatusRouter* status);
  ~Program() override;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Installs the instrument link (the system's serial service unless `opener` is given, with
  // `portPacer` between read attempts when given), creates the main window and the start menu
  // and runs the start-up. False when the program must end (the reason has been shown).
  bool Start(const ProgramOptions& options, std::unique_ptr<PortOpener> opener = nullptr,
             Pacer* portPacer = nullptr);

  // Start menu option 2: the main window, connecting first when not connected yet.
  void RunLatestProject();
  // The start menu's entry for a first try: the simulated instrument in place of a device
  // (only before a connection), then option 2.
  void TryWithoutInstrument();
  // Termination requests and the end of the screenshot tour: an active run is stopped as Stop
  // stops it (bins waiting for the disk are written), then the program ends.
  void EndProgram();
  // The start menu's EXIT after its "Sure to Quit?": during a run the operator is asked "An
  // acquisition is running: stop it and quit?" first; Cancel leaves everything as it was.
  void ExitFromStartMenu();
  // The main window's Connect: a new connection (not during a run); nothing found brings the
  // start menu back as "Run Latest Project" does.
  void ConnectFromMainWindow();
  // The serial ports window over `over` (the start menu or the main window), listed afresh.
  Frm_SerialPorts* ShowSerialPorts(QWidget* over);
  Frm_SerialPorts* serialPorts() { return serialPorts_.get(); }
  // Whether the simulated instrument is in use.
  bool simulated() const { return instrumentOpener_ && instrumentOpener_->simulated(); }

  // Ends the program (the application's quit in the program, a flag in window tests).
  std::function<void()> onQuit;

  Navigator& nav() { return nav_; }
  UiContext& context() { return ctx_; }
  Frm_Init* startMenu();
  Frm_Main* mainWindow();

  // StartupObserver: the window steps of the start-up.
  void ShowStartMenuDisabled(AppState&) override;
  void ShowToolFrames(AppState&) override {}
  void ShowLightAndTemperature(AppState& state) override;
  std::optional<int> UserDefinedBinMinutes(AppState& state) override;
  void ShowDataIntervals(AppState&) override;
  void PrepareLiveDisplay(AppState&) override;
  void EnableStartMenu(AppState&) override;
  void StartAutoRun(AppState&) override;

 private:
  void Connect();
  void Quit();

  AppState& state_;
  Host& host_;
  Navigator nav_;
  UiContext ctx_;
  SleepingPacer linePacer_;
  InstrumentOpener* instrumentOpener_ = nullptr;
  std::unique_ptr<Frm_SerialPorts> serialPorts_;
  bool demoRequested_ = false;
  bool quitting_ = false;
};

}  // namespace movexa::ui
