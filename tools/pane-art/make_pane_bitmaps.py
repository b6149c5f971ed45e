#!/usr/bin/env python3
"""Draws the pictures of the information column's panes and writes them as 24-bit bitmaps.

  src/res/mode0.bmp      78x20  overlay mode pane, transparent chosen (left half lit)
  src/res/mode1.bmp      78x20  overlay mode pane, opaque chosen (right half lit)
  src/res/mode_mask.bmp  78x20  white where the picture shows, black where the pane shows through
  src/res/arrow.bmp      13x10  the drop-down arrow of the tool pane's dot size
  src/res/arrow_mask.bmp 13x10  its mask

and the same five drawn again for 144 and 192 DPI, one and a half and two times as large, with
_150 and _200 before the extension (mode0_150.bmp is 117x30, arrow_200.bmp 26x20). The shapes are
drawn at each size from the same coordinates, not enlarged from the small picture: a box from
x = a to x = b (inclusive) at 96 DPI covers floor(s*a) up to floor(s*(b+1)) - 1 at scale s, and a
line is one pixel wide below 200 % and two at 200 %.

Each half of the mode picture shows two overlapping squares: on the left (transparent) the square
behind shows through the front one, on the right (opaque) the front one covers it. The pictures
are drawn on white, so that the pane's own background shows through wherever the mask is black
(the pane draws them with CBitMDraw). Only the standard library is used; the output is committed:

    python3 tools/pane-art/make_pane_bitmaps.py
"""

import os
import struct

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
INK = (64, 64, 64)
BACK = (96, 96, 192)
FRONT = (255, 128, 128)
LIT = (255, 255, 224)
FRAME = (0, 0, 128)


SCALES = {"": (1, 1), "_150": (3, 2), "_200": (2, 1)}  # suffix: scale as a fraction


class Canvas:
    """A picture drawn from 96-DPI coordinates at scale num/den."""

    def __init__(self, width, height, scale, colour=WHITE):
        self.num, self.den = scale
        self.pixels = [[colour] * self.at(width) for _ in range(self.at(height))]
        self.line = 2 if self.num >= 2 * self.den else 1

    def at(self, v):
        return v * self.num // self.den

    def box(self, left, top, right, bottom, colour):
        """Fills the pixels that the 96-DPI cells left..right, top..bottom (inclusive) cover."""
        for y in range(self.at(top), self.at(bottom + 1)):
            for x in range(self.at(left), self.at(right + 1)):
                self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour, fill=False):
        if fill:
            self.box(left, top, right, bottom, colour)
            return
        x0, y0, x1, y1 = self.at(left), self.at(top), self.at(right + 1) - 1, self.at(bottom + 1) - 1
        w = self.line
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if y < y0 + w or y > y1 - w or x < x0 + w or x > x1 - w:
                    self.pixels[y][x] = colour


def mode_picture(chosen, scale):
    image = Canvas(78, 20, scale)
    for half in (0, 1):
        x0 = half * 39
        if half == chosen:
            image.rect(x0 + 1, 1, x0 + 37, 18, LIT, fill=True)
            image.rect(x0 + 1, 1, x0 + 37, 18, FRAME)
        # The square behind, then the front one; the opaque side fills the front one.
        image.rect(x0 + 9, 4, x0 + 21, 12, BACK)
        if half == 1:
            image.rect(x0 + 15, 8, x0 + 28, 16, FRONT, fill=True)
        image.rect(x0 + 15, 8, x0 + 28, 16, INK)
    return image.pixels


def mode_mask(scale):
    image = Canvas(78, 20, scale)
    for x, y in ((0, 0), (77, 0), (0, 19), (77, 19), (38, 0), (39, 0), (38, 19), (39, 19)):
        image.box(x, y, x, y, BLACK)
    return image.pixels


def arrow_picture(scale):
    image = Canvas(13, 10, scale)
    image.rect(0, 0, 12, 9, INK)
    for row, (left, right) in enumerate(((3, 9), (4, 8), (5, 7), (6, 6))):
        image.box(left, 3 + row, right, 3 + row, BLACK)
    return image.pixels


def write_bmp(path, image):
    height = len(image)
    width = len(image[0])
    row_bytes = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(image):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_bytes - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "res")
    for suffix, scale in SCALES.items():
        write_bmp(os.path.join(res, f"mode0{suffix}.bmp"), mode_picture(0, scale))
        write_bmp(os.path.join(res, f"mode1{suffix}.bmp"), mode_picture(1, scale))
        write_bmp(os.path.join(res, f"mode_mask{suffix}.bmp"), mode_mask(scale))
        write_bmp(os.path.join(res, f"arrow{suffix}.bmp"), arrow_picture(scale))
        write_bmp(os.path.join(res, f"arrow_mask{suffix}.bmp"), Canvas(13, 10, scale).pixels)


if __name__ == "__main__":
    main()
