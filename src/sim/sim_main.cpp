// movexa-sim: the simulated instrument on a pseudo-terminal, for end-to-end runs and the demo.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/system_host.h"
#include "sim/pty_front.h"
#include "sim/sim_instrument.h"
#include "sim/sim_options.h"

namespace {

// Set by the signal handlers; gWake makes the pump return so that main looks at the others.
volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gDumpTruth = 0;
volatile std::sig_atomic_t gWake = 0;

extern "C" void OnStop(int) {
  gStop = 1;
  gWake = 1;
}
extern "C" void OnDump(int) {
  gDumpTruth = 1;
  gWake = 1;
}

void Install(int signal, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: the pump's poll returns at once
  sigaction(signal, &sa, nullptr);
}

bool WriteTruth(movexa::sim::SimInstrument& sim, const std::string& path) {
  std::string error;
  if (!movexa::WriteFileAtomic(path, sim.TruthText(), &error)) {
    std::fprintf(stderr, "movexa-sim: cannot write %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace movexa::sim;
  std::vector<std::string> args(argv + 1, argv + argc);
  SimOptions options;
  std::vector<std::string> problems = ParseSimOptions(args, options);
  if (options.help) {
    std::fputs(SimUsage().c_str(), stdout);
    return 0;
  }
  if (!options.scenarioPath.empty()) {
    std::string error;
    if (auto text = movexa::ReadWholeFile(options.scenarioPath, &error)) {
      for (auto& p : ParseScenario(*text, options.config.organisms)) problems.push_back(p);
    } else {
      problems.push_back("--scenario " + options.scenarioPath + ": " + error);
    }
  }
  if (options.linkPath.empty()) problems.push_back("--link PATH is required");
  for (auto& p : ValidateConfig(options.config)) problems.push_back(p);
  if (!problems.empty()) {
    for (const auto& p : problems) std::fprintf(stderr, "movexa-sim: %s\n", p.c_str());
    std::fprintf(stderr, "movexa-sim: see movexa-sim --help\n");
    return 2;
  }

  Install(SIGINT, OnStop);
  Install(SIGTERM, OnStop);
  Install(SIGUSR1, OnDump);
  std::signal(SIGPIPE, SIG_IGN);

  std::string error;
  auto front = PtyFront::Create(options.linkPath, error);
  if (!front) {
    std::fprintf(stderr, "movexa-sim: %s\n", error.c_str());
    return 1;
  }
  movexa::SystemClock clock;
  SimInstrument sim(options.config, clock);
  std::printf("movexa-sim: instrument %d on %s (link %s)\n", options.config.serialNumber,
              front->terminalPath().c_str(), options.linkPath.c_str());
  std::fflush(stdout);

  bool ok = true;
  while (!gStop) {
    // The pump returns after a signal: SIGUSR1 asks for the ground truth, the others stop.
    gWake = 0;
    if (gStop) break;
    ok = front->Run(sim, clock, gWake, error);
    if (!ok) break;
    if (gDumpTruth) {
      gDumpTruth = 0;
      if (!options.truthPath.empty()) WriteTruth(sim, options.truthPath);
    }
  }
  if (!ok) std::fprintf(stderr, "movexa-sim: %s\n", error.c_str());
  if (!options.truthPath.empty() && !WriteTruth(sim, options.truthPath)) ok = false;
  front.reset();  // removes the link
  std::printf("movexa-sim: stopped\n");
  return ok ? 0 : 1;
}
