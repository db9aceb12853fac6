// The main window's Port menu and the connection state of its status bar: Connect, the entries
// "COM1".."COM12" with the tick on the instrument's port, "Serial ports...".
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/config.h"
#include "app/instrument.h"
#include "ui/common/elided_label.h"
#include "ui/common/qt_text.h"
#include "ui/main/frm_main.h"
#include "ui/main/shell_texts.h"

namespace movexa::ui {

static_assert(kPortMenuEntries == 12, "the port menu has twelve entries");

void Frm_Main::BuildPortMenu() {
  QMenu* menu = menuBar()->addMenu(Q(shell_texts::kPortMenu));
  menu->setObjectName("mnport");
  connectAction_ = menu->addAction(Q(shell_texts::kConnectEntry));
  connectAction_->setObjectName("mnconnect");
  connect(connectAction_, &QAction::triggered, this, [this] {
    if (onConnect) onConnect();
  });
  menu->addSeparator();
  auto* group = new QActionGroup(this);
  group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (int n = 1; n <= kPortMenuEntries; ++n) {
    QAction* entry = menu->addAction(Q(PortMenuEntryText(n)));
    entry->setObjectName(QString("mncom%1").arg(n));
    entry->setCheckable(true);
    group->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, n] {
      AppState& state = ctx_.state;
      ChoosePortMenuEntry(state.connection, state.config.Serial_COM, n,
                          [&] { SaveConfig(state.appDir, state.config, ctx_.host); });
      ShowConnection();
    });
    portEntries_[static_cast<size_t>(n - 1)] = entry;
  }
  menu->addSeparator();
  QAction* ports = menu->addAction(Q(shell_texts::kSerialPortsEntry));
  ports->setObjectName("mnserialports");
  connect(ports, &QAction::triggered, this, [this] {
    if (onSerialPorts) onSerialPorts();
  });
}

void Frm_Main::ShowConnection() {
  const AppState& state = ctx_.state;
  // The tick stands on the instrument's configured port: the port in use after a connect, the
  // entry chosen since.
  const int ticked = state.config.Serial_COM;
  for (int n = 1; n <= kPortMenuEntries; ++n) {
    if (QAction* entry = portEntries_[static_cast<size_t>(n - 1)]) entry->setChecked(n == ticked);
  }
  if (connection_) connection_->setText(Q(ConnectionStateText(state)));
  const bool idle = !RunActive();
  if (connect_) connect_->setEnabled(idle);
  if (connectAction_) connectAction_->setEnabled(idle);
}

}  // namespace movexa::ui
