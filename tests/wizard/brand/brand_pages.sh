#!/usr/bin/env bash
# Runs the branded wizard under Wine, takes its pictures and finds the vendor's images in them.
#   brand_pages.sh STATE_DIR DRIVER SETUP IMAGES SHOTS
set -euo pipefail

state=${1:?usage: brand_pages.sh STATE_DIR DRIVER SETUP IMAGES SHOTS}
driver=${2:?} setup=${3:?} images=${4:?} shots=${5:?}
here=$(cd "$(dirname "$0")" && pwd)

# Fresh every run, so that no picture of an earlier run can pass for this one's.
rm -rf "$shots"
mkdir -p "$shots"
"$here/../run_scenario.sh" "$state" "$driver" "$here/brand_pages.txt" "SETUP=$setup" "SHOTS=$shots"
python3 "$here/check_shots.py" "$shots" "$images"
