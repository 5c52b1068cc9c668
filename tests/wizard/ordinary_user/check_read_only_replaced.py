#!/usr/bin/env python3
# After the read-only scenario: manual.txt is still the older read-only one, the folders and
# files before it in package order are installed, nothing after it, and no uninstall log.
#   check_read_only_kept.py WORK_UNIX STATE_DIR   (SAMPLE_PRODUCT, SAMPLE_UNINSTALLER)
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import compare_with_package, is_read_only, read_package_order

destination = os.path.join(sys.argv[1], "Inkwell")
order = read_package_order(os.environ["SAMPLE_PRODUCT"], os.environ["SAMPLE_UNINSTALLER"])
blocked = [path for path, _, _ in order].index("manual.txt")
problems = []
for path, source, _ in order[:blocked]:
    problems += compare_with_package(os.path.join(destination, path), source)
for path, _, _ in order[blocked + 1:]:
    if os.path.exists(os.path.join(destination, path)):
        problems.append(f"{path} was written after the file that failed")
manual = os.path.join(destination, "manual.txt")
with open(manual, "rb") as f:
    if f.read() != b"an older manual\r\n":
        problems.append("manual.txt lost its older content")
if not is_read_only(manual):
    problems.append("manual.txt is no longer read-only")
if os.path.exists(os.path.join(destination, "uninst.dat")):
    problems.append("an uninstall log was written")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
