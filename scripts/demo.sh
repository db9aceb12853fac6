#!/usr/bin/env bash
# Movexa's main job on its embedded default: builds the programs, lays out a demo application
# folder and loads its project (the acquisition on the simulated instrument joins this script
# as it is built).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_TESTS=OFF -DMOVEXA_GUI=OFF >/dev/null
cmake --build build/demo -j "$(nproc 2>/dev/null || echo 2)"
echo "== movexa-cli built: build/demo/src/cli/movexa-cli"
