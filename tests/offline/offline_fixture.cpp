#include "offline_fixture.h"

#include "project/project_files.h"
#include "project/project_store.h"

namespace movexa::test {

OfflineFixture::OfflineFixture() {
  LayOutAppFolder(dir_.path());
  host.dialogs.Lenient();
}

fs::path OfflineFixture::project(int n) const {
  return dir_.path() / ("p0000" + std::to_string(n));
}

fs::path OfflineFixture::AddProject(int n, const std::string& name) {
  fs::path folder = project(n);
  fs::create_directories(folder);
  for (auto& f : fs::directory_iterator(project(1))) {
    if (f.is_regular_file()) fs::copy_file(f.path(), folder / f.path().filename());
  }
  std::string setup = ReadFileOrDie(folder / "setup.dat");
  size_t at = setup.find("\"Demo\"");
  setup.replace(at, 6, "\"" + name + "\"");
  WriteFileOrDie(folder / "setup.dat", setup);
  return folder;
}

fs::path OfflineFixture::AddAcquisition(const std::string& name, const std::string& experiment,
                                        int records, int projectNumber) {
  fs::path folder = project(projectNumber) / name;
  fs::create_directories(folder);
  for (auto& f : fs::directory_iterator(project(projectNumber))) {
    if (f.is_regular_file()) fs::copy_file(f.path(), folder / f.path().filename());
  }
  WriteFileOrDie(folder / "subproj.dat", FormatSubproject(experiment, nullptr));
  if (records >= 0) {
    std::string bytes;
    for (int i = 0; i < records; ++i) {
      CountsRecord r;
      r.minutes = 30 * i;
      for (int c = 0; c < kChannelSlots; ++c) r.values[static_cast<size_t>(c)] = static_cast<int16_t>(c % 7);
      EncodeCountsRecord(r, bytes);
    }
    WriteFileOrDie(folder / "counts.bin", bytes);
  }
  return folder;
}

void OfflineFixture::WriteRawFile(const fs::path& folder, int file, int blocks) {
  std::vector<int16_t> values(static_cast<size_t>(blocks) * kChannelSlots * 501);
  for (int b = 0; b < blocks; ++b)
    for (int s = 0; s < 501; ++s)
      for (int c = 0; c < kChannelSlots; ++c)
        values[(static_cast<size_t>(b) * 501 + s) * kChannelSlots + c] =
            s == 500 || c == 384 ? int16_t{0} : SampleValue(c, s, b);
  WriteFileOrDie(folder / (std::to_string(file) + ".bin"),
                 std::string_view(reinterpret_cast<const char*>(values.data()), values.size() * 2));
}

int16_t SampleValue(int c, int s, int b) {
  // A noisy level with a dip of 600 counts every 97 samples.
  return static_cast<int16_t>(2000 + (s * 7919 + c * 31 + b * 17) % 41 - (s % 97 < 5 ? 600 : 0));
}

std::string CountsBytes(const std::vector<int32_t>& times, int16_t value) {
  std::string bytes;
  for (int32_t t : times) {
    CountsRecord r;
    r.minutes = t;
    r.values.fill(value);
    EncodeCountsRecord(r, bytes);
  }
  return bytes;
}

}  // namespace movexa::test
