// movexa-cli init: lays out a fresh application folder from the installation data. Files that
// already exist there ("config.dat" first of all) are never overwritten.
#include <cstdio>
#include <cstdlib>

#include "app/app_folder.h"
#include "base/file_io.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "reports/report_config.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli init [--app-dir DIR] [--data DIR]\n"
    "\n"
    "Lays out an application folder from the installation data: \"config.dat\", the Default\n"
    "project, the demo project p00001, the plate-format files and the default report\n"
    "configuration (\"repoconf.dat\"). Files that already exist in\n"
    "the folder are kept as they are; \"config.dat\" is never overwritten.\n"
    "\n"
    "  --app-dir DIR  the application folder (else MOVEXA_HOME, else the executable's folder\n"
    "                 when it holds config.dat, else $XDG_DATA_HOME/movexa or\n"
    "                 ~/.local/share/movexa)\n"
    "  --data DIR     the installation data (else MOVEXA_DATA, else <prefix>/share/movexa/data\n"
    "                 beside the installed program, else data/ of the source tree)\n";

}  // namespace

int RunInit(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "data"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "init", kHelp)) return *exitCode;
  const fs::path appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  std::optional<std::string> dataOption = args.Value("data");
  if (!dataOption) {
    if (const char* env = std::getenv("MOVEXA_DATA"); env && *env) dataOption = env;
  }
  std::optional<fs::path> dataDir = FindInstallationData(dataOption, ExecutableDir());
  if (!dataDir) {
    std::fprintf(stderr, "movexa-cli init: no installation data found (looked in:");
    for (const auto& c : InstallationDataCandidates(dataOption, ExecutableDir())) {
      std::fprintf(stderr, " %s", c.string().c_str());
    }
    std::fprintf(stderr, ")\n");
    return 1;
  }
  LayOutResult r = LayOutApplicationFolder(*dataDir, appDir);
  std::printf("application folder: %s\ninstallation data:  %s\n", appDir.string().c_str(),
              dataDir->string().c_str());
  for (const auto& f : r.copied) std::printf("  copied %s\n", f.c_str());
  for (const auto& f : r.kept) std::printf("  kept   %s (already there)\n", f.c_str());
  if (!r.ok) {
    std::fprintf(stderr, "movexa-cli init: %s\n", r.error.c_str());
    return 1;
  }
  std::printf("%zu files copied, %zu kept\n", r.copied.size(), r.kept.size());
  // A fresh folder starts with the default report configuration ("User Defined BIN size"
  // off): otherwise every later run would end with the automatic report instead of the quick
  // one although the operator never chose it.
  TerminalHost terminal;
  if (WriteDefaultReportConfigIfMissing(appDir, terminal.host))
    std::printf("  wrote  repoconf.dat (default report configuration)\n");
  return 0;
}

}  // namespace movexa::cli
