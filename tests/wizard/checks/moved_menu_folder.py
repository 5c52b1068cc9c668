#!/usr/bin/env python3
# After the sample was installed again into another Start Menu folder: the first folder is gone,
# the new one and the first installation's desktop link are logged, and the removal leaves
# neither folder nor the vendor folder that held both.
#   moved_menu_folder.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, find_prefix_user, remove_silently, take_paths_left, unix_path_in_prefix

work, state = sys.argv[1:3]
user_dir = f"C:\\users\\{find_prefix_user(state)}"
vendor = user_dir + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Inkwell Vendor"
first, second = vendor + "\\Inkwell First", vendor + "\\Inkwell Second"
desktop_link = user_dir + "\\Desktop\\Inkwell.lnk"

destination = os.path.join(work, "Inkwell")
with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
failures = []
first_unix = unix_path_in_prefix(state, first)
if os.path.exists(first_unix):
    failures.append(f"the second installation left {first}: {os.listdir(first_unix)}")
for link in (second + "\\Inkwell.lnk", desktop_link):
    if not os.path.exists(unix_path_in_prefix(state, link)):
        failures.append(f"{link} is missing after the second installation")
    elif link.encode() + b"\0" not in log:
        failures.append(f"the second log does not list {link}")
if (first + "\\").encode() in log:
    failures.append("the second log still names a link of the first Start Menu folder")
failures += remove_silently(state, destination)
failures += take_paths_left(state, [desktop_link, vendor])
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
