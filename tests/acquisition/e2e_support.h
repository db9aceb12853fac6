// What the end-to-end tests share: the demo project prepared for short bins, waiting on files a
// child program writes, the acquisition folder of a run, its records, and the alignment check
// of raw files recorded from a simulator whose signals are tagged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/counts_record.h"
#include "project/project_settings.h"

namespace movexa::test {

namespace fs = std::filesystem;

constexpr int kBinSamples = 100;

// The demo project with `binSamples` samples per bin, method 1 and thresholds of 10 %, saved;
// the report configuration as a first start of the program leaves it.
ProjectSettings PrepareProject(const fs::path& app, int blankSamples = 300,
                               int binSamples = kBinSamples);

// Polls `done` every 20 ms for up to `timeoutMs`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);
bool FileHolds(const fs::path& file, const std::string& text);

// The one acquisition folder ("yyyymmdd_hhmm") of a project folder.
fs::path OnlyAcquisitionFolder(const fs::path& project);
std::vector<CountsRecord> Records(const fs::path& file);

// Raw files of an acquisition recorded from `movexa-sim --tag-signals` (eight blocks a sample):
// every stored signal must be signal (stream position mod 24) of its reply, and the signals of
// one block in one sample must come from one reply. Counts the block-samples that break either
// rule (misaligned blocks) and those checked.
struct AlignmentCheck {
  int64_t blocks = 0;
  int64_t misaligned = 0;
};
AlignmentCheck CheckTaggedRawFiles(const fs::path& folder, int binSamples);

}  // namespace movexa::test
