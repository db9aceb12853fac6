// Detection settings that would make a run count nothing, or nearly every sample, without a
// word: an SNR outside the range of the detection method (method 3 draws its envelope at the
// mean peak times the SNR, so an SNR above 1 puts every sample in one endless dip; the other
// methods take the SNR as a multiple of the noise), a detection interval longer than the bin
// (no detection window ever completes inside a bin) and channel thresholds of 0 percent or
// below (the envelope then sits at the signal's maximum). The project store refuses or mends
// them with the ranges the setup window uses, at load and when a project is created.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "project/project_settings.h"

namespace movexa {

// The SNR range of a detection method: method 3 from 0.5 up to below 1, every other method
// 1.4 to 5.0; `message` is the setup window's range message.
struct SnrRange {
  double low;
  double high;
  bool highIncluded;
  std::string_view message;
  bool Contains(double snr) const {
    return snr >= low && (highIncluded ? snr <= high : snr < high);
  }
};
SnrRange SnrRangeOfMethod(int method);

// Organism defaults of the setup window: algorithm set on choice, SNR shown on choice and on
// fill, SNRx10 stored. The SNR shown is always the one stored (and used).
struct OrganismDefaults {
  int16_t algorithm;
  std::string_view snrText;
  int16_t snrX10;
};
// The defaults of organism code 0..3, or nullptr for another code.
const OrganismDefaults* FindOrganismDefaults(int code);
// The SNR x 10 that suits the detection method: the organism's default when it lies in the
// method's range, else 8 for method 3 and 18 for the others.
int16_t DefaultSnrX10(int method, int organism);

// The detection interval used when the stored one is longer than the bin: 30 samples, or the
// whole bin when that is shorter.
int16_t DefaultIntervalFor(int rtBuffer);
// The threshold that replaces one of 0 percent or below.
inline constexpr double kDefaultThresholdPercent = 3.0;

enum class DetectionIssue { kSnr, kInterval, kThresholds };

struct DetectionProblem {
  DetectionIssue issue;
  std::string file;   // the project file that holds the value ("setup.dat", "threshld.dat")
  std::string what;   // the value and why it counts nothing: "SNR 1.8 with detection method 3"
  std::string range;  // the range message of the setup window
  std::string used;   // the value that replaces it, as shown: "0.8", "30", "3"
};

// The problems of `p`, in the order SNR, interval, thresholds (thresholds of channels
// 0..383). An SNRx10 of 0 is no problem: it stands for the organism's default.
std::vector<DetectionProblem> CheckDetectionSettings(const ProjectSettings& p);
// Replaces the value of one problem with the value it names as used.
void ApplyDetectionDefault(ProjectSettings& p, DetectionIssue issue);

}  // namespace movexa
