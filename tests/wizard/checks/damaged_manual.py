#!/usr/bin/env python3
# After the damaged stream: manual.txt stays at its full size with the package's last-write
# time, and no uninstall log was written.   damaged_manual.py WORK_UNIX STATE_DIR
import os
import sys

product = os.environ["SAMPLE_PRODUCT"]
installed = os.path.join(sys.argv[1], "Inkwell", "manual.txt")
source = os.path.join(product, "manual.txt")
problems = []
if os.path.getsize(installed) != os.path.getsize(source):
    problems.append(f"manual.txt has {os.path.getsize(installed)} bytes")
if int(os.stat(installed).st_mtime) != int(os.stat(source).st_mtime):
    problems.append("manual.txt lacks the package's last-write time")
if os.path.exists(os.path.join(sys.argv[1], "Inkwell", "uninst.dat")):
    problems.append("an uninstall log was written")
for problem in problems:
    print("FAILED:", problem)
sys.exit(1 if problems else 0)
