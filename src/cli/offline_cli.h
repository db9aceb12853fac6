// Shared pieces of movexa-cli's offline commands (list, join, export-ascii, export-picture,
// archive, rename): folder arguments made absolute and without a trailing separator, and the
// signal view opened on a chosen well and page.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "offline/signal_view.h"

namespace movexa::cli {

// "dir/", "./dir" and "dir" name the same folder.
std::filesystem::path NormaliseFolder(const std::string& text);
// The application folder of the offline commands: --app-dir when given, else two levels above
// the acquisition folder (its project's folder, then the application folder).
std::filesystem::path OfflineAppDir(const std::optional<std::string>& appDirOption,
                                    const std::filesystem::path& acquisition);
// A folder argument: as given (made absolute as above); when no such folder exists and
// --app-dir is given, the same relative path inside the application folder, so
// "--app-dir H p00002/20240319_1230" works from any working folder.
std::filesystem::path FolderArgument(const std::string& text,
                                     const std::optional<std::string>& appDirOption);

// Opens `acquisition` of application folder `appDir` in `view`, selects `well` ("B3"; the
// first mapped well when empty) and loads `page`. False with `error` on a bad well or page.
bool OpenViewAt(SignalView& view, const std::filesystem::path& acquisition,
                const std::filesystem::path& appDir, const std::optional<std::string>& well,
                const std::optional<std::string>& page, std::string& error);

}  // namespace movexa::cli
