#!/usr/bin/env python3
# Spoils the zlib checksum of one file's stream in a raw setup package, so that the stream
# inflates to its full size and still fails: damage_stream.py PACKAGE FILE_NAME
import struct
import sys

path, name = sys.argv[1], sys.argv[2].encode()
with open(path, "rb") as f:
    package = bytearray(f.read())
at = struct.unpack_from("<I", package, 76)[0]
depth = 0
while True:
    attributes = struct.unpack_from("<I", package, at)[0]
    if attributes == 0xFFFFFFFF:
        depth -= 1
        if depth < 0:
            sys.exit(f"damage_stream.py: no file {name.decode()} in {path}")
        at += 4
    elif attributes & 0x10:
        depth += 1
        at = package.index(b"\0", at + 4) + 1
    else:
        packed, size = struct.unpack_from("<II", package, at + 4)
        end = package.index(b"\0", at + 20)
        data = end + 1
        if package[at + 20:end] == name and size:
            package[data + packed - 1] ^= 0xFF
            break
        at = data + (packed if size else 0)
with open(path, "wb") as f:
    f.write(package)
