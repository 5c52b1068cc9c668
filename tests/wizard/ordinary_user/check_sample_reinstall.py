#!/usr/bin/env python3
# After the sample's second installation into the same folder: every file is the package's
# again (Inkwell.exe and manual.txt, emptied in between, are whole), license.txt is read-only as
# the package has it, and uninst.dat is a whole log, which still removes the product: the
# uninstaller, run silently as the same ordinary user, removes the read-only licence too.
#   check_sample_reinstall.py WORK_UNIX STATE_DIR   (SAMPLE_PRODUCT, SAMPLE_UNINSTALLER)
import os
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import (WINE_RUN, compare_with_package, is_read_only, read_package_order,
                           wine_path)

destination = os.path.join(sys.argv[1], "Inkwell")
order = read_package_order(os.environ["SAMPLE_PRODUCT"], os.environ["SAMPLE_UNINSTALLER"])
problems = []
for path, source, _ in order:
    problems += compare_with_package(os.path.join(destination, path), source)
if not is_read_only(os.path.join(destination, "license.txt")):
    problems.append("license.txt is not read-only")

log_path = os.path.join(destination, "uninst.dat")
with open(log_path, "rb") as f:
    log = f.read()
if len(log) < 48 or struct.unpack_from("<I", log, 0)[0] != len(log):
    problems.append(f"uninst.dat is not a whole log ({len(log)} bytes)")

if not problems:
    uninstaller = wine_path(destination) + "\\uninst.exe"
    code = subprocess.run([WINE_RUN, sys.argv[2], uninstaller, "/S"]).returncode
    if code != 0:
        problems.append(f"uninst.exe /S ended with {code}, not 0 (all removed)")
    # Its temporary copy removes uninst.exe and the folder once the original has ended.
    deadline = time.monotonic() + 30
    while os.path.exists(destination) and time.monotonic() < deadline:
        time.sleep(0.2)
    if os.path.exists(destination):
        left = sorted(os.path.relpath(os.path.join(folder, name), destination)
                      for folder, folders, files in os.walk(destination) for name in folders + files)
        problems.append(f"the uninstaller left {left}")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
