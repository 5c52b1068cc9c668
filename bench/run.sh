#!/usr/bin/env bash
# The build benchmark on the seeded 64 MiB payload: first builds on all cores and on one core and
# a rebuild after one file changed, each paired with makensis (zlib) on the same files; the sizes
# of both installers, of the package's streams against zlib -9, and of an empty Setup.exe's parts.
#   bench/run.sh [RUNS]     (default 3; each figure is the median of RUNS paired runs)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
work=$build/bench
runs=${1:-3}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
source "$root/bench/common.sh"

tool=$build/bin/quillset
stub=$build/share/quillset/Setup.exe
wizard=$build/share/quillset/Wizard.dll
cores=$(nproc)
# The benchmark's own stream caches: a new folder for each first build. They are deleted at the
# end, not before a build, as ext4 takes far longer to make files right after many were deleted.
caches=$work/caches
rm -rf "$caches"
trap 'rm -rf "$caches"' EXIT
unset QUILLSET_CACHE_LIMIT

mkdir -p "$work"
payload=$(bench_payload)
write_manifest "$work/manifest.toml" "$payload"
write_nsis_script "$work/bench.nsi" "$payload" "$work/nsis.exe"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# First builds: ours on all cores, ours on one core, then makensis, back to back in each run.
all=() one=() nsis=()
for run in $(seq "$runs"); do
    export XDG_CACHE_HOME=$caches/all-$run
    all+=("$(seconds "$tool" build "$work/manifest.toml" -j "$cores" -o "$work/all.exe")")
    export XDG_CACHE_HOME=$caches/one-$run
    one+=("$(seconds "$tool" build "$work/manifest.toml" -j 1 -o "$work/one.exe")")
    nsis+=("$(seconds makensis -V1 "$work/bench.nsi")")
done
cmp -s "$work/one.exe" "$work/all.exe" || { echo "one-core and all-core installers differ" >&2; exit 1; }
first_all=$(median "${all[@]}") first_one=$(median "${one[@]}") first_nsis=$(median "${nsis[@]}")

# Rebuilds of a copy of the payload: each run changes one mid-sized file, then our build (with
# the cache its first build filled) and makensis (which has none) run back to back.
copy=$work/payload-copy
export XDG_CACHE_HOME=$caches/rebuild
rm -rf "$copy"
cp -a "$payload" "$copy"
write_manifest "$work/copy.toml" "$copy"
write_nsis_script "$work/copy.nsi" "$copy" "$work/copy-nsis.exe"
"$tool" build "$work/copy.toml" -o "$work/copy.exe" >/dev/null
changed=$(find "$copy" -type f -printf '%s %p\n' | sort -n | awk -v n="$(find "$copy" -type f | wc -l)" \
    'NR == int(n / 2) { print $2 }')
again=() again_nsis=()
for run in $(seq "$runs"); do
    echo "changed in run $run" >>"$changed"
    again+=("$(seconds "$tool" build "$work/copy.toml" -o "$work/copy.exe")")
    again_nsis+=("$(seconds makensis -V1 "$work/copy.nsi")")
done
rebuild=$(median "${again[@]}") rebuild_nsis=$(median "${again_nsis[@]}")
"$tool" build "$work/copy.toml" --no-cache -o "$work/copy-uncached.exe" >/dev/null
cmp -s "$work/copy.exe" "$work/copy-uncached.exe" ||
    { echo "the rebuild from the cache differs from a build without it" >&2; exit 1; }
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# The package's streams against zlib -9 of the same files (the raw package comes from the cache).
"$tool" build "$work/manifest.toml" --raw -o "$work/all.bin" >/dev/null
eval "$("$build/bin/compare_compression" "$work/all.bin" "$payload")"
package_bytes=$(stat -c %s "$work/all.bin")
setup_bytes=$(stat -c %s "$work/all.exe")
nsis_bytes=$(stat -c %s "$work/nsis.exe")
stub_bytes=$(stat -c %s "$stub")

# A product with no files: without an uninstaller, its parts; with the builtin one, its stream.
mkdir -p "$work/empty/files"
write_manifest "$work/empty/none.toml" files none
write_manifest "$work/empty/builtin.toml" files builtin
"$tool" build "$work/empty/none.toml" --no-cache -o "$work/empty/none.exe" >/dev/null
"$tool" build "$work/empty/builtin.toml" --no-cache -o "$work/empty/builtin.exe" >/dev/null
eval "$("$build/bin/setup_parts" "$work/empty/none.exe" | sed 's/=/_part=/')"
empty_bytes=$setup_bytes_part
builtin_bytes=$(stat -c %s "$work/empty/builtin.exe")
uninstaller=$("$build/bin/setup_parts" "$work/empty/builtin.exe" | awk -F= '$1 == "uninstaller_stream_bytes" { print $2 }')

{
    echo "payload:                 $payload_bytes bytes in $(find "$payload" -type f | wc -l) files; $cores cores"
    echo "timing:                  medians of $runs paired runs (ours, then makensis); load average $load_before before, $load_after after"
    echo "first build, $cores cores:    ${first_all} s, makensis ${first_nsis} s: $(calc "$first_all / $first_nsis") of makensis (goal <= 0.5)"
    echo "first build, 1 core:     ${first_one} s: $(calc "$first_one / $first_nsis") of makensis (speed-up on $cores cores $(calc "$first_one / $first_all"))"
    echo "rebuild, 1 file changed: ${rebuild} s, makensis ${rebuild_nsis} s: $(calc "$rebuild / $first_all") of our first build (goal <= 0.1), $(calc "$rebuild / $rebuild_nsis") of makensis"
    echo "                         (the file: $(stat -c %s "$changed") bytes, ${changed#"$copy"/}; the result equals a build without the cache)"
    echo "Setup.exe:               $setup_bytes bytes, NSIS $nsis_bytes bytes: $(calc "$setup_bytes / $nsis_bytes") of NSIS (goal <= 0.99)"
    echo "package:                 $package_bytes bytes ($(calc "$package_bytes / $payload_bytes") of the payload)"
    echo "file streams, ours:      $package_file_streams bytes"
    echo "file streams, zlib -9:   $zlib9_file_streams bytes (ours are $(calc "$package_file_streams / $zlib9_file_streams") of it)"
    echo "launcher stub:           $stub_bytes bytes (target 16384)"
    echo "empty Setup.exe:         $empty_bytes bytes (no files, no uninstaller; goal <= 32768)"
    echo "  stub headers and sections before its resources: $stub_sections_bytes_part"
    echo "  padding before the resource section:            $padding_bytes_part"
    echo "  stub's own resources and resource directory:    $stub_resources_bytes_part"
    echo "  package:                                        $package_bytes_part (wizard library stream $wizard_stream_bytes_part)"
    echo "  resource section tail to the file alignment:    $section_tail_bytes_part"
    echo "empty Setup.exe with the builtin uninstaller: $builtin_bytes bytes (uninstaller stream $uninstaller)"
} | tee "$work/results.txt"
