// The offline signal viewer's model: snapshot, description, pages, re-analysis, group activity.
#include "offline/signal_view.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "acquisition/counts_record.h"
#include "acquisition/data_files.h"
#include "base/date_time.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_folders.h"
#include "project/project_texts.h"

namespace movexa {

static_assert(std::endian::native == std::endian::little,
              "raw blocks are copied into memory as stored (little-endian)");

namespace texts = offline_texts;
namespace ptexts = project_texts;

namespace {

constexpr size_t kBlockValues = static_cast<size_t>(kChannelSlots) * SignalView::kDefaultRtBufferRows;

// Reads a per-channel project file (else its ".bak") and applies its values; a file that
// neither copy gives whole is a problem, and what was wrong with it comes back ("<path>:
// <why>"), empty when it was read.
template <class Read, class Apply>
std::string LoadChannelFile(const fs::path& folder, std::string_view file, Read read, Apply apply,
                            std::vector<std::string>& problems) {
  const fs::path path = folder / file;
  fs::path backup = path;
  backup.replace_extension(".bak");
  std::string error;
  auto text = ReadWholeFile(path, &error);
  if (!text) text = ReadWholeFile(backup);
  if (!text) {
    problems.push_back(std::string(file));
    return error.empty() ? path.string() + ": cannot be read" : error;
  }
  auto parsed = read(*text);
  std::string why;
  if (!parsed.ok()) {
    why = path.string() + ": " + parsed.error;
    // A damaged file: try its backup as a whole before keeping the defaults.
    if (auto other = ReadWholeFile(backup)) {
      auto second = read(*other);
      if (second.ok()) {
        parsed = std::move(second);
        why.clear();
      }
    }
    if (!why.empty()) problems.push_back(std::string(file));
  }
  for (size_t i = 0; i < parsed.values.size() && i < kChannelSlots; ++i) apply(i, parsed.values[i]);
  return why;
}

// Whole raw blocks a raw file of `length` bytes holds, at most eleven.
int64_t BlocksIn(int64_t length) {
  return length < 0 ? 0 : std::min<int64_t>(kBlocksPerRawFile, length / kDefaultRawBlockBytes);
}

// The number of a raw file name ("<digits>.bin"), or -1.
int RawFileNumber(const std::string& name) {
  if (name.size() < 5 || name.size() > 13 || name.substr(name.size() - 4) != ".bin") return -1;
  std::string stem = name.substr(0, name.size() - 4);
  if (!std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoi(stem);
}

}  // namespace

AcquisitionSnapshot LoadAcquisitionSnapshot(const fs::path& folder, const fs::path& appDir) {
  AcquisitionSnapshot s;
  ProjectSettings& p = s.settings;
  bool setupRead = false;
  for (std::string_view file : {ptexts::kSetupFile, ptexts::kSetupBackup}) {
    if (auto text = ReadWholeFile(folder / file)) {
      ProjectSettings attempt;
      if (!ReadSetupText(*text, attempt).failed) {
        p = attempt;
        setupRead = true;
        break;
      }
    }
  }
  if (!setupRead) s.problems.push_back(std::string(ptexts::kSetupFile));
  LoadChannelFile(folder, ptexts::kStatusFile, ParseChannelStatus,
                  [&](size_t i, int16_t v) { p.channelEnabled[i] = v != 0; }, s.problems);
  LoadChannelFile(folder, ptexts::kThresholdFile, ParseThresholds,
                  [&](size_t i, double v) { p.ChannelThreshold[i] = v; }, s.problems);
  std::string groups = LoadChannelFile(
      folder, ptexts::kGroupsFile, ParseGroupNames,
      [&](size_t i, const std::string& v) { p.groupNames[i] = v; }, s.problems);
  std::string channels = LoadChannelFile(
      folder, ptexts::kChannelGroupsFile, ParseChannelGroups,
      [&](size_t i, int16_t v) { p.channelGroup[i] = v; }, s.problems);
  s.groupsProblem = !groups.empty() ? groups : channels;
  if (!IsPlateFormatName(p.Plate_format) ||
      !LoadPlateFormatStrict(appDir, p.Plate_format, s.geometry, s.map).ok) {
    if (!InstallBuiltInPlateFormat(p.Plate_format, s.geometry, s.map)) {
      s.problems.push_back(p.Plate_format + ".dat");
      InstallBuiltInPlateFormat("w96f", s.geometry, s.map);
    }
  }
  return s;
}

int16_t CorrectSnrX10(int organism, int snrX10) {
  if (organism == 3 && (snrX10 < 5 || snrX10 > 10)) return 8;
  if (organism >= 0 && organism <= 2 && snrX10 < 14) return 18;
  return static_cast<int16_t>(snrX10);
}

double CorrectAnalysisSnr(int method, double factor, bool& replaced) {
  replaced = false;
  if (method == 3) {
    if (factor > 1 || factor <= 0 || factor != factor) {
      replaced = true;
      return 0.8;
    }
    return factor;
  }
  if (factor > 6 || factor < 1.1 || factor != factor) {
    replaced = true;
    return 1.8;
  }
  return factor;
}

std::optional<double> ReadFactorText(std::string_view text) {
  std::string t(text);
  std::replace(t.begin(), t.end(), ',', '.');
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str()) return std::nullopt;
  return v;
}

Rgb BeamColour(int beam, int highestBeam) {
  if (highestBeam > 4) {
    auto r = static_cast<uint8_t>(RoundHalfEven(static_cast<double>(beam) / highestBeam * 255.0));
    return {r, static_cast<uint8_t>(255 - r), 0};
  }
  static constexpr Rgb kFew[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {200, 128, 0}};
  return kFew[std::clamp(beam, 0, 3)];
}

std::string_view OrganismName(int organism) {
  if (organism < 0 || organism > 3) return {};
  return texts::kOrganismNames[static_cast<size_t>(organism)];
}

int CountRawFiles(const fs::path& folder) {
  int count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (RawFileNumber(it->path().filename().string()) >= 0) ++count;
  }
  return count;
}

int64_t CountRawBlocks(const fs::path& folder) {
  int64_t blocks = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    int number = RawFileNumber(it->path().filename().string());
    std::error_code typeError;
    if (number < 0 || !it->is_regular_file(typeError)) continue;
    int64_t inFile = BlocksIn(FileLength(it->path()));
    if (inFile > 0) blocks = std::max(blocks, int64_t{kBlocksPerRawFile} * number + inFile);
  }
  return blocks;
}

int PageCount(int64_t rawBlocks) {
  return static_cast<int>(
      std::max<int64_t>(1, (rawBlocks + kPositionsPerPage - 1) / kPositionsPerPage));
}

std::vector<std::string> GroupSelectorEntries(const ProjectSettings& settings, const WellMap& map) {
  std::vector<bool> used(kChannelCount, false);
  for (size_t c = 0; c < kChannelCount; ++c) {
    int g = settings.channelGroup[c];
    if (g >= 0 && g < kChannelCount && map.channelWell[c] >= 0) used[static_cast<size_t>(g)] = true;
  }
  std::vector<std::string> out;
  for (int g = 0; g < kChannelCount; ++g) {
    if (used[static_cast<size_t>(g)]) out.push_back(GroupLabel(g, settings.groupNames[static_cast<size_t>(g)]));
  }
  if (out.empty()) out.push_back(GroupLabel(0, settings.groupNames[0]));
  return out;
}

// ---- SignalView ----

int SignalView::LoadedPositions() const {
  for (int t = kPositionsPerPage; t > 0; --t) {
    if (loaded[static_cast<size_t>(t - 1)]) return t;
  }
  return 0;
}

std::string SignalView::PageText() const {
  return std::to_string(std::max(page, 1)) + "/" + std::to_string(pageCount);
}

int64_t SignalView::FirstSampleOfPage() const {
  return int64_t{std::max(page, 1) - 1} * kSamplesPerPage;
}

std::string SignalView::Caption() const {
  // The start first: a long name (a join's) may run past the picture's edge.
  std::string caption;
  const std::string name = folder.filename().string();
  if (auto start = ParseAcquisitionStamp(
          std::string_view(name).substr(0, std::min<size_t>(13, name.size())))) {
    caption = FormatDateTime(*start, "yyyy-mm-dd hh:mm") + "  ";
  }
  return caption + "\"" + experiment + "\"";
}

int SignalView::SelectedWell() const {
  if (selectedChannel < 0 || selectedChannel >= kChannelCount) return -1;
  return snap.map.channelWell[static_cast<size_t>(selectedChannel)];
}

std::vector<int> SignalView::WellChannels() const {
  std::vector<int> out;
  int well = SelectedWell();
  if (well < 0) return out;
  for (int b = 0; b <= snap.map.highestBeam; ++b) out.push_back(snap.map.FindChannel(well, b));
  return out;
}

void OpenAcquisitionView(SignalView& view, const fs::path& folder, const fs::path& appDir,
                         std::string_view headerLine, const std::function<void(int)>& progress) {
  view.folder = folder;
  view.snap = LoadAcquisitionSnapshot(folder, appDir);
  const ProjectSettings& p = view.snap.settings;
  int organism = p.Mn[kMn1][kOrganism];
  view.snrX10 = CorrectSnrX10(organism, p.Mn[kMn1][kSNRx10]);
  std::string name(OrganismName(organism));
  view.description = {std::string(texts::kProjectHeading),
                      std::string(headerLine),
                      std::string(texts::kConfigHeading),
                      "Microplate format: [" + p.Plate_format + "]",
                      "Acquisition Lapse = " + std::to_string(p.Aq_lapse) + "min",
                      name,
                      "Setting: Mode" + std::to_string(p.DSP_Method) + " [" + name +
                          " SNR=" + FormatNumber(view.snrX10 / 10.0, "0.0") + "]",
                      std::string(texts::kGroupsHeading)};
  for (auto& entry : GroupSelectorEntries(p, view.snap.map)) {
    view.description.push_back("\t<" + entry + "> ");
  }
  view.rawUsable = p.RT_Buffer == kDefaultRtBuffer;
  if (!view.rawUsable) view.description.push_back(std::string(texts::kOtherBinLength));
  view.experiment = ReadSubprojectName(folder);
  view.rawFileCount = CountRawFiles(folder);
  view.rawBlockCount = CountRawBlocks(folder);
  view.pageCount = PageCount(view.rawBlockCount);
  // Start on the first mapped channel so the signal view has a well to show.
  view.selectedChannel = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if (view.snap.map.channelWell[static_cast<size_t>(c)] >= 0) {
      view.selectedChannel = c;
      break;
    }
  }
  view.page = 0;
  LoadPage(view, 1, progress);
}

void LoadPage(SignalView& view, int page, const std::function<void(int)>& progress) {
  page = std::clamp(page, 1, view.pageCount);
  view.page = page;
  view.loaded.fill(false);
  if (view.blocks.size() != kBlockValues * kPositionsPerPage) {
    view.blocks.assign(kBlockValues * kPositionsPerPage, 0);
  }
  const int64_t first = int64_t{page - 1} * kPositionsPerPage;
  int openNumber = -1;
  int fd = -1;
  int64_t blocksInOpenFile = 0;
  for (int t = 0; t < kPositionsPerPage; ++t) {
    if (progress && t % kPositionsPerSection == 0) progress(t / kPositionsPerSection);
    if (!view.rawUsable || first + t >= view.rawBlockCount) continue;
    const RawBlockLocation at = LocateRawBlock(first + t);
    if (at.fileNumber != openNumber) {
      if (fd >= 0) ::close(fd);
      openNumber = at.fileNumber;
      // Regular files only: a FIFO or device named like a raw file would block the read.
      fd = OpenRegularFileForReading(view.folder / RawFileName(at.fileNumber));
      struct stat st {};
      blocksInOpenFile = fd >= 0 && ::fstat(fd, &st) == 0 ? BlocksIn(st.st_size) : 0;
    }
    if (fd < 0 || at.blockInFile >= blocksInOpenFile) continue;
    auto* dest =
        reinterpret_cast<char*>(view.blocks.data() + static_cast<size_t>(t) * kBlockValues);
    const auto offset = static_cast<off_t>(at.blockInFile * kDefaultRawBlockBytes);
    int64_t got = 0;
    while (got < kDefaultRawBlockBytes) {
      ssize_t n =
          ::pread(fd, dest + got, static_cast<size_t>(kDefaultRawBlockBytes - got), offset + got);
      if (n <= 0) break;
      got += n;
    }
    view.loaded[static_cast<size_t>(t)] = got == kDefaultRawBlockBytes;
  }
  if (fd >= 0) ::close(fd);
}

std::vector<int64_t> RecordTimes(std::string_view countsBytes, size_t first, size_t count) {
  std::vector<int64_t> out(count, -1);
  size_t records = countsBytes.size() / kCountsRecordBytes;
  DayWrap wrap;
  for (size_t r = 0; r < records && r < first + count; ++r) {
    int32_t stored;
    std::memcpy(&stored, countsBytes.data() + r * kCountsRecordBytes, 4);
    int64_t t = wrap.Adjust(stored);
    if (r >= first) out[r - first] = t;
  }
  return out;
}

PageAnalysis AnalyzePage(const SignalView& view, int method, double snr) {
  PageAnalysis out;
  out.method = method;
  out.snr = snr;
  out.times.fill(-1);
  if (auto counts = ReadWholeFile(view.folder / texts::kCountsFile, nullptr, kCountsFileMaxBytes)) {
    auto times = RecordTimes(*counts, static_cast<size_t>(view.page - 1) * kPositionsPerPage,
                             kPositionsPerPage);
    std::copy(times.begin(), times.end(), out.times.begin());
  }
  std::vector<int> channels = view.WellChannels();
  int positions = view.LoadedPositions();
  AnalysisScratch scratch;
  for (size_t b = 0; b < channels.size(); ++b) {
    if (channels[b] < 0) continue;
    BeamAnalysis beam;
    beam.channel = channels[b];
    beam.beam = static_cast<int>(b);
    beam.envelope.assign(static_cast<size_t>(positions) * kSamplesPerPosition, 0);
    for (int t = 0; t < positions; ++t) {
      if (!view.loaded[static_cast<size_t>(t)]) continue;
      int16_t n = AnalyzeBin(view.Block(t), beam.channel, snr, method, false, {}, 0, scratch);
      beam.sectionCounts[static_cast<size_t>(t / kPositionsPerSection)] += n;
      std::copy_n(scratch.envelope.begin(), kSamplesPerPosition,
                  beam.envelope.begin() + static_cast<ptrdiff_t>(t) * kSamplesPerPosition);
    }
    out.beams.push_back(std::move(beam));
  }
  return out;
}

GroupActivityTrace GroupActivitySeries(std::string_view countsBytes, const ProjectSettings& settings,
                                  const WellMap& map, int group) {
  GroupActivityTrace out;
  out.group = group;
  // Channels of the group per well.
  std::vector<std::vector<int>> wellChannels;
  for (int w = 0; w <= map.highestWell; ++w) {
    std::vector<int> chans;
    for (int b = 0; b <= map.highestBeam; ++b) {
      int c = map.FindChannel(w, b);
      if (c >= 0 && settings.channelGroup[static_cast<size_t>(c)] == group) chans.push_back(c);
    }
    if (!chans.empty()) {
      out.wells.push_back(w);
      wellChannels.push_back(std::move(chans));
    }
  }
  size_t records = countsBytes.size() / kCountsRecordBytes;
  out.tornBytes = countsBytes.size() % kCountsRecordBytes;
  out.times.resize(records);
  out.wellValues.resize(records * out.wells.size());
  out.groupValues.resize(records);
  DayWrap wrap;
  for (size_t r = 0; r < records; ++r) {
    const char* rec = countsBytes.data() + r * kCountsRecordBytes;
    int32_t stored;
    std::memcpy(&stored, rec, 4);
    out.times[r] = wrap.Adjust(stored);
    out.largestTime = std::max(out.largestTime, out.times[r]);
    double groupSum = 0;
    for (size_t w = 0; w < wellChannels.size(); ++w) {
      int64_t sum = 0;
      for (int c : wellChannels[w]) {
        int16_t v;
        std::memcpy(&v, rec + 4 + 2 * c, 2);
        sum += v;
      }
      double mean = static_cast<double>(sum) / static_cast<double>(wellChannels[w].size());
      out.wellValues[r * out.wells.size() + w] = mean;
      out.largestValue = std::max(out.largestValue, mean);
      groupSum += mean;
    }
    out.groupValues[r] = out.wells.empty() ? 0.0 : groupSum / static_cast<double>(out.wells.size());
  }
  return out;
}

}  // namespace movexa
