// A small fixed acquisition for the report tests: an application folder with the "mini"
// plate-format file (2 rows x 3 columns, up to two beams per well) and an acquisition folder
// with its setup, groups, channel groups, subproject name and "counts.bin".
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/counts_record.h"
#include "base/host_fakes.h"
#include "reports/report_request.h"
#include "support/test_support.h"

namespace movexa::test {

// Channels of the mini plate: A1 = ch0, ch1; B1 = ch2, ch3; A2 = ch4, ch5; B2 = ch6 (one beam);
// A3 = ch9 at beam 1 only (no beam-0 channel); B3 has no channel. Groups: A1, B1 -> 0
// "Control"; A2 and ch9 -> 1 "Drug A"; B2 free; ch20 (no well) -> 2, so group 2 has no well.
inline constexpr int kMiniUsedChannels[] = {0, 1, 2, 3, 4, 5, 6, 9};

// "mini.dat" text.
std::string MiniPlateText();
// A 20-line "setup.dat" naming `plate`, with DSP_Method `method`, Organism and SNRx10.
std::string SetupText(const std::string& plate, int method = 1, int organism = 0, int snrX10 = 0);

struct Acquisition {
  std::filesystem::path app;
  std::filesystem::path folder;
};

// Writes the app folder (with "mini.dat") under `root`/app and an acquisition folder
// `root`/p00001/`name` with the project files; "counts.bin" holds `records`.
Acquisition MakeAcquisition(const std::filesystem::path& root, const std::string& name,
                            const std::vector<CountsRecord>& records,
                            const std::string& subproject = "drug A");
void WriteCounts(const std::filesystem::path& folder, const std::vector<CountsRecord>& records);

// Records at `times` (minutes); counts of the mini plate's channels from `count(channel, k)`,
// temperature 245 + k mod 3 tenths.
std::vector<CountsRecord> Records(const std::vector<int32_t>& times,
                                  const std::function<int16_t(int channel, int k)>& count);
// `n` records one every `stepMinutes`, starting at 0, with deterministic counts.
std::vector<CountsRecord> RegularRecords(int n, int stepMinutes = 1);
int16_t FixtureCount(int channel, int k);

// A report request over `acq` with the window's defaults.
ReportRequest BasicRequest(const Acquisition& acq, const std::string& bin = "30");

// The content with the DATE line removed and the acquisition path replaced by "<ACQ>".
std::string Normalised(std::string content, const std::filesystem::path& folder);

}  // namespace movexa::test
