// Fixtures shared by the test suites: a fresh temporary folder per test, an application folder
// laid out from the installation data, and small byte helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace movexa::test {

namespace fs = std::filesystem;

// A folder that exists for the life of the object and is removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / name; }

 private:
  fs::path path_;
};

// The repository's installation data folder (data/) and golden files folder (tests/data/).
fs::path InstallDataDir();
fs::path GoldenDir();
// Copies the installation data into `appDir` (which is created), as a fresh install would.
void LayOutAppFolder(const fs::path& appDir);

// An environment that holds `vars` and nothing else (the lookup of MOVEXA_COM<n> and the like).
std::function<std::optional<std::string>(const std::string&)> Environment(
    std::map<std::string, std::string> vars);

std::string ReadFileOrDie(const fs::path& path);
void WriteFileOrDie(const fs::path& path, std::string_view content);

// Little-endian helpers for binary layouts.
int16_t GetI16(std::string_view bytes, size_t offset);
int32_t GetI32(std::string_view bytes, size_t offset);

}  // namespace movexa::test
