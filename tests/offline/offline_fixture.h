// Fixture of the offline tests: an application folder laid out from the installation data
// (project p00001 "Demo", plate format w96f) and acquisitions made in it with chosen records
// and raw blocks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/counts_record.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa::test {

class OfflineFixture {
 public:
  OfflineFixture();
  fs::path app() const { return dir_.path(); }
  fs::path project(int n = 1) const;
  // An acquisition folder with the project's files, "subproj.dat" and, when `records` is not
  // negative, a "counts.bin" of that many records (time = 30 x index, channel c = c % 7).
  fs::path AddAcquisition(const std::string& name, const std::string& experiment, int records,
                          int project = 1);
  // Raw file `file` with `blocks` blocks of SampleValue (row 500 and channel 384 hold 0).
  void WriteRawFile(const fs::path& folder, int file, int blocks);
  // A second project folder with its setup.
  fs::path AddProject(int n, const std::string& name);
  FakeHost host;

 private:
  TempDir dir_;
};

int16_t SampleValue(int channel, int sample, int block);
std::string CountsBytes(const std::vector<int32_t>& times, int16_t value = 1);

}  // namespace movexa::test
