#!/usr/bin/env python3
"""Draws the About window's pictures.

product.bmp: 120 x 114, 256 colours (a palette made for the picture by median
cut): a USB key and a padlock on a blue ground.
pointing_hand.cur: the 32 x 32 link pointer, a white hand outlined in black
pointing up, its hot spot on the tip of the index finger; black and white
only, so every Windows from 2000 on shows it as drawn.

Shapes are signed distance functions, so edges are smoothed without a
drawing library. Run it again after changing a drawing.
"""
import math
import os
import struct

WIDTH, HEIGHT = 120, 114


# --- shapes: signed distance in pixels, negative inside ---------------------

def rounded_box(cx, cy, half_w, half_h, radius):
    def d(x, y):
        qx = abs(x - cx) - half_w + radius
        qy = abs(y - cy) - half_h + radius
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, thickness):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - thickness / 2


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def above(y0):
    return lambda x, y: y - y0


def grown(shape, by):
    return lambda x, y: shape(x, y) - by


def vertical(top_colour, bottom_colour, y0, y1):
    def colour(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top_colour, bottom_colour))
    return colour


def horizontal(left_colour, right_colour, x0, x1):
    def colour(x, y):
        t = min(max((x - x0) / (x1 - x0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(left_colour, right_colour))
    return colour


def solid(rgb):
    return lambda x, y: rgb


# --- the product picture ------------------------------------------------------

def background(x, y):
    # Deep blue at the top left, lighter towards the bottom right, with a
    # soft glow behind the lock.
    t = (x / WIDTH + y / HEIGHT) / 2
    base = [24 + 80 * t, 58 + 100 * t, 128 + 95 * t]
    glow = max(0.0, 1 - math.hypot(x - 70, y - 60) / 62) ** 2
    return tuple(min(255.0, c + 70 * glow) for c in base)


def product_layers():
    layers = []

    def add(shape, colour, outline=None, alpha=1.0):
        if outline:
            layers.append((grown(shape, 1.0), solid(outline), alpha))
        layers.append((shape, colour, alpha))

    # Shadow on the ground.
    layers.append((lambda x, y: (math.hypot((x - 64) / 44, (y - 105) / 5) - 1) * 5, solid((10, 25, 60)), 0.45))

    # USB key: metal connector, body, strap ring, light.
    connector = rounded_box(40, 28, 11, 17, 1.5)
    add(connector, horizontal((235, 238, 242), (140, 146, 156), 29, 51), outline=(70, 74, 84))
    for hole_x in (35, 45):
        add(rounded_box(hole_x, 20, 2.6, 2.6, 0.6), solid((45, 48, 58)))
    add(rounded_box(40, 39, 11, 1.2, 0.5), solid((120, 126, 136)))
    body = rounded_box(40, 69, 15, 27, 7)
    add(body, horizontal((78, 86, 104), (28, 32, 42), 25, 55), outline=(10, 12, 18))
    add(rounded_box(31, 66, 2.5, 20, 2.5), solid((150, 160, 185)), alpha=0.55)
    add(ring(40, 90, 4.2, 2.2), solid((150, 156, 168)))
    add(circle(48, 50, 2.4), solid((90, 230, 110)))
    add(circle(47.4, 49.4, 0.9), solid((230, 255, 230)))

    # Padlock: steel shackle, gold body, keyhole.
    shackle = union(intersect(ring(80, 60, 13, 6), above(60)),
                    rounded_box(67, 65, 3, 7, 0), rounded_box(93, 65, 3, 7, 0))
    add(shackle, horizontal((240, 242, 246), (120, 126, 138), 64, 96), outline=(55, 58, 68))
    lock_body = rounded_box(80, 86, 21, 18, 5)
    add(lock_body, vertical((255, 226, 110), (196, 128, 16), 68, 104), outline=(110, 70, 8))
    add(rounded_box(80, 72.5, 18, 2, 2), solid((255, 246, 200)), alpha=0.7)
    keyhole = union(circle(80, 82, 4.6), rounded_box(80, 90, 2.2, 7, 1))
    add(keyhole, solid((70, 42, 6)))
    add(circle(79, 81, 1.5), solid((140, 95, 30)), alpha=0.6)
    return layers


def render(layers, base):
    pixels = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            x, y = px + 0.5, py + 0.5
            colour = base(x, y)
            for shape, fill, alpha in layers:
                coverage = min(max(0.5 - shape(x, y), 0.0), 1.0) * alpha
                if coverage > 0:
                    c = fill(x, y)
                    colour = tuple(a + (b - a) * coverage for a, b in zip(colour, c))
            row.append(tuple(int(round(min(max(v, 0), 255))) for v in colour))
        pixels.append(row)
    return pixels


def median_cut_palette(pixels, size=256):
    """A palette of `size` colours fitted to the picture's own colours."""
    counts = {}
    for row in pixels:
        for colour in row:
            counts[colour] = counts.get(colour, 0) + 1
    boxes = [list(counts.items())]
    while len(boxes) < size:
        def spread(box):
            return max(max(c[i] for c, _ in box) - min(c[i] for c, _ in box) for i in range(3))
        box = max((b for b in boxes if len(b) > 1), key=spread, default=None)
        if box is None:
            break
        channel = max(range(3), key=lambda i: max(c[i] for c, _ in box) - min(c[i] for c, _ in box))
        box.sort(key=lambda entry: entry[0][channel])
        half, seen, cut = sum(n for _, n in box) / 2, 0, 1
        for index, (_, n) in enumerate(box):
            seen += n
            if seen >= half:
                cut = min(max(index, 1), len(box) - 1)
                break
        boxes.remove(box)
        boxes += [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(round(sum(c[i] * n for c, n in box) / total) for i in range(3)))
    return palette


def nearest(palette, colour, cache={}):
    if colour not in cache:
        cache[colour] = min(range(len(palette)),
                            key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))
    return cache[colour]


def write_bmp(path, pixels):
    """An 8-bit BMP: a quarter of the 24-bit size, which the exe carries."""
    height, width = len(pixels), len(pixels[0])
    palette = median_cut_palette(pixels)
    stride = (width + 3) & ~3
    body = b''
    for row in reversed(pixels):  # bottom-up
        body += bytes(nearest(palette, colour) for colour in row).ljust(stride, b'\0')
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(body), 3780, 3780, len(palette), 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    with open(path, 'wb') as out:
        out.write(header + info + colours + body)


# --- the pointing hand --------------------------------------------------------

# '#' black, '.' white, ' ' transparent. The tip of the index finger is the
# hot spot.
HAND = [
    "     ##          ",
    "    #..#         ",
    "    #..#         ",
    "    #..#         ",
    "    #..#         ",
    "    #..###       ",
    "    #..#..###    ",
    "    #..#..#..##  ",
    "    #..#..#..#..#",
    " ## #..#..#..#..#",
    "#..##..#..#..#..#",
    "#...#...........#",
    " #..............#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........# ",
    "    #..........# ",
    "    #..........# ",
    "     #........#  ",
    "     #........#  ",
    "     ##########  ",
]
HAND_OFFSET = (4, 1)
HOT_SPOT = (HAND_OFFSET[0] + 5, HAND_OFFSET[1] + 0)


def hand_pixels(size=32):
    grid = [[' '] * size for _ in range(size)]
    for row, line in enumerate(HAND):
        for col, ch in enumerate(line):
            grid[HAND_OFFSET[1] + row][HAND_OFFSET[0] + col] = ch
    return grid


def write_cursor(path, grid, hot_spot):
    size = len(grid)
    row_bytes = (size + 31) // 32 * 4
    xor_rows, and_rows = [], []
    for line in reversed(grid):  # bottom-up
        xor_bits = and_bits = 0
        for x, ch in enumerate(line):
            bit = 1 << (size - 1 - x)
            if ch == ' ':
                and_bits |= bit  # screen shows through
            elif ch == '.':
                xor_bits |= bit  # palette entry 1: white
        xor_rows.append(xor_bits.to_bytes(size // 8, 'big').ljust(row_bytes, b'\0'))
        and_rows.append(and_bits.to_bytes(size // 8, 'big').ljust(row_bytes, b'\0'))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 2, 1)
    directory += struct.pack('<BBBBHHII', size, size, 2, 0, hot_spot[0], hot_spot[1], len(image), 6 + 16)
    with open(path, 'wb') as out:
        out.write(directory + image)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, 'product.bmp'), render(product_layers(), background))
    write_cursor(os.path.join(here, 'pointing_hand.cur'), hand_pixels(), HOT_SPOT)
