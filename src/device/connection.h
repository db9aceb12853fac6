// Finding and identifying the instrument: the connect operation with its scan and the
// operator's port prompt, the probe, the factory temperature calibration, the port menu,
// disconnect and offline mode. The configured port number belongs to the application
// configuration; it is passed by reference with a callback that saves the configuration.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/com_module.h"
#include "device/connection_state.h"

namespace movexa {

// Ports tried by the scan, serial numbers accepted on the configured port and during the scan.
inline constexpr int kScanFirstPort = 1;
inline constexpr int kScanLastPort = 15;
inline constexpr int kConfiguredSerialMin = 15;
inline constexpr int kScanSerialMin = 10;
inline constexpr int kSerialMax = 200;
// The port menu's entries: "COM1" to "COM12".
inline constexpr int kPortMenuEntries = 12;

// How a connect ended; the window acts on it (offline: show the start menu, hide the main window).
enum class ConnectOutcome {
  kConnected,    // instrument found, port open, factory calibration read
  kOffline,      // nothing found and no usable answer to the prompt
  kPortChanged,  // the operator typed a port that opens: saved for the next connect
};

// Writes the configuration (SaveConfig); it reports its own failure to the operator.
using SaveConfigFn = std::function<void()>;

// `ProbeInstrument`: on an open port, asserts RTS and DTR, sends the identify frame, reads two
// bytes and clears the lines again. 255 x b0 + b1 (b1 = 0 when only one byte came), or -1.
// Modem-line failures (a pseudo-terminal has no such lines) are recorded and ignored.
int ProbeInstrument(DeviceLink& link, int port);

// The eight factory registers (200..207, -1 where no agreeing pair was read) checked and turned
// into the record. Invalid: valid false, offset 0, slope 0.219; month, year and sign keep what
// `previous` held.
FactoryTempCalibration ValidateFactoryCalibration(const std::array<int, kFactoryRegisterCount>& regs,
                                                  const FactoryTempCalibration& previous);

// `ReadFactoryCalibration`: lets pending events run, flushes the port, reads registers 200..207
// with the paired-read rule and fills connection.factory.
void ReadFactoryCalibration(DeviceLink& link);

// Serial ports of the computer that no COM number reaches (port_catalogue.h). The scan probes
// them after the COM numbers, each opened by its path under `spareNumber`; where the instrument
// answers, `assign` maps that number to the device for good ("ports.dat") before the port is
// opened again by its COM name. `assign` reports its own failure and returns false; the device
// is then passed over.
struct UnmappedPorts {
  std::vector<std::string> devices;
  int spareNumber = 0;  // 1..16; 0: no number is free and the devices are not probed
  std::function<bool(int number, const std::string& device)> assign;
};

// `ConnectInstrument`: tries `configuredPort`, then scans ports 1..15 and the `unmapped` ports,
// then asks the operator. Found: the port stays open as connection.port, the block reply
// length is learned and the factory calibration read. The configured number follows a port
// found by the scan (saved only with the next configuration save) and an operator's answer
// that opens (saved at once); it is kept when nothing is found. Nothing found: "PORT NOT
// FOUND" says which ports were tried and what to do next.
ConnectOutcome ConnectInstrument(DeviceLink& link, int16_t& configuredPort,
                                 const SaveConfigFn& saveConfig,
                                 const UnmappedPorts* unmapped = nullptr);

// The message of a connect that found nothing: "PORT NOT FOUND", the ports tried (the
// configured one, COM1 to COM15 and `devicesTried`) and what to do next.
std::string PortNotFoundMessage(int configuredPort, const std::vector<std::string>& devicesTried);

// Port menu: entry `n` (1..12) gets the tick, the configured port becomes n and is saved. No
// reconnect; the next connect starts from that port (connection.portChanged says so).
void ChoosePortMenuEntry(ConnectionState& connection, int16_t& configuredPort, int n,
                         const SaveConfigFn& saveConfig);
// The same for any COM number 1..16 (the serial ports window); numbers above the menu's twelve
// leave no entry ticked.
void ChooseInstrumentPort(ConnectionState& connection, int16_t& configuredPort, int n,
                          const SaveConfigFn& saveConfig);
// Text of port menu entry `n` ("COM3").
std::string PortMenuEntryText(int n);

// Closes the port and clears connected; nothing happens while offline.
void DisconnectInstrument(DeviceLink& link);

}  // namespace movexa
