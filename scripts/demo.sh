#!/usr/bin/env bash
# Movexa's main job on its embedded default: builds the programs, starts the simulated
# instrument on a pseudo-terminal and connects to it from a demo application folder (the
# acquisition on the simulated instrument joins this script as it is built).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_TESTS=OFF -DMOVEXA_GUI=OFF >/dev/null
cmake --build build/demo -j "$(nproc 2>/dev/null || echo 2)"
echo "== movexa-cli built: build/demo/src/cli/movexa-cli"

# Connect to the simulated instrument over a real pseudo-terminal: movexa-sim puts a link to its
# terminal in the demo application folder, and the configured COM number is mapped to that link
# through MOVEXA_COM<n>.
app=build/demo/app
mkdir -p "$app"
if [ ! -f "$app/config.dat" ]; then
  if [ -f data/config.dat ]; then
    cp data/config.dat "$app/config.dat"
  else
    printf '"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>"\r\n1,1,4,0\r\n' \
      >"$app/config.dat"
  fi
fi
port=$(sed -n 2p "$app/config.dat" | tr -d '\r' | cut -d, -f3 | tr -d ' ')
link="$app/instrument.link"
build/demo/src/sim/movexa-sim --link "$link" --all-rate 6 >"$app/sim.log" 2>&1 &
sim_pid=$!
trap 'kill -TERM "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
echo "== movexa-sim on $(readlink "$link"), mapped to COM$port"
env "MOVEXA_COM$port=$link" build/demo/src/cli/movexa-cli connect --app-dir "$app" </dev/null
kill -TERM "$sim_pid"
wait "$sim_pid"
trap - EXIT
echo "== simulator stopped: $(tail -n 1 "$app/sim.log")"
