// Raw data re-analysis: detection over the raw blocks, the all-or-nothing replacement of
// "counts.bin" and "setup.dat", staged mark files, and the report of the new counts.
#include "reports/raw_reanalysis.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <limits>
#include <memory>

#include "acquisition/analysis_module.h"
#include "acquisition/counts_record.h"
#include "acquisition/data_files.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "base/worker_pool.h"
#include "project/project_folders.h"
#include "reports/acquisition_tables.h"
#include "reports/recorded_counts.h"
#include "reports/report_texts.h"

namespace movexa {

namespace rt = report_text;

namespace {

// Mark files staged by one re-analysis: a line per detected event, far below this.
constexpr int64_t kMarkFileMaxBytes = int64_t{1} << 30;

// Channels a thread takes at a time from a block: enough work to outweigh the hand-out.
constexpr int kChannelsPerChunk = 16;
constexpr size_t kChunks = (kChannelCount + kChannelsPerChunk - 1) / kChannelsPerChunk;

// Mark files are written here while the analysis runs and appended to the acquisition's own
// mark files only when it completes, so that STOP or a missing raw block leaves them as they
// were.
constexpr const char* kMarkStaging = ".reanalysis-marks";

std::string BlockText(int64_t done, int64_t total) {
  return std::string(rt::kBlock) + std::to_string(done) + "/" + std::to_string(total);
}

std::string RawBlockMissing(int64_t record, const std::filesystem::path& file) {
  return std::string(rt::kRawBlockMissing1) + std::to_string(record + 1) +
         std::string(rt::kRawBlockMissing2) + file.string() + std::string(rt::kRawBlockMissing3);
}

// Reads raw blocks in record order, one file open at a time.
class RawBlockReader {
 public:
  explicit RawBlockReader(std::filesystem::path folder)
      : folder_(std::move(folder)), block_(static_cast<size_t>(kDefaultRawBlockBytes / 2)) {}
  ~RawBlockReader() { Close(); }
  RawBlockReader(const RawBlockReader&) = delete;
  RawBlockReader& operator=(const RawBlockReader&) = delete;

  std::filesystem::path FileOf(int64_t record) const {
    return folder_ / RawFileName(LocateRawBlock(record).fileNumber);
  }
  // Reads the block of `record`; false when its file is missing or too short.
  bool Read(int64_t record) {
    const RawBlockLocation at = LocateRawBlock(record);
    if (at.fileNumber != openNumber_) {
      Close();
      // Regular files only: a FIFO or a device in place of a raw file is a missing block.
      const int fd = OpenRegularFileForReading(FileOf(record));
      if (fd < 0) return false;
      file_ = ::fdopen(fd, "rb");
      if (!file_) {
        ::close(fd);
        return false;
      }
      openNumber_ = at.fileNumber;
    }
    if (std::fseek(file_, static_cast<long>(at.blockInFile * kDefaultRawBlockBytes), SEEK_SET) != 0) return false;
    if (std::fread(block_.data(), 1, kDefaultRawBlockBytes, file_) != static_cast<size_t>(kDefaultRawBlockBytes)) {
      return false;
    }
    if constexpr (std::endian::native == std::endian::big) {
      for (auto& v : block_) v = static_cast<int16_t>((static_cast<uint16_t>(v) >> 8) | (static_cast<uint16_t>(v) << 8));
    }
    return true;
  }
  RawBlockView View() const { return RawBlockView{block_.data(), kDefaultRawBlockSamples}; }

 private:
  void Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    openNumber_ = -1;
  }
  std::filesystem::path folder_;
  std::vector<int16_t> block_;
  std::FILE* file_ = nullptr;
  int openNumber_ = -1;
};

// Checks before the run that every record up to `records` has its raw block; returns the
// first record without one, or -1.
int64_t FirstMissingBlock(const RawBlockReader& reader, int64_t records) {
  for (int64_t i = 0; i < records; ++i) {
    const RawBlockLocation at = LocateRawBlock(i);
    if (FileLength(reader.FileOf(i)) < (at.blockInFile + 1) * kDefaultRawBlockBytes) return i;
  }
  return -1;
}

bool CommitMarks(const std::filesystem::path& staging, const std::filesystem::path& folder,
                 std::string& error) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(staging, ec)) {
    auto content = ReadWholeFile(entry.path(), &error, kMarkFileMaxBytes);
    if (!content || !AppendToFile(folder / entry.path().filename(), *content, &error)) return false;
  }
  std::filesystem::remove_all(staging, ec);
  return true;
}

// Six numbers of a setup value line, or empty.
std::vector<int64_t> SixNumbers(const std::string& line) {
  std::vector<int64_t> values;
  for (const auto& f : SplitRawFields(line)) {
    auto v = ParseInteger(f, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    if (!v) return {};
    values.push_back(*v);
  }
  if (values.size() < 6) return {};
  values.resize(6);
  return values;
}

std::string JoinNumbers(const std::vector<int64_t>& values) {
  std::string line;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) line += ',';
    line += std::to_string(values[i]);
  }
  return line;
}

std::string ReplaceQuestion(const std::filesystem::path& folder) {
  const std::string br(rt::kLineBreak);
  return std::string(rt::kReplaceQuestion1) + (folder / "counts.bin").string() +
         std::string(rt::kReplaceQuestion2) + br +
         std::string(HasRecordedCounts(folder) ? rt::kReplaceKeptAlready
                                               : rt::kReplaceKeepsRecorded) +
         br + br + std::string(rt::kReplaceQuestion3);
}

}  // namespace

std::string UpdatedSetupText(const std::string& setupText, int method, int organism, int snrX10) {
  std::vector<std::string> lines = SplitLines(setupText);
  if (lines.size() < 10) return {};
  std::vector<int64_t> line4 = SixNumbers(lines[3]);
  std::vector<int64_t> line10 = SixNumbers(lines[9]);
  if (line4.empty() || line10.empty()) return {};
  line4[4] = method;
  line10[0] = organism;
  line10[3] = snrX10;
  lines[3] = JoinNumbers(line4);
  lines[9] = JoinNumbers(line10);
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

int64_t DataLapseMinutes(const ReportRequest& request, std::string* shown) {
  if (shown) *shown = request.dataLapseText;
  // "Replace old data" re-analyses every record, however long the acquisition.
  if (request.replaceData) return std::numeric_limits<int64_t>::max();
  auto hours = ParseOperatorNumber(request.dataLapseText);
  int64_t minutes = hours ? RoundHalfEven(*hours * 60.0) : 0;
  if (minutes < kMinimumDataLapseMinutes) {
    minutes = kMinimumDataLapseMinutes;
    if (shown) *shown = FormatNumber(kMinimumDataLapseMinutes / 60.0, "0.00");
  }
  return minutes;
}

ReanalysisOutcome RunRawReanalysis(const ReportRequest& request, bool& stopRequested, Host& host,
                                   int threads) {
  ReanalysisOutcome out;
  stopRequested = false;
  const int64_t lapse = DataLapseMinutes(request, &out.dataLapseShown);
  const auto& folder = request.acquisitionFolder;
  const auto countsPath = folder / "counts.bin";
  auto fail = [&](std::string message, std::string detail = {}) {
    out.report = FailReport(host, std::move(message), std::move(detail));
    return out;
  };
  if (request.method < 0 || request.method > 3 || request.organism < 0 || request.organism > 3) {
    return fail(ExplainedMessage(rt::kReportError, "The method or organism is outside 0..3.",
                                 "Choose a method and an organism from the lists."),
                "method or organism outside 0..3");
  }
  const std::string thresholdText = CheckThresholdText(request.organism, request.thresholdText);
  const double snr = ParseOperatorNumber(thresholdText).value_or(1.8);
  if (!IsFile(countsPath)) return fail(std::string(rt::kActivityFileNotFound));
  std::string error;
  // A recorder still appends to this acquisition's counts: replacing them now would lose bins.
  if (request.replaceData && !RecordedCountsMayChange(folder, error)) return fail(error, error);
  auto file = ReadCountsFile(countsPath, error);
  if (!file) return fail(std::string(rt::kErrorReading) + countsPath.string(), error);
  if (file->tornBytes > 0)
    host.status.SetStatus(rt::kStatusLabel, TornTailNote(countsPath, file->tornBytes));
  std::optional<std::string> bytes(std::move(file->bytes));

  // First pass: the records up to the first one at or past the lapse.
  const LoadedCounts all = LoadAllCounts(*bytes);
  size_t records = 0;
  int64_t lastTime = 0;
  while (records < all.size()) {
    lastTime = records == 0 ? all.times[0] : std::max(lastTime, all.times[records]);
    if (all.times[records++] >= lapse) break;
  }
  BinChoice bin = ChooseReportBin(request.binText, lastTime);
  if (!bin.ok)
    return fail(BinNotANumberMessage(request.binText),
                "bin \"" + request.binText + "\" is not a number");
  bin.minutes = std::max<int64_t>(bin.minutes, 2);

  AcquisitionTables acquisition;
  ReportOutcome failed;
  if (!LoadTablesForReport(request, acquisition, failed, host)) {
    out.report = failed;
    return out;
  }
  const ReportProjectTables& project = acquisition.tables;
  // The raw files hold one block of 385 x (RT_Buffer + 1) samples per bin. The analysis reads
  // blocks of 500 samples; blocks of any other length would be read out of step and give
  // counts that look plausible but are wrong, so such an acquisition is refused.
  if (acquisition.setup.rtBuffer != kDefaultRtBuffer) {
    return fail(std::string(rt::kRawBinLength1) + std::to_string(acquisition.setup.rtBuffer) +
                std::string(rt::kRawBinLength2));
  }
  const auto total = static_cast<int64_t>(records);
  host.status.SetStatus(rt::kStatusLabel, BlockText(0, total));

  RawBlockReader reader(folder);
  if (int64_t missing = FirstMissingBlock(reader, total); missing >= 0) {
    return fail(RawBlockMissing(missing, reader.FileOf(missing)));
  }
  // Replacing the counts is asked first; the recorded ones are kept aside (and can be
  // restored from the acquisition browser).
  if (request.replaceData && !request.replaceConfirmed &&
      host.dialogs.Ask(ReplaceQuestion(folder), Dialogs::Buttons::kYesNo) !=
          Dialogs::Answer::kYes) {
    out.report.status = ReportStatus::kDeclined;
    return out;
  }
  const auto staging = folder / kMarkStaging;
  std::error_code ec;
  std::filesystem::remove_all(staging, ec);
  if (request.exportRaw) std::filesystem::create_directories(staging, ec);

  LoadedCounts processed;
  processed.Resize(records);
  // The channels of each block are shared out among the threads in chunks; every channel's
  // count and mark line depend on its own samples only, so the files come out byte for byte
  // as from one thread (each channel's mark file is still appended in record order).
  WorkerPool pool(threads);
  std::vector<std::unique_ptr<AnalysisScratch>> scratch;
  for (int w = 0; w < pool.Threads(); ++w) scratch.push_back(std::make_unique<AnalysisScratch>());
  for (size_t i = 0; i < records; ++i) {
    host.status.SetStatus(rt::kStatusLabel, BlockText(static_cast<int64_t>(i) + 1, total));
    if (!reader.Read(static_cast<int64_t>(i))) {
      std::filesystem::remove_all(staging, ec);
      return fail(RawBlockMissing(static_cast<int64_t>(i), reader.FileOf(static_cast<int64_t>(i))));
    }
    processed.times[i] = all.times[i];
    processed.temperature[i] = all.temperature[i];
    int16_t* counts = processed.Record(i);
    // A record stored with a time below the one before it gets no counts.
    const bool backwards = i > 0 && StoredTimeOf(*bytes, i) < StoredTimeOf(*bytes, i - 1);
    const RawBlockView view = reader.View();
    pool.ForEach(kChunks, [&](size_t chunk, int worker) {
      AnalysisScratch& own = *scratch[static_cast<size_t>(worker)];
      const int first = static_cast<int>(chunk) * kChannelsPerChunk;
      for (int c = first; c < std::min(first + kChannelsPerChunk, kChannelCount); ++c) {
        const int well = project.channelWell[c];
        if (backwards || well < 0 || project.ChannelAt(well, 0) < 0) {
          counts[c] = 0;
          continue;
        }
        counts[c] = AnalyzeBin(view, c, snr, request.method, request.exportRaw, staging,
                               static_cast<int32_t>(all.times[i]), own);
      }
    });
    host.pacer.PumpEvents();
    if (stopRequested) {
      std::filesystem::remove_all(staging, ec);
      out.report.status = ReportStatus::kStopped;
      return out;
    }
  }
  out.recordsProcessed = total;
  // A mark line that could not be staged would leave the exported files short without a word.
  for (const auto& own : scratch) {
    if (request.exportRaw && own->exportFailures > 0) {
      std::filesystem::remove_all(staging, ec);
      return fail(ExplainedMessage(rt::kReportError, std::string(rt::kWhyMarks) + own->exportError,
                                   rt::kNextWrite),
                  own->exportError);
    }
  }
  if (request.exportRaw && !CommitMarks(staging, folder, error)) {
    return fail(
        ExplainedMessage(rt::kReportError, std::string(rt::kWhyMarks) + error, rt::kNextWrite),
        error);
  }

  std::string setting;
  if (request.replaceData) {
    host.status.SetStatus(rt::kStatusLabel, rt::kSaving);
    std::string replaced = *bytes;
    std::string record;
    CountsRecord r;
    for (size_t j = 0; j < records; ++j) {
      DecodeCountsRecord(*bytes, j * kCountsRecordBytes, r);
      r.minutes = static_cast<int32_t>(processed.times[j]);
      std::copy(processed.Record(j), processed.Record(j) + kChannelCount, r.values.begin());
      record.clear();
      EncodeCountsRecord(r, record);
      replaced.replace(j * kCountsRecordBytes, kCountsRecordBytes, record);
      host.status.SetStatus(rt::kStatusLabel, BlockText(static_cast<int64_t>(j) + 1, total));
    }
    // The recorded counts are kept before anything is replaced, and the new file is complete
    // on disk before it takes the old one's place.
    if (!KeepRecordedCounts(folder, error)) {
      return fail(ExplainedMessage(rt::kReportError, std::string(rt::kRecordedNotKept) + error,
                                   rt::kNextWrite),
                  error);
    }
    if (!WriteFileAtomic(countsPath, replaced, &error)) {
      return fail(
          ExplainedMessage(rt::kReportError, std::string(rt::kWhyWrite) + error, rt::kNextWrite),
          error);
    }
    out.countsReplaced = true;

    const auto setupPath = folder / "setup.dat";
    auto setupText = ReadWholeFile(setupPath, &error);
    const std::string updated =
        setupText ? UpdatedSetupText(*setupText, request.method, request.organism,
                                     static_cast<int>(RoundHalfEven(snr * 10.0)))
                  : std::string();
    if (updated.empty() || !WriteFileAtomic(folder / "setup.bak", *setupText, &error) ||
        !WriteFileAtomic(setupPath, updated, &error)) {
      host.dialogs.Problem(rt::kErrorUpdatingSetup, Dialogs::Severity::kCritical);
    } else {
      out.setupUpdated = true;
    }
    setting = SettingText(acquisition.setup);
    if (auto again = ReadWholeFile(setupPath)) {
      auto parsed = ParseAcquisitionSetup(*again);
      if (parsed.ok) setting = SettingText(parsed.value);
    }
  } else {
    setting = std::string(rt::kMethodList[static_cast<size_t>(request.method)]) + " " +
              std::string(rt::kOrganismList[static_cast<size_t>(request.organism)]) + " [SNR=" +
              thresholdText + "]";
  }
  out.report = ReportFromCounts(request, acquisition, processed, bin.minutes, setting, false, host);
  return out;
}

bool RawDataPresent(const std::filesystem::path& acquisitionFolder) {
  return IsFile(acquisitionFolder / RawFileName(0));
}

bool ActivityFilePresent(const std::filesystem::path& acquisitionFolder) {
  return IsFile(acquisitionFolder / "counts.bin");
}

ReportOutcome GenerateAutomaticReport(ReportRequest request, bool rawExport, bool& stopRequested,
                                      Host& host,
                                      const std::function<void(const ReportRequest&)>& beforeRawExport) {
  request.autoreport = true;
  ReportOutcome outcome = GenerateReport(request, host);
  host.pacer.PauseMs(1500);
  if (rawExport) {
    if (!RawDataPresent(request.acquisitionFolder)) {
      host.dialogs.Problem(rt::kRealTimeDataNotFound);
    } else {
      host.pacer.PauseMs(1000);
      CheckExportRaw(request);
      if (beforeRawExport) beforeRawExport(request);
      RunRawReanalysis(request, stopRequested, host);
      host.pacer.PauseMs(500);
    }
  }
  host.dialogs.Message(rt::kReportAutoGenerated);
  return outcome;
}

}  // namespace movexa
