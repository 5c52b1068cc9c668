#!/usr/bin/env bash
# Points the Desktop and Startup folders below a plain file, where the shell can neither find
# nor make them; restore_shell_folders.sh puts back what it saves: hide_shell_folders.sh WORK STATE
set -euo pipefail
run=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine-run
explorer='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
"$run" "$2" reg export "$explorer\\User Shell Folders" "Z:${1//\//\\}\\user-shell-folders.reg" /y >/dev/null
"$run" "$2" reg export "$explorer\\Shell Folders" "Z:${1//\//\\}\\shell-folders.reg" /y >/dev/null
for name in Desktop Startup; do
    "$run" "$2" reg add "$explorer\\User Shell Folders" /v "$name" /t REG_EXPAND_SZ \
        /d "C:\\windows\\win.ini\\$name" /f >/dev/null
done
