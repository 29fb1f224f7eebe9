#!/usr/bin/env python3
"""Draws the plug-in's 40x40 button icon (a globe with a speech mark) and writes it as PNG.

Run from this folder: python3 make_button_icon.py  ->  ButtonIcon_40x.png
Only the standard library is used: zlib for the image data, struct for the chunks.
"""
import math
import struct
import zlib

SIZE = 40
SAMPLES = 4  # supersampling per axis, for smooth edges


def coverage(x, y):
    """Colour and opacity of one sample point, in icon coordinates 0..40."""
    cx, cy, r = 18.0, 18.0, 15.0
    dx, dy = x - cx, y - cy
    d = math.hypot(dx, dy)
    # speech mark: a small rounded tail at the lower right
    tail = (x - 32.0) ** 2 / 16.0 + (y - 33.0) ** 2 / 9.0 <= 1.0 and x > 27 and y > 29
    if d > r and not tail:
        return None
    if d > r - 1.6 or tail:
        return (235, 245, 255)  # rim and tail
    # grid lines: the equator, two latitudes and three meridians
    lat = dy / r
    on_line = False
    for l in (-0.5, 0.0, 0.5):
        if abs(lat - l) < 0.055:
            on_line = True
    half_width = math.sqrt(max(r * r - dy * dy, 0.0))
    for m in (-0.55, 0.0, 0.55):
        if half_width > 0 and abs(dx - m * half_width) < 0.8:
            on_line = True
    if on_line:
        return (235, 245, 255)
    shade = 0.75 + 0.25 * (1.0 - (dx + dy) / (2 * r))  # light from the upper left
    return (int(30 * shade), int(120 * shade), int(200 * shade))


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter type: none
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = coverage(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            alpha = hits / (SAMPLES * SAMPLES)
            if hits:
                row += bytes(int(a / hits) for a in acc)
            else:
                row += b"\0\0\0"
            row.append(int(round(alpha * 255)))
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(render(), 9)) + chunk(b"IEND", b"")
    with open("ButtonIcon_40x.png", "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
