#!/usr/bin/env bash
# Runs the sample product's wizard under Wine on an Xvfb display of its own through the wizard
# test driver, prints every page it reaches and saves a picture of each as docs/wizard-*.png.
#   scripts/screenshots.sh [SETUP.EXE]   (default: builds the sample's Setup.exe first)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
state=$build/wine-shots
driver=$build/win32/bin/wizard_driver.exe

if [[ $# -ge 1 ]]; then
    setup=$(realpath "$1")
else
    "$root/scripts/install-deps.sh"
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" -j "$(nproc)" >/dev/null
    setup=$build/sample/Setup.exe
    mkdir -p "$build/sample"
    "$build/bin/quillset" build "$build/win32/examples/inkwell/sample/quillset.toml" -o "$setup" >/dev/null
fi
[[ -f $driver ]] || { echo "screenshots.sh: $driver is missing; build first" >&2; exit 1; }

wine_path() { echo "Z:${1//\//\\}"; }
shots=$(mktemp -d "${TMPDIR:-/tmp}/quillset-shots.XXXXXX")
"$root/scripts/wine-session" start "$state" >/dev/null
trap '"$root/scripts/wine-session" stop "$state"; rm -rf "$shots"' EXIT

echo "== The wizard of $setup, page by page =="
"$root/scripts/wine-run" "$state" "$driver" "$(wine_path "$root/scripts/wizard-tour.txt")" \
    "SETUP=$(wine_path "$setup")" "SHOTS=$(wine_path "$shots")" | grep -v '^ *[0-9]\+  '

mkdir -p "$root/docs"
for picture in "$shots"/*.bmp; do
    name=$(basename "$picture" .bmp)
    convert "$picture" -strip "png:$root/docs/$name.png"
    echo "saved docs/$name.png"
done
