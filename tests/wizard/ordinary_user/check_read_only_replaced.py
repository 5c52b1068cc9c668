#!/usr/bin/env python3
# After the read-only scenario: the older read-only manual.txt was replaced by the package's,
# with the package's attributes, and every file of the package is installed as the package
# has it.  check_read_only_replaced.py WORK_UNIX STATE_DIR   (SAMPLE_PRODUCT, SAMPLE_UNINSTALLER)
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import compare_with_package, is_read_only, read_package_order

destination = os.path.join(sys.argv[1], "Inkwell")
order = read_package_order(os.environ["SAMPLE_PRODUCT"], os.environ["SAMPLE_UNINSTALLER"])
problems = []
for path, source, _ in order:
    problems += compare_with_package(os.path.join(destination, path), source)
if is_read_only(os.path.join(destination, "manual.txt")):
    problems.append("manual.txt kept the older copy's read-only attribute")
log = os.path.join(destination, "uninst.dat")
if is_read_only(log):
    problems.append("uninst.dat kept the older copy's read-only attribute")
with open(log, "rb") as f:
    if f.read().startswith(b"an older log"):
        problems.append("uninst.dat is still the older one")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
