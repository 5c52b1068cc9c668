#!/usr/bin/env bash
# Runs one wizard scenario under Wine with a work folder of its own (the destinations it
# types), which is removed afterwards whatever the outcome.
#   run_scenario.sh STATE_DIR DRIVER SCENARIO [OPTION | NAME=LINUX_PATH]...
# NAME=LINUX_PATH becomes the driver variable NAME as Wine's Z: path. Options:
#   --required-space=NAME=DIR[:FILE]...  sets NAME to the size of DIR's files and of each
#                              FILE added to the package, as the wizard shows it
#   --small-drive[=SIZE]       mounts a tmpfs of SIZE (4k unless given) as SMALL_UNIX (needs
#                              root; else skipped, 77)
#   --check=PROGRAM            after the scenario passed, runs PROGRAM WORK_UNIX STATE_DIR
#   --prepare=PROGRAM          before the scenario, runs PROGRAM WORK_UNIX STATE_DIR
#   --restore=PROGRAM          after the scenario, whatever its outcome, runs PROGRAM
#                              WORK_UNIX STATE_DIR (to undo what --prepare did to the prefix)
# A scenario fails when a program it ran crashed: Wine then reports an unhandled exception on
# the standard error output, whatever WINEDEBUG says.
# In a session of the ordinary user (wine-session --ordinary-user) the work folder is in that
# user's home, with copies of the driver, the scenario and the files given as NAME=LINUX_PATH,
# since the build tree may be closed to that user.
set -euo pipefail

state=$(realpath "${1:?usage: run_scenario.sh STATE_DIR DRIVER SCENARIO [ARGS...]}")
driver=${2:?} scenario=${3:?}
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env" "$state"

wine_path() {
    local path
    path=$(realpath -m "$1")
    echo "Z:${path//\//\\}"
}

copies=""
if ((${#wine_user[@]})); then
    work=$("${wine_user[@]}" mktemp -d "$HOME/quillset-wizard.XXXXXX")
    copies=$(mktemp -d "$HOME/quillset-copies.XXXXXX")
    chmod a+rx "$copies"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/quillset-wizard.XXXXXX")
fi
small=""
check=""
prepare=""
restore=""
cleanup() {
    local restored=0
    if [[ -n $restore ]]; then
        "$restore" "$work" "$state" || restored=$?
    fi
    if [[ -n $small ]]; then
        # A program still running there keeps it busy; detached, it goes once that ends.
        umount "$small" 2>/dev/null || umount --lazy "$small" 2>/dev/null || true
    fi
    rm -rf "$work" "$work.stderr" ${copies:+"$copies"}
    if ((restored)); then
        echo "FAILED: $restore could not undo the scenario's changes to the prefix"
        exit 1
    fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT # a test stopped by its timeout still cleans up

# The copy of a file for the ordinary user, in a folder of its own so that it keeps its name.
copy_for_user() {
    local folder
    folder=$(mktemp -d "$copies/file.XXXXXX")
    cp "$1" "$folder/"
    chmod -R a+rX "$folder"
    echo "$folder/$(basename "$1")"
}
if [[ -n $copies ]]; then
    driver=$(copy_for_user "$driver")
    scenario=$(copy_for_user "$scenario")
fi

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
    --small-drive | --small-drive=*)
        size=4k
        [[ $argument == *=* ]] && size=${argument#*=}
        small=$work/small
        mkdir -p "$small"
        if ! mount -t tmpfs -o "size=$size" quillset-small "$small" 2>/dev/null; then
            small=""
            echo "skipped: a tmpfs of $size cannot be mounted here (needs root with mount rights)"
            exit 77
        fi
        variables+=("SMALL_UNIX=$small")
        ;;
    --check=*)
        check=${argument#--check=}
        ;;
    --restore=*)
        restore=${argument#--restore=}
        ;;
    --prepare=*)
        prepare=${argument#--prepare=}
        ;;
    *=*)
        path=${argument#*=}
        if [[ -n $copies && -f $path ]]; then
            path=$(copy_for_user "$path")
        fi
        variables+=("${argument%%=*}=$(wine_path "$path")")
        ;;
    *)
        echo "run_scenario.sh: unknown argument $argument" >&2
        exit 2
        ;;
    esac
done

status=0
if [[ -n $prepare ]]; then
    "$prepare" "$work" "$state" || status=$?
fi
if [[ $status -eq 0 ]]; then
    errors=$work.stderr
    # In braces, so that this shell runs the copy and can wait until it is complete.
    {
        "$root/scripts/wine-run" "$state" "$driver" "$(wine_path "$scenario")" "${variables[@]}" ||
            status=$?
    } 2> >(tee "$errors" >&2)
    wait $!
    if grep -q "Unhandled " "$errors"; then
        echo "FAILED: a program crashed (an unhandled exception above)"
        status=1
    fi
fi
if [[ $status -eq 0 && -n $check ]]; then
    "$check" "$work" "$state" || status=$?
fi
exit "$status"
