// Frm_Init: the start menu. During start-up it is shown disabled and its status line (LblNews)
// follows the start-up steps, each step waiting one tick of the single-shot 500 ms timer
// `Timerinicio`; afterwards its five options lead to the other windows. Hovering an option
// paints its frame light yellow and the others white; the keyboard moves between the options
// and the links below them ("Try it without an instrument", "Serial ports...", "Help") with Tab
// and runs one with Return or Space.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "base/host.h"
#include "ui/common/ui_context.h"

namespace movexa::ui {

class Frm_Init : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_Init(UiContext& ctx, QWidget* parent = nullptr);

  // The pauses of the start-up: each one a tick of Timerinicio, the windows kept responsive
  // until it has fired.
  Pacer& startupPacer() { return startupPacer_; }
  // Window tests shorten the 500 ms steps (the order of the steps is unchanged).
  void SetStepMs(int ms) { stepOverrideMs_ = ms; }

  void SetNews(std::string_view text);
  QString news() const;
  // The fourth option ("Calibration window") is hidden until the technical menu reveals it.
  void SetCalibrationOptionVisible(bool visible);

  // Runs option 1..5 as a click on it does.
  void RunOption(int option);

  // What the options do beyond the navigation the start menu does itself: "Run Latest
  // Project" (2) and "EXIT" after its Yes (5); the entry of the simulated instrument.
  std::function<void()> onRunLatestProject;
  std::function<void()> onExit;
  std::function<void()> onTryWithoutInstrument;
  std::function<void()> onSerialPorts;
  std::function<void()> onHelp;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class StepPacer : public Pacer {
   public:
    explicit StepPacer(Frm_Init& owner) : owner_(owner) {}
    void PauseMs(int ms) override;
    void PumpEvents() override;

   private:
    Frm_Init& owner_;
  };

  void Highlight(int option);
  void OnActivated();
  int OptionOf(QObject* watched) const;

  UiContext& ctx_;
  StepPacer startupPacer_{*this};
  int stepOverrideMs_ = -1;
  QTimer* timerinicio_;
  QLabel* news_;
  QLabel* version_;
  std::array<QFrame*, 5> frames_{};
  std::array<QLabel*, 5> labels_{};
  QLabel* tryLabel_;
  QLabel* portsLabel_;
  QLabel* helpLabel_;
  // The link's action for a link label, or null.
  const std::function<void()>* LinkAction(QObject* watched) const;
};

}  // namespace movexa::ui
