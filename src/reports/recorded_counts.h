// The recorded activity file kept aside when a raw re-analysis replaces it ("Replace old
// data"), and putting it back (the acquisition browser's "Restore recorded counts").
//
// The first replacement copies the acquisition's "counts.bin" and "setup.dat" as they were
// recorded to "counts_recorded.bak" and "setup_recorded.bak". Later replacements leave those
// copies alone: they already hold what the instrument recorded, whatever the re-analyses did
// since. Restoring writes them back whole and then removes them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace movexa {

inline constexpr std::string_view kRecordedCountsBackup = "counts_recorded.bak";
inline constexpr std::string_view kRecordedSetupBackup = "setup_recorded.bak";

// True when the folder keeps the recorded counts of an earlier replacement.
// False, with the reason in `error`, while a recorder writes into the acquisition: its counts
// are then neither replaced nor restored.
bool RecordedCountsMayChange(const std::filesystem::path& acquisitionFolder, std::string& error);
bool HasRecordedCounts(const std::filesystem::path& acquisitionFolder);

// Before "counts.bin" is replaced: keeps the recorded files unless they are kept already.
// False (and `error`) when the copy could not be written whole: the replacement must not go
// ahead then.
bool KeepRecordedCounts(const std::filesystem::path& acquisitionFolder, std::string& error);

// Puts the recorded "setup.dat" (when kept; the present one goes to "setup.bak" first, as
// before every save of a setup) and "counts.bin" back, each written whole, then removes the
// copies. False (and `error`) when there is nothing to restore or a file could not be
// written; the copies then stay for another try.
bool RestoreRecordedCounts(const std::filesystem::path& acquisitionFolder, std::string& error);

}  // namespace movexa
