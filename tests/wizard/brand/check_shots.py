#!/usr/bin/env python3
# Finds the vendor's images pixel for pixel in the pictures of the branded wizard: the welcome
# image on the Welcome page, the header image in the Destination page's band and the 16 x 16
# icon in the caption. A 24-bit image drawn in fewer colours would not be found.
#   check_shots.py SHOTS IMAGES
import os
import struct
import sys


def read_bmp(path):
    """Rows of (r, g, b), top first, of a 24-bit BMP file."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        sys.exit(f"check_shots.py: {path} is not 24-bit")
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        at = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(width)])
    return rows


def read_icon_16(path):
    """The 16 x 16 image of an .ico file, which must be a 256-colour DIB."""
    with open(path, "rb") as f:
        data = f.read()
    count, = struct.unpack_from("<H", data, 4)
    for i in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if (width, height) == (16, 16):
            colours = struct.unpack_from("<I", data, offset + 32)[0] or 256
            palette = [tuple(data[offset + 40 + 4 * c + k] for k in (2, 1, 0)) for c in range(colours)]
            pixels = offset + 40 + 4 * colours
            return [[palette[data[pixels + (15 - y) * 16 + x]] for x in range(16)] for y in range(16)]
    sys.exit(f"check_shots.py: {path} has no 16 x 16 image")


def find(shot, image):
    """(x, y) where the whole image appears in the picture, or None."""
    height, width = len(image), len(image[0])
    first = image[0][0]
    for top in range(len(shot) - height + 1):
        for left in range(len(shot[0]) - width + 1):
            if shot[top][left] != first:
                continue
            if all(shot[top + y][left:left + width] == image[y] for y in range(height)):
                return left, top
    return None


shots, images = sys.argv[1], sys.argv[2]
expected = [
    ("brand-welcome", "the welcome image", read_bmp(os.path.join(images, "welcome.bmp"))),
    ("brand-welcome", "the icon's 16 x 16 image", read_icon_16(os.path.join(images, "brand.ico"))),
    ("brand-destination", "the header image", read_bmp(os.path.join(images, "header.bmp"))),
]
failed = False
for picture, what, image in expected:
    place = find(read_bmp(os.path.join(shots, picture + ".bmp")), image)
    if place:
        print(f"ok: {what} appears in {picture}.bmp at {place[0]}, {place[1]}")
    else:
        print(f"FAILED: {picture}.bmp does not show {what} pixel for pixel")
        failed = True
sys.exit(1 if failed else 0)
