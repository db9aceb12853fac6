// Frm_Calibration: controls, their bindings to the calibration window's model, and the online
// timer.
#include "ui/maintenance/frm_calibration.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/instrument.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "calibration/auto_gain.h"
#include "calibration/gain_curve.h"
#include "calibration/maintenance_texts.h"
#include "ui/common/picture_box.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace t = maintenance_texts;

namespace {

constexpr int kOnlineTickMs = 10;

QPushButton* Button(const char* name, const char* caption) {
  return Named(new QPushButton(QString::fromUtf8(caption)), name);
}

QLineEdit* Box(const char* name, const char* text, int width = 60) {
  auto* e = Named(new QLineEdit(QString::fromUtf8(text)), name);
  e->setMaximumWidth(width);
  return e;
}

QScrollBar* Scroll(const char* name, int max) {
  auto* s = Named(new QScrollBar(Qt::Horizontal), name);
  s->setRange(0, max);
  s->setMinimumWidth(140);
  return s;
}

void Indicator(QLabel* shape, bool filled) {
  shape->setStyleSheet(filled ? "background: rgb(0,160,0); border: 1px solid black;"
                              : "background: transparent; border: 1px solid black;");
}

}  // namespace

Frm_Calibration::Frm_Calibration(UiContext& ctx, QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      host_{ctx.host.dialogs, ctx.host.clock, ctx.host.pacer, ctx.host.shell, ctx.host.system, *this} {
  setObjectName("Frm_Calibration");
  setWindowTitle("Calibration");
  Build();
  EnsureModel();
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] {
    OnlineTick();
    if (model_ && model_->online()) timer_->start(kOnlineTickMs);
  });
  // Loading: the target of the auto-gain procedure is the project's Cal_value.
  txtajuste_->setText(QString::number(ctx_.state.project.Cal_value));
  if (ctx_.state.project.Cal_mode == 0) combomode_->setCurrentText("0_Max.Gain");
  DrawCalibrationGrid(*picwell_, std::nullopt);
  if (model_) model_->DrawTrace(*pictrace_);
  GoOffline();
}

Frm_Calibration::~Frm_Calibration() = default;

void Frm_Calibration::SetStatus(std::string_view where, std::string_view text) {
  if (where == kCalibrationStatus) {
    lblstatus2_->setVisible(!text.empty());
    lblstatus2_->setText(Q(text));
  } else if (where == kCurveSettingBox) {
    txtTest_->setText(Q(text));
  }
  ctx_.host.status.SetStatus(where, text);
}

bool Frm_Calibration::EnsureModel() {
  if (model_) return true;
  if (!ctx_.state.ports) return false;
  link_ = std::make_unique<DeviceLink>(InstrumentLink(ctx_.state, host_));
  model_ = std::make_unique<CalibrationWindow>(*link_, ctx_.state.project);
  return true;
}

void Frm_Calibration::Build() {
  picwell_ = Named(new PictureBox, "Picwell");
  picwell_->setMinimumSize(500, 340);
  picwell_->setMouseTracking(true);
  picwellOut_ = Named(new PictureBox, "Picwell_out");
  picwellOut_->setMinimumSize(240, 160);
  pictrace_ = Named(new PictureBox, "Pictrace");
  pictrace_->setMinimumSize(500, 200);
  picturecal_ = Named(new PictureBox, "picturecal");
  picturecal_->setFixedHeight(14);

  combofila_ = Named(new QComboBox, "Combofila");
  for (char r = 'A'; r <= 'P'; ++r) combofila_->addItem(QString(QChar(r)));
  combocol_ = Named(new QComboBox, "Combocol");
  for (int c = 1; c <= 24; ++c) combocol_->addItem(QString::number(c));
  combomode_ = Named(new QComboBox, "Combomode");
  combomode_->addItems({Q(t::kMaxGain), Q(t::kMaxPower)});
  combomode_->setEditable(true);
  lblcanal_ = Named(new QLabel("0"), "lblcanal");
  lblout_ = Named(new QLabel("OUT"), "lblout");
  lblstatus_ = Named(new QLabel(Q(t::kEnabled)), "lblstatus");
  lblstatus_->setToolTip("Double-click to enable or disable the channel");
  lblstatus_->installEventFilter(this);
  lblstatus2_ = Named(new QLabel, "lblstatus2");
  lblstatus2_->setStyleSheet("color: rgb(0,0,160); font-weight: bold;");
  shapeOnline_ = Named(new QLabel, "shape_online");
  shapeOffline_ = Named(new QLabel, "shape_offline");
  shapeOnline_->setFixedSize(14, 14);
  shapeOffline_->setFixedSize(14, 14);

  scrollpower_ = Scroll("scrollpower", 7);
  scrollgain_ = Scroll("scrollgain", 7);
  scrollThreshold_ = Scroll("Scroll_threshold", 20);
  txtpower_ = Box("txtpower", "0");
  txtgain_ = Box("txtgain", "0");
  txtThreshold_ = Box("txt_threshold", "0");
  txtAutocal_ = Box("txt_autocal", "120");
  txtajuste_ = Box("Txtajuste", "90");
  txtPower_ = Box("txt_power", "6");
  txtGanancia_ = Box("txt_ganancia", "6");
  txtBrillo_ = Box("txt_brillo", "255");
  txtPixsize_ = Box("txt_pixsize", "1");
  txtTest_ = Box("txt_test", "Gain=0;Pinhole=0", 200);
  txtTest_->setMinimumWidth(130);
  txtzoom_ = Box("txtzoom", "0", 40);
  cmdOnline_ = Button("Cmd_online", "ONLINE");
  auto* cmdOffline = Button("Cmd_offline", "OFFLINE");
  auto* cmdSetAll = Button("Cmd_setall", "Set All");
  auto* cmdSet = Button("cmd_setcalibra", "SET");
  cmdAutocalibra_ = Button("cmd_autocalibra", "Autocalibra");
  auto* cmdCalibrar = Button("Cmdcalibrar", "<CALIBRATE>& Auto-Gain");
  auto* cmdTest = Button("cmdTEST", "TEST CURVA DE GANANCIA");
  auto* zoomPlus = Button("Command10", "+");
  auto* zoomMinus = Button("Command11", "-");
  auto* mas = Button("mas", "+");
  auto* menos = Button("menos", "-");
  auto* pixMas = Button("pix_mas", "+");
  auto* pixMenos = Button("pix_menos", "-");
  auto* exit = Button("Command2", "EXIT");
  auto* mainButton = Button("Command21", "Main");
  auto* setup = Button("Command22", "Setup");
  auto* offlineWin = Button("Command24", "OffLine");

  auto* position = new QGroupBox("Position");
  auto* pg = new QGridLayout(position);
  pg->addWidget(new QLabel("Row"), 0, 0);
  pg->addWidget(combofila_, 0, 1);
  pg->addWidget(new QLabel("Column"), 0, 2);
  pg->addWidget(combocol_, 0, 3);
  pg->addWidget(new QLabel("Channel"), 1, 0);
  pg->addWidget(lblcanal_, 1, 1);
  pg->addWidget(lblstatus_, 1, 2);
  pg->addWidget(lblout_, 1, 3);
  pg->addWidget(new QLabel("Power"), 2, 0);
  pg->addWidget(scrollpower_, 2, 1, 1, 2);
  pg->addWidget(txtpower_, 2, 3);
  pg->addWidget(new QLabel("Gain"), 3, 0);
  pg->addWidget(scrollgain_, 3, 1, 1, 2);
  pg->addWidget(txtgain_, 3, 3);
  pg->addWidget(new QLabel("Threshold %"), 4, 0);
  pg->addWidget(scrollThreshold_, 4, 1, 1, 2);
  pg->addWidget(txtThreshold_, 4, 3);
  pg->addWidget(cmdSetAll, 5, 0, 1, 4);

  auto* procedures = new QGroupBox("Calibration");
  auto* cg = new QGridLayout(procedures);
  cg->addWidget(new QLabel("Power"), 0, 0);
  cg->addWidget(txtPower_, 0, 1);
  cg->addWidget(new QLabel("Gain"), 0, 2);
  cg->addWidget(txtGanancia_, 0, 3);
  cg->addWidget(cmdSet, 0, 4);
  cg->addWidget(picturecal_, 1, 0, 1, 5);
  cg->addWidget(new QLabel("Target"), 2, 0);
  cg->addWidget(txtAutocal_, 2, 1);
  cg->addWidget(cmdAutocalibra_, 2, 2, 1, 3);
  cg->addWidget(new QLabel("Level %"), 3, 0);
  cg->addWidget(txtajuste_, 3, 1);
  cg->addWidget(combomode_, 3, 2);
  cg->addWidget(cmdCalibrar, 3, 3, 1, 2);
  cg->addWidget(txtTest_, 4, 0, 1, 2);
  cg->addWidget(cmdTest, 4, 2, 1, 3);
  cg->addWidget(lblstatus2_, 5, 0, 1, 5);

  auto* output = new QGroupBox("Output");
  auto* og = new QGridLayout(output);
  og->addWidget(picwellOut_, 0, 0, 1, 6);
  og->addWidget(new QLabel("Brightness"), 1, 0);
  og->addWidget(menos, 1, 1);
  og->addWidget(txtBrillo_, 1, 2);
  og->addWidget(mas, 1, 3);
  og->addWidget(new QLabel("Dot"), 2, 0);
  og->addWidget(pixMenos, 2, 1);
  og->addWidget(txtPixsize_, 2, 2);
  og->addWidget(pixMas, 2, 3);

  auto* onlineRow = new QHBoxLayout;
  onlineRow->addWidget(shapeOnline_);
  onlineRow->addWidget(cmdOnline_);
  onlineRow->addWidget(shapeOffline_);
  onlineRow->addWidget(cmdOffline);
  onlineRow->addStretch();
  onlineRow->addWidget(new QLabel("Zoom"));
  onlineRow->addWidget(zoomMinus);
  onlineRow->addWidget(txtzoom_);
  onlineRow->addWidget(zoomPlus);

  auto* nav = new QHBoxLayout;
  nav->addWidget(mainButton);
  nav->addWidget(setup);
  nav->addWidget(offlineWin);
  nav->addStretch();
  nav->addWidget(exit);

  auto* legend = Named(new QLabel(Q(t::kNoBeamLegend)), "lbl_nobeam");
  legend->setWordWrap(true);
  auto* left = new QVBoxLayout;
  left->addWidget(picwell_, 3);
  left->addWidget(legend);
  left->addLayout(onlineRow);
  left->addWidget(pictrace_, 2);
  auto* right = new QVBoxLayout;
  right->addWidget(position);
  right->addWidget(procedures);
  right->addWidget(output);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addLayout(left, 3);
  top->addLayout(right, 1);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addLayout(nav);
  resize(1180, 760);

  connect(picwell_, &PictureBox::MousePressed, this, [this](Qt::MouseButton b, double x, double y) {
    if (b == Qt::LeftButton) PickAt(x, y);
  });
  connect(picwell_, &PictureBox::MouseMoved, this,
          [this](Qt::MouseButtons, double x, double y) { HoverAt(x, y); });
  connect(picwell_, &PictureBox::Resized, this, [this] {
    DrawCalibrationGrid(*picwell_, model_ ? model_->selected() : std::nullopt);
  });
  connect(scrollpower_, &QScrollBar::valueChanged, this, [this] { OnScrollPowerGain(); });
  connect(scrollgain_, &QScrollBar::valueChanged, this, [this] { OnScrollPowerGain(); });
  connect(scrollThreshold_, &QScrollBar::valueChanged, this, [this](int v) {
    txtThreshold_->setText(QString::number(v));
    if (!updating_ && model_) model_->SetThreshold(v);
  });
  connect(cmdOnline_, &QPushButton::clicked, this, [this] { GoOnline(); });
  connect(cmdOffline, &QPushButton::clicked, this, [this] { GoOffline(); });
  connect(cmdSetAll, &QPushButton::clicked, this, [this] { OnSetAll(); });
  connect(cmdSet, &QPushButton::clicked, this, [this] { OnSetCalibra(); });
  connect(cmdAutocalibra_, &QPushButton::clicked, this, [this] { OnAutocalibra(); });
  connect(cmdCalibrar, &QPushButton::clicked, this, [this] { OnAutoGain(); });
  connect(cmdTest, &QPushButton::clicked, this, [this] { OnGainCurve(); });
  connect(zoomPlus, &QPushButton::clicked, this, [this] {
    if (!model_) return;
    model_->ZoomIn();
    Refresh();
  });
  connect(zoomMinus, &QPushButton::clicked, this, [this] {
    if (!model_) return;
    model_->ZoomOut();
    Refresh();
  });
  auto stepper = [this](QLineEdit* box, int (*f)(int)) {
    box->setText(QString::number(f(box->text().toInt())));
    if (model_) {
      model_->brightness = txtBrillo_->text().toInt();
      model_->dotSize = txtPixsize_->text().toInt();
    }
  };
  connect(mas, &QPushButton::clicked, this, [this, stepper] { stepper(txtBrillo_, BrightnessUp); });
  connect(menos, &QPushButton::clicked, this, [this, stepper] { stepper(txtBrillo_, BrightnessDown); });
  connect(pixMas, &QPushButton::clicked, this, [this, stepper] { stepper(txtPixsize_, DotSizeUp); });
  connect(pixMenos, &QPushButton::clicked, this, [this, stepper] { stepper(txtPixsize_, DotSizeDown); });
  connect(exit, &QPushButton::clicked, this, [this] { Leave(WindowId::kStartMenu); });
  connect(mainButton, &QPushButton::clicked, this, [this] { Leave(WindowId::kStartMenu); });
  connect(setup, &QPushButton::clicked, this, [this] { Leave(WindowId::kSetup); });
  connect(offlineWin, &QPushButton::clicked, this, [this] { Leave(WindowId::kOffline); });
}

void Frm_Calibration::Refresh() {
  if (!model_) return;
  updating_ = true;
  const GridCell cell = model_->selected().value_or(GridCell{});
  combofila_->setCurrentIndex(cell.row);
  combocol_->setCurrentIndex(cell.column);
  lblcanal_->setText(QString::number(cell.Channel()));
  lblout_->setText(Q(model_->lblout()));
  lblstatus_->setText(Q(model_->channelLabel()));
  scrollpower_->setValue(model_->power());
  scrollgain_->setValue(model_->gain());
  txtpower_->setText(QString::number(model_->power()));
  txtgain_->setText(QString::number(model_->gain()));
  const double threshold = ctx_.state.project.ChannelThreshold[static_cast<size_t>(cell.Channel())];
  scrollThreshold_->setMaximum(model_->ThresholdScrollMax());
  scrollThreshold_->setValue(static_cast<int>(std::lround(threshold)));
  txtThreshold_->setText(Q(FormatNumber(threshold, "0.0")));
  txtzoom_->setText(QString::number(model_->zoom()));
  model_->DrawTrace(*pictrace_);
  updating_ = false;
}

void Frm_Calibration::PickAt(double x, double y) {
  auto cell = CellAt(x, y);
  if (!cell || !EnsureModel()) return;
  model_->Select(*cell);
  DrawCalibrationGrid(*picwell_, cell);
  if (model_->online()) DrawGridLevels(*picwell_, model_->Row(model_->NewestRow()));
  Refresh();
}

void Frm_Calibration::HoverAt(double x, double y) {
  if (auto cell = CellAt(x, y)) DrawCrossHair(*picwell_, *cell);
}

void Frm_Calibration::OnScrollPowerGain() {
  txtpower_->setText(QString::number(scrollpower_->value()));
  txtgain_->setText(QString::number(scrollgain_->value()));
  if (updating_ || !EnsureModel()) return;
  model_->SetPowerGain(scrollpower_->value(), scrollgain_->value());
  lblout_->setText(Q(model_->lblout()));
}

void Frm_Calibration::GoOnline() {
  if (!EnsureModel()) return;
  picwellOut_->SetScale(0, 0, picwellOut_->WidthPx(), picwellOut_->HeightPx());
  picwellOut_->SetBackColor(colors::kBlack);
  picwellOut_->Clear();
  DrawCalibrationGrid(*picwell_, model_->selected());
  model_->brightness = txtBrillo_->text().toInt();
  model_->dotSize = txtPixsize_->text().toInt();
  model_->GoOnline(picwellOut_->WidthPx(), picwellOut_->HeightPx());
  Indicator(shapeOnline_, true);
  Indicator(shapeOffline_, false);
  timer_->start(kOnlineTickMs);
}

void Frm_Calibration::GoOffline() {
  if (model_) model_->GoOffline();
  if (timer_) timer_->stop();
  Indicator(shapeOnline_, false);
  Indicator(shapeOffline_, true);
  lblstatus2_->hide();
  cmdOnline_->setEnabled(true);
}

void Frm_Calibration::OnlineTick() {
  if (!model_ || !model_->online()) return;
  model_->OnlineStep(picwellOut_, picwell_, pictrace_);
}

void Frm_Calibration::OnSetAll() {
  if (!EnsureModel()) return;
  model_->SetAll(txtpower_->text().toInt(), txtgain_->text().toInt());
  lblout_->setText(Q(model_->lblout()));
}

void Frm_Calibration::OnSetCalibra() {
  if (!EnsureModel()) return;
  const int gain = SetBoxValue(S(txtGanancia_->text()), 7);
  const int power = SetBoxValue(S(txtPower_->text()), 8);
  txtGanancia_->setText(QString::number(gain));
  txtPower_->setText(QString::number(power));
  picturecal_->SetBackColor(colors::kWhite);
  picturecal_->Clear();
  model_->SetCalibration(power, gain, picturecal_);
}

void Frm_Calibration::OnAutocalibra() {
  if (!EnsureModel()) return;
  const int target = AutocalTarget(S(txtAutocal_->text()));
  txtAutocal_->setText(QString::number(target));
  const QString caption = cmdAutocalibra_->text();
  model_->Autocalibrate(target, [this](int b) { cmdAutocalibra_->setText(QString::number(b)); });
  cmdAutocalibra_->setText(caption);
}

void Frm_Calibration::OnAutoGain() {
  if (!EnsureModel()) return;
  GoOffline();
  cmdOnline_->setEnabled(false);
  const double target = ParseOperatorNumber(S(txtajuste_->text())).value_or(ctx_.state.project.Cal_value);
  const AutoGainResult r = RunAutoGain(*model_, target, S(combomode_->currentText()));
  // "ONLINE" stays disabled until "OFFLINE" is pressed, unless the procedure was cancelled by it.
  if (r.cancelled) cmdOnline_->setEnabled(true);
  Refresh();
}

void Frm_Calibration::OnGainCurve() {
  if (!EnsureModel()) return;
  GoOffline();
  movexa::RunGainCurve(*model_, ctx_.state.appDir);
  lblstatus2_->hide();
}

void Frm_Calibration::Leave(WindowId to) {
  GoOffline();
  ctx_.nav.Show(to);
  hide();
}

bool Frm_Calibration::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblstatus_ && event->type() == QEvent::MouseButtonDblClick) {
    if (EnsureModel()) {
      model_->ToggleChannelLabel();
      lblstatus_->setText(Q(model_->channelLabel()));
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Frm_Calibration::closeEvent(QCloseEvent* event) {
  GoOffline();
  if (ctx_.nav.IsRegistered(WindowId::kMain)) ctx_.nav.Show(WindowId::kMain);
  event->accept();
}

}  // namespace movexa::ui
