// movexa-cli plot: the analysis window's pictures as PNG, SVG or PDF files (and the numbers
// drawn as CSV), from the same core drawing.
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>

#include "analysis/analysis_csv.h"
#include "analysis/analysis_plots.h"
#include "base/cairo_canvas.h"
#include "base/file_io.h"
#include "base/text_records.h"
#include "cli/analysis_cli.h"
#include "cli/commands.h"

namespace movexa::cli {

namespace {

std::string Usage() {
  return std::string(
             "usage: movexa-cli plot KIND --out FILE.png|svg|pdf [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Draws an analysis of a run as the analysis window shows it:\n"
             "  activity     each group's activity over the run, mean with an SEM band, dark\n"
             "               phases shaded, clock time below and hours since the start above\n"
             "  profile      the average day per group, mean with an SEM band over animals\n"
             "  actogram     double-plotted actograms of the group means (or wells), one panel "
             "each\n"
             "  periodogram  each group's mean periodogram with an SEM band (or the wells'),\n"
             "               the significance line and the peaks marked with their period\n"
             "  sleep        a sleep measure per group in one window: bars with SEM and the "
             "animals\n\n"
             "  --out FILE            the picture; its extension chooses the format (.png, .svg,\n"
             "                        .pdf; .bmp)\n"
             "  --width PX --height PX   size of the picture (default 1000 x 500; PDF in points)\n"
             "  --dpi D               PNG resolution: D / 96 pixels per picture pixel, the "
             "drawing\n"
             "                        unchanged (default 96)\n"
             "  --csv FILE            also the numbers drawn, as CSV with the analysis header\n"
             "  --groups A,B          groups by label (001_Control), name or number (default: "
             "all)\n"
             "  --wells B3,A1-B3      wells instead of groups (A1-B3: a rectangle of the plate)\n"
             "  --bin MINUTES         activity bin (default: the shortest round bin that draws "
             "the\n"
             "                        run in at most 150) or profile bin (default 30)\n"
             "  --period HOURS        actogram row length (default 24)\n"
             "  --method chi2|ls|acf --variant classic --range 16-32 --alpha 0.01\n"
             "                        periodogram method, variant, periods tested (hours) and "
             "level\n"
             "  --preset fly|fish     sleep rule (default fly)\n"
             "  --measure NAME        sleep measure, a column of the sleep files (default "
             "sleep_min)\n"
             "  --window LABEL        sleep window: \"whole run\" (default), \"day 2 dark\", ...\n"
             "  --threads N           threads to compute on (default: every core)\n") +
         AnalysisOptionsHelp(false);
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const size_t a = item.find_first_not_of(' ');
    const size_t b = item.find_last_not_of(' ');
    if (a != std::string::npos) out.push_back(item.substr(a, b - a + 1));
  }
  return out;
}

struct Picture {
  int width = 1000;
  int height = 500;
  double pixelRatio = 1.0;
};

// The request and picture options; false with the reason in `error`.
bool ReadOptions(const CliArgs& args, PlotRequest& r, Picture& p, std::string& error) {
  auto integer = [&](const char* name, int64_t lo, int64_t hi, int64_t& out) {
    const auto text = args.Value(name);
    if (!text) return true;
    const auto v = ParseInteger(*text, lo, hi);
    if (!v) {
      error = std::string("--") + name + " takes a whole number, " + std::to_string(lo) + " to " +
              std::to_string(hi);
      return false;
    }
    out = *v;
    return true;
  };
  int64_t width = p.width, height = p.height, dpi = 96;
  if (!integer("width", 100, 8000, width) || !integer("height", 100, 8000, height) ||
      !integer("dpi", 24, 1200, dpi) || !integer("bin", 1, 1440, r.binMinutes)) {
    return false;
  }
  p = {static_cast<int>(width), static_cast<int>(height), static_cast<double>(dpi) / 96.0};
  if (std::max(width, height) * p.pixelRatio > 20000) {
    error = "--dpi with that size makes a PNG over 20000 pixels a side";
    return false;
  }
  const auto groups = args.Value("groups");
  const auto wells = args.Value("wells");
  if (groups && wells) {
    error = "--groups and --wells exclude each other";
    return false;
  }
  r.byWell = wells.has_value();
  if (groups || wells) r.names = SplitList(groups ? *groups : *wells);
  if (auto text = args.Value("period")) {
    const auto v = ParseOperatorNumber(*text);
    if (!v || !(*v > 0) || !(*v <= 1000)) {
      error = "--period takes hours above 0 (at most 1000)";
      return false;
    }
    r.actogramPeriodHours = *v;
  }
  if (!PeriodogramOptionsFrom(args, r.periodogram, error)) return false;
  if (auto preset = args.Value("preset")) {
    if (*preset != "fly" && *preset != "fish") {
      error = "--preset takes fly or fish";
      return false;
    }
    r.sleepPreset = *preset == "fly" ? SleepPreset::kFly : SleepPreset::kFish;
  }
  if (auto m = args.Value("measure")) r.sleepMeasure = *m;
  if (auto w = args.Value("window")) r.sleepWindow = *w;
  return true;
}

}  // namespace

int RunPlot(int argc, char** argv) {
  const std::string usage = Usage();
  // The kind comes first, then the options and folders of an analysis command.
  if (argc < 2 || std::string(argv[1]).rfind("--", 0) == 0) {
    const bool help = argc >= 2 && std::string(argv[1]) == "--help";
    if (!help) std::fputs("movexa-cli plot: the first word is the KIND of plot\n", stderr);
    std::fputs(usage.c_str(), help ? stdout : stderr);
    return help ? 0 : 2;
  }
  const auto kind = PlotKindOf(argv[1]);
  AnalysisCommand command(
      argc - 1, argv + 1,
      {"width", "height", "dpi", "csv", "groups", "wells", "bin", "period", "method", "variant",
       "range", "alpha", "preset", "measure", "window", "threads"},
      {});
  if (auto code = command.Prepare("plot", usage.c_str())) return *code;
  auto refuse = [&](const std::string& why) {
    std::fprintf(stderr, "movexa-cli plot: %s\n%s", why.c_str(), usage.c_str());
    return 2;
  };
  if (!kind) {
    return refuse(std::string(argv[1]) +
                  " is no kind of plot (activity, profile, actogram, periodogram, sleep)");
  }
  const auto& args = command.args();
  const auto out = args.Value("out");
  if (!out) return refuse("--out FILE is required");
  if (!PictureFormatOf(*out)) {
    return refuse("cannot write " + *out + ": a picture file ends in " +
                  std::string(kPictureExtensions));
  }
  PlotRequest request;
  request.kind = *kind;
  Picture picture;
  std::string error;
  if (!ReadOptions(args, request, picture, error)) return refuse(error);
  int64_t threads = 0;
  if (const auto text = args.Value("threads")) {
    const auto n = ParseInteger(*text, 1, 64);
    if (!n) return refuse("--threads takes a whole number, 1 to 64");
    threads = *n;
  }

  ActivityTable table;
  if (!command.Load(table)) return 1;
  WorkerPool pool(static_cast<int>(threads));
  StepProgress progress(command);
  PlotControl control;
  control.progress = std::ref(progress);
  const PlotData data = ComputePlot(table, request, pool, control);
  command.Finish();
  if (!data.ok) {
    std::fprintf(stderr, "movexa-cli plot: %s\n", data.error.c_str());
    return 1;
  }
  CairoCanvas canvas(picture.width, picture.height);
  DrawPlot(canvas, data);
  if (!canvas.Save(*out, &error, picture.pixelRatio)) {
    std::fprintf(stderr, "movexa-cli plot: %s\n", error.c_str());
    return 1;
  }
  std::cout << "wrote " << *out << "\n";
  if (const auto csv = args.Value("csv")) {
    if (!WriteOutputFile(*csv, PlotCsv(table, data), error)) {
      std::fprintf(stderr, "movexa-cli plot: %s\n", error.c_str());
      return 1;
    }
    std::cout << "wrote " << *csv << "\n";
  }
  for (const auto& line : data.summary) std::cout << line << "\n";
  if (!data.note.empty()) std::cout << "note: " << data.note << "\n";
  return 0;
}

}  // namespace movexa::cli
