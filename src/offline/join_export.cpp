// Joins and the ASCII export.
#include "offline/join_export.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "acquisition/counts_record.h"
#include "acquisition/recorder_lock.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_settings.h"
#include "project/project_texts.h"
#include "reports/counts_series.h"

namespace movexa {

namespace texts = offline_texts;

std::string JoinSubprojectName(const std::vector<JoinSource>& sources) {
  std::string name(texts::kDataBlock);
  for (auto& s : sources) name += s.line + " + ";
  return name;
}

namespace {

// A part of a join: its folder name, start and whole records.
struct JoinPart {
  JoinSource source;
  int64_t startMs = 0;
  std::string records;  // whole 774-byte records
};

// Project files a joined acquisition carries, from the part that holds a setup.
constexpr std::array<std::string_view, 5> kCarriedFiles = {
    project_texts::kSetupFile, project_texts::kStatusFile, project_texts::kThresholdFile,
    project_texts::kGroupsFile, project_texts::kChannelGroupsFile};

// The text of a project file of `folder`, else of its ".bak".
std::optional<std::string> ProjectFileText(const fs::path& folder, std::string_view file) {
  if (auto text = ReadWholeFile(folder / file)) return text;
  fs::path backup = folder / file;
  backup.replace_extension(".bak");
  return ReadWholeFile(backup);
}

// The plate format of a part's readable setup, or nullopt when it has none.
std::optional<std::string> PlateFormatOf(const fs::path& folder) {
  auto text = ProjectFileText(folder, project_texts::kSetupFile);
  if (!text) return std::nullopt;
  ProjectSettings settings;
  if (ReadSetupText(*text, settings).failed) return std::nullopt;
  return settings.Plate_format;
}

}  // namespace

JoinResult JoinAcquisitions(const fs::path& projectFolder, std::vector<JoinSource> sources,
                            const CivilTime& now) {
  JoinResult out;
  if (sources.size() < 2) {
    out.error = "fewer than two acquisitions";
    return out;
  }
  std::vector<JoinPart> parts;
  for (auto& s : sources) {
    for (auto& p : parts) {
      if (p.source.folderName == s.folderName) {
        out.error = "acquisition " + s.folderName + " is given twice";
        return out;
      }
    }
    // A joined acquisition is named by the moment of its join, not by the start of its times:
    // taken as a part, every one of its records would be shifted by the wrong offset.
    if (auto text = ReadWholeFile(projectFolder / s.folderName / "subproj.dat")) {
      const SubprojectRead sub = ParseSubproject(*text);
      if (sub.ok() && sub.hasSecond && sub.second == texts::kJointFiles) {
        out.error = s.folderName +
                    " is itself a joined acquisition: join the acquisitions it was made of instead";
        return out;
      }
    }
    auto start = ParseAcquisitionStamp(std::string_view(s.folderName).substr(0, 13));
    if (!start) {
      out.error = s.folderName + " does not name a start time (yyyymmdd_hhmm)";
      return out;
    }
    parts.push_back({s, ToEpochMs(*start), {}});
  }
  // Start order; parts of one minute (suffixed folder names) keep their name order.
  std::stable_sort(parts.begin(), parts.end(), [](const JoinPart& a, const JoinPart& b) {
    return a.startMs != b.startMs ? a.startMs < b.startMs
                                  : a.source.folderName < b.source.folderName;
  });

  // Every part is read, and found whole enough, before anything is created: a joined
  // acquisition silently missing a part would report as if it were whole.
  std::optional<std::string> plate;
  for (auto& part : parts) {
    const fs::path folder = projectFolder / part.source.folderName;
    const fs::path countsPath = folder / texts::kCountsFile;
    std::string readError;
    auto file = ReadCountsFile(countsPath, readError);
    if (!file) {
      out.error = "cannot read " + countsPath.string() + ": " + readError;
      return out;
    }
    if (file->bytes.empty()) {
      out.error = countsPath.string() + ": no whole 774-byte record";
      return out;
    }
    if (file->tornBytes > 0) out.notes.push_back(TornTailNote(countsPath, file->tornBytes));
    part.records = std::move(file->bytes);
    if (auto format = PlateFormatOf(folder)) {
      if (!plate) {
        plate = format;
        out.projectFilesFrom = part.source.folderName;
      } else if (*plate != *format) {
        out.error = part.source.folderName + " was recorded on plate format " + *format + ", " +
                    out.projectFilesFrom + " on " + *plate +
                    ": acquisitions of different plates cannot be joined";
        return out;
      }
    }
  }
  if (out.projectFilesFrom.empty()) {
    out.error = "no part holds a readable setup.dat: the joined acquisition could not be reported";
    return out;
  }

  sources.clear();
  std::string joined;
  const int64_t earliest = parts.front().startMs;
  for (auto& part : parts) {
    sources.push_back(part.source);
    const int64_t offset = RoundHalfEvenDiv(part.startMs - earliest, 60000);
    const size_t records = part.records.size() / kCountsRecordBytes;
    for (size_t r = 0; r < records; ++r) {
      const char* rec = part.records.data() + r * kCountsRecordBytes;
      int32_t stored;
      std::memcpy(&stored, rec, 4);
      int64_t t = std::clamp<int64_t>(stored + offset, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max());
      auto t32 = static_cast<int32_t>(t);
      size_t at = joined.size();
      joined.append(rec, kCountsRecordBytes);
      std::memcpy(joined.data() + at, &t32, 4);
    }
    part.records.clear();
  }
  // A fresh folder by the recorder's own rule (the first free minute from now on): another
  // program's folder of the same minute is never written into, and the joined acquisition's
  // name is a plain start stamp that every reader takes.
  std::string folderError;
  const std::string name = CreateFreshAcquisitionFolder(projectFolder, now, folderError);
  if (name.empty()) {
    out.error = "cannot create a folder in " + projectFolder.string() + ": " + folderError;
    return out;
  }
  out.folder = projectFolder / name;
  auto written = [&] {
    std::string second(texts::kJointFiles);
    if (!WriteFileAtomic(out.folder / project_texts::kSubprojectFile,
                         FormatSubproject(JoinSubprojectName(sources), &second), &out.error)) {
      return false;
    }
    const fs::path from = projectFolder / out.projectFilesFrom;
    for (std::string_view file : kCarriedFiles) {
      auto text = ProjectFileText(from, file);
      if (text && !WriteFileAtomic(out.folder / file, *text, &out.error)) return false;
    }
    // Last: the browser lists a folder once it holds "counts.bin".
    return WriteFileAtomic(out.folder / texts::kCountsFile, joined, &out.error);
  };
  if (!written()) {
    std::error_code ec;
    fs::remove_all(out.folder, ec);
    return out;
  }
  out.records = joined.size() / kCountsRecordBytes;
  out.ok = true;
  return out;
}

ExportResult ExportAscii(const fs::path& file, const SignalView& view,
                         std::string_view projectDescription) {
  ExportResult out;
  out.file = file;
  int positions = view.LoadedPositions();
  int well = view.SelectedWell();
  if (positions == 0 || well < 0) {
    out.error = "no raw samples loaded for the selected well";
    return out;
  }
  std::vector<int> channels = view.WellChannels();
  std::string label = WellLabel(well, view.snap.geometry.rows);
  double first = (view.page - 1) * kSamplesPerPage / 1000.0;
  double last = view.page * kSamplesPerPage / 1000.0;
  auto k = [](double v) {
    std::string s = FormatNumber(v, "0.0");
    if (s.size() > 2 && s.substr(s.size() - 2) == ".0") s.resize(s.size() - 2);
    return s;
  };
  std::string text;
  text.reserve(static_cast<size_t>(positions) * kSamplesPerPosition * channels.size() * 6 + 512);
  text += "\"" + std::string(projectDescription) + "\"\r\n";
  text += "\"" + view.folder.string() + "\"\r\n\r\n";
  text += "Well: " + label + " Page[" + view.PageText() + "] [#" + k(first) + "k-" + k(last) +
          "k]\r\n\r\n";
  for (size_t b = 0; b < channels.size(); ++b) {
    if (channels[b] >= 0) text += label + "." + std::to_string(b) + " ";
  }
  text += "\r\n";
  for (int t = 0; t < positions; ++t) {
    if (!view.loaded[static_cast<size_t>(t)]) continue;
    RawBlockView block = view.Block(t);
    for (int s = 0; s < kSamplesPerPosition; ++s) {
      for (int c : channels) {
        if (c < 0) continue;
        text += std::to_string(block.At(c, s));
        text += ' ';
      }
      text += "\r\n";
    }
  }
  if (!WriteFileAtomic(file, text, &out.error)) return out;
  out.ok = true;
  return out;
}

}  // namespace movexa
