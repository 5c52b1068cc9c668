#!/usr/bin/env bash
# Runs images made by the PE resource writer under Wine: the loader must accept them, and the
# probe in them must find its RT_RCDATA 1 through FindResource and write it back unchanged.
#   pe_resources_wine.sh EMBED_TOOL FIXTURE_DIR SCRIPTS_DIR STATE_DIR
set -euo pipefail

usage="usage: pe_resources_wine.sh EMBED_TOOL FIXTURE_DIR SCRIPTS_DIR STATE_DIR"
embed=$(realpath "${1:?$usage}")
fixtures=$(realpath "${2:?$usage}")
scripts=$(realpath "${3:?$usage}")
state=${4:?$usage}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
"$scripts/runs-32-bit-x86" || exit
command -v wine >/dev/null || fail "wine is missing: install the Debian packages wine and wine32:i386 (scripts/install-deps.sh)"
command -v Xvfb >/dev/null || fail "Xvfb is missing: install the Debian package xvfb (scripts/install-deps.sh)"

# This test's own session and prefix, apart from the Win32 build's; the prefix is kept between
# runs so that it is made only once.
mkdir -p "$state"
state=$(realpath "$state")
work=$state/work
rm -rf "$work"
mkdir -p "$work"
# Set first: a start that fails after its display came up leaves that display to the stop.
trap '"$scripts/wine-session" stop "$state"' EXIT
"$scripts/wine-session" start "$state" >"$state/session.log" 2>&1 || fail "no Wine session: $(cat "$state/session.log")"

{
    seq 1 30000
    cat "$fixtures/rsrc_inner.exe"
} >"$work/package.bin"
: >"$work/empty.bin"

run_probe() {
    local stub=$1 package=$2 name=$3
    "$embed" "$fixtures/$stub.exe" "$work/$package" "$work/$name.exe" || fail "$name: embedding failed"
    local copy="$work/$name.found"
    local output
    output=$("$scripts/wine-run" "$state" "$work/$name.exe" "Z:${copy//\//\\}" 2>&1) ||
        fail "$name: the probe failed under Wine: $output"
    [[ $output == *"size=$(stat -c %s "$work/$package") "* ]] || fail "$name: the probe says: $output"
    cmp "$work/$package" "$copy" || fail "$name: the loader gives other bytes than the package"
    echo "ok: $name: $output"
}

run_probe rsrc_last package.bin rsrc_last
run_probe rsrc_inner package.bin rsrc_inner
run_probe no_rsrc package.bin no_rsrc
run_probe rsrc_last empty.bin rsrc_last-empty
