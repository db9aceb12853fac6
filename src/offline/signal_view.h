// The offline signal viewer's model: a recorded acquisition opened for viewing (its project
// snapshot, the corrected detection setting, the description lines, the raw file and page
// counts), its raw signal pages, the re-count of a page with another method or SNR factor, and
// the group-activity series read from "counts.bin". Nothing here writes a file.
//
// Pages. A page shows 50 block positions (25,000 samples) of the run's raw blocks in their
// recorded order: page p holds raw blocks 50(p - 1) .. 50p - 1, and raw block i of a run is
// block i mod 11 of raw file i div 11 and record i of "counts.bin". A page therefore may
// start inside a raw file and reach into a sixth one, but every block of the run is shown
// once, on one page, and position t of page p takes its time from record 50(p - 1) + t, the
// very bin it was recorded in. The page count is the run's raw block count divided by 50
// rounded up (at least 1); page 1 is loaded also when no raw file exists.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/analysis_module.h"
#include "base/canvas.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

namespace fs = std::filesystem;

inline constexpr int kPositionsPerPage = 50;
// The page's five sections of ten positions (the progress bar's steps and the analysis's
// event totals).
inline constexpr int kSectionsPerPage = 5;
inline constexpr int kPositionsPerSection = kPositionsPerPage / kSectionsPerPage;  // 10
inline constexpr int kSamplesPerPosition = 500;
inline constexpr int kSamplesPerPage = kPositionsPerPage * kSamplesPerPosition;  // 25000

// The project files an acquisition folder holds, read with their ".bak" as fallback, and the
// plate format they name (the application folder's file, else the built-in map).
struct AcquisitionSnapshot {
  ProjectSettings settings;
  PlateGeometry geometry;
  WellMap map;
  std::vector<std::string> problems;  // files that could not be read (defaults used)
  // Why the acquisition's groups are not its own: "<path>: <what was wrong>" for a
  // "groups.dat" or "chgroup.dat" that could be read neither from itself nor from its ".bak"
  // (the default groups stand in); empty when both were read.
  std::string groupsProblem;
};
AcquisitionSnapshot LoadAcquisitionSnapshot(const fs::path& folder, const fs::path& appDir);

// The detection setting of a snapshot made usable: organism 3 with SNRx10 outside 5..10 gets 8;
// organisms 0..2 with SNRx10 below 14 get 18; other organisms keep theirs.
int16_t CorrectSnrX10(int organism, int snrX10);
// The analysis box's factor for `method`: for method 3 above 1 (or not above 0) it becomes 0.8;
// for the others above 6 or below 1.1 it becomes 1.8. `replaced` tells the box to show it.
double CorrectAnalysisSnr(int method, double factor, bool& replaced);
// The box text read as a factor ("," as the decimal point); nullopt when it is no number.
std::optional<double> ReadFactorText(std::string_view text);

// Colour of beam i of a well whose highest beam index is n: a red-to-green ramp for n > 4,
// else red, blue, green, orange.
Rgb BeamColour(int beam, int highestBeam);
// Organism name of the description; empty for unknown codes.
std::string_view OrganismName(int organism);

// Number of raw files ("<n>.bin" other than "counts.bin") in the folder.
int CountRawFiles(const fs::path& folder);
// Raw blocks of the run the folder's raw files reach: 11 n + the whole blocks of file n (at
// most 11) for the highest-numbered regular raw file n; 0 without one.
int64_t CountRawBlocks(const fs::path& folder);
// Pages of 50 positions for `rawBlocks` blocks (at least 1).
int PageCount(int64_t rawBlocks);

// Group selector entries of the viewer (groups in use, in the label form "000_Name"; group 0's
// label when none is in use).
std::vector<std::string> GroupSelectorEntries(const ProjectSettings& settings, const WellMap& map);

struct SignalView {
  fs::path folder;
  AcquisitionSnapshot snap;
  int16_t snrX10 = 18;  // corrected
  std::vector<std::string> description;
  std::string experiment;  // the name in "subproj.dat"
  int rawFileCount = 0;
  int64_t rawBlockCount = 0;
  int pageCount = 1;
  int page = 0;  // 0 until a page is loaded (viewer mode)
  bool rawUsable = true;  // false when the bins are not of 500 samples
  // Raw blocks of the page as stored (385 x 501 values each), position-major.
  std::vector<int16_t> blocks;
  std::array<bool, kPositionsPerPage> loaded{};
  int selectedChannel = 0;

  bool viewerMode() const { return page > 0; }
  RawBlockView Block(int position) const {
    return RawBlockView{blocks.data() + static_cast<size_t>(position) * kChannelSlots *
                                            kDefaultRtBufferRows,
                        kDefaultRtBufferRows};
  }
  int LoadedPositions() const;  // one past the last loaded position
  // The page box text "p/n".
  std::string PageText() const;
  // First sample of the page in the run: 25,000 (page - 1).
  int64_t FirstSampleOfPage() const;
  // The picture's caption: the start date and time read from the folder name and the
  // experiment name in quotes ("2024-03-19 12:30  \"dose\"").
  std::string Caption() const;
  // Well of the selected channel and the channels of its beams 0..n (-1 where none).
  int SelectedWell() const;
  std::vector<int> WellChannels() const;
  static constexpr int kDefaultRtBufferRows = 501;
};

// Opens an acquisition: snapshot, corrected setting, description (its first item the given
// project-and-acquisition text), raw file, block and page counts, then page 1 (`progress` as
// for LoadPage).
void OpenAcquisitionView(SignalView& view, const fs::path& folder, const fs::path& appDir,
                         std::string_view headerLine,
                         const std::function<void(int)>& progress = {});
// Loads page p (1..page count): raw blocks 50(p - 1) .. 50p - 1 of the run from their files,
// never past a file's end (a missing file gives no blocks, a short file fewer). Only regular
// files are read: a FIFO, device or folder in place of a raw file is a missing file, never
// waited on. `progress` is called with k = 0..4 before each section of ten positions is read.
void LoadPage(SignalView& view, int page, const std::function<void(int)>& progress = {});

// Re-count of the loaded page for the beams of the selected well.
struct BeamAnalysis {
  int channel = -1;
  int beam = 0;
  std::array<int64_t, kSectionsPerPage> sectionCounts{};  // events per ten positions
  std::vector<int16_t> envelope;                    // 500 per position, positions in order
};
struct PageAnalysis {
  int method = 0;
  double snr = 1.8;
  std::vector<BeamAnalysis> beams;
  std::array<int64_t, kPositionsPerPage> times{};  // minutes of each position; -1 unknown
};
PageAnalysis AnalyzePage(const SignalView& view, int method, double snr);
// The day-wrap adjusted times of records first .. first + count - 1 of "counts.bin" bytes
// (-1 past the last whole record).
std::vector<int64_t> RecordTimes(std::string_view countsBytes, size_t first, size_t count);

// Group activity over the whole acquisition: one value per record for each well holding
// channels of the group (the mean of those channels' counts) and for the group (the mean of
// its wells), against the day-wrap adjusted time.
struct GroupActivityTrace {
  int group = -1;
  std::vector<int> wells;
  std::vector<int64_t> times;
  std::vector<double> wellValues;  // record-major, wells.size() per record
  std::vector<double> groupValues;
  int64_t largestTime = 0;
  double largestValue = 0;
  size_t tornBytes = 0;  // a partial last record, ignored
};
GroupActivityTrace GroupActivitySeries(std::string_view countsBytes, const ProjectSettings& settings,
                                  const WellMap& map, int group);

}  // namespace movexa
