#!/usr/bin/env bash
# Start-time benchmark under Wine: from starting the sample product's Setup.exe to its Welcome
# page shown, against a trivial dialog program started and shown (the floor). Runs each N
# times (default 15, first run of each discarded as warm-up) and prints the medians.
#   bench/start_time.sh [N]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
runs=${1:-15}
state=$build/wine-bench

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

driver=$build/win32/bin/wizard_driver.exe
floor=$build/win32/bin/start_time_floor.exe
setup=$build/win32/tests/wizard/setups/sample/Setup.exe
for file in "$driver" "$floor" "$setup"; do
    [[ -f $file ]] || { echo "missing $file; is the build complete?" >&2; exit 1; }
done

"$root/scripts/wine-session" start "$state" >/dev/null
trap '"$root/scripts/wine-session" stop "$state"' EXIT

# Prints the median of the microsecond figures that "$@" prints, one per run, in ms.
median_ms() {
    local samples=()
    "$@" >/dev/null # warm-up: the first start loads Wine's own DLLs from disk
    for _ in $(seq "$runs"); do
        samples+=("$("$@")")
    done
    printf '%s\n' "${samples[@]}" | sort -n | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.1f ms (min %.1f, max %.1f, %d runs)", m / 1000, v[1] / 1000, v[NR] / 1000, NR }'
}

wine_path() { echo "Z:${1//\//\\}"; }
run() { "$root/scripts/wine-run" "$state" "$driver" --start-time "$1" "$(wine_path "$2")"; }

floor_result=$(median_ms run window "$floor")
setup_result=$(median_ms run welcome "$setup")
{
    echo "start to shown, under Wine $(wine --version), median of $runs:"
    echo "  floor (trivial dialog program): $floor_result"
    echo "  Setup.exe to the Welcome page:  $setup_result"
} | tee "$build/start_time.txt"
