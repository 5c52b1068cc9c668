#!/usr/bin/env python3
# After two products made a Desktop link of the same name: removing the sample leaves the link,
# which the other product's log lists too, and removing that product then takes it.
#   shared_link_kept.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, find_prefix_user, unix_path_in_prefix, wine_path

work, state = sys.argv[1:3]
link = unix_path_in_prefix(state, f"C:\\users\\{find_prefix_user(state)}\\Desktop\\Inkwell.lnk")
failures = []


def remove(folder):
    result = subprocess.run([WINE_RUN, state, wine_path(os.path.join(work, folder, "uninst.exe")),
                             "/S"], capture_output=True)
    if result.returncode != 0:
        failures.append(f"the removal of {folder} ended with exit code {result.returncode}")


remove("Inkwell")
if not os.path.exists(link):
    failures.append("the sample's removal took the Desktop link that the other product made")
remove("Tools")
if os.path.exists(link):
    failures.append("the other product's removal left its Desktop link")
    os.remove(link)
for key in ("Inkwell 1.0", "Inkwell Tools 1.0"):
    subprocess.run([WINE_RUN, state, "reg", "delete",
                    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key, "/f"],
                   capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
