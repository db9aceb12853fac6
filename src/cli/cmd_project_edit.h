// The sub-commands of movexa-cli project that set projects up: list, create and assign.
#pragma once

#include <optional>

namespace movexa::cli {

// Runs "project list|create|assign ..." (argv[0] is "project"); nullopt when argv[1] is none of
// them, so that "project" keeps printing the current project's summary.
std::optional<int> RunProjectSubcommand(int argc, char** argv);

}  // namespace movexa::cli
