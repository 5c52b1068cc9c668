#!/usr/bin/env python3
# The Uninstall entry of a package with the vendor's own uninst.exe: the command that starts
# it, and no QuietUninstallString, since that program may not know "/S", nor the icon of the
# installation before it, as the package launches no program. The entry and the App Paths key
# of the installation before are removed afterwards, as no uninstaller of ours will.
#   own_uninstaller_entry.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, read_registry_values, wine_path

work, state = sys.argv[1:3]
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
values = read_registry_values(state, key)
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
subprocess.run([WINE_RUN, state, "reg", "delete",
                "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Inkwell.exe", "/f"],
               capture_output=True)
expected = f'"{wine_path(os.path.join(work, "Own", "Inkwell"))}\\uninst.exe"'
failures = []
if values.get("UninstallString") != expected:
    failures.append(f"UninstallString is {values.get('UninstallString')!r}, expected {expected!r}")
if "QuietUninstallString" in values:
    failures.append(f"QuietUninstallString {values['QuietUninstallString']!r} names a program "
                    "that may not know /S, or another installation's uninstaller")
if "DisplayIcon" in values:
    failures.append(f"DisplayIcon {values['DisplayIcon']!r} is another installation's icon")
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
