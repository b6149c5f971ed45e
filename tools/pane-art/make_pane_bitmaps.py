#!/usr/bin/env python3
"""Draws the pictures of the information column's panes and writes them as 24-bit bitmaps.

  src/res/mode0.bmp      78x20  overlay mode pane, transparent chosen (left half lit)
  src/res/mode1.bmp      78x20  overlay mode pane, opaque chosen (right half lit)
  src/res/mode_mask.bmp  78x20  white where the picture shows, black where the pane shows through
  src/res/arrow.bmp      13x10  the drop-down arrow of the tool pane's dot size
  src/res/arrow_mask.bmp 13x10  its mask

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


def canvas(width, height, colour=WHITE):
    return [[colour] * width for _ in range(height)]


def rect(image, left, top, right, bottom, colour, fill=False):
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if fill or y in (top, bottom) or x in (left, right):
                image[y][x] = colour


def mode_picture(chosen):
    image = canvas(78, 20)
    for half in (0, 1):
        x0 = half * 39
        if half == chosen:
            rect(image, x0 + 1, 1, x0 + 37, 18, LIT, fill=True)
            rect(image, x0 + 1, 1, x0 + 37, 18, FRAME)
        # The square behind, then the front one; the opaque side fills the front one.
        rect(image, x0 + 9, 4, x0 + 21, 12, BACK)
        if half == 1:
            rect(image, x0 + 15, 8, x0 + 28, 16, FRONT, fill=True)
        rect(image, x0 + 15, 8, x0 + 28, 16, INK)
    return image


def mode_mask():
    image = canvas(78, 20)
    for x, y in ((0, 0), (77, 0), (0, 19), (77, 19), (38, 0), (39, 0), (38, 19), (39, 19)):
        image[y][x] = BLACK
    return image


def arrow_picture():
    image = canvas(13, 10)
    rect(image, 0, 0, 12, 9, INK)
    for row, (left, right) in enumerate(((3, 9), (4, 8), (5, 7), (6, 6))):
        for x in range(left, right + 1):
            image[3 + row][x] = BLACK
    return image


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
    write_bmp(os.path.join(res, "mode0.bmp"), mode_picture(0))
    write_bmp(os.path.join(res, "mode1.bmp"), mode_picture(1))
    write_bmp(os.path.join(res, "mode_mask.bmp"), mode_mask())
    write_bmp(os.path.join(res, "arrow.bmp"), arrow_picture())
    write_bmp(os.path.join(res, "arrow_mask.bmp"), canvas(13, 10))


if __name__ == "__main__":
    main()
