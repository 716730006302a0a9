#!/usr/bin/env python3
"""Draws the two small banner logos of the error reporting dialog and writes them as PNG files.

Run from this folder: ./make_logos.py. Needs only the Python standard library.
"""
import struct
import zlib

WIDTH, HEIGHT = 64, 48


def png_bytes(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def draw(inside):
    """One RGBA pixel per point: `inside(x, y)` gives the colour or None for transparent."""
    return [[inside(x + 0.5, y + 0.5) or (0, 0, 0, 0) for x in range(WIDTH)]
            for y in range(HEIGHT)]


def ring_with_tail(x, y):
    """A blue ring with a short diagonal tail at its lower right."""
    cx, cy = 30.0, 22.0
    distance = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
    if 12.0 <= distance <= 18.0:
        return (28, 84, 170, 255)
    on_tail = abs((x - cx) - (y - cy)) <= 3.0 and 12.0 <= x - cx <= 24.0
    return (28, 84, 170, 255) if on_tail else None


def stacked_diamonds(x, y):
    """Three green diamonds side by side, the middle one raised."""
    for cx, cy, colour in ((16, 28, (40, 140, 80, 255)), (32, 20, (20, 110, 60, 255)),
                           (48, 28, (40, 140, 80, 255))):
        if abs(x - cx) + abs(y - cy) <= 11:
            return colour
    return None


for name, shape in (("QeltLogo.png", ring_with_tail), ("SarnetLogo.png", stacked_diamonds)):
    with open(name, "wb") as out:
        out.write(png_bytes(draw(shape)))
