// Shared helpers of the end-to-end tests.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "acquisition/data_files.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "base/instrument_protocol.h"
#include "project/project_store.h"
#include "reports/report_config.h"
#include "support/test_support.h"

namespace movexa::test {

ProjectSettings PrepareProject(const fs::path& app, int blankSamples, int binSamples) {
  FakeHost fake;
  ProjectSettings settings;
  PlateGeometry geometry;
  WellMap map;
  LoadProject(1, ProjectLocation{app, app / "p00001"}, settings, geometry, map, fake.host);
  settings.RT_Buffer = static_cast<int16_t>(binSamples);
  settings.DSP_Method = 1;
  settings.Threshold_Counter = static_cast<int16_t>(blankSamples);
  settings.ChannelThreshold.fill(10);
  EXPECT_TRUE(SaveProject(app / "p00001", 1, settings).ok);
  // The report configuration as a first start of the program leaves it: the user-defined bin
  // in force from the next start on.
  ReportConfig config;
  LoadReportConfig(config, 1, app, fake.host);
  return settings;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

bool FileHolds(const fs::path& file, const std::string& text) {
  return IsFile(file) && ReadFileOrDie(file).find(text) != std::string::npos;
}

fs::path OnlyAcquisitionFolder(const fs::path& project) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(project)) {
    if (e.is_directory() && ParseAcquisitionStamp(e.path().filename().string())) found.push_back(e.path());
  }
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? fs::path() : found[0];
}

std::vector<CountsRecord> Records(const fs::path& file) {
  std::string bytes = ReadFileOrDie(file);
  EXPECT_EQ(bytes.size() % kCountsRecordBytes, 0u);
  std::vector<CountsRecord> out(bytes.size() / kCountsRecordBytes);
  for (size_t i = 0; i < out.size(); ++i) DecodeCountsRecord(bytes, i * kCountsRecordBytes, out[i]);
  return out;
}

AlignmentCheck CheckTaggedRawFiles(const fs::path& folder, int binSamples) {
  constexpr int kBlockSignals = 24;
  AlignmentCheck check;
  const int64_t blockBytes = RawBlockBytes(binSamples);
  for (int file = 0; IsFile(folder / RawFileName(file)); ++file) {
    const std::string raw = ReadFileOrDie(folder / RawFileName(file));
    for (int64_t block = 0; (block + 1) * blockBytes <= static_cast<int64_t>(raw.size()); ++block) {
      for (int s = 0; s < binSamples; ++s) {
        std::array<int, kSignalPositions / kBlockSignals> tag{};
        std::array<bool, kSignalPositions / kBlockSignals> bad{}, seen{};
        for (int p = 0; p < kSignalPositions; ++p) {
          const int c = SignalPositionChannel(p);
          const int v = GetI16(raw, static_cast<size_t>(block * blockBytes +
                                                        2 * (c + kChannelSlots * int64_t{s})));
          if (v == 0) continue;  // a row before any good block reached it
          const size_t b = static_cast<size_t>(p / kBlockSignals);
          if ((v & 255) != p % kBlockSignals) bad[b] = true;
          if (seen[b] && tag[b] != (v >> 8)) bad[b] = true;
          seen[b] = true;
          tag[b] = v >> 8;
        }
        for (size_t b = 0; b < seen.size(); ++b) {
          if (!seen[b]) continue;
          ++check.blocks;
          if (bad[b]) ++check.misaligned;
        }
      }
    }
  }
  return check;
}

}  // namespace movexa::test
