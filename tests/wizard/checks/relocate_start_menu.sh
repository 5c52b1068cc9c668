#!/usr/bin/env bash
# Moves the Start Menu into the work folder, so deep that the default program folder below it
# comes to 249 characters, past what CreateDirectoryA makes; the Start Menu and Programs
# folders themselves still fit. restore_shell_folders.sh puts the saved places back:
#   relocate_start_menu.sh WORK_UNIX STATE_DIR
set -euo pipefail
run=$(cd "$(dirname "$0")/../../.." && pwd)/scripts/wine-run
explorer='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
work="Z:${1//\//\\}"
"$run" "$2" reg export "$explorer\\User Shell Folders" "$work\\user-shell-folders.reg" /y >/dev/null
"$run" "$2" reg export "$explorer\\Shell Folders" "$work\\shell-folders.reg" /y >/dev/null
# WORK\<padding>\Start Menu of 228 characters; "\Programs\Inkwell 1.0" makes 249.
width=$((228 - ${#work} - 12))
((width > 0)) || { echo "relocate_start_menu.sh: the work folder's path is too long" >&2; exit 1; }
padding=$(printf "%${width}s" | tr ' ' s)
mkdir -p "$1/$padding/Start Menu/Programs"
start_menu="$work\\$padding\\Start Menu"
"$run" "$2" reg add "$explorer\\User Shell Folders" /v "Start Menu" /t REG_EXPAND_SZ /d "$start_menu" /f >/dev/null
"$run" "$2" reg add "$explorer\\User Shell Folders" /v Programs /t REG_EXPAND_SZ /d "$start_menu\\Programs" /f >/dev/null
