// movexa-cli project: runs the start-up sequence on an application folder (configuration,
// current project, plate format; its messages and status lines printed on the terminal) and
// prints a summary of the project as the main window would use it.
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "app/app_folder.h"
#include "app/startup.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/cli_startup.h"
#include "cli/cmd_project_edit.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "project/plate_format.h"
#include "reports/report_config.h"

namespace movexa::cli {

namespace {

constexpr const char* kHelp =
    "usage: movexa-cli project [--app-dir DIR]\n"
    "       movexa-cli project list|create|assign ...   (each with --help)\n"
    "\n"
    "Loads \"config.dat\" and the current project of the application folder as the program's\n"
    "start-up does (its messages and status lines are printed), then prints the project:\n"
    "number, name, folder, plate format and geometry, acquisition and detection settings, tool\n"
    "flags, the data interval and the groups in use with their well counts. Like the\n"
    "program, it reads the report configuration \"repoconf.dat\" (created when missing).\n"
    "\n"
    "  --app-dir DIR  the application folder (else MOVEXA_HOME, else the executable's folder\n"
    "                 when it holds config.dat, else $XDG_DATA_HOME/movexa or\n"
    "                 ~/.local/share/movexa); lay one out with `movexa-cli init`\n";

const char* OnOff(bool v) {
  return v ? "on" : "off";
}

void PrintGroups(const AppState& s) {
  // A well belongs to the group of the channel of its first beam.
  std::map<int, int> wells;
  std::map<int, int> channels;
  for (int w = 0; w <= s.wellMap.highestWell; ++w) {
    int c = s.wellMap.FindChannel(w, 0);
    if (c >= 0) ++wells[s.project.channelGroup[static_cast<size_t>(c)]];
  }
  for (size_t c = 0; c < kChannelCount; ++c) {
    if (s.wellMap.channelWell[c] >= 0) ++channels[s.project.channelGroup[c]];
  }
  std::printf("groups in use:\n");
  for (const auto& [group, count] : channels) {
    std::string name = group >= 0 ? s.project.groupNames[static_cast<size_t>(group)] : "";
    std::printf("  %-24s %3d wells  %3d channels\n", GroupLabel(group, name).c_str(),
                wells.count(group) ? wells.at(group) : 0, count);
  }
}

void PrintSummary(const AppState& s) {
  const ProjectSettings& p = s.project;
  const PlateGeometry& g = s.geometry;
  const KnownPlateFormat* known = FindKnownPlateFormat(p.Plate_format);
  int mappedWells = 0;
  for (int w = 0; w <= s.wellMap.highestWell; ++w) {
    if (s.wellMap.FindChannel(w, 0) >= 0) ++mappedWells;
  }
  int mappedChannels = 0;
  int enabled = 0;
  for (size_t c = 0; c < kChannelCount; ++c) {
    if (s.wellMap.channelWell[c] >= 0) ++mappedChannels;
    if (p.channelEnabled[c]) ++enabled;
  }
  std::printf("project:      %d  %s\n", s.config.Actual_Project_Number, p.Name.c_str());
  std::printf("folder:       %s\n", s.ProjectPath.string().c_str());
  std::printf("plate format: %s%s%s\n", p.Plate_format.c_str(), known ? "  " : "",
              known ? std::string(known->description).c_str() : "");
  std::printf(
      "geometry:     %d rows x %d columns; row pitch %s offset %s; column pitch %s offset %s\n",
      g.rows, g.columns, ShortestDecimal(g.rowPitch).c_str(), ShortestDecimal(g.rowOffset).c_str(),
      ShortestDecimal(g.columnPitch).c_str(), ShortestDecimal(g.columnOffset).c_str());
  std::printf("well map:     %d wells, %d channels mapped, highest well %d, highest beam %d\n",
              mappedWells, mappedChannels, s.wellMap.highestWell, s.wellMap.highestBeam);
  std::printf(
      "acquisition:  lapse %d min, %d samples per bin (RT_Buffer), mode %d, sample rate %d, "
      "save counts %d, save raw %d\n",
      p.Aq_lapse, p.RT_Buffer, p.Aq_mode, p.Sample_Rate, p.Save_counts, p.Save_real);
  std::printf(
      "detection:    method %d, interval %d samples, blank %d samples, SNR %s, organism %s\n",
      p.DSP_Method, p.DSP_Interval, p.Threshold_Counter, s.main.snrText.c_str(),
      s.main.organismText.empty() ? "-" : s.main.organismText.c_str());
  std::printf("calibration:  target %d, mode %d, auto calibration %s, auto zero %s\n", p.Cal_value,
              p.Cal_mode, OnOff(s.main.autoCalibration), OnOff(s.main.autoZero));
  std::printf("light/temp:   light %02d-%02d h, temperature control %s at %s C\n",
              s.main.lightOnHour, s.main.lightOffHour, OnOff(s.main.temperatureControl),
              s.main.temperatureText.c_str());
  std::printf(
      "tools:        calibration %d, light %d, temperature %d, menu4 %d, menu5 %d, menu6 %d\n",
      p.Menu[0], p.Menu[1], p.Menu[2], p.Menu[3], p.Menu[4], p.Menu[5]);
  std::printf("data interval: %s min%s\n", s.main.dataInterval.c_str(),
              s.main.userDefinedBin ? " (user-defined BIN size)" : "");
  std::printf("channels:     %d of %d enabled\n", enabled, kChannelCount);
  PrintGroups(s);
}

}  // namespace

int RunProject(int argc, char** argv) {
  if (auto exitCode = RunProjectSubcommand(argc, argv)) return *exitCode;
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "project", kHelp)) return *exitCode;
  TerminalHost terminal;
  NoWaitPacer pacer;
  Host host{terminal.dialogs, terminal.clock,  pacer,
            terminal.shell,   terminal.system, terminal.status};
  AppState state;
  state.appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  CliStartup observer(host);
  if (!StartUp(state, "", host, observer)) {
    std::fprintf(stderr, "movexa-cli project: start-up ended (application folder %s)\n",
                 state.appDir.string().c_str());
    return 1;
  }
  std::fflush(stdout);
  PrintSummary(state);
  return 0;
}

}  // namespace movexa::cli
