// The acquisition browser: the project folders of the application folder, each expandable into
// its recorded acquisitions, as the plain text lines of the offline window's list; the search
// with quoted terms, the order, the renames through the project store, archiving by renaming,
// the five watched folders of "foldview.dat", and the read-back of a folder name from a line.
//
// Folder names. A project folder is "p" and five digits (the project store's names; the id that
// the lines carry names the folder exactly). An acquisition folder is its start stamp
// "yyyymmdd_hhmm", optionally followed by a short suffix that tells apart runs started in the
// same minute ("_2", ...: up to six letters, digits, "_" or "-"); an archived folder (stamp +
// "removed" + date) is no acquisition folder. Folders are visited in name order, so oldest
// first is chronological.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"

namespace movexa {

namespace fs = std::filesystem;

// "p" + five digits.
bool IsProjectFolderName(std::string_view name);
// The stamp "yyyymmdd_hhmm" (a valid date and time) and an optional suffix as above.
bool IsAcquisitionFolderName(std::string_view name);
// Acquisition folders of `projectFolder` in name order (listed or not).
std::vector<std::string> ScanAcquisitionFolders(const fs::path& projectFolder);
// Those holding "counts.bin": the acquisitions the list shows and reports may use.
std::vector<std::string> ListedAcquisitions(const fs::path& projectFolder);

// Line texts. The project line: "+ " date Tab id "_" name, the date being year.monthday of the
// project's first acquisition folder (eight spaces when it has none). The acquisition line:
// "  > " yyyy "." mmdd Tab " ACQ" hh ":" mm [suffix] " " and the quoted sub-project name.
std::string ProjectLineText(std::string_view firstAcquisition, std::string_view id,
                            std::string_view name);
std::string AcquisitionLineText(std::string_view folderName, std::string_view subprojectName);
// The folder name an acquisition line was made from; nullopt for a line of another kind.
std::optional<std::string> FolderNameFromLine(std::string_view line);
// The project id of a project line (the six characters after the Tab); empty when none.
std::string ProjectIdFromLine(std::string_view line);
inline bool IsProjectLine(std::string_view line) { return !line.empty() && line[0] == '+'; }

// Search text split into terms: a double quote opens or closes a quoted phrase (kept whole,
// spaces included), a space outside quotes ends a term; at most ten terms, the tenth taking
// the rest of the text. Empty terms are dropped.
std::vector<std::string> SplitSearchTerms(std::string_view text);

// The archive name of an acquisition folder: its path followed by "removed" and the present
// date and time formatted "YYYYMMDDhhss" (year, month, day, hour, seconds).
fs::path ArchivePath(const fs::path& acquisitionFolder, const CivilTime& now);
// Renames the folder to its archive name; never deletes and never replaces an existing
// entry. False (and `error`) when the name is taken or the rename fails.
bool ArchiveAcquisition(const fs::path& acquisitionFolder, const CivilTime& now,
                        std::string* error = nullptr);

// "foldview.dat": five paths, one a line. Reading keeps a path only when it names an existing
// folder (else the default caption "_folderN"); missing lines count as empty.
std::array<std::string, 5> ReadFoldview(const fs::path& appDir);
bool WriteFoldview(const fs::path& appDir, const std::array<std::string, 5>& captions,
                   std::string* error = nullptr);

// One list line and what it stands for.
struct BrowserLine {
  std::string text;
  bool project = false;
  std::string projectId;   // both kinds
  std::string folderName;  // acquisition lines
};

class AcquisitionBrowser {
 public:
  explicit AcquisitionBrowser(fs::path appDir) : appDir_(std::move(appDir)) {}

  // Window opening: watched folders read, projects scanned, all collapsed, list built.
  void Open(Host& host);
  // Rebuilds the list from the disk with the expanded flags, order and search in force.
  void Build(Host& host);

  const std::vector<BrowserLine>& lines() const { return lines_; }
  std::vector<std::string> LineTexts() const;
  // Index of the line with this text, or -1.
  int Find(std::string_view text) const;

  // 1 = newest first, 0 = oldest first; the order label's text.
  int order() const { return order_; }
  std::string_view OrderLabel() const;
  // Flips the order. With an acquisition line selected only that project's acquisitions are
  // listed in the new order; otherwise the full list is rebuilt.
  void FlipOrder(int selectedLine, Host& host);

  // Expands or collapses the project of a project line.
  void ToggleExpanded(int line, Host& host);
  void SetExpanded(std::string_view projectId, bool expanded, Host& host);
  bool IsExpanded(std::string_view projectId) const { return expanded_.count(std::string(projectId)) != 0; }
  // Clears the search and collapses every project.
  void HideSubfolders(Host& host);
  // Applies the search text; empty text hides the subfolders. Each term narrows the projects
  // kept by the ones before it; a project matches a term in its own line or in one of its
  // acquisition lines (the latter then shown expanded).
  void Search(std::string_view text, Host& host);
  bool searching() const { return searchActive_; }

  // Folders of a line: the project folder (both kinds) and the acquisition folder.
  fs::path ProjectFolderOf(int line) const;
  std::optional<fs::path> AcquisitionFolderOf(int line) const;
  // Acquisition lines of the project of `line` in list order (for the basal list and joins).
  std::vector<int> AcquisitionLinesOfProject(int line) const;

  // Context-menu operations on a line, with the operator's dialogs; the list is rebuilt on
  // success. Rename asks for the new name; Archive asks twice and renames the folder.
  bool Rename(int line, Host& host);
  bool Archive(int line, Host& host);

  // Watched folders: captions of the menu items 0..4; SetWatchedFolder asks for a folder and
  // rewrites "foldview.dat" when the answer names an existing folder.
  const std::array<std::string, 5>& watched() const { return watched_; }
  bool SetWatchedFolder(int item, Host& host);

  const fs::path& appDir() const { return appDir_; }

 private:
  std::vector<std::string> ScanProjects() const;
  std::string ProjectLine(const std::string& id, Host& host) const;
  void AddAcquisitionLines(const std::string& id, std::vector<BrowserLine>& out) const;

  fs::path appDir_;
  std::vector<BrowserLine> lines_;
  std::set<std::string> expanded_;
  int order_ = 1;
  bool searchActive_ = false;
  std::set<std::string> matchingProjects_;
  std::optional<std::string> onlyProject_;  // order flipped on an acquisition line
  std::array<std::string, 5> watched_{};
};

}  // namespace movexa
