// Frm_Main: the main acquisition window. Play, Pause and Stop call the acquisition engine, which
// it owns; the sampling timer `Timeradq` (single-shot, 10 ms, re-armed after each tick and never
// re-entered) drives the engine's Tick(); the engine's refresh points come back through the
// LiveDisplayObserver interface and are passed to the live display, the calibration panel and
// the light and temperature panels. Leaving the window while a run is active asks first, then
// stops the run as Stop does, so every closed bin is on disk before the program ends. The Port
// menu (Connect, "COM1".."COM12" with the tick on the instrument's port, "Serial ports...") and
// the status bar's connection state live in main_connection.cpp.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "acquisition/acquisition_engine.h"
#include "acquisition/live_display_observer.h"
#include "ui/common/ui_context.h"

class QComboBox;
class QAction;

namespace movexa::ui {

class ElidedLabel;
class MainLiveView;
class MainGroupsPanel;
class MainToolsPanel;
class MainOutputsPanel;
class DeviceTestRunner;

class Frm_Main : public QMainWindow, public LiveDisplayObserver {
  Q_OBJECT

 public:
  // The state's port table must be installed (the engine's device link is made over it).
  explicit Frm_Main(UiContext& ctx, QWidget* parent = nullptr);
  ~Frm_Main() override;

  AcquisitionEngine& engine() { return *engine_; }
  UiContext& context() { return ctx_; }

  // Run control, as the buttons do.
  void Play();
  void PauseOrResume();
  void Stop();
  // One tick of Timeradq (what the timer's timeout does).
  void OnTimeradq();
  // Whether a run or a blank reading is active (running or paused, or the timer enabled).
  bool RunActive() const;

  // Start-up: the controls take the values start-up put into state.main.
  void ShowStartupValues();
  // Activation refresh (each time the window becomes active while no run is active).
  void RefreshLabels();
  // The values the setup window hands over (detection summary, organism and SNR, tool frames,
  // groups of a project loaded or edited there).
  void ShowSetupValues();
  // The data interval takes the configured bin (the report window closed, from wherever it
  // was opened).
  void ShowReportBin();

  // The main window's exit: a run still active is stopped as Stop does once the operator
  // agreed ("An acquisition is running: stop it and quit?", OK/Cancel), then the shutdown asks
  // whether to save the project and closes the port; then `onQuit` ends the program. False
  // when the operator cancelled (nothing changed).
  bool ExitProgram();
  std::function<void()> onQuit;

  // The Port menu's Connect (and the status bar's button) and "Serial ports...".
  std::function<void()> onConnect;
  std::function<void()> onSerialPorts;
  // The port menu's tick on the instrument's port, the connection state in the status bar and
  // whether Connect is offered (not during a run).
  void ShowConnection();

  MainLiveView* liveView() { return liveView_; }
  MainToolsPanel* toolsPanel() { return tools_; }
  MainOutputsPanel* outputsPanel() { return outputs_; }
  // The device test of the menu entry "Test DEVICE" (mnstatustest).
  DeviceTestRunner* deviceTest() { return deviceTest_; }

  // LiveDisplayObserver.
  void StopDeviceTest() override;
  void OpenSetupWindow() override;
  void ShowExperimentName(std::string_view name) override;
  void RunControlsChanged(RunState state) override;
  void PrepareLiveDisplay() override;
  void PrepareRealTimePlot(int rtBuffer) override;
  void ShowBanner(std::string_view text) override;
  void HideBanner() override;
  void BringMainWindowToFront() override;
  // The report window makes the automatic report at the end of a run with the user-defined bin.
  bool RunAutomaticReport(const std::filesystem::path& acquisitionFolder) override;
  void DrawTraceStep() override;
  void RedrawTrace() override;
  void RedrawActivity() override;
  void ShowTemperature(std::string_view text, int64_t samplesTaken) override;
  void DrawRunProgress(int32_t elapsedMinutes, int aqLapse) override;
  void ShowElapsed(std::string_view text) override;
  void ShowOutputs(const OutputState& outputs) override;
  // CalibrationPanel (the automatic-calibration progress panel frm_autotext).
  void ShowPanel(std::string_view caption) override;
  void HidePanel() override;
  void SetProgressScale(double scaleMax) override;
  void SetProgressBackground(int red, int green, int blue) override;
  void ClearProgress() override;
  void DrawProgress(double x) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildRunBar();
  QWidget* BuildStatusBar();
  void BuildPortMenu();
  // Arms Timeradq when the engine's sampling timer is enabled and no tick is running.
  void SyncTimer();
  void ShowMyReport();
  // The report windows: the check mark of "User Defined BIN size" follows the stored flag.
  void ShowUserDefinedBin();
  void OpenHelp();
  void BackToStartMenu();

  UiContext& ctx_;
  std::unique_ptr<AcquisitionEngine> engine_;
  QTimer* timeradq_;
  bool ticking_ = false;
  bool starting_ = false;  // inside Play
  bool exiting_ = false;

  QPushButton* play_;
  QPushButton* pause_;
  QPushButton* stop_;
  QPushButton* back_;
  QPushButton* setup_;
  MainGroupsPanel* groups_ = nullptr;
  QPushButton* report_;
  QLineEdit* experiment_;
  QComboBox* minutes_;
  ElidedLabel* project_;
  QLabel* lapse_;
  QLabel* plate_;
  ElidedLabel* status_;
  ElidedLabel* banner_;
  ElidedLabel* blank_;
  ElidedLabel* connection_ = nullptr;       // lblconnection: connected, simulated or offline
  QPushButton* connect_ = nullptr;          // CmdConnect
  QAction* connectAction_ = nullptr;        // mnconnect
  std::array<QAction*, 12> portEntries_{};  // mncom1 .. mncom12
  QLabel* elapsed_;
  QTimer* backTimer_;
  QAction* userBin_ = nullptr;  // "User Defined BIN size"

  MainLiveView* liveView_ = nullptr;
  MainToolsPanel* tools_ = nullptr;
  MainOutputsPanel* outputs_ = nullptr;
  // Maintenance: the device test and its hint lbl_autostart.
  DeviceTestRunner* deviceTest_ = nullptr;
  QLabel* autostart_ = nullptr;
  void BuildMaintenanceMenu();
};

}  // namespace movexa::ui
