// movexa-make-data: writes the installation data (a fresh application folder) into a folder.
// Run from the repository root as `build/tools/movexa-make-data data` to re-make data/.
#include <cstdio>
#include <exception>

#include "install_data.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: movexa-make-data FOLDER\n");
    return 2;
  }
  try {
    for (const auto& f : movexa::install_data::WriteInstallData(argv[1]))
      std::printf("%s\n", f.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movexa-make-data: %s\n", e.what());
    return 1;
  }
  return 0;
}
