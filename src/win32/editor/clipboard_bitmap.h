// The matrix's side of the clipboard: what it copies is a one-bit GDI bitmap (CF_BITMAP) of the
// selection's box, and whatever picture another program put there -- a device-independent bitmap of any
// header, depth, bit fields or alpha, which is what most programs offer, else a GDI bitmap -- is read back
// as ink and white, shrunk to the glyph, through the one paste conversion.
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

// Whether the clipboard offers a picture the paste can read.
bool ClipboardHasPicture();

enum class ClipboardReadResult {
    kRead,
    kNoPicture,   // nothing the paste can read
    kUnreadable,  // a picture whose data is damaged or of a kind the conversion refuses
};
// Reads the picture of the open clipboard: the first of CF_DIBV5, CF_DIB (both through ConvertPastedDib) and
// CF_BITMAP that the program which filled it put there.
ClipboardReadResult ReadClipboardPicture(int glyphSize, PasteBitmap& out);
