// Per-well and per-channel circadian exports.
#include "reports/circadian.h"

#include <algorithm>

#include "base/file_io.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "reports/counts_series.h"
#include "reports/report_math.h"
#include "reports/report_tables.h"
#include "reports/report_texts.h"
#include "reports/resampling.h"

namespace movexa {

namespace rt = report_text;

CivilTime CircadianOrigin(const std::filesystem::path& acquisitionFolder, Host& host) {
  auto start = ParseAcquisitionStamp(acquisitionFolder.filename().string());
  return start ? *start : host.clock.Now();
}

BinChoice ChooseCircadianBin(const std::string& binText, int64_t lastTime) {
  BinChoice choice;
  auto number = ParseOperatorNumber(binText);
  if (!number) return choice;
  int64_t bin = std::max<int64_t>(2, RoundHalfEven(*number));
  if (lastTime + 1 < bin) bin = lastTime > 30 ? ((lastTime + 1) / 15) * 15 : lastTime + 1;
  choice.ok = true;
  choice.minutes = bin;
  return choice;
}

CircadianOutcome ExportCircadian(const CircadianRequest& request, Host& host) {
  CircadianOutcome out;
  auto fail = [&](std::string message, std::string detail) {
    host.dialogs.Problem(message);
    out.status = ReportStatus::kFailed;
    out.message = std::move(message);
    out.detail = std::move(detail);
    return out;
  };
  bool perWell = false;
  if (request.includeTime) {
    perWell = *request.includeTime;
  } else {
    if (host.dialogs.Ask(rt::kExport384Files, Dialogs::Buttons::kYesNo) != Dialogs::Answer::kYes) {
      out.status = ReportStatus::kDeclined;
      return out;
    }
    perWell = host.dialogs.Ask(rt::kIncludeTimeField, Dialogs::Buttons::kYesNo) == Dialogs::Answer::kYes;
  }
  const auto& folder = request.acquisitionFolder;
  const auto countsPath = folder / "counts.bin";
  if (!IsFile(countsPath)) return fail(std::string(rt::kActivityFileNotFound), {});

  ReportRequest tablesRequest;
  tablesRequest.acquisitionFolder = folder;
  tablesRequest.appFolder = request.appFolder;
  AcquisitionTables acquisition;
  ReportOutcome failed;
  if (!LoadTablesForReport(tablesRequest, acquisition, failed, host)) {
    out.message = failed.message;
    out.detail = failed.detail;
    return out;
  }
  // "Report Error" with why and what to do next.
  auto failReport = [&](const std::string& why, std::string_view next, std::string detail) {
    return fail(ExplainedMessage(rt::kReportError, why, next), std::move(detail));
  };
  std::string error;
  auto file = ReadCountsFile(countsPath, error);
  if (!file) return failReport(std::string(rt::kWhyCounts) + error, rt::kNextCounts, error);
  if (file->tornBytes > 0)
    host.status.SetStatus(rt::kStatusLabel, TornTailNote(countsPath, file->tornBytes));
  std::optional<std::string> bytes(std::move(file->bytes));
  if (bytes->empty()) {
    return failReport(std::string(rt::kNoWholeRecord) + ".", rt::kNextNoRecord,
                      countsPath.string() + ": no whole 774-byte record");
  }
  const LoadedCounts records = LoadAllCounts(*bytes);
  const int64_t lastTime = std::max(LargestRawTime(*bytes), records.times.back());
  bytes.reset();

  // Damaged time fields end here, before anything is written, as the report refuses them: a
  // last time below one minute leaves no bin (and bin stamps before the start), a huge one
  // asks for millions of bins.
  if (lastTime < 1 || lastTime > kMaxReportMinutes) {
    const std::string detail =
        countsPath.string() + ": last time " + std::to_string(lastTime) + " min";
    return failReport(std::string(rt::kWhyCounts) + detail, rt::kNextCounts, detail);
  }
  const BinChoice bin = ChooseCircadianBin(request.binText, lastTime);
  if (!bin.ok) {
    return fail(BinNotANumberMessage(request.binText),
                "bin \"" + request.binText + "\" is not a number");
  }
  const int64_t b = bin.minutes;
  out.binMinutes = b;
  out.binShown = std::to_string(b);
  const int64_t binCount = std::max<int64_t>(1, RoundHalfEvenDiv(lastTime, b));
  if (binCount > kMaxReportBins) {
    return failReport("A bin of " + std::to_string(b) + " min would cut the acquisition into " +
                          std::to_string(binCount) + " bins.",
                      rt::kNextLargerBin,
                      countsPath.string() + ": " + std::to_string(binCount) + " bins of " +
                          std::to_string(b) + " min");
  }
  const ReportProjectTables& project = acquisition.tables;
  const ReportTables tables = ComputeReportTables(records, b, binCount, project);

  // Files to write, for the progress line: one per well with a beam-0 channel, or one per
  // channel and "time.txt".
  int totalFiles = kChannelCount + 1;
  if (perWell) {
    totalFiles = 0;
    for (int w = 0; w <= project.largestWell; ++w) totalFiles += project.ChannelAt(w, 0) >= 0 ? 1 : 0;
  }
  auto write = [&](const std::string& name, const std::string& content) {
    if (!WriteWholeFile(folder / name, content, &error)) return false;
    ++out.filesWritten;
    host.status.SetStatus(rt::kProgressLabel, std::string(rt::kStageFile) + std::to_string(out.filesWritten) +
                                                  "/" + std::to_string(totalFiles));
    host.pacer.PumpEvents();
    return true;
  };
  if (perWell) {
    const CivilTime origin = CircadianOrigin(folder, host);
    for (int w = 0; w <= project.largestWell; ++w) {
      if (project.ChannelAt(w, 0) < 0) continue;
      std::string content;
      for (int64_t j = 1; j <= binCount; ++j) {
        content += FormatDateTime(AddMinutes(origin, j * b), "dd/mm/yyyy hh:nn");
        content += ' ';
        content += std::to_string(tables.WellValue(j, w));
        content += "\r\n";
      }
      if (!write(ZeroPad(w, 3) + "_" + WellLabel(w, project.rows) + ".txt", content)) {
        return failReport(std::string(rt::kWhyExport) + error, rt::kNextWrite, error);
      }
    }
  } else {
    for (int c = 0; c < kChannelCount; ++c) {
      std::string content;
      for (int64_t j = 1; j <= binCount; ++j) {
        if (j > 1) content += ' ';
        content += std::to_string(tables.ChannelSum(j, c));
      }
      content += "\r\n";
      if (!write("ch" + ZeroPad(c, 6) + ".txt", content)) {
        return failReport(std::string(rt::kWhyExport) + error, rt::kNextWrite, error);
      }
    }
    std::string times;
    for (int64_t j = 1; j <= binCount; ++j) {
      if (j > 1) times += ' ';
      times += std::to_string(j * b * 60);
    }
    times += "\r\n";
    if (!write(std::string(rt::kTimeFile), times)) {
      return failReport(std::string(rt::kWhyExport) + error, rt::kNextWrite, error);
    }
  }
  host.shell.ShowInFileManager(folder);
  out.status = ReportStatus::kWritten;
  return out;
}

}  // namespace movexa
