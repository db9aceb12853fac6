#!/usr/bin/env bash
# Builds the Debian package from a configured and built folder (default build/ci), unpacks it
# into a fresh folder tree and runs the installed programs from there: movexa-cli --help,
# movexa --version, and an application folder laid out from the installed data (help document
# included). Usage: scripts/package-check.sh [BUILD_DIR]
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
echo "package-check: the package installs and its programs run"
