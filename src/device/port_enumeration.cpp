// The machine's serial ports through libserialport.
#include "device/port_enumeration.h"

#include <libserialport.h>

#include <algorithm>
#include <cstdio>

namespace movexa {

namespace {

std::string Text(const char* s) {
  return s ? std::string(s) : std::string();
}

SerialPortInfo Describe(const sp_port* port) {
  SerialPortInfo info;
  info.device = Text(sp_get_port_name(port));
  info.description = Text(sp_get_port_description(port));
  switch (sp_get_port_transport(port)) {
    case SP_TRANSPORT_USB: {
      info.transport = "USB";
      int vid = -1, pid = -1;
      if (sp_get_port_usb_vid_pid(port, &vid, &pid) == SP_OK) {
        info.usbVendor = vid;
        info.usbProduct = pid;
      }
      info.manufacturer = Text(sp_get_port_usb_manufacturer(port));
      info.product = Text(sp_get_port_usb_product(port));
      info.usbSerial = Text(sp_get_port_usb_serial(port));
      break;
    }
    case SP_TRANSPORT_BLUETOOTH:
      info.transport = "Bluetooth";
      break;
    default:
      info.transport = "native";
      break;
  }
  // libserialport describes a port it knows nothing about by its own name ("ttyS0"): say
  // nothing then.
  const auto slash = info.device.find_last_of('/');
  const std::string base = slash == std::string::npos ? info.device : info.device.substr(slash + 1);
  if (info.description == info.device || info.description == base) info.description.clear();
  return info;
}

}  // namespace

std::vector<SerialPortInfo> SystemPortEnumerator::ListPorts(std::string& error) {
  error.clear();
  std::vector<SerialPortInfo> out;
  sp_port** list = nullptr;
  const sp_return r = sp_list_ports(&list);
  if (r != SP_OK) {
    char* message = sp_last_error_message();
    error = message ? message : "the serial ports cannot be listed";
    sp_free_error_message(message);
    return out;
  }
  for (sp_port** p = list; *p != nullptr; ++p) out.push_back(Describe(*p));
  sp_free_port_list(list);
  std::sort(out.begin(), out.end(),
            [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.device < b.device; });
  return out;
}

std::string UsbIdText(const SerialPortInfo& port) {
  if (port.usbVendor < 0 || port.usbProduct < 0) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", port.usbVendor & 0xFFFF, port.usbProduct & 0xFFFF);
  return text;
}

std::string PortDescriptionText(const SerialPortInfo& port) {
  if (!port.description.empty()) return port.description;
  std::string made = port.manufacturer;
  if (!port.product.empty()) made += (made.empty() ? "" : " ") + port.product;
  if (!made.empty()) return made;
  if (port.transport == "USB") return "USB serial port";
  if (port.transport == "Bluetooth") return "Bluetooth serial port";
  return "serial port";
}

}  // namespace movexa
