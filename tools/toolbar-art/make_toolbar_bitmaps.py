#!/usr/bin/env python3
"""Draws the main window's tool bar button images and writes them as two bitmap strips.

The tool bar shows one 24x24 image per button, left to right in button order, so each strip is
(number of buttons x 24) pixels wide and 24 high:

  src/res/toolbar.bmp    16 colours, standard VGA palette, background RGB(192,192,192) (the button
                         face colour, which the tool bar maps to the system colour). Used on displays
                         with 8 bits per pixel or fewer.
  src/res/toolbar24.bmp  24-bit colour; every background pixel is RGB(198,199,198), the colour the
                         main window names as transparent when it builds its image list.
  src/res/toolbar24_150.bmp, src/res/toolbar24_200.bmp
                         the same 24-bit strip for 144 and 192 DPI: 36 and 48 pixels a button. The
                         48-pixel images double every pixel. The 36-pixel ones turn each 2x2 block of
                         the grid into 3x3 pixels; a pixel between two grid cells of different inks
                         takes the ink over the background and the darker of two inks, so every
                         one-pixel line of the grid comes out two pixels wide and no line is lost.

Every image is an ASCII-art grid below; each character names an ink from INKS, which gives the
ink's VGA palette index for the 16-colour strip and its RGB value for the true-colour strip.
The two strips therefore always show the same shapes.

Only the Python standard library is used. The generated .bmp files are committed, so building the
program never needs Python; run this script again after changing a grid:

    python3 tools/toolbar-art/make_toolbar_bitmaps.py [--preview preview.png]

--preview also writes a PNG with both strips enlarged four times, for looking at the result.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 24

# The 16 colours of the standard VGA palette, in palette-index order.
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

BACKGROUND_16 = 7  # RGB(192,192,192), the classic button face
BACKGROUND_24 = (198, 199, 198)  # the image list's transparent colour

# Grid character -> (VGA index for the 16-colour strip, RGB for the true-colour strip).
# The true-colour values are softer than the VGA ones; none may equal BACKGROUND_24.
INKS = {
    ".": (BACKGROUND_16, BACKGROUND_24),  # background
    "k": (0, (24, 24, 24)),  # black: outlines, ink of the glyph
    "d": (8, (112, 112, 120)),  # dark grey
    "s": (7, (222, 222, 222)),  # light grey (merges with the button face in 16 colours)
    "w": (15, (255, 255, 255)),  # white
    "n": (4, (16, 48, 128)),  # navy: outlines of blue shapes, title bars
    "b": (12, (64, 128, 224)),  # blue
    "c": (15, (176, 220, 250)),  # pale blue: glass (white in 16 colours)
    "r": (9, (220, 36, 36)),  # red
    "m": (1, (128, 16, 16)),  # maroon: outlines of red shapes
    "y": (11, (255, 216, 48)),  # yellow
    "o": (3, (176, 120, 16)),  # dark yellow: outlines and shading of yellow shapes
    "e": (9, (240, 128, 150)),  # pink: pencil eraser (red in 16 colours)
    "h": (15, (240, 204, 150)),  # bare wood of a sharpened pencil
}

# (command id, what the button does, image). Order = order of the buttons on the tool bar.
ICONS = [
    (57600, "new editor window: a window with a dot-matrix glyph and a sparkle", [
        "........................",
        "...................o....",
        "..................oyo...",
        "..................oyo...",
        "................ooyyyoo.",
        "...............oyyywyyyo",
        ".kkkkkkkkkkkkkkkkooyyyoo",
        ".knnnnnnnnnnnnnnnnkoyo..",
        ".knnnnnnnnnnnnnnnnkoyo..",
        ".kwwwwwwwwwwwwwwwwk.o...",
        ".kwwwwkkwkkwkkwwwwk.....",
        ".kwwwwkkwkkwkkwwwwk.....",
        ".kwwwwwwwwwwwwwwwwk.....",
        ".kwwwwwwwkkwwwwwwwk.....",
        ".kwwwwwwwkkwwwwwwwk.....",
        ".kwwwwwwwwwwwwwwwwk.....",
        ".kwwwwwwwkkwwwwwwwk.....",
        ".kwwwwwwwkkwwwwwwwk.....",
        ".kwwwwwwwwwwwwwwwwk.....",
        ".kwkkwkkwkkwkkwkkwk.....",
        ".kwkkwkkwkkwkkwkkwk.....",
        ".kwwwwwwwwwwwwwwwwk.....",
        ".kkkkkkkkkkkkkkkkkk.....",
        "........................",
    ]),
    (32824, "save: a floppy disk", [
        "........................",
        "........................",
        "........................",
        "...kkkkkkkkkkkkkkkkk....",
        "...knnwwwwwwwwwwwwnnk...",
        "...knnwwwwwwwwwwwwnnk...",
        "...knnwbbbbbbbbbbwnnk...",
        "...knnwwwwwwwwwwwwnnk...",
        "...knnwbbbbbbbbbbwnnk...",
        "...knnwwwwwwwwwwwwnnk...",
        "...knnwwwwwwwwwwwwnnk...",
        "...knnnnnnnnnnnnnnnnk...",
        "...knnnnnnnnnnnnnnnnk...",
        "...knnnnssssssssssnnk...",
        "...knnnnssssssssssnnk...",
        "...knnnnssssssnnssnnk...",
        "...knnnnssssssnnssnnk...",
        "...knnnnssssssnnssnnk...",
        "...knnnnssssssnnssnnk...",
        "...knnnnssssssssssnnk...",
        "...kkkkkkkkkkkkkkkkkk...",
        "........................",
        "........................",
        "........................",
    ]),
    (57643, "undo: an arrow turning back to the left", [
        "........................",
        "........................",
        "........................",
        "........................",
        "........................",
        "..........nnnnnnn.......",
        "........nnbbbbbbbnn.....",
        ".......nbbbbbbbbbbbn....",
        "......nbbbbbbbbbbbbbn...",
        ".....nbbbbnnnnnnnbbbbn..",
        ".....nbbbn.......nbbbn..",
        "..nnnnbbbnnnn....nbbbn..",
        ".nbbbbbbbbbbbn...nbbbn..",
        "..nbbbbbbbbbn....nbbbn..",
        "...nbbbbbbbn.....nbbbn..",
        "....nbbbbbn......nbbbn..",
        ".....nbbbn.......nbbbn..",
        "......nbn........nbbbn..",
        ".......n..........nnn...",
        "........................",
        "........................",
        "........................",
        "........................",
        "........................",
    ]),
    (57644, "redo: an arrow turning back to the right", "mirror:57643"),
    (32818, "move: arrows in four directions", [
        "........................",
        "...........kk...........",
        "..........kkkk..........",
        ".........kkkkkk.........",
        "........kkkkkkkk........",
        "...........kk...........",
        "...........kk...........",
        "...........kk...........",
        "....k......kk......k....",
        "...kk......kk......kk...",
        "..kkk......kk......kkk..",
        ".kkkkkkkkkkkkkkkkkkkkkk.",
        ".kkkkkkkkkkkkkkkkkkkkkk.",
        "..kkk......kk......kkk..",
        "...kk......kk......kk...",
        "....k......kk......k....",
        "...........kk...........",
        "...........kk...........",
        "...........kk...........",
        "........kkkkkkkk........",
        ".........kkkkkk.........",
        "..........kkkk..........",
        "...........kk...........",
        "........................",
    ]),
    (32779, "pen: a pencil, tip at the lower left", [
        "........................",
        "...................kk...",
        "..................keek..",
        ".................keeeek.",
        "................ksseeek.",
        "...............kwsssek..",
        "..............kwyyssk...",
        ".............kwyyyok....",
        "............kwyyyok.....",
        "...........kwyyyok......",
        "..........kwyyyok.......",
        ".........kwyyyok........",
        "........kwyyyok.........",
        ".......kwyyyok..........",
        "......kwyyyok...........",
        ".....khyyyok............",
        ".....khhyok.............",
        ".....hhhhk..............",
        "....khhkk...............",
        "...kkk..................",
        "...kk...................",
        "..k.....................",
        "........................",
        "........................",
    ]),
    (32780, "line: a straight diagonal line", [
        "........................",
        "........................",
        "........................",
        "...................k....",
        "..................kkk...",
        ".................kkk....",
        "................kkk.....",
        "...............kkk......",
        "..............kkk.......",
        ".............kkk........",
        "............kkk.........",
        "...........kkk..........",
        "..........kkk...........",
        ".........kkk............",
        "........kkk.............",
        ".......kkk..............",
        "......kkk...............",
        ".....kkk................",
        "....kkk.................",
        "...kkk..................",
        "....k...................",
        "........................",
        "........................",
        "........................",
    ]),
    (32781, "rectangle: a rectangle outline", [
        "........................",
        "........................",
        "........................",
        "........................",
        "........................",
        "...kkkkkkkkkkkkkkkkkk...",
        "...kkkkkkkkkkkkkkkkkk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kk..............kk...",
        "...kkkkkkkkkkkkkkkkkk...",
        "...kkkkkkkkkkkkkkkkkk...",
        "........................",
        "........................",
        "........................",
        "........................",
        "........................",
    ]),
    (32783, "circle: a circle outline", [
        "........................",
        "........................",
        ".........kkkkk..........",
        ".......kkkkkkkkk........",
        ".....kkkk.....kkkk......",
        "....kkk.........kkk.....",
        "....kk...........kk.....",
        "...kk.............kk....",
        "...kk.............kk....",
        "..kk...............kk...",
        "..kk...............kk...",
        "..kk...............kk...",
        "..kk...............kk...",
        "..kk...............kk...",
        "...kk.............kk....",
        "...kk.............kk....",
        "....kk...........kk.....",
        "....kkk.........kkk.....",
        ".....kkkk.....kkkk......",
        ".......kkkkkkkkk........",
        ".........kkkkk..........",
        "........................",
        "........................",
        "........................",
    ]),
    (32782, "fill: a tipped paint bucket pouring", [
        "........................",
        "........................",
        "..........dddd..........",
        ".........d....d.........",
        "........d......d........",
        ".......kkd......d.......",
        "......kwwbk.....d.......",
        ".....kwwwwbk....d.......",
        "....kwwwwwsbk...d.......",
        "...kwwwwwwssbk..d.......",
        "..kwwwwwwssssbkd........",
        ".kwwwwwwsssssssbb.......",
        "..kwwwwwssssssskbb......",
        "...kwwwsssssssk.bbb.....",
        "....kwwssssssk..bbb.....",
        ".....kwsssssk...bbb.....",
        "......kssssk.....b......",
        ".......kssk.............",
        "........kk.......b......",
        "................bbb.....",
        "................bbb.....",
        ".................b......",
        "........................",
        "........................",
    ]),
    (32814, "window zoom: a magnifying glass with a plus", [
        "........................",
        "......kkkkk.............",
        "....kkkkkkkkk...........",
        "...kkkccccckkk..........",
        "..kkwwccccccckk.........",
        "..kkwccckcccckk.........",
        ".kkccccckccccckk........",
        ".kkccccckccccckk........",
        ".kkcckkkkkkkcckk........",
        ".kkccccckccccckk........",
        ".kkccccckccccckk........",
        "..kkcccckcccckk.........",
        "..kkccccccccckk.........",
        "...kkkccccckkkk.........",
        "....kkkkkkkkkkkk........",
        "......kkkkk..kkkk.......",
        ".............kkkkk......",
        "..............kkkkk.....",
        "...............kkkkk....",
        "................kkkkk...",
        ".................kkkk...",
        "..................kk....",
        "........................",
        "........................",
    ]),
    (32787, "deselect: a dashed selection frame crossed out", [
        "........................",
        "........................",
        "..kkwwkkwwkkwwkk........",
        "..k.............k.......",
        "..w.............w.......",
        "..w.............w.......",
        "..k.............k.......",
        "..k.............k.......",
        "..w.............w.......",
        "..w.............w.......",
        "..k.............k.......",
        "..k..........mm.k...mm..",
        "..w.........mrrmw..mrrm.",
        "..w..........mrrm.mrrm..",
        "..k...........mrrmrrm...",
        "..k............mrrrm....",
        "..kkwwkkwwkkwwkmrrrm....",
        "..............mrrmrrm...",
        ".............mrrm.mrrm..",
        "............mrrm...mrrm.",
        "............mrm.....mrm.",
        ".............m.......m..",
        "........................",
        "........................",
    ]),
    (32785, "rectangle selection: a dashed selection frame", [
        "........................",
        "........................",
        "........................",
        "...kkwwkkwwkkwwkkwwkk...",
        "...k................k...",
        "...w................w...",
        "...w................w...",
        "...k................k...",
        "...k................k...",
        "...w................w...",
        "...w................w...",
        "...k................k...",
        "...k................k...",
        "...w................w...",
        "...w................w...",
        "...k................k...",
        "...k................k...",
        "...w................w...",
        "...w................w...",
        "...kkwwkkwwkkwwkkwwkk...",
        "........................",
        "........................",
        "........................",
        "........................",
    ]),
    (32786, "automatic selection: a magic wand with sparkles", [
        "........................",
        "...........o............",
        "..........oyo...........",
        "........ooyyyoo.....o...",
        ".......oyyywyyyo...oyo..",
        "........ooyyyoo.....o...",
        "..........oyo...........",
        "...........o...kk.......",
        "..............kwwk......",
        ".............kwwwk..o...",
        "............kwwwk..oyo..",
        "...........kkwwk....o...",
        "..........kkkkk.........",
        ".........kkkk...........",
        "........kkkk............",
        ".......kkkk.............",
        "......kkkk..............",
        ".....kkkk...............",
        "....kkkk................",
        "...kkkk.................",
        "..kkkk..................",
        "..kkk...................",
        "........................",
        "........................",
    ]),
    (32775, "gaiji manager tool: a character tile and a gear", [
        "........................",
        ".kkkkkkkkkkkkkkk........",
        ".kwwwwwwwwwwwwwk........",
        ".kwwwwwwkwwwwwwk........",
        ".kwkkkkkkkkkkkwk........",
        ".kwkwwwwwwwwwkwk........",
        ".kwwwkkkkkkkwwwk........",
        ".kwwwwwwwwkwwwwk........",
        ".kwwwwwwwkwwwwwk........",
        ".kwwwwwwkwwwwwwk........",
        ".kwkkkkkkkkkkkwk........",
        ".kwwwwwwkwwwwwwkkkk.....",
        ".kwwwwwwkwwwwkkkkdk.kk..",
        ".kwwwwkkkwwwkddkkdkkddk.",
        ".kwwwwwwwwwwkdddddddddk.",
        ".kkkkkkkkkkkkkddkkkddk..",
        "...........kkkdk...kdkkk",
        "...........kdddk...kdddk",
        "...........kkkdk...kdkkk",
        ".............kddkkkddk..",
        "............kdddddddddk.",
        "............kddkkdkkddk.",
        ".............kk.kdk.kk..",
        "................kkk.....",
    ]),
    (32776, "user gaiji list: a table of character cells", [
        "........................",
        "........................",
        "..ddddddddddddddddddd...",
        "..dwwkwwdkkkkkdkkkkkd...",
        "..dkkkkkdwwkwwdkwwwkd...",
        "..dwwkwwdwwkwwdkwwwkd...",
        "..dwwkwwdwwkwwdkwwwkd...",
        "..dwwkwwdkkkkkdkkkkkd...",
        "..ddddddddddddddddddd...",
        "..dkkkkkdnnwnndwwkwwd...",
        "..dkwwwkdnwwwndkwkwkd...",
        "..dkkkkkdnnwnndkwkwkd...",
        "..dkwwwkdnnwnndkwkwkd...",
        "..dkkkkkdwwwwwdkkkkkd...",
        "..ddddddddddddddddddd...",
        "..dkkkkkdwwkwwdkkkkkd...",
        "..dkwkwkdwwkkwdwwkwwd...",
        "..dkkkkkdwwkwwdwkkkwd...",
        "..dkwkwkdwwkwwdwwkwwd...",
        "..dkkkkkdkkkkkdkkkkkd...",
        "..ddddddddddddddddddd...",
        "........................",
        "........................",
        "........................",
    ]),
    (32828, "find the standard character: a drawn character tile under a magnifying glass", [
        "........................",
        ".dddddddddddd...........",
        ".dwwwwwwwwwwd...........",
        ".dwwwwkwwwwwd...........",
        ".dwkkkkkkkkwd...........",
        ".dwkwwwwwwkwd...........",
        ".dwwkkkkkkwwd...........",
        ".dwwwwwkwwwwd...........",
        ".dwkkkkkkkkwd...........",
        ".dwwwwwkwwwnnnnn........",
        ".dwwwwkkwwnnccccnn......",
        ".dwwwwwwwnccwcccccn.....",
        ".ddddddddnwccccccbn.....",
        ".........nccccccccbn....",
        ".........ncccccccbbn....",
        ".........nccccccbbbn....",
        "..........ncccbbbbn.....",
        "..........nnbbbbbnn.....",
        "............nnnnnkk.....",
        "..................kk....",
        "...................kk...",
        "....................kk..",
        ".....................kk.",
        "........................",
    ]),
]


def resolve_images():
    """Returns [(command id, rows)] with mirrored images expanded and every grid checked."""
    by_id = {}
    result = []
    for command, what, art in ICONS:
        if isinstance(art, str):
            kind, source = art.split(":")
            if kind != "mirror":
                raise ValueError(f"{command}: unknown derivation {art!r}")
            rows = [row[::-1] for row in by_id[int(source)]]
        else:
            rows = art
        if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
            bad = [i for i, row in enumerate(rows) if len(row) != SIZE]
            raise ValueError(f"{command} ({what}): grid must be {SIZE}x{SIZE}; bad rows {bad}")
        unknown = set("".join(rows)) - set(INKS)
        if unknown:
            raise ValueError(f"{command} ({what}): unknown inks {sorted(unknown)}")
        by_id[command] = rows
        result.append((command, rows))
    return result


def strip_pixels(images):
    """The strip as rows (top first) of grid characters, images side by side."""
    height = len(images[0][1])
    return ["".join(rows[y] for _, rows in images) for y in range(height)]


def darkness(ch):
    r, g, b = INKS[ch][1]
    return 255 * 3 - (r + g + b)


def stronger(a, b):
    """The ink a pixel between two grid cells takes: ink over background, then the darker ink."""
    if a == b or b == ".":
        return a
    if a == ".":
        return b
    return a if darkness(a) >= darkness(b) else b


def doubled(rows):
    return ["".join(ch * 2 for ch in row) for row in rows for _ in range(2)]


def one_and_a_half(rows):
    """Each 2x2 block a b / c d of the grid as 3x3 pixels, the middle ones from their neighbours."""
    size = len(rows)
    out = []
    for y in range(0, size, 2):
        top, bottom = rows[y], rows[y + 1]
        lines = ["", "", ""]
        for x in range(0, size, 2):
            a, b, c, d = top[x], top[x + 1], bottom[x], bottom[x + 1]
            ab, cd, ac, bd = stronger(a, b), stronger(c, d), stronger(a, c), stronger(b, d)
            middle = stronger(ab, cd)
            lines[0] += a + ab + b
            lines[1] += ac + middle + bd
            lines[2] += c + cd + d
        out += lines
    return out


def bmp_bytes(width, height, bits, palette, row_bytes_of):
    """A bottom-up BMP with a BITMAPINFOHEADER; row_bytes_of(y) gives the unpadded row y (top = 0)."""
    stride = (width * bits + 31) // 32 * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        row = row_bytes_of(y)
        pixels += row + bytes(stride - len(row))
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colour_table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                              len(palette), 0)
    return file_header + info_header + colour_table + bytes(pixels)


def bmp_16_colours(strip):
    width = len(strip[0])

    def row_bytes(y):
        indices = [INKS[ch][0] for ch in strip[y]] + [0]
        return bytes(indices[x] << 4 | indices[x + 1] for x in range(0, width, 2))

    return bmp_bytes(width, SIZE, 4, VGA_PALETTE, row_bytes)


def bmp_true_colour(strip):
    def row_bytes(y):
        return b"".join(bytes((b, g, r)) for r, g, b in (INKS[ch][1] for ch in strip[y]))

    return bmp_bytes(len(strip[0]), len(strip), 24, [], row_bytes)


def png_bytes(rgb_rows):
    """An 8-bit RGB PNG from rows of (r, g, b) tuples."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rgb_rows)
    header = struct.pack(">IIBBBBB", len(rgb_rows[0]), len(rgb_rows), 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + \
        chunk(b"IEND", b"")


def preview_png(strip, scale=4, gap=8):
    """Both strips enlarged: 16 colours on top, true colour below, on a white sheet."""
    rows = []
    blank = [(255, 255, 255)] * (len(strip[0]) * scale)
    for colour_of in (lambda ch: VGA_PALETTE[INKS[ch][0]], lambda ch: INKS[ch][1]):
        for y in range(SIZE):
            row = [colour_of(ch) for ch in strip[y] for _ in range(scale)]
            rows += [row] * scale
        rows += [blank] * gap
    return png_bytes(rows[:-gap])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.normpath(os.path.join(here, "..", "..", "src", "res"))
    parser = argparse.ArgumentParser(description="Writes the tool bar bitmap strips.")
    parser.add_argument("--out-dir", default=default_out, help="folder for the strips")
    parser.add_argument("--preview", help="also write a PNG of both strips enlarged four times")
    args = parser.parse_args()

    for ch, (index, rgb) in INKS.items():
        if ch != "." and rgb == BACKGROUND_24:
            sys.exit(f"ink {ch!r} equals the transparent colour")
    images = resolve_images()
    strip = strip_pixels(images)
    outputs = {"toolbar.bmp": bmp_16_colours(strip), "toolbar24.bmp": bmp_true_colour(strip)}
    for name, scale in (("toolbar24_150.bmp", one_and_a_half), ("toolbar24_200.bmp", doubled)):
        outputs[name] = bmp_true_colour(strip_pixels([(command, scale(rows)) for command, rows in images]))
    if args.preview:
        outputs[os.path.abspath(args.preview)] = preview_png(strip)
    for name, data in outputs.items():
        path = os.path.join(args.out_dir, name)
        with open(path, "wb") as f:
            f.write(data)
        print(f"wrote {path} ({len(data)} bytes)")


if __name__ == "__main__":
    main()
