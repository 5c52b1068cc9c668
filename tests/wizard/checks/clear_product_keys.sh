#!/usr/bin/env bash
# Removes the sample's Uninstall and App Paths keys that earlier scenarios left in the shared
# prefix, so that the installation that follows makes them itself:
#   clear_product_keys.sh WORK_UNIX STATE_DIR
set -euo pipefail
run=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine-run
for key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Inkwell 1.0' \
           'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Inkwell.exe'; do
    "$run" "$2" reg delete "$key" /f >/dev/null 2>&1 || true  # absent is as good
done
