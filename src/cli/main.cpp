// movexa-cli: the headless face of Movexa.
#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[1]) == "--help") {
    std::puts("usage: movexa-cli COMMAND [options]   (movexa-cli COMMAND --help)");
    return argc < 2 ? 2 : 0;
  }
  std::fprintf(stderr, "movexa-cli: unknown command '%s'\n", argv[1]);
  return 2;
}
