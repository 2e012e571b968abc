#!/usr/bin/env python3
"""Writes the program's icon (a .ico file): the logo's emblem, a report sheet
with a red cross on a teal-to-navy disc, at the sizes the desktop asks for.
The same shapes as the logo the window draws (Logo.cpp), computed here pixel
by pixel with 4 x 4 samples each, so the file is the same on every run.

    make-icon.py OUTPUT.ico
"""
import os
import struct
import sys
import zlib

NAVY = (0x1F, 0x3A, 0x68)
NAVY_DARK = (0x1A, 0x30, 0x57)
TEAL_LIGHT = (0x22, 0xAD, 0xB3)
RED = (0xC6, 0x28, 0x28)
LINES = (0x9A, 0xA8, 0xBC)
WHITE = (0xFF, 0xFF, 0xFF)
SAMPLES = 4


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def inside_polygon(px, py, points):
    inside = False
    for i, (ax, ay) in enumerate(points):
        bx, by = points[(i + 1) % len(points)]
        if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def emblem_sample(x, y, s):
    """The colour (r, g, b) at a point of the emblem of side s, or None outside."""
    centre = s / 2.0
    outline = max(1.0, s / 32.0)
    radius = s / 2.0 - outline / 2.0 - s / 64.0
    dist = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
    if dist > radius + outline / 2.0:
        return None
    colour = NAVY_DARK
    if dist < radius - outline / 2.0:
        t = max(0.0, min(1.0, (x + y) / (2.0 * s)))
        colour = tuple(round(a + (b - a) * t) for a, b in zip(TEAL_LIGHT, NAVY))
    left, top = s * 0.30, s * 0.20
    right, bottom = left + s * 0.40, top + s * 0.56
    fold = s * 0.12
    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    edge = max(0.75, s / 48.0)
    if inside_polygon(x, y, page):
        colour = WHITE
        for i in range(3):
            line_y = top + (bottom - top) * (0.58 + 0.12 * i)
            if abs(y - line_y) <= max(0.5, s / 80.0) and left + s * 0.06 <= x <= right - s * 0.06:
                colour = LINES
        arm = s * 0.055
        cx, cy = (left + right) / 2.0, top + (bottom - top) * 0.32
        if (abs(x - cx) <= arm and abs(y - cy) <= 3 * arm) or (abs(x - cx) <= 3 * arm and abs(y - cy) <= arm):
            colour = RED
    if any(segment_distance(x, y, *page[i], *page[(i + 1) % len(page)]) <= edge / 2.0 for i in range(len(page))):
        colour = NAVY
    return colour


def render(side):
    """Rows of (r, g, b, a) from the top."""
    samples = SAMPLES if side < 128 else 2  # the large one is smooth enough
    rows = []
    for py in range(side):
        row = []
        for px in range(side):
            r = g = b = n = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = emblem_sample(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples, side)
                    if c is not None:
                        r, g, b, n = r + c[0], g + c[1], b + c[2], n + 1
            if n:
                row.append((round(r / n), round(g / n), round(b / n), round(255 * n / samples ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def bmp_entry(rows):
    side = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((side + 31) // 32) * 4
    mask = b"".join(
        bytes(
            sum(0x80 >> (x % 8) for x in range(byte * 8, min(side, byte * 8 + 8)) if row[x][3] == 0)
            for byte in range(mask_row)
        )
        for row in reversed(rows)
    )
    return header + pixels + mask


def png_entry(rows):
    side = len(rows)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sizes = [16, 20, 24, 32, 40, 48, 64, 256]
    images = [png_entry(render(s)) if s >= 256 else bmp_entry(render(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for side, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(sys.argv[1] + ".part", "wb") as f:
        f.write(out)
    os.replace(sys.argv[1] + ".part", sys.argv[1])


if __name__ == "__main__":
    main()
