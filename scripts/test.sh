#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both halves, then one ctest run takes the
# native unit tests and the Win32 tests under Wine (which start and stop their own Xvfb). Where
# Wine cannot run here, a second ctest run takes the tests under Wine in an emulated machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
# No build of the test installers and no test writes into the user's stream cache; the cache's
# own tests give theirs.
export QUILLSET_CACHE_LIMIT=0

"$root/scripts/install-deps.sh"
# Where this machine's kernel starts no 32-bit programs, the tests under Wine run in an emulated
# machine that does, after the others, and every wait of theirs is 8 times as long there.
if no_wine_here=$("$root/scripts/runs-32-bit-x86" 2>&1); then
    in_guest=false wait_scale=1
else
    in_guest=true wait_scale=8
fi
cmake -S "$root" -B "$build" -DQUILLSET_WAIT_SCALE="$wait_scale"
cmake --build "$build" -j "$(nproc)"

# ctest's cleanup fixtures stop the Wine sessions (root's and the ordinary user's); this covers
# an interrupted run too.
stop_sessions() {
    local state
    for state in "$build/wine" "$build/wine-user"; do
        "$root/scripts/wine-session" stop "$state" >/dev/null 2>&1 || true
    done
}
trap stop_sessions EXIT
if ! $in_guest; then
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600
    exit 0
fi

echo "$no_wine_here"
echo "The tests under Wine run afterwards in an emulated machine (scripts/run-in-guest)."
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600 --label-exclude wine || status=$?
QUILLSET_WAIT_SCALE=$wait_scale "$root/scripts/run-in-guest" "$build/guest" \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout $((600 * wait_scale)) --label-regex wine ||
    status=$?
exit "$status"
