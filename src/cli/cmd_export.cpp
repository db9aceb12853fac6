// movexa-cli export-ascii and export-picture: the offline window's exports of a well's raw
// samples over a page, and of its signal, analysis or group-activity picture as PNG, SVG, PDF or
// BMP.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "acquisition/counts_record.h"
#include "base/cairo_canvas.h"
#include "base/file_io.h"
#include "base/number_format.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/offline_cli.h"
#include "cli/terminal_host.h"
#include "offline/join_export.h"
#include "offline/offline_pictures.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_folders.h"
#include "reports/counts_series.h"

namespace movexa::cli {

namespace {

constexpr const char* kAsciiHelp =
    "usage: movexa-cli export-ascii [--app-dir DIR] [--well B3] [--page N] [--out FILE]\n"
    "                              ACQUISITION_FOLDER\n"
    "\n"
    "Writes the raw samples of one well (every beam) over one page (50 bins of 500 samples:\n"
    "page N holds the run's bins 50(N-1)+1 .. 50N) as text: the project, the acquisition, the\n"
    "well and page, a header of beam labels, then a line per sample. The file (default\n"
    "datafile.txt in the application folder) is replaced only when written whole.\n"
    "\n"
    "  --app-dir DIR  the application folder (default: two levels above the acquisition\n"
    "                 folder); a relative acquisition folder is also looked for inside it\n";

constexpr const char* kPictureHelp =
    "usage: movexa-cli export-picture --out FILE.png|.svg|.pdf|.bmp\n"
    "                                 [--view signal|analysis|group-activity]\n"
    "                                 [--well B3] [--page N] [--method 0-3] [--snr X] [--group N]\n"
    "                                 [--size WIDTHxHEIGHT] [--app-dir DIR] ACQUISITION_FOLDER\n"
    "\n"
    "Draws the offline window's picture of an acquisition and writes it: signal (the raw\n"
    "signals of the well's beams over a page), analysis (the page re-counted with a detection\n"
    "method and SNR factor, with the envelope) or group-activity (the wells of a group, by\n"
    "default the well's, over the whole acquisition). The file's extension chooses the format;\n"
    "the default size is 1000x500 pixels (points in a PDF).\n"
    "--app-dir is as for export-ascii.\n";

int Fail(const char* command, const std::string& text, int code = 1) {
  std::fprintf(stderr, "movexa-cli %s: %s\n", command, text.c_str());
  return code;
}

bool OneFolder(const CliArgs& args, const char* command, const char* help) {
  if (!args.errors().empty() || args.positional().size() != 1) {
    for (auto& e : args.errors()) std::fprintf(stderr, "movexa-cli %s: %s\n", command, e.c_str());
    std::fprintf(stderr, "movexa-cli %s: give one acquisition folder\n%s", command, help);
    return false;
  }
  return true;
}

}  // namespace

int RunExportAscii(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "well", "page", "out"});
  args.Allow({});
  if (args.Has("help")) {
    std::printf("%s", kAsciiHelp);
    return 0;
  }
  if (!OneFolder(args, "export-ascii", kAsciiHelp)) return 2;
  const auto appOption = args.Value("app-dir");
  std::filesystem::path folder = FolderArgument(args.positional()[0], appOption);
  if (!IsDirectory(folder)) return Fail("export-ascii", "no folder " + folder.string());
  const std::filesystem::path appDir = OfflineAppDir(appOption, folder);
  SignalView view;
  std::string error;
  if (!OpenViewAt(view, folder, appDir, args.Value("well"), args.Value("page"), error))
    return Fail("export-ascii", error, 2);
  std::filesystem::path out = args.Value("out") ? std::filesystem::path(*args.Value("out"))
                                                : appDir / offline_texts::kDataFile;
  TerminalHost terminal;
  std::string description = DescribeProject(folder.parent_path(), terminal.host);
  ExportResult r = ExportAscii(out, view, description);
  if (!r.ok) return Fail("export-ascii", "nothing written to " + out.string() + ": " + r.error);
  std::printf("well %s, page %s: %s\n",
              WellLabel(view.SelectedWell(), view.snap.geometry.rows).c_str(),
              view.PageText().c_str(), out.string().c_str());
  return 0;
}

int RunExportPicture(int argc, char** argv) {
  CliArgs args(argc, argv, 1, {"app-dir", "well", "page", "out", "view", "method", "snr", "group", "size"});
  args.Allow({});
  if (args.Has("help")) {
    std::printf("%s", kPictureHelp);
    return 0;
  }
  if (!OneFolder(args, "export-picture", kPictureHelp)) return 2;
  auto out = args.Value("out");
  if (!out) return Fail("export-picture", "--out FILE is required", 2);
  if (!PictureFormatOf(*out))
    return Fail("export-picture",
                "cannot write " + *out + ": a picture file ends in " +
                    std::string(kPictureExtensions),
                2);
  std::string kind = args.Value("view").value_or("signal");
  if (kind != "signal" && kind != "analysis" && kind != "group-activity")
    return Fail("export-picture", "--view is signal, analysis or group-activity", 2);
  int width = 1000, height = 500;
  if (auto size = args.Value("size")) {
    if (std::sscanf(size->c_str(), "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
        width > 8000 || height > 8000)
      return Fail("export-picture", "--size is WIDTHxHEIGHT, 16..8000 each", 2);
  }
  const auto appOption = args.Value("app-dir");
  std::filesystem::path folder = FolderArgument(args.positional()[0], appOption);
  if (!IsDirectory(folder)) return Fail("export-picture", "no folder " + folder.string());
  SignalView view;
  std::string error;
  if (!OpenViewAt(view, folder, OfflineAppDir(appOption, folder), args.Value("well"),
                  args.Value("page"), error))
    return Fail("export-picture", error, 2);

  CairoCanvas picture(width, height);
  // Text grows with tall pictures so that labels stay readable in large exports.
  picture.SetDefaultTextSize(12.0 * std::max(1.0, height / 500.0));
  picture.SetBackColor(colors::kWhite);
  picture.Clear();
  if (kind == "group-activity") {
    auto bytes = ReadWholeFile(folder / offline_texts::kCountsFile, nullptr, kCountsFileMaxBytes);
    if (!bytes) return Fail("export-picture", std::string(offline_texts::kActivityFileNotFound));
    // Default groups standing in for damaged group files would be drawn as the acquisition's:
    // refused, as a report of the folder is.
    if (!view.snap.groupsProblem.empty())
      return Fail("export-picture", view.snap.groupsProblem +
                                        " (the group activity needs the acquisition's own groups)");
    int group = view.snap.settings.channelGroup[static_cast<size_t>(view.selectedChannel)];
    if (auto g = args.Value("group")) group = std::atoi(g->c_str());
    GroupActivityTrace activity = GroupActivitySeries(*bytes, view.snap.settings, view.snap.map, group);
    if (activity.tornBytes > 0)
      std::printf("%s\n",
                  TornTailNote(folder / offline_texts::kCountsFile, activity.tornBytes).c_str());
    if (activity.wells.empty()) return Fail("export-picture", "no well in group " + std::to_string(group));
    std::string name = group >= 0 && group < kChannelCount
                           ? view.snap.settings.groupNames[static_cast<size_t>(group)]
                           : "";
    DrawGroupActivity(picture, activity, GroupLabel(group, name), view.Caption());
  } else {
    if (view.LoadedPositions() == 0) return Fail("export-picture", "no raw data on this page");
    if (kind == "signal") {
      DrawChannelSignal(picture, view);
    } else {
      int method = std::atoi(args.Value("method").value_or(std::to_string(view.snap.settings.DSP_Method)).c_str());
      if (method < 0 || method > 3) return Fail("export-picture", "--method is 0..3", 2);
      auto factor = ReadFactorText(args.Value("snr").value_or(std::to_string(view.snrX10 / 10.0)));
      bool replaced = false;
      double snr = CorrectAnalysisSnr(method, factor.value_or(0), replaced);
      if (replaced) std::printf("SNR factor %s used\n", FormatNumber(snr, "0.0").c_str());
      DrawAnalysis(picture, view, AnalyzePage(view, method, snr));
    }
  }
  if (!picture.Save(*out, &error)) return Fail("export-picture", "nothing written to " + *out + ": " + error);
  std::printf("%s view written to %s\n", kind.c_str(), out->c_str());
  return 0;
}

}  // namespace movexa::cli
