// The instrument link of a running program.
#include "app/instrument.h"

#include <stdexcept>

#include "app/config.h"

namespace movexa {

void InstallPorts(AppState& state, Pacer& pacer, std::unique_ptr<PortOpener> opener) {
  state.ports.reset();  // closes what the old table had open before its opener goes
  state.portOpener = std::move(opener);
  state.ports = std::make_unique<CommPortTable>(pacer, *state.portOpener);
  state.connection.connected = false;
  state.connected = false;
}

DeviceLink InstrumentLink(AppState& state, Host& host) {
  if (!state.ports) throw std::logic_error("the port table is not installed");
  return DeviceLink{*state.ports, state.connection, state.signals, host};
}

ConnectOutcome ConnectAppInstrument(AppState& state, Host& host) {
  DeviceLink link = InstrumentLink(state, host);
  ConnectOutcome outcome = ConnectInstrument(
      link, state.config.Serial_COM, [&] { SaveConfig(state.appDir, state.config, host); });
  state.offline = state.connection.offline;
  state.connected = state.connection.connected;
  return outcome;
}

bool InstrumentOffline(const AppState& state) {
  return !state.ports || state.offline || state.connection.offline || !state.connection.connected;
}

}  // namespace movexa
