#!/usr/bin/env python3
# After a second installation of the sample failed before its log was saved: the Uninstall
# entry is still the first installation's, and that installation's uninstaller removes it and
# the entry.  earlier_entry_kept.py WORK_UNIX STATE_DIR
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import WINE_RUN, read_registry_values, wine_path

work, state = sys.argv[1:3]
key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkwell 1.0"
earlier = wine_path(os.path.join(work, "Earlier", "Inkwell"))
values = read_registry_values(state, key)
expected = {
    "InstallLocation": earlier,
    "UninstallString": f'"{earlier}\\uninst.exe"',
    "QuietUninstallString": f'"{earlier}\\uninst.exe" /S',
    "DisplayIcon": f"{earlier}\\Inkwell.exe",
}
failures = [f"{name} is {values.get(name)!r}, expected {value!r}"
            for name, value in expected.items() if values.get(name) != value]
removal = subprocess.run([WINE_RUN, state, f"{earlier}\\uninst.exe", "/S"], capture_output=True)
if removal.returncode != 0:
    failures.append(f"the first installation's uninstaller ended with exit code {removal.returncode}")
if subprocess.run([WINE_RUN, state, "reg", "query", key], capture_output=True).returncode == 0:
    failures.append("the first installation's removal left the Uninstall entry")
    subprocess.run([WINE_RUN, state, "reg", "delete", key, "/f"], capture_output=True)
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
