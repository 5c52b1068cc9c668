#!/usr/bin/env bash
# Runs one wizard scenario under Wine with a work folder of its own (the destinations it
# types), which is removed afterwards whatever the outcome.
#   run_scenario.sh STATE_DIR DRIVER SCENARIO [OPTION | NAME=LINUX_PATH]...
# NAME=LINUX_PATH becomes the driver variable NAME as Wine's Z: path. Options:
#   --required-space=NAME=DIR[:FILE]...  sets NAME to the size of DIR's files and of each
#                              FILE added to the package, as the wizard shows it
#   --small-drive              mounts a 4 KiB tmpfs as SMALL_UNIX (needs root; else skipped, 77)
#   --check=PROGRAM            after the scenario passed, runs PROGRAM WORK_UNIX STATE_DIR
set -euo pipefail

state=$(realpath "${1:?usage: run_scenario.sh STATE_DIR DRIVER SCENARIO [ARGS...]}")
driver=${2:?} scenario=${3:?}
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)

wine_path() {
    local path
    path=$(realpath -m "$1")
    echo "Z:${path//\//\\}"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/quillset-wizard.XXXXXX")
small=""
check=""
cleanup() {
    if [[ -n $small ]]; then
        umount "$small" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT # a test stopped by its timeout still cleans up

# WORK_PICK: the work folder as the folder picker's tree shows it under Wine (drive Z: is /).
work_real=$(realpath "$work")
variables=("WORK=$(wine_path "$work")" "WORK_UNIX=$work" "WORK_PICK=My Computer| (Z:)${work_real//\//|}")
for argument in "$@"; do
    case $argument in
    --required-space=*)
        option=${argument#--required-space=}
        IFS=: read -r -a sources <<<"${option#*=}"
        bytes=$(find "${sources[@]}" -type f -printf '%s\n' | awk '{ total += $1 } END { print total + 0 }')
        variables+=("${option%%=*}=$(((bytes + 1023) / 1024)) KB")
        ;;
    --small-drive)
        small=$work/small
        mkdir -p "$small"
        if ! mount -t tmpfs -o size=4k quillset-small "$small" 2>/dev/null; then
            small=""
            echo "skipped: a 4 KiB tmpfs cannot be mounted here (needs root with mount rights)"
            exit 77
        fi
        variables+=("SMALL_UNIX=$small")
        ;;
    --check=*)
        check=${argument#--check=}
        ;;
    *=*)
        variables+=("${argument%%=*}=$(wine_path "${argument#*=}")")
        ;;
    *)
        echo "run_scenario.sh: unknown argument $argument" >&2
        exit 2
        ;;
    esac
done

status=0
"$root/scripts/wine-run" "$state" "$driver" "$(wine_path "$scenario")" "${variables[@]}" || status=$?
if [[ $status -eq 0 && -n $check ]]; then
    "$check" "$work" "$state" || status=$?
fi
exit "$status"
