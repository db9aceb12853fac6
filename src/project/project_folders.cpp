// Operations on project and acquisition folders.
#include "project/project_folders.h"

#include <limits>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "project/project_commit.h"
#include "project/project_files.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = project_texts;

namespace {

constexpr size_t kMaxSetupLines = 51;
constexpr size_t kMaxLine2Fields = 11;

bool IsAcquisitionName(std::string_view name) {
  if (name.size() != 13 || name[8] != '_') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != 8 && (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

// Chronological key of an acquisition folder name: the date and time digits in order.
std::string AcquisitionKey(std::string_view name) {
  return std::string(name.substr(0, 8)) + std::string(name.substr(9, 4));
}

// Copies a file about to be rewritten by a rename to its backup and returns the backup's text;
// nullopt when the copy (shown as "error") or the read fails.
std::optional<std::string> BackUpForRename(const fs::path& file, const fs::path& backup,
                                           Host& host) {
  if (CopyFileChecked(file, backup) != 1) {
    host.dialogs.Problem(texts::kRenameCopyError, Dialogs::Severity::kCritical);
    return std::nullopt;
  }
  return ReadWholeFile(backup);
}

}  // namespace

std::string ProjectFolderName(int projectNumber) {
  return "p" + ZeroPad(projectNumber, 5);
}

fs::path ProjectFolder(const fs::path& appDir, int projectNumber) {
  return appDir / ProjectFolderName(projectNumber);
}

int16_t CountLines(const fs::path& path) {
  auto text = ReadWholeFile(path);
  if (!text) return 0;
  int n = CountLinesIn(*text);
  return static_cast<int16_t>(std::min(n, static_cast<int>(std::numeric_limits<int16_t>::max())));
}

int16_t CopyFileChecked(const fs::path& source, const fs::path& destination) {
  auto content = ReadWholeFile(source);
  if (!content) return -1;
  return WriteFileAtomic(destination, *content) ? 1 : -1;
}

std::string FindLatestAcquisition(const fs::path& folder) {
  bool ok = false;
  std::vector<std::string> names = ListSubfolders(folder, &ok);
  if (!ok) return {};
  std::string best;
  std::string bestKey;
  for (const auto& name : names) {
    if (!IsAcquisitionName(name)) continue;
    std::string key = AcquisitionKey(name);
    if (best.empty() || key > bestKey) {
      best = name;
      bestKey = key;
    }
  }
  return best;
}

std::string DescribeProject(const fs::path& folder, Host& host) {
  FinishPendingSaveOf(folder);
  const fs::path setup = folder / texts::kSetupFile;
  const fs::path backup = folder / texts::kSetupBackup;
  int lines = IsFile(setup) ? CountLines(setup) : 0;
  if (lines < 6 && IsFile(backup)) {
    int backupLines = CountLines(backup);
    if (backupLines > 5 && CopyFileChecked(backup, setup) == 1) {
      lines = backupLines;
      host.dialogs.Problem(texts::kRecoveredFromBackup);
    }
  } else if (lines < 6) {
    std::string latest = FindLatestAcquisition(folder);
    if (!latest.empty()) {
      const fs::path source = folder / latest / texts::kSetupFile;
      int sourceLines = IsFile(source) ? CountLines(source) : 0;
      if (sourceLines > 5 && CopyFileChecked(source, setup) == 1) {
        lines = sourceLines;
        host.dialogs.Problem(std::string(texts::kRecoveredFromPrefix) + (folder / latest).string());
      }
    }
  }
  if (lines < 6) return std::string(texts::kSetupNotFound);
  auto text = ReadWholeFile(setup);
  if (!text) return std::string(texts::kSetupFileError);
  RecordReader in(*text);
  std::string num, name;
  if (!in.Skip(1) || !in.ReadText(num) || !in.ReadText(name)) {
    return std::string(texts::kSetupFileError);
  }
  auto number = ParseInteger(num, 0, 99999);
  if (!number) return std::string(texts::kSetupFileError);
  return std::string(texts::kDescribePrefix) + ZeroPad(*number, 5) + ": " + name;
}

std::string ReadSubprojectName(const fs::path& folder) {
  auto text = ReadWholeFile(folder / texts::kSubprojectFile);
  if (!text) return {};
  // The name stays empty when the first field could not be read.
  return ParseSubproject(*text).name;
}

std::string RenameSubproject(const fs::path& folder, std::string_view newName, Host& host) {
  const fs::path file = folder / texts::kSubprojectFile;
  const fs::path backup = folder / texts::kSubprojectBackup;
  if (!IsFile(file)) return std::string(newName);
  auto text = BackUpForRename(file, backup, host);
  if (!text) return {};
  SubprojectRead old = ParseSubproject(*text);
  if (!old.ok()) return {};
  const std::string stored = StorableText(newName);
  if (!WriteFileAtomic(file, FormatSubproject(stored, old.hasSecond ? &old.second : nullptr))) {
    return {};
  }
  return stored;
}

std::vector<std::string> SplitRawFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool inQuotes = false;
  for (char c : line) {
    if (c == '"') inQuotes = !inQuotes;
    if (c == ',' && !inQuotes) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::string RenameProjectInSetup(const fs::path& folder, std::string_view newName, Host& host) {
  // A save a kill interrupted is finished first, or finishing it later would undo the rename.
  FinishPendingSaveOf(folder);
  const fs::path setup = folder / texts::kSetupFile;
  const fs::path backup = folder / texts::kSetupBackup;
  if (!IsFile(setup)) return std::string(newName);
  auto text = BackUpForRename(setup, backup, host);
  if (!text) return {};
  std::vector<std::string> lines = SplitLines(*text);
  if (lines.size() < 2 || lines.size() > kMaxSetupLines) return {};
  std::vector<std::string> fields = SplitRawFields(lines[1]);
  if (fields.size() < 2 || fields.size() > kMaxLine2Fields) return {};
  const std::string stored = StorableText(newName);
  fields[1] = "\"" + stored + "\"";
  std::string line2;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line2 += ',';
    line2 += fields[i];
  }
  lines[1] = line2;
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  if (!WriteFileAtomic(setup, out)) return {};
  return stored;
}

}  // namespace movexa
