#!/usr/bin/env python3
# After a later build of the sample with fewer files and a renamed program was installed over
# it: the log lists the sample's own files and App Paths key still, and the removal leaves
# nothing of the destination and neither key.
#   carried_files.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, remove_silently, take_key_left

work, state = sys.argv[1:3]
destination = os.path.join(work, "Inkwell")
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
failures = []
app_paths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
for name in (b"\x01" + app_paths.encode() + b"Inkwell.exe\0", b"\x02Inkwell.exe\0",
             b"\x02license.txt\0", b"\x01docs\0\x02notes.txt\0\x01templates\0\0\x02tips.txt\0\0"):
    if name not in log:
        failures.append(f"the second log does not list {name!r}")
failures += remove_silently(state, destination)
for program in ("Inkwell.exe", "Quill.exe"):
    if take_key_left(state, "HKLM\\" + app_paths + program):
        failures.append(f"the removal left the App Paths key of {program}")
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
