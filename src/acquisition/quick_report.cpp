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
  int beams = map.highestBeam;
  for (int w = 0; w <= map.highestWell; ++w) {
    int64_t value = 0;
    if (beams >= 1) {
      int64_t sum = 0;
      for (int b = 0; b <= beams; ++b) sum += in.activity[map.ChannelOf(w, b)];
      value = RoundHalfEvenDiv(sum, beams + 1);
    } else if (beams == 0) {
      value = in.activity[map.ChannelOf(w, 0)];
    }
    int first = map.ChannelOf(w, 0);
    Line(out, WellLabel(w, in.plateRows) + " " + Quoted(ReportGroupLabel(p, p.channelGroup[first])) + " " +
                  std::to_string(value));
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
    host.dialogs.Message("The quick report could not be written: " + error);
    return false;
  }
  for (int i = 0; i < kQuickReportEventPumps; ++i) host.pacer.PumpEvents();
  host.shell.OpenTextFile(path);
  return true;
}

}  // namespace movexa
