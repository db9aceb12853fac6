// The serial ports of this computer as the operating system lists them: device name, the
// system's description and, for USB adapters, vendor and product numbers, maker, product name
// and serial number. The listing sits behind a small interface so that the connection, the
// serial ports window and the tests can take a fixed list instead of the machine's own ports.
#pragma once

#include <string>
#include <vector>

namespace movexa {

struct SerialPortInfo {
  std::string device;       // path to open ("/dev/ttyUSB0")
  std::string description;  // the system's words for it ("FT232R USB UART"); may be empty
  std::string transport;    // "USB", "Bluetooth" or "native"
  int usbVendor = -1;       // USB vendor and product numbers; -1 when not a USB port
  int usbProduct = -1;
  std::string manufacturer;  // USB maker, product name and serial number where given
  std::string product;
  std::string usbSerial;
};

class PortEnumerator {
 public:
  virtual ~PortEnumerator() = default;
  // The ports present now, sorted by device name. On failure an empty list and `error` says
  // why (a computer without serial ports is no failure).
  virtual std::vector<SerialPortInfo> ListPorts(std::string& error) = 0;
};

// The operating system's list through libserialport.
class SystemPortEnumerator : public PortEnumerator {
 public:
  std::vector<SerialPortInfo> ListPorts(std::string& error) override;
};

// A list given in advance (tests, and a program that must not touch the machine's ports).
class FixedPortEnumerator : public PortEnumerator {
 public:
  explicit FixedPortEnumerator(std::vector<SerialPortInfo> ports = {}, std::string error = {})
      : ports_(std::move(ports)), error_(std::move(error)) {}
  std::vector<SerialPortInfo> ListPorts(std::string& error) override {
    error = error_;
    return ports_;
  }
  void Set(std::vector<SerialPortInfo> ports) { ports_ = std::move(ports); }

 private:
  std::vector<SerialPortInfo> ports_;
  std::string error_;
};

// "0403:6001": USB vendor and product numbers as four hexadecimal digits each; empty when the
// port is not a USB port.
std::string UsbIdText(const SerialPortInfo& port);
// One line describing the port for people: the description, else maker and product, else the
// transport ("USB serial port", "serial port").
std::string PortDescriptionText(const SerialPortInfo& port);

}  // namespace movexa
