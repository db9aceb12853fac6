// The main window's light and temperature panels.
#include "ui/main/main_outputs_panel.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "base/number_format.h"
#include "base/text_records.h"
#include "calibration/light_control.h"
#include "calibration/tool_settings.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace {

constexpr std::string_view kHardwareNotice = "Only available in some hardware versions";
constexpr Rgb kYellow{255, 255, 0};

BoxCheck OnHour(std::string_view t) {
  return CheckHourBox(t, true);
}
BoxCheck OffHour(std::string_view t) {
  return CheckHourBox(t, false);
}

QFrame* Indicator(QWidget* parent, const char* name) {
  auto* f = new QFrame(parent);
  f->setObjectName(name);
  f->setFixedSize(22, 22);
  f->setFrameShape(QFrame::Box);
  f->setAutoFillBackground(true);
  return f;
}

QLineEdit* Box(QWidget* parent, const char* name, const char* text) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setMaximumWidth(64);
  return e;
}

}  // namespace

MainOutputsPanel::MainOutputsPanel(UiContext& ctx, AcquisitionEngine& engine,
                                   LiveDisplayObserver& display, QWidget* parent)
    : QWidget(parent), ctx_(ctx), engine_(engine), display_(display) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  light_ = new QGroupBox("Light Control", this);
  light_->setObjectName("Frame_light");
  auto* lg = new QGridLayout(light_);
  lightEnabled_ = new QCheckBox("Enable", light_);
  lightEnabled_->setObjectName("Chk_lenabled");
  lightOn_ = Box(light_, "txt_lon", "09");
  lightOff_ = Box(light_, "txt_loff", "21");
  luz_ = new QPushButton("OFF", light_);
  luz_->setObjectName("cmd_luz");
  shapeLight_ = Indicator(light_, "shape_light");
  cyclePulse_ = new QPushButton("Cycle/Pulse", light_);
  cyclePulse_->setObjectName("cmd_cyclepulse");
  lg->addWidget(lightEnabled_, 0, 0);
  lg->addWidget(luz_, 0, 1);
  lg->addWidget(shapeLight_, 0, 2);
  lg->addWidget(new QLabel("ON hour:", light_), 1, 0);
  lg->addWidget(lightOn_, 1, 1);
  lg->addWidget(new QLabel("OFF hour:", light_), 2, 0);
  lg->addWidget(lightOff_, 2, 1);
  lg->addWidget(cyclePulse_, 3, 0, 1, 2);
  pulse_ = new QGroupBox("Pulse", light_);
  pulse_->setObjectName("frm_pulse");
  auto* pg = new QGridLayout(pulse_);
  pulseTimes_ = Box(pulse_, "txt_pulsetimes", "0");
  pulseOn_ = Box(pulse_, "txt_pulseon", "1");
  pulseOff_ = Box(pulse_, "txt_pulseoff", "9");
  pg->addWidget(new QLabel("Times:", pulse_), 0, 0);
  pg->addWidget(pulseTimes_, 0, 1);
  pg->addWidget(new QLabel("ON (min):", pulse_), 1, 0);
  pg->addWidget(pulseOn_, 1, 1);
  pg->addWidget(new QLabel("OFF (min):", pulse_), 2, 0);
  pg->addWidget(pulseOff_, 2, 1);
  pulse_->hide();
  lg->addWidget(pulse_, 4, 0, 1, 3);
  layout->addWidget(light_);

  temp_ = new QGroupBox("Temperature Control", this);
  temp_->setObjectName("Frame_temp");
  auto* tg = new QGridLayout(temp_);
  tempEnabled_ = new QCheckBox("Enabled", temp_);
  tempEnabled_->setObjectName("Chk_tenabled");
  setPoint_ = Box(temp_, "txttemp", "20");
  setTemp_ = new QPushButton("SET", temp_);
  setTemp_->setObjectName("Cmd_settemp");
  onTemp_ = new QPushButton("OFF", temp_);
  onTemp_->setObjectName("cmd_ontemp");
  frio_ = new QPushButton("COOL", temp_);
  frio_->setObjectName("cmd_frio");
  shapeTemp_ = Indicator(temp_, "shape_temp");
  tg->addWidget(tempEnabled_, 0, 0);
  tg->addWidget(new QLabel("Set point (\u00B0C):", temp_), 1, 0);
  tg->addWidget(setPoint_, 1, 1);
  tg->addWidget(setTemp_, 1, 2);
  tg->addWidget(onTemp_, 2, 0);
  tg->addWidget(frio_, 2, 1);
  tg->addWidget(shapeTemp_, 2, 2);
  layout->addWidget(temp_);

  connect(lightEnabled_, &QCheckBox::toggled, this, [this](bool on) {
    SetLightCycleEnabled(ctx_.state.project, ctx_.state.outputs, on);
    ctx_.state.main.lightEnabled = on;
  });
  connect(tempEnabled_, &QCheckBox::toggled, this, [this](bool on) {
    SetThermostatEnabled(ctx_.state.project, ctx_.state.outputs, on);
    ctx_.state.main.temperatureControl = on;
  });
  connect(lightOn_, &QLineEdit::editingFinished, this,
          [this] { CheckBox(lightOn_, OnHour, kMn2, kTime_ON); });
  connect(lightOff_, &QLineEdit::editingFinished, this,
          [this] { CheckBox(lightOff_, OffHour, kMn2, kTime_OFF); });
  connect(pulseTimes_, &QLineEdit::editingFinished, this, [this] {
    CheckBox(pulseTimes_, CheckPulseTimesBox, kMn2, kPulseTimes);
    const bool hours = HourBoxesEnabled(ctx_.state.project.Mn[kMn2][kPulseTimes]);
    lightOn_->setEnabled(hours);
    lightOff_->setEnabled(hours);
  });
  connect(pulseOn_, &QLineEdit::editingFinished, this,
          [this] { CheckBox(pulseOn_, CheckPulseMinutesBox, kMn2, kPulseOnX10); });
  connect(pulseOff_, &QLineEdit::editingFinished, this,
          [this] { CheckBox(pulseOff_, CheckPulseMinutesBox, kMn2, kPulseOffX10); });
  connect(setPoint_, &QLineEdit::editingFinished, this, [this] {
    CheckBox(setPoint_, CheckTemperatureBox, kMn3, kTempx10);
    ctx_.state.main.temperatureText = S(setPoint_->text());
  });
  connect(setTemp_, &QPushButton::clicked, this, [this] {
    if (auto v = ParseOperatorNumber(S(setPoint_->text())))
      ctx_.state.run.context.temperatureSetPoint = *v;
  });
  connect(cyclePulse_, &QPushButton::clicked, this,
          [this] { pulse_->setVisible(pulse_->isHidden()); });
  connect(luz_, &QPushButton::clicked, this, [this] { Manual(ManualOutput::kLight); });
  connect(onTemp_, &QPushButton::clicked, this,
          [this] { Manual(ManualOutput::kTemperatureControl); });
  connect(frio_, &QPushButton::clicked, this, [this] { Manual(ManualOutput::kHeatMode); });
  ShowOutputs(ctx_.state.outputs);
}

void MainOutputsPanel::Paint(QFrame* indicator, Rgb c) {
  QPalette p = indicator->palette();
  p.setColor(QPalette::Window, QColor(c.r, c.g, c.b));
  indicator->setPalette(p);
  indicator->update();
}

void MainOutputsPanel::ShowStartupValues() {
  const MainControls& m = ctx_.state.main;
  if (m.lightFrameVisible) light_->setVisible(*m.lightFrameVisible);
  if (m.temperatureFrameVisible) temp_->setVisible(*m.temperatureFrameVisible);
  const QSignalBlocker a(lightEnabled_), b(tempEnabled_);
  lightEnabled_->setChecked(m.lightEnabled);
  // The boxes show the project's stored light program, which a run applies.
  const LightBoxTexts boxes = LightBoxesShown(ctx_.state.project.Mn);
  lightOn_->setText(Q(boxes.onHour));
  lightOff_->setText(Q(boxes.offHour));
  lightOn_->setEnabled(boxes.hourBoxesEnabled);
  lightOff_->setEnabled(boxes.hourBoxesEnabled);
  pulseTimes_->setText(Q(boxes.pulseTimes));
  pulseOn_->setText(Q(boxes.pulseOn));
  pulseOff_->setText(Q(boxes.pulseOff));
  pulse_->setVisible(m.pulseFrameVisible);
  tempEnabled_->setChecked(m.temperatureControl);
  setPoint_->setText(Q(m.temperatureText));
  ShowOutputs(ctx_.state.outputs);
}

void MainOutputsPanel::CheckBox(QLineEdit* box, BoxCheck (*check)(std::string_view), int row,
                                int column) {
  const BoxCheck result = check(S(box->text()));
  if (!result.valid) ctx_.host.dialogs.Problem(result.message);
  box->setText(Q(result.text));
  ctx_.state.project.Mn[static_cast<size_t>(row)][static_cast<size_t>(column)] = result.value;
}

void MainOutputsPanel::Manual(ManualOutput button) {
  const bool runActive = ctx_.state.run.runState != RunState::kStopped;
  const OutputDecision d = ManualOutputChange(ctx_.state.outputs, button, runActive);
  ctx_.state.outputs = d.state;
  if (d.apply) {
    ApplyOutputs(engine_.link(), engine_.Offline(), d.state, display_);
  } else {
    // Waiting for the run's next 25-sample point: the captions follow at once, the light
    // indicator turns yellow.
    ShowOutputs(d.state);
    if (button == ManualOutput::kLight) Paint(shapeLight_, kYellow);
  }
}

void MainOutputsPanel::ShowOutputs(const OutputState& o) {
  luz_->setText(o.lightOn ? "ON" : "OFF");
  Paint(shapeLight_, o.lightOn ? colors::kGreen : colors::kRed);
  frio_->setText(o.heatMode ? "HEAT" : "COOL");
  onTemp_->setText(o.temperatureControlOn ? "ON" : "OFF");
  Paint(shapeTemp_,
        !o.temperatureControlOn ? colors::kWhite : (o.heatMode ? colors::kRed : colors::kBlue));
}

void MainOutputsPanel::ToggleLightPanel() {
  if (!light_->isHidden()) {
    light_->hide();
    ctx_.state.project.Menu[kMenuLight] = 0;
  } else {
    ctx_.host.dialogs.Message(kHardwareNotice);
    light_->show();
    ctx_.state.project.Menu[kMenuLight] = 1;
  }
}

void MainOutputsPanel::ToggleTemperaturePanel() {
  if (!temp_->isHidden()) {
    temp_->hide();
    ctx_.state.project.Menu[kMenuTemp] = 0;
  } else {
    ctx_.host.dialogs.Message(kHardwareNotice);
    temp_->show();
    ctx_.state.project.Menu[kMenuTemp] = 1;
  }
}

}  // namespace movexa::ui
