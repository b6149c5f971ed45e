#!/usr/bin/env python3
"""Draws the matrix view's twelve mouse cursors and writes them as monochrome .cur files.

Each cursor is a 32x32 ASCII-art grid below, one string per row, with these inks:

  '#'  black
  '.'  white
  ' '  transparent (the screen shows through)
  '~'  inverted screen

A .cur file holds one 32x32 image with 1 bit per pixel: an XOR mask (the colour) and an AND
mask (1 = keep the screen), which encode the four inks as AND/XOR 0/0, 0/1, 1/0 and 1/1. The
hotspot is stored in the file's directory entry and is the pixel that points; each cursor names
its own.

The cursors with a modifier badge (plus for adding, minus for removing) are built from the plain
cursor with the badge laid over one corner, so the shapes always match.

Only the Python standard library is used. The generated .cur files are committed, so building
the program never needs Python; run this script again after changing a grid:

    python3 tools/cursor-art/make_cursors.py [--preview preview.png]

--preview also writes a PNG of every cursor read back from the written files, enlarged four
times, on a light and on a dark background, with the hotspot framed in red.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 32

# Plain arrow, tip at (12, 8).
ARROW = [
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "            #                   ",
    "            ##                  ",
    "            #.#                 ",
    "            #..#                ",
    "            #...#               ",
    "            #....#              ",
    "            #.....#             ",
    "            #......#            ",
    "            #.......#           ",
    "            #........#          ",
    "            #.........#         ",
    "            #......#####        ",
    "            #..#...#            ",
    "            #.# #...#           ",
    "            ##  #...#           ",
    "            #    #...#          ",
    "                 #...#          ",
    "                  ###           ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]

# Placing a pasted image: an arrow pointing down to the left, tip at (8, 23), and beside it a
# curved arrow that comes round from above and points into it.
PASTE = [
    "                                ",
    "                     #######    ",
    "                    #.......#   ",
    "                     #######.#  ",
    "                            #.# ",
    "                             #.#",
    "                             #.#",
    "                             #.#",
    "                     #       #.#",
    "                    #.#      #.#",
    "             ##    #..#     #.# ",
    "        #   #..#  #...######.#  ",
    "        ## #..#  #..........#   ",
    "        #.#..#    #...######    ",
    "        #....####  #..#         ",
    "        #.......#   #.#         ",
    "        #......#     #          ",
    "        #.....#                 ",
    "        #....#                  ",
    "        #...#                   ",
    "        #..#                    ",
    "        #.#                     ",
    "        ##                      ",
    "        #                       ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]

# Open hand over a selection that can be moved; the palm's centre (16, 18) points.
OPEN_HAND = [
    "                                ",
    "             ###                ",
    "            #...####            ",
    "         ####...#...#           ",
    "        #...#...#...#           ",
    "        #...#...#...####        ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "  ##    #...............#       ",
    " #..#   #...............#       ",
    " #...#  #...............#       ",
    "  #...# #...............#       ",
    "   #...##...............#       ",
    "    #...................#       ",
    "     #..................#       ",
    "      #.................#       ",
    "       #...............#        ",
    "        #..............#        ",
    "        #.............#         ",
    "         #............#         ",
    "         #...........#          ",
    "          #..........#          ",
    "          #..........#          ",
    "          ############          ",
    "                                ",
    "                                ",
    "                                ",
]

# Closed hand while a selection is being dragged; (16, 20) points.
CLOSED_HAND = [
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "         ### ### ###            ",
    "        #...#...#...####        ",
    "        #...#...#...#...#       ",
    "        #...#...#...#...#       ",
    "     ####...#...#...#...#       ",
    "    #.......###.........#       ",
    "    #..........#........#       ",
    "     #.........#........#       ",
    "      #########.........#       ",
    "      #.................#       ",
    "       #................#       ",
    "       #...............#        ",
    "        #..............#        ",
    "        #.............#         ",
    "         #............#         ",
    "         #...........#          ",
    "          #..........#          ",
    "          #..........#          ",
    "          ############          ",
    "                                ",
    "                                ",
    "                                ",
]

# Pencil, writing with the point of its lead at (9, 22).
PENCIL = [
    "                                ",
    "                          #     ",
    "                         #.#    ",
    "                        #...#   ",
    "                       #.....#  ",
    "                      #.......# ",
    "                     ###.....#  ",
    "                    #.###...#   ",
    "                   #...###.#    ",
    "                  #...#.###     ",
    "                 #...#...#      ",
    "                #...#...#       ",
    "               #...#...#        ",
    "              #...#...#         ",
    "             #...#...#          ",
    "            #...#...#           ",
    "            ##.#...#            ",
    "            #.#...#             ",
    "           #...#.#              ",
    "           #..###               ",
    "          ####                  ",
    "          ##                    ",
    "         #                      ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]

# Thin cross for the shape and rectangle-selection tools; its centre (15, 15) points and is an
# inverted pixel. The lines are black with a white edge so that they show on black dots as well
# as on white ones, and they stop short of the centre so that the dot under it stays visible.
CROSS = [
    "                                ",
    "                                ",
    "                                ",
    "              ...               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              ...               ",
    "                                ",
    "   ..........     ..........    ",
    "   .########.  ~  .########.    ",
    "   ..........     ..........    ",
    "                                ",
    "              ...               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              .#.               ",
    "              ...               ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]

# Paint bucket with its handle, tipped over; the drop of paint running from its lip ends at (9, 21).
BUCKET = [
    "                                ",
    "              ......            ",
    "             .######.           ",
    "            .##....##.          ",
    "           .#..    ..#.         ",
    "          .#.      ####         ",
    "         .##.    ##...#         ",
    "         .#.   ##.....##        ",
    "         .#.  #.......##        ",
    "         .#. #.......#..#       ",
    "         .#.#.......#...#       ",
    "         .##.......#....#       ",
    "          #.......#......#      ",
    "          ##....##.......#      ",
    "          #####...........#     ",
    "         .####............#     ",
    "        .##.##............#     ",
    "        .##. #...........#      ",
    "       .###.  #.........#       ",
    "       .###.   #......##        ",
    "       .###.    #...##          ",
    "        .#.      ###            ",
    "         .                      ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]

# Ring with a handle for the automatic selection; the ring's centre (11, 11) points.
WAND = [
    "                                ",
    "                                ",
    "                                ",
    "        #######                 ",
    "       #.......#                ",
    "     ##.........##              ",
    "     #...#####...#              ",
    "    #...#     #...#             ",
    "   #...#       #...#            ",
    "   #..#         #..#            ",
    "   #..#         #..#            ",
    "   #..#         #..#            ",
    "   #..#         #..#            ",
    "   #..#         #..#            ",
    "   #...#       #...#            ",
    "    #...#     #...#             ",
    "     #...#####...#              ",
    "     ##.........#.#             ",
    "       #.......# #.##           ",
    "        #######   #..#          ",
    "                  #...#         ",
    "                   #...#        ",
    "                    #...#       ",
    "                     #...#      ",
    "                      #...#     ",
    "                       #...#    ",
    "                        #...#   ",
    "                         #.#    ",
    "                          #     ",
    "                                ",
    "                                ",
    "                                ",
]

# Badges that a modifier key lays over a corner: Shift adds to, Alt removes from the result.
PLUS_BADGE = [
    "  ...  ",
    "  .#.  ",
    "...#...",
    ".#####.",
    "...#...",
    "  .#.  ",
    "  ...  ",
]

MINUS_BADGE = [
    ".......",
    ".#####.",
    ".......",
]


def with_badge(grid, badge, left, top):
    """The grid with the badge laid over it, its top left corner at (left, top); the badge's
    transparent pixels leave the grid as it is."""
    rows = [list(row) for row in grid]
    for dy, badge_row in enumerate(badge):
        for dx, ink in enumerate(badge_row):
            if ink != " ":
                rows[top + dy][left + dx] = ink
    return ["".join(row) for row in rows]


# (resource id, file name, hotspot x, y, grid)
CURSORS = [
    (176, "open_hand.cur", (16, 18), OPEN_HAND),
    (177, "closed_hand.cur", (16, 20), CLOSED_HAND),
    (178, "pencil.cur", (9, 22), PENCIL),
    (179, "arrow.cur", (12, 8), ARROW),
    (180, "cross.cur", (15, 15), CROSS),
    (181, "bucket.cur", (9, 21), BUCKET),
    (182, "wand.cur", (11, 11), WAND),
    (183, "cross_plus.cur", (15, 15), with_badge(CROSS, PLUS_BADGE, 21, 21)),
    (184, "cross_minus.cur", (15, 15), with_badge(CROSS, MINUS_BADGE, 21, 23)),
    (185, "wand_minus.cur", (11, 11), with_badge(WAND, MINUS_BADGE, 2, 24)),
    (186, "wand_plus.cur", (11, 11), with_badge(WAND, PLUS_BADGE, 2, 22)),
    (187, "paste.cur", (8, 23), PASTE),
]

# ink -> (AND bit, XOR bit)
INK_BITS = {"#": (0, 0), ".": (0, 1), " ": (1, 0), "~": (1, 1)}


def check_grid(name, grid, hotspot):
    if len(grid) != SIZE or any(len(row) != SIZE for row in grid):
        sys.exit(f"{name}: the grid must be {SIZE} rows of {SIZE} characters")
    bad = {ink for row in grid for ink in row} - set(INK_BITS)
    if bad:
        sys.exit(f"{name}: unknown inks {sorted(bad)}")
    x, y = hotspot
    if not (0 <= x < SIZE and 0 <= y < SIZE):
        sys.exit(f"{name}: hotspot outside the image")


def pack_rows(grid, bit_index):
    """One mask as stored in the file: bottom row first, 1 bit a pixel, most significant bit
    leftmost, 4 bytes a row (32 pixels need no padding)."""
    out = bytearray()
    for row in reversed(grid):
        value = 0
        for ink in row:
            value = (value << 1) | INK_BITS[ink][bit_index]
        out += struct.pack(">I", value)
    return bytes(out)


def encode_cur(grid, hotspot):
    xor_mask = pack_rows(grid, 1)
    and_mask = pack_rows(grid, 0)
    # The image is a DIB whose height counts both masks; colour 0 black, colour 1 white.
    mask_bytes = len(xor_mask) + len(and_mask)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, mask_bytes, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor_mask + and_mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return directory + entry + image


def decode_cur(data):
    """Reads a file written by encode_cur back into (grid, hotspot), so the preview shows what
    the files really hold."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 2 or count != 1:
        raise ValueError("not a single-image cursor file")
    width, height, _, _, hot_x, hot_y, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    header_size, dib_width, dib_height, planes, bits = struct.unpack_from("<IiiHH", data, offset)
    found = (width, height, header_size, dib_width, dib_height, planes, bits)
    if found != (SIZE, SIZE, 40, SIZE, 2 * SIZE, 1, 1):
        raise ValueError("not a 32x32 monochrome cursor")
    if offset + size > len(data):
        raise ValueError("image data truncated")
    masks = offset + header_size + 8
    row_bytes = SIZE // 8
    inks = {bits: ink for ink, bits in INK_BITS.items()}
    grid = []
    for y in range(SIZE):
        stored = SIZE - 1 - y
        (xor_row,) = struct.unpack_from(">I", data, masks + stored * row_bytes)
        (and_row,) = struct.unpack_from(">I", data, masks + (SIZE + stored) * row_bytes)
        row = ""
        for x in range(SIZE):
            shift = SIZE - 1 - x
            row += inks[((and_row >> shift) & 1, (xor_row >> shift) & 1)]
        grid.append(row)
    return grid, (hot_x, hot_y)


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b) tuples; 8-bit truecolour PNG."""

    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)

    raw = b"".join(b"\x00" + bytes(channel for pixel in row for channel in pixel) for row in pixels)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def write_preview(path, cursors, scale=4, gap=8):
    """A row of cursors on a light background above the same row on a dark one."""
    backgrounds = [(236, 236, 236), (40, 44, 52)]
    frame = (128, 128, 128)
    hotspot_colour = (230, 0, 0)
    cell = SIZE * scale
    width = gap + len(cursors) * (cell + gap)
    height = gap + len(backgrounds) * (cell + gap)
    pixels = [[frame] * width for _ in range(height)]
    for band, background in enumerate(backgrounds):
        for index, (grid, (hot_x, hot_y)) in enumerate(cursors):
            left = gap + index * (cell + gap)
            top = gap + band * (cell + gap)
            for y in range(SIZE):
                for x in range(SIZE):
                    ink = grid[y][x]
                    colour = {
                        "#": (0, 0, 0),
                        ".": (255, 255, 255),
                        " ": background,
                        "~": tuple(255 - c for c in background),
                    }[ink]
                    x0 = left + x * scale
                    for dy in range(scale):
                        pixels[top + y * scale + dy][x0 : x0 + scale] = [colour] * scale
            # Frame the hotspot pixel.
            x0, y0 = left + hot_x * scale - 1, top + hot_y * scale - 1
            x1, y1 = x0 + scale + 1, y0 + scale + 1
            for k in range(x0, x1 + 1):
                pixels[y0][k] = pixels[y1][k] = hotspot_colour
            for k in range(y0, y1 + 1):
                pixels[k][x0] = pixels[k][x1] = hotspot_colour
    write_png(path, width, height, pixels)


def main():
    repo = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument(
        "--out", default=os.path.join(repo, "src", "res", "cursors"), help="folder for the .cur files"
    )
    parser.add_argument("--preview", help="also write this PNG preview")
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    written = []
    for resource_id, name, hotspot, grid in CURSORS:
        check_grid(name, grid, hotspot)
        data = encode_cur(grid, hotspot)
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(data)
        with open(path, "rb") as f:
            read_back = decode_cur(f.read())
        if read_back != (grid, hotspot):
            sys.exit(f"{name}: the written file does not read back as drawn")
        written.append((resource_id, read_back))
        print(f"{resource_id} {path}")
    if args.preview:
        write_preview(args.preview, [cursor for _, cursor in sorted(written)])
        print(f"preview {args.preview}")


if __name__ == "__main__":
    main()
