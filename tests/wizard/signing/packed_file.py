#!/usr/bin/env python3
# Writes the bytes of a file at the top of a raw setup package's tree, inflated, so that a test
# can compare what was packed with what was installed:  packed_file.py PACKAGE NAME OUTPUT
import struct
import sys
import zlib

path, name, output = sys.argv[1], sys.argv[2].encode(), sys.argv[3]
with open(path, "rb") as f:
    package = f.read()
at = struct.unpack_from("<I", package, 76)[0]  # the file tree's offset
depth = 0
while True:
    attributes = struct.unpack_from("<I", package, at)[0]
    if attributes == 0xFFFFFFFF:
        depth -= 1
        if depth < 0:
            sys.exit(f"packed_file.py: no file {name.decode()} at the top of {path}")
        at += 4
    elif attributes & 0x10:
        depth += 1
        at = package.index(b"\0", at + 4) + 1
    else:
        packed, size = struct.unpack_from("<II", package, at + 4)
        end = package.index(b"\0", at + 20)
        data = end + 1
        if depth == 0 and package[at + 20:end] == name:
            content = zlib.decompress(package[data:data + packed]) if size else b""
            if len(content) != size:
                sys.exit(f"packed_file.py: {name.decode()} inflates to {len(content)} bytes, not {size}")
            with open(output, "wb") as f:
                f.write(content)
            break
        at = data + (packed if size else 0)
