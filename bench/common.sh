# Shared by the build benchmarks: the seeded payload and its manifest, an NSIS script for the
# same files, timing and medians. Sourced; expects $build and $work.

calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
# Seconds that command "$@" takes; its output is dropped.
# The disk's write-back of the run before is finished first, so that it is not timed with this one.
seconds() { sync; local start=$EPOCHREALTIME; "$@" >/dev/null; calc "$EPOCHREALTIME - $start"; }
# The median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The seeded 64 MiB payload of about 1,000 files, made once per build folder.
bench_payload() {
    local payload=$build/bench/payload
    [[ -d $payload ]] || "$build/bin/generate_payload" "$payload" $((64 << 20)) 1000 20261208 >/dev/null
    echo "$payload"
}

# write_manifest FILE SOURCE [UNINSTALLER]: a product of the files in SOURCE.
write_manifest() {
    cat >"$1" <<TOML
[product]
short_name = "Bench"
display_name = "Bench 1.0"
install_dir = '%ProgramFiles%\\Bench'
menu_folder = "Bench"
[files]
source = "$2"
uninstaller = "${3:-builtin}"
TOML
}

# write_nsis_script FILE SOURCE OUTPUT: an NSIS installer of the same files, zlib as ours.
write_nsis_script() {
    cat >"$1" <<NSI
Name "Bench"
OutFile "$3"
SetCompressor zlib
RequestExecutionLevel user
InstallDir "\$PROGRAMFILES\\Bench"
Section
SetOutPath "\$INSTDIR"
File /r "$2/*"
SectionEnd
NSI
}
