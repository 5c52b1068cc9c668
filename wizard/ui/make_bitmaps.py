#!/usr/bin/env python3
# Draws the wizard's two 16-colour bitmaps, a quill over an inkwell on a dusk gradient (side,
# 164 x 314) and a quill in a disc (header, 55 x 55), and writes them as uncompressed 4-bit
# .bmp files: the wizard library travels deflated, and deflate packs the plain pixels into
# fewer bytes than it packs RLE4 data (about 1,540 against 1,800 for the two).
import math
import os
import struct

# 16-colour palette: (red, green, blue).
INK, WHITE, SHADE, SHAFT, GOLD, DARK_GOLD, RIM, PALE = range(8)
GRADIENT = list(range(8, 16))  # top (dark) to bottom (light)
PALETTE = [
    (0x14, 0x18, 0x2C),  # ink
    (0xFF, 0xFF, 0xFF),  # white
    (0xC8, 0xD2, 0xE0),  # feather shade
    (0x4A, 0x52, 0x6A),  # shaft
    (0xE8, 0xB8, 0x48),  # gold
    (0xA8, 0x78, 0x20),  # dark gold
    (0x30, 0x38, 0x58),  # inkwell rim
    (0xE8, 0xF0, 0xF8),  # pale
    (0x10, 0x1E, 0x48),
    (0x14, 0x2A, 0x5C),
    (0x18, 0x38, 0x70),
    (0x1C, 0x48, 0x82),
    (0x22, 0x5A, 0x92),
    (0x2A, 0x6E, 0xA0),
    (0x34, 0x84, 0xAC),
    (0x40, 0x9A, 0xB6),
]


def new_canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def draw_quill(canvas, tip, top, width, feather_start=0.28):
    """A quill from its nib `tip` to the feather's end `top`, vane `width` pixels wide."""
    (x0, y0), (x1, y1) = tip, top
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    height, cols = len(canvas), len(canvas[0])
    for y in range(height):
        for x in range(cols):
            dx, dy = x + 0.5 - x0, y + 0.5 - y0
            t = (dx * ux + dy * uy) / length       # along the quill, 0 at the nib
            side = dx * -uy + dy * ux              # across it, signed
            if t < 0 or t > 1:
                continue
            if t < feather_start:
                # The bare shaft narrowing to the nib, gold at its end.
                half = 0.6 + 2.2 * t / feather_start
                if abs(side) <= half:
                    canvas[y][x] = GOLD if t < 0.09 else (DARK_GOLD if t < 0.12 else SHAFT)
                continue
            v = (t - feather_start) / (1 - feather_start)
            half = width * 0.5 * math.sin(math.pi * min(1.0, v * 1.08)) ** 0.7
            # Cuts in a large vane make the feather's barbs; a small one stays plain.
            cut = (t * 11.0 + (0.35 if side > 0 else 0.0)) % 1.0
            barb_gap = width > 20 and cut < 0.10 and abs(side) > half * 0.45
            if abs(side) <= 1.0:
                canvas[y][x] = SHAFT
            elif abs(side) <= half and not barb_gap:
                canvas[y][x] = WHITE if side > 0 else SHADE


def draw_ellipse(canvas, cx, cy, rx, ry, colour):
    for y in range(len(canvas)):
        for x in range(len(canvas[0])):
            if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1.0:
                canvas[y][x] = colour


def draw_rect(canvas, left, top, right, bottom, colour):
    for y in range(top, bottom):
        for x in range(left, right):
            canvas[y][x] = colour


def side_picture():
    width, height = 164, 314
    canvas = [[GRADIENT[min(7, y * 8 // height)]] * width for y in range(height)]
    # Stars in the dusk.
    for x, y, r in ((22, 30, 1.6), (132, 22, 1.2), (96, 64, 1.0), (40, 96, 1.2), (140, 118, 1.4)):
        draw_ellipse(canvas, x, y, r, r, PALE)
    # The inkwell: body, shoulder, rim and the ink inside.
    draw_ellipse(canvas, 64, 272, 40, 26, INK)
    draw_rect(canvas, 24, 246, 105, 272, INK)
    draw_ellipse(canvas, 64, 246, 40, 10, RIM)
    draw_rect(canvas, 48, 230, 81, 246, INK)
    draw_ellipse(canvas, 64, 230, 17, 6, GOLD)
    draw_ellipse(canvas, 64, 230, 12, 3.5, INK)
    draw_rect(canvas, 30, 282, 99, 285, DARK_GOLD)
    # The quill, dipped into the well.
    draw_quill(canvas, (60, 232), (140, 26), 46)
    return canvas


def header_picture():
    size = 55
    canvas = new_canvas(size, size, WHITE)
    draw_ellipse(canvas, 27.5, 27.5, 25.6, 25.6, GRADIENT[2])
    draw_ellipse(canvas, 27.5, 27.5, 22.6, 22.6, GRADIENT[4])
    draw_quill(canvas, (16, 44), (42, 9), 15, feather_start=0.3)
    return canvas


def encode_pixels(canvas):
    """BI_RGB 4-bit rows, bottom-up, two pixels a byte, each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(canvas):
        packed = bytearray()
        for x in range(0, len(row), 2):
            second = row[x + 1] if x + 1 < len(row) else 0
            packed.append(row[x] << 4 | second)
        packed.extend(bytes(-len(packed) % 4))
        out.extend(packed)
    return bytes(out)


def write_bmp(path, canvas):
    height, width = len(canvas), len(canvas[0])
    data = encode_pixels(canvas)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(data), 3780, 3780, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + palette + data)


if __name__ == "__main__":
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps")
    write_bmp(os.path.join(here, "side.bmp"), side_picture())
    write_bmp(os.path.join(here, "header.bmp"), header_picture())
