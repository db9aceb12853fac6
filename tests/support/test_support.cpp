// Shared test fixtures.
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace movexa::test {

TempDir::TempDir() {
  std::random_device rd;
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path p = base / ("movexa-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p;
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path InstallDataDir() { return fs::path(MOVEXA_SOURCE_DIR) / "data"; }
fs::path GoldenDir() { return fs::path(MOVEXA_TEST_DATA_DIR); }

void LayOutAppFolder(const fs::path& appDir) {
  fs::create_directories(appDir);
  fs::copy(InstallDataDir(), appDir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::function<std::optional<std::string>(const std::string&)> Environment(
    std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

std::string ReadFileOrDie(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << path;
    return {};
  }
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileOrDie(const fs::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    ADD_FAILURE() << "cannot write " << path;
    return;
  }
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

int16_t GetI16(std::string_view b, size_t o) {
  return static_cast<int16_t>(static_cast<uint8_t>(b[o]) | (static_cast<uint8_t>(b[o + 1]) << 8));
}

int32_t GetI32(std::string_view b, size_t o) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[o + static_cast<size_t>(i)]);
  return static_cast<int32_t>(v);
}

}  // namespace movexa::test
