#!/usr/bin/env bash
# Installs what Movexa needs to build, test and run on Debian 12 (idempotent: packages that are
# already present are not fetched again). poppler-utils and librsvg2-bin let the tests open the
# PDF and SVG pictures Movexa writes.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git groff
  libgtest-dev libgmock-dev libbenchmark-dev
  libserialport-dev libcairo2-dev
  poppler-utils librsvg2-bin
)
# Extra groups: "gui" (Qt 6 and Xvfb for the windows), "office" (LibreOffice Calc to check that
# reports open as spreadsheets).
for extra in "$@"; do
  case "$extra" in
    gui) packages+=(qt6-base-dev xvfb xauth) ;;
    office) packages+=(libreoffice-calc-nogui) ;;
    *) echo "install-deps: unknown group '$extra'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
