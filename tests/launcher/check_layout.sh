#!/usr/bin/env bash
# Checks how the launcher and a wizard library are linked: .rsrc is the stub's last section (the
# quillset tool replaces it in place) and the wizard exports only ShowWizard, at ordinal 1.
#   check_layout.sh OBJDUMP SETUP_EXE WIZARD_DLL
set -euo pipefail
objdump=$1
setup=$2
wizard=$3
failed=0

sections=$("$objdump" -h "$setup" | awk '$1 ~ /^[0-9]+$/ {print $2}' | tr '\n' ' ')
if [[ $sections =~ \.rsrc\ $ ]]; then
    echo "ok   sections of the stub: $sections"
else
    echo "FAIL .rsrc is not the stub's last section: $sections"
    failed=1
fi

exports=$("$objdump" -p "$wizard")
base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\)$/\1/p' <<<"$exports")
names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$exports" | sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\] \(.*\)$/\1 \2/p')
if [[ $base == 1 && $names == "0 ShowWizard" ]]; then
    echo "ok   the wizard library exports ShowWizard at ordinal 1 and nothing else"
else
    echo "FAIL wizard exports (ordinal base '$base'): '$names'"
    failed=1
fi

echo "size of the launcher stub: $(stat -c %s "$setup") bytes"
exit $failed
