// Frm_Factory: bindings to the factory window's model and Timer_temp.
#include "ui/maintenance/frm_factory.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/instrument.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

Frm_Factory::Frm_Factory(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName("Frm_Factory");
  setWindowTitle("Factory Settings");
  lblserial_ = new QLabel;
  lblserial_->setObjectName("lblserial");
  lblserial_->setStyleSheet("font-weight: bold;");
  txtMensaje_ = new QLineEdit;
  txtMensaje_->setObjectName("txt_mensaje");
  txtMensaje_->setReadOnly(true);
  txtSetTemp_ = new QLineEdit("25.0");
  txtSetTemp_->setObjectName("txt_set_temp");
  txtCurrentTemp_ = new QLineEdit("0.0");
  txtCurrentTemp_->setObjectName("txt_current_temp");
  txtCurrentTemp_->setReadOnly(true);
  auto* set = new QPushButton("SET");
  set->setObjectName("Cmd_temp");
  auto* form = new QFormLayout;
  form->addRow("Current temperature (\u00B0C)", txtCurrentTemp_);
  form->addRow("Reference temperature (\u00B0C)", txtSetTemp_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblserial_);
  layout->addWidget(txtMensaje_);
  layout->addLayout(form);
  layout->addWidget(set);
  layout->addStretch();
  resize(420, 220);

  if (ctx_.state.ports) {
    link_ = std::make_unique<DeviceLink>(InstrumentLink(ctx_.state, ctx_.host));
    model_ = std::make_unique<FactoryWindow>(*link_);
    txtMensaje_->setText(Q(model_->message()));
  } else {
    txtMensaje_->setText(Q(CalibrationDateText(ctx_.state.connection.factory)));
  }
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer_temp");
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] {
    TemperatureTick();
    if (isVisible()) timer_->start(kFactoryTimerMs);
  });
  connect(set, &QPushButton::clicked, this, [this] { Recalibrate(); });
}

Frm_Factory::~Frm_Factory() = default;

bool Frm_Factory::Open() {
  const bool running = ctx_.state.run.runState != RunState::kStopped;
  if (!FactoryAccessAllowed(InstrumentOffline(ctx_.state), running, ctx_.host.dialogs)) return false;
  ctx_.nav.Hide(WindowId::kMain);
  show();
  raise();
  return true;
}

void Frm_Factory::TemperatureTick() {
  if (model_) txtCurrentTemp_->setText(Q(model_->Tick()));
}

void Frm_Factory::Recalibrate() {
  if (!model_) return;
  model_->Recalibrate(txtSetTemp_->text().toStdString());
  txtMensaje_->setText(Q(model_->message()));
}

void Frm_Factory::showEvent(QShowEvent* event) {
  lblserial_->setText(Q(SerialCaption(ctx_.state.connection.serialNumber)));
  timer_->start(kFactoryTimerMs);
  QWidget::showEvent(event);
}

void Frm_Factory::closeEvent(QCloseEvent* event) {
  timer_->stop();
  if (ctx_.nav.IsRegistered(WindowId::kMain)) ctx_.nav.Show(WindowId::kMain);
  event->accept();
}

}  // namespace movexa::ui
