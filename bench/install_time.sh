#!/usr/bin/env bash
# Install-time benchmark under Wine, on the seeded 64 MiB payload of bench/run.sh: Setup.exe's
# installation phase (Install pressed to the next page, through the wizard test driver), an
# NSIS installer of the same files (silent, zlib; start to exit), the floor (a minimal Win32
# inflater of the raw package, chunked writes and mapped views) and the same work natively.
#   bench/install_time.sh [RUNS]     (default 3; prints each run and the medians)
# The same 64 MiB is spread over 1,000 files and then over 5,000, to tell the cost per file from
# the cost per byte; PAYLOAD_FILES=N measures N files alone. The installations go to /dev/shm
# where it is writable, else to the build folder; INSTALL_DIR=DIR names the folder.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
source "$root/bench/common.sh"
runs=${1:-3}
if [[ -z ${PAYLOAD_FILES:-} ]]; then
    for files in 1000 5000; do
        PAYLOAD_FILES=$files "$0" "$@"
    done
    cat "$build/install_time-1000.txt" "$build/install_time-5000.txt" >"$build/install_time.txt"
    exit 0
fi
files=$PAYLOAD_FILES
work=$build/bench/install-time
state=$build/wine-install-time

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

driver=$build/win32/bin/wizard_driver.exe
floor=$build/win32/bin/install_floor.exe
for file in "$driver" "$floor" "$build/bin/install_native"; do
    [[ -f $file ]] || { echo "missing $file; is the build complete?" >&2; exit 1; }
done

mkdir -p "$work"
payload=$build/bench/payload
[[ $files == 1000 ]] || payload=$build/bench/payload-$files
if [[ ! -d $payload ]]; then
    "$build/bin/generate_payload" "$payload" $((64 << 20)) "$files" 20261208
fi
payload_bytes=$(find "$payload" -type f -printf '%s\n' | awk '{ t += $1 } END { print t }')
largest_bytes=$(find "$payload" -type f -printf '%s\n' | sort -n | tail -1)

write_manifest "$work/manifest.toml" "$payload"
# The benchmarks' own stream cache, not the user's.
export XDG_CACHE_HOME=$build/bench/cache
"$build/bin/quillset" build "$work/manifest.toml" -o "$work/Setup.exe" >/dev/null
"$build/bin/quillset" build "$work/manifest.toml" --raw -o "$work/package.bin" >/dev/null
package_bytes=$(stat -c %s "$work/package.bin")

wine_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

cat >"$work/bench.nsi" <<NSI
Name "Bench"
OutFile "$work/nsis-setup.exe"
SetCompressor zlib
RequestExecutionLevel user
InstallDir "\$PROGRAMFILES\\Bench"
Section
SetOutPath "\$INSTDIR"
File /r "$payload/*"
SectionEnd
NSI
makensis -V1 "$work/bench.nsi" >/dev/null

# The installations land in memory where it can be had: on a virtual machine's disk the
# write-back of the run before decides the figures more than the installers do. INSTALL_DIR
# names another folder (a disk, to measure that too).
destinations=${INSTALL_DIR:-}
made_destinations=""
if [[ -z $destinations ]]; then
    if [[ -d /dev/shm && -w /dev/shm ]]; then
        destinations=$(mktemp -d /dev/shm/quillset-install-time.XXXXXX)
    else
        destinations=$work/destinations
    fi
    made_destinations=$destinations
fi
mkdir -p "$destinations"
"$root/scripts/wine-session" start "$state" >/dev/null
sampler=""
cleanup() {
    [[ -z $sampler ]] || kill "$sampler" 2>/dev/null || true
    rm -rf "${destinations:?}"/dest-* ${made_destinations:+"$made_destinations"}
    "$root/scripts/wine-session" stop "$state"
}
trap cleanup EXIT

# True when process $1 runs program $2 (a path ending in a folder and file name, which other
# sessions' programs do not share), under Wine's loader or as Wine shows it.
runs_program() {
    local words=() suffix=$2
    mapfile -d '' -t words 2>/dev/null <"/proc/$1/cmdline" || return 1
    [[ ${#words[@]} -gt 0 ]] || return 1
    [[ ${words[0]//\\//} == */"$suffix" ]] && return 0
    [[ ${words[0]##*/} == wine* && ${#words[@]} -gt 1 && ${words[1]//\\//} == */"$suffix" ]]
}

# Watches the first process running program $1 until it ends, and writes its peak resident
# set (VmHWM, which counts mapped file pages too) and its sampled peak private memory
# (RssAnon) in KiB to $2.
watch_memory() {
    local program=$1 out=$2 pid="" hwm=0 anon=0 key value rest tries=0
    echo "0 0" >"$out"
    while [[ -z $pid ]] && ((tries++ < 3000)); do
        for dir in /proc/[0-9]*; do
            if runs_program "${dir#/proc/}" "$program"; then
                pid=${dir#/proc/}
                break
            fi
        done
        [[ -n $pid ]] || sleep 0.02
    done
    while [[ -r /proc/$pid/status ]]; do
        while read -r key value rest; do
            case $key in
            VmHWM:) hwm=$value ;;
            RssAnon:) ((value > anon)) && anon=$value ;;
            esac
        done <"/proc/$pid/status" 2>/dev/null || true
        echo "$hwm $anon" >"$out"
        sleep 0.02
    done
}
start_watch() { watch_memory "$1" "$2" & sampler=$!; }
# The program watched has ended by then, so the watch ends by itself with its figures written.
stop_watch() { wait "$sampler" 2>/dev/null || true; sampler=""; }

# The driver's memory line $1 of the last run: working set and private bytes, in KiB.
memory_at() { awk -v at="$1" '$1 == at { sub("peak_working_set=", "", $2);
    sub("peak_pagefile=", "", $3); print $2 / 1024, $3 / 1024 }' "$work/driver.log"; }
now() { echo "$EPOCHREALTIME"; }
fresh() { rm -rf "${destinations:?}/$1"; sync; echo "$destinations/$1"; }
check_tree() {
    local differences
    differences=$(diff -rq -x uninst.dat -x uninst.exe "$payload" "$1" 2>&1) && return 0
    echo "$2: installed files differ from the payload:" >&2
    head -5 <<<"$differences" >&2
    exit 1
}

results=$work/runs.txt
: >"$results"
# The start cost of a Win32 program under Wine (the floor program refusing its arguments),
# to read the NSIS figure, which includes it, against the others.
"$root/scripts/wine-run" "$state" "$floor" >/dev/null 2>&1 || true
for run in $(seq "$runs"); do
    start=$(now)
    "$root/scripts/wine-run" "$state" "$floor" >/dev/null 2>&1 || true
    wine_start=$(calc "$(now) - $start")

    dest=$(fresh dest-quillset)
    start_watch install-time/Setup.exe "$work/memory-quillset"
    "$root/scripts/wine-run" "$state" "$driver" "$(wine_path "$root/bench/install_time.txt")" \
        "SETUP=$(wine_path "$work/Setup.exe")" "DEST=$(wine_path "$dest")" TIMEOUT=600 >"$work/driver.log" ||
        { cat "$work/driver.log" >&2; exit 1; }
    stop_watch
    quillset=$(calc "$(awk '$1 == "install_us" { print $2 }' "$work/driver.log") / 1e6")
    read -r peak_ws peak_private < <(memory_at setup_memory)
    read -r welcome_ws welcome_private < <(memory_at welcome_memory)
    read -r hwm anon <"$work/memory-quillset"
    check_tree "$dest" Setup.exe

    dest=$(fresh dest-nsis)
    start_watch install-time/nsis-setup.exe "$work/memory-nsis"
    start=$(now)
    "$root/scripts/wine-run" "$state" "$work/nsis-setup.exe" /S "/D=$(wine_path "$dest")"
    nsis=$(calc "$(now) - $start")
    stop_watch
    read -r nsis_hwm nsis_anon <"$work/memory-nsis"
    check_tree "$dest" NSIS

    dest=$(fresh dest-floor)
    start_watch "$(basename "$build")/win32/bin/install_floor.exe" "$work/memory-floor"
    floor_write=$(calc "$("$root/scripts/wine-run" "$state" "$floor" "$(wine_path "$work/package.bin")" "$(wine_path "$dest")" write) / 1e6")
    stop_watch
    read -r floor_hwm floor_anon <"$work/memory-floor"
    check_tree "$dest" floor

    dest=$(fresh dest-floor-map)
    floor_map=$(calc "$("$root/scripts/wine-run" "$state" "$floor" "$(wine_path "$work/package.bin")" "$(wine_path "$dest")" map) / 1e6")
    check_tree "$dest" "floor (mapped)"

    dest=$(fresh dest-native)
    native=$(calc "$("$build/bin/install_native" "$work/package.bin" "$dest") / 1e6")
    check_tree "$dest" native
    rm -rf "${destinations:?}"/dest-*

    echo "$run $quillset $nsis $wine_start $floor_write $floor_map $native $peak_ws $peak_private $hwm $anon $nsis_hwm $nsis_anon $floor_hwm $floor_anon $welcome_ws $welcome_private" |
        tee -a "$results" >/dev/null
    printf 'run %d: Setup.exe %ss, NSIS %ss (Wine start %ss), floor %ss / mapped %ss, native %ss\n' \
        "$run" "$quillset" "$nsis" "$wine_start" "$floor_write" "$floor_map" "$native"
done

# Column $1's median over the runs.
column_median() { awk -v c="$1" '{ print $c }' "$results" | sort -g | awk '{ v[NR] = $1 } END {
    printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
q=$(column_median 2) n=$(column_median 3) w=$(column_median 4) f=$(column_median 5) fm=$(column_median 6) l=$(column_median 7)
mib() { calc "$1 / 1024"; }
{
    echo "install of $payload_bytes bytes in $(find "$payload" -type f | wc -l) files (largest $largest_bytes), package $package_bytes bytes; Wine $(wine --version); median of $runs runs"
    echo "  Setup.exe, Install to next page:      $q s"
    echo "  NSIS (zlib, /S), start to exit:       $n s (of which Wine's program start ~$w s)"
    echo "  floor under Wine, chunked writes:     $f s"
    echo "  floor under Wine, mapped views:       $fm s"
    echo "  native Linux, chunked writes:         $l s"
    echo "  Setup.exe / NSIS:                     $(calc "$q / $n") (target <= 1; against NSIS less its start $(calc "$q / ($n - $w)"))"
    echo "  Setup.exe / floor:                    $(calc "$q / $f") (target <= 1.5; against the mapped floor $(calc "$q / $fm"))"
    echo "  Setup.exe / native:                   $(calc "$q / $l")"
    echo "  Setup.exe peak memory (driver, GetProcessMemoryInfo): working set $(mib "$(column_median 8)") MiB, private $(mib "$(column_median 9)") MiB"
    echo "  Setup.exe at its Welcome page (driver, the same):     working set $(mib "$(column_median 16)") MiB, private $(mib "$(column_median 17)") MiB"
    echo "  Setup.exe peak memory (/proc of its Wine process):    VmHWM $(mib "$(column_median 10)") MiB, RssAnon $(mib "$(column_median 11)") MiB (sampled every 20 ms)"
    echo "  NSIS installer (/proc):                               VmHWM $(mib "$(column_median 12)") MiB, RssAnon $(mib "$(column_median 13)") MiB"
    echo "  floor, chunked (/proc):                               VmHWM $(mib "$(column_median 14)") MiB, RssAnon $(mib "$(column_median 15)") MiB"
    echo "  for scale: largest file + package = $(mib $(((largest_bytes + package_bytes) / 1024))) MiB"
} | tee "$build/install_time-$files.txt"
