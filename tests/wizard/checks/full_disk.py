#!/usr/bin/env python3
# After the drive filled: the file before the one that did not fit is whole, that one is gone
# (not left at its full size with a zero tail), and no uninstall log was written.
#   full_disk.py WORK_UNIX STATE_DIR
import filecmp
import os
import sys


def list_files(top):
    return sorted(os.path.relpath(os.path.join(folder, name), top)
                  for folder, _, names in os.walk(top) for name in names)


product = os.environ["FULL_DISK_PRODUCT"]
installed = os.path.join(sys.argv[1], "small", "Filler")
problems = []
present = list_files(installed)
for name in present:
    if not os.path.isfile(os.path.join(product, name)):
        problems.append(f"{name} is no product file")
    elif not filecmp.cmp(os.path.join(installed, name), os.path.join(product, name), shallow=False):
        problems.append(f"{name} differs from the product's file")
missing = [name for name in list_files(product) if name not in present]
if missing != ["last.bin"]:
    problems.append(f"missing: {missing[:5]} ({len(missing)} files) instead of last.bin alone")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
