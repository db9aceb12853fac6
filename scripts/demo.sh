#!/usr/bin/env bash
# Movexa's main job on its embedded default: builds the programs, lays out a fresh demo
# application folder (build/demo-home, removed and laid out anew on every run so the demo always
# starts from the installation data) and loads its project as the program's start-up does.
# The acquisition on the simulated instrument and its report join this script as they are built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
echo "== building movexa-cli (build/demo)"
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_TESTS=OFF -DMOVEXA_GUI=OFF >/dev/null
cmake --build build/demo -j "$(nproc 2>/dev/null || echo 2)" --target movexa-cli
cli=build/demo/src/cli/movexa-cli
home=build/demo-home
echo "== laying out a fresh application folder in $home"
rm -rf "$home"
"$cli" init --app-dir "$home"
echo "== loading the current project as start-up does"
"$cli" project --app-dir "$home"
