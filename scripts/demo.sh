#!/usr/bin/env bash
# Movexa's main job on its embedded default: builds the programs, lays out a fresh demo
# application folder (build/demo-home, removed and laid out anew on every run so the demo always
# starts from the installation data), loads its project as the program's start-up does, starts
# the simulated instrument on a pseudo-terminal and connects to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
echo "== building movexa-cli and movexa-sim (build/demo)"
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_TESTS=OFF -DMOVEXA_GUI=OFF >/dev/null
cmake --build build/demo -j "$(nproc 2>/dev/null || echo 2)" --target movexa-cli movexa-sim
cli=build/demo/src/cli/movexa-cli
sim=build/demo/src/sim/movexa-sim
home=build/demo-home

echo "== laying out a fresh application folder in $home"
rm -rf "$home"
"$cli" init --app-dir "$home"
echo "== loading the current project as start-up does"
"$cli" project --app-dir "$home"

# The simulated instrument on a real pseudo-terminal: movexa-sim puts a link to its terminal in
# the application folder, and the configured COM number is mapped to that link through
# MOVEXA_COM<n>.
port=$(sed -n 2p "$home/config.dat" | tr -d '\r' | cut -d, -f3 | tr -d ' ')
link="$home/instrument.link"
"$sim" --link "$link" --all-rate 6 >"$home/sim.log" 2>&1 &
sim_pid=$!
trap 'kill -TERM "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
echo "== movexa-sim on $(readlink "$link"), mapped to COM$port"
env "MOVEXA_COM$port=$link" "$cli" connect --app-dir "$home" </dev/null
kill -TERM "$sim_pid"
wait "$sim_pid"
trap - EXIT
echo "== simulator stopped: $(tail -n 1 "$home/sim.log")"
