// The real clock, pacer and machine facts of a running program (terminal or windows).
#pragma once

#include "base/host.h"

namespace movexa {

class SystemClock : public Clock {
 public:
  CivilTime Now() override;
  int64_t MonotonicMs() override;
  int64_t MonotonicUs() override;
};

// Pauses sleep for real; PumpEvents does nothing (the terminal has no window events).
class SleepingPacer : public Pacer {
 public:
  void PauseMs(int ms) override;
  void PumpEvents() override {}
};

class PosixSystemInfo : public SystemInfo {
 public:
  int64_t FreeDiskMB(const std::filesystem::path& path) override;
  // Linux has no list-separator setting: locales whose decimal mark is "," use ";", the
  // others ",".
  std::string ListSeparator() override;
};

}  // namespace movexa
