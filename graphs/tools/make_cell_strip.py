#!/usr/bin/env python3
"""Draws the grid cell image strip (bitmap 195): sixteen 16x16 images side by side.

Run once after changing a picture; the PNG it writes is committed next to the
Qt resource file. Pixels in the mask colour (red 0, green 128, blue 128) are
transparent when the grid control draws an image.

  0..8  screen-division shapes with 1, 4, 6, 7, 8, 9, 10, 13 and 16 cells
  9     mark (green tick)
  10    signal lamp (lit amber lamp)
  11    choice dot (radio button, blue)
  12    camera
  13    choice dot (radio button, green)
  14    record / run indicator (red dot)
  15    stopped indicator (grey square)
"""
import struct
import sys
import zlib

MASK = (0, 128, 128)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
DARK = (64, 64, 64)
NAVY = (0, 0, 128)
CYAN = (0, 255, 255)
GREEN = (0, 160, 0)
DKGREEN = (0, 96, 0)
LIME = (0, 255, 0)
BLUE = (0, 0, 255)
RED = (255, 0, 0)
DKRED = (128, 0, 0)
AMBER = (255, 176, 0)
YELLOW = (255, 255, 0)
BROWN = (128, 64, 0)

W, N = 16, 16


class Canvas:
    def __init__(self):
        self.px = [[MASK] * (W * N) for _ in range(W)]
        self.ox = 0

    def at(self, index):
        self.ox = index * W
        return self

    def set(self, x, y, c):
        if 0 <= x < W and 0 <= y < W:
            self.px[y][self.ox + x] = c

    def rect(self, x0, y0, x1, y1, c):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(W):
            for x in range(W):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)


def division(cv, cells):
    """A small monitor whose 12x12 screen is split into the given cells
    (x, y, w, h in twelfths of the screen)."""
    cv.rect(1, 1, 14, 14, BLACK)
    cv.rect(2, 2, 13, 13, NAVY)
    for (x, y, w, h) in cells:
        x0, y0, x1, y1 = 2 + x, 2 + y, 2 + x + w, 2 + y + h
        for xx in range(x0, min(x1, 13) + 1):
            if y0 > 2:
                cv.set(xx, y0, CYAN)
            if y1 < 14:
                cv.set(xx, min(y1, 13), CYAN)
        for yy in range(y0, min(y1, 13) + 1):
            if x0 > 2:
                cv.set(x0, yy, CYAN)
            if x1 < 14:
                cv.set(min(x1, 13), yy, CYAN)


def grid(n, skip=()):
    u = 12 // n
    return [(x * u, y * u, u, u) for y in range(n) for x in range(n) if (x, y) not in skip]


def shapes():
    # Each layout as cell rectangles in twelfths; lines are drawn on shared edges.
    q = 3  # a quarter of the screen side
    t = 4  # a third
    return [
        [(0, 0, 12, 12)],
        grid(2),
        [(0, 0, 2 * t, 2 * t)] + [c for c in grid(3) if c[0] >= 2 * t or c[1] >= 2 * t],
        [(0, 0, 6, 6), (6, 0, 6, 6), (0, 6, 6, 6)] + [(6 + x * q, 6 + y * q, q, q) for y in range(2) for x in range(2)],
        [(0, 0, 3 * q, 3 * q)] + [c for c in grid(4) if c[0] >= 3 * q or c[1] >= 3 * q],
        grid(3),
        [(0, 0, 6, 6), (6, 0, 6, 6)] + [c for c in grid(4) if c[1] >= 6],
        [(q, q, 2 * q, 2 * q)] + [c for c in grid(4) if not (q <= c[0] < 3 * q and q <= c[1] < 3 * q)],
        grid(4),
    ]


def tick(cv):
    pts = [(2, 8), (3, 9), (4, 10), (5, 11), (6, 12), (7, 11), (8, 10), (9, 9),
           (10, 8), (11, 7), (12, 6), (13, 5), (14, 4)]
    for (x, y) in pts:
        cv.rect(x, y - 2, x, y, GREEN)
        cv.set(x, y + 1, DKGREEN)
        cv.set(x, y - 3, DKGREEN)


def lamp(cv):
    cv.disc(8, 7, 6.5, BROWN)
    cv.disc(8, 7, 5.5, AMBER)
    cv.disc(8, 7, 3.5, YELLOW)
    cv.disc(6.5, 5.5, 1.5, WHITE)
    cv.rect(5, 13, 10, 14, DARK)
    cv.rect(6, 15, 9, 15, BLACK)


def radio(cv, centre):
    cv.disc(8, 8, 7, DARK)
    cv.disc(8, 8, 6, WHITE)
    cv.disc(8, 8, 3.5, centre)


def camera(cv):
    cv.rect(1, 4, 11, 12, BLACK)
    cv.rect(2, 5, 10, 11, GREY)
    cv.rect(2, 5, 10, 5, SILVER)
    cv.disc(6.5, 8.5, 3, BLACK)
    cv.disc(6.5, 8.5, 2, BLUE)
    cv.set(6, 7, WHITE)
    # lens hood pointing right
    for i, (y0, y1) in enumerate([(6, 10), (5, 11), (4, 12), (3, 13)]):
        cv.rect(11 + i, y0, 11 + i, y1, BLACK)
    cv.rect(2, 2, 4, 3, BLACK)
    cv.set(9, 6, RED)


def record(cv):
    cv.disc(8, 8, 7, DKRED)
    cv.disc(8, 8, 6, RED)
    cv.disc(6, 6, 1.5, (255, 160, 160))


def stopped(cv):
    cv.rect(2, 2, 13, 13, DARK)
    cv.rect(3, 3, 12, 12, SILVER)
    cv.rect(5, 5, 10, 10, GREY)


def png(path, rows):
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    def chunk(tag, data):
        c = tag + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    cv = Canvas()
    for i, cells in enumerate(shapes()):
        division(cv.at(i), cells)
    tick(cv.at(9))
    lamp(cv.at(10))
    radio(cv.at(11), BLUE)
    camera(cv.at(12))
    radio(cv.at(13), GREEN)
    record(cv.at(14))
    stopped(cv.at(15))
    out = sys.argv[1] if len(sys.argv) > 1 else "bitmap_195.png"
    png(out, cv.px)
    if len(sys.argv) > 2:  # optional enlarged preview for checking the look
        scale = 8
        big = [[px for px in row for _ in range(scale)] for row in cv.px for _ in range(scale)]
        png(sys.argv[2], big)


if __name__ == "__main__":
    main()
