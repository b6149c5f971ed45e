// Turns a glyph of the EUDC font into dots: what a TrueType rasteriser shows of it at N pixels per em, in the
// same N by N form as the bitmap file's records. A dot is ink when its centre lies inside the outline or on
// it (non-zero winding, quadratic curves); outlines are scaled to 26.6 pixels the way FreeType and GDI scale
// them, so that an outline drawn on the dot grid comes back as exactly the dots it was drawn from.
#pragma once

#include <cstdint>
#include <vector>

#include "glyphstore/tte_font.h"

// A point already placed on the dots, in 1/64 dot units, y growing downwards (row 0 at the top).
struct TteRasterPoint {
    double x = 0;
    double y = 0;
    bool onCurve = true;
};

// Dots of a size by size picture from contours already placed: rows top to bottom, (size + 7) / 8 bytes a
// row, the leftmost dot in the most significant bit, bit 0 black (so N / 8 bytes a row for the planes).
std::vector<std::uint8_t> RasterizePoints(const std::vector<TteRasterPoint>& points,
                                          const std::vector<std::uint32_t>& contourEnds, int size);

// Where a font's em square lands on the N by N dots: the em's left edge on the left edge of the picture and
// the baseline `baselineRow` rows below its top, the row of the font's ascent rounded to whole dots.
struct TtePlacement {
    int unitsPerEm = 2048;
    int ppem = 64;
    int baselineRow = 56;
};
TtePlacement StandardPlacement(const TteFont& font, int ppem);
// FreeType's and GDI's scale of font units to 26.6 pixels (16.16 fixed point) and its use on a coordinate.
long TteScale(int unitsPerEm, int ppem);
long TteScaleCoordinate(long value, long scale);

// The outline at the placement, `shiftUnits` to the right (in font units, before scaling).
std::vector<std::uint8_t> RasterizeOutline(const TteOutline& outline, const TtePlacement& placement,
                                           int shiftUnits = 0);
// One glyph of the font at ppem with the font's own placement, as a rasteriser shows it: the outline moved
// so that its xMin lies at its left side bearing. kTteOk or the reader's result for the glyph.
int RasterizeGlyph(const TteFont& font, int glyph, int ppem, std::vector<std::uint8_t>& dots);
// The same for a code; kTteNoGlyph when the font has none for it.
int RasterizeCode(const TteFont& font, int code, int ppem, std::vector<std::uint8_t>& dots);
