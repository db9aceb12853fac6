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
// The application folder of an acquisition folder (two levels up).
std::filesystem::path AppDirOfAcquisition(const std::filesystem::path& acquisition);

// Opens `acquisition` in `view`, selects `well` ("B3"; the first mapped well when empty) and
// loads `page`. False with `error` on a bad well or page.
bool OpenViewAt(SignalView& view, const std::filesystem::path& acquisition,
                const std::optional<std::string>& well, const std::optional<std::string>& page,
                std::string& error);

}  // namespace movexa::cli
