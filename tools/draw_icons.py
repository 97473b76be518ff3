#!/usr/bin/env python3
"""Draws the ribbon icons of the add-in as 32-bit PNG files with alpha.

Each icon is a list of shapes in a unit square (0..1, y down), painted in
order over a transparent background with 4 x 4 samples per pixel, so that
one drawing serves every size. Run from anywhere:

    python3 tools/draw_icons.py [OUTPUT_DIR]   (default: addin/icons)
"""
import math
import os
import struct
import sys
import zlib

SAMPLES = 4  # per pixel and axis


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def frame(x0, y0, x1, y1, width):
    outer, inner = rect(x0, y0, x1, y1), rect(x0 + width, y0 + width, x1 - width, y1 - width)
    return lambda x, y: outer(x, y) and not inner(x, y)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(*points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def polyline(width, *points):
    """A stroke of the given width along the points, with round joins."""
    def near(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            if math.hypot(x - ax - t * dx, y - ay - t * dy) <= width / 2:
                return True
        return False
    return near


INK = (40, 48, 64, 255)
SKY = (150, 200, 240, 255)
HILL = (90, 160, 80, 255)
SEAM = (220, 40, 40, 255)
ARROW = (30, 90, 200, 255)
PROTECT = (0, 128, 0, 200)
REMOVE = (255, 0, 0, 200)
HANDLE = (150, 95, 45, 255)
FERRULE = (170, 170, 180, 255)


def picture(x0, y0, x1, y1):
    """A small landscape in a dark frame."""
    w = x1 - x0
    return [
        (rect(x0, y0, x1, y1), SKY),
        (polygon((x0, y1), (x0, y0 + 0.55 * w), (x0 + 0.45 * w, y0 + 0.35 * w), (x1, y0 + 0.6 * w), (x1, y1)), HILL),
        (frame(x0, y0, x1, y1, 0.06), INK),
    ]


def quick_fitting():
    seam = polyline(0.08, (0.5, 0.12), (0.43, 0.31), (0.55, 0.5), (0.45, 0.69), (0.5, 0.88))
    left = polygon((0.0, 0.5), (0.17, 0.3), (0.17, 0.7))
    right = polygon((1.0, 0.5), (0.83, 0.3), (0.83, 0.7))
    return picture(0.19, 0.12, 0.81, 0.88) + [(seam, SEAM), (left, ARROW), (right, ARROW)]


def edit_mask():
    return picture(0.06, 0.2, 0.72, 0.86) + [
        (polyline(0.14, (0.18, 0.7), (0.3, 0.58), (0.4, 0.68)), PROTECT),
        (polyline(0.14, (0.46, 0.36), (0.58, 0.3)), REMOVE),
        (polyline(0.11, (0.95, 0.05), (0.66, 0.46)), HANDLE),
        (polyline(0.15, (0.66, 0.46), (0.6, 0.55)), FERRULE),
        (polygon((0.54, 0.52), (0.64, 0.6), (0.5, 0.74), (0.44, 0.68)), REMOVE[:3] + (255,)),
    ]


def setup():
    shapes = []
    for y, knob in ((0.28, 0.3), (0.5, 0.7), (0.72, 0.45)):
        shapes.append((polyline(0.1, (0.1, y), (0.9, y)), INK))
        shapes.append((disc(knob, y, 0.13), ARROW))
    return shapes


def about():
    return [
        (disc(0.5, 0.5, 0.46), ARROW),
        (disc(0.5, 0.27, 0.08), (255, 255, 255, 255)),
        (rect(0.42, 0.42, 0.58, 0.8), (255, 255, 255, 255)),
    ]


def over(under, colour, coverage):
    """Straight-alpha source-over of one colour at a sample coverage."""
    a = colour[3] / 255 * coverage
    out_a = a + under[3] * (1 - a)
    if out_a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    rgb = [(colour[i] * a + under[i] * under[3] * (1 - a)) / out_a for i in range(3)]
    return (*rgb, out_a)


def render(shapes, size):
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            pixel = (0.0, 0.0, 0.0, 0.0)
            for shape, colour in shapes:
                hits = sum(
                    shape((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    for sx in range(SAMPLES) for sy in range(SAMPLES))
                if hits:
                    pixel = over(pixel, colour, hits / SAMPLES ** 2)
            row += bytes(round(v) for v in pixel[:3]) + bytes([round(pixel[3] * 255)])
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    raw = b"".join(b"\0" + row for row in rows)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


ICONS = {
    "QuickFitting": (quick_fitting, (32, 16)),
    "EditMask": (edit_mask, (32, 16)),
    "Setup": (setup, (16,)),
    "About": (about, (16,)),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "addin", "icons")
    os.makedirs(out, exist_ok=True)
    for name, (draw, sizes) in ICONS.items():
        for size in sizes:
            with open(os.path.join(out, f"{name}{size}.png"), "wb") as f:
                f.write(png(render(draw(), size), size))


if __name__ == "__main__":
    main()
