// The main window's light and temperature panels (Frame_light, Frame_temp): the light cycle and
// its ON/OFF hours, the pulse cycle sub-panel, the manual light, temperature and mode switches
// with their indicators, the thermostat box and its set point. Box checks and output rules are
// the core's (light_control.h); a manual change during a run waits for the next 25-sample
// point, otherwise it is sent at once.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "acquisition/acquisition_engine.h"
#include "base/canvas.h"
#include "ui/common/ui_context.h"

namespace movexa::ui {

class MainOutputsPanel : public QWidget {
  Q_OBJECT

 public:
  MainOutputsPanel(UiContext& ctx, AcquisitionEngine& engine, LiveDisplayObserver& display,
                   QWidget* parent = nullptr);

  void ShowStartupValues();
  // The indicators after an outputs command.
  void ShowOutputs(const OutputState& outputs);
  // The menu entries "Light Control" and "Temperature Control": hide a visible panel, else
  // tell the operator the hardware condition and show it; the project's Tools flag follows.
  void ToggleLightPanel();
  void ToggleTemperaturePanel();

 private:
  void Manual(ManualOutput button);
  void CheckBox(QLineEdit* box, BoxCheck (*check)(std::string_view), int row, int column);
  static void Paint(QFrame* indicator, Rgb colour);

  UiContext& ctx_;
  AcquisitionEngine& engine_;
  LiveDisplayObserver& display_;

  QGroupBox* light_;
  QCheckBox* lightEnabled_;
  QLineEdit* lightOn_;
  QLineEdit* lightOff_;
  QPushButton* luz_;
  QFrame* shapeLight_;
  QPushButton* cyclePulse_;
  QGroupBox* pulse_;
  QLineEdit* pulseTimes_;
  QLineEdit* pulseOn_;
  QLineEdit* pulseOff_;

  QGroupBox* temp_;
  QCheckBox* tempEnabled_;
  QLineEdit* setPoint_;
  QPushButton* setTemp_;
  QPushButton* onTemp_;
  QPushButton* frio_;
  QFrame* shapeTemp_;
};

}  // namespace movexa::ui
