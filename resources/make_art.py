#!/usr/bin/python3
"""Draws the program icon (app_icon.ico) and the about-box logo (about_logo.bmp).

Standard library only. Shapes are signed distance fields measured in pixels, so
every edge is anti-aliased at each size without supersampling.

  make_art.py              write both files next to this script
  make_art.py --out DIR    write them into DIR instead
  make_art.py --check      exit 1 when the committed files differ from a fresh drawing
  make_art.py --preview D  also write PNG previews of every image into D
"""
import argparse
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_NAME = "app_icon.ico"
LOGO_NAME = "about_logo.bmp"
ICON_SIZES = (256, 128, 64, 48, 32, 16)  # order of the icon directory
LOGO_SIZE = 64
DIALOG_FACE = (240, 240, 240)  # the about box background the logo is drawn on

BODY_TOP = (70, 56, 178)
BODY_BOTTOM = (30, 22, 98)
BODY_EDGE = (18, 13, 64)
INK = (250, 250, 255)
BADGE_TOP = (64, 214, 110)
BADGE_BOTTOM = (22, 150, 70)
WAVE_HALF_ANGLE = math.radians(48)


# --- distance fields (normalised coordinates, y grows downwards) -------------

def length(x, y):
    return math.sqrt(x * x + y * y)


def rounded_box(px, py, cx, cy, hw, hh, r):
    qx = abs(px - cx) - (hw - r)
    qy = abs(py - cy) - (hh - r)
    return length(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def circle(px, py, cx, cy, r):
    return length(px - cx, py - cy) - r


def polygon(px, py, pts):
    """Signed distance to a closed polygon (negative inside)."""
    d = float("inf")
    inside = False
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i - 1]
        bx, by = pts[i]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        d = min(d, length(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -d if inside else d


def arc(px, py, cx, cy, radius, mid, half, width):
    """Stroke of a circle arc centred on angle mid, spanning +-half, round caps."""
    dx, dy = px - cx, py - cy
    c, s = math.cos(mid), math.sin(mid)
    x, y = dx * c + dy * s, abs(-dx * s + dy * c)
    if math.atan2(y, x) <= half:
        return abs(length(x, y) - radius) - width / 2
    return length(x - radius * math.cos(half), y - radius * math.sin(half)) - width / 2


def coverage(distance, size):
    """Fraction of a pixel covered by the inside of a field (box filter one pixel wide)."""
    return max(0.0, min(1.0, 0.5 - distance * size))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# --- the drawing --------------------------------------------------------------

class Design:
    """Geometry of the mark. The smallest image is laid out in whole pixels so it stays legible."""

    def __init__(self, size):
        p = 1.0 / size
        self.pixel = p
        if size > 24:
            self.margin, self.corner, self.edge = 0.06, 0.2, max(0.012, p)
            self.speaker = [(0.17, 0.38), (0.29, 0.38), (0.45, 0.24),
                            (0.45, 0.70), (0.29, 0.56), (0.17, 0.56)]
            self.wave_centre, self.waves = (0.43, 0.47), (0.13, 0.23)
            self.wave_width = max(0.052, 1.3 * p)
            self.badge, self.gap = (0.725, 0.725, 0.205), max(0.035, p)
            self.circular_arrow = True
            return
        # Sixteen pixels leave no room for the sound waves.
        self.margin, self.corner, self.edge = 0.0, 3 * p, p
        self.speaker = [(x * p, y * p) for x, y in
                        ((2.0, 5.0), (4.5, 5.0), (8.0, 1.5), (8.0, 12.5), (4.5, 9.0), (2.0, 9.0))]
        self.wave_centre, self.waves, self.wave_width = None, (), 0.0
        self.badge, self.gap = (11.5 * p, 11.5 * p, 4.3 * p), p
        self.circular_arrow = False


def body_colour(v):
    return mix(BODY_TOP, BODY_BOTTOM, v)


def badge_colour(v, top, r):
    return mix(BADGE_TOP, BADGE_BOTTOM, max(0.0, min(1.0, (v - (top - r)) / (2 * r))))


def badge_symbol(u, v, d):
    """Distance to the white symbol inside the badge."""
    bx, by, br = d.badge
    if d.circular_arrow:
        radius, width = br * 0.5, max(br * 0.2, d.pixel * 1.7)
        start, end = math.radians(-50), math.radians(215)
        ring = arc(u, v, bx, by, radius, (start + end) / 2, (end - start) / 2, width)
        ex, ey = bx + radius * math.cos(end), by + radius * math.sin(end)
        nx, ny = math.cos(end), math.sin(end)  # outwards
        tx, ty = -ny, nx                        # along the turn
        h, tip = max(br * 0.3, d.pixel * 2.4), max(br * 0.36, d.pixel * 2.8)
        head = polygon(u, v, [(ex + nx * h, ey + ny * h), (ex + tx * tip, ey + ty * tip),
                              (ex - nx * h, ey - ny * h)])
        return min(ring, head)
    # At the smallest size a plain down arrow reads better than a turning one.
    # Laid out in whole pixels around the badge's centre pixel.
    p = d.pixel
    shaft = rounded_box(u, v, bx, by - p * 1.5, p * 0.55, p * 1.1, 0.0)
    head = polygon(u, v, [(bx - p * 2.6, by - p * 0.6), (bx + p * 2.6, by - p * 0.6),
                          (bx, by + p * 2.6)])
    return min(shaft, head)


def pixel(u, v, size, d):
    """Straight RGBA (floats 0..1 for alpha, 0..255 for colour) of one pixel centre."""
    layers = []
    half = 0.5 - d.margin
    body_d = rounded_box(u, v, 0.5, 0.5, half, half, d.corner)
    # A darker rim keeps the edge visible on dark and light backgrounds alike.
    layers.append((BODY_EDGE, coverage(body_d, size)))
    inner = coverage(body_d + d.edge, size)
    layers.append((body_colour(v), inner))

    ink = coverage(polygon(u, v, d.speaker) - 0.012, size)
    for radius in d.waves:
        wave = arc(u, v, d.wave_centre[0], d.wave_centre[1], radius, 0.0, WAVE_HALF_ANGLE,
                   d.wave_width)
        ink = max(ink, coverage(wave, size))
    layers.append((INK, min(ink, inner)))

    bx, by, br = d.badge
    gap = min(coverage(circle(u, v, bx, by, br + d.gap), size), inner)
    layers.append((body_colour(v), gap))
    layers.append((badge_colour(v, by, br), coverage(circle(u, v, bx, by, br), size)))
    layers.append((INK, coverage(badge_symbol(u, v, d), size)))

    r = g = b = a = 0.0  # premultiplied
    for colour, alpha in layers:
        r = r * (1 - alpha) + colour[0] * alpha
        g = g * (1 - alpha) + colour[1] * alpha
        b = b * (1 - alpha) + colour[2] * alpha
        a = a * (1 - alpha) + alpha
    if a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    return (r / a, g / a, b / a, a)


def render(size):
    """Rows top to bottom of (r, g, b, a) byte tuples."""
    d = Design(size)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r, g, b, a = pixel((x + 0.5) / size, (y + 0.5) / size, size, d)
            row.append(tuple(byte(c) for c in (r, g, b)) + (byte(a * 255),))
        rows.append(row)
    return rows


def byte(value):
    return max(0, min(255, int(math.floor(value + 0.5))))


# --- icon file ------------------------------------------------------------------

def icon_image(rows):
    """BITMAPINFOHEADER, bottom-up BGRA pixels, then the AND mask (1 = transparent)."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def icon_file(images):
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        edge = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", edge, edge, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


# --- about-box bitmap -------------------------------------------------------------

def flatten(rows, background):
    return [[tuple(byte(c * a / 255 + bg * (1 - a / 255)) for c, bg in zip((r, g, b), background))
             for r, g, b, a in row] for row in rows]


def median_cut(counts, limit):
    """Groups the colours of counts ({rgb: n}) into at most limit boxes; returns the boxes."""
    boxes = [sorted(counts)]
    while len(boxes) < limit:
        best, best_score, best_channel = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                spread = max(c[ch] for c in box) - min(c[ch] for c in box)
                score = spread * sum(counts[c] for c in box)
                if score > best_score:
                    best, best_score, best_channel = i, score, ch
        if best is None:
            break
        box = sorted(boxes[best], key=lambda c: (c[best_channel], c))
        total = sum(counts[c] for c in box)
        run, cut = 0, 1
        for j, colour in enumerate(box[:-1]):
            run += counts[colour]
            cut = j + 1
            if run * 2 >= total:
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    return boxes


def palette_image(rows):
    """Reduces an RGB image to a 256-entry palette; returns (palette, index rows)."""
    counts = {}
    for row in rows:
        for rgb in row:
            counts[rgb] = counts.get(rgb, 0) + 1
    palette, index_of = [], {}
    for box in median_cut(counts, 256):
        n = sum(counts[c] for c in box)
        mean = tuple(byte(sum(c[ch] * counts[c] for c in box) / n) for ch in range(3))
        for colour in box:
            index_of[colour] = len(palette)
        palette.append(mean)
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, [[index_of[rgb] for rgb in row] for row in rows]


def bitmap_file(rows):
    palette, indices = palette_image(rows)
    size = len(rows)
    stride = (size + 3) & ~3
    pixels = bytearray()
    for row in reversed(indices):
        pixels += bytes(row) + bytes(stride - size)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(colours)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + colours + bytes(pixels)


# --- previews -----------------------------------------------------------------------

def png_file(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    width, height = len(rows[0]), len(rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# --- main -----------------------------------------------------------------------------

def draw():
    """Returns {file name: bytes} and {preview name: RGBA rows}."""
    renders = {size: render(size) for size in ICON_SIZES}
    icon = icon_file([(size, icon_image(renders[size])) for size in ICON_SIZES])
    logo_rgb = flatten(renders[LOGO_SIZE], DIALOG_FACE)
    palette, indices = palette_image(logo_rgb)
    previews = {"icon_%d.png" % size: renders[size] for size in ICON_SIZES}
    previews["logo.png"] = [[palette[i] + (255,) for i in row] for row in indices]
    return {ICON_NAME: icon, LOGO_NAME: bitmap_file(logo_rgb)}, previews


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=HERE)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--preview")
    args = parser.parse_args(argv)
    files, previews = draw()
    if args.check:
        stale = [name for name, data in files.items()
                 if not os.path.exists(os.path.join(HERE, name))
                 or open(os.path.join(HERE, name), "rb").read() != data]
        for name in stale:
            print("out of date: %s (run make_art.py)" % name, file=sys.stderr)
        return 1 if stale else 0
    for name, data in files.items():
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name, rows in previews.items():
            with open(os.path.join(args.preview, name), "wb") as f:
                f.write(png_file(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
