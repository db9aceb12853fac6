// Joins and the ASCII export.
#include "offline/join_export.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "acquisition/counts_record.h"
#include "acquisition/recorder_lock.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = offline_texts;

std::string JoinSubprojectName(const std::vector<JoinSource>& sources) {
  std::string name(texts::kDataBlock);
  for (auto& s : sources) name += s.line + " + ";
  return name;
}

JoinResult JoinAcquisitions(const fs::path& projectFolder, const std::vector<JoinSource>& sources,
                            const CivilTime& now) {
  JoinResult out;
  if (sources.size() < 2) {
    out.error = "fewer than two acquisitions";
    return out;
  }
  // Earliest start, starting from the present time plus one day.
  int64_t earliest = ToEpochMs(AddMinutes(now, 1440));
  std::vector<int64_t> starts;
  for (auto& s : sources) {
    auto t = ParseAcquisitionStamp(std::string_view(s.folderName).substr(0, 13));
    starts.push_back(t ? ToEpochMs(*t) : earliest);
    earliest = std::min(earliest, starts.back());
  }
  std::string joined;
  for (size_t i = 0; i < sources.size(); ++i) {
    int64_t offset = RoundHalfEvenDiv(starts[i] - earliest, 60000);
    // A source whose activity file cannot be read ends the join before anything is created:
    // a joined acquisition silently missing a part would report as if it were whole.
    const fs::path countsPath = projectFolder / sources[i].folderName / texts::kCountsFile;
    std::string readError;
    auto bytes = ReadWholeFile(countsPath, &readError, kCountsFileMaxBytes);
    if (!bytes) {
      out.error = "cannot read " + countsPath.string() + ": " + readError;
      return out;
    }
    size_t records = bytes->size() / kCountsRecordBytes;
    if (records == 0) out.unreadable.push_back(sources[i].folderName);
    for (size_t r = 0; r < records; ++r) {
      const char* rec = bytes->data() + r * kCountsRecordBytes;
      int32_t stored;
      std::memcpy(&stored, rec, 4);
      int64_t t = std::clamp<int64_t>(stored + offset, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max());
      auto t32 = static_cast<int32_t>(t);
      size_t at = joined.size();
      joined.append(rec, kCountsRecordBytes);
      std::memcpy(joined.data() + at, &t32, 4);
    }
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
  std::string second(texts::kJointFiles);
  if (!WriteFileAtomic(out.folder / project_texts::kSubprojectFile,
                       FormatSubproject(JoinSubprojectName(sources), &second), &out.error) ||
      !WriteFileAtomic(out.folder / texts::kCountsFile, joined, &out.error)) {
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
