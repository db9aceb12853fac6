// What the simulated instrument is told to be: its serial number, factory registers, block reply
// length, temperature, beam noise, the organisms that cross its beams, the faults it injects and
// its line pacing. Filled from the movexa-sim flags, a scenario file, or directly by tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace movexa::sim {

// Organisms that cross beams. With kind kChannel every listed channel has its own crossings at
// the rate; with kWell the listed channels form one well whose organism crosses one of them at a
// time, at the rate for the whole well. A crossing dims the beam by `depthPercent` for
// `durationMs`; crossings of one process never overlap, so each makes one dip.
struct OrganismSpec {
  enum class Kind { kChannel, kWell };
  Kind kind = Kind::kChannel;
  std::vector<int> channels;   // even channels 0..382 (odd channels carry no beam)
  double ratePerMinute = 0.0;  // crossings per minute, per channel or per well
  double depthPercent = 30.0;  // 1..100
  int durationMs = 200;        // 10..10000
};

// Faults on request. Rates are per reply, 0..1. Times count from the simulator's start.
struct FaultSpec {
  double dropRate = 0.0;      // reply not sent at all
  double truncateRate = 0.0;  // reply cut short
  double corruptRate = 0.0;   // one bit of one reply byte flipped
  double garbageRate = 0.0;   // 1..8 random bytes sent before the reply
  int64_t silentFromMs = -1;  // start of a period without any reply (-1: none)
  int64_t silentForMs = 0;
  int64_t serialChangeAtMs = -1;  // moment the serial number changes (-1: never)
  int newSerialNumber = 0;
};

struct SimConfig {
  int serialNumber = 120;  // 0..65279 (255 x b0 + b1 with b1 <= 254)
  // Registers 200..207: marker 0, month 3, year 24, offset negative, 1.5 degrees, slope 0.219.
  std::array<int, 8> factoryRegisters{0, 3, 24, 1, 15, 219, 0, 0};
  int blockBytes = 192;  // reply length to a block request: even, 2..512
  // When not empty, each block reply takes one of these lengths (even, 2..512) at random
  // instead of blockBytes: an instrument whose replies vary from request to request.
  std::vector<int> blockBytesChoices;
  // Bytes the instrument sends while idle: after a block reply, `trailingBytes` more bytes of
  // the signal stream follow once the line has been quiet for `trailingPauseMs`, unless a frame
  // arrives first (the new command stops them).
  int trailingBytes = 0;
  int trailingPauseMs = 50;
  // An instrument that stalls part-way through a reply: in a share `replyPauseRate` (0..1) of
  // the block replies, the bytes after byte `replyPauseAfter` follow only `replyPauseMs` later.
  // A request that arrives meanwhile is answered after the whole stalled reply.
  int replyPauseMs = 0;
  int replyPauseAfter = 96;
  double replyPauseRate = 0.0;
  // A USB-serial adapter between the instrument and the host (0: none): it hands the bytes on in
  // packets of 62, or with whatever it holds when its latency timer expires (the timer restarts
  // with every packet). Bytes on their way to the host are not discarded by the host's flush.
  int adapterLatencyMs = 0;
  // Ground truth of the host's alignment: every signal of a block reply carries its own index in
  // the reply (low 8 bits) and the reply's number (1..15, high 4 bits) instead of a beam level.
  bool tagSignals = false;
  double temperatureC = 25.0;      // ambient temperature
  double temperatureDriftC = 0.3;  // amplitude of a slow (hourly) drift
  double noisePercent = 0.5;       // beam noise, standard deviation in percent of the level
  std::vector<OrganismSpec> organisms;
  FaultSpec faults;
  bool paced = false;              // replies travel at 115200 baud
  int replyLatencyUs = 0;          // time from a frame's arrival to its reply's first byte
  int selfCalibrationStepMs = 20;  // interval of the self-calibration progress bytes
  uint64_t seed = 1;
  // Beams whose lit level is scaled: (even channel, factor); 0 is a dead beam, below 1 a weak one.
  std::vector<std::pair<int, double>> beamFactors;
};

// Reads a scenario file: a header line (one quoted text, skipped), then one organism group per
// line in the record syntax of the other small files:
//     "channel",<crossings per minute>,<dip depth %>,<dip ms>,<channel>[,<channel>...]
//     "well",<crossings per minute>,<dip depth %>,<dip ms>,<channel>[,<channel>...]
// Appends the groups to `out`; returns one problem text per line that could not be used.
std::vector<std::string> ParseScenario(std::string_view text, std::vector<OrganismSpec>& out);

// Checks a whole configuration; one problem text per fault found (empty when usable).
std::vector<std::string> ValidateConfig(const SimConfig& config);

}  // namespace movexa::sim
