// The serial ports window.
#include "ui/main/frm_serial_ports.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/instrument.h"
#include "ui/common/elided_label.h"
#include "ui/common/qt_text.h"
#include "ui/main/shell_texts.h"

namespace movexa::ui {

namespace {

namespace t = shell_texts;

enum Column { kCom, kDevice, kDescription, kUsb, kSerial, kSetBy, kColumns };
constexpr int kDeviceRole = Qt::UserRole;

QString Numbers(const CataloguedPort& p) {
  if (p.comNumbers.empty()) return Q(t::kNotAssigned);
  QStringList out;
  for (int n : p.comNumbers) out << QString("COM%1").arg(n);
  return out.join(", ");
}

QString Origins(const CataloguedPort& p) {
  QStringList out;
  for (const auto& o : p.origins)
    if (!out.contains(Q(o))) out << Q(o);
  return out.join(", ");
}

QString Description(const CataloguedPort& p) {
  if (p.listed) return Q(PortDescriptionText(p.info));
  return Q(p.present ? t::kMappedNotListed : t::kMappedMissing);
}

}  // namespace

Frm_SerialPorts::Frm_SerialPorts(UiContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName("Frm_SerialPorts");
  setWindowTitle(Q(t::kSerialPortsTitle));
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(Q(t::kSerialPortsIntro), this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  list_ = Named(new QTableWidget(0, kColumns, this), "lstports");
  list_->setHorizontalHeaderLabels(
      {"COM", "Device", "Description", "USB vendor:product", "USB serial number", "Set by"});
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->horizontalHeader()->setSectionResizeMode(kDescription, QHeaderView::Stretch);
  list_->setMinimumHeight(140);
  layout->addWidget(list_, 1);
  empty_ = Named(new QLabel(Q(t::kNoSerialPorts), this), "lblnoports");
  empty_->setWordWrap(true);
  layout->addWidget(empty_);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Reach it as:", this));
  com_ = Named(new QComboBox(this), "cmbcom");
  for (int n = 1; n <= kComNumbers; ++n) com_->addItem(QString("COM%1").arg(n), n);
  row->addWidget(com_);
  assign_ = Named(new QPushButton(Q(t::kUseForInstrument), this), "CmdAssign");
  assign_->setDefault(true);
  row->addWidget(assign_);
  row->addStretch(1);
  auto* refresh = Named(new QPushButton("Refresh", this), "CmdRefresh");
  auto* close = Named(new QPushButton("Close", this), "CmdClose");
  row->addWidget(refresh);
  row->addWidget(close);
  layout->addLayout(row);
  status_ = Named(new ElidedLabel(this), "lblinstrumentport");
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  layout->addWidget(status_);

  connect(list_, &QTableWidget::itemSelectionChanged, this, &Frm_SerialPorts::ShowSelection);
  connect(assign_, &QPushButton::clicked, this, &Frm_SerialPorts::AssignSelected);
  connect(refresh, &QPushButton::clicked, this, &Frm_SerialPorts::Refresh);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  resize(820, 380);
}

void Frm_SerialPorts::Refresh() {
  AppState& state = ctx_.state;
  catalogue_ = ReadPortCatalogue(state);
  const int instrumentPort = state.config.Serial_COM;
  list_->setRowCount(0);
  auto add = [&](const QStringList& cells, const QString& device, bool instrument) {
    const int r = list_->rowCount();
    list_->insertRow(r);
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells.value(c));
      item->setData(kDeviceRole, device);
      if (instrument) {
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
      }
      item->setToolTip(cells.value(c));
      list_->setItem(r, c, item);
    }
  };
  if (state.simulatedInstrument) {
    add({QString("COM%1").arg(instrumentPort),
         Q(t::kSimulatedDevice),
         Q(t::kSimulatedDescription),
         {},
         {},
         {}},
        {}, true);
  }
  int instrumentRow = state.simulatedInstrument ? 0 : -1;
  for (const auto& p : catalogue_.ports) {
    const bool instrument =
        !state.simulatedInstrument &&
        std::find(p.comNumbers.begin(), p.comNumbers.end(), instrumentPort) != p.comNumbers.end();
    if (instrument) instrumentRow = list_->rowCount();
    add({Numbers(p), Q(p.info.device), Description(p), Q(UsbIdText(p.info)), Q(p.info.usbSerial),
         Origins(p)},
        Q(p.info.device), instrument);
  }
  bool anyListed = false;
  for (const auto& p : catalogue_.ports) anyListed = anyListed || p.listed;
  empty_->setText(catalogue_.error.empty() ? Q(t::kNoSerialPorts)
                                           : Q(t::PortsNotListed(catalogue_.error)));
  empty_->setVisible(!anyListed);
  const ResolvedPort& r = catalogue_.com[static_cast<size_t>(instrumentPort - 1)];
  status_->setText(
      state.simulatedInstrument
          ? Q(t::InstrumentPortLine(instrumentPort, std::string(t::kSimulatedDevice), ""))
          : Q(t::InstrumentPortLine(instrumentPort, r.device, r.origin)));
  if (instrumentRow >= 0) {
    list_->selectRow(instrumentRow);
  } else {
    list_->clearSelection();
  }
  ShowSelection();
}

bool Frm_SerialPorts::SelectDevice(const std::string& device) {
  for (int r = 0; r < list_->rowCount(); ++r) {
    if (SameDevice(S(list_->item(r, kDevice)->data(kDeviceRole).toString()), device)) {
      list_->selectRow(r);
      return true;
    }
  }
  return false;
}

std::string Frm_SerialPorts::SelectedDevice() const {
  const auto rows = list_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return {};
  return S(list_->item(rows.front().row(), kDevice)->data(kDeviceRole).toString());
}

int Frm_SerialPorts::chosenNumber() const {
  return SelectedDevice().empty() ? 0 : com_->currentData().toInt();
}

void Frm_SerialPorts::ShowSelection() {
  const std::string device = SelectedDevice();
  // The simulated instrument's row and an empty selection offer nothing to assign.
  assign_->setEnabled(!device.empty());
  com_->setEnabled(!device.empty());
  if (device.empty()) return;
  const int n = ProposedComNumber(catalogue_, device);
  if (n > 0) com_->setCurrentIndex(n - 1);
}

bool Frm_SerialPorts::AssignSelected() {
  const std::string device = SelectedDevice();
  if (device.empty()) return false;
  PortAssignment a = AssignInstrumentPort(ctx_.state, ctx_.host, device, chosenNumber());
  if (!a.ok) {
    ctx_.host.dialogs.Problem(a.message);
    return false;
  }
  Refresh();
  status_->setText(Q(a.message));
  if (onPortChosen) onPortChosen();
  return true;
}

}  // namespace movexa::ui
