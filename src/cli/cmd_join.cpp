// movexa-cli join: joins acquisitions of one project into a new acquisition folder.
#include <cstdio>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/offline_cli.h"
#include "cli/terminal_host.h"
#include "offline/acquisition_browser.h"
#include "offline/join_export.h"
#include "project/project_folders.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli join [--app-dir DIR] ACQUISITION_FOLDER ACQUISITION_FOLDER...\n"
    "\n"
    "Joins two or more acquisitions of one project, given in any order, into a new acquisition\n"
    "of that project named after the present minute (the next free minute when that name is\n"
    "taken, as for a recorded run). The parts follow one another by start time: the joined\n"
    "counts.bin holds every whole record of each part with the time moved by the minutes from\n"
    "the earliest start to the part's start; subproj.dat names the parts; the project files\n"
    "(setup, status, thresholds, groups) of the earliest part come along, so the join reports\n"
    "as its parts do. Refused before any folder is made: the same acquisition twice, a part\n"
    "without one whole record or with unreadable counts, parts of different plate formats.\n"
    "A torn last record of a part is left out and said. No existing folder is written into.\n"
    "A relative acquisition folder is also looked for inside the application folder --app-dir.\n";

}  // namespace

int RunJoin(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (args.Has("help")) {
    std::printf("%s", kHelp);
    return 0;
  }
  if (!args.errors().empty() || args.positional().size() < 2) {
    for (auto& e : args.errors()) std::fprintf(stderr, "movexa-cli join: %s\n", e.c_str());
    std::fprintf(stderr, "movexa-cli join: give at least two acquisition folders\n%s", kHelp);
    return 2;
  }
  std::vector<JoinSource> sources;
  std::filesystem::path project;
  for (auto& text : args.positional()) {
    std::filesystem::path folder = FolderArgument(text, args.Value("app-dir"));
    std::string name = folder.filename().string();
    if (!IsAcquisitionFolderName(name)) {
      std::fprintf(stderr, "movexa-cli join: %s is no acquisition folder (yyyymmdd_hhmm)\n", text.c_str());
      return 2;
    }
    if (project.empty()) project = folder.parent_path();
    if (folder.parent_path() != project) {
      std::fprintf(stderr, "movexa-cli join: %s is not in project folder %s\n", text.c_str(),
                   project.string().c_str());
      return 2;
    }
    sources.push_back({AcquisitionLineText(name, ReadSubprojectName(folder)), name});
  }
  TerminalHost terminal;
  JoinResult r = JoinAcquisitions(project, sources, terminal.clock.Now());
  if (!r.ok) {
    std::fprintf(stderr, "movexa-cli join: %s\n", r.error.c_str());
    return 1;
  }
  for (auto& note : r.notes) std::printf("%s\n", note.c_str());
  std::printf("joined %zu records into %s (project files of %s)\n", r.records,
              r.folder.string().c_str(), r.projectFilesFrom.c_str());
  return 0;
}

}  // namespace movexa::cli
