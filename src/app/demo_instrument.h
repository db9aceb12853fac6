// The program's way to its instrument: the system's serial service, or the simulated instrument
// for a first try without hardware. InstrumentOpener is the port opener a program installs once
// (instrument.h); switching it to the simulated instrument makes every port opened afterwards
// reach the simulator in-process, so the connect operation, the device frames and the engine
// run exactly as they do against a real instrument.
#pragma once

#include <filesystem>
#include <memory>

#include "base/host.h"
#include "base/system_host.h"
#include "device/loopback_link.h"
#include "device/posix_serial.h"
#include "device/serial_link.h"
#include "sim/sim_config.h"
#include "sim/sim_instrument.h"

namespace movexa {

// The simulated instrument offered to a new operator: replies at the line's 115200 baud with
// 48-byte blocks, and an organism crossing every beam about six times a minute.
sim::SimConfig DemoInstrumentConfig();

class InstrumentOpener : public PortOpener {
 public:
  explicit InstrumentOpener(std::filesystem::path appDir) : system_(std::move(appDir)) {}

  std::unique_ptr<SerialLink> Open(int port, std::string_view deviceName, int& code,
                                   std::string& device) override;

  // From now on port `port` ("COM<port>", the configured one) reaches a simulated instrument
  // made from `config` on the time of `clock` (which must outlive the opener), and every other
  // port is absent. Ports opened before keep their device. Calling it again keeps the simulator
  // already running.
  void UseSimulatedInstrument(Clock& clock, int port,
                              sim::SimConfig config = DemoInstrumentConfig());
  bool simulated() const { return sim_ != nullptr; }
  sim::SimInstrument* instrument() { return sim_.get(); }

 private:
  SystemPortOpener system_;
  SleepingPacer linePacer_;  // waits for bytes on the simulated line
  std::unique_ptr<sim::SimInstrument> sim_;
  std::unique_ptr<LoopbackOpener> loopback_;
};

}  // namespace movexa
