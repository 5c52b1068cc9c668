#!/usr/bin/env python3
# Writes the bytes of a file at the top of a raw setup package's tree, inflated, so that a test
# can compare what was packed with what was installed:  packed_file.py PACKAGE NAME OUTPUT
import os
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from package_files import find_packed_stream

path, name, output = sys.argv[1], sys.argv[2].encode(), sys.argv[3]
with open(path, "rb") as f:
    package = f.read()
found = find_packed_stream(package, name, top_level_only=True)
if not found:
    sys.exit(f"packed_file.py: no file {name.decode()} at the top of {path}")
data, packed, size = found
content = zlib.decompress(package[data:data + packed]) if size else b""
if len(content) != size:
    sys.exit(f"packed_file.py: {name.decode()} inflates to {len(content)} bytes, not {size}")
with open(output, "wb") as f:
    f.write(content)
