// The instrument link of a running program kept in AppState: installing the port table over
// an opener (the system's serial service, or the in-process loopback in tests), the device link
// over it, the connect operation with AppState's offline and connected flags kept in step, the
// catalogue of the computer's serial ports with the choice of the instrument's port, and the
// connection state as the operator reads it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "base/host.h"
#include "device/com_module.h"
#include "device/connection.h"
#include "device/port_catalogue.h"
#include "device/serial_link.h"

namespace movexa {

// Gives `state` its port table: `opener` reaches the devices and `pacer` provides the pauses
// between read attempts. Any port table installed before is closed first.
void InstallPorts(AppState& state, Pacer& pacer, std::unique_ptr<PortOpener> opener);

// The device link over the state's port table and connection. The ports must be installed.
DeviceLink InstrumentLink(AppState& state, Host& host);

// `ConnectInstrument` from the configured port of state.config (a port found elsewhere or typed
// by the operator becomes the configured one; a typed port is saved at once with SaveConfig).
// The scan also probes the serial ports of state.portEnumerator that no COM number reaches; one
// where the instrument answers is mapped to the spare COM number in "ports.dat". Not with the
// simulated instrument, which answers on the configured port only. Afterwards state.offline and
// state.connected follow the connection.
ConnectOutcome ConnectAppInstrument(AppState& state, Host& host);

// Whether the instrument cannot be reached: offline, or never connected, or no port table.
bool InstrumentOffline(const AppState& state);

// The catalogue of the computer's serial ports (state.portEnumerator, none when it is null) and
// the COM numbers of the application folder and the environment.
PortCatalogue ReadPortCatalogue(AppState& state);

// The serial ports window's choice: COM `number` (1..16) is to reach `device` and to be the
// instrument's port. The number is mapped to the device in "ports.dat" unless it reaches it
// already; a number that MOVEXA_COM<n> sets to another device is refused. The configured port
// becomes `number` and config.dat is saved (no reconnect: the next connect uses it). `message`
// says what was done or why not.
struct PortAssignment {
  bool ok = false;
  std::string message;
};
PortAssignment AssignInstrumentPort(AppState& state, Host& host, const std::string& device,
                                    int number);

// The connection state as the main window's status bar shows it: connected (port, device,
// serial number), the simulated instrument, offline, or not connected (with the port chosen).
std::string ConnectionStateText(const AppState& state);

// Play's refusal when the instrument cannot be reached after a port was chosen and saved
// without connecting since: the operator is told to connect to it. nullopt otherwise (the
// offline refusal holds).
std::optional<std::string> ConnectFirstMessage(const AppState& state);

}  // namespace movexa
