// Fixture of the main window tests: a fresh application folder laid out from the installation
// data, the in-process simulated instrument behind a loopback port on a manual clock, scripted
// dialogs, and the real program started with short start-up steps.
#pragma once

#include <memory>

#include "acquisition/acquisition_engine.h"
#include "base/host_fakes.h"
#include "device/loopback_link.h"
#include "sim/sim_instrument.h"
#include "support/test_support.h"
#include "ui/common/qt_host.h"
#include "ui/main/frm_init.h"
#include "ui/main/frm_main.h"
#include "ui/main/program.h"

namespace movexa::test {

struct ProgramRig {
  // Lays out the application folder; `prepare` may change it before the program starts.
  explicit ProgramRig(bool layOut = true);
  // Starts the program; false when start-up ended it.
  bool Start(const std::string& argument = {});
  // Start menu option 2, as a click on its label.
  ui::Frm_Main* OpenMainWindow();
  // Play with `name` typed into the name prompt (an empty name confirmed with OK).
  bool Play(const std::string& name);
  // Ticks of Timeradq (what its timeout does), each followed by the timer's 10 ms.
  void Ticks(int64_t n);
  void TicksForBins(int64_t bins);

  TempDir dir;
  FakeHost fake;
  ui::StatusRouter status;  // the labels first, then fake.status
  Host host{fake.dialogs, fake.clock, fake.pacer, fake.shell, fake.system, status};
  AppState state;
  sim::SimInstrument instrument;
  ui::Program program{state, host, &status};
  bool quit = false;
};

}  // namespace movexa::test
