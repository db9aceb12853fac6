// The well map of the plate format in force: channel -> (well, beam) and back, and the plate
// geometry used to draw wells over the 16 x 24 beam grid.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/constants.h"

namespace movexa {

struct PlateGeometry {
  int16_t rows = 0;
  double rowPitch = 0;   // height of one well in beam cells
  double rowOffset = 0;  // top edge of well row 0 in beam cells
  int16_t columns = 0;
  double columnPitch = 0;
  double columnOffset = 0;
};

struct WellMap {
  WellMap() {
    channelWell.fill(-1);
    channelBeam.fill(0);
  }
  // Well crossed by each channel, -1 when the format does not use the channel; a fresh map has
  // no channel in any well.
  std::array<int16_t, kChannelSlots> channelWell;
  std::array<int16_t, kChannelSlots> channelBeam;  // beam index within the well
  int16_t highestWell = 0;
  int16_t highestBeam = 0;
  // (highestWell + 1) x (highestBeam + 1) channels, row-major by well; 0 where none is named.
  std::vector<int16_t> table = std::vector<int16_t>(1, 0);

  // The channel of a well and beam (the map table entry); 0 outside the table.
  int16_t ChannelOf(int well, int beam) const {
    if (well < 0 || beam < 0 || well > highestWell || beam > highestBeam) return 0;
    return table[static_cast<size_t>(well) * (highestBeam + 1) + beam];
  }

  // The channel that names this well and beam, or -1 when none does. ChannelOf answers 0 for
  // an empty entry, which cannot be told from channel 0; callers that average the beams of a
  // well, or list wells, ask here.
  int16_t FindChannel(int well, int beam) const {
    int16_t c = ChannelOf(well, beam);
    if (c < 0 || c >= kChannelCount) return -1;
    auto i = static_cast<size_t>(c);
    return channelWell[i] == well && channelBeam[i] == beam ? c : int16_t{-1};
  }
};

}  // namespace movexa
