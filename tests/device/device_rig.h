// Fixtures of the device tests: the in-process simulator behind a loopback port with a fake host,
// a scripted line peer with exact timing, a bare pseudo-terminal, and movexa-sim as a child
// process on a pseudo-terminal.
#pragma once

#include <sys/types.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/host_fakes.h"
#include "device/com_module.h"
#include "device/loopback_link.h"
#include "device/mod_comm.h"
#include "device/port_resolver.h"
#include "sim/sim_instrument.h"

namespace movexa::test {

// The simulator on "COM<port>" of a port table, all on a manual clock.
struct SimRig {
  explicit SimRig(sim::SimConfig config = {}, int simPort = 4)
      : instrument(std::move(config), fake.clock) {
    opener.Attach(simPort, instrument);
  }
  // Opens "COM<port>" and makes it the connection's port; true on success.
  bool Open(int port = 4) {
    connection.port = static_cast<int16_t>(port);
    return ports.CommOpen(port, "COM" + std::to_string(port), kInstrumentLineSettings) == 0;
  }
  int64_t NowMs() { return fake.clock.MonotonicMs(); }

  FakeHost fake;
  sim::SimInstrument instrument;
  LoopbackOpener opener{fake.clock, fake.pacer};
  CommPortTable ports{fake.pacer, opener};
  ConnectionState connection;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, fake.host};
};

// A line peer whose replies are produced by a function of each frame, sent at exact times.
class ScriptedPeer : public SerialPeer {
 public:
  using Responder = std::function<std::string(std::string_view frame)>;
  explicit ScriptedPeer(Responder responder = {}) : responder_(std::move(responder)) {}

  void Receive(std::string_view bytes, int64_t nowUs) override;
  size_t Collect(std::string& out, size_t max, int64_t nowUs) override;
  int64_t NextArrivalUs() override { return pending_.empty() ? -1 : pending_.front().first; }
  void DiscardArrived(int64_t nowUs) override;

  // Bytes that arrive at the host at `atUs`.
  void Send(std::string_view bytes, int64_t atUs);
  std::string received;
  int discards = 0;

 private:
  Responder responder_;
  std::string input_;
  std::deque<std::pair<int64_t, char>> pending_;
  int64_t nowUs_ = 0;
};

// A port table over a ScriptedPeer on "COM<port>", opened, with a device link to it.
struct ScriptRig {
  explicit ScriptRig(ScriptedPeer::Responder r = {}, int port = 2) : peer(std::move(r)) {
    opener.Attach(port, peer);
    connection.port = static_cast<int16_t>(port);
    opened = ports.CommOpen(port, "COM" + std::to_string(port), kInstrumentLineSettings) == 0;
  }
  FakeHost fake;
  ScriptedPeer peer;
  LoopbackOpener opener{fake.clock, fake.pacer};
  CommPortTable ports{fake.pacer, opener};
  ConnectionState connection;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, fake.host};
  bool opened = false;
};

// A pseudo-terminal opened by the test: the test holds the master, the port table opens the
// terminal side through its path.
class TestPty {
 public:
  TestPty();
  ~TestPty();
  const std::string& path() const { return path_; }
  void Write(std::string_view bytes);
  // Reads what arrives within `waitMs`, up to `max` bytes.
  std::string Read(size_t max, int waitMs);

 private:
  int master_ = -1;
  int holder_ = -1;
  std::string path_;
};

// An environment for SystemPortOpener: given entries, everything else unset. Ports without an
// entry map to a path that does not exist, so no test ever touches the machine's own ports.
EnvLookup TestEnvironment(std::map<int, std::string> ports);

// movexa-sim (or another program) as a child process; killed on destruction.
class ChildProcess {
 public:
  // Starts `program` with `args`, with `env` added to the environment; stdout and stderr go to
  // `outputPath` when given.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env = {}, const std::string& outputPath = {});
  ~ChildProcess();
  pid_t pid() const { return pid_; }
  // Sends `signal` and waits up to `timeoutMs` for the exit; the exit status, or nullopt.
  std::optional<int> Stop(int signal, int timeoutMs);
  // Waits for the exit; the exit code, or nullopt after `timeoutMs`.
  std::optional<int> Wait(int timeoutMs);

 private:
  pid_t pid_ = -1;
};

// Starts movexa-sim on a pty with its link at `link` and waits until the link exists.
std::unique_ptr<ChildProcess> StartSimulator(const std::filesystem::path& link,
                                             const std::vector<std::string>& extraArgs = {});

// Path of the built programs.
std::string SimProgram();
std::string CliProgram();

}  // namespace movexa::test
