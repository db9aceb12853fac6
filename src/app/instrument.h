// The instrument link of a running program kept in AppState: installing the port table over
// an opener (the system's serial service, or the in-process loopback in tests), the device link
// over it, and the connect operation with AppState's offline and connected flags kept in step.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "base/host.h"
#include "device/com_module.h"
#include "device/connection.h"
#include "device/serial_link.h"

namespace movexa {

// Gives `state` its port table: `opener` reaches the devices and `pacer` provides the pauses
// between read attempts. Any port table installed before is closed first.
void InstallPorts(AppState& state, Pacer& pacer, std::unique_ptr<PortOpener> opener);

// The device link over the state's port table and connection. The ports must be installed.
DeviceLink InstrumentLink(AppState& state, Host& host);

// `ConnectInstrument` from the configured port of state.config (a port found elsewhere or typed
// by the operator becomes the configured one; a typed port is saved at once with SaveConfig).
// Afterwards state.offline and state.connected follow the connection.
ConnectOutcome ConnectAppInstrument(AppState& state, Host& host);

// Whether the instrument cannot be reached: offline, or never connected, or no port table.
bool InstrumentOffline(const AppState& state);

}  // namespace movexa
