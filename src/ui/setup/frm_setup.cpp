// Frm_setup: construction, the project and settings controls, and the hand-over to the main
// window or the start menu. The group panel's bindings are in frm_setup_groups.cpp.
#include "ui/setup/frm_setup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/instrument.h"
#include "project/setup_fields.h"
#include "project/setup_projects.h"
#include "project/setup_texts.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace texts = setup_texts;

namespace {

constexpr int kPlateTimerMs = 200;

QPushButton* Button(const char* name, std::string_view caption) {
  return Named(new QPushButton(Q(caption)), name);
}

QComboBox* List(const char* name, const auto& entries) {
  auto* box = Named(new QComboBox, name);
  for (const auto& e : entries) box->addItem(Q(e));
  return box;
}

void SetIndexQuietly(QComboBox* box, int index) {
  if (index < 0) return;
  QSignalBlocker block(box);
  box->setCurrentIndex(index);
}

}  // namespace

Frm_setup::Frm_setup(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("Frm_setup"));
  setWindowTitle(Q(texts::kCaption));
  plateTimer_ = Named(new QTimer(this), "Timer_plate");
  plateTimer_->setSingleShot(true);
  plateTimer_->setInterval(kPlateTimerMs);

  // The project and settings column scrolls when the window is shorter than it (the project
  // list and the advanced panel open at once), so it never makes the window taller than the
  // screen.
  auto* leftPanel = new QWidget;
  auto* left = new QVBoxLayout(leftPanel);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(BuildProjectPanel());
  left->addWidget(BuildSettingsPanel());
  cmd_advanced_ = Button("cmd_advanced", texts::kAdvancedClosed);
  left->addWidget(cmd_advanced_);
  left->addWidget(BuildAdvancedPanel());
  left->addStretch(1);
  auto* nav = new QHBoxLayout;
  nav->addWidget(Button("Cmdoffline", "<<Back"));
  nav->addStretch(1);
  auto* go = Button("Command_main", "Continue to Run...");
  go->setDefault(true);
  nav->addWidget(go);
  auto* scroll = Named(new QScrollArea, "Frame_settings");
  scroll->setWidget(leftPanel);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  scroll->setMinimumWidth(leftPanel->minimumSizeHint().width() +
                          scroll->verticalScrollBar()->sizeHint().width());

  // The way on (and back) stays in sight below the scrolling column.
  auto* leftColumn = new QVBoxLayout;
  leftColumn->addWidget(scroll, 1);
  leftColumn->addLayout(nav);

  auto* root = new QHBoxLayout(this);
  root->addLayout(leftColumn, 0);
  root->addWidget(BuildGroupPanel(), 1);
  ConnectControls();
  ConnectGroupControls();
  resize(1000, 660);
}

QWidget* Frm_setup::BuildProjectPanel() {
  auto* box = new QGroupBox(tr("Project"));
  auto* form = new QFormLayout;
  txtprj_ = Named(new QLineEdit, "txtprj");
  txtprj_->setReadOnly(true);
  txtprj_->setToolTip(tr("Double-click to rename the project"));
  txtprj_->installEventFilter(this);
  Txtfolder_ = Named(new QLineEdit, "Txtfolder");
  Txtfolder_->setReadOnly(true);
  form->addRow(tr("Project:"), txtprj_);
  form->addRow(tr("Folder:"), Txtfolder_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button("Cmdnewpj", "New..."));
  buttons->addWidget(Button("Cmdsavepj", "Save..."));
  buttons->addWidget(Button("cmdLoad", "Load..."));
  auto* v = new QVBoxLayout(box);
  v->addLayout(form);
  v->addLayout(buttons);

  projectList_ = Named(new QGroupBox(tr("Projects (double-click to load)")), "Frame_projects");
  auto* lv = new QVBoxLayout(projectList_);
  List_project_ = Named(new QListWidget, "List_project");
  List_project_->setMinimumHeight(120);
  lv->addWidget(List_project_);
  lv->addWidget(Button("Cmd_cancel", "Cancel"), 0, Qt::AlignRight);
  projectList_->hide();
  v->addWidget(projectList_);
  return box;
}

QWidget* Frm_setup::BuildSettingsPanel() {
  auto* box = new QGroupBox(tr("Acquisition"));
  auto* form = new QFormLayout(box);
  Combowell_ = Named(new QComboBox, "Combowell");
  Combo_aqmode_ = List("Combo_aqmode", texts::kModes);
  Txtlapse_ = Named(new QLineEdit, "Txtlapse");
  ComboDSP_ = List("ComboDSP", texts::kAlgorithms);
  // The long algorithm names are elided in the closed list (its pop-up shows them whole).
  ComboDSP_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboDSP_->setMinimumContentsLength(26);
  ComboDSP_->setToolTip(tr("Detection algorithm"));
  Cmb_organism_ = List("Cmb_organism", texts::kOrganisms);
  Combosavecount_ = List("Combosavecount", texts::kNoYes);
  Combosavereal_ = List("Combosavereal", texts::kNoYes);
  txt_snr_ = Named(new QLabel(tr("Detection SNR:")), "txt_snr");
  txt_snr_->setToolTip(tr("Double-click to change the SNR"));
  txt_snr_->installEventFilter(this);
  lbl_snr_ = Named(new QLineEdit, "lbl_snr");
  lbl_snr_->setEnabled(false);
  lbl_snr_->installEventFilter(this);
  form->addRow(tr("Plate format:"), Combowell_);
  form->addRow(tr("Acquisition mode:"), Combo_aqmode_);
  form->addRow(tr("Lapse (minutes):"), Txtlapse_);
  form->addRow(tr("Detection algorithm:"), ComboDSP_);
  form->addRow(tr("Organism:"), Cmb_organism_);
  form->addRow(txt_snr_, lbl_snr_);
  form->addRow(tr("Save counts:"), Combosavecount_);
  form->addRow(tr("Save real-time data:"), Combosavereal_);
  return box;
}

QWidget* Frm_setup::BuildAdvancedPanel() {
  advanced_ = Named(new QGroupBox(tr("Advanced tools")), "Frame_advanced");
  auto* form = new QFormLayout(advanced_);
  Txtsample_ = Named(new QLineEdit, "Txtsample");
  Txtbuffer_ = Named(new QLineEdit, "Txtbuffer");
  Txt_dspinterval_ = Named(new QLineEdit, "Txt_dspinterval");
  form->addRow(tr("Sample rate:"), Txtsample_);
  form->addRow(tr("Buffer (samples per bin):"), Txtbuffer_);
  form->addRow(tr("Detection interval (samples):"), Txt_dspinterval_);
  chkcalib_ = Named(new QCheckBox(tr("Calibration tools")), "chkcalib");
  chklight_ = Named(new QCheckBox(tr("Light control")), "chklight");
  chktemp_ = Named(new QCheckBox(tr("Temperature control")), "chktemp");
  auto* tools = new QHBoxLayout;
  tools->addWidget(chkcalib_);
  tools->addWidget(chklight_);
  tools->addWidget(chktemp_);
  form->addRow(tools);
  auto* spare = new QHBoxLayout;
  const char* names[3] = {"Chk_mn4", "Chk_mn5", "Chk_mn6"};
  for (int i = 0; i < 3; ++i) {
    Chk_mn_[i] = Named(new QCheckBox(tr("Menu %1").arg(i + 4)), names[i]);
    Chk_mn_[i]->setEnabled(false);  // shown only
    spare->addWidget(Chk_mn_[i]);
  }
  form->addRow(spare);
  advanced_->hide();
  return advanced_;
}

void Frm_setup::ConnectControls() {
  auto button = [this](const char* name) { return findChild<QPushButton*>(QLatin1String(name)); };
  connect(button("Cmdnewpj"), &QPushButton::clicked, this, &Frm_setup::OnNew);
  connect(button("Cmdsavepj"), &QPushButton::clicked, this, &Frm_setup::OnSave);
  connect(button("cmdLoad"), &QPushButton::clicked, this, &Frm_setup::OnLoad);
  connect(button("Cmd_cancel"), &QPushButton::clicked, projectList_, &QWidget::hide);
  connect(List_project_, &QListWidget::itemActivated, this, &Frm_setup::OnListChosen);
  connect(button("Command_main"), &QPushButton::clicked, this, &Frm_setup::OnContinue);
  connect(button("Cmdoffline"), &QPushButton::clicked, this, &Frm_setup::OnBack);
  connect(cmd_advanced_, &QPushButton::clicked, this, [this] {
    advanced_->setVisible(!advanced_->isVisible());
    cmd_advanced_->setText(
        Q(advanced_->isVisible() ? texts::kAdvancedOpen : texts::kAdvancedClosed));
  });
  ProjectSettings& p = ctx_.state.project;
  connect(Combowell_, &QComboBox::activated, this, [this](int index) {
    pendingPlate_ = Combowell_->itemText(index);
    plateTimer_->start();
  });
  connect(plateTimer_, &QTimer::timeout, this, &Frm_setup::OnPlateTimer);
  connect(Combo_aqmode_, &QComboBox::activated, this,
          [&p](int index) { p.Aq_mode = static_cast<int16_t>(index); });
  connect(ComboDSP_, &QComboBox::activated, this,
          [this, &p](int index) { ShowFieldEdit(lbl_snr_, ChooseAlgorithm(p, index)); });
  connect(Cmb_organism_, &QComboBox::activated, this, [this, &p](int index) {
    OrganismChoice c = ChooseOrganism(p, index);
    SetIndexQuietly(ComboDSP_, c.algorithm);
    if (c.snrText) lbl_snr_->setText(Q(*c.snrText));
  });
  connect(Combosavecount_, &QComboBox::activated, this, [this, &p](int) {
    ChooseSaveCounts(p);
    SetIndexQuietly(Combosavecount_, 1);
  });
  connect(Combosavereal_, &QComboBox::activated, this,
          [&p](int index) { ChooseSaveReal(p, index); });
  // Number boxes: the lapse, sample and interval boxes store on every change; leaving a box
  // whose text was not taken says so and shows the stored value.
  connect(Txtlapse_, &QLineEdit::textEdited, this,
          [this, &p](const QString& t) { ShowFieldEdit(Txtlapse_, EditLapse(p, S(t))); });
  connect(Txtsample_, &QLineEdit::textEdited, this,
          [this, &p](const QString& t) { ShowFieldEdit(Txtsample_, EditSampleRate(p, S(t))); });
  connect(Txt_dspinterval_, &QLineEdit::textEdited, this,
          [this, &p](const QString& t) { ShowFieldEdit(Txt_dspinterval_, EditInterval(p, S(t))); });
  connect(Txtlapse_, &QLineEdit::editingFinished, this, [this, &p] {
    ShowFieldEdit(Txtlapse_, LeaveNumberBox(S(Txtlapse_->text()), p.Aq_lapse));
  });
  connect(Txtsample_, &QLineEdit::editingFinished, this, [this, &p] {
    ShowFieldEdit(Txtsample_, LeaveNumberBox(S(Txtsample_->text()), p.Sample_Rate));
  });
  connect(Txt_dspinterval_, &QLineEdit::editingFinished, this, [this, &p] {
    ShowFieldEdit(Txt_dspinterval_, LeaveIntervalBox(p, S(Txt_dspinterval_->text())));
  });
  connect(Txtbuffer_, &QLineEdit::editingFinished, this,
          [this, &p] { ShowFieldEdit(Txtbuffer_, LeaveBuffer(p, S(Txtbuffer_->text()))); });
  connect(lbl_snr_, &QLineEdit::returnPressed, this, &Frm_setup::OnSnrLeft);
  auto tool = [this](QCheckBox* box, MenuFlag flag) {
    connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
      if (!filling_) SetToolFlag(ctx_.state, flag, on);
    });
  };
  tool(chkcalib_, kMenuCal);
  tool(chklight_, kMenuLight);
  tool(chktemp_, kMenuTemp);
}

void Frm_setup::ShowFieldEdit(QLineEdit* box, const FieldEdit& edit) {
  if (edit.show && S(box->text()) != *edit.show) box->setText(Q(*edit.show));
  if (!edit.message.empty()) {
    ctx_.host.dialogs.Problem(edit.message);
    if (edit.refocus) box->setFocus();
  }
}

void Frm_setup::FillWindow() {
  filling_ = true;
  SetupView v = FillSetup(ctx_.state, ctx_.host);
  txtprj_->setText(Q(v.projectBox));
  Txtfolder_->setText(Q(v.folderBox));
  Txtfolder_->setToolTip(Q(v.folderBox));
  {
    QSignalBlocker block(Combowell_);
    Combowell_->clear();
    for (const auto& name : v.plates) Combowell_->addItem(Q(name));
    if (v.plateIndex >= 0) {
      Combowell_->setCurrentIndex(v.plateIndex);
    } else {
      Combowell_->setCurrentIndex(-1);
      Combowell_->setPlaceholderText(Q(ctx_.state.project.Plate_format));
    }
  }
  SetIndexQuietly(Combo_aqmode_, v.modeIndex);
  Txtlapse_->setText(Q(v.lapse));
  Txtsample_->setText(Q(v.sample));
  Txtbuffer_->setText(Q(v.buffer));
  Txt_dspinterval_->setText(Q(v.interval));
  SetIndexQuietly(ComboDSP_, v.algorithmIndex);
  SetIndexQuietly(Cmb_organism_, v.organismIndex);
  if (v.snr) lbl_snr_->setText(Q(*v.snr));
  lbl_snr_->setEnabled(false);
  SetIndexQuietly(Combosavecount_, 1);
  SetIndexQuietly(Combosavereal_, v.saveRealIndex);
  projectList_->hide();
  chkcalib_->setChecked(true);
  chkcalib_->setEnabled(false);
  chklight_->setChecked(v.tools[kMenuLight]);
  chktemp_->setChecked(v.tools[kMenuTemp]);
  for (int i = 0; i < 3; ++i) Chk_mn_[i]->setChecked(v.tools[static_cast<size_t>(3 + i)]);
  filling_ = false;
  filledOnce_ = true;
  // The set list and arrangement menu, the selector for group 0, the lists and the plate.
  RefreshGroups(0);
}

void Frm_setup::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!filledOnce_) FillWindow();
}

void Frm_setup::closeEvent(QCloseEvent* event) {
  event->accept();
  ctx_.nav.Show(WindowId::kStartMenu);
}

bool Frm_setup::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == txtprj_) {
      OnRename();
      return true;
    }
    if (watched == txt_snr_) {
      lbl_snr_->setEnabled(true);
      lbl_snr_->setFocus();
      return true;
    }
  }
  if (watched == lbl_snr_ && event->type() == QEvent::FocusOut && lbl_snr_->isEnabled()) {
    OnSnrLeft();
  }
  if (watched == Combo_group_ && (event->type() == QEvent::MouseButtonDblClick ||
                                  (event->type() == QEvent::KeyPress &&
                                   (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                    static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)))) {
    OnRenameGroup();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Frm_setup::OnSnrLeft() {
  FieldEdit e = LeaveSnrBox(ctx_.state.project, S(lbl_snr_->text()));
  if (e.show) lbl_snr_->setText(Q(*e.show));
  if (!e.message.empty()) {
    ctx_.host.dialogs.Problem(e.message);
    lbl_snr_->setFocus();
  }
}

void Frm_setup::OnNew() {
  if (NewProject(ctx_.state, ctx_.host) == ProjectOpResult::kDone) FillWindow();
}

void Frm_setup::OnSave() {
  if (SaveProjectQuestion(ctx_.state, ctx_.host) == ProjectOpResult::kDone) FillWindow();
}

void Frm_setup::OnLoad() {
  if (!LoadQuestion(ctx_.state, ctx_.host)) return;
  List_project_->clear();
  for (const auto& entry : ProjectList(ctx_.state.appDir, ctx_.host)) {
    auto* item = new QListWidgetItem(Q(entry.text), List_project_);
    item->setData(Qt::UserRole, entry.number);
  }
  projectList_->show();
  List_project_->setFocus();
}

void Frm_setup::OnListChosen() {
  QListWidgetItem* item = List_project_->currentItem();
  if (!item) return;
  LoadListedProject(ctx_.state, ctx_.host, static_cast<int16_t>(item->data(Qt::UserRole).toInt()));
  FillWindow();
}

void Frm_setup::OnRename() {
  if (RenameProject(ctx_.state, ctx_.host)) txtprj_->setText(Q(ProjectBoxText(ctx_.state)));
}

void Frm_setup::OnPlateTimer() {
  const std::string name = S(pendingPlate_);
  switch (ChoosePlateFormat(ctx_.state, ctx_.host, name)) {
    case PlateChoiceResult::kLoaded:
      FillWindow();
      break;
    case PlateChoiceResult::kUnreadable:
      // The groups were cleared; the previous format is still the one in force.
      FillWindow();
      break;
    case PlateChoiceResult::kDeclined:
    case PlateChoiceResult::kNoFile: {
      QSignalBlocker block(Combowell_);
      Combowell_->setCurrentIndex(Combowell_->findText(Q(ctx_.state.project.Plate_format)));
      break;
    }
  }
}

void Frm_setup::OnContinue() {
  HandDetectionToMain(ctx_.state, true);
  if (onHandOver) onHandOver();
  hide();
  if (onContinueToRun) {
    onContinueToRun();
    return;
  }
  ctx_.nav.Show(WindowId::kMain);
  if (!ctx_.state.connected && ctx_.state.ports) ConnectAppInstrument(ctx_.state, ctx_.host);
}

void Frm_setup::OnBack() {
  HandDetectionToMain(ctx_.state, false);
  if (onHandOver) onHandOver();
  hide();
  ctx_.nav.Show(WindowId::kStartMenu);
}

}  // namespace movexa::ui
