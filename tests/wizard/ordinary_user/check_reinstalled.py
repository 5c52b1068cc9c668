#!/usr/bin/env python3
# After installing twice into one folder: every file has the package's content and time again
# (manual.txt was changed in between), and the new uninstall log lists every file and shows
# both folders as existing before this installation.
#   check_reinstalled.py WORK_UNIX STATE_DIR   (SAMPLE_PRODUCT, SAMPLE_UNINSTALLER)
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import (build_file_list, compare_with_package, read_folder_record,
                           read_package_order, wine_path)

DESTINATION_RECORD, MENU_RECORD, FILE_LIST = 20, 24, 28

destination = os.path.join(sys.argv[1], "Inkwell")
order = read_package_order(os.environ["SAMPLE_PRODUCT"], os.environ["SAMPLE_UNINSTALLER"])
problems = []
for path, source, _ in order:
    problems += compare_with_package(os.path.join(destination, path), source)

with open(os.path.join(destination, "uninst.dat"), "rb") as f:
    log = f.read()
if len(log) < 48 or struct.unpack_from("<I", log, 0)[0] != len(log):
    problems.append(f"uninst.dat was not written again ({len(log)} bytes)")
else:
    existing, path = read_folder_record(log, DESTINATION_RECORD)
    if path != wine_path(destination) or existing != len(path):
        problems.append(f"destination record ({existing}, {path!r}): not the existing folder")
    existing, path = read_folder_record(log, MENU_RECORD)
    if existing != len(path):
        problems.append(f"Start Menu record ({existing}, {path!r}): not an existing folder")
    files = build_file_list(order)
    at = struct.unpack_from("<I", log, FILE_LIST)[0]
    if log[at:at + len(files)] != files:
        problems.append(f"file list {log[at:at + len(files)]!r} instead of {files!r}")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
