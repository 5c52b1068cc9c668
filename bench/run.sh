#!/usr/bin/env bash
# The foundation benchmark: builds a package from the seeded 64 MiB payload on one core and
# on all cores, compares its size with the payload and with zlib -9, and sizes the launcher.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
work=$build/bench
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

tool=$build/bin/quillset
stub=$build/share/quillset/Setup.exe
wizard=$build/share/quillset/Wizard.dll

mkdir -p "$work"
if [[ ! -d $work/payload ]]; then
    "$build/bin/generate_payload" "$work/payload" $((64 << 20)) 1000 20261208
fi
cat >"$work/manifest.toml" <<TOML
[product]
short_name = "Bench"
display_name = "Bench 1.0"
install_dir = '%ProgramFiles%\\Bench'
menu_folder = "Bench"
[files]
source = "payload"
TOML

calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
seconds() { local start=$EPOCHREALTIME; "$@" >/dev/null; calc "$EPOCHREALTIME - $start"; }

cores=$(nproc)
one=$(seconds "$tool" build "$work/manifest.toml" --raw --wizard "$wizard" -j 1 -o "$work/one.bin")
all=$(seconds "$tool" build "$work/manifest.toml" --raw --wizard "$wizard" -j "$cores" -o "$work/all.bin")
cmp -s "$work/one.bin" "$work/all.bin" || { echo "one-core and all-core packages differ" >&2; exit 1; }

eval "$("$build/bin/compare_compression" "$work/all.bin" "$work/payload")"
package_bytes=$(stat -c %s "$work/all.bin")
stub_bytes=$(stat -c %s "$stub")

{
    echo "payload:                 $payload_bytes bytes in $(find "$work/payload" -type f | wc -l) files"
    echo "build time, 1 core:      ${one} s"
    echo "build time, $cores cores:     ${all} s (speed-up $(calc "$one / $all"))"
    echo "package:                 $package_bytes bytes ($(calc "$package_bytes / $payload_bytes") of the payload)"
    echo "file streams, ours:      $package_file_streams bytes"
    echo "file streams, zlib -9:   $zlib9_file_streams bytes (ours are $(calc "$package_file_streams / $zlib9_file_streams") of it)"
    echo "launcher stub:           $stub_bytes bytes (target 16384)"
} | tee "$work/results.txt"
