// Fixture of the engine tests.
#include "acquisition/engine_rig.h"

#include <gtest/gtest.h>

#include "acquisition/run_texts.h"
#include "app/instrument.h"
#include "app/startup.h"

namespace movexa::test {

sim::SimConfig EngineSimConfig() {
  sim::SimConfig config;
  config.blockBytes = 48;
  config.paced = true;
  sim::OrganismSpec organisms;
  for (int c = 0; c <= 30; c += 2) organisms.channels.push_back(c);
  organisms.ratePerMinute = 12;
  config.organisms.push_back(organisms);
  return config;
}

EngineRig::EngineRig(sim::SimConfig config, bool connect, SerialPeer* peer)
    : instrument(std::move(config), fake.clock) {
  state.appDir = dir / "app";
  LayOutAppFolder(state.appDir);
  StartupObserver noWindows;
  EXPECT_TRUE(StartUp(state, "", fake.host, noWindows));
  state.outputs = OutputsAtStartup(state.project.Mn);
  auto loopback = std::make_unique<LoopbackOpener>(fake.clock, fake.pacer);
  opener = loopback.get();
  const int port = state.config.Serial_COM;
  opener->Attach(port, peer ? *peer : static_cast<SerialPeer&>(instrument));
  InstallPorts(state, fake.pacer, std::move(loopback));
  if (connect && peer) {
    EXPECT_EQ(state.ports->CommOpen(port, "COM" + std::to_string(port), kInstrumentLineSettings), 0);
    state.connection.port = static_cast<int16_t>(port);
    state.connection.connected = true;
    state.connection.blockReplyBytes = 48;
    state.connected = true;
  } else if (connect) {
    EXPECT_EQ(ConnectAppInstrument(state, fake.host), ConnectOutcome::kConnected);
  }
  engine = std::make_unique<AcquisitionEngine>(state, fake.host, display);
}

bool EngineRig::Play(const std::string& name) {
  fake.dialogs.ExpectInput("", name);
  if (name.empty()) fake.dialogs.ExpectQuestion(std::string(run_texts::kEmptyName), Dialogs::Answer::kOk);
  return engine->CmdPlay();
}

int64_t EngineRig::TickUntilStopped(int64_t maxTicks, int timerMs) {
  int64_t n = 0;
  while (n < maxTicks && state.run.timerEnabled) {
    engine->Tick();
    fake.pacer.PauseMs(timerMs);
    ++n;
  }
  return n;
}

void EngineRig::Ticks(int64_t n, int timerMs) {
  for (int64_t i = 0; i < n; ++i) {
    engine->Tick();
    fake.pacer.PauseMs(timerMs);
  }
}

void EngineRig::TicksForBins(int64_t bins) {
  const int64_t target = state.run.counters.binsClosed + bins;
  while (state.run.timerEnabled && state.run.counters.binsClosed < target) Ticks(1);
}

std::vector<std::string> EngineRig::AcquisitionFolders() const {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(state.ProjectPath)) {
    if (e.is_directory() && ParseAcquisitionStamp(e.path().filename().string())) {
      out.push_back(e.path().filename().string());
    }
  }
  return out;
}

}  // namespace movexa::test
