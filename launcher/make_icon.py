#!/usr/bin/env python3
# Draws the launcher's program icon, a quill standing in an open box, and writes setup.ico with
# a 32x32 and a 16x16 image in 16 colours. Run it by hand after changing the drawing.
import struct
import sys
from pathlib import Path

# The standard 16-colour palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, NAVY, SILVER, GRAY, YELLOW, BLUE, WHITE = 0, 3, 4, 7, 8, 11, 12, 15
TRANSPARENT = None

# Shapes in a unit square, drawn in this order: (polygon, fill, outline).
BOX_INSIDE = ([(0.06, 0.52), (0.36, 0.40), (0.94, 0.40), (0.64, 0.52)], BLACK, BLACK)
QUILL_VANE = ([(0.30, 0.58), (0.36, 0.36), (0.52, 0.18), (0.74, 0.06), (0.99, 0.00),
               (0.93, 0.24), (0.78, 0.42), (0.58, 0.54), (0.44, 0.62)], WHITE, GRAY)
QUILL_SHADE = ([(0.44, 0.60), (0.70, 0.30), (0.97, 0.02), (0.91, 0.24), (0.76, 0.41),
                (0.56, 0.53)], SILVER, SILVER)
BOX_FRONT = ([(0.06, 0.52), (0.64, 0.52), (0.64, 0.96), (0.06, 0.96)], YELLOW, BLACK)
BOX_SIDE = ([(0.64, 0.52), (0.94, 0.40), (0.94, 0.84), (0.64, 0.96)], OLIVE, BLACK)
BOX_BAND = ([(0.06, 0.66), (0.64, 0.66), (0.64, 0.74), (0.06, 0.74)], BLUE, BLUE)
SHAPES = [BOX_INSIDE, QUILL_VANE, QUILL_SHADE, BOX_FRONT, BOX_SIDE, BOX_BAND]


def inside(polygon, x, y):
    crossings = False
    count = len(polygon)
    for index in range(count):
        (x1, y1), (x2, y2) = polygon[index], polygon[(index + 1) % count]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            crossings = not crossings
    return crossings


def draw(size):
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for polygon, fill, outline in SHAPES:
        mask = [[inside(polygon, (col + 0.5) / size, (row + 0.5) / size) for col in range(size)]
                for row in range(size)]
        for row in range(size):
            for col in range(size):
                if not mask[row][col]:
                    continue
                edge = any(not (0 <= row + dr < size and 0 <= col + dc < size)
                           or not mask[row + dr][col + dc]
                           for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)))
                pixels[row][col] = outline if edge else fill
    # The quill's shaft and nib, a line from the box up to the feather's tip.
    for step in range(size * 2):
        t = step / (size * 2)
        x, y = 0.40 + t * (0.95 - 0.40), 0.60 + t * (0.04 - 0.60)
        col, row = int(x * size), int(y * size)
        if pixels[row][col] not in (YELLOW, OLIVE, BLUE, BLACK):
            pixels[row][col] = GRAY
    return pixels


def row_bytes(bits):
    return (bits + 31) // 32 * 4


def icon_image(size):
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour, mask = b'', b''
    for row in reversed(pixels):  # bottom-up rows
        line = bytearray(row_bytes(size * 4))
        bits = bytearray(row_bytes(size))
        for col, value in enumerate(row):
            index = BLACK if value is TRANSPARENT else value
            line[col // 2] |= index << (4 if col % 2 == 0 else 0)
            if value is TRANSPARENT:
                bits[col // 8] |= 0x80 >> (col % 8)
        colour += bytes(line)
        mask += bytes(bits)
    return header + palette + colour + mask


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name('setup.ico')
    images = [(32, icon_image(32)), (16, icon_image(16))]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    data += b''.join(image for _, image in images)
    target.write_bytes(data)


main()
