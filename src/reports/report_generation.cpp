// "Generate...": the report of one acquisition from its "counts.bin" and project files.
#include "reports/report_generation.h"

#include <exception>

#include "base/file_io.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "reports/basal.h"
#include "reports/report_math.h"
#include "reports/report_tables.h"
#include "reports/report_texts.h"
#include "reports/resampling.h"

namespace movexa {

namespace rt = report_text;

namespace {

// Shows the stage about to run and lets pending window events run first, so that a long
// acquisition's report keeps the window painted and says where it is.
void Stage(Host& host, std::string_view text) {
  host.status.SetStatus(rt::kProgressLabel, text);
  host.pacer.PumpEvents();
}

}  // namespace

std::string ExplainedMessage(std::string_view head, std::string_view why, std::string_view next) {
  std::string text(head);
  if (!why.empty()) text += std::string(rt::kLineBreak) + std::string(why);
  if (!next.empty()) text += std::string(rt::kLineBreak) + std::string(next);
  return text;
}

ReportOutcome FailReport(Host& host, std::string message, std::string detail) {
  ReportOutcome out;
  out.status = ReportStatus::kFailed;
  host.dialogs.Problem(message);
  out.message = std::move(message);
  out.detail = std::move(detail);
  return out;
}

std::string BinNotANumberMessage(const std::string& binText) {
  return ExplainedMessage(rt::kReportError,
                          std::string(rt::kWhyBin1) + binText + std::string(rt::kWhyBin2),
                          rt::kNextBin);
}

BinChoice ChooseReportBin(const std::string& binText, int64_t lastTime) {
  BinChoice choice;
  auto number = ParseOperatorNumber(binText);
  if (!number) return choice;
  int64_t bin = RoundHalfEven(*number);
  if (bin < 1) bin = 1;
  if (lastTime < bin) bin = lastTime > 30 ? (lastTime / 15) * 15 : lastTime;
  choice.ok = true;
  choice.minutes = bin;
  return choice;
}

bool LoadTablesForReport(const ReportRequest& request, AcquisitionTables& tables,
                         ReportOutcome& outcome, Host& host) {
  tables = LoadAcquisitionTables(request.acquisitionFolder, request.appFolder);
  std::string message;
  switch (tables.status) {
    case TablesStatus::kOk:
      return true;
    case TablesStatus::kPlateMissing:
      message = MultiwellNotFoundMessage(tables.setup.plateFormat);
      break;
    case TablesStatus::kSetupUnreadable:
      message = ExplainedMessage(rt::kReportError, std::string(rt::kWhySetup) + tables.detail,
                                 rt::kNextSetup);
      break;
    case TablesStatus::kGroupsUnreadable:
      message = ExplainedMessage(rt::kReportError, std::string(rt::kWhyGroups) + tables.detail,
                                 rt::kNextGroups);
      break;
    case TablesStatus::kPlateUnreadable:
      message = ExplainedMessage(rt::kReportError, std::string(rt::kWhyPlate) + tables.detail,
                                 rt::kNextPlate);
      break;
  }
  outcome = FailReport(host, std::move(message), tables.detail);
  return false;
}

ReportOutcome ReportFromCounts(const ReportRequest& request, const AcquisitionTables& acquisition,
                               const LoadedCounts& loaded, int64_t binMinutes,
                               const std::string& setting, bool allowBasal, Host& host) {
  ReportOutcome out;
  out.binMinutes = binMinutes;
  out.binShown = std::to_string(binMinutes);
  Stage(host, rt::kStageResampling);
  ResampleResult resampled = Resample(loaded, binMinutes);
  if (!resampled.ok) {
    out = FailReport(host,
                     ExplainedMessage(rt::kResamplingError,
                                      ResamplingAdvice(resampled, binMinutes, loaded.size()), {}),
                     resampled.error);
    out.binMinutes = binMinutes;
    out.binShown = std::to_string(binMinutes);
    return out;
  }
  ReportProjectTables project = acquisition.tables;
  ReportHeader header;
  if (allowBasal && BasalSelected(request.basalName)) {
    Stage(host, rt::kStageBasal);
    BasalResult basal = NormaliseToBasal(resampled.bins, project, request.acquisitionFolder,
                                         request.basalName, binMinutes, request.basalAnswers, host);
    switch (basal.outcome) {
      case BasalOutcome::kDone:
        break;
      case BasalOutcome::kResamplingError:
        return FailReport(host, ExplainedMessage(rt::kResamplingError, basal.advice, {}),
                          basal.detail);
      case BasalOutcome::kMinutesOutOfRange:
        return FailReport(host, basal.detail);
      case BasalOutcome::kDeclined:
        out.status = ReportStatus::kDeclined;
        out.detail = basal.detail;
        return out;
    }
    header.basal = true;
    header.basalName = request.basalName;
    out.basal = true;
  }

  const int64_t lastTime = resampled.lastTime;
  const int64_t binCount = std::max<int64_t>(1, RoundHalfEvenDiv(lastTime, binMinutes));
  Stage(host, rt::kStageTables);
  ReportTables tables;
  try {
    tables = ComputeReportTables(resampled.bins, binMinutes, binCount, project);
  } catch (const std::exception& e) {
    return FailReport(host, std::string(rt::kReportCalculationError), e.what());
  }
  header.date = FormatGeneralDate(host.clock.Now());
  header.file = request.acquisitionFolder.string();
  header.subproject = acquisition.subprojectName;
  header.setting = setting;
  Stage(host, rt::kStageWriting);
  WrittenReport written;
  try {
    written = WriteReportFile(request.acquisitionFolder,
                              FormatReport(header, request.layout, tables, project, binMinutes, lastTime),
                              request.layout.fileType, acquisition.subprojectName);
  } catch (const std::exception& e) {
    written.error = e.what();
  }
  if (!written.ok) {
    return FailReport(host,
                      ExplainedMessage(rt::kReportError, std::string(rt::kWhyWrite) + written.error,
                                       rt::kNextWrite),
                      written.error);
  }
  out.status = ReportStatus::kWritten;
  out.reportPath = written.path;
  out.copyPath = written.copy;
  out.copyError = written.copyError;
  if (!out.copyError.empty()) {
    host.status.SetStatus(rt::kStatusLabel, std::string(rt::kCopyNotWritten) + out.copyError);
  }
  if (!request.autoreport) {
    if (request.layout.fileType == 0) {
      host.shell.OpenDocument(written.path);
    } else {
      host.shell.OpenTextFile(written.path);
    }
  }
  return out;
}

ReportOutcome GenerateReport(const ReportRequest& request, Host& host) {
  const auto countsPath = request.acquisitionFolder / "counts.bin";
  if (!IsFile(countsPath)) return FailReport(host, std::string(rt::kActivityFileNotFound));

  AcquisitionTables acquisition;
  ReportOutcome failed;
  if (!LoadTablesForReport(request, acquisition, failed, host)) return failed;
  const std::string setting = SettingText(acquisition.setup);

  Stage(host, rt::kStageReading);
  std::string error;
  auto file = ReadCountsFile(countsPath, error);
  if (!file) return FailReport(host, std::string(rt::kErrorReading) + countsPath.string(), error);
  if (file->tornBytes > 0)
    host.status.SetStatus(rt::kStatusLabel, TornTailNote(countsPath, file->tornBytes));
  std::optional<std::string> bytes(std::move(file->bytes));

  const BinChoice bin = ChooseReportBin(request.binText, LastAdjustedTime(*bytes));
  if (!bin.ok) {
    return FailReport(host, BinNotANumberMessage(request.binText),
                      "bin \"" + request.binText + "\" is not a number");
  }
  LoadedCounts loaded;
  try {
    loaded = LoadCountsForReport(*bytes);
  } catch (const std::exception& e) {
    return FailReport(host, std::string(rt::kErrorLoading) + countsPath.string(), e.what());
  }
  bytes.reset();
  return ReportFromCounts(request, acquisition, loaded, bin.minutes, setting, true, host);
}

}  // namespace movexa
