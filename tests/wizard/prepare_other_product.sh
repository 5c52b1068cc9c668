#!/usr/bin/env bash
# Puts the installation of another product ("Smoke 1.0", with its uninst.dat) into the work
# folder, at WORK\Apps\Smoke Product:  prepare_other_product.sh WORK_UNIX STATE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python3 "$here/../uninstaller/wine/make_install.py" "$1" /dev/null >/dev/null
