#!/usr/bin/env bash
# Runs the sample product's wizard under Wine on an Xvfb display of its own through the wizard
# test driver, prints every page it reaches and saves a picture of each as docs/wizard-*.png;
# the tour installs the sample for real, and what it installed is printed afterwards.
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

# The destination is the sample's default folder in the tour's own prefix; it and the Start
# Menu group are removed first so that every tour shows a fresh installation.
destination='C:\Program Files\Inkwell'
destination_unix=$state/prefix/drive_c/Program\ Files/Inkwell
rm -rf "$destination_unix" "$state"/prefix/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Inkwell\ 1.0

echo "== The wizard of $setup, page by page =="
"$root/scripts/wine-run" "$state" "$driver" "$(wine_path "$root/scripts/wizard-tour.txt")" \
    "SETUP=$(wine_path "$setup")" "SHOTS=$(wine_path "$shots")" "DEST=$destination" | grep -v '^ *[0-9]\+  '

mkdir -p "$root/docs"
for picture in "$shots"/*.bmp; do
    name=$(basename "$picture" .bmp)
    convert "$picture" -strip "png:$root/docs/$name.png"
    echo "saved docs/$name.png"
done

# Runs a Wine console command and prints its output with Unix line ends.
wine_command() { "$root/scripts/wine-run" "$state" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The Linux path of a C: path in the tour's prefix.
unix_path() {
    local rest=${1#[Cc]:\\}
    echo "$state/prefix/drive_c/${rest//\\//}"
}

echo
echo "== What the tour installed in $destination =="
(cd "$destination_unix" && find . -mindepth 1 -printf '%M %8s  %P\n' | sort -k3)
echo "-- attributes as Windows sees them --"
wine_command cmd /c attrib /s /d "$destination\\*"
log=$destination_unix/uninst.dat
log_report=$("$build/bin/quillset" inspect "$log")
# The indented lines of one section of the log's report.
log_section() { awk -v head="^$1 " '$0 ~ head {inside = 1; next} /^[^ ]/ {inside = 0} inside {sub(/^  /, ""); print}' <<<"$log_report"; }
echo
echo "== Shortcuts =="
while IFS= read -r link; do
    if [[ -f $(unix_path "$link") ]]; then
        echo "  $link ($(stat -c %s "$(unix_path "$link")") bytes)"
    else
        echo "  $link (missing)"
    fi
done < <(log_section shortcuts)
echo
echo "== Registry keys of the product =="
while IFS= read -r key; do
    wine_command reg query "$key" | sed '/^$/d'
done < <(log_section "registry keys")
echo
echo "== The uninstall log $destination\\uninst.dat =="
echo "$log_report"
