// The matrix's side of the clipboard, which speaks CF_BITMAP: what it copies is a one-bit GDI bitmap
// of the selection's box, and whatever bitmap another program put there -- any size, any depth -- is
// read back as ink and white, shrunk to the glyph.
#pragma once

#include <windows.h>

#include "editor/paste_convert.h"
#include "editor/selection_ops.h"

// A monochrome bitmap (CreateBitmap) holding the picture; null when it cannot be made. The caller owns it
// until the clipboard takes it.
HBITMAP CreateOneBitBitmap(const OneBitImage& picture);

// Reads the bitmap's pixels through GetDIBits, a band of rows at a time so that a huge picture costs no
// more than one band, into the paste picture for glyph size N: only pure white stays white, and a picture
// larger than the glyph is shrunk onto it. False when the bitmap cannot be read.
bool ReadClipboardBitmap(HBITMAP bitmap, int glyphSize, PasteBitmap& out);
