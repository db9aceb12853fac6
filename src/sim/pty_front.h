// The simulated instrument on a real pseudo-terminal: creates the pty (posix_openpt), puts a
// symlink to its terminal side at a path of the operator's choice (a COM number can be mapped to
// it), and pumps bytes between the pty and the instrument until told to stop. The link is
// removed when the front end goes away.
#pragma once

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>

#include "base/host.h"
#include "base/serial_peer.h"

namespace movexa::sim {

class PtyFront {
 public:
  // Creates the pseudo-terminal and the symlink at `linkPath`. An existing symlink there is
  // replaced; any other file is left alone and refused. Null with `error` on failure.
  static std::unique_ptr<PtyFront> Create(const std::filesystem::path& linkPath,
                                          std::string& error);
  ~PtyFront();
  PtyFront(const PtyFront&) = delete;
  PtyFront& operator=(const PtyFront&) = delete;

  // Path of the terminal side ("/dev/pts/3").
  const std::string& terminalPath() const { return terminalPath_; }
  const std::filesystem::path& linkPath() const { return linkPath_; }

  // Moves bytes between the pty and `peer`, with times from `clock`, until `stop` becomes
  // non-zero (checked at least every 50 ms and after every signal). Returns false with `error`
  // when the pty fails.
  bool Run(SerialPeer& peer, Clock& clock, const volatile std::sig_atomic_t& stop,
           std::string& error);

 private:
  PtyFront() = default;
  int master_ = -1;
  // The simulator keeps the terminal side open itself, so the master never sees a hang-up
  // while the host closes and reopens the port.
  int holder_ = -1;
  std::string terminalPath_;
  std::filesystem::path linkPath_;
};

}  // namespace movexa::sim
