#!/usr/bin/env bash
# Before the read-only scenario: the destination already holds manual.txt of an older version,
# made read-only with attrib through Wine, as the session's user.
#   make_read_only_manual.sh WORK_UNIX STATE_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
folder=$(realpath -m "$1/Inkwell")
manual="Z:${folder//\//\\}\\manual.txt"
# No blank before "&&": echo would write it into the file.
"$root/scripts/wine-run" "$2" cmd /c \
    "mkdir Z:${folder//\//\\} && echo an older manual>$manual&& attrib +r $manual"
