#!/usr/bin/env python3
"""Turns a 24-bit bottom-up BMP from the driver's screenshot into a PNG,
optionally cropped: bmp_to_png.py IN.bmp OUT.png [LEFT TOP RIGHT BOTTOM [SCALE]]"""
import struct
import sys
import zlib

data = open(sys.argv[1], 'rb').read()
offset = struct.unpack_from('<I', data, 10)[0]
width, height = struct.unpack_from('<ii', data, 18)
stride = (width * 3 + 3) & ~3
left, top, right, bottom = (int(v) for v in sys.argv[3:7]) if len(sys.argv) > 6 else (0, 0, width, height)
scale = int(sys.argv[7]) if len(sys.argv) > 7 else 1
rows = []
for y in range(top, bottom):
    start = offset + (height - 1 - y) * stride
    row = bytearray()
    for x in range(left, right):
        b, g, r = data[start + 3 * x:start + 3 * x + 3]
        row += bytes((r, g, b)) * scale
    rows.extend([b'\0' + bytes(row)] * scale)
w, h = (right - left) * scale, (bottom - top) * scale
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress(b''.join(rows))) + chunk(b'IEND', b'')
open(sys.argv[2], 'wb').write(png)
