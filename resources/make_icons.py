#!/usr/bin/env python3
"""Draws the tray pictures: a USB key, and the same key crossed by a red band.

Writes device.ico and device_locked.ico beside this script, each with a
16 x 16 and a 32 x 32 image in the 16 standard colours, which every Windows
from 2000 on shows as drawn. Run it again after changing a drawing.
"""
import os
import struct

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, NAVY, SILVER, GRAY, RED, LIME, BLUE, AQUA, WHITE = 0, 1, 4, 7, 8, 9, 10, 12, 14, 15

# Rectangles (colour, x0, y0, x1, y1), inclusive, painted in order.
KEY = {
    32: [(GRAY, 10, 1, 21, 11), (SILVER, 11, 2, 20, 11), (BLACK, 13, 5, 14, 7), (BLACK, 17, 5, 18, 7),
         (NAVY, 7, 11, 24, 30), (BLUE, 8, 12, 23, 29), (AQUA, 10, 13, 11, 27), (WHITE, 10, 13, 11, 14),
         (LIME, 15, 25, 16, 26)],
    16: [(GRAY, 5, 0, 10, 5), (SILVER, 6, 1, 9, 5), (BLACK, 6, 2, 6, 3), (BLACK, 9, 2, 9, 3),
         (NAVY, 3, 5, 12, 15), (BLUE, 4, 6, 11, 14), (AQUA, 5, 7, 5, 13), (LIME, 7, 12, 8, 13)],
}
# Half-widths of the band along the diagonal: red core, dark red edge.
BAND = {32: (2.5, 3.6), 16: (1.0, 1.8)}


def draw(size, crossed):
    pixels = [[None] * size for _ in range(size)]
    for colour, x0, y0, x1, y1 in KEY[size]:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour
    if crossed:
        core, edge = BAND[size]
        for y in range(size):
            for x in range(size):
                distance = abs(x - y)  # steps off the diagonal
                if distance <= core:
                    pixels[y][x] = RED
                elif distance <= edge:
                    pixels[y][x] = MAROON
    return pixels


def image_bytes(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up
        nibbles = [c or 0 for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(line.ljust((len(line) + 3) // 4 * 4, b'\0'))
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (size - 1 - x)
        mask = bits.to_bytes(size // 8, 'big')
        mask_rows.append(mask.ljust((len(mask) + 3) // 4 * 4, b'\0'))
    return header + palette + b''.join(colour_rows) + b''.join(mask_rows)


def write_icon(path, crossed):
    images = [image_bytes(draw(size, crossed)) for size in (16, 32)]
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    for size, data in zip((16, 32), images):
        directory += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as out:
        out.write(directory + b''.join(images))


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, 'device.ico'), crossed=False)
    write_icon(os.path.join(here, 'device_locked.ico'), crossed=True)
