#!/usr/bin/env python3
# After the sample's run over the trimmed build failed at a held file: the log lists the files
# that run wrote and the first installation's program, link and App Paths key, with the first
# build's uninstall command (none), and the removal leaves nothing of them.
#   stopped_reinstall_log.py WORK_UNIX STATE_DIR
import os
import shutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import find_prefix_user, remove_silently, take_key_left, unix_path_in_prefix

work, state = sys.argv[1:3]
destination = os.path.join(work, "Inkwell")
menu = unix_path_in_prefix(state, f"C:\\users\\{find_prefix_user(state)}\\AppData\\Roaming\\Microsoft"
                                  "\\Windows\\Start Menu\\Programs\\Inkwell Stopped")
app_paths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
failures = []
for name in (b"\x02Inkwell.exe\0", b"\x01docs\0\x02notes.txt\0\x01templates\0\0\x02tips.txt\0\0",
             b"\x02license.txt\0", b"\x02Quill.exe\0", b"\\Inkwell Stopped\\Inkwell.lnk\0",
             b"\x01" + app_paths.encode() + b"Quill.exe\0"):
    if name not in log:
        failures.append(f"the log does not list {name!r}")
if b"\x02manual.txt\0" in log:
    failures.append("the log lists manual.txt, which the failed run never wrote")
# The first build has no uninstall command; the sample's would run a program of the sample.
command_at = struct.unpack_from("<I", log, 40)[0]
if command_at:
    command = log[command_at:log.index(b"\0", command_at)]
    failures.append(f"the log names the uninstall command {command!r}")
os.remove(os.path.join(destination, "manual.txt"))  # made by the test's hold, not the product
failures += remove_silently(state, destination)
if os.path.exists(menu):
    failures.append(f"the removal left the Start Menu folder holding {sorted(os.listdir(menu))}")
    shutil.rmtree(menu)
if take_key_left(state, "HKLM\\" + app_paths + "Quill.exe"):
    failures.append("the removal left the App Paths key of Quill.exe")
if take_key_left(state, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"):
    failures.append("the removal left the Uninstall entry")
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
