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
    "Joins two or more acquisitions of one project, in the order given, into a new acquisition\n"
    "of that project named after the present minute (the next free minute when that name is\n"
    "taken, as for a recorded run): its counts.bin holds every record of each acquisition with\n"
    "the time moved by the minutes from the earliest start to the acquisition's start;\n"
    "subproj.dat names the parts. No existing folder is written into. A relative acquisition\n"
    "folder is also looked for inside the application folder --app-dir.\n";

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
  for (auto& u : r.unreadable) std::printf("no records from %s\n", u.c_str());
  std::printf("joined %zu records into %s\n", r.records, r.folder.string().c_str());
  return 0;
}

}  // namespace movexa::cli
