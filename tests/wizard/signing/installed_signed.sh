#!/usr/bin/env bash
# After the signed sample's installation: the installed uninst.exe verifies against the test's
# certificate (SIGNING_CA), then installed_sample.py checks the rest, that uninst.exe included
# byte for byte against the packed one (SAMPLE_UNINSTALLER).  installed_signed.sh WORK_UNIX STATE_DIR
set -euo pipefail
installed=$1/Inkwell/uninst.exe
if ! verified=$(osslsigncode verify -CAfile "${SIGNING_CA:?}" -in "$installed" 2>&1) ||
    [[ $verified != *"Signature verification: ok"* ]]; then
    echo "FAILED: the installed uninst.exe does not verify: $verified"
    exit 1
fi
exec "$(dirname "$0")/../checks/installed_sample.py" "$@"
