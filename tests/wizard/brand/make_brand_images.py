#!/usr/bin/env python3
# Writes a vendor's brand for the tests: brand.ico (32 x 32 in 32-bit colour, 16 x 16 in 256
# colours, 48 x 48 as PNG), and 24-bit welcome.bmp and header.bmp in colours no 16-colour
# palette has.   make_brand_images.py FOLDER
import os
import struct
import sys
import zlib


def welcome_colour(x, y):
    """A diagonal gradient: every row and column differs from its neighbours."""
    return (40 + x // 2 % 200, 60 + y * 3 // 5 % 190, 200 - (x + y) // 4 % 150)


def header_colour(x, y):
    """Four quarters in off colours, a gradient across the lower ones."""
    if y < 27:
        return (201, 91, 23) if x < 27 else (23, 141, 117)
    return (90 + 2 * x, 40 + y, 170) if x < 27 else (247, 213, 3 * x)


def bmp_24(width, height, colour):
    row = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        line = bytearray()
        for x in range(width):
            r, g, b = colour(x, y)
            line += bytes((b, g, r))
        pixels += line + bytes(row - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def icon_colour(size, x, y):
    inside = (x - size / 2 + 0.5) ** 2 + (y - size / 2 + 0.5) ** 2 <= (size / 2) ** 2
    return (220, 40 + 200 * y // size, 30 + 200 * x // size, 255) if inside else (0, 0, 0, 0)


def dib_32(size):
    pixels = b"".join(bytes((b, g, r, a)) for y in reversed(range(size)) for x in range(size)
                      for r, g, b, a in [icon_colour(size, x, y)])
    mask = bytes((size + 31) // 32 * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return info + pixels + mask


def dib_8(size):
    palette = b"".join(bytes((i, 255 - i, i // 2, 0)) for i in range(256))
    pixels = bytes((x * 16 + y) % 256 for y in reversed(range(size)) for x in range(size))
    mask = bytes((size + 31) // 32 * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0, 0, 0, 0, 256, 0)
    return info + palette + pixels + mask


def png(size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + b"".join(bytes(icon_colour(size, x, y)) for x in range(size))
                    for y in range(size))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def ico(images):
    """images: (size, colours, bits, data); 48 and larger sizes may be PNG."""
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, image in images:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return data + b"".join(image for _, _, _, image in images)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "welcome.bmp": bmp_24(164, 314, welcome_colour),
        "header.bmp": bmp_24(55, 55, header_colour),
        "brand.ico": ico([(32, 0, 32, dib_32(32)), (16, 0, 8, dib_8(16)), (48, 0, 32, png(48))]),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


main()
