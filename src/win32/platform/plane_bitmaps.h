// The GDI side of a character's dots: drawing a dot plane into a cell at any size, and the one-bit bitmap
// that the clipboard takes (the editor's paste reads it).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

// Draws an N by N plane (bit 0 black) stretched into the destination rectangle. Shrinking keeps every
// black dot that falls on a pixel, so thin strokes stay visible at small sizes.
void DrawPlane(HDC dc, const RECT& destination, std::span<const std::uint8_t> plane, int glyphSize);

// A monochrome bitmap (CreateBitmap, one plane, one bit a pixel) of the plane; the caller owns it.
HBITMAP CreatePlaneBitmap(std::span<const std::uint8_t> plane, int glyphSize);

// Puts the plane on the clipboard as CF_BITMAP for owner; false when the clipboard could not be taken.
bool CopyPlaneToClipboard(HWND owner, std::span<const std::uint8_t> plane, int glyphSize);
