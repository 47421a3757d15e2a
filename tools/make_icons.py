#!/usr/bin/env python3
"""Draws the module's five icons and writes them as .ico files into res/.

Each icon is one 32 x 32 image in 16 colours (4 bits a pixel, the standard 16-colour palette)
with a transparency mask. The pictures are drawn with a few primitives so that the output is
the same on every run; run this script again after changing a picture and commit the .ico files.

    python3 tools/make_icons.py [output directory, default res/]
"""

import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = None  # transparent pixel

# 3 x 5 letters for the word on the file icon.
LETTERS = {
    "D": ["XX.", "X.X", "X.X", "X.X", "XX."],
    "X": ["X.X", "X.X", ".X.", "X.X", "X.X"],
    "F": ["XXX", "X..", "XX.", "X..", "X.."],
}


class Canvas:
    """A 32 x 32 picture, row 0 at the top; None marks a transparent pixel."""

    def __init__(self):
        self.px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def set(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x1, y0, x1, y1, c)
        self.line(x1, y1, x0, y1, c)
        self.line(x0, y1, x0, y0, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def circle(self, cx, cy, r, c, filled=False):
        # Pixels whose centre lies within half a pixel of the circle (or inside it).
        for y in range(SIZE):
            for x in range(SIZE):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if filled and d2 <= r * r:
                    self.set(x, y, c)
                elif not filled and (r - 0.5) ** 2 <= d2 < (r + 0.5) ** 2:
                    self.set(x, y, c)

    def triangle(self, top, left, right, c):
        # Filled triangle: every pixel centre on the inner side of all three edges.
        pts = [top, left, right]
        area = (left[0] - top[0]) * (right[1] - top[1]) - (left[1] - top[1]) * (right[0] - top[0])
        for y in range(SIZE):
            for x in range(SIZE):
                inside = True
                for i in range(3):
                    (ax, ay), (bx, by) = pts[i], pts[(i + 1) % 3]
                    cross = (bx - ax) * (y + 0.5 - ay) - (by - ay) * (x + 0.5 - ax)
                    if cross * area < 0:
                        inside = False
                if inside:
                    self.set(x, y, c)

    def text(self, x, y, word, c):
        for ch in word:
            for row, bits in enumerate(LETTERS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "X":
                        self.set(x + col, y + row, c)
            x += 4


def sheet(cv, x0, y0, x1, y1):
    """A sheet of paper with a folded upper-right corner."""
    fold = 6
    cv.fill(x0, y0, x1, y1, WHITE)
    for i in range(fold):
        for x in range(x1 - fold + 1 + i, x1 + 1):
            cv.set(x, y0 + i, CLEAR)
    cv.line(x0, y0, x1 - fold, y0, GRAY)
    cv.line(x1 - fold, y0, x1, y0 + fold, GRAY)
    cv.line(x1, y0 + fold, x1, y1, GRAY)
    cv.line(x1, y1, x0, y1, GRAY)
    cv.line(x0, y1, x0, y0, GRAY)
    cv.line(x1 - fold, y0, x1 - fold, y0 + fold, GRAY)
    cv.line(x1 - fold, y0 + fold, x1, y0 + fold, GRAY)
    # The turned-over corner: the triangle below the diagonal.
    for i in range(1, fold):
        for x in range(x1 - fold + 1, x1 - fold + i):
            cv.set(x, y0 + i, SILVER)


def arrow_right(cv, x0, y, length, c):
    """A thick arrow pointing right, its tip at x0 + length."""
    cv.fill(x0, y - 1, x0 + length - 5, y + 1, c)
    for i in range(5):
        cv.line(x0 + length - 5 + i, y - 4 + i, x0 + length - 5 + i, y + 4 - i, c)


def icon_module():
    """31000, the module: line work on a drawing sheet being brought in by an arrow."""
    cv = Canvas()
    sheet(cv, 9, 2, 29, 29)
    cv.circle(19, 19, 5, BLUE)
    cv.line(12, 26, 26, 9, NAVY)
    cv.line(12, 9, 21, 9, NAVY)
    cv.line(12, 9, 12, 26, NAVY)
    arrow_right(cv, 1, 16, 13, GREEN)
    cv.line(1, 14, 1, 18, BLACK)
    return cv


def icon_file():
    """31001, a DXF drawing file: a sheet with the format's name and a little line work."""
    cv = Canvas()
    sheet(cv, 5, 1, 26, 30)
    cv.fill(8, 5, 20, 11, NAVY)
    cv.text(9, 6, "DXF", WHITE)
    cv.line(9, 26, 22, 15, BLUE)
    cv.circle(15, 22, 4, RED)
    cv.line(9, 15, 9, 26, BLUE)
    cv.line(9, 26, 22, 26, BLUE)
    return cv


def icon_alert():
    """31002, the alert: a yellow warning triangle with an exclamation mark."""
    cv = Canvas()
    cv.triangle((16, 1), (0, 30), (32, 30), BLACK)
    cv.triangle((16, 5), (3, 28), (29, 28), YELLOW)
    cv.fill(15, 11, 16, 21, BLACK)
    cv.fill(14, 12, 17, 18, BLACK)
    cv.fill(15, 24, 16, 25, BLACK)
    return cv


def icon_not3d():
    """31003, a 3-D drawing refused: a wire cube under a red prohibition sign."""
    cv = Canvas()
    front = (5, 11, 20, 26)
    back = (11, 5, 26, 20)
    cv.frame(*back, GRAY)
    cv.frame(*front, NAVY)
    cv.line(5, 11, 11, 5, NAVY)
    cv.line(20, 11, 26, 5, NAVY)
    cv.line(20, 26, 26, 20, NAVY)
    cv.line(5, 26, 11, 20, GRAY)
    for r in (14, 13.2):
        cv.circle(16, 16, r, RED)
    for d in (-1, 0, 1):
        cv.line(6 + d, 6, 26 + d, 26, RED)
    return cv


def icon_frame():
    """31004, the imported object: line work held in a frame with its handles."""
    cv = Canvas()
    cv.fill(3, 3, 28, 28, WHITE)
    cv.frame(3, 3, 28, 28, BLACK)
    for x, y in ((3, 3), (28, 3), (3, 28), (28, 28), (15, 3), (15, 28), (3, 15), (28, 15)):
        cv.fill(x - 1, y - 1, x + 1, y + 1, BLACK)
    cv.circle(16, 16, 7, BLUE)
    cv.line(7, 24, 16, 8, NAVY)
    cv.line(16, 8, 25, 24, NAVY)
    cv.line(25, 24, 7, 24, NAVY)
    return cv


def ico_bytes(cv):
    """One 32 x 32, 4-bit image as an .ico file: directory, bitmap header, palette, colour
    bits (bottom row first) and the transparency mask (1 = transparent)."""
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = cv.px[y]
        for x in range(0, SIZE, 2):
            a = row[x] if row[x] is not None else BLACK
            b = row[x + 1] if row[x + 1] is not None else BLACK
            xor.append((a << 4) | b)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


ICONS = [
    ("module.ico", icon_module),  # 31000
    ("dxffile.ico", icon_file),   # 31001
    ("alert.ico", icon_alert),    # 31002
    ("not3d.ico", icon_not3d),    # 31003
    ("frame.ico", icon_frame),    # 31004
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    for name, draw in ICONS:
        with open(os.path.join(out, name), "wb") as f:
            f.write(ico_bytes(draw()))


if __name__ == "__main__":
    main()
