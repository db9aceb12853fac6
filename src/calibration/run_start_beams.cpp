// The beams of the plate at the start of a recorded run: an interrupted device test (or any
// other tool that writes the beam registers) can leave beams nearly dark, and a run recorded on
// dark beams counts nothing without a word. One complete reading shows them; the calibration
// table of "calvalue.dat" is then written again to the beam registers that differ from it.
#include <algorithm>
#include <array>

#include "calibration/calibration_procedures.h"

namespace movexa {

namespace {

constexpr int kCheckBlockBytes = 48;
constexpr int kReadingAttempts = 3;
constexpr int kWritesBetweenEvents = 21;
// A level no channel can be taken for: a block that was not read leaves it.
constexpr int16_t kNotRead = 32767;

// The used beams (channels of a well) reading below kNearZeroBeamLevel; `complete` false when
// no reading came whole.
std::vector<int> DarkBeams(CalibrationContext& ctx, bool& complete) {
  std::array<int16_t, kChannelSlots> levels{};
  levels.fill(kNotRead);
  ChannelReading reading;
  for (int attempt = 0; attempt < kReadingAttempts; ++attempt) {
    reading = ReadAllChannelsInto(ctx.link, levels.data(), kCheckBlockBytes);
    if (reading.Complete()) break;
  }
  complete = reading.Complete();
  std::vector<int> dark;
  for (int c = 0; c < kChannelCount; c += 2) {
    if (ctx.wellMap.channelWell[c] >= 0 && levels[c] < kNearZeroBeamLevel) dark.push_back(c);
  }
  return dark;
}

}  // namespace

RunStartBeams CheckBeamsAtRunStart(CalibrationContext& ctx) {
  RunStartBeams result;
  if (ctx.link.connection.offline) return result;
  result.darkChannels = DarkBeams(ctx, result.readingComplete);
  if (result.darkChannels.empty()) return result;
  CalibrationTable table;
  const CalibrationLoad load = LoadCalibrationTable(ctx.appFolder, table);
  if (!load.read || load.records == 0) return result;  // no table of this program to send
  ctx.table = table;
  DeviceLink& link = ctx.link;
  for (int reg = 0; reg < kBeamRegisters; ++reg) {
    const int channel = 2 * reg;
    if (table.PowerTable[channel] < 0) continue;  // a register the table could not read
    const int setting =
        EncodeCalibrationRegister(table.PowerTable[channel], table.GainTable[channel]);
    if (ReadRegisterRetry(link, reg) == setting) continue;
    // A failed write has shown its message; the reading below tells what is still dark.
    if (WriteRegisterVerified(link, reg, setting) != 1) break;
    if (++result.registersRewritten % kWritesBetweenEvents == 0) link.host.pacer.PumpEvents();
  }
  result.tableResent = true;
  result.darkChannels = DarkBeams(ctx, result.readingComplete);
  return result;
}

}  // namespace movexa
