#!/usr/bin/env python3
"""Draws the module's bitmaps as 8-bit .bmp files (256-colour table).

    python3 draw_bitmaps.py [--png DIR]

writes icon.bmp (32 x 32: four yellow arrows out of an orange ball on a grey
square; resources 400 and 401) and logo.bmp (161 x 70: the project's logo;
resource 101) next to this script. --png also writes enlarged PNG previews.
Standard library only; the output is the same on every run.
"""
import argparse
import math
import pathlib
import struct
import sys
import zlib

SUPERSAMPLE = 4

GREY = (192, 192, 192)
GREY_EDGE = (128, 128, 128)
GREY_LIGHT = (224, 224, 224)
ORANGE = (255, 128, 0)
ORANGE_DARK = (176, 72, 0)
ORANGE_LIGHT = (255, 200, 120)
YELLOW = (255, 232, 0)
OUTLINE = (96, 64, 0)
WHITE = (255, 255, 255)
INK = (40, 40, 56)


# ---- shapes: each is a test on a point (x, y) in pixel units, y down ----

def in_box(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


def arrow_up(x, y, cx, tip, base, shaft_half, head_half, head_len):
    """An arrow along the y axis from base (y) to tip (y < base)."""
    if in_triangle(x, y, (cx, tip), (cx - head_half, tip + head_len), (cx + head_half, tip + head_len)):
        return True
    return in_box(x, y, cx - shaft_half, tip + head_len - 0.01, cx + shaft_half, base)


def rotate_quarter(x, y, size, turns):
    """Maps (x, y) back through `turns` quarter turns about the square's centre."""
    c = size / 2
    for _ in range(turns):
        x, y = c + (y - c), c - (x - c)
    return x, y


# ---- rendering ----

def render(width, height, colour_at):
    """Averages SUPERSAMPLE^2 samples of colour_at per pixel."""
    pixels = []
    n = SUPERSAMPLE
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = colour_at(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    for i in range(3):
                        acc[i] += c[i]
            row.append(tuple(round(v / (n * n)) for v in acc))
        pixels.append(row)
    return pixels


def icon_colour(x, y):
    size = 32.0
    # The grey square with a bevelled edge.
    if x < 1 or y < 1:
        colour = GREY_LIGHT
    elif x >= size - 1 or y >= size - 1:
        colour = GREY_EDGE
    else:
        colour = GREY
    # Four arrows, drawn as one shape turned by quarter turns; outline first.
    for turns in range(4):
        ax, ay = rotate_quarter(x, y, size, turns)
        if arrow_up(ax, ay, 16, 1.2, 16, 2.4, 6.4, 6.6):
            colour = OUTLINE
    for turns in range(4):
        ax, ay = rotate_quarter(x, y, size, turns)
        if arrow_up(ax, ay, 16, 2.8, 16, 1.2, 4.7, 5.0):
            colour = YELLOW
    colour = ball(x, y, colour, (16, 16), 6.4, 5.5, (14.2, 14.2), 6.0)
    r = math.hypot(x - 16, y - 16)
    if 4.3 < r < 5.5:
        colour = blend(colour, ORANGE_DARK, (r - 4.3) / 1.2 * 0.6)
    return colour


def ball(x, y, colour, centre, outline, body, spot, spread):
    """The ball, shaded from a light spot at its upper left."""
    r = math.hypot(x - centre[0], y - centre[1])
    if r < outline:
        colour = ORANGE_DARK
    if r < body:
        light = max(0.0, 1.0 - math.hypot(x - spot[0], y - spot[1]) / spread)
        colour = blend(ORANGE, ORANGE_LIGHT, light * light)
    return colour


def blend(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# A 5 x 7 font for the logo's letters, one string a row, '#' set.
FONT = {
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'I': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    'N': ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'H': ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'J': ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    ' ': ["....."] * 7,
}


def text_cells(text, left, top, scale, gap):
    """The set of filled cells (ix, iy) in pixels for text at (left, top)."""
    cells = set()
    x = left
    for ch in text:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            cells.add((x + gx * scale + dx, top + gy * scale + dy))
        x += 5 * scale + gap
    return cells


TITLE = text_cells("KINEMO", 50, 12, 3, 3)
TITLE_SHADOW = {(x + 1, y + 1) for x, y in TITLE}
SUBTITLE = text_cells("THE KINEMO PROJECT", 49, 51, 1, 1)


def logo_colour(x, y):
    colour = WHITE
    cell = (int(x), int(y))
    # Motion trail behind the ball.
    for i, (ty, length) in enumerate(((25.0, 22.0), (31.0, 28.0), (37.0, 22.0))):
        if abs(y - ty) < 1.1 and 3 + i % 2 * 3 <= x < 3 + length:
            colour = blend(WHITE, ORANGE, (x - 3) / length)
    colour = ball(x, y, colour, (32, 31), 11.5, 10.3, (28.5, 27.5), 10.5)
    # Title, its shadow, the rule under it and the subtitle.
    if cell in TITLE_SHADOW:
        colour = ORANGE
    if cell in TITLE:
        colour = INK
    if 44 <= y < 45.5 and 50 <= x < 156:
        colour = ORANGE
    if cell in SUBTITLE:
        colour = INK
    # A one-pixel frame.
    if x < 1 or y < 1 or x >= 160 or y >= 69:
        colour = GREY_EDGE
    return colour


# ---- palette ----

def median_cut(colours, size):
    """At most `size` colours standing for the given (colour, count) pairs."""
    boxes = [list(colours)]
    while len(boxes) < size:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (spread(b), len(b)))
        boxes.remove(box)
        channel = max(range(3), key=lambda c: max(col[c] for col, _ in box) - min(col[c] for col, _ in box))
        box.sort(key=lambda item: (item[0][channel], item[0]))
        total = sum(n for _, n in box)
        running, cut = 0, 1
        for i, (_, n) in enumerate(box[:-1]):
            running += n
            cut = i + 1
            if running * 2 >= total:
                break
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(round(sum(col[c] * n for col, n in box) / total) for c in range(3)))
    return sorted(set(palette))


def spread(box):
    return max(max(col[c] for col, _ in box) - min(col[c] for col, _ in box) for c in range(3))


def quantise(pixels):
    counts = {}
    for row in pixels:
        for c in row:
            counts[c] = counts.get(c, 0) + 1
    palette = median_cut(sorted(counts.items()), 256)
    nearest = {}
    for c in counts:
        nearest[c] = min(range(len(palette)),
                         key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))
    indices = [[nearest[c] for c in row] for row in pixels]
    return palette + [(0, 0, 0)] * (256 - len(palette)), indices


# ---- files ----

def bmp_bytes(pixels):
    """A BMP file: 14-byte file header, 40-byte info header, 256 colours, rows bottom-up."""
    height, width = len(pixels), len(pixels[0])
    palette, indices = quantise(pixels)
    stride = (width + 3) & ~3
    image = bytearray()
    for row in reversed(indices):
        image += bytes(row) + bytes(stride - width)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(image), 0, 0, 0, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + table + bytes(image)


def png_bytes(pixels, scale):
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        line = bytearray([0])
        for c in row:
            line += bytes(int(v) for v in c) * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", width * scale, height * scale, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")


def indexed_preview(bmp):
    """The pixels as the .bmp stores them, for checking the written file."""
    _, _, _, _, offset = struct.unpack_from("<2sIHHI", bmp, 0)
    _, width, height = struct.unpack_from("<Iii", bmp, 14)
    table = [struct.unpack_from("<BBBB", bmp, 54 + 4 * i) for i in range(256)]
    stride = (width + 3) & ~3
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        rows.append([(table[i][2], table[i][1], table[i][0]) for i in bmp[start:start + width]])
    return rows


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png", metavar="DIR", help="also write enlarged PNG previews into DIR")
    args = parser.parse_args(argv)
    here = pathlib.Path(__file__).resolve().parent
    outputs = {
        "icon.bmp": (render(32, 32, icon_colour), 2102, 8),
        "logo.bmp": (render(161, 70, logo_colour), 12558, 4),
    }
    for name, (pixels, expected_size, scale) in outputs.items():
        data = bmp_bytes(pixels)
        if len(data) != expected_size:
            sys.exit(f"{name}: {len(data)} bytes, expected {expected_size}")
        (here / name).write_bytes(data)
        if args.png:
            out = pathlib.Path(args.png)
            out.mkdir(parents=True, exist_ok=True)
            (out / (name[:-4] + ".png")).write_bytes(png_bytes(indexed_preview(data), scale))


if __name__ == "__main__":
    main(sys.argv[1:])
