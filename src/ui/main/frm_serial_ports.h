// Frm_SerialPorts: the "Serial ports..." window. It lists the serial ports of this computer with
// their descriptions, USB numbers and serial numbers, the devices mapped by hand (MOVEXA_COM<n>,
// "ports.dat"), and the COM number each is reached by; the instrument's port is shown in bold.
// The operator picks the instrument's port and a COM number and presses "Use for the
// instrument": the number is mapped to the port in "ports.dat" when it does not reach it yet
// and becomes the configured port in config.dat. There is no reconnect; the next Connect uses it.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "device/port_catalogue.h"
#include "ui/common/ui_context.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace movexa::ui {

class ElidedLabel;

class Frm_SerialPorts : public QDialog {
  Q_OBJECT

 public:
  explicit Frm_SerialPorts(UiContext& ctx, QWidget* parent = nullptr);

  // Lists the ports anew and selects the instrument's port.
  void Refresh();
  // Selects the row of `device`; false when it is not listed.
  bool SelectDevice(const std::string& device);
  // "Use for the instrument" with the selected row and the COM number chosen; true when the
  // port was assigned (a refusal is told to the operator).
  bool AssignSelected();
  // The COM number offered for the selected port (1..16; 0 when none is selected).
  int chosenNumber() const;

  // After a port was assigned (the main window re-ticks its port menu and status bar).
  std::function<void()> onPortChosen;

 private:
  void ShowSelection();
  std::string SelectedDevice() const;

  UiContext& ctx_;
  PortCatalogue catalogue_;
  QTableWidget* list_;
  QComboBox* com_;
  QPushButton* assign_;
  QLabel* empty_;
  ElidedLabel* status_;
};

}  // namespace movexa::ui
