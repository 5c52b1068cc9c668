#!/usr/bin/env python3
# After the sample's second installation stopped at its read-only license.txt: the files before
# it were written again (Inkwell.exe, emptied in between, is whole again), license.txt is as
# the first installation left it, the files after it were not touched (manual.txt stays empty),
# and uninst.dat is still the first installation's. That log still removes the product: the
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
blocked = [path for path, _, _ in order].index("license.txt")
problems = []
for path, source, _ in order[:blocked + 1]:
    problems += compare_with_package(os.path.join(destination, path), source)
license = os.path.join(destination, "license.txt")
if not is_read_only(license):
    problems.append("license.txt is not read-only")
manual = os.path.join(destination, "manual.txt")
for path, source, _ in order[blocked + 1:]:
    if path == "manual.txt":
        if os.path.getsize(manual) != 0:
            problems.append("manual.txt, after license.txt, was written again")
    else:
        problems += compare_with_package(os.path.join(destination, path), source)

log_path = os.path.join(destination, "uninst.dat")
with open(log_path, "rb") as f:
    log = f.read()
if len(log) < 48 or struct.unpack_from("<I", log, 0)[0] != len(log):
    problems.append(f"uninst.dat is not a whole log ({len(log)} bytes)")
if os.stat(log_path).st_mtime_ns > os.stat(manual).st_mtime_ns:
    problems.append("uninst.dat was written by the installation that failed")

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
