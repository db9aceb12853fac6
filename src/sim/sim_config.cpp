// Scenario file reader and configuration checks of the simulated instrument.
#include "sim/sim_config.h"

#include <set>

#include "base/text_records.h"

namespace movexa::sim {

namespace {

std::string LineProblem(int line, const std::string& what) {
  return "scenario line " + std::to_string(line) + ": " + what;
}

}  // namespace

std::vector<std::string> ParseScenario(std::string_view text, std::vector<OrganismSpec>& out) {
  std::vector<std::string> problems;
  std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 1; i < lines.size(); ++i) {
    const int lineNumber = static_cast<int>(i + 1);
    RecordReader reader(lines[i]);
    if (reader.AtEnd()) continue;
    OrganismSpec organism;
    std::string kind;
    double rate = 0, depth = 0;
    int32_t duration = 0;
    if (!reader.ReadText(kind) || !reader.ReadReal(rate) || !reader.ReadReal(depth) ||
        !reader.ReadInt32(duration)) {
      problems.push_back(LineProblem(lineNumber, reader.ErrorText()));
      continue;
    }
    if (kind == "channel") {
      organism.kind = OrganismSpec::Kind::kChannel;
    } else if (kind == "well") {
      organism.kind = OrganismSpec::Kind::kWell;
    } else {
      problems.push_back(LineProblem(lineNumber, "kind \"" + kind + "\" is not channel or well"));
      continue;
    }
    organism.ratePerMinute = rate;
    organism.depthPercent = depth;
    organism.durationMs = duration;
    bool ok = true;
    while (!reader.AtEnd()) {
      int32_t channel = 0;
      if (!reader.ReadInt32(channel)) {
        problems.push_back(LineProblem(lineNumber, reader.ErrorText()));
        ok = false;
        break;
      }
      organism.channels.push_back(channel);
    }
    if (!ok) continue;
    if (organism.channels.empty()) {
      problems.push_back(LineProblem(lineNumber, "no channel given"));
      continue;
    }
    out.push_back(std::move(organism));
  }
  return problems;
}

std::vector<std::string> ValidateConfig(const SimConfig& c) {
  std::vector<std::string> problems;
  if (c.serialNumber < 0 || c.serialNumber > 255 * 255 + 254) {
    problems.push_back("serial number outside 0..65279");
  }
  for (size_t i = 0; i < c.factoryRegisters.size(); ++i) {
    if (c.factoryRegisters[i] < 0 || c.factoryRegisters[i] > 255) {
      problems.push_back("factory register " + std::to_string(200 + i) + " outside 0..255");
    }
  }
  if (c.blockBytes < 2 || c.blockBytes > 512 || c.blockBytes % 2 != 0) {
    problems.push_back("block reply length must be an even number of bytes from 2 to 512");
  }
  for (int bytes : c.blockBytesChoices) {
    if (bytes < 2 || bytes > 512 || bytes % 2 != 0) {
      problems.push_back("block reply length must be an even number of bytes from 2 to 512");
      break;
    }
  }
  if (c.trailingBytes < 0 || c.trailingBytes > 512)
    problems.push_back("trailing bytes outside 0..512");
  if (c.trailingPauseMs < 0) problems.push_back("trailing pause below 0 ms");
  if (c.replyPauseMs < 0) problems.push_back("reply pause below 0 ms");
  if (c.replyPauseAfter < 0 || c.replyPauseAfter > 512) problems.push_back("reply pause place outside 0..512");
  if (c.replyPauseRate < 0 || c.replyPauseRate > 1) problems.push_back("reply pause rate outside 0..1");
  if (c.adapterLatencyMs < 0 || c.adapterLatencyMs > 255) {
    problems.push_back("adapter latency outside 0..255 ms");
  }
  if (c.noisePercent < 0 || c.noisePercent > 50) problems.push_back("noise outside 0..50 %");
  if (c.selfCalibrationStepMs < 1) problems.push_back("self-calibration step below 1 ms");
  if (c.replyLatencyUs < 0) problems.push_back("negative reply latency");
  const FaultSpec& f = c.faults;
  for (double r : {f.dropRate, f.truncateRate, f.corruptRate, f.garbageRate}) {
    if (r < 0 || r > 1) {
      problems.push_back("fault rates must lie within 0..1");
      break;
    }
  }
  if (f.serialChangeAtMs >= 0 && (f.newSerialNumber < 0 || f.newSerialNumber > 255 * 255 + 254)) {
    problems.push_back("new serial number outside 0..65279");
  }
  std::set<int> used;
  for (const auto& o : c.organisms) {
    if (o.ratePerMinute < 0) problems.push_back("negative crossing rate");
    if (o.depthPercent < 1 || o.depthPercent > 100) problems.push_back("dip depth outside 1..100 %");
    if (o.durationMs < 10 || o.durationMs > 10000) {
      problems.push_back("dip duration outside 10..10000 ms");
    }
    for (int ch : o.channels) {
      if (ch < 0 || ch > 383) {
        problems.push_back("channel " + std::to_string(ch) + " outside 0..383");
      } else if (ch % 2 != 0) {
        problems.push_back("channel " + std::to_string(ch) + " carries no beam (odd channel)");
      } else if (!used.insert(ch).second) {
        problems.push_back("channel " + std::to_string(ch) + " given to two organism groups");
      }
    }
  }
  return problems;
}

}  // namespace movexa::sim
