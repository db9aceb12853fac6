// The current-project record and its per-channel tables, as stored in the project files
// ("setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat").
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/constants.h"

namespace movexa {

// Columns of the tool table rows (Mn1..Mn6 are rows 0..5).
enum MnRow { kMn1 = 0, kMn2 = 1, kMn3 = 2, kMn4 = 3, kMn5 = 4, kMn6 = 5 };
enum Mn1Column { kOrganism = 0, kEnab_Cal = 1, kEnab_Zero = 2, kSNRx10 = 3 };
enum Mn2Column { kLightEnable = 0, kTime_ON = 1, kTime_OFF = 2, kPulseTimes = 3,
                 kPulseOnX10 = 4, kPulseOffX10 = 5 };
enum Mn3Column { kTempEnable = 0, kTempx10 = 1 };
// Tools flags (Menu1:Cal .. Menu6).
enum MenuFlag { kMenuCal = 0, kMenuLight = 1, kMenuTemp = 2 };

using MnTable = std::array<std::array<int16_t, 6>, 6>;

inline constexpr MnTable kDefaultMn = {{{0, 1, 1, 0, 0, 0},
                                        {0, 9, 21, 0, 0, 0},
                                        {0, 200, 0, 0, 0, 0},
                                        {0, 0, 0, 0, 0, 0},
                                        {0, 0, 0, 0, 0, 0},
                                        {0, 0, 0, 0, 0, 0}}};

struct ProjectSettings {
  // Line 2 of "setup.dat".
  std::string Num_proj;  // as stored; compared as a number with the folder's project number
  std::string Name = "Default";
  std::string Working_folder;  // stored and written back only
  std::string Plate_format = "96f";
  // Line 4.
  int16_t Aq_mode = 1;
  int16_t Aq_lapse = 30;  // programmed run duration, minutes
  int16_t Sample_Rate = 99;
  int16_t RT_Buffer = 500;  // samples per bin
  int16_t DSP_Method = 1;   // detection method 0..3
  int16_t DSP_Interval = 30;
  // Line 6.
  int16_t Binary_Acq = 1;
  int16_t Threshold_Counter = 300;  // samples of a blank reading
  int16_t Cal_value = 80;
  int16_t Cal_mode = 1;
  int16_t Save_counts = 1;
  int16_t Save_real = 1;  // 1 = record the raw signals
  // Line 8: Menu1:Cal, Menu2:Light, Menu3:Temp, Menu4..Menu6.
  std::array<int16_t, 6> Menu = {1, 0, 0, 0, 0, 0};
  // Lines 10..20: the tool table.
  MnTable Mn = kDefaultMn;

  // Per-channel tables, index 0..384 (the files carry 0..383).
  std::array<bool, kChannelSlots> channelEnabled{};
  std::array<double, kChannelSlots> ChannelThreshold{};  // percent
  std::array<int16_t, kChannelSlots> channelGroup{};     // -1 = free
  std::array<std::string, kChannelSlots> groupNames;     // indexed by group number

  ProjectSettings();
};

// Default group of channel c: (c / 16 + 1) / 2, so channels 0-15 -> 0, 16-47 -> 1, ...
int16_t DefaultChannelGroup(int channel);
// Default name of group g: "Group0".."Group11", then "Free".
std::string DefaultGroupName(int group);

}  // namespace movexa
