// movexa-cli list: the acquisition browser's list of an application folder, every project
// expanded, or the projects a search keeps.
#include <cstdio>

#include "app/app_folder.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "offline/acquisition_browser.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli list [--app-dir DIR] [--search TEXT] [--oldest-first] [--collapsed]\n"
    "\n"
    "Prints the projects of the application folder and their acquisitions as the offline\n"
    "window lists them (newest first unless --oldest-first): project lines \"+ date<Tab>id_name\",\n"
    "acquisition lines \"  > date<Tab> ACQhh:mm \\\"name\\\"\" and the acquisition's folder.\n"
    "Only acquisitions holding counts.bin are listed. --search keeps the projects matching\n"
    "every term (a term in double quotes is a phrase) in their line or an acquisition line.\n";

}  // namespace

int RunList(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "search"});
  args.Allow({"oldest-first", "collapsed"});
  if (auto exitCode = HelpOrUsageError(args, "list", kHelp)) return *exitCode;
  TerminalHost terminal;
  std::filesystem::path appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  AcquisitionBrowser browser(appDir);
  browser.Open(terminal.host);
  if (args.Has("oldest-first")) browser.FlipOrder(-1, terminal.host);
  if (auto search = args.Value("search")) {
    browser.Search(*search, terminal.host);
  } else if (!args.Has("collapsed")) {
    for (auto& line : std::vector<BrowserLine>(browser.lines())) {
      if (line.project) browser.SetExpanded(line.projectId, true, terminal.host);
    }
  }
  for (size_t i = 0; i < browser.lines().size(); ++i) {
    const BrowserLine& l = browser.lines()[i];
    if (l.project) {
      std::printf("%s\n", l.text.c_str());
    } else {
      std::printf("%s    %s\n", l.text.c_str(),
                  browser.AcquisitionFolderOf(static_cast<int>(i))->string().c_str());
    }
  }
  if (browser.lines().empty()) std::fprintf(stderr, "no projects listed in %s\n", appDir.string().c_str());
  return 0;
}

}  // namespace movexa::cli
