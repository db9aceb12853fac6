// The program's port opener and its simulated instrument.
#include "app/demo_instrument.h"

#include "base/constants.h"

namespace movexa {

sim::SimConfig DemoInstrumentConfig() {
  sim::SimConfig config;
  config.paced = true;
  config.blockBytes = 48;
  sim::OrganismSpec crossings;
  for (int channel = 0; channel < kChannelCount; channel += 2)
    crossings.channels.push_back(channel);
  crossings.ratePerMinute = 6;
  config.organisms.push_back(crossings);
  return config;
}

std::unique_ptr<SerialLink> InstrumentOpener::Open(int port, std::string_view deviceName, int& code,
                                                   std::string& device) {
  if (loopback_) return loopback_->Open(port, deviceName, code, device);
  return system_.Open(port, deviceName, code, device);
}

void InstrumentOpener::UseSimulatedInstrument(Clock& clock, int port, sim::SimConfig config) {
  if (sim_) return;
  sim_ = std::make_unique<sim::SimInstrument>(std::move(config), clock);
  loopback_ = std::make_unique<LoopbackOpener>(clock, linePacer_);
  loopback_->Attach(port, *sim_);
}

}  // namespace movexa
