// "repoconf.dat": reading, validation, writing and the settings window's operations.
#include "reports/report_config.h"

#include <optional>

#include "base/file_io.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "reports/report_texts.h"

namespace movexa {

namespace rt = report_text;

namespace {

void Clamp(int16_t& field, int lo, int hi, int16_t fallback) {
  if (field < lo || field > hi) field = fallback;
}

// The separator is stored as typed, between double quotes: blanks and tabs stay, but a double
// quote (which would end the field) becomes an apostrophe and line ends become blanks.
std::string StorableSpacer(std::string_view spacer) {
  std::string s(spacer);
  for (char& c : s) {
    if (c == '"') c = '\'';
    if (c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

}  // namespace

std::string SystemListSeparator(Host& host) {
  std::string s = host.system.ListSeparator();
  return s.empty() ? std::string(",") : s;
}

void ApplyReportDefaults(ReportConfig& config, Host& host) {
  config = ReportConfig{};
  config.spacer = SystemListSeparator(host);
}

void ValidateReportConfig(ReportConfig& config) {
  const ReportConfig d;
  Clamp(config.Bin, kMinReportBin, kMaxReportBin, d.Bin);
  Clamp(config.filetype, 0, 1, d.filetype);
  Clamp(config.stdError, 0, 1, d.stdError);
  Clamp(config.stdDev, 0, 1, d.stdDev);
  Clamp(config.n, 0, 1, d.n);
  Clamp(config.out_format, 0, 3, d.out_format);
  Clamp(config.organism, 0, 2, d.organism);
  Clamp(config.method, 0, 2, d.method);
  Clamp(config.threshold, 11, 30, d.threshold);
  Clamp(config.rawexport, 0, 1, d.rawexport);
}

ParsedReportConfig ParseReportConfig(std::string_view text) {
  ParsedReportConfig out;
  RecordReader r(text);
  ReportConfig& c = out.config;
  bool ok = r.Skip() && r.ReadInt16(out.userDefined) && r.ReadInt16(c.Bin) &&
            r.ReadInt16(c.filetype) && r.ReadText(c.spacer) && r.ReadInt16(c.stdError) &&
            r.ReadInt16(c.stdDev) && r.ReadInt16(c.n) && r.ReadInt16(c.out_format) &&
            r.ReadInt16(c.organism) && r.ReadInt16(c.method) && r.ReadInt16(c.threshold) &&
            r.ReadInt16(c.rawexport);
  out.ok = ok;
  if (!ok) out.error = r.ErrorText();
  return out;
}

std::string FormatReportConfig(const ReportConfig& c, int16_t userDefined) {
  RecordWriter w;
  w.Header(rt::kConfigHeader);
  w.Int(userDefined).Int(c.Bin).Int(c.filetype);
  std::string quoted = StorableSpacer(c.spacer);
  quoted.insert(quoted.begin(), '"');
  quoted.push_back('"');
  w.Raw(quoted);
  w.Int(c.stdError).Int(c.stdDev).Int(c.n).Int(c.out_format).Int(c.organism).Int(c.method);
  w.Int(c.threshold).Int(c.rawexport).EndLine();
  return w.str();
}

bool SaveReportConfig(const ReportConfig& config, int16_t userDefined,
                      const std::filesystem::path& appFolder, Host& host) {
  if (!WriteWholeFile(appFolder / rt::kConfigFile, FormatReportConfig(config, userDefined))) {
    host.dialogs.Problem(rt::kErrorWritingConfig, Dialogs::Severity::kCritical);
    return false;
  }
  return true;
}

bool WriteDefaultReportConfigIfMissing(const std::filesystem::path& appFolder, Host& host) {
  const std::filesystem::path path = appFolder / "repoconf.dat";
  if (IsFile(path)) return false;
  ReportConfig defaults;
  LoadReportConfig(defaults, 0, appFolder, host);
  return IsFile(path);
}

int16_t LoadReportConfig(ReportConfig& config, int16_t request,
                         const std::filesystem::path& appFolder, Host& host) {
  const std::filesystem::path file = appFolder / rt::kConfigFile;
  if (request != 0 && IsFile(file)) {
    auto text = ReadWholeFile(file);
    ParsedReportConfig parsed = text ? ParseReportConfig(*text) : ParsedReportConfig{};
    if (parsed.ok) {
      config = parsed.config;
      ValidateReportConfig(config);
      return parsed.userDefined;
    }
    host.dialogs.Problem(rt::kErrorLoadingConfig);
    ApplyReportDefaults(config, host);
    SaveReportConfig(config, 0, appFolder, host);
    return 0;
  }
  ApplyReportDefaults(config, host);
  SaveReportConfig(config, request, appFolder, host);
  return 0;
}

bool ApplyReportSettings(ReportConfig& config, const ReportSettingsChoice& choice,
                         const std::filesystem::path& appFolder, Host& host) {
  auto minutes = ParseOperatorNumber(choice.binText);
  std::optional<int16_t> bin = minutes ? RoundToInt16(*minutes) : std::nullopt;
  if (!bin) {
    host.dialogs.Problem(std::string(rt::kBinNotANumber) + choice.binText);
    return false;
  }
  // A bin outside 2..1440 would be stored and then silently read back as 30 minutes.
  if (*bin < kMinReportBin || *bin > kMaxReportBin) {
    host.dialogs.Problem(std::string(rt::kBinOutOfRange) + choice.binText);
    return false;
  }
  config.Bin = *bin;
  config.filetype = choice.filetype == 1 ? 1 : 0;
  config.spacer = choice.spacer;
  config.out_format = choice.outFormat;
  config.stdError = choice.stdError ? 1 : 0;
  config.stdDev = choice.stdDev ? 1 : 0;
  config.n = choice.n ? 1 : 0;
  config.rawexport = choice.rawExport ? 1 : 0;
  SaveReportConfig(config, 1, appFolder, host);
  host.dialogs.Message(rt::kUserConfigApplied);
  return true;
}

void BackToDefaultReportConfig(ReportConfig& config, const std::filesystem::path& appFolder,
                               Host& host) {
  LoadReportConfig(config, 0, appFolder, host);
  SaveReportConfig(config, 0, appFolder, host);
  host.dialogs.Message(rt::kDefaultConfigApplied);
}

void ChooseUserDefinedBin(ReportConfig& config, bool checked,
                          const std::filesystem::path& appFolder, Host& host) {
  const int16_t flag = checked ? 1 : 0;
  LoadReportConfig(config, flag, appFolder, host);
  SaveReportConfig(config, flag, appFolder, host);
}

}  // namespace movexa
