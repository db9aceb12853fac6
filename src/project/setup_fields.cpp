// Field rules of the project setup window.
#include "project/setup_fields.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>

#include "acquisition/detection_texts.h"
#include "app/startup.h"
#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "project/project_store.h"
#include "project/setup_texts.h"

namespace movexa {

namespace texts = setup_texts;

namespace {

constexpr int16_t kLapseMax = 32000;
constexpr int16_t kLapseFallback = 2;
constexpr int16_t kBufferMin = 200;
constexpr int16_t kBufferMax = 10000;

// A typed whole number: "," accepted as decimal point, rounded halves to even; nullopt when the
// text is no number or the rounded value does not fit 16 bits.
std::optional<int16_t> TypedInt16(std::string_view text) {
  auto v = ParseOperatorNumber(text);
  if (!v) return std::nullopt;
  return RoundToInt16(*v);
}

std::string OneDecimal(double v) {
  return FormatNumber(v, "0.0");
}

}  // namespace

FieldEdit EditLapse(ProjectSettings& p, std::string_view text) {
  FieldEdit e;
  auto v = ParseOperatorNumber(text);
  if (!v || std::isnan(*v)) return e;
  e.stored = true;
  if (*v >= kLapseMax) {
    p.Aq_lapse = kLapseMax;
    e.show = std::to_string(kLapseMax);
    return e;
  }
  int64_t rounded = RoundHalfEven(*v);
  if (rounded <= 0) {
    p.Aq_lapse = kLapseFallback;
    e.show = std::to_string(kLapseFallback);
    return e;
  }
  p.Aq_lapse = static_cast<int16_t>(rounded);
  return e;
}

FieldEdit EditSampleRate(ProjectSettings& p, std::string_view text) {
  FieldEdit e;
  if (auto v = TypedInt16(text)) {
    p.Sample_Rate = *v;
    e.stored = true;
  }
  return e;
}

FieldEdit EditInterval(ProjectSettings& p, std::string_view text) {
  FieldEdit e;
  auto v = TypedInt16(text);
  if (v && *v >= 1 && *v <= p.RT_Buffer) {
    p.DSP_Interval = *v;
    e.stored = true;
  }
  return e;
}

FieldEdit LeaveBuffer(ProjectSettings& p, std::string_view text) {
  FieldEdit e;
  auto v = ParseOperatorNumber(text);
  if (!v || std::isnan(*v)) {
    e.message = std::string(texts::kNotAWholeNumber);
    e.show = std::to_string(p.RT_Buffer);
    e.refocus = true;
    return e;
  }
  e.stored = true;
  if (*v < kBufferMin || *v > kBufferMax) {
    p.RT_Buffer = kBufferMin;
    e.show = std::to_string(kBufferMin);
    return e;
  }
  p.RT_Buffer = static_cast<int16_t>(RoundHalfEven(*v));
  return e;
}

FieldEdit LeaveNumberBox(std::string_view text, int16_t stored) {
  FieldEdit e;
  auto v = ParseOperatorNumber(text);
  // The lapse box shows its clamps itself; any number it took is fine.
  if (v && RoundToInt16(*v) == stored) return e;
  e.message = std::string(texts::kNotAWholeNumber);
  e.show = std::to_string(stored);
  e.refocus = true;
  return e;
}

FieldEdit LeaveIntervalBox(const ProjectSettings& p, std::string_view text) {
  FieldEdit e = LeaveNumberBox(text, p.DSP_Interval);
  if (!e.message.empty()) e.message = texts::IntervalRange(p.RT_Buffer);
  return e;
}

OrganismChoice ChooseOrganism(ProjectSettings& p, int code) {
  OrganismChoice choice;
  auto& mn1 = p.Mn[kMn1];
  mn1[kOrganism] = static_cast<int16_t>(std::clamp(code, -32768, 32767));
  const OrganismDefaults* d = FindOrganismDefaults(code);
  if (!d) return choice;
  p.DSP_Method = d->algorithm;
  mn1[kSNRx10] = d->snrX10;
  choice.algorithm = d->algorithm;
  choice.snrText = std::string(d->snrText);
  return choice;
}

FieldEdit LeaveSnrBox(ProjectSettings& p, std::string_view text) {
  FieldEdit e;
  auto& mn1 = p.Mn[kMn1];
  const SnrRange range = SnrRangeOfMethod(p.DSP_Method);
  auto v = ParseOperatorNumber(text);
  if (v && !std::isnan(*v) && range.Contains(*v)) {
    mn1[kSNRx10] = static_cast<int16_t>(RoundHalfEven(*v * 10));
    e.stored = true;
    e.show = OneDecimal(mn1[kSNRx10] / 10.0);
    return e;
  }
  e.message = std::string(range.message);
  e.refocus = true;
  e.stored = true;
  mn1[kSNRx10] = DefaultSnrX10(p.DSP_Method, mn1[kOrganism]);
  e.show = OneDecimal(mn1[kSNRx10] / 10.0);
  return e;
}

FieldEdit ChooseAlgorithm(ProjectSettings& p, int index) {
  FieldEdit e;
  p.DSP_Method = static_cast<int16_t>(index);
  auto& mn1 = p.Mn[kMn1];
  const SnrRange range = SnrRangeOfMethod(p.DSP_Method);
  if (mn1[kSNRx10] == 0 || range.Contains(mn1[kSNRx10] / 10.0)) return e;
  mn1[kSNRx10] = DefaultSnrX10(p.DSP_Method, mn1[kOrganism]);
  e.stored = true;
  e.message = std::string(range.message);
  e.show = OneDecimal(mn1[kSNRx10] / 10.0);
  return e;
}

void ChooseSaveCounts(ProjectSettings& p) {
  p.Save_counts = 1;
}

void ChooseSaveReal(ProjectSettings& p, int index) {
  p.Save_real = index == 1 ? 1 : 0;
}

void SetToolFlag(AppState& state, MenuFlag flag, bool checked) {
  state.project.Menu[static_cast<size_t>(flag)] = checked ? 1 : 0;
  MainControls& m = state.main;
  switch (flag) {
    case kMenuCal:
      m.calibrationFrameVisible = checked;
      break;
    case kMenuLight:
      m.lightFrameVisible = checked;
      m.pulseFrameVisible = checked;
      m.lightEnabled = checked;
      break;
    case kMenuTemp:
      m.temperatureFrameVisible = checked;
      break;
  }
}

std::string ProjectBoxText(const AppState& state) {
  return state.project.Name + "_" + std::to_string(state.config.Actual_Project_Number);
}

std::vector<std::string> PlateFormatNames(const std::filesystem::path& appDir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(appDir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string file = it->path().filename().string();
    std::string lower = file;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() < 5 || lower[0] != 'w' || lower.substr(lower.size() - 4) != ".dat") continue;
    names.push_back(lower.substr(0, lower.size() - 4));
  }
  std::sort(names.begin(), names.end());
  return names;
}

SetupView FillSetup(AppState& state, Host& host) {
  ProjectSettings& p = state.project;
  if (p.Name.empty()) {
    LoadProject(state.config.Actual_Project_Number,
                ProjectLocation{state.appDir, state.ProjectPath}, p, state.geometry, state.wellMap,
                host);
  }
  SetupView v;
  v.projectBox = ProjectBoxText(state);
  v.folderBox = state.ProjectPath.string();
  v.plates = PlateFormatNames(state.appDir);
  auto at = std::find(v.plates.begin(), v.plates.end(), p.Plate_format);
  if (at != v.plates.end()) v.plateIndex = static_cast<int>(at - v.plates.begin());
  if (p.Aq_mode >= 0 && p.Aq_mode < static_cast<int>(texts::kModes.size())) v.modeIndex = p.Aq_mode;
  v.lapse = std::to_string(p.Aq_lapse);
  v.sample = std::to_string(p.Sample_Rate);
  v.buffer = std::to_string(p.RT_Buffer);
  v.interval = std::to_string(p.DSP_Interval);
  if (p.DSP_Method >= 0 && p.DSP_Method < static_cast<int>(texts::kAlgorithms.size())) {
    v.algorithmIndex = p.DSP_Method;
  }
  auto& mn1 = p.Mn[kMn1];
  const OrganismDefaults* d = FindOrganismDefaults(mn1[kOrganism]);
  if (d) v.organismIndex = mn1[kOrganism];
  if (mn1[kSNRx10] != 0) {
    v.snr = OneDecimal(mn1[kSNRx10] / 10.0);
  } else if (d) {
    mn1[kSNRx10] = d->snrX10;
    v.snr = std::string(d->snrText);
  }
  if (p.Save_real == 0 || p.Save_real == 1) v.saveRealIndex = p.Save_real;
  SetToolFlag(state, kMenuCal, true);
  for (size_t i = 0; i < v.tools.size(); ++i) v.tools[i] = p.Menu[i] != 0;
  return v;
}

std::string DetectionSummary(const ProjectSettings& p) {
  const auto& mn1 = p.Mn[kMn1];
  std::string organism;
  if (mn1[kOrganism] >= 0 && mn1[kOrganism] < static_cast<int>(texts::kOrganisms.size())) {
    organism = std::string(texts::kOrganisms[static_cast<size_t>(mn1[kOrganism])]);
  }
  return std::string(texts::kDetectionMode) + std::to_string(p.DSP_Method) + ", " + organism +
         " [snr " + OneDecimal(mn1[kSNRx10] / 10.0) + "]";
}

std::string HandDetectionToMain(AppState& state, bool fillUnsetSnr) {
  auto& mn1 = state.project.Mn[kMn1];
  if (fillUnsetSnr && mn1[kSNRx10] == 0) {
    if (const OrganismDefaults* d = FindOrganismDefaults(mn1[kOrganism])) mn1[kSNRx10] = d->snrX10;
  }
  MainControls& m = state.main;
  m.detectionSummary = DetectionSummary(state.project);
  m.snrText = OneDecimal(mn1[kSNRx10] / 10.0);
  m.snr = StartupSnr(m.snrText);
  if (mn1[kOrganism] >= 0 && mn1[kOrganism] < static_cast<int>(kOrganismNames.size())) {
    m.organismText = std::string(kOrganismNames[static_cast<size_t>(mn1[kOrganism])]);
  }
  return m.detectionSummary;
}

std::string TypedName(std::string_view answer, bool* shortened) {
  std::string name = StorableText(answer);
  // Count characters, not bytes: a cut never splits a multi-byte character.
  size_t chars = 0;
  size_t cut = name.size();
  for (size_t i = 0; i < name.size(); ++i) {
    if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80) {
      if (chars == kMaxNameChars) {
        cut = i;
        break;
      }
      ++chars;
    }
  }
  if (shortened) *shortened = cut < name.size();
  name.resize(cut);
  return name;
}

}  // namespace movexa
