#!/usr/bin/env bash
# Before the read-only scenario: the destination already holds manual.txt of an older version
# and an unreadable uninst.dat, both made read-only with attrib through Wine, as the session's
# user.
#   make_read_only_manual.sh WORK_UNIX STATE_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
folder=$(realpath -m "$1/Inkwell")
folder="Z:${folder//\//\\}"
manual="$folder\\manual.txt"
log="$folder\\uninst.dat"
# No blank before "&&": echo would write it into the file.
"$root/scripts/wine-run" "$2" cmd /c \
    "mkdir $folder && echo an older manual>$manual&& attrib +r $manual"
"$root/scripts/wine-run" "$2" cmd /c "echo an older log>$log&& attrib +r $log"
