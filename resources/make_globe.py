#!/usr/bin/env python3
"""Draws the update control's picture: a globe lit from the upper left.

Writes globe.ico beside this script: one 32 x 32 image in 256 colours, the
sea shaded from light to deep blue, Europe and Africa in green facing the
viewer, a light grid of meridians and parallels, and a dark rim. Each pixel
is the average of 4 x 4 samples; the palette is cut to 256 colours by
median cut. Run it again after changing the drawing.
"""
import math
import os
import struct

SIZE = 32
SAMPLES = 4
RADIUS = 14.6
CENTRE = 15.5
FACING_LONGITUDE = 15.0  # degrees east at the centre of the face
TILT = 20.0              # degrees the north pole leans towards the viewer
LIGHT = (-0.55, -0.6, 0.58)

# Land as ellipses in degrees: (longitude, latitude, half-width, half-height).
LAND = [
    (20, 5, 20, 30), (35, -20, 12, 15), (8, 18, 18, 12),      # Africa
    (12, 50, 20, 9), (25, 58, 14, 8), (40, 52, 18, 12),      # Europe
    (-3, 53, 3, 5), (15, 64, 6, 8),                           # the British Isles, Scandinavia
    (46, 24, 9, 8), (80, 45, 35, 18), (78, 20, 7, 9),          # Arabia, Asia, India
    (-60, -12, 14, 22), (-70, 5, 8, 8),                      # South America
    (-100, 45, 25, 15), (-42, 72, 10, 7),                    # North America, Greenland
]
SEA_LIGHT, SEA_DEEP = (90, 170, 255), (8, 36, 120)
LAND_LIGHT, LAND_DEEP = (120, 220, 90), (20, 90, 30)
GRID = (200, 230, 255)
RIM = (0, 20, 70)


def normalised(v):
    length = math.sqrt(sum(c * c for c in v))
    return tuple(c / length for c in v)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def is_land(longitude, latitude):
    for lon, lat, half_width, half_height in LAND:
        d_lon = (longitude - lon + 180) % 360 - 180
        if (d_lon / half_width) ** 2 + ((latitude - lat) / half_height) ** 2 <= 1:
            return True
    return False


def grid_weight(longitude, latitude):
    """How close the point is to a meridian or parallel every 30 degrees."""
    d_lon = abs((longitude + 15) % 30 - 15) * math.cos(math.radians(latitude))
    d_lat = abs((latitude + 15) % 30 - 15)
    return max(0.0, 1 - min(d_lon, d_lat) / 2.5)


def sample(x, y):
    """Colour at a point of the picture, or None outside the globe."""
    dx, dy = (x - CENTRE) / RADIUS, (y - CENTRE) / RADIUS
    r2 = dx * dx + dy * dy
    if r2 > 1:
        return None
    normal = (dx, dy, math.sqrt(1 - r2))
    # Turn the visible point back into latitude and longitude.
    tilt = math.radians(TILT)
    ny = -normal[1] * math.cos(tilt) + normal[2] * math.sin(tilt)
    nz = normal[1] * math.sin(tilt) + normal[2] * math.cos(tilt)
    latitude = math.degrees(math.asin(max(-1.0, min(1.0, ny))))
    longitude = FACING_LONGITUDE + math.degrees(math.atan2(normal[0], nz))

    light = normalised(LIGHT)
    diffuse = max(0.0, sum(n * l for n, l in zip(normal, light)))
    brightness = 0.25 + 0.75 * diffuse
    if is_land(longitude, latitude):
        colour = mix(LAND_DEEP, LAND_LIGHT, brightness)
    else:
        colour = mix(SEA_DEEP, SEA_LIGHT, brightness)
    colour = mix(colour, GRID, 0.45 * grid_weight(longitude, latitude) * brightness)
    highlight = max(0.0, sum(n * h for n, h in zip(normal, normalised((light[0], light[1], light[2] + 1)))))
    colour = mix(colour, (255, 255, 255), 0.55 * highlight ** 24)
    rim = max(0.0, (math.sqrt(r2) - 0.9) / 0.1)
    return mix(colour, RIM, 0.8 * rim)


def draw():
    """Rows of (r, g, b) or None for a transparent pixel."""
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            colours = [sample(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                       for sy in range(SAMPLES) for sx in range(SAMPLES)]
            inside = [c for c in colours if c is not None]
            if len(inside) * 2 < len(colours):
                row.append(None)
            else:
                row.append(tuple(round(sum(c[i] for c in inside) / len(inside)) for i in range(3)))
        pixels.append(row)
    return pixels


def median_cut(colours, count):
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b) for i in range(3)))
        channel = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[channel])
        boxes.remove(box)
        boxes += [box[:len(box) // 2], box[len(box) // 2:]]
    return [tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes]


def nearest(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def icon_bytes(pixels):
    palette = median_cut([c for row in pixels for c in row if c is not None], 255)
    palette = [(0, 0, 0)] + palette  # index 0 stands under the transparent pixels
    palette += [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up
        colour_rows.append(bytes(0 if c is None else nearest(palette[1:], c) + 1 for c in row))
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (SIZE - 1 - x)
        mask_rows.append(bits.to_bytes(SIZE // 8, 'big'))
    image = header + table + b''.join(colour_rows) + b''.join(mask_rows)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    return directory + image


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, 'globe.ico'), 'wb') as out:
        out.write(icon_bytes(draw()))
