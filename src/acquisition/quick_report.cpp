// Quick activity report: group, well and channel sections of "report.txt".
#include "acquisition/quick_report.h"

#include "base/file_io.h"
#include "base/rounding.h"
#include "project/plate_format.h"

namespace movexa {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kRule = "~~~~~~~~~~~~~";
// The quick report has always written the free group with a blank after it, inside the quotes.
constexpr std::string_view kFreeLabel = "999_Free ";
constexpr int kQuickReportEventPumps = 1000;

// Group label of the project's group `group` (the shared label), the free group as above.
std::string ReportGroupLabel(const ProjectSettings& project, int group) {
  if (group < 0) return std::string(kFreeLabel);
  return GroupLabel(group, group < kChannelSlots ? project.groupNames[group] : std::string());
}

void Line(std::string& out, std::string_view text) {
  out += text;
  out += kEol;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

struct WellValue {
  bool listed = false;    // some channel names this well
  int firstChannel = -1;  // the channel of its lowest beam (the well's group)
  int64_t value = 0;
};

// A well's value: the rounded mean (halves to even) of the beams the well has. Wells differ in
// beam count on some plates (w48 has wells of two and of three beams), so the divisor is the
// well's own beams, never the plate's highest beam count. A well no channel names (the spare
// column of the built-in 96-well maps) is not a well of the plate and is not listed. A map
// without beams lists every well at 0, under the group of channel 0.
WellValue QuickReportWell(const std::array<int16_t, kChannelSlots>& activity, const WellMap& map,
                          int well) {
  WellValue out;
  if (map.highestBeam < 0) {
    out.listed = true;
    out.firstChannel = map.ChannelOf(well, 0);
    return out;
  }
  int64_t sum = 0;
  int beams = 0;
  for (int b = 0; b <= map.highestBeam; ++b) {
    const int c = map.FindChannel(well, b);
    if (c < 0) continue;
    if (out.firstChannel < 0) out.firstChannel = c;
    sum += activity[static_cast<size_t>(c)];
    ++beams;
  }
  out.listed = beams > 0;
  if (out.listed) out.value = RoundHalfEvenDiv(sum, beams);
  return out;
}

}  // namespace

std::string FormatQuickReport(const CivilTime& now, const QuickReportInputs& in) {
  const ProjectSettings& p = in.project;
  const WellMap& map = in.wells;
  std::string out;
  Line(out, FormatGeneralDate(now));
  Line(out, std::to_string(in.projectNumber) + "_" + p.Name);
  Line(out, "");

  Line(out, "Group Activity:");
  Line(out, kRule);
  Line(out, "Group Value");
  for (int g = 0; g < kChannelCount; ++g) {
    int64_t sum = 0;
    int count = 0;
    for (int c = 0; c < kChannelCount; ++c) {
      if (p.channelGroup[c] == g && p.channelEnabled[c] && map.channelWell[c] >= 0) {
        sum += in.activity[c];
        ++count;
      }
    }
    if (count >= 1) {
      Line(out, Quoted(ReportGroupLabel(p, g)) + " " +
                    std::to_string(RoundHalfEvenDiv(sum, count)));
    }
  }
  Line(out, "");

  Line(out, "Well Activity:");
  Line(out, kRule);
  Line(out, "Well Group Value");
  for (int w = 0; w <= map.highestWell; ++w) {
    WellValue well = QuickReportWell(in.activity, map, w);
    if (!well.listed) continue;
    const int group = well.firstChannel >= 0 ? p.channelGroup[well.firstChannel] : kFreeGroup;
    Line(out, WellLabel(w, in.plateRows) + " " + Quoted(ReportGroupLabel(p, group)) + " " +
                  std::to_string(well.value));
  }
  Line(out, "");

  Line(out, "Raw Activity:");
  Line(out, kRule);
  Line(out, "Channel Well Group Value");
  for (int c = 0; c < kChannelCount; ++c) {
    int w = map.channelWell[c];
    if (w < 0) continue;
    Line(out, std::to_string(c) + " " + WellLabel(w, in.plateRows) + "." +
                  std::to_string(map.channelBeam[c]) + " " + Quoted(ReportGroupLabel(p, p.channelGroup[c])) +
                  " " + std::to_string(in.activity[c]));
  }
  Line(out, "");
  Line(out, "");
  return out;
}

bool WriteQuickReport(Host& host, bool samplingTimerEnabled, const QuickReportInputs& in) {
  if (samplingTimerEnabled) return false;
  auto path = in.projectPath / kQuickReportFileName;
  std::string error;
  if (!WriteFileAtomic(path, FormatQuickReport(host.clock.Now(), in), &error)) {
    host.dialogs.Problem("The quick report could not be written: " + error,
                         Dialogs::Severity::kCritical);
    return false;
  }
  for (int i = 0; i < kQuickReportEventPumps; ++i) host.pacer.PumpEvents();
  host.shell.OpenTextFile(path);
  return true;
}

}  // namespace movexa
