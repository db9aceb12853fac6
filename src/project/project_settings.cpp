// Defaults of the current-project record and its per-channel tables.
#include "project/project_settings.h"

namespace movexa {

int16_t DefaultChannelGroup(int channel) {
  return static_cast<int16_t>((channel / 16 + 1) / 2);
}

std::string DefaultGroupName(int group) {
  if (group >= 0 && group <= 11) return "Group" + std::to_string(group);
  return "Free";
}

ProjectSettings::ProjectSettings() {
  for (int c = 0; c < kChannelSlots; ++c) {
    auto i = static_cast<size_t>(c);
    channelEnabled[i] = true;
    ChannelThreshold[i] = 3.0;
    channelGroup[i] = DefaultChannelGroup(c);
    groupNames[i] = DefaultGroupName(c);
  }
}

}  // namespace movexa
