// The acquisition browser's scan, lines, search, order and folder operations.
#include "offline/acquisition_browser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fcntl.h>

#include "acquisition/recorder_lock.h"
#include "base/date_time.h"
#include "base/file_io.h"
#include "offline/offline_texts.h"
#include "project/project_folders.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = offline_texts;

namespace {

constexpr size_t kStampLength = 13;
constexpr size_t kMaxSuffix = 6;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> SortedSubfolders(const fs::path& folder) {
  std::vector<std::string> names = ListSubfolders(folder);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool IsProjectFolderName(std::string_view name) {
  if (name.size() != 6 || name[0] != 'p') return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

bool IsAcquisitionFolderName(std::string_view name) {
  if (name.size() < kStampLength || name.size() > kStampLength + kMaxSuffix) return false;
  if (!ParseAcquisitionStamp(name.substr(0, kStampLength))) return false;
  for (char c : name.substr(kStampLength)) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') return false;
  }
  // An archived folder carries "removed" and a twelve-digit date: too long to pass above, but
  // a shortened form must not come back either.
  return name.substr(kStampLength).rfind(texts::kArchiveInfix, 0) != 0 ||
         name.size() == kStampLength;
}

std::vector<std::string> ScanAcquisitionFolders(const fs::path& projectFolder) {
  std::vector<std::string> out;
  for (auto& name : SortedSubfolders(projectFolder)) {
    if (IsAcquisitionFolderName(name)) out.push_back(name);
  }
  return out;
}

std::vector<std::string> ListedAcquisitions(const fs::path& projectFolder) {
  std::vector<std::string> out;
  for (auto& name : ScanAcquisitionFolders(projectFolder)) {
    if (IsFile(projectFolder / name / texts::kCountsFile)) out.push_back(name);
  }
  return out;
}

std::string ProjectLineText(std::string_view firstAcquisition, std::string_view id,
                            std::string_view name) {
  std::string date = firstAcquisition.size() >= 8
                         ? std::string(firstAcquisition.substr(0, 4)) + "." +
                               std::string(firstAcquisition.substr(4, 4))
                         : std::string(texts::kNoDate);
  return "+ " + date + "\t" + std::string(id) + "_" + std::string(name);
}

std::string AcquisitionLineText(std::string_view folderName, std::string_view subprojectName) {
  std::string f(folderName);
  return "  > " + f.substr(0, 4) + "." + f.substr(4, 4) + "\t ACQ" + f.substr(9, 2) + ":" +
         f.substr(11) + " \"" + std::string(subprojectName) + "\"";
}

std::optional<std::string> FolderNameFromLine(std::string_view line) {
  if (IsProjectLine(line)) return std::nullopt;
  size_t gt = line.find('>');
  size_t dot = line.find('.');
  size_t acq = line.find("ACQ");
  if (gt == std::string_view::npos || dot == std::string_view::npos ||
      acq == std::string_view::npos)
    return std::nullopt;
  size_t colon = line.find(':', acq);
  if (colon == std::string_view::npos || gt + 6 > line.size() || dot + 5 > line.size() ||
      acq + 5 > line.size())
    return std::nullopt;
  // The minute and any suffix run up to the blank before the name.
  size_t end = line.find(' ', colon);
  if (end == std::string_view::npos) end = line.size();
  std::string name = std::string(line.substr(gt + 2, 4)) + std::string(line.substr(dot + 1, 4)) +
                     "_" + std::string(line.substr(acq + 3, 2)) +
                     std::string(line.substr(colon + 1, end - colon - 1));
  if (!IsAcquisitionFolderName(name)) return std::nullopt;
  return name;
}

std::string ProjectIdFromLine(std::string_view line) {
  size_t tab = line.find('\t');
  if (!IsProjectLine(line) || tab == std::string_view::npos || tab + 7 > line.size()) return {};
  return std::string(line.substr(tab + 1, 6));
}

std::vector<std::string> SplitSearchTerms(std::string_view text) {
  std::vector<std::string> terms;
  std::string term;
  bool quoted = false;
  size_t i = 0;
  auto finish = [&] {
    if (!term.empty()) terms.push_back(term);
    term.clear();
  };
  for (; i < text.size() && terms.size() < 9; ++i) {
    char c = text[i];
    if (c == '"') {
      quoted = !quoted;
      if (!quoted) finish();
    } else if (c == ' ' && !quoted) {
      finish();
    } else {
      term += c;
    }
  }
  if (terms.size() == 9) {
    // The tenth term is the rest of the text.
    std::string rest = term + std::string(text.substr(i));
    rest.erase(std::remove(rest.begin(), rest.end(), '"'), rest.end());
    size_t a = rest.find_first_not_of(' ');
    size_t b = rest.find_last_not_of(' ');
    if (a != std::string::npos) terms.push_back(rest.substr(a, b - a + 1));
  } else {
    finish();
  }
  return terms;
}

fs::path ArchivePath(const fs::path& acquisitionFolder, const CivilTime& now) {
  fs::path folder = acquisitionFolder;
  if (!folder.has_filename()) folder = folder.parent_path();
  return fs::path(folder.string() + std::string(texts::kArchiveInfix) +
                  FormatDateTime(now, "YYYYMMDDhhss"));
}

bool ArchiveAcquisition(const fs::path& acquisitionFolder, const CivilTime& now,
                        std::string* error) {
  if (auto recording = RecordingInto(acquisitionFolder)) {
    if (error) {
      *error = texts::AcquisitionBeingRecorded(recording->experimentName,
                                               recording->folder.string());
    }
    return false;
  }
  fs::path target = ArchivePath(acquisitionFolder, now);
  std::error_code ec;
  if (!IsDirectory(acquisitionFolder) || fs::exists(target, ec)) {
    if (error) *error = "archive name taken or folder missing: " + target.string();
    return false;
  }
  // renameat2 with RENAME_NOREPLACE refuses an entry that appeared since the test above.
  if (::renameat2(AT_FDCWD, acquisitionFolder.c_str(), AT_FDCWD, target.c_str(),
                  RENAME_NOREPLACE) != 0) {
    if (error) *error = LastOsError();
    return false;
  }
  return true;
}

std::array<std::string, 5> ReadFoldview(const fs::path& appDir) {
  std::array<std::string, 5> captions;
  for (size_t i = 0; i < 5; ++i) captions[i] = std::string(texts::kFolderCaptions[i]);
  auto text = ReadWholeFile(appDir / texts::kFoldviewFile);
  if (!text) return captions;
  size_t pos = 0;
  for (size_t i = 0; i < 5 && pos <= text->size(); ++i) {
    size_t end = text->find('\n', pos);
    std::string line = text->substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && IsDirectory(line)) captions[i] = line;
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return captions;
}

bool WriteFoldview(const fs::path& appDir, const std::array<std::string, 5>& captions,
                   std::string* error) {
  std::string text;
  for (auto& c : captions) text += c + "\r\n";
  return WriteFileAtomic(appDir / texts::kFoldviewFile, text, error);
}

// ---- AcquisitionBrowser ----

void AcquisitionBrowser::Open(Host& host) {
  watched_ = ReadFoldview(appDir_);
  expanded_.clear();
  searchActive_ = false;
  matchingProjects_.clear();
  onlyProject_.reset();
  Build(host);
}

std::vector<std::string> AcquisitionBrowser::ScanProjects() const {
  std::vector<std::string> ids;
  for (auto& name : SortedSubfolders(appDir_)) {
    if (IsProjectFolderName(name)) ids.push_back(name);
  }
  return ids;
}

std::string AcquisitionBrowser::ProjectLine(const std::string& id, Host& host) const {
  fs::path folder = appDir_ / id;
  std::vector<std::string> acquisitions = ScanAcquisitionFolders(folder);
  std::string description = DescribeProject(folder, host);
  size_t colon = description.find(": ");
  std::string name = colon == std::string::npos ? description : description.substr(colon + 2);
  return ProjectLineText(acquisitions.empty() ? "" : acquisitions.front(), id, name);
}

void AcquisitionBrowser::AddAcquisitionLines(const std::string& id,
                                             std::vector<BrowserLine>& out) const {
  fs::path folder = appDir_ / id;
  std::vector<std::string> names = ListedAcquisitions(folder);
  if (order_ == 1) std::reverse(names.begin(), names.end());
  for (auto& name : names) {
    out.push_back({AcquisitionLineText(name, ReadSubprojectName(folder / name)), false, id, name});
  }
}

void AcquisitionBrowser::Build(Host& host) {
  lines_.clear();
  std::vector<std::string> ids = ScanProjects();
  if (order_ == 1) std::reverse(ids.begin(), ids.end());
  for (auto& id : ids) {
    if (onlyProject_ && *onlyProject_ != id) continue;
    if (!IsFile(appDir_ / id / project_texts::kSetupFile)) continue;
    if (searchActive_ && matchingProjects_.count(id) == 0) continue;
    if (!onlyProject_) lines_.push_back({ProjectLine(id, host), true, id, ""});
    if (onlyProject_ || IsExpanded(id)) AddAcquisitionLines(id, lines_);
  }
}

std::vector<std::string> AcquisitionBrowser::LineTexts() const {
  std::vector<std::string> out;
  out.reserve(lines_.size());
  for (auto& l : lines_) out.push_back(l.text);
  return out;
}

int AcquisitionBrowser::Find(std::string_view text) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].text == text) return static_cast<int>(i);
  }
  return -1;
}

std::string_view AcquisitionBrowser::OrderLabel() const {
  return order_ == 1 ? texts::kOrderNewestFirst : texts::kOrderOldestFirst;
}

void AcquisitionBrowser::FlipOrder(int selectedLine, Host& host) {
  order_ = order_ == 1 ? 0 : 1;
  bool onAcquisition = selectedLine >= 0 && selectedLine < static_cast<int>(lines_.size()) &&
                       !lines_[static_cast<size_t>(selectedLine)].project;
  if (onAcquisition) {
    onlyProject_ = lines_[static_cast<size_t>(selectedLine)].projectId;
  } else {
    onlyProject_.reset();
  }
  Build(host);
}

void AcquisitionBrowser::ToggleExpanded(int line, Host& host) {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return;
  const BrowserLine& l = lines_[static_cast<size_t>(line)];
  if (!l.project) return;
  SetExpanded(l.projectId, !IsExpanded(l.projectId), host);
}

void AcquisitionBrowser::SetExpanded(std::string_view projectId, bool expanded, Host& host) {
  if (expanded) {
    expanded_.insert(std::string(projectId));
  } else {
    expanded_.erase(std::string(projectId));
  }
  onlyProject_.reset();
  Build(host);
}

void AcquisitionBrowser::HideSubfolders(Host& host) {
  searchActive_ = false;
  matchingProjects_.clear();
  expanded_.clear();
  onlyProject_.reset();
  Build(host);
}

void AcquisitionBrowser::Search(std::string_view text, Host& host) {
  std::vector<std::string> terms = SplitSearchTerms(text);
  if (terms.empty()) {
    HideSubfolders(host);
    return;
  }
  onlyProject_.reset();
  std::set<std::string> kept;
  struct Candidate {
    std::string id;
    std::string line;
    std::vector<std::string> acquisitions;
  };
  std::vector<Candidate> candidates;
  for (auto& id : ScanProjects()) {
    if (!IsFile(appDir_ / id / project_texts::kSetupFile)) continue;
    Candidate c{id, Lower(ProjectLine(id, host)), {}};
    std::vector<BrowserLine> acq;
    AddAcquisitionLines(id, acq);
    for (auto& a : acq) c.acquisitions.push_back(Lower(a.text));
    candidates.push_back(std::move(c));
  }
  std::set<std::string> throughAcquisitions;
  for (auto& c : candidates) kept.insert(c.id);
  for (auto& term : terms) {
    std::string t = Lower(term);
    std::set<std::string> next;
    for (auto& c : candidates) {
      if (kept.count(c.id) == 0) continue;
      if (c.line.find(t) != std::string::npos) {
        next.insert(c.id);
        continue;
      }
      for (auto& a : c.acquisitions) {
        if (a.find(t) != std::string::npos) {
          next.insert(c.id);
          throughAcquisitions.insert(c.id);
          break;
        }
      }
    }
    kept = std::move(next);
  }
  for (auto& id : throughAcquisitions) {
    if (kept.count(id)) expanded_.insert(id);
  }
  searchActive_ = true;
  matchingProjects_ = std::move(kept);
  Build(host);
}

fs::path AcquisitionBrowser::ProjectFolderOf(int line) const {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return {};
  return appDir_ / lines_[static_cast<size_t>(line)].projectId;
}

std::optional<fs::path> AcquisitionBrowser::AcquisitionFolderOf(int line) const {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return std::nullopt;
  const BrowserLine& l = lines_[static_cast<size_t>(line)];
  if (l.project) return std::nullopt;
  return appDir_ / l.projectId / l.folderName;
}

std::vector<int> AcquisitionBrowser::AcquisitionLinesOfProject(int line) const {
  std::vector<int> out;
  if (line < 0 || line >= static_cast<int>(lines_.size())) return out;
  const std::string& id = lines_[static_cast<size_t>(line)].projectId;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!lines_[i].project && lines_[i].projectId == id) out.push_back(static_cast<int>(i));
  }
  return out;
}

namespace {

// Tells the operator, and is true, when a recorder is writing into `folder`.
bool RefusedWhileRecorded(const fs::path& folder, Host& host) {
  auto recording = RecordingInto(folder);
  if (!recording) return false;
  host.dialogs.Problem(
      texts::AcquisitionBeingRecorded(recording->experimentName, recording->folder.string()));
  return true;
}

}  // namespace

bool AcquisitionBrowser::Rename(int line, Host& host) {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return false;
  BrowserLine l = lines_[static_cast<size_t>(line)];
  fs::path projectFolder = appDir_ / l.projectId;
  std::string stored;
  if (l.project) {
    std::string current = l.text.substr(l.text.find('\t') + 1 + l.projectId.size() + 1);
    std::string answer = host.dialogs.Input(texts::kRenameProjectPrompt, texts::kRename, current);
    if (answer.empty()) return false;
    stored = RenameProjectInSetup(projectFolder, answer, host);
  } else {
    fs::path folder = projectFolder / l.folderName;
    if (RefusedWhileRecorded(folder, host)) return false;
    std::string current = ReadSubprojectName(folder);
    current.erase(std::remove(current.begin(), current.end(), '"'), current.end());
    std::string answer =
        host.dialogs.Input(texts::kRenameAcquisitionPrompt, texts::kRename, current);
    if (answer.empty()) return false;
    stored = IsFile(folder / project_texts::kSubprojectFile)
                 ? RenameSubproject(folder, answer, host)
                 : std::string();
  }
  if (stored.empty()) {
    host.dialogs.Problem(texts::kErrorRenaming);
    return false;
  }
  Build(host);
  return true;
}

bool AcquisitionBrowser::Archive(int line, Host& host) {
  if (line < 0 || line >= static_cast<int>(lines_.size())) return false;
  const BrowserLine& l = lines_[static_cast<size_t>(line)];
  if (l.project) {
    host.dialogs.Problem(texts::kRemoveOnlySubprojects);
    return false;
  }
  if (RefusedWhileRecorded(appDir_ / l.projectId / l.folderName, host)) return false;
  if (host.dialogs.Ask(texts::kRemoveQuestion, Dialogs::Buttons::kYesNo) != Dialogs::Answer::kYes)
    return false;
  if (host.dialogs.Ask(texts::kArchiveWarning, Dialogs::Buttons::kOkCancel) !=
      Dialogs::Answer::kOk)
    return false;
  if (!ArchiveAcquisition(appDir_ / l.projectId / l.folderName, host.clock.Now())) {
    host.dialogs.Problem(texts::kError);
    return false;
  }
  Build(host);
  return true;
}

bool AcquisitionBrowser::SetWatchedFolder(int item, Host& host) {
  if (item < 0 || item > 4) return false;
  std::string answer = host.dialogs.Input(texts::kFolderPrompt, texts::kFolderTitle,
                                          watched_[static_cast<size_t>(item)]);
  if (answer.empty() || !IsDirectory(answer)) return false;
  std::array<std::string, 5> next = watched_;
  next[static_cast<size_t>(item)] = answer;
  if (!WriteFoldview(appDir_, next)) return false;
  watched_ = next;
  return true;
}

}  // namespace movexa
