// Command-line options of movexa-sim.
#include "sim/sim_options.h"

#include <functional>
#include <map>
#include <optional>

#include "base/text_records.h"

namespace movexa::sim {

namespace {

// "10+12+14" -> {10, 12, 14}; false on anything else.
bool ParseChannelList(const std::string& text, std::vector<int>& out) {
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('+', pos);
    if (end == std::string::npos) end = text.size();
    auto v = ParseInteger(std::string_view(text).substr(pos, end - pos), 0, 383);
    if (!v) return false;
    out.push_back(static_cast<int>(*v));
    pos = end + 1;
  }
  return !out.empty();
}

}  // namespace

std::string SimUsage() {
  return R"(usage: movexa-sim --link PATH [options]

Simulated instrument on a pseudo-terminal. PATH becomes a symlink to the terminal; map a COM
number to it with MOVEXA_COM<n>=PATH (or a line in ports.dat). Stops cleanly on SIGINT/SIGTERM,
removing the link.

instrument:
  --serial N              serial number (default 120)
  --factory R200,...,R207 factory registers (default 0,3,24,1,15,219,0,0)
  --block-bytes N[,N...]  reply length to a block request, even, 2..512 (default 192); with
                          several lengths each reply takes one of them at random
  --trailing-bytes N      after a block reply, N more bytes once the line has been idle for
                          --trailing-pause-ms (default 50), unless a new frame comes first
  --temperature C         ambient temperature in degrees (default 25)
  --drift C               amplitude of the hourly temperature drift (default 0.3)
  --noise PERCENT         beam noise, standard deviation in % of the level (default 0.5)
  --self-cal-step-ms MS   interval of the self-calibration progress bytes (default 20)
  --latency-us US         time from a frame to its reply (default 0)
  --paced                 replies travel at the line speed, 115200 baud
  --adapter-latency-ms MS a USB-serial adapter with this latency timer between instrument and
                          host: bytes reach the host in packets of 62, or when the timer
                          expires (default 0: no adapter)
  --tag-signals           every block signal carries its index in the reply (low 8 bits) and
                          the reply's number 1..15 (high 4 bits) instead of a beam level, so
                          that the host's raw files show any misaligned block
  --seed N                random seed (default 1)
organisms (dips on beams; ground truth recorded per channel and minute):
  --channel-rate CH=R     crossings per minute on even channel CH (repeatable)
  --well-rate CH+CH..=R   one organism crossing the listed channels, R per minute (repeatable)
  --all-rate R            R crossings per minute on every beam channel
  --dip-depth PERCENT     depth of the dips of the flags above (default 30)
  --dip-ms MS             duration of the dips of the flags above (default 200)
  --scenario FILE         organism groups from a file; after a header line, one per line:
                          "channel",<rate>,<depth %>,<ms>,<channel>[,<channel>...]
                          "well",<rate>,<depth %>,<ms>,<channel>[,<channel>...]
  --truth FILE            write the ground truth (minute,channel,crossings) at exit and on SIGUSR1
faults:
  --drop-rate R --truncate-rate R --corrupt-rate R --garbage-rate R   per reply, 0..1
  --silent-after MS --silent-for MS       no replies during that period
  --serial-change-after MS --new-serial N the serial number changes at that moment
  --reply-pause-ms MS --reply-pause-after N --reply-pause-rate R
                          in a share R of the block replies the bytes after byte N (default
                          96) follow MS later (the instrument stalls part-way)
  --beam-factor CH=F      the beam of even channel CH gives F times its level (0: dead, <1: weak)
  --help                  this text
)";
}

std::vector<std::string> ParseSimOptions(const std::vector<std::string>& args, SimOptions& out) {
  std::vector<std::string> problems;
  SimConfig& c = out.config;
  std::vector<OrganismSpec> flagOrganisms;
  double dipDepth = 30.0;
  int64_t dipMs = 200;
  auto real = [&](const std::string& name, const std::string& v, double& dst) {
    if (auto r = ParseReal(v)) {
      dst = *r;
    } else {
      problems.push_back("--" + name + ": not a number: " + v);
    }
  };
  auto integer = [&](const std::string& name, const std::string& v, int64_t lo, int64_t hi,
                     auto& dst) {
    if (auto r = ParseInteger(v, lo, hi)) {
      dst = static_cast<std::remove_reference_t<decltype(dst)>>(*r);
    } else {
      problems.push_back("--" + name + ": not a whole number from " + std::to_string(lo) +
                         " to " + std::to_string(hi) + ": " + v);
    }
  };
  // "CH=RATE" (one channel) or "CH+CH+...=RATE" (one well).
  auto organism = [&](const std::string& name, const std::string& v, OrganismSpec::Kind kind,
                      const char* form) {
    OrganismSpec o;
    o.kind = kind;
    size_t eq = v.find('=');
    std::optional<double> rate;
    if (eq != std::string::npos) rate = ParseReal(std::string_view(v).substr(eq + 1));
    if (!rate || !ParseChannelList(v.substr(0, eq), o.channels) ||
        (kind == OrganismSpec::Kind::kChannel && o.channels.size() != 1)) {
      problems.push_back("--" + name + ": expected " + form + ": " + v);
      return;
    }
    o.ratePerMinute = *rate;
    flagOrganisms.push_back(o);
  };
  const std::map<std::string, std::function<void(const std::string&, const std::string&)>>
      valued = {
          {"link", [&](auto&, auto& v) { out.linkPath = v; }},
          {"truth", [&](auto&, auto& v) { out.truthPath = v; }},
          {"scenario", [&](auto&, auto& v) { out.scenarioPath = v; }},
          {"serial", [&](auto& n, auto& v) { integer(n, v, 0, 65279, c.serialNumber); }},
          {"block-bytes",
           [&](auto& n, auto& v) {
             RecordReader reader(v);
             c.blockBytesChoices.clear();
             int32_t x = 0;
             bool inRange = true;
             while (reader.ReadInt32(x)) {
               inRange = inRange && x >= 2 && x <= 512 && x % 2 == 0;
               c.blockBytesChoices.push_back(x);
             }
             if (c.blockBytesChoices.empty() || !reader.AtEnd() || !inRange) {
               problems.push_back(
                   "--" + n +
                   ": an even number of bytes from 2 to 512 (several separated by commas): " + v);
               c.blockBytesChoices.clear();
               return;
             }
             c.blockBytes = c.blockBytesChoices.front();
             if (c.blockBytesChoices.size() == 1) c.blockBytesChoices.clear();
           }},
          {"trailing-bytes", [&](auto& n, auto& v) { integer(n, v, 0, 512, c.trailingBytes); }},
          {"trailing-pause-ms",
           [&](auto& n, auto& v) { integer(n, v, 0, 100000, c.trailingPauseMs); }},
          {"temperature", [&](auto& n, auto& v) { real(n, v, c.temperatureC); }},
          {"drift", [&](auto& n, auto& v) { real(n, v, c.temperatureDriftC); }},
          {"noise", [&](auto& n, auto& v) { real(n, v, c.noisePercent); }},
          {"self-cal-step-ms",
           [&](auto& n, auto& v) { integer(n, v, 1, 10000, c.selfCalibrationStepMs); }},
          {"latency-us", [&](auto& n, auto& v) { integer(n, v, 0, 1000000, c.replyLatencyUs); }},
          {"adapter-latency-ms",
           [&](auto& n, auto& v) { integer(n, v, 0, 255, c.adapterLatencyMs); }},
          {"reply-pause-ms", [&](auto& n, auto& v) { integer(n, v, 0, 100000, c.replyPauseMs); }},
          {"reply-pause-after",
           [&](auto& n, auto& v) { integer(n, v, 0, 512, c.replyPauseAfter); }},
          {"reply-pause-rate", [&](auto& n, auto& v) { real(n, v, c.replyPauseRate); }},
          {"seed", [&](auto& n, auto& v) { integer(n, v, 0, INT64_MAX, c.seed); }},
          {"dip-depth", [&](auto& n, auto& v) { real(n, v, dipDepth); }},
          {"dip-ms", [&](auto& n, auto& v) { integer(n, v, 10, 10000, dipMs); }},
          {"drop-rate", [&](auto& n, auto& v) { real(n, v, c.faults.dropRate); }},
          {"truncate-rate", [&](auto& n, auto& v) { real(n, v, c.faults.truncateRate); }},
          {"corrupt-rate", [&](auto& n, auto& v) { real(n, v, c.faults.corruptRate); }},
          {"garbage-rate", [&](auto& n, auto& v) { real(n, v, c.faults.garbageRate); }},
          {"silent-after",
           [&](auto& n, auto& v) { integer(n, v, 0, INT64_MAX / 1000, c.faults.silentFromMs); }},
          {"silent-for",
           [&](auto& n, auto& v) { integer(n, v, 0, INT64_MAX / 2000, c.faults.silentForMs); }},
          {"serial-change-after",
           [&](auto& n, auto& v) { integer(n, v, 0, INT64_MAX / 1000, c.faults.serialChangeAtMs); }},
          {"new-serial", [&](auto& n, auto& v) { integer(n, v, 0, 65279, c.faults.newSerialNumber); }},
          {"factory",
           [&](auto& n, auto& v) {
             RecordReader reader(v);
             for (auto& reg : c.factoryRegisters) {
               int32_t x = 0;
               if (!reader.ReadInt32(x) || x < 0 || x > 255) {
                 problems.push_back("--" + n + ": eight values 0..255 separated by commas");
                 return;
               }
               reg = x;
             }
             if (!reader.AtEnd()) problems.push_back("--" + n + ": more than eight values");
           }},
          {"channel-rate",
           [&](auto& n, auto& v) { organism(n, v, OrganismSpec::Kind::kChannel, "CHANNEL=RATE"); }},
          {"well-rate",
           [&](auto& n, auto& v) { organism(n, v, OrganismSpec::Kind::kWell, "CH+CH+...=RATE"); }},
          {"beam-factor",
           [&](auto& n, auto& v) {
             const size_t eq = v.find('=');
             auto channel = ParseReal(v.substr(0, eq == std::string::npos ? 0 : eq));
             auto factor = eq == std::string::npos ? std::nullopt : ParseReal(v.substr(eq + 1));
             if (!channel || !factor || *factor < 0 || *channel < 0 || *channel > 382 ||
                 static_cast<int>(*channel) % 2 != 0) {
               problems.push_back("--" + n + ": expected CHANNEL=FACTOR (even channel 0..382, "
                                  "factor 0 for a dead beam): " + v);
               return;
             }
             c.beamFactors.emplace_back(static_cast<int>(*channel), *factor);
           }},
          {"all-rate",
           [&](auto& n, auto& v) {
             auto rate = ParseReal(v);
             if (!rate) {
               problems.push_back("--" + n + ": not a number: " + v);
               return;
             }
             OrganismSpec o;
             for (int ch = 0; ch < 384; ch += 2) o.channels.push_back(ch);
             o.ratePerMinute = *rate;
             flagOrganisms.push_back(o);
           }},
      };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (a == "--paced") {
      c.paced = true;
    } else if (a == "--tag-signals") {
      c.tagSignals = true;
    } else if (a.rfind("--", 0) == 0 && valued.count(a.substr(2))) {
      if (i + 1 >= args.size()) {
        problems.push_back(a + " needs a value");
        break;
      }
      valued.at(a.substr(2))(a.substr(2), args[++i]);
    } else {
      problems.push_back("unknown argument: " + a);
    }
  }
  for (auto& o : flagOrganisms) {
    o.depthPercent = dipDepth;
    o.durationMs = static_cast<int>(dipMs);
    c.organisms.push_back(std::move(o));
  }
  return problems;
}

}  // namespace movexa::sim
