// The instrument link of a running program.
#include "app/instrument.h"

#include <stdexcept>

#include "app/app_texts.h"
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
  UnmappedPorts unmapped;
  if (state.portEnumerator && !state.simulatedInstrument) {
    const PortCatalogue catalogue = ReadPortCatalogue(state);
    unmapped.devices = UnmappedDevices(catalogue);
    unmapped.spareNumber = SpareComNumber(catalogue);
    unmapped.assign = [&](int number, const std::string& device) {
      std::string error;
      if (SavePortMapping(state.appDir, number, device, &error)) return true;
      host.dialogs.Problem(app_texts::PortMappingNotSaved(number, device, error));
      return false;
    };
  }
  ConnectOutcome outcome = ConnectInstrument(
      link, state.config.Serial_COM, [&] { SaveConfig(state.appDir, state.config, host); },
      unmapped.devices.empty() ? nullptr : &unmapped);
  state.offline = state.connection.offline;
  state.connected = state.connection.connected;
  return outcome;
}

bool InstrumentOffline(const AppState& state) {
  return !state.ports || state.offline || state.connection.offline || !state.connection.connected;
}

PortCatalogue ReadPortCatalogue(AppState& state) {
  std::vector<SerialPortInfo> listed;
  std::string error;
  if (state.portEnumerator) listed = state.portEnumerator->ListPorts(error);
  return BuildPortCatalogue(std::move(listed), std::move(error), state.appDir,
                            state.portEnvironment);
}

PortAssignment AssignInstrumentPort(AppState& state, Host& host, const std::string& device,
                                    int number) {
  namespace t = app_texts;
  PortAssignment out;
  if (number < 1 || number > kComNumbers || device.empty()) {
    out.message = std::string(t::kChooseAPort);
    return out;
  }
  const ResolvedPort r = ResolveComDevice(number, state.appDir, state.portEnvironment);
  if (!SameDevice(r.device, device)) {
    if (r.origin == PortEnvironmentName(number)) {
      out.message = t::ComNumberSetByEnvironment(number, r.origin, r.device);
      return out;
    }
    std::string error;
    if (!SavePortMapping(state.appDir, number, device, &error)) {
      out.message = t::PortMappingNotSaved(number, device, error);
      return out;
    }
  }
  ChooseInstrumentPort(state.connection, state.config.Serial_COM, number,
                       [&] { SaveConfig(state.appDir, state.config, host); });
  out.ok = true;
  out.message = t::InstrumentPortChosen(number, device);
  return out;
}

std::string ConnectionStateText(const AppState& state) {
  namespace t = app_texts;
  const ConnectionState& c = state.connection;
  if (state.connected && c.connected) {
    if (state.simulatedInstrument) return t::SimulatedState(c.port);
    std::string device = state.ports ? state.ports->DeviceOf(c.port) : std::string();
    if (device == "COM" + std::to_string(c.port)) device.clear();
    return t::ConnectedState(c.port, device, c.serialNumber);
  }
  if (c.portChanged) return t::PortChosenState(state.config.Serial_COM);
  if (state.offline || c.offline) return std::string(t::kOfflineState);
  return std::string(t::kNotConnectedState);
}

std::optional<std::string> ConnectFirstMessage(const AppState& state) {
  if (!state.connection.connected && state.connection.portChanged)
    return app_texts::ConnectToChosenPort(state.config.Serial_COM);
  return std::nullopt;
}

}  // namespace movexa
