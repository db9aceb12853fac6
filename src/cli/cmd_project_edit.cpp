// movexa-cli project list | create | assign: scripted project set-ups through the same setup
// operations as the setup window (field rules, New, plate-format change, group editing, Save).
// The window's questions are answered by the command's options and printed as a transcript.
#include "cli/cmd_project_edit.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "acquisition/live_display_values.h"
#include "app/app_folder.h"
#include "app/startup.h"
#include "base/text_records.h"
#include "cli/cli_args.h"
#include "cli/cli_startup.h"
#include "cli/terminal_host.h"
#include "project/group_editing.h"
#include "project/plate_format.h"
#include "project/setup_fields.h"
#include "project/setup_projects.h"
#include "project/setup_texts.h"

namespace movexa::cli {

namespace {

constexpr const char* kListHelp =
    "usage: movexa-cli project list [--app-dir DIR]\n"
    "\n"
    "Lists the projects of the application folder as the setup window's project list does\n"
    "(folder and name; \"SETUP NOT FOUND!!\" for a project whose setup cannot be read); the\n"
    "current project is marked with '*'.\n";

constexpr const char* kCreateHelp =
    "usage: movexa-cli project create --name NAME [--plate FORMAT] [--lapse MIN] [--buffer N]\n"
    "           [--method 0-3] [--organism NAME|0-3] [--snr V] [--interval N] [--save-raw yes|no]\n"
    "           [--overwrite] [--app-dir DIR]\n"
    "\n"
    "Creates a new project from the current project's settings as the setup window's New...\n"
    "does, with the given changes: plate format (its groups are cleared), run length in\n"
    "minutes (2..32000), samples per bin (200..10000), detection method, organism (C.elegans,\n"
    "Zebrafish, Echinococcus, Drosophila; sets its method and SNR), SNR (1.4..5.0; 0.5..0.9\n"
    "with method 3), detection interval (1 up to the samples per bin). Settings that would\n"
    "count nothing are refused. The project gets the next number (after 31999 numbering\n"
    "restarts at 1); an existing folder of that number is overwritten only with --overwrite.\n"
    "The project is created whole or not at all; it becomes the current one.\n";

constexpr const char* kAssignHelp =
    "usage: movexa-cli project assign [--app-dir DIR] [--clear] [--set RRxCC]\n"
    "           [--group NAME [--number G] WELLS...] [--free WELLS...]\n"
    "\n"
    "Edits the groups of the current project and saves it, as the setup window does:\n"
    "  --clear        frees every well and names every group \"Free\"\n"
    "  --set RRxCC    arranges the plate in blocks of RR rows x CC columns, one group per\n"
    "                 block (02x03: 2 rows x 3 columns)\n"
    "  --group NAME   the wells given (A1, B3, or ranges such as A1-B3) join the group\n"
    "                 named NAME (its number is --number G, else the group of that name, else\n"
    "                 the next free number); every beam of each well joins it; with\n"
    "                 --number and no wells the group is only renamed\n"
    "  --free         the wells given are freed instead\n";

// The window's questions answered by the command: OK and Yes, except the overwrite question
// (Yes only with --overwrite); input boxes get the prepared answer. Everything is printed.
class CommandDialogs : public Dialogs {
 public:
  CommandDialogs(std::string input, bool overwrite)
      : input_(std::move(input)), overwrite_(overwrite) {}
  void Message(std::string_view text, std::string_view) override {
    std::cout << "message: " << text << "\n";
    ++messages_;
  }
  Answer Ask(std::string_view text, Buttons buttons, std::string_view) override {
    const bool overwrite = text.rfind("The project number to generate", 0) == 0;
    const bool yes = !overwrite || overwrite_;
    std::cout << "question: " << text << " -> " << (yes ? "Yes" : "No (see --overwrite)") << "\n";
    if (buttons == Buttons::kOkCancel || buttons == Buttons::kOk) {
      return yes ? Answer::kOk : Answer::kCancel;
    }
    return yes ? Answer::kYes : Answer::kNo;
  }
  std::string Input(std::string_view prompt, std::string_view, std::string_view) override {
    std::cout << "input: " << prompt << " -> " << input_ << "\n";
    return input_;
  }
  void SetInput(std::string input) { input_ = std::move(input); }
  int messages() const { return messages_; }

 private:
  std::string input_;
  bool overwrite_;
  int messages_ = 0;
};

// Loads the configuration and the current project as start-up does.
bool Start(AppState& state, const CliArgs& args, TerminalHost& terminal, const char* command) {
  NoWaitPacer pacer;  // the start-up's progress pauses are for the start menu only
  Host host{terminal.dialogs, terminal.clock,  pacer,
            terminal.shell,   terminal.system, terminal.status};
  state.appDir = ChooseAppDir(AppDirSourcesFromEnvironment(args.Value("app-dir")));
  CliStartup observer(host);
  if (StartUp(state, "", host, observer)) return true;
  std::fprintf(stderr, "movexa-cli project %s: start-up ended (application folder %s)\n", command,
               state.appDir.string().c_str());
  return false;
}

// A field rule's outcome on the command line: its message refuses the value.
bool Accepted(const FieldEdit& e, const char* option, const std::string& value) {
  if (e.message.empty()) {
    if (e.show) std::cout << option << " " << value << ": stored " << *e.show << "\n";
    return true;
  }
  std::fprintf(stderr, "movexa-cli project create: --%s %s: %s\n", option, value.c_str(),
               e.message.c_str());
  return false;
}

std::optional<int> OrganismCode(const std::string& text) {
  const auto& names = setup_texts::kOrganisms;
  for (size_t i = 0; i < names.size(); ++i) {
    if (text == names[i]) return static_cast<int>(i);
  }
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '3') return text[0] - '0';
  return std::nullopt;
}

// Wells of "A1", "b3" or a rectangle "A1-B3"; false when a word names no well of the plate.
bool WellsOf(const std::string& word, const PlateGeometry& g, std::vector<int>& wells) {
  auto parse = [&](std::string w) -> std::optional<int> {
    if (!w.empty()) w[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(w[0])));
    return WellOfChannelLabel(w, g);
  };
  auto dash = word.find('-');
  auto a = parse(word.substr(0, dash));
  auto b = dash == std::string::npos ? a : parse(word.substr(dash + 1));
  if (!a || !b) return false;
  const int rows = g.rows;
  for (int c = std::min(*a / rows, *b / rows); c <= std::max(*a / rows, *b / rows); ++c) {
    for (int r = std::min(*a % rows, *b % rows); r <= std::max(*a % rows, *b % rows); ++r) {
      wells.push_back(c * rows + r);
    }
  }
  return true;
}

void PrintGroupsInUse(const AppState& s) {
  for (const auto& label : MainGroupSelectorItems(s.project, s.wellMap)) {
    auto g = GroupOfLabel(label).value_or(0);
    std::cout << "  " << label << "  " << ChannelList(s.project, s.wellMap, s.geometry, g).size()
              << " channels\n";
  }
}

int RunList(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir"});
  args.Allow({});
  if (auto exitCode = HelpOrUsageError(args, "project list", kListHelp)) return *exitCode;
  TerminalHost terminal(false, true);
  AppState state;
  if (!Start(state, args, terminal, "list")) return 1;
  std::fflush(stdout);
  for (const auto& entry : ProjectList(state.appDir, terminal.host)) {
    const bool current = entry.number == state.config.Actual_Project_Number;
    std::cout << (current ? "* " : "  ") << entry.text << "\n";
  }
  return 0;
}

int RunCreate(int argc, char** argv) {
  CliArgs args(argc, argv, 1,
               {"app-dir", "name", "plate", "lapse", "buffer", "method", "organism", "snr",
                "interval", "save-raw"});
  args.Allow({"overwrite"});
  if (auto exitCode = HelpOrUsageError(args, "project create", kCreateHelp)) return *exitCode;
  auto name = args.Value("name");
  if (!name || name->empty()) {
    std::fprintf(stderr, "movexa-cli project create: --name is required\n%s", kCreateHelp);
    return 2;
  }
  TerminalHost terminal(false, true);
  AppState state;
  if (!Start(state, args, terminal, "create")) return 1;
  std::fflush(stdout);
  CommandDialogs dialogs(*name, args.Has("overwrite"));
  NoWaitPacer pacer;
  Host host{dialogs, terminal.clock, pacer, terminal.shell, terminal.system, terminal.status};
  ProjectSettings& p = state.project;
  if (auto plate = args.Value("plate"); plate && *plate != p.Plate_format) {
    if (ChoosePlateFormat(state, host, *plate) != PlateChoiceResult::kLoaded) return 1;
  }
  bool ok = true;
  if (auto v = args.Value("lapse")) {
    FieldEdit e = EditLapse(p, *v);
    if (!e.stored) e = LeaveNumberBox(*v, p.Aq_lapse);
    ok = Accepted(e, "lapse", *v) && ok;
  }
  if (auto v = args.Value("buffer")) ok = Accepted(LeaveBuffer(p, *v), "buffer", *v) && ok;
  if (auto v = args.Value("interval")) {
    FieldEdit e = EditInterval(p, *v);
    if (!e.stored) e = LeaveIntervalBox(p, *v);
    ok = Accepted(e, "interval", *v) && ok;
  }
  if (auto v = args.Value("organism")) {
    auto code = OrganismCode(*v);
    if (!code) {
      std::fprintf(stderr, "movexa-cli project create: unknown organism %s\n", v->c_str());
      return 2;
    }
    ChooseOrganism(p, *code);
  }
  if (auto v = args.Value("method")) {
    if (v->size() != 1 || (*v)[0] < '0' || (*v)[0] > '3') {
      std::fprintf(stderr, "movexa-cli project create: --method takes 0, 1, 2 or 3\n");
      return 2;
    }
    p.DSP_Method = static_cast<int16_t>((*v)[0] - '0');
  }
  if (auto v = args.Value("snr")) ok = Accepted(LeaveSnrBox(p, *v), "snr", *v) && ok;
  if (auto v = args.Value("save-raw")) ChooseSaveReal(p, *v == "yes" ? 1 : 0);
  if (!ok) return 1;
  ChooseSaveCounts(p);
  SetToolFlag(state, kMenuCal, true);
  const ProjectOpResult made = NewProject(state, host);
  std::cout << std::flush;  // the transcript before the verdict, also through a pipe
  switch (made) {
    case ProjectOpResult::kDone:
      break;
    case ProjectOpResult::kCancelled:
      std::fprintf(stderr, "movexa-cli project create: no project created\n");
      return 1;
    case ProjectOpResult::kFailed:
      std::fprintf(stderr, "movexa-cli project create: the project was not created (see above)\n");
      return 1;
  }
  std::cout << "created project " << state.config.Actual_Project_Number << " \"" << p.Name
            << "\" in " << state.ProjectPath.string() << " (plate " << p.Plate_format << ", lapse "
            << p.Aq_lapse << " min, " << p.RT_Buffer << " samples per bin, " << DetectionSummary(p)
            << ")\n";
  return 0;
}

int RunAssign(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "set", "group", "number"});
  args.Allow({"clear", "free"});
  if (args.Has("help")) {
    std::fputs(kAssignHelp, stdout);
    return 0;
  }
  const bool free = args.Has("free");
  auto groupName = args.Value("group");
  bool usage = !args.errors().empty() || (groupName && free) ||
               (!args.positional().empty() && !groupName && !free) ||
               (free && args.positional().empty()) ||
               (groupName && args.positional().empty() && !args.Value("number"));
  if (usage) {
    for (const auto& e : args.errors())
      std::fprintf(stderr, "movexa-cli project assign: %s\n", e.c_str());
    std::fputs(kAssignHelp, stderr);
    return 2;
  }
  TerminalHost terminal(false, true);
  AppState state;
  if (!Start(state, args, terminal, "assign")) return 1;
  std::fflush(stdout);
  CommandDialogs dialogs(groupName.value_or(""), false);
  NoWaitPacer pacer;
  Host host{dialogs, terminal.clock, pacer, terminal.shell, terminal.system, terminal.status};
  ProjectSettings& p = state.project;
  if (args.Has("clear")) ClearGroups(p);
  if (auto set = args.Value("set")) {
    if (!AutoArrange(p, state.wellMap, state.geometry, *set)) {
      std::fprintf(stderr, "movexa-cli project assign: --set %s is not RRxCC (01..16)\n",
                   set->c_str());
      return 2;
    }
  }
  std::vector<int> wells;
  for (const auto& word : args.positional()) {
    if (!WellsOf(word, state.geometry, wells)) {
      std::fprintf(stderr, "movexa-cli project assign: %s is no well of plate %s\n", word.c_str(),
                   p.Plate_format.c_str());
      return 2;
    }
  }
  if (groupName) {
    int group = -1;
    if (auto number = args.Value("number")) {
      auto v = ParseInteger(*number, 0, kGroupCount - 1);
      if (!v) {
        std::fprintf(stderr, "movexa-cli project assign: --number takes 0..383\n");
        return 2;
      }
      group = static_cast<int>(*v);
    } else {
      const std::string stored = TypedName(*groupName);
      for (int g = 0; g < kGroupCount && group < 0; ++g) {
        if (p.groupNames[static_cast<size_t>(g)] == stored && stored != "Free") group = g;
      }
      // The selector always offers one unused number after the highest used group.
      if (group < 0) group = FillGroupSelector(p, -1).groups.back();
    }
    RenameGroup(p, host, group);
    for (int w : wells) SetWellGroup(p, state.wellMap, w, group);
  } else if (free) {
    for (int w : wells) SetWellGroup(p, state.wellMap, w, kFreeGroup);
  }
  FillGroupSelector(p, 0);  // used groups still named "Free" take their "Group<n>" names
  if (SaveCurrentProject(state, host) != ProjectOpResult::kDone) return 1;
  std::cout << "saved project " << state.config.Actual_Project_Number << " \"" << p.Name
            << "\"; groups in use:\n";
  PrintGroupsInUse(state);
  return 0;
}

}  // namespace

std::optional<int> RunProjectSubcommand(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const std::string word = argv[1];
  if (word == "list") return RunList(argc - 1, argv + 1);
  if (word == "create") return RunCreate(argc - 1, argv + 1);
  if (word == "assign") return RunAssign(argc - 1, argv + 1);
  return std::nullopt;
}

}  // namespace movexa::cli
