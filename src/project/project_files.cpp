// Readers and writers of the project files over text: the record syntax of base/text_records
// with the field order and header lines of each file.
#include "project/project_files.h"

#include <cmath>
#include <functional>

#include "base/rounding.h"
#include "base/text_records.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = project_texts;

namespace {

constexpr int kMaxChannelRecords = kChannelSlots;  // 385

// Reads `count` 16-bit integers in order; false (with the reader's error) on the first bad one.
bool ReadInts(RecordReader& in, int16_t* out, int count) {
  for (int i = 0; i < count; ++i) {
    if (!in.ReadInt16(out[i])) return false;
  }
  return true;
}

SetupReadResult Fail(SetupReadResult r, std::string why) {
  r.failed = true;
  r.error = std::move(why);
  return r;
}

// Reads the records "number, value" of a per-channel file after its header.
template <typename T>
ChannelFileRead<T> ParseRecords(std::string_view text,
                                const std::function<bool(RecordReader&, T&, std::string&)>& value) {
  ChannelFileRead<T> result;
  RecordReader in(text);
  if (!in.Skip(1)) {
    result.error = "the file is empty";
    return result;
  }
  while (static_cast<int>(result.values.size()) < kMaxChannelRecords && !in.AtEnd()) {
    int32_t number = 0;
    T v{};
    std::string why;
    if (!in.ReadInt32(number)) {
      result.error = in.ErrorText();
      return result;
    }
    if (!value(in, v, why)) {
      result.error = why.empty() ? in.ErrorText() : why;
      return result;
    }
    result.values.push_back(std::move(v));
  }
  return result;
}

}  // namespace

SetupReadResult ReadSetupText(std::string_view text, ProjectSettings& s) {
  SetupReadResult r;
  r.lines = CountLinesIn(text);
  r.stage = 1;
  if (r.lines <= 5) {
    return Fail(r, "the file has " + std::to_string(r.lines) + " lines (at least 6 expected)");
  }
  RecordReader in(text);
  // Line 2: project number (as text), name, working folder, plate format.
  std::string num, name, folder, plate;
  if (!in.Skip(1) || !in.ReadText(num) || !in.ReadText(name) || !in.ReadText(folder) ||
      !in.ReadText(plate)) {
    return Fail(r, in.ErrorText());
  }
  s.Num_proj = num;
  s.Name = name;
  s.Working_folder = folder;
  s.Plate_format = plate;
  r.stage = 2;
  int16_t line4[6];
  if (!in.Skip(1) || !ReadInts(in, line4, 6)) return Fail(r, in.ErrorText());
  if (line4[3] < 1) return Fail(r, "RT_Buffer must be at least 1");
  if (line4[5] < 1) return Fail(r, "DSP_Interval must be at least 1");
  if (line4[4] < 0 || line4[4] > 3) return Fail(r, "DSP_Method must be 0, 1, 2 or 3");
  s.Aq_mode = line4[0];
  s.Aq_lapse = line4[1];
  s.Sample_Rate = line4[2];
  s.RT_Buffer = line4[3];
  s.DSP_Method = line4[4];
  s.DSP_Interval = line4[5];
  r.stage = 3;
  int16_t line6[6];
  if (!in.Skip(1) || !ReadInts(in, line6, 6)) return Fail(r, in.ErrorText());
  s.Binary_Acq = line6[0];
  s.Threshold_Counter = line6[1];
  s.Cal_value = line6[2];
  s.Cal_mode = line6[3];
  s.Save_counts = line6[4];
  s.Save_real = line6[5];
  r.stage = 4;
  if (r.lines > 19) {
    std::array<int16_t, 6> menu{};
    if (!in.Skip(1) || !ReadInts(in, menu.data(), 6)) return Fail(r, in.ErrorText());
    s.Menu = menu;
    r.stage = 5;
    for (size_t row = 0; row < 6; ++row) {
      std::array<int16_t, 6> values{};
      if (!in.Skip(1) || !ReadInts(in, values.data(), 6)) return Fail(r, in.ErrorText());
      s.Mn[row] = values;
      r.stage = 6 + static_cast<int>(row);
    }
  }
  return r;
}

void ApplySetupDefaults(int stage, std::string_view workingFolder, ProjectSettings& s) {
  const ProjectSettings d;
  if (stage < 2) {
    s.Name = d.Name;
    s.Working_folder = std::string(workingFolder);
    s.Plate_format = d.Plate_format;
  }
  if (stage < 3) {
    s.Aq_mode = d.Aq_mode;
    s.Aq_lapse = d.Aq_lapse;
    s.Sample_Rate = d.Sample_Rate;
    s.RT_Buffer = d.RT_Buffer;
    s.DSP_Method = d.DSP_Method;
    s.DSP_Interval = d.DSP_Interval;
  }
  if (stage < 4) {
    s.Binary_Acq = d.Binary_Acq;
    s.Threshold_Counter = d.Threshold_Counter;
    s.Cal_value = d.Cal_value;
    s.Cal_mode = d.Cal_mode;
    s.Save_counts = d.Save_counts;
    s.Save_real = d.Save_real;
  }
  if (stage < 5) s.Menu = d.Menu;
  for (size_t row = 0; row < 6; ++row) {
    if (stage < 6 + static_cast<int>(row)) s.Mn[row] = kDefaultMn[row];
  }
}

int64_t StoredProjectNumber(std::string_view numProj) {
  size_t i = 0;
  while (i < numProj.size() && (numProj[i] == ' ' || numProj[i] == '\t')) ++i;
  bool negative = false;
  if (i < numProj.size() && (numProj[i] == '-' || numProj[i] == '+'))
    negative = numProj[i++] == '-';
  int64_t v = 0;
  for (; i < numProj.size() && numProj[i] >= '0' && numProj[i] <= '9'; ++i) {
    if (v > 100000000000LL) break;  // far beyond any project number
    v = v * 10 + (numProj[i] - '0');
  }
  return negative ? -v : v;
}

std::string FormatSetup(const ProjectSettings& s, int projectNumber) {
  RecordWriter w;
  w.Header(texts::kSetupHeaders[0]);
  w.Int(projectNumber).Text(s.Name).Text(s.Working_folder).Text(s.Plate_format).EndLine();
  w.Header(texts::kSetupHeaders[1]);
  w.Int(s.Aq_mode)
      .Int(s.Aq_lapse)
      .Int(s.Sample_Rate)
      .Int(s.RT_Buffer)
      .Int(s.DSP_Method)
      .Int(s.DSP_Interval)
      .EndLine();
  w.Header(texts::kSetupHeaders[2]);
  w.Int(s.Binary_Acq)
      .Int(s.Threshold_Counter)
      .Int(s.Cal_value)
      .Int(s.Cal_mode)
      .Int(s.Save_counts)
      .Int(s.Save_real)
      .EndLine();
  w.Header(texts::kSetupHeaders[3]);
  for (int16_t v : s.Menu) w.Int(v);
  w.EndLine();
  for (size_t row = 0; row < 6; ++row) {
    w.Header(texts::kSetupHeaders[4 + row]);
    for (int16_t v : s.Mn[row]) w.Int(v);
    w.EndLine();
  }
  return w.str();
}

ChannelFileRead<int16_t> ParseChannelStatus(std::string_view text) {
  return ParseRecords<int16_t>(
      text, [](RecordReader& in, int16_t& v, std::string&) { return in.ReadInt16(v); });
}

ChannelFileRead<double> ParseThresholds(std::string_view text) {
  return ParseRecords<double>(text, [](RecordReader& in, double& v, std::string& why) {
    if (!in.ReadReal(v)) return false;
    // A threshold is the depth of a dip in percent of the signal: from 0 up to, not including,
    // 100 (at 100 the envelope is 0 and nothing could ever be counted).
    if (!(v >= 0.0 && v < 100.0)) {
      why = "threshold out of range (" + ShortestDecimal(v) + ")";
      return false;
    }
    return true;
  });
}

ChannelFileRead<std::string> ParseGroupNames(std::string_view text) {
  return ParseRecords<std::string>(
      text, [](RecordReader& in, std::string& v, std::string&) { return in.ReadText(v); });
}

ChannelFileRead<int16_t> ParseChannelGroups(std::string_view text) {
  return ParseRecords<int16_t>(text, [](RecordReader& in, int16_t& v, std::string& why) {
    if (!in.ReadInt16(v)) return false;
    if (v < kFreeGroup || v >= kChannelCount) {
      why = "group number out of range (" + std::to_string(v) + ")";
      return false;
    }
    return true;
  });
}

double RoundThreshold(double percent) {
  if (!std::isfinite(percent) || std::fabs(percent) >= 1e12) return percent;
  return static_cast<double>(RoundHalfEven(percent * 1000.0)) / 1000.0;
}

// A per-channel file: its header, then one record "index, value" for entries 0..383.
template <typename WriteValue>
std::string FormatRecords(std::string_view header, WriteValue value) {
  RecordWriter w;
  w.Header(header);
  for (size_t i = 0; i < kChannelCount; ++i) {
    w.Int(static_cast<int64_t>(i));
    value(w, i);
    w.EndLine();
  }
  return w.str();
}

std::string FormatChannelStatus(const ProjectSettings& s) {
  return FormatRecords(texts::kStatusHeader,
                       [&](RecordWriter& w, size_t c) { w.Int(s.channelEnabled[c] ? 1 : 0); });
}

std::string FormatThresholds(const ProjectSettings& s) {
  return FormatRecords(texts::kThresholdHeader, [&](RecordWriter& w, size_t c) {
    w.Real(RoundThreshold(s.ChannelThreshold[c]));
  });
}

std::string FormatGroupNames(const ProjectSettings& s) {
  return FormatRecords(texts::kGroupsHeader,
                       [&](RecordWriter& w, size_t g) { w.Text(s.groupNames[g]); });
}

std::string FormatChannelGroups(const ProjectSettings& s) {
  return FormatRecords(texts::kChannelGroupsHeader,
                       [&](RecordWriter& w, size_t c) { w.Int(s.channelGroup[c]); });
}

SubprojectRead ParseSubproject(std::string_view text) {
  SubprojectRead r;
  RecordReader in(text);
  if (!in.ReadText(r.name)) {
    r.error = in.ErrorText();
    return r;
  }
  if (!in.AtEnd()) {
    if (!in.ReadText(r.second)) {
      r.error = in.ErrorText();
      return r;
    }
    r.hasSecond = true;
  }
  return r;
}

std::string FormatSubproject(std::string_view name, const std::string* second) {
  RecordWriter w;
  w.Text(name).EndLine();
  if (second) w.Text(*second).EndLine();
  return w.str();
}

}  // namespace movexa
