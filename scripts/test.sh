#!/usr/bin/env bash
# Builds Movexa with warnings as errors and runs every test suite.
#   scripts/test.sh             normal build in build/ci
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build/asan
set -euo pipefail
cd "$(dirname "$0")/.."

mode=normal
[ "${1:-}" = "--sanitize" ] && mode=sanitize

echo "== installing build dependencies"
bash scripts/install-deps.sh office gui

jobs=$(nproc 2>/dev/null || echo 2)
if [ "$mode" = sanitize ]; then
  dir=build/asan
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DMOVEXA_WERROR=ON -DMOVEXA_GUI=OFF \
    -DMOVEXA_SANITIZE=address,undefined
else
  dir=build/ci
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_WERROR=ON
fi
echo "== building ($dir)"
cmake --build "$dir" -j "$jobs"
echo "== running the tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
