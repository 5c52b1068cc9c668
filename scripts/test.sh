#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both halves, then one ctest run takes the
# native unit tests and the Win32 tests under Wine (which start and stop their own Xvfb).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}
# No build of the test installers and no test writes into the user's stream cache; the cache's
# own tests give theirs.
export QUILLSET_CACHE_LIMIT=0

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build"
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
# Where Wine cannot run, its tests are reported as skipped; this says why before they start.
"$root/scripts/runs-32-bit-x86" || true
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600
