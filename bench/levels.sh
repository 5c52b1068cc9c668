#!/usr/bin/env bash
# The compression level table: for each level, the build time of the seeded 64 MiB payload on
# all cores and on one core (no cache) and the size of its Setup.exe, against makensis (zlib).
#   bench/levels.sh [RUNS] [LEVELS...]     (default 3 runs; levels 6 to 12; medians)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
work=$build/bench/levels
runs=${1:-3}
shift || true
levels=("$@")
[[ ${#levels[@]} -gt 0 ]] || levels=(6 7 8 9 10 11 12)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
source "$root/bench/common.sh"

tool=$build/bin/quillset
cores=$(nproc)
mkdir -p "$work"
payload=$(bench_payload)
write_manifest "$work/manifest.toml" "$payload"
write_nsis_script "$work/bench.nsi" "$payload" "$work/nsis.exe"

# makensis before and after the table, as a yardstick for the load the machine was under.
time_nsis() {
    local times=()
    for _ in $(seq "$runs"); do
        times+=("$(seconds makensis -V1 "$work/bench.nsi")")
    done
    median "${times[@]}"
}
nsis_time=$(time_nsis)
nsis_bytes=$(stat -c %s "$work/nsis.exe")

{
    echo "payload $(find "$payload" -type f | wc -l) files, $(find "$payload" -type f -printf '%s\n' | awk '{ t += $1 } END { print t }') bytes; medians of $runs runs"
    echo "makensis (zlib): ${nsis_time} s, ${nsis_bytes} bytes"
    printf '%5s  %12s  %12s  %12s  %10s  %10s\n' level "$cores cores s" "1 core s" "Setup.exe" "/ NSIS" "time/NSIS"
    for level in "${levels[@]}"; do
        all=() one=()
        for _ in $(seq "$runs"); do
            all+=("$(seconds "$tool" build "$work/manifest.toml" --no-cache --level "$level" -j "$cores" -o "$work/all.exe")")
            one+=("$(seconds "$tool" build "$work/manifest.toml" --no-cache --level "$level" -j 1 -o "$work/one.exe")")
        done
        cmp -s "$work/all.exe" "$work/one.exe" || { echo "level $level: -j 1 and -j $cores differ" >&2; exit 1; }
        bytes=$(stat -c %s "$work/all.exe")
        all_time=$(median "${all[@]}")
        printf '%5s  %12s  %12s  %12s  %10s  %10s\n' "$level" "$all_time" "$(median "${one[@]}")" "$bytes" \
            "$(calc "$bytes / $nsis_bytes")" "$(calc "$all_time / $nsis_time")"
    done
    echo "makensis again after the table: $(time_nsis) s"
} | tee "$work/levels.txt"
