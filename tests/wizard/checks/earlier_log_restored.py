#!/usr/bin/env python3
# After a later build's log did not fit: the first build's log is whole (its size field is its
# length) and lists the first build's files only, not a piece of the later one's.
#   earlier_log_restored.py WORK_UNIX STATE_DIR
import os
import struct
import sys

log_path = os.path.join(sys.argv[1], "small", "Hollow", "uninst.dat")
problems = []
if not os.path.isfile(log_path):
    problems.append("there is no uninst.dat")
else:
    log = open(log_path, "rb").read()
    if len(log) < 48 or struct.unpack_from("<I", log, 0)[0] != len(log):
        problems.append(f"uninst.dat is not a whole log ({len(log)} bytes)")
    if b"readme.txt\0" not in log:
        problems.append("uninst.dat does not list readme.txt")
    if b"an_empty_file" in log:
        problems.append("uninst.dat holds the later build's files")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
