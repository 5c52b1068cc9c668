#!/usr/bin/env bash
# Puts back the shell folders that hide_shell_folders.sh saved before it hid two of them:
#   restore_shell_folders.sh WORK STATE
set -euo pipefail
run=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine-run
for saved in user-shell-folders shell-folders; do
    if [[ -f $1/$saved.reg ]]; then
        "$run" "$2" reg import "Z:${1//\//\\}\\$saved.reg" >/dev/null
    fi
done
