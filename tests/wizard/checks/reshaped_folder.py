#!/usr/bin/env python3
# After a later build that turned the sample's manual.txt into a folder was installed over it:
# the folder holds the new build's file, the log lists it, and the removal leaves nothing of the
# destination.
#   reshaped_folder.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, remove_silently

work, state = sys.argv[1:3]
destination = os.path.join(work, "Inkwell")
failures = []
index = os.path.join(destination, "manual.txt", "index.txt")
if not os.path.isfile(index):
    failures.append(f"the second installation did not make {index}")
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    if b"\x01manual.txt\0\x02index.txt\0\0" not in f.read():
        failures.append("the second log does not list the folder manual.txt with its file")
failures += remove_silently(state, destination)
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
