// The recorded counts kept aside by "Replace old data" and their restoration.
#include "reports/recorded_counts.h"

#include "acquisition/counts_record.h"
#include "acquisition/recorder_lock.h"
#include "base/file_io.h"

namespace movexa {

namespace {

constexpr std::string_view kCountsFile = "counts.bin";
constexpr std::string_view kSetupFile = "setup.dat";
constexpr std::string_view kSetupBackup = "setup.bak";

}  // namespace

bool RecordedCountsMayChange(const std::filesystem::path& acquisitionFolder, std::string& error) {
  auto recording = RecordingInto(acquisitionFolder);
  if (!recording) return true;
  error = recording->folder.empty()
              ? "An acquisition is being recorded from this application folder and its folder "
                "is not named yet: no recorded counts can be replaced or restored until its run "
                "is stopped."
              : "The acquisition \"" + recording->experimentName + "\" (" +
                    recording->folder.string() +
                    ") is being recorded now: its counts cannot be replaced or restored until its "
                    "run is stopped.";
  return false;
}

bool HasRecordedCounts(const std::filesystem::path& acquisitionFolder) {
  return IsFile(acquisitionFolder / kRecordedCountsBackup);
}

bool KeepRecordedCounts(const std::filesystem::path& acquisitionFolder, std::string& error) {
  if (HasRecordedCounts(acquisitionFolder)) return true;
  auto counts = ReadWholeFile(acquisitionFolder / kCountsFile, &error, kCountsFileMaxBytes);
  if (!counts) return false;
  // The setup first: a counts copy is what marks the recorded files as kept.
  if (auto setup = ReadWholeFile(acquisitionFolder / kSetupFile)) {
    if (!WriteFileAtomic(acquisitionFolder / kRecordedSetupBackup, *setup, &error)) return false;
  }
  return WriteFileAtomic(acquisitionFolder / kRecordedCountsBackup, *counts, &error);
}

bool RestoreRecordedCounts(const std::filesystem::path& acquisitionFolder, std::string& error) {
  if (!RecordedCountsMayChange(acquisitionFolder, error)) return false;
  const auto countsCopy = acquisitionFolder / kRecordedCountsBackup;
  const auto setupCopy = acquisitionFolder / kRecordedSetupBackup;
  auto counts = ReadWholeFile(countsCopy, &error, kCountsFileMaxBytes);
  if (!counts) return false;
  if (IsFile(setupCopy)) {
    auto setup = ReadWholeFile(setupCopy, &error);
    if (!setup) return false;
    if (auto present = ReadWholeFile(acquisitionFolder / kSetupFile)) {
      if (!WriteFileAtomic(acquisitionFolder / kSetupBackup, *present, &error)) return false;
    }
    if (!WriteFileAtomic(acquisitionFolder / kSetupFile, *setup, &error)) return false;
  }
  if (!WriteFileAtomic(acquisitionFolder / kCountsFile, *counts, &error)) return false;
  std::error_code ec;
  std::filesystem::remove(setupCopy, ec);
  std::filesystem::remove(countsCopy, ec);
  return true;
}

}  // namespace movexa
