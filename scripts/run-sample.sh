#!/usr/bin/env bash
# The main job on the bundled sample product: builds Quillset and Inkwell's Setup.exe, prints
# what the installer carries, then tries it: installs it under Wine page by page, saving a
# picture of each page in docs/, checks what it installed, removes it and reports what was left.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSET_BUILD:-$root/build}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"

mkdir -p "$build/sample"
setup=$build/sample/Setup.exe
"$build/bin/quillset" build "$build/win32/examples/inkwell/sample/quillset.toml" -o "$setup"
echo
echo "== $setup =="
"$build/bin/quillset" inspect "$setup"

echo
try=("$build/bin/quillset" try "$setup" --shots "$root/docs" --desktop --quick-launch --startup)
if "$root/scripts/runs-32-bit-x86" 2>/dev/null; then
    "${try[@]}"
else
    # Where Wine cannot run here, in an emulated machine that can; the pictures come back.
    echo "This machine runs no 32-bit programs, so Wine cannot run here: trying it in an emulated"
    echo "machine (scripts/run-in-guest) instead, which takes a few minutes."
    "$root/scripts/run-in-guest" --writable "$root/docs" "$build/guest" "${try[@]}"
fi
