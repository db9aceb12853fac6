// Shared pieces of movexa-cli's offline commands.
#include "cli/offline_cli.h"

#include <cctype>
#include <cstdlib>

#include "project/plate_format.h"

namespace movexa::cli {

std::filesystem::path NormaliseFolder(const std::string& text) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(text, ec).lexically_normal();
  if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();
  return p;
}

std::filesystem::path OfflineAppDir(const std::optional<std::string>& appDirOption,
                                    const std::filesystem::path& acquisition) {
  if (appDirOption && !appDirOption->empty()) return NormaliseFolder(*appDirOption);
  return acquisition.parent_path().parent_path();
}

std::filesystem::path FolderArgument(const std::string& text,
                                     const std::optional<std::string>& appDirOption) {
  std::filesystem::path asGiven = NormaliseFolder(text);
  std::error_code ec;
  if (std::filesystem::exists(asGiven, ec) || !appDirOption || appDirOption->empty() ||
      std::filesystem::path(text).is_absolute()) {
    return asGiven;
  }
  std::filesystem::path inside = (NormaliseFolder(*appDirOption) / text).lexically_normal();
  if (!inside.has_filename() && inside.has_parent_path()) inside = inside.parent_path();
  return std::filesystem::exists(inside, ec) ? inside : asGiven;
}

bool OpenViewAt(SignalView& view, const std::filesystem::path& acquisition,
                const std::filesystem::path& appDir, const std::optional<std::string>& well,
                const std::optional<std::string>& page, std::string& error) {
  OpenAcquisitionView(view, acquisition, appDir,
                      acquisition.parent_path().filename().string() + " " +
                          acquisition.filename().string());
  if (well) {
    const PlateGeometry& g = view.snap.geometry;
    int column = well->size() > 1 ? std::atoi(well->c_str() + 1) : 0;
    int index = well->empty() ? -1 : WellIndex(g, (*well)[0], column);
    int row = well->empty() ? -1 : std::toupper(static_cast<unsigned char>((*well)[0])) - 'A';
    int channel = index >= 0 && row >= 0 && row < g.rows && column >= 1 && column <= g.columns
                      ? view.snap.map.FindChannel(index, 0)
                      : -1;
    if (channel < 0) {
      error = "no well " + *well + " in plate format " + view.snap.settings.Plate_format;
      return false;
    }
    view.selectedChannel = channel;
  }
  if (page) {
    int p = std::atoi(page->c_str());
    if (p < 1 || p > view.pageCount) {
      error = "page " + *page + " outside 1.." + std::to_string(view.pageCount);
      return false;
    }
    if (p != view.page) LoadPage(view, p);
  }
  return true;
}

}  // namespace movexa::cli
