#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder (default build/ci), unpacks it
# into a fresh folder tree and runs the installed programs from there: movexa-cli --help,
# movexa --version, an application folder laid out from the installed data (help document
# included), and the first start of the windows program on an account with an empty HOME (under
# Xvfb, else offscreen): it must lay out its application folder, say where and open the start
# menu. Usage: scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(cd "${1:-build/ci}" && pwd)

echo "== building the Debian package ($dir)"
rm -rf "$dir/package"
(cd "$dir" && cpack -G DEB -B "$dir/package" >/dev/null)
deb=$(ls "$dir"/package/*.deb | head -n 1)
echo "package: $deb"
dpkg-deb -f "$deb" Package Version Depends

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
echo "== the installed programs, run from $root"
for f in usr/bin/movexa usr/bin/movexa-cli usr/bin/movexa-sim \
         usr/share/applications/movexa.desktop usr/share/icons/hicolor/scalable/apps/movexa.svg \
         usr/share/movexa/data/config.dat usr/share/movexa/data/mvx_help.pdf; do
  [ -e "$root/$f" ] || { echo "package-check: $f is missing from the package" >&2; exit 1; }
done
"$root/usr/bin/movexa-cli" --help | head -n 3
QT_QPA_PLATFORM=offscreen "$root/usr/bin/movexa" --version
"$root/usr/bin/movexa-cli" init --app-dir "$root/home" >/dev/null
[ -f "$root/home/config.dat" ] && [ -f "$root/home/mvx_help.pdf" ] || {
  echo "package-check: init from the installed data did not lay out the application folder" >&2
  exit 1
}

echo "== first start of the installed movexa on an account without an application folder"
fresh="$root/fresh-home"
mkdir -p "$fresh"
out="$root/first-start.log"
pidfile="$root/first-start.pid"
# The program's own process id is kept so the termination request reaches it, not xvfb-run.
run=(sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile"
     env -u MOVEXA_HOME -u MOVEXA_DATA -u XDG_DATA_HOME HOME="$fresh" "$root/usr/bin/movexa")
if command -v xvfb-run >/dev/null 2>&1; then
  run=(xvfb-run -a -s '-screen 0 1024x768x24' "${run[@]}")
else
  run=(env QT_QPA_PLATFORM=offscreen "${run[@]}")
fi
"${run[@]}" >"$out" 2>&1 &
runner=$!
opened=""
for _ in $(seq 1 300); do
  if grep -q "^movexa: start menu open" "$out"; then opened=yes; break; fi
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
# The program ends on a termination request as on its own EXIT.
[ -s "$pidfile" ] && kill -TERM "$(cat "$pidfile")" 2>/dev/null || true
status=0
wait "$runner" || status=$?
cat "$out"
app="$fresh/.local/share/movexa"
if [ -z "$opened" ] || [ "$status" -ne 0 ]; then
  echo "package-check: the first start did not reach the start menu (exit $status)" >&2
  exit 1
fi
for f in config.dat w96f.dat p00001/setup.dat mvx_help.pdf repoconf.dat; do
  [ -f "$app/$f" ] || { echo "package-check: the first start did not lay out $app/$f" >&2; exit 1; }
done
grep -q "^movexa: application folder laid out in $app from $root/usr/share/movexa/data" "$out" || {
  echo "package-check: the first start did not say where the application folder is" >&2
  exit 1
}
echo "package-check: the package installs and its programs run"
