// Command-line options of movexa-sim, read into a SimConfig.
#pragma once

#include <string>
#include <vector>

#include "sim/sim_config.h"

namespace movexa::sim {

struct SimOptions {
  SimConfig config;
  std::string linkPath;      // --link: symlink to the pseudo-terminal
  std::string truthPath;     // --truth: ground-truth file written at exit and on SIGUSR1
  std::string scenarioPath;  // --scenario: organism groups from a file
  bool help = false;
};

// Reads the arguments (without the program name). Returns the problems found; empty when the
// options are usable. The scenario file is not read here (see ParseScenario).
std::vector<std::string> ParseSimOptions(const std::vector<std::string>& args, SimOptions& out);

// The --help text.
std::string SimUsage();

}  // namespace movexa::sim
