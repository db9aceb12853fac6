// Report file layout: header, group blocks, samples, temperature, wells and channels in the
// Rows and List layouts, the well and channel arrays, and the report file's name.
#include "reports/report_writer.h"

#include <cmath>

#include "base/file_io.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "reports/report_texts.h"

namespace movexa {

namespace rt = report_text;

namespace {

// Quoted text field of a report (a double quote inside would end the cell early).
std::string Q(std::string_view text) { return "\"" + StorableText(text) + "\""; }

class ReportText {
 public:
  ReportText(const ReportHeader& header, const ReportLayout& layout, const ReportTables& tables,
             const ReportProjectTables& project, int64_t binMinutes, int64_t lastTime)
      : h_(header), l_(layout), t_(tables), p_(project), bin_(binMinutes), last_(lastTime),
        s_(layout.separator) {}

  std::string Build();

 private:
  // What a group block shows per cell, and in the basal time-0 column.
  enum class GroupCell { kMean, kError, kDeviation, kSize };

  void Line(std::string_view text = {}) {
    out_ += text;
    out_ += "\r\n";
  }
  int64_t TimeOf(int64_t bin) const { return std::min(bin_ * bin, last_); }
  std::string GroupLabel(int group) const {
    return Q(ZeroPad(group, 3) + "_" + p_.groupNames[static_cast<size_t>(group)]);
  }
  std::string ChannelGroupLabel(int channel) const {
    int g = p_.channelGroup[channel];
    return g < 0 ? Q(rt::kFreeLabel) : GroupLabel(g);
  }
  std::string ChannelWellLabel(int channel) const {
    return WellLabel(p_.channelWell[channel], p_.rows) + "." + std::to_string(p_.channelPosition[channel]);
  }
  std::string GroupCellText(GroupCell kind, int group, int64_t bin) const;
  std::string GroupCellBasal(GroupCell kind, int group) const;
  template <class Cell>
  void TimeRow(std::string first, Cell cell, bool trailing);

  void Header();
  void GroupBlock(std::string_view title, GroupCell kind);
  void SamplesBlock();
  void TemperatureBlock();
  void WellBlock();
  void ChannelBlock();
  void WellArrayGroups();
  void ChannelArrayGroups();
  void WellArray();
  void ChannelArray();
  void ArrayColumnsLine(int columns);

  const ReportHeader& h_;
  const ReportLayout& l_;
  const ReportTables& t_;
  const ReportProjectTables& p_;
  int64_t bin_;
  int64_t last_;
  std::string s_;
  std::string out_;
};

std::string ReportText::GroupCellText(GroupCell kind, int group, int64_t bin) const {
  const int64_t size = t_.groupSize[static_cast<size_t>(group)];
  switch (kind) {
    case GroupCell::kMean:
      return std::to_string(t_.Mean(group, bin));
    case GroupCell::kError: {
      const int64_t dev = t_.Deviation(group, bin);
      if (dev < 1 || size < 1) return "0.0";
      return FormatNumber(static_cast<double>(dev) / std::sqrt(static_cast<double>(size)), "0.0");
    }
    case GroupCell::kDeviation:
      return FormatNumber(static_cast<double>(t_.Deviation(group, bin)), "0.0");
    case GroupCell::kSize:
      return std::to_string(size);
  }
  return {};
}

std::string ReportText::GroupCellBasal(GroupCell kind, int group) const {
  switch (kind) {
    case GroupCell::kMean:
      return "100";
    case GroupCell::kError:
    case GroupCell::kDeviation:
      return "0.0";
    case GroupCell::kSize:
      return std::to_string(t_.groupSize[static_cast<size_t>(group)]);
  }
  return {};
}

// One Rows-layout line: `first`, then per present bin S and the cell (the basal time-0 cell
// first when `cell` is given -1); with `trailing` each cell is followed by S instead.
template <class Cell>
void ReportText::TimeRow(std::string first, Cell cell, bool trailing) {
  std::string line = std::move(first);
  auto add = [&](const std::string& v) {
    if (trailing) {
      line += v;
      line += s_;
    } else {
      line += s_;
      line += v;
    }
  };
  if (h_.basal) add(cell(-1));
  for (int64_t b = 1; b <= t_.binCount; ++b) {
    if (t_.binPresent[static_cast<size_t>(b)]) add(cell(b));
  }
  Line(line);
}

void ReportText::Header() {
  Line(Q(rt::kDateTag) + s_ + Q(h_.date));
  Line(Q(rt::kFileTag) + s_ + Q(h_.file));
  Line(Q(rt::kSubprojectTag) + s_ + Q(h_.subproject));
  Line(Q(rt::kSettingTag) + s_ + Q(h_.setting));
  if (h_.basal) {
    Line(Q(rt::kBasalTag) + s_ + Q(h_.basalName));
    Line();
    Line(Q(rt::kBasalBanner));
  } else {
    Line();
  }
}

void ReportText::GroupBlock(std::string_view title, GroupCell kind) {
  Line(Q(title));
  auto cellOf = [&](int g) {
    return [this, kind, g](int64_t b) { return b < 0 ? GroupCellBasal(kind, g) : GroupCellText(kind, g, b); };
  };
  if (l_.layout == kLayoutRows) {
    TimeRow(std::string(rt::kGroupTime), [this](int64_t b) { return std::to_string(b < 0 ? 0 : TimeOf(b)); }, false);
    for (int g = 0; g < t_.groupCount; ++g) TimeRow(GroupLabel(g), cellOf(g), false);
    return;
  }
  Line(std::string(rt::kTime) + s_ + std::string(rt::kGroup) + s_ + std::string(rt::kValue));
  Line();
  for (int g = 0; g < t_.groupCount; ++g) {
    auto cell = cellOf(g);
    const std::string label = GroupLabel(g);
    if (h_.basal) Line("0" + s_ + label + s_ + cell(-1));
    for (int64_t b = 1; b <= t_.binCount; ++b) {
      if (t_.binPresent[static_cast<size_t>(b)]) Line(std::to_string(TimeOf(b)) + s_ + label + s_ + cell(b));
    }
    Line();
  }
}

void ReportText::SamplesBlock() {
  Line(Q(rt::kSamplesTitle));
  auto samples = [this](int64_t b) {
    return std::to_string(b < 0 ? bin_ : bin_ * t_.recordsPerBin[static_cast<size_t>(b)]);
  };
  if (l_.layout == kLayoutRows) {
    TimeRow(std::string(rt::kTimeMinutes) + s_, [this](int64_t b) { return std::to_string(b < 0 ? 0 : TimeOf(b)); }, true);
    TimeRow(std::string(rt::kSamples) + s_, samples, true);
    return;
  }
  Line(std::string(rt::kTime) + s_ + std::string(rt::kSamples));
  Line();
  if (h_.basal) Line("0" + s_ + samples(-1));
  for (int64_t b = 1; b <= t_.binCount; ++b) {
    if (t_.binPresent[static_cast<size_t>(b)]) Line(std::to_string(TimeOf(b)) + s_ + samples(b));
  }
}

void ReportText::TemperatureBlock() {
  const std::string unit(rt::kTemperatureUnit);
  Line(Q(std::string(rt::kTemperatureTitle1) + unit + std::string(rt::kTemperatureTitle2)));
  auto temp = [this](int64_t b) {
    // No valid reading in the bin (none arrived, or only failed ones): shown as missing.
    if (b < 0 || t_.temperature[static_cast<size_t>(b)] == 0) return std::string(rt::kUnknownTemperature);
    return FormatNumber(static_cast<double>(t_.temperature[static_cast<size_t>(b)]) / 10.0, "0.0");
  };
  if (l_.layout == kLayoutRows) {
    TimeRow(std::string(rt::kTimeMinutes) + s_, [this](int64_t b) { return std::to_string(b < 0 ? 0 : TimeOf(b)); }, true);
    TimeRow(std::string(rt::kTemp1) + unit + "]" + s_, temp, true);
    return;
  }
  Line(std::string(rt::kTime) + s_ + std::string(rt::kAverageTemp1) + unit + "]");
  if (h_.basal) Line("0" + s_ + temp(-1));
  for (int64_t b = 1; b <= t_.binCount; ++b) {
    if (t_.binPresent[static_cast<size_t>(b)]) Line(std::to_string(TimeOf(b)) + s_ + temp(b));
  }
}

void ReportText::WellBlock() {
  Line(Q(rt::kWellTitle));
  const bool rows = l_.layout == kLayoutRows;
  if (rows) {
    TimeRow(std::string(rt::kWell) + s_ + std::string(rt::kGroupTime),
            [this](int64_t b) { return std::to_string(b < 0 ? 0 : TimeOf(b)); }, false);
  } else {
    Line(std::string(rt::kTime) + s_ + std::string(rt::kWell) + s_ + std::string(rt::kGroup) + s_ +
         std::string(rt::kValue));
  }
  for (int w = 0; w < t_.wellCount; ++w) {
    const int ch = p_.ChannelAt(w, 0);
    if (ch < 0) continue;
    const std::string label = WellLabel(w, p_.rows);
    const std::string group = ChannelGroupLabel(ch);
    auto value = [this, w](int64_t b) { return b < 0 ? std::string("100") : std::to_string(t_.WellValue(b, w)); };
    if (rows) {
      TimeRow(label + s_ + group, value, false);
      continue;
    }
    if (h_.basal) Line("0" + s_ + label + s_ + group + s_ + value(-1));
    for (int64_t b = 1; b <= t_.binCount; ++b) {
      if (t_.binPresent[static_cast<size_t>(b)]) {
        Line(std::to_string(TimeOf(b)) + s_ + label + s_ + group + s_ + value(b));
      }
    }
  }
}

void ReportText::ChannelBlock() {
  Line(Q(rt::kChannelTitle));
  const bool rows = l_.layout == kLayoutRows;
  if (rows) {
    TimeRow(std::string(rt::kChannel) + s_ + std::string(rt::kWell) + s_ + std::string(rt::kGroupTime),
            [this](int64_t b) { return std::to_string(TimeOf(b)); }, false);
  } else {
    Line(std::string(rt::kTime) + s_ + std::string(rt::kChannel) + s_ + std::string(rt::kWell) + s_ +
         std::string(rt::kGroup) + s_ + std::string(rt::kValue));
  }
  for (int c = 0; c < kChannelCount; ++c) {
    if (p_.channelWell[c] < 0) continue;
    const std::string lead = std::string(rt::kChannelPrefix) + std::to_string(c) + s_ +
                             ChannelWellLabel(c) + s_ + ChannelGroupLabel(c);
    if (rows) {
      TimeRow(lead, [this, c](int64_t b) { return std::to_string(t_.ChannelSum(b, c)); }, false);
      continue;
    }
    for (int64_t b = 1; b <= t_.binCount; ++b) {
      if (t_.binPresent[static_cast<size_t>(b)]) {
        Line(std::to_string(TimeOf(b)) + s_ + lead + s_ + std::to_string(t_.ChannelSum(b, c)));
      }
    }
  }
}

void ReportText::ArrayColumnsLine(int columns) {
  std::string line = std::string(rt::kRowColumn) + s_;
  for (int c = 1; c <= columns; ++c) line += std::to_string(c) + s_;
  Line(line);
}

void ReportText::WellArrayGroups() {
  Line(Q(rt::kWellGroupConfigTitle));
  ArrayColumnsLine(p_.columns);
  for (int r = 0; r < p_.rows; ++r) {
    std::string line = Q(std::string(1, RowLetter(r)));
    for (int c = 0; c < p_.columns; ++c) {
      const int ch = p_.ChannelAt(c * p_.rows + r, 0);
      line += s_ + (ch < 0 ? std::string(rt::kNoChannel) : ChannelGroupLabel(ch));
    }
    Line(line);
  }
  Line();
}

void ReportText::ChannelArrayGroups() {
  Line(Q(rt::kChannelGroupConfigTitle));
  ArrayColumnsLine(kBeamColumns);
  for (int r = 0; r < kBeamRows; ++r) {
    std::string line(1, RowLetter(r));
    for (int c = 0; c < kBeamColumns; ++c) {
      const int ch = c * kBeamRows + r;
      line += s_;
      if (p_.channelWell[ch] < 0) {
        line += rt::kNoChannel;
      } else {
        line += p_.channelGroup[ch] < 0 ? Q(rt::kFreeChannelArrayLabel) : GroupLabel(p_.channelGroup[ch]);
      }
    }
    Line(line);
  }
  Line();
}

void ReportText::WellArray() {
  Line(Q(rt::kWellArrayTitle));
  auto grid = [this](int64_t time, auto value) {
    Line(std::string(rt::kTimeBlock) + s_ + std::to_string(time));
    ArrayColumnsLine(p_.columns);
    for (int r = 0; r < p_.rows; ++r) {
      std::string line = Q(std::string(1, RowLetter(r)));
      for (int c = 0; c < p_.columns; ++c) {
        const int well = c * p_.rows + r;
        line += s_ + (p_.ChannelAt(well, 0) < 0 ? std::string(rt::kNoChannel) : value(well));
      }
      Line(line);
    }
    Line();
  };
  if (h_.basal) grid(0, [](int) { return std::string("100"); });
  for (int64_t b = 1; b <= t_.binCount; ++b) {
    if (!t_.binPresent[static_cast<size_t>(b)]) continue;
    grid(TimeOf(b), [this, b](int well) { return std::to_string(t_.WellValue(b, well)); });
  }
}

void ReportText::ChannelArray() {
  Line(Q(rt::kChannelArrayTitle));
  for (int64_t b = 1; b <= t_.binCount; ++b) {
    if (!t_.binPresent[static_cast<size_t>(b)]) continue;
    Line(std::string(rt::kTimeBlock) + s_ + std::to_string(TimeOf(b)));
    ArrayColumnsLine(kBeamColumns);
    for (int r = 0; r < kBeamRows; ++r) {
      std::string line(1, RowLetter(r));
      for (int c = 0; c < kBeamColumns; ++c) {
        const int ch = c * kBeamRows + r;
        line += s_ + (p_.channelWell[ch] < 0 ? std::string(rt::kNoChannel) : std::to_string(t_.ChannelSum(b, ch)));
      }
      Line(line);
    }
    Line();
  }
}

std::string ReportText::Build() {
  if (l_.fileType == 0) out_ += rt::kUtf8ByteOrderMark;
  Header();
  if (l_.layout == kLayoutWellArray) {
    WellArrayGroups();
    WellArray();
    return out_;
  }
  if (l_.layout == kLayoutChannelArray) {
    ChannelArrayGroups();
    if (!h_.basal) ChannelArray();
    return out_;
  }
  GroupBlock(rt::kGroupAverageTitle, GroupCell::kMean);
  if (l_.stdError) GroupBlock(rt::kGroupErrorTitle, GroupCell::kError);
  if (l_.stdDev) GroupBlock(rt::kGroupDeviationTitle, GroupCell::kDeviation);
  if (l_.wellCount) GroupBlock(rt::kGroupSizeTitle, GroupCell::kSize);
  SamplesBlock();
  TemperatureBlock();
  WellBlock();
  if (!h_.basal) ChannelBlock();
  return out_;
}

}  // namespace

std::string FormatReport(const ReportHeader& header, const ReportLayout& layout,
                         const ReportTables& tables, const ReportProjectTables& project,
                         int64_t binMinutes, int64_t lastTime) {
  return ReportText(header, layout, tables, project, binMinutes, lastTime).Build();
}

std::string ReportExtension(int fileType) { return fileType == 0 ? ".csv" : ".txt"; }

std::string ExperimentFileName(const std::string& subprojectName) {
  std::string name = StorableText(subprojectName);
  for (char& c : name) {
    if (c == ' ' || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
        c == '<' || c == '>' || c == '|') {
      c = '_';
    }
  }
  if (name == "." || name == "..") name = "_";
  return name;
}

WrittenReport WriteReportFile(const std::filesystem::path& folder, const std::string& content,
                              int fileType, const std::string& subprojectName) {
  WrittenReport out;
  const std::string ext = ReportExtension(fileType);
  // Numbered names are tried while names cannot be opened; the bound keeps a folder that
  // refuses every file from being tried for ever.
  constexpr int kMaxNumberedNames = 1000;
  for (int i = 0; i <= kMaxNumberedNames; ++i) {
    const std::string base = std::string(report_text::kReportBaseName) + (i == 0 ? "" : "_" + std::to_string(i));
    const auto path = folder / (base + ext);
    bool opened = false;
    if (WriteWholeFileChecked(path, content, opened, &out.error)) {
      out.ok = true;
      out.path = path;
      out.error.clear();
      break;
    }
    if (opened) return out;  // opened but not written: a write failure, not a name to skip
  }
  if (!out.ok) return out;
  if (!subprojectName.empty()) {
    const auto copy = folder / (ExperimentFileName(subprojectName) + ext);
    if (copy != out.path) {
      if (CopyFileOver(out.path, copy, &out.copyError)) {
        out.copy = copy;
      } else if (out.copyError.empty()) {
        out.copyError = copy.string() + ": not written";
      }
    }
  }
  return out;
}

}  // namespace movexa
