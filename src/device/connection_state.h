// The connection state shared by the whole system: the port in use, the instrument's serial
// number, offline and connected flags, the factory temperature calibration and what the block
// reader has learned of the instrument's block replies.
#pragma once

#include <array>
#include <cstdint>

namespace movexa {

inline constexpr double kDefaultTempSlope = 0.219;

// `FactoryTempCalibration`: the instrument's temperature is raw x slope + offset.
struct FactoryTempCalibration {
  bool valid = false;
  int16_t month = 0;  // 1..12
  int16_t year = 0;   // two digits, 0..99
  int16_t sign = 0;   // 1 = offset negative
  double offset = 0.0;              // degrees, -10..10
  double slope = kDefaultTempSlope;  // degrees per raw unit, 0.1..0.45
};

// Degrees Celsius of a raw temperature reading (reply to code 0x21).
inline double TemperatureDegrees(int raw, const FactoryTempCalibration& f) {
  return raw * f.slope + f.offset;
}

// What the block reader (block_reader.cpp) has learned of the instrument's replies to block
// requests (code 0x30) from the replies themselves, and where the present series of block
// exchanges stands. Plain values: a connect starts it afresh.
struct BlockReplyLearning {
  static constexpr int kObservations = 16;
  static constexpr int kMostLengths = 8;
  // Lengths of whole replies taken while learning (quiet line before and after), latest last
  // in ring order; `observed` counts them all.
  std::array<int16_t, kObservations> lengths{};
  int observed = 0;
  // An instrument whose replies take several lengths: the lengths, ascending (0 of them: not
  // known to vary).
  std::array<int16_t, kMostLengths> varying{};
  int varyingCount = 0;
  // A pause of the idle gap or longer inside replies of the known length: where it fell in the
  // latest replies, how many in a row fell there, and a place already shown not to be an end.
  int gapAt = -1;
  int gapStreak = 0;
  int refutedGapAt = -1;
  // A shorter length on trial (the bytes after such a pause may be sent only while idle): the
  // length, the exchanges made with it so far, and the known length to go back to.
  int trialBytes = 0;
  int trialExchanges = 0;
  int trialFallbackBytes = 0;
  // Bytes the instrument sends on its own once left idle after a reply (shown by a trial), the
  // pause before them (microseconds), and when the latest reply was taken off the line.
  int idleTailBytes = 0;
  int64_t idlePauseUs = 0;
  int64_t replyEndUs = 0;
  // The longest stall inside the latest replies of varying length, fading, and the usual delay
  // from a request to its reply's first bytes (microseconds).
  int64_t stallUs = 0;
  int64_t firstByteUs = 0;
  int64_t firstByteSpreadUs = 0;
  // The latest reply of varying length ended short of the longest length (it may have a tail).
  bool lastEndedShort = false;
  // Which of the latest exchanges (one bit each, latest lowest) disagreed with what was learned.
  uint32_t latestDisagreements = 0;
  // The line is known to have been quiet long enough that nothing is on its way (no request
  // since a read that waited out a long quiet).
  bool lineQuiet = true;
  // The series in progress: block exchanges since the last series end, and whether one of them
  // showed that the series did not stay in step.
  int seriesExchanges = 0;
  bool seriesOutOfStep = false;
  // Counts for diagnosis.
  int64_t strayBytes = 0;        // bytes discarded before requests
  int64_t outOfStepSeries = 0;   // series whose blocks were all refused
  int64_t relearnings = 0;       // times the reply length was learned afresh
};

struct ConnectionState {
  int16_t port = 0;          // COM number in use; 0 when none was found
  int16_t serialNumber = 0;  // from the probe; 0 when none
  bool offline = false;      // no instrument reachable: acquisition and calibration refuse
  bool connected = false;    // a connect found the instrument and read its factory calibration
  // A port the last connect found held by another program (another Movexa); 0 when none.
  int16_t busyPort = 0;
  FactoryTempCalibration factory;
  // The length every reply to a block request has (0 while it is being learned, or when replies
  // vary in length); set directly it counts as known.
  int blockReplyBytes = 0;
  BlockReplyLearning blockReplies;
  int16_t tickedPortEntry = 0;  // port menu entry "COM<n>" carrying the tick; 0 = none
  // The operator chose and saved a port (port menu, serial ports window, the port prompt) since
  // the last connect: the next connect uses it.
  bool portChanged = false;
};

}  // namespace movexa
