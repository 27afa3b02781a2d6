#!/usr/bin/env python3
"""Draws the program icon and writes it as a Windows .ico file.

The picture is a hosts sheet: a page with a folded corner and a few entry lines, each an
address (teal) followed by a name (grey), and from 48 px on a round badge with an arrow for
"this name goes to that address". Every size is drawn on its own grid, with the edges that
run along the axes on whole pixels, so that the small sizes stay sharp; 16 px is drawn
pixel by pixel.

Images, in file order: 256, 48, 32, 16 px with a 256-colour palette and a 1-bit mask, then
256, 128, 96, 72, 64, 48, 32, 16 px as 32-bit BGRA with alpha. All are uncompressed DIBs but
the 256 px true-colour image, which is a PNG.

Usage: make_icon.py OUTPUT.ico [PREVIEW_DIR]
PREVIEW_DIR, when given, receives one PNG per size, for looking at.
"""

import math
import os
import struct
import sys
import zlib

PALETTED_SIZES = (256, 48, 32, 16)
TRUE_COLOUR_SIZES = (256, 128, 96, 72, 64, 48, 32, 16)

OUTLINE = (0x2C, 0x3E, 0x50)
PAPER = (0xFF, 0xFF, 0xFF)
FLAP = (0xCF, 0xDB, 0xE6)
ADDRESS = (0x12, 0x9E, 0x82)
NAME = (0x8C, 0x9D, 0xAE)
BADGE = (0x1A, 0xBC, 0x9C)
BADGE_RIM = (0x0E, 0x6E, 0x5B)
ARROW = (0xFF, 0xFF, 0xFF)


class Canvas:
    """A square of premultiplied RGBA pixels, each channel 0..1."""

    def __init__(self, size):
        self.size = size
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def paint(self, coverage, colour, opacity=1.0):
        """Composites colour over the canvas where coverage (pixel index -> 0..1) says."""
        r, g, b = (c / 255.0 for c in colour)
        for i, cov in coverage.items():
            a = min(cov, 1.0) * opacity
            if a <= 0.0:
                continue
            p = self.px[i]
            keep = 1.0 - a
            p[0] = r * a + p[0] * keep
            p[1] = g * a + p[1] * keep
            p[2] = b * a + p[2] * keep
            p[3] = a + p[3] * keep

    def rgba8(self):
        """Rows top to bottom of straight (not premultiplied) 8-bit RGBA tuples."""
        out = []
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r, g, b, a = self.px[y * self.size + x]
                if a <= 0.0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append((round(r / a * 255), round(g / a * 255), round(b / a * 255),
                                round(a * 255)))
            out.append(row)
        return out


def coverage(size, polygons, sub=5):
    """Area coverage of the union (even-odd) of polygons, by sub scanlines per pixel row with
    exact horizontal coverage on each. Returns {pixel index: coverage}."""
    edges = []
    ymin, ymax = float(size), 0.0
    for poly in polygons:
        for i in range(len(poly)):
            (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % len(poly)]
            if y0 != y1:
                edges.append((x0, y0, x1, y1))
            ymin, ymax = min(ymin, y0), max(ymax, y0)
    cov = {}
    for py in range(max(0, int(math.floor(ymin))), min(size, int(math.ceil(ymax)))):
        for k in range(sub):
            sy = py + (k + 0.5) / sub
            xs = []
            for x0, y0, x1, y1 in edges:
                if (y0 <= sy < y1) or (y1 <= sy < y0):
                    xs.append(x0 + (sy - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for j in range(0, len(xs) - 1, 2):
                add_span(cov, size, py, max(0.0, xs[j]), min(float(size), xs[j + 1]), 1.0 / sub)
    return cov


def add_span(cov, size, py, x0, x1, weight):
    if x1 <= x0:
        return
    first, last = int(math.floor(x0)), int(math.ceil(x1)) - 1
    for px in range(first, last + 1):
        part = min(x1, px + 1.0) - max(x0, float(px))
        if part > 0.0:
            i = py * size + px
            cov[i] = cov.get(i, 0.0) + part * weight


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def capsule(x0, y0, x1, y1):
    """A bar with round ends; a plain rectangle when it is too thin for the ends to show."""
    h = y1 - y0
    if h < 4:
        return rect(x0, y0, x1, y1)
    r = h / 2.0
    pts = []
    steps = 12
    for i in range(steps + 1):
        t = math.pi / 2 + math.pi * i / steps
        pts.append((x0 + r + r * math.cos(t), y0 + r - r * math.sin(t)))
    for i in range(steps + 1):
        t = -math.pi / 2 + math.pi * i / steps
        pts.append((x1 - r + r * math.cos(t), y0 + r - r * math.sin(t)))
    return pts


def circle(cx, cy, r, steps=96):
    return [(cx + r * math.cos(2 * math.pi * i / steps), cy + r * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def draw_vector(size):
    """The sheet for 32 px and larger, laid out on whole pixels of this size."""
    c = Canvas(size)
    s = float(size)
    u = max(1, round(s / 32))                     # outline width
    left, right = round(s * 0.14), round(s * 0.82)
    top, bottom = round(s * 0.03), round(s * 0.93)
    fold = round(s * 0.24)
    d = u * math.sqrt(2)

    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    inner = [(left + u, top + u), (right - fold + u - d, top + u), (right - u, top + fold - u + d),
             (right - u, bottom - u), (left + u, bottom - u)]
    if size >= 64:  # a soft drop shadow, down and to the right
        off = max(1, round(s / 64))
        c.paint(coverage(size, [[(x + off, y + off) for x, y in page]]), (0, 0, 0), 0.18)
    c.paint(coverage(size, [page]), OUTLINE)
    c.paint(coverage(size, [inner]), PAPER)

    flap = [(right - fold, top), (right - fold, top + fold), (right, top + fold)]
    flap_in = [(right - fold + u, top + u + d), (right - fold + u, top + fold - u),
               (right - u - d, top + fold - u)]
    c.paint(coverage(size, [flap]), OUTLINE)
    c.paint(coverage(size, [flap_in]), FLAP)

    # Entry lines: a short address, a gap, a name of varying length.
    bar = max(2, round(s / 16))
    pitch = max(bar + 2, round(bar * 2.1))
    x0 = left + u + max(2, round(s * 0.07))
    x_end = right - u - max(2, round(s * 0.07))
    addr_w = round((x_end - x0) * 0.26)
    gap = max(1, round(bar * 0.8))
    lengths = (1.0, 0.72, 0.88, 0.60, 0.95, 0.70, 0.82)
    # A comment line beside the flap, then the entries below it.
    y = top + u + max(2, round(s * 0.09))
    c.paint(coverage(size, [capsule(x0, y, right - fold - max(2, round(s * 0.06)), y + bar)]), NAME)
    y = max(y + pitch, top + fold + max(2, round(s * 0.06)))
    n = 0
    while y + bar <= bottom - u - max(2, round(s * 0.06)):
        name_x = x0 + addr_w + gap
        name_end = name_x + round((x_end - name_x) * lengths[n % len(lengths)])
        c.paint(coverage(size, [capsule(x0, y, x0 + addr_w, y + bar)]), ADDRESS)
        c.paint(coverage(size, [capsule(name_x, y, name_end, y + bar)]), NAME)
        y += pitch
        n += 1

    # The badge: a disc with a rim of paper around it and a right arrow. Below 48 px its
    # arrow would blur, and the sheet alone reads better.
    if size < 48:
        return c
    r = s * 0.18
    cx, cy = s * 0.76, s * 0.78
    ring = max(1.0, s / 32)
    c.paint(coverage(size, [circle(cx, cy, r + ring)]), PAPER)
    c.paint(coverage(size, [circle(cx, cy, r)]), BADGE_RIM)
    c.paint(coverage(size, [circle(cx, cy, r - max(1.0, s / 40))]), BADGE)
    shaft = max(2.0, round(r * 0.30))
    head = r * 0.55
    ax0, ax1 = cx - r * 0.52, cx + r * 0.55
    arrow = [(ax0, cy - shaft / 2), (ax1 - head, cy - shaft / 2), (ax1 - head, cy - head),
             (ax1, cy), (ax1 - head, cy + head), (ax1 - head, cy + shaft / 2), (ax0, cy + shaft / 2)]
    c.paint(coverage(size, [arrow]), ARROW)
    return c


# 16 px by hand. o outline, w paper, f flap, a address, n name, . clear.
SMALL = """
................
..oooooooo......
..owwwwwwoo.....
..owwwwwwofo....
..ownnnnwoffo...
..owwwwwwooooo..
..owaawnnnnnwo..
..owwwwwwwwwwo..
..owaawnnnnwwo..
..owwwwwwwwwwo..
..owaawnnnnnwo..
..owwwwwwwwwwo..
..owaawnnnwwwo..
..owwwwwwwwwwo..
..oooooooooooo..
................
"""


def draw_small():
    keys = {'o': OUTLINE, 'w': PAPER, 'f': FLAP, 'a': ADDRESS, 'n': NAME}
    rows = SMALL.split()
    c = Canvas(16)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch in keys:
                c.paint({y * 16 + x: 1.0}, keys[ch])
    return c


def draw(size):
    return draw_small() if size == 16 else draw_vector(size)


def mask_rows(pixels):
    """The AND mask, bottom row first: 1 where the pixel is clear."""
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bpp, image_bytes):
    # The height counts the colour image and the mask together.
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, image_bytes, 0, 0,
                       256 if bpp == 8 else 0, 0)


def dib32(pixels):
    size = len(pixels)
    body = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            body += bytes((b, g, r, a)) if a else b'\0\0\0\0'
    mask = mask_rows(pixels)
    return bitmap_header(size, 32, len(body) + len(mask)) + bytes(body) + mask


def median_cut(colours, limit):
    """colours: {rgb: count}. Returns at most limit representative colours."""
    boxes = [list(colours.items())]
    while len(boxes) < limit:
        best, best_range, best_ch = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[0][ch] for c in box]
                span = max(vals) - min(vals)
                if span > best_range:
                    best, best_range, best_ch = i, span, ch
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: item[0][best_ch])
        total = sum(n for _, n in box)
        acc, cut = 0, 1
        for j, (_, n) in enumerate(box):
            acc += n
            if acc * 2 >= total:
                cut = max(1, min(len(box) - 1, j + 1))
                break
        boxes += [box[:cut], box[cut:]]
    result = []
    for box in boxes:
        total = sum(n for _, n in box)
        result.append(tuple(round(sum(c[ch] * n for c, n in box) / total) for ch in range(3)))
    return result


def dib8(pixels):
    size = len(pixels)
    counts = {}
    for row in pixels:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    # Entry 0 is black: the colour under a clear pixel, which the mask lets through.
    palette = [(0, 0, 0)] + median_cut(counts, 255)
    nearest = {}

    def index_of(rgb):
        if rgb not in nearest:
            nearest[rgb] = min(range(1, len(palette)), key=lambda i: sum(
                (palette[i][ch] - rgb[ch]) ** 2 for ch in range(3)))
        return nearest[rgb]

    stride = (size + 3) // 4 * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            line[x] = index_of((r, g, b)) if a >= 128 else 0
        body += line
    mask = mask_rows(pixels)
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    colours += b'\0' * (1024 - len(colours))
    return bitmap_header(size, 8, len(body) + len(mask)) + colours + bytes(body) + mask


def ico(images):
    """images: [(size, bpp, dib bytes)]. The directory, then the images in the same order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, _, data in images)


def png(pixels):
    """An 8-bit RGBA PNG of the pixels."""
    size = len(pixels)
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    drawn = {size: draw(size).rgba8() for size in set(PALETTED_SIZES + TRUE_COLOUR_SIZES)}
    images = [(size, 8, dib8(drawn[size])) for size in PALETTED_SIZES]
    # The large true-colour image as PNG, as Windows Vista and later read it: a quarter of a
    # megabyte less in the program.
    images += [(size, 32, png(drawn[size]) if size == 256 else dib32(drawn[size]))
               for size in TRUE_COLOUR_SIZES]
    tmp = argv[1] + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(ico(images))
    os.replace(tmp, argv[1])
    if len(argv) == 3:
        os.makedirs(argv[2], exist_ok=True)
        for size, pixels in drawn.items():
            with open(os.path.join(argv[2], 'icon-%d.png' % size), 'wb') as f:
                f.write(png(pixels))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
