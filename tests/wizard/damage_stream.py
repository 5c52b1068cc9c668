#!/usr/bin/env python3
# Spoils the zlib checksum of one file's stream in a raw setup package, so that the stream
# inflates to its full size and still fails; with "size", makes the file's size field one byte
# larger instead, as a flipped bit would: damage_stream.py PACKAGE FILE_NAME [size]
import struct
import sys

from package_files import find_packed_stream

path, name = sys.argv[1], sys.argv[2].encode()
with open(path, "rb") as f:
    package = bytearray(f.read())
found = find_packed_stream(package, name)
if not found or not found[2]:
    sys.exit(f"damage_stream.py: no file {name.decode()} with data in {path}")
data, packed, size = found
if sys.argv[3:] == ["size"]:
    size_field = data - len(name) - 1 - 12  # the record's head: attributes, packed size, size
    struct.pack_into("<I", package, size_field, size + 1)
else:
    package[data + packed - 1] ^= 0xFF
with open(path, "wb") as f:
    f.write(package)
