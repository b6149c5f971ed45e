// The outline of a character drawn in dots, as the EUDC font stores it: every 4-connected region of ink
// becomes closed contours along the edges of its dots (the outer one clockwise, holes counter-clockwise,
// none touching itself, no point between two in line), so that a rasteriser at N pixels per em turns it
// back into exactly the dots it came from.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "glyphstore/tte_font.h"

// Where the N by N dots lie in a font's em square: the line between dot rows (or columns) k and k + 1 lies
// k * unitsPerEm / N font units below the grid's top (right of its left edge), the top being baselineRow
// dots above the baseline. A font's own writer uses scale 1 and no offset; the stand-in editor may place
// its grid otherwise.
struct TteGrid {
    int unitsPerEm = 2048;
    int size = 64;
    int baselineRow = 56;
    double scale = 1.0;
    int offsetX = 0;  // font units
    int offsetY = 0;
    // The font coordinate of grid line k (and of a place between two lines).
    std::int32_t X(int k) const { return XAt(k); }
    std::int32_t Y(int k) const { return YAt(k); }
    std::int32_t XAt(double k) const;
    std::int32_t YAt(double k) const;
};

// A new font's units per em for N: 32 units a dot (2048 for 64).
inline constexpr int kTteUnitsPerDot = 32;
// A new font's baseline: one eighth of the cell below it.
int NewFontBaselineRow(int size);

// How corners are drawn: square on the dots' edges (exact), rounded (a quadratic arc from one dot before the
// corner to one dot after it, half an edge when it is shorter than two), or as a spline of every corner
// (each an off-curve point, so the curve runs through the middles of the edges and thin strokes lose dots).
enum class TteCorners { Square, Rounded, Spline };

// The contours of a size by size plane (N / 8 bytes a row, bit 0 black).
// kTteOk, or kTteTooComplex with `error` set when the glyph would pass TrueType's limits on points or
// contours (a checkerboard of 184 by 184 dots and more).
int DotsToOutline(std::span<const std::uint8_t> dots, const TteGrid& grid, TteCorners corners,
                  TteOutline& outline, std::string& error);
