// The application folder (configuration, plate formats, Default project, project folders) and
// the installation data a fresh application folder is laid out from.
//
// Choice of the application folder, first that applies:
//   1. the --app-dir option;
//   2. the MOVEXA_HOME environment variable;
//   3. the folder of the executable when it holds "config.dat" (a self-contained install, the
//      layout the instrument's software has always had);
//   4. $XDG_DATA_HOME/movexa, else $HOME/.local/share/movexa, else ./movexa-home.
//
// Installation data, first folder that holds "config.dat":
//   1. the MOVEXA_DATA environment variable;
//   2. <executable folder>/../share/movexa/data (the installed layout, `cmake --install`);
//   3. the data/ folder of the source tree the program was built from (compiled in).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace movexa {

namespace fs = std::filesystem;

// What the choice of the application folder looks at; empty texts count as unset.
struct AppDirSources {
  std::optional<std::string> appDirOption;  // --app-dir
  std::optional<std::string> movexaHome;    // MOVEXA_HOME
  std::optional<std::string> xdgDataHome;   // XDG_DATA_HOME
  std::optional<std::string> home;          // HOME
  fs::path executableDir;
};

// The sources of this process: the option as given and the environment variables.
AppDirSources AppDirSourcesFromEnvironment(std::optional<std::string> appDirOption);
// The one rule of the application folder (see the file comment).
fs::path ChooseAppDir(const AppDirSources& sources);

// Folder of the running executable; empty when it cannot be found.
fs::path ExecutableDir();

// Candidate installation-data folders in the order they are tried.
std::vector<fs::path> InstallationDataCandidates(const std::optional<std::string>& movexaData,
                                                 const fs::path& executableDir);
// The first candidate holding "config.dat", or nullopt.
std::optional<fs::path> FindInstallationData(const std::optional<std::string>& movexaData,
                                             const fs::path& executableDir);

// The help document. The program opens it from its working folder (the application folder);
// a fresh installation has it beside the installation data, and a program run from its build
// folder finds the one the build made.
inline constexpr const char* kHelpDocument = "mvx_help.pdf";
// Where the help document is looked for, in order: the application folder, the executable's
// folder, <executable folder>/../share/movexa/data, the build's own copy (compiled in).
std::vector<fs::path> HelpDocumentCandidates(const fs::path& appDir, const fs::path& executableDir);
// The first candidate that is a file; empty when there is none.
fs::path FindHelpDocument(const fs::path& appDir, const fs::path& executableDir);

struct LayOutResult {
  bool ok = true;
  std::vector<std::string> copied;  // relative paths written
  std::vector<std::string> kept;    // relative paths that existed and were left alone
  std::string error;
};

// Lays out an application folder from the installation data: creates the folder, then copies
// every file and folder of `dataDir` that does not exist yet in `appDir`. An existing file is
// never overwritten ("config.dat", projects and plate formats the operator has are kept).
LayOutResult LayOutApplicationFolder(const fs::path& dataDir, const fs::path& appDir);

// What the program finds where its application folder should be.
enum class AppFolderState {
  kMissing,     // nothing there: a first start
  kEmpty,       // an empty folder: a first start too
  kReady,       // "config.dat" is there
  kConfigLost,  // a folder with files in it but without "config.dat"
  kNotAFolder,  // a file or something else stands at the name
};
AppFolderState InspectAppFolder(const fs::path& appDir);

// The first start of the program on an account: when the application folder is missing or
// empty, it is laid out from the installation data `dataDir` (none found: nothing is done and
// start-up then says what is missing). A folder that exists with files in it is never touched,
// even without "config.dat". `laidOut` and `message` (where the folder is, for the operator)
// when it was laid out; `message` holds the failure otherwise.
struct FirstStart {
  bool laidOut = false;
  bool failed = false;
  std::string message;
};
FirstStart PrepareFirstStart(const fs::path& appDir, const std::optional<fs::path>& dataDir);

// The start-up message for an application folder without "config.dat": the fixed text, the
// folder and what to do.
std::string ConfigNotFoundMessage(const fs::path& appDir);

}  // namespace movexa
