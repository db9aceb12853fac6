// movexa-cli: the headless face of Movexa (batch acquisitions, reports and maintenance).
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "base/cairo_canvas.h"
#include "cli/commands.h"

namespace movexa::cli {
// Commands register here, one line each, in the order "movexa-cli --help" lists them.
const Command kCommands[] = {
    {"init", "lay out a fresh application folder from the installation data", RunInit},
    {"project", "print, list or create projects; assign wells to groups", RunProject},
    {"connect", "find the instrument; print its port, serial number and factory calibration",
     RunConnect},
    {"ports", "list the serial ports of this computer and the COM number each is reached by",
     RunPorts},
    {"acquire", "run a named acquisition of the current project in real time", RunAcquire},
    {"calibrate", "software calibration, automatic zero or blank reading on the instrument",
     RunCalibrate},
    {"test-device", "device test: every beam on, off, by column and by row; report file",
     RunTestDevice},
    {"factory", "serial number, factory calibration, temperature; offset re-calibration",
     RunFactory},
    {"gain-curve", "readings of every beam at every power and gain into three files",
     RunGainCurveCommand},
    {"report", "write the report of recorded acquisitions", RunReport},
    {"reanalyze", "re-count acquisitions from their raw data, then report", RunReanalyze},
    {"circadian", "export acquisitions per well or channel for circadian tools", RunCircadian},
    {"list", "list projects and their acquisitions, optionally searched", RunList},
    {"join", "join acquisitions of one project into a new acquisition", RunJoin},
    {"export-ascii", "write a well's raw samples over a page as text", RunExportAscii},
    {"export-picture", "draw the signal, analysis or group-activity view as PNG or SVG",
     RunExportPicture},
    {"archive", "take acquisitions out of the list by renaming their folders", RunArchive},
    {"rename", "rename an acquisition or a project", RunRename},
    {"export-dam",
     "write a run as DAM monitor files, metadata and a long table, with its bin check",
     RunExportDam},
    {"sleep", "sleep and rest per well, light phase and group (fly or fish preset)", RunSleep},
    {"profile", "the average day per well and group", RunProfile},
    {"actogram", "double-plotted actograms per well and group mean, values and heights",
     RunActogram},
    {"periodogram", "chi-square, Lomb-Scargle or autocorrelation periodograms, peaks and groups",
     RunPeriodogram},
};
}  // namespace movexa::cli

int main(int argc, char** argv) {
  using movexa::cli::kCommands;
  // A file-size limit makes a refused write fail (EFBIG) and be reported, never end the program
  // part-way through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  auto usage = [](std::FILE* out) {
    std::fprintf(out, "usage: movexa-cli COMMAND [options]   (movexa-cli COMMAND --help)\n\ncommands:\n");
    for (const auto& c : kCommands) {
      if (c.name) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    }
  };
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    usage(stdout);
    return 0;
  }
  for (const auto& c : kCommands) {
    if (c.name && std::strcmp(c.name, argv[1]) == 0) {
      const int status = c.run(argc - 1, argv + 1);
      movexa::CairoCanvas::ReleaseFontCaches();  // a clean exit for leak checkers
      return status;
    }
  }
  std::fprintf(stderr, "movexa-cli: unknown command '%s'\n", argv[1]);
  usage(stderr);
  return 2;
}
