// Fixture of the main window tests.
#include "main/program_rig.h"

#include <QLabel>
#include <QTest>

#include "acquisition/run_texts.h"
#include "support/ui_test_support.h"

namespace movexa::test {

namespace {
sim::SimConfig RigSimConfig() {
  sim::SimConfig config;
  config.blockBytes = 48;
  config.paced = true;
  sim::OrganismSpec organisms;
  for (int c = 0; c < 384; c += 2) organisms.channels.push_back(c);
  organisms.ratePerMinute = 30;
  config.organisms.push_back(organisms);
  return config;
}
}  // namespace

ProgramRig::ProgramRig(bool layOut) : instrument(RigSimConfig(), fake.clock) {
  state.appDir = dir / "app";
  if (layOut) LayOutAppFolder(state.appDir);
  status.fallback = &fake.status;
  program.onQuit = [this] { quit = true; };
}

bool ProgramRig::Start(const std::string& argument) {
  auto loopback = std::make_unique<LoopbackOpener>(fake.clock, fake.pacer);
  for (int port = 1; port <= 16; ++port) loopback->Attach(port, instrument);
  ui::ProgramOptions options;
  options.argumentText = argument;
  options.startupStepMs = 0;
  return program.Start(options, std::move(loopback), &fake.pacer);
}

ui::Frm_Main* ProgramRig::OpenMainWindow() {
  auto* label = Control<QLabel>(program.startMenu(), "Label_option2");
  if (label) QTest::mouseClick(label, Qt::LeftButton);
  return program.mainWindow();
}

bool ProgramRig::Play(const std::string& name) {
  fake.dialogs.ExpectInput("", name);
  if (name.empty())
    fake.dialogs.ExpectQuestion(std::string(run_texts::kEmptyName), Dialogs::Answer::kOk);
  auto* play = Control<QPushButton>(program.mainWindow(), "CmdPlay");
  QTest::mouseClick(play, Qt::LeftButton);
  return program.mainWindow()->RunActive();
}

void ProgramRig::Ticks(int64_t n) {
  for (int64_t i = 0; i < n && state.run.timerEnabled; ++i) {
    program.mainWindow()->OnTimeradq();
    fake.pacer.PauseMs(kSamplingTimerMs);
  }
}

void ProgramRig::TicksForBins(int64_t bins) {
  const int64_t target = state.run.counters.binsClosed + bins;
  while (state.run.timerEnabled && state.run.counters.binsClosed < target) Ticks(1);
}

}  // namespace movexa::test
