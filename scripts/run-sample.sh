#!/usr/bin/env bash
# The main job on the bundled sample product: builds Quillset and Inkwell's Setup.exe, prints
# what the installer carries, then runs its wizard under Wine page by page, saving pictures.
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
"$root/scripts/screenshots.sh" "$setup"
