#!/usr/bin/env bash
# Movexa's main job on its embedded default: builds the programs, lays out a fresh demo
# application folder (build/demo-home, removed and laid out anew on every run so the demo always
# starts from the installation data), loads its project as the program's start-up does, starts
# the simulated instrument on a pseudo-terminal and connects to it, records a named
# acquisition of the demo project (3 minutes, bins of 500 samples) and writes its report. Then
# Movexa's windows: where a display exists the program opens on the simulated instrument
# (movexa --demo-instrument; the demo ends when the program is closed); where none exists (CI, a
# server) the same session runs under Xvfb and writes screenshots of the start menu and of the
# main window during a run to build/screens/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh gui
echo "== building movexa, movexa-cli and movexa-sim (build/demo)"
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVEXA_TESTS=OFF -DMOVEXA_GUI=ON >/dev/null
cmake --build build/demo -j "$(nproc 2>/dev/null || echo 2)" --target movexa movexa-cli movexa-sim \
  movexa-demo-run
cli=build/demo/src/cli/movexa-cli
sim=build/demo/src/sim/movexa-sim
gui=build/demo/src/ui/app/movexa
home=build/demo-home

echo "== laying out a fresh application folder in $home"
rm -rf "$home"
"$cli" init --app-dir "$home"
echo "== loading the current project as start-up does"
"$cli" project --app-dir "$home"

# The simulated instrument on a real pseudo-terminal: movexa-sim puts a link to its terminal in
# the application folder, and the configured COM number is mapped to that link through
# MOVEXA_COM<n>. Its replies travel at the line's 115200 baud with 48-byte blocks, and an
# organism crosses every beam about six times a minute (the crossings are recorded).
port=$(sed -n 2p "$home/config.dat" | tr -d '\r' | cut -d, -f3 | tr -d ' ')
link="$home/instrument.link"
"$sim" --link "$link" --paced --block-bytes 48 --all-rate 6 --truth "$home/crossings.txt" \
  >"$home/sim.log" 2>&1 &
sim_pid=$!
trap 'kill -TERM "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
echo "== movexa-sim on $(readlink "$link"), mapped to COM$port"
env "MOVEXA_COM$port=$link" "$cli" connect --app-dir "$home" </dev/null

# The run ends with the quick report, whatever the report configuration's user-defined bin.
echo "== a named acquisition of the demo project: movexa-cli acquire (about 3 minutes)"
env "MOVEXA_COM$port=$link" "$cli" acquire --app-dir "$home" --name "Demo run" --quick-report \
  </dev/null | tee "$home/acquire.log"
folder=$(sed -n 's/^acquisition folder: //p' "$home/acquire.log" | tail -n 1)
quick=$(sed -n 's/^quick report: //p' "$home/acquire.log" | tail -n 1)
if [ -z "$folder" ] || [ ! -f "$folder/counts.bin" ]; then
  echo "demo: the acquisition wrote no counts.bin" >&2
  exit 1
fi
echo "== the acquisition's files are in $folder"
ls -l "$folder"
if [ -f "$quick" ]; then
  echo "== the quick report is $quick; its group section:"
  sed -n '1,12p' "$quick" | tr -d '\r'
fi

echo "== the report of the acquisition: movexa-cli report (bins of 1 minute)"
"$cli" report --app-dir "$home" --bin 1 --quiet "$folder" </dev/null
for r in "$folder"/report.csv "$folder"/report.txt; do
  if [ -f "$r" ]; then
    echo "== the report is $r"
    head -n 25 "$r" | tr -d '\r'
  fi
done

kill -TERM "$sim_pid"
wait "$sim_pid"
trap - EXIT
echo "== simulator stopped: $(tail -n 1 "$home/sim.log"); its recorded crossings: $home/crossings.txt"

# Movexa's windows on the simulated instrument, in their own application folder laid out fresh.
gui_home=build/demo-home-windows
rm -rf "$gui_home"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${MOVEXA_DEMO_HEADLESS:-}" ]; then
  echo "== Movexa's windows on the simulated instrument: press Play, type a name (close the program to end)"
  "$gui" --app-dir "$gui_home" --demo-instrument
else
  echo "== no display: Movexa's windows under Xvfb, screenshots in build/screens"
  rm -rf build/screens
  # The analysis window of the tour shows a generated five-day acquisition: days of data that
  # the tour's own short run cannot record.
  "$cli" init --app-dir "$gui_home" >/dev/null
  days=$(build/demo/tools/movexa-demo-run --app-dir "$gui_home" --days 5)
  if command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s '-screen 0 1280x1024x24' \
      "$gui" --app-dir "$gui_home" --screenshots build/screens --run-seconds 75 \
      --analysis-folder "$days"
  else
    QT_QPA_PLATFORM=offscreen "$gui" --app-dir "$gui_home" --screenshots build/screens --run-seconds 75 \
      --analysis-folder "$days"
  fi
  ls -l build/screens
fi
