// movexa-cli archive and rename: the offline browser's folder operations.
#include <cstdio>

#include "acquisition/recorder_lock.h"
#include "base/file_io.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/offline_cli.h"
#include "cli/terminal_host.h"
#include "offline/acquisition_browser.h"
#include "offline/offline_texts.h"
#include "project/project_folders.h"
#include "project/project_texts.h"

namespace movexa::cli {

namespace {

constexpr const char* kArchiveHelp =
    "usage: movexa-cli archive [--app-dir DIR] ACQUISITION_FOLDER...\n"
    "\n"
    "Takes acquisitions out of the list by renaming each folder to its name followed by\n"
    "\"removed\" and the present date and time (YYYYMMDDhhss). Nothing is deleted; an existing\n"
    "folder of that name is never replaced (the acquisition is then left as it was). An\n"
    "acquisition that a recorder is writing into is refused. A relative folder is also looked\n"
    "for inside the application folder --app-dir.\n";

constexpr const char* kRenameHelp =
    "usage: movexa-cli rename [--app-dir DIR] FOLDER NEW_NAME\n"
    "\n"
    "Renames an acquisition (its subproj.dat, backed up to subproj.bak) or a project (the name\n"
    "in its setup.dat, backed up to setup.bak). The folder names stay as they are. A relative\n"
    "folder is also looked for inside the application folder --app-dir.\n";

// Prints why and is true when a recorder is writing into `folder` (`shown` as the operator
// named it).
bool RefusedWhileRecorded(const std::string& shown, const std::filesystem::path& folder) {
  auto recording = RecordingInto(folder);
  if (!recording) return false;
  std::fprintf(stderr, "%s: %s\n", shown.c_str(),
               offline_texts::AcquisitionBeingRecorded(recording->experimentName,
                                                       recording->folder.string())
                   .c_str());
  return true;
}

}  // namespace

int RunArchive(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (args.Has("help")) {
    std::printf("%s", kArchiveHelp);
    return 0;
  }
  if (!args.errors().empty() || args.positional().empty()) {
    std::fprintf(stderr, "%s", kArchiveHelp);
    return 2;
  }
  TerminalHost terminal;
  int status = 0;
  for (auto& text : args.positional()) {
    std::filesystem::path folder = FolderArgument(text, args.Value("app-dir"));
    if (!IsAcquisitionFolderName(folder.filename().string()) || !IsDirectory(folder)) {
      std::fprintf(stderr, "%s: not an acquisition folder\n", text.c_str());
      status = 1;
      continue;
    }
    if (RefusedWhileRecorded(text, folder)) {
      status = 1;
      continue;
    }
    std::string error;
    CivilTime now = terminal.clock.Now();
    if (!ArchiveAcquisition(folder, now, &error)) {
      std::fprintf(stderr, "%s: %s (%s)\n", text.c_str(), std::string(offline_texts::kError).c_str(),
                   error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s -> %s\n", folder.string().c_str(), ArchivePath(folder, now).string().c_str());
  }
  return status;
}

int RunRename(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (args.Has("help")) {
    std::printf("%s", kRenameHelp);
    return 0;
  }
  if (!args.errors().empty() || args.positional().size() != 2 || args.positional()[1].empty()) {
    std::fprintf(stderr, "%s", kRenameHelp);
    return 2;
  }
  std::filesystem::path folder = FolderArgument(args.positional()[0], args.Value("app-dir"));
  const std::string& name = args.positional()[1];
  TerminalHost terminal;
  std::string stored;
  std::string leaf = folder.filename().string();
  if (IsAcquisitionFolderName(leaf) && IsFile(folder / project_texts::kSubprojectFile)) {
    if (RefusedWhileRecorded(folder.string(), folder)) return 1;
    stored = RenameSubproject(folder, name, terminal.host);
  } else if (IsProjectFolderName(leaf) && IsFile(folder / project_texts::kSetupFile)) {
    stored = RenameProjectInSetup(folder, name, terminal.host);
  } else {
    std::fprintf(stderr, "%s: neither an acquisition with subproj.dat nor a project with setup.dat\n",
                 folder.string().c_str());
    return 1;
  }
  if (stored.empty()) {
    std::fprintf(stderr, "%s\n", std::string(offline_texts::kErrorRenaming).c_str());
    return 1;
  }
  std::printf("%s: \"%s\"\n", folder.string().c_str(), stored.c_str());
  return 0;
}

}  // namespace movexa::cli
