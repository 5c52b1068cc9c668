#!/usr/bin/env python3
# After installations that ended before their uninstall log was saved: neither of the sample's
# registry keys may remain, since clear_product_keys.sh removed them before and the
# installations made them themselves.  no_product_keys.py WORK_UNIX STATE_DIR
import subprocess
import sys
import os

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN

KEYS = ["HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0",
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Inkwell.exe"]
state = sys.argv[2]
left = [key for key in KEYS
        if subprocess.run([WINE_RUN, state, "reg", "query", key], capture_output=True).returncode == 0]
for key in left:
    print(f"FAILED: the installation left {key} without its log")
sys.exit(1 if left else 0)
