#!/usr/bin/env python3
# After the sample was installed again with fewer choices: the log still lists the first
# installation's links and Start Menu folder, and the removal leaves none of them.
#   carried_choices.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, find_prefix_user, take_paths_left, unix_path_in_prefix, wine_path

work, state = sys.argv[1:3]
user_dir = f"C:\\users\\{find_prefix_user(state)}"
roaming = user_dir + "\\AppData\\Roaming\\Microsoft"
menu = roaming + "\\Windows\\Start Menu\\Programs\\Inkwell Again"
links = [user_dir + "\\Desktop\\Inkwell.lnk",
         roaming + "\\Internet Explorer\\Quick Launch\\Inkwell.lnk",
         roaming + "\\Windows\\Start Menu\\Programs\\StartUp\\Inkwell (minimized).lnk",
         menu + "\\Inkwell.lnk", menu + "\\Inkwell Manual.lnk"]


destination = os.path.join(work, "Inkwell")
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
failures = []
for link in links:
    if not os.path.exists(unix_path_in_prefix(state, link)):
        failures.append(f"the first installation did not leave {link}")
    elif link.encode() + b"\0" not in log:
        failures.append(f"the second log does not list {link}")
if menu.encode() + b"\0" not in log:
    failures.append("the second log has no record of the first one's Start Menu folder")
removal = subprocess.run([WINE_RUN, state, wine_path(os.path.join(destination, "uninst.exe")), "/S"],
                         capture_output=True)
if removal.returncode != 0:
    failures.append(f"the removal ended with exit code {removal.returncode}")
failures += take_paths_left(state, links + [menu])
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
