#!/usr/bin/env python3
# After the sample was installed again into its folder typed with slashes: the log records the
# folder with backslashes and, as made by the installations, both folders below the work
# folder; the product is then removed.  spelled_reinstall_log.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, read_folder_record, wine_path

work, state = sys.argv[1:3]
destination = os.path.join(work, "Spelled", "Inkwell")
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
existing, path = read_folder_record(log, 20)
failures = []
if path != wine_path(destination):
    failures.append(f"the destination is recorded as {path!r}, not {wine_path(destination)!r}")
if existing != len(wine_path(work)):
    failures.append(f"existing length {existing}: the log takes {path[:existing]!r} for there "
                    "before, though the first installation made what follows the work folder")
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
removal = subprocess.run([WINE_RUN, state, wine_path(os.path.join(destination, "uninst.exe")), "/S"],
                         capture_output=True)
if removal.returncode != 0:
    failures.append(f"the removal ended with exit code {removal.returncode}")
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
