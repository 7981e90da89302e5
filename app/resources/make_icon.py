#!/usr/bin/env python3
"""Draws the program's icon (a rounded blue tile with a white window outline) and writes it as
an .ico file holding one PNG-compressed 256 x 256 image. Usage: make_icon.py OUT.ico"""
import struct
import sys
import zlib

SIZE = 256


def coverage(x, y, inside):
    """Antialiasing by 4 x 4 supersampling of a shape test."""
    hits = 0
    for sy in range(4):
        for sx in range(4):
            hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)
    return hits / 16


def rounded_rect(left, top, right, bottom, radius):
    def inside(px, py):
        cx = min(max(px, left + radius), right - radius)
        cy = min(max(py, top + radius), bottom - radius)
        return (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2 and left <= px <= right and top <= py <= bottom
    return inside


def pixels():
    tile = rounded_rect(8, 8, 248, 248, 48)
    frame_outer = rounded_rect(52, 64, 204, 192, 14)
    frame_inner = rounded_rect(66, 98, 190, 178, 6)
    rows = []
    for y in range(SIZE):
        row = bytearray([0])  # PNG filter: none
        for x in range(SIZE):
            a = coverage(x, y, tile)
            t = y / SIZE
            r, g, b = int(40 + 30 * t), int(110 + 40 * t), int(220 - 30 * t)
            white = coverage(x, y, frame_outer) - coverage(x, y, frame_inner)
            r = int(r + (255 - r) * white)
            g = int(g + (255 - g) * white)
            b = int(b + (255 - b) * white)
            row += bytes([r, g, b, int(round(255 * a))])
        rows.append(bytes(row))
    return b"".join(rows)


def png(raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    image = png(pixels())
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main()
