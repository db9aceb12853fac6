// The field rules of the project setup window over the current project: what each box, list
// and check box stores (with its clamps and messages), what the window shows when it is filled,
// the tool flags with the main window's frames they switch, and the detection summary handed
// to the main window. No toolkit here: the window passes texts and indices and shows what
// comes back.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "base/host.h"
#include "project/detection_check.h"
#include "project/project_settings.h"

namespace movexa {

// Outcome of one edit of a box.
struct FieldEdit {
  bool stored = false;              // the project field took a new value
  std::optional<std::string> show;  // the text the box must show now, when it changes
  std::string message;              // for the operator; empty when there is none
  bool refocus = false;             // the focus goes back to the box
};

// Lapse box, on every change: 32000 or more stores 32000 (shown); otherwise the value rounded
// to a whole number, and 0 or less stores 2 (shown). A text that is no number (yet) stores
// nothing: the operator may be typing.
FieldEdit EditLapse(ProjectSettings& p, std::string_view text);
// Sample-rate and interval boxes, on every change: the value rounded to a whole number; values
// outside 16 bits are refused (nothing stored). The interval must lie from 1 sample to the
// bin (RT_Buffer samples): a detection window longer than the bin never completes in one.
FieldEdit EditSampleRate(ProjectSettings& p, std::string_view text);
FieldEdit EditInterval(ProjectSettings& p, std::string_view text);
// Buffer box, on leaving it: below 200 or above 10000 stores 200 (shown); otherwise the value
// rounded to a whole number. A text that is no number keeps the stored value, with a message.
FieldEdit LeaveBuffer(ProjectSettings& p, std::string_view text);
// Leaving a whole-number box (lapse, sample rate): when the text does not hold the stored value
// (no number, or refused), the message of the box and the stored value shown.
FieldEdit LeaveNumberBox(std::string_view text, int16_t stored);
// Leaving the interval box: the same, with the interval's range (1 to the bin) as message.
FieldEdit LeaveIntervalBox(const ProjectSettings& p, std::string_view text);

// Choosing an organism: stores its code, its algorithm and its SNR; answers the algorithm
// index and the SNR text to show (nullopt for a code outside 0..3, which stores the code only).
struct OrganismChoice {
  int16_t algorithm = -1;
  std::optional<std::string> snrText;
};
OrganismChoice ChooseOrganism(ProjectSettings& p, int code);

// Leaving the SNR box: "," read as ".", a value in the range of the detection method stores
// round(v x 10) and the box shows the stored value with one decimal; otherwise the range
// message, the default that suits the method shown and stored, and the focus back to the box.
// (With an organism's own algorithm the range is the organism's: Drosophila 0.5 to 0.9.)
FieldEdit LeaveSnrBox(ProjectSettings& p, std::string_view text);

// Choosing a detection algorithm: stores it; a stored SNR outside the new method's range is
// replaced by the default that suits the method, with the range message and the SNR box's
// new text (so method 3 never runs with an SNR above 1, nor another method with 0.8).
FieldEdit ChooseAlgorithm(ProjectSettings& p, int index);

// Save-counts always stores 1; save-real-time stores 1 for "YES" (index 1), else 0.
void ChooseSaveCounts(ProjectSettings& p);
void ChooseSaveReal(ProjectSettings& p, int index);

// Tool check boxes: the flag and the main window's frames (the light box also the pulse frame
// and the light-enable box).
void SetToolFlag(AppState& state, MenuFlag flag, bool checked);

// What the window shows after filling (first display, a project load, a new plate format).
// Index -1 leaves a selector as it is; a missing text leaves its box as it is.
struct SetupView {
  std::string projectBox;  // name + "_" + project number
  std::string folderBox;   // ProjectPath
  std::vector<std::string> plates;
  int plateIndex = -1;
  int modeIndex = -1;
  std::string lapse, sample, buffer, interval;
  int algorithmIndex = -1;
  int organismIndex = -1;
  std::optional<std::string> snr;
  int saveRealIndex = -1;
  std::array<bool, 6> tools{};  // Menu1..Menu6 checked (Menu1 always)
};

// Fills the view from the current project: loads the current project first when its name is
// empty; an unset SNR takes the organism's fill default (stored); Menu1:Cal is forced on with
// the main window's calibration frame shown.
SetupView FillSetup(AppState& state, Host& host);

// "<name>_<number>" of the project box.
std::string ProjectBoxText(const AppState& state);

// The plate formats offered: base names, lower case, of the files "w*.dat" of the application
// folder, sorted by name.
std::vector<std::string> PlateFormatNames(const std::filesystem::path& appDir);

// Hands the detection settings to the main window ("Continue to Run..." and "<<Back"): with
// `fillUnsetSnr` an unset SNR first takes the organism's stored default; then the detection
// summary, the SNR box and the organism selector of state.main. Returns the summary.
std::string HandDetectionToMain(AppState& state, bool fillUnsetSnr);
// "Detection Mode<method>, <organism> [snr <SNRx10 / 10 with one decimal>]".
std::string DetectionSummary(const ProjectSettings& p);

// A name the operator typed, as it is kept: the quote rule applied (no double quote can reach a
// file) and cut to kMaxNameChars characters (`shortened` tells the caller to say so).
inline constexpr size_t kMaxNameChars = 64;
std::string TypedName(std::string_view answer, bool* shortened = nullptr);

}  // namespace movexa
