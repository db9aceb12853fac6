// movexa-demo-run: writes a generated multi-day acquisition into the current project of an
// application folder, with Movexa's own writers (the project snapshot as Play writes it, the
// experiment name, and "counts.bin" records as the recorder encodes them), so that the
// analysis commands and the analysis window have days of data to show where a real run of
// that length cannot be recorded (the simulator runs in real time).
//
// The animals: each well alternates between rest (no crossing) and activity (crossings on its
// beams at a Poisson rate), with bouts of a few minutes. The share of time active follows the
// group: the first group is entrained to the light (active in the light, resting in the dark),
// the second a little less active, the third with fragmented nights and lower days, the fourth
// free-running on a 26-hour period with a weak response to the light. Records close every 30
// seconds, two per minute, as a recording with a short bin does. The light control is written
// on in the snapshot with the hours of the schedule given.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "acquisition/counts_record.h"
#include "acquisition/recorder_lock.h"
#include "app/config.h"
#include "base/date_time.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "base/text_records.h"
#include "project/project_files.h"
#include "project/project_store.h"

namespace {

using namespace movexa;

constexpr const char* kUsage =
    "usage: movexa-demo-run --app-dir DIR [--days N] [--start \"YYYY-MM-DD HH:MM\"]\n"
    "                       [--lights-on H --lights-off H] [--seed N] [--name TEXT]\n"
    "Writes a generated acquisition of N days (default 5) into the current project of DIR\n"
    "(start default 2026-03-02 10:17, lights 8 to 20 h) and prints its folder.\n";

struct Options {
  std::filesystem::path appDir;
  int days = 5;
  CivilTime start{2026, 3, 2, 10, 17, 0, 0};
  int lightsOn = 8;
  int lightsOff = 20;
  unsigned seed = 7;
  std::string name = "Generated 5-day run";
};

bool Parse(int argc, char** argv, Options& o) {
  bool named = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    const std::string v = argv[++i];
    auto number = [&](int lo, int hi, int& out) {
      const auto n = ParseInteger(v, lo, hi);
      if (n) out = static_cast<int>(*n);
      return n.has_value();
    };
    int seed = 0;
    if (a == "--app-dir") {
      o.appDir = v;
    } else if (a == "--days") {
      if (!number(1, 60, o.days)) return false;
    } else if (a == "--lights-on") {
      if (!number(0, 23, o.lightsOn)) return false;
    } else if (a == "--lights-off") {
      if (!number(0, 23, o.lightsOff)) return false;
    } else if (a == "--seed") {
      if (!number(0, 1 << 30, seed)) return false;
      o.seed = static_cast<unsigned>(seed);
    } else if (a == "--name") {
      o.name = v;
      named = true;
    } else if (a == "--start") {
      if (std::sscanf(v.c_str(), "%d-%d-%d %d:%d", &o.start.year, &o.start.month, &o.start.day,
                      &o.start.hour, &o.start.minute) != 5) {
        return false;
      }
    } else {
      return false;
    }
  }
  if (!named) o.name = "Generated " + std::to_string(o.days) + "-day run";
  return !o.appDir.empty();
}

// 0 .. 1: how far the lights are on at clock hour `h` (half-hour ramps, as the animals see
// the change through their own timing).
double LightLevel(double h, double on, double off) {
  auto ramp = [](double x) { return 1.0 / (1.0 + std::exp(-x / 0.25)); };
  auto wrap = [](double x) { return std::remainder(x, 24.0); };
  return on < off ? ramp(wrap(h - on)) * ramp(wrap(off - h))
                  : 1.0 - ramp(wrap(h - off)) * ramp(wrap(on - h));
}

// The share of time active of a group at run minute t (clock hour h).
double ActiveShare(int group, double tMinutes, double h, double phaseHours, const Options& o) {
  const double light = LightLevel(h - phaseHours, o.lightsOn, o.lightsOff);
  switch (group % 4) {
    case 0:
      return 0.2 + 0.65 * light;
    case 1:
      return 0.18 + 0.55 * light;
    case 2:
      return 0.3 + 0.3 * light;
    default: {
      const double cycle = std::cos(2 * M_PI * (tMinutes / 60.0 - phaseHours) / 26.0);
      return std::clamp(0.42 + 0.3 * cycle + 0.06 * light, 0.02, 0.98);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!Parse(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ScriptedDialogs dialogs;
  dialogs.Lenient();
  ManualClock clock(o.start);
  ManualPacer pacer(clock);
  RecordingShell shell;
  FixedSystemInfo system;
  RecordingStatus status;
  Host host{dialogs, clock, pacer, shell, system, status};
  AppConfig config;
  if (!LoadConfig(o.appDir, config, host)) {
    std::fprintf(stderr, "movexa-demo-run: %s: no application folder (config.dat)\n",
                 o.appDir.string().c_str());
    return 1;
  }
  const std::filesystem::path projectPath = DeriveProjectPath(o.appDir, config);
  const auto number = static_cast<int16_t>(config.Actual_Project_Number);
  ProjectSettings settings;
  PlateGeometry geometry;
  WellMap map;
  LoadProject(number, {o.appDir, projectPath}, settings, geometry, map, host);
  for (const std::string& text : dialogs.Messages())
    std::fprintf(stderr, "movexa-demo-run: %s\n", text.c_str());
  settings.Mn[kMn2][kLightEnable] = 1;
  settings.Mn[kMn2][kTime_ON] = static_cast<int16_t>(o.lightsOn);
  settings.Mn[kMn2][kTime_OFF] = static_cast<int16_t>(o.lightsOff);
  settings.Mn[kMn2][kPulseTimes] = 0;

  std::string error;
  const std::string folderName = CreateFreshAcquisitionFolder(projectPath, o.start, error);
  if (folderName.empty()) {
    std::fprintf(stderr, "movexa-demo-run: %s\n", error.c_str());
    return 1;
  }
  const std::filesystem::path folder = projectPath / folderName;
  const SaveResult saved = SaveProject(folder, number, settings);
  if (!saved.ok ||
      !WriteFileAtomic(folder / "subproj.dat", FormatSubproject(o.name, nullptr), &error)) {
    std::fprintf(stderr, "movexa-demo-run: %s\n", saved.ok ? error.c_str() : saved.error.c_str());
    return 1;
  }

  std::mt19937 random(o.seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int wells = map.highestWell + 1;
  std::vector<double> phase(static_cast<size_t>(wells)), vigour(static_cast<size_t>(wells));
  std::vector<char> active(static_cast<size_t>(wells), 1);
  for (int w = 0; w < wells; ++w) {
    phase[static_cast<size_t>(w)] = (unit(random) - 0.5) * 1.2;  // hours
    vigour[static_cast<size_t>(w)] = 0.7 + 0.6 * unit(random);
  }
  constexpr double kBoutMinutes = 4.0;  // mean length of a bout of rest or activity
  constexpr double kRatePerBeam = 1.3;  // crossings per beam in a minute of activity
  const int startMinuteOfDay = o.start.hour * 60 + o.start.minute;
  std::string bytes;
  const int minutes = o.days * 1440;
  bytes.reserve(static_cast<size_t>(minutes) * 2 * kCountsRecordBytes);
  for (int m = 0; m < minutes; ++m) {
    const double h = std::fmod((startMinuteOfDay + m) / 60.0, 24.0);
    CountsRecord halves[2];
    for (auto& r : halves) {
      r.minutes = m;
      r.values[kChannelCount] = 250;  // 25.0 degrees
    }
    for (int w = 0; w < wells; ++w) {
      const int first = map.FindChannel(w, 0);
      if (first < 0 || settings.channelGroup[static_cast<size_t>(first)] < 0) continue;
      const int group = settings.channelGroup[static_cast<size_t>(first)];
      const auto i = static_cast<size_t>(w);
      const double share = ActiveShare(group, m, h, phase[i], o);
      // A two-state chain whose share of active minutes is `share`.
      const double leave = active[i] ? (1 - share) / kBoutMinutes : share / kBoutMinutes;
      if (unit(random) < std::min(1.0, leave)) active[i] = !active[i];
      if (!active[i]) continue;
      for (int beam = 0; beam <= map.highestBeam; ++beam) {
        const int c = map.FindChannel(w, beam);
        if (c < 0) continue;
        std::poisson_distribution<int> crossings(kRatePerBeam * vigour[i] / 2);
        for (auto& r : halves)
          r.values[static_cast<size_t>(c)] = static_cast<int16_t>(crossings(random));
      }
    }
    for (const auto& r : halves) EncodeCountsRecord(r, bytes);
  }
  if (!WriteFileAtomic(folder / "counts.bin", bytes, &error)) {
    std::fprintf(stderr, "movexa-demo-run: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", folder.string().c_str());
  return 0;
}
