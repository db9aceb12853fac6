// The guard of an application folder against a second recorder: an advisory lock on
// "recorder.lock" in the application folder, held from the start of a recorded run to its end.
// Two programs (or two engines of one program) recording at once into the same project files
// would mix their bins; the second start is refused instead. The lock goes with the open file,
// so a program that ends abruptly releases it. While held, the file names the acquisition being
// recorded (its folder and experiment name), so that no other operation moves that folder from
// under the recorder: the lock tells whether a recorder holds it without taking it.
//
// Also the rule that names a recorded run's folder: the start time "yyyymmdd_hhmm", or, when a
// folder of that name already exists (a run or a blank reading started in the same minute), the
// first later minute whose folder does not exist yet. The name keeps the form every reader of
// acquisition folders expects (the browser lists 13-character stamps, circadian summaries count
// from the stamp), so the acquisition stays visible and is dated at most a few minutes late.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/date_time.h"

namespace movexa {

inline constexpr std::string_view kRecorderLockFileName = "recorder.lock";

class RecorderLock {
 public:
  RecorderLock() = default;
  ~RecorderLock() { Release(); }
  RecorderLock(const RecorderLock&) = delete;
  RecorderLock& operator=(const RecorderLock&) = delete;

  // Takes the lock of `appDir` without waiting. False when another recorder holds it
  // (`error` empty) or the lock file cannot be opened (`error` gives the system's words).
  bool Acquire(const std::filesystem::path& appDir, std::string& error);
  // Records in the held lock the acquisition being recorded. False when not held or the file
  // could not be written.
  bool Describe(const std::filesystem::path& acquisitionFolder, std::string_view experimentName);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The acquisition a recorder is writing into, as its lock names it (the folder is empty while
// the recorder is still creating it).
struct ActiveRecording {
  std::filesystem::path folder;
  std::string experimentName;
};

// The recording in progress in the application folder `appDir`; nullopt when no recorder holds
// its lock (a lock file left by a program that ended is no recording).
std::optional<ActiveRecording> FindActiveRecording(const std::filesystem::path& appDir);

// The recording in progress when it writes into `acquisitionFolder` (an acquisition folder
// inside a project folder of an application folder), or when a recorder of that application
// folder holds its lock without naming its folder; nullopt otherwise.
std::optional<ActiveRecording> RecordingInto(const std::filesystem::path& acquisitionFolder);

// Creates the folder of a recorded run started at `start` inside `projectPath` under the first
// free stamp (see above); the name, or empty with `error` set when no folder could be created
// (within a day of minutes).
std::string CreateFreshAcquisitionFolder(const std::filesystem::path& projectPath,
                                         const CivilTime& start, std::string& error);

}  // namespace movexa
