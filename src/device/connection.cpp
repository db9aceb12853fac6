// Connect, probe, factory calibration, port menu and disconnect.
#include "device/connection.h"

#include <cerrno>

#include "base/text_records.h"
#include "device/device_texts.h"

namespace movexa {

namespace t = device_texts;

namespace {

constexpr int kOpenPauseMs = 100;
constexpr int kProbeReplyPauseMs = 5;
constexpr int kScanProbePauseMs = 10;
constexpr int kScanProbes = 2;
constexpr int kFactoryPumps = 10;

std::string ComName(int port) { return "COM" + std::to_string(port); }

void ShowMain(Host& host, std::string_view text) { host.status.SetStatus(t::kMainStatus, text); }

// Shows "Opening Port [n]" (or the device's path when the port is opened by it), lets the
// windows repaint, waits 100 ms and opens the port as table entry `port`.
bool OpenAnnounced(DeviceLink& link, int port, const std::string& deviceName) {
  const bool byPath = deviceName != ComName(port);
  ShowMain(link.host, std::string(t::kOpeningPortHead) +
                          (byPath ? deviceName : std::to_string(port)) +
                          std::string(t::kOpeningPortTail));
  link.host.pacer.PumpEvents();
  link.host.pacer.PauseMs(kOpenPauseMs);
  const int32_t code = link.ports.CommOpen(port, deviceName, kInstrumentLineSettings);
  // Held by another program: most likely the instrument, in use by another Movexa.
  if (code == EBUSY && link.connection.busyPort == 0) link.connection.busyPort = static_cast<int16_t>(port);
  return code == 0;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

int ProbeInstrument(DeviceLink& link, int port) {
  CommPortTable& ports = link.ports;
  ports.CommSetLine(port, kLineRts, true);
  ports.CommSetLine(port, kLineDtr, true);
  // Stale input is discarded first, as before every exchange.
  ports.CommFlush(port);
  int result = -1;
  if (ports.CommWrite(port, CommandFrame(kCodeIdentify, 0, kModeCommand)) == kFrameBytes) {
    link.host.pacer.PauseMs(kProbeReplyPauseMs);
    std::string reply;
    int n = ports.CommRead(port, reply, 2);
    if (n >= 1) {
      int b0 = static_cast<uint8_t>(reply[0]);
      int b1 = n >= 2 ? static_cast<uint8_t>(reply[1]) : 0;
      result = 255 * b0 + b1;
    }
  }
  ports.CommSetLine(port, kLineRts, false);
  ports.CommSetLine(port, kLineDtr, false);
  return result;
}

FactoryTempCalibration ValidateFactoryCalibration(const std::array<int, kFactoryRegisterCount>& r,
                                                  const FactoryTempCalibration& previous) {
  FactoryTempCalibration f = previous;
  bool ok = r[0] == 0 && InRange(r[1], 1, 12) && InRange(r[2], 0, 99) && InRange(r[3], 0, 1) &&
            r[4] >= 0 && r[5] >= 1 && r[6] >= 0;
  double offset = 0.0, slope = kDefaultTempSlope;
  if (ok) {
    offset = r[4] / 10.0;
    if (r[3] == 1) offset = -offset;
    slope = (r[6] * 256 + r[5]) / 1000.0;
    ok = offset >= -10.0 && offset <= 10.0 && slope >= 0.1 && slope <= 0.45;
  }
  if (!ok) {
    f.valid = false;
    f.offset = 0.0;
    f.slope = kDefaultTempSlope;
    return f;
  }
  f.valid = true;
  f.month = static_cast<int16_t>(r[1]);
  f.year = static_cast<int16_t>(r[2]);
  f.sign = static_cast<int16_t>(r[3]);
  f.offset = offset;
  f.slope = slope;
  return f;
}

void ReadFactoryCalibration(DeviceLink& link) {
  for (int i = 0; i < kFactoryPumps; ++i) link.host.pacer.PumpEvents();
  link.ports.CommFlush(link.connection.port);
  for (int i = 0; i < kFactoryPumps; ++i) link.host.pacer.PumpEvents();
  auto regs = ReadFactoryRegisters(link);
  link.connection.factory = ValidateFactoryCalibration(regs, link.connection.factory);
}

ConnectOutcome ConnectInstrument(DeviceLink& link, int16_t& configuredPort,
                                 const SaveConfigFn& saveConfig, const UnmappedPorts* unmapped) {
  ConnectionState& c = link.connection;
  CommPortTable& ports = link.ports;
  Host& host = link.host;
  ShowMain(host, t::kStarting);
  ShowMain(host, t::kConnecting);

  // A port left open by an earlier connect would refuse to open again ("Port in use.").
  if (c.connected && c.port != 0) ports.CommClose(c.port);
  c.connected = false;
  c.portChanged = false;
  c.factory.offset = 0.0;
  c.factory.slope = kDefaultTempSlope;
  c.port = 0;
  c.serialNumber = 0;
  c.busyPort = 0;
  ResetBlockReplyLearning(c);

  const int configuredAtStart = configuredPort;
  int found = 0, serial = 0;
  // The configured port, accepting serial numbers 15..200.
  if (OpenAnnounced(link, configuredPort, ComName(configuredPort))) {
    int sn = ProbeInstrument(link, configuredPort);
    ports.CommClose(configuredPort);
    if (InRange(sn, kConfiguredSerialMin, kSerialMax)) {
      found = configuredPort;
      serial = sn;
    }
  }
  // The scan, accepting serial numbers 10..200: the COM numbers, then the serial ports of the
  // computer that no number reaches, each under the spare number.
  struct Candidate {
    int port;
    std::string device;  // empty: the COM name
  };
  std::vector<Candidate> candidates;
  for (int p = kScanFirstPort; p <= kScanLastPort; ++p) candidates.push_back({p, {}});
  std::vector<std::string> devicesTried;
  if (unmapped && InRange(unmapped->spareNumber, 1, kCommPortCount)) {
    for (const auto& d : unmapped->devices) candidates.push_back({unmapped->spareNumber, d});
  }
  int lastTried = configuredPort;
  for (size_t i = 0; found == 0 && i < candidates.size(); ++i) {
    const Candidate& k = candidates[i];
    const bool byPath = !k.device.empty();
    if (byPath) {
      devicesTried.push_back(k.device);
    } else {
      lastTried = k.port;
    }
    if (!OpenAnnounced(link, k.port, byPath ? k.device : ComName(k.port))) continue;
    int sn = -1;
    for (int probe = 0; probe < kScanProbes && !InRange(sn, kScanSerialMin, kSerialMax); ++probe) {
      host.pacer.PauseMs(kScanProbePauseMs);
      sn = ProbeInstrument(link, k.port);
    }
    ports.CommClose(k.port);
    if (!InRange(sn, kScanSerialMin, kSerialMax)) continue;
    // A port found by its path keeps its COM number for good before it is opened by that name.
    if (byPath && !(unmapped->assign && unmapped->assign(k.port, k.device))) continue;
    found = k.port;
    serial = sn;
    host.status.SetStatus(t::kInitStatus, std::string(t::kInitConnectedHead) +
                                              std::to_string(found) +
                                              std::string(t::kConnectedTail));
    ShowMain(host, std::string(t::kMainConnectedHead) + std::to_string(found) +
                       std::string(t::kConnectedTail));
  }

  ConnectOutcome outcome = ConnectOutcome::kConnected;
  if (found == 0) {
    std::string answer = host.dialogs.Input(std::string(t::kPortPromptHead) +
                                                std::to_string(lastTried) +
                                                std::string(t::kPortPromptTail),
                                            "", "");
    auto n = ParseInteger(answer, kScanFirstPort, kScanLastPort);
    if (!n) {
      outcome = ConnectOutcome::kOffline;  // empty, text or a number outside 1..15
    } else {
      configuredPort = static_cast<int16_t>(*n);
      if (ports.CommOpen(configuredPort, ComName(configuredPort), kInstrumentLineSettings) != 0) {
        host.dialogs.Problem(t::kInvalidPortNumber);
        outcome = ConnectOutcome::kOffline;
      } else {
        saveConfig();
        ports.CommClose(configuredPort);
        // This pass ends without an open port: the next connect uses the new number.
        outcome = ConnectOutcome::kPortChanged;
        c.portChanged = true;
      }
    }
  } else if (ports.CommOpen(found, ComName(found), kInstrumentLineSettings) == 0) {
    c.port = static_cast<int16_t>(found);
    c.serialNumber = static_cast<int16_t>(serial);
    configuredPort = static_cast<int16_t>(found);
  } else {
    outcome = ConnectOutcome::kOffline;  // the port vanished between the probe and the reopening
  }

  c.offline = outcome == ConnectOutcome::kOffline;
  const int inUse = outcome == ConnectOutcome::kPortChanged ? configuredPort : c.port;
  c.tickedPortEntry = static_cast<int16_t>(InRange(inUse, 1, kPortMenuEntries) ? inUse : 0);

  if (outcome == ConnectOutcome::kOffline) {
    ShowMain(host, t::kEquipmentNotFound);
    host.dialogs.Problem(PortNotFoundMessage(configuredAtStart, devicesTried));
  } else if (outcome == ConnectOutcome::kConnected) {
    ShowMain(host, t::kReadingFactoryCalibration);
    c.connected = true;
    ReadFactoryCalibration(link);
  }
  ShowMain(host, "");
  host.status.SetStatus(t::kInitStatus, "");
  return outcome;
}

std::string PortNotFoundMessage(int configuredPort, const std::vector<std::string>& devicesTried) {
  std::string tried = "No instrument answered on " + ComName(configuredPort) +
                      " (the configured port) nor on " + ComName(kScanFirstPort) + " to " +
                      ComName(kScanLastPort);
  if (!devicesTried.empty()) {
    tried += " and ";
    for (size_t i = 0; i < devicesTried.size(); ++i)
      tried += (i == 0 ? "" : i + 1 == devicesTried.size() ? " and " : ", ") + devicesTried[i];
  }
  return std::string(t::kPortNotFound) + std::string(t::kEol) + tried + "." + std::string(t::kEol) +
         std::string(t::kPortNotFoundNextStep);
}

void ChoosePortMenuEntry(ConnectionState& connection, int16_t& configuredPort, int n,
                         const SaveConfigFn& saveConfig) {
  if (!InRange(n, 1, kPortMenuEntries)) return;
  ChooseInstrumentPort(connection, configuredPort, n, saveConfig);
}

void ChooseInstrumentPort(ConnectionState& connection, int16_t& configuredPort, int n,
                          const SaveConfigFn& saveConfig) {
  if (!InRange(n, 1, kCommPortCount)) return;
  connection.tickedPortEntry = static_cast<int16_t>(InRange(n, 1, kPortMenuEntries) ? n : 0);
  configuredPort = static_cast<int16_t>(n);
  connection.portChanged = true;
  saveConfig();
}

std::string PortMenuEntryText(int n) { return ComName(n); }

void DisconnectInstrument(DeviceLink& link) {
  if (link.connection.offline) return;
  link.ports.CommClose(link.connection.port);
  link.connection.connected = false;
}

}  // namespace movexa
