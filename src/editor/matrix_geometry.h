// The matrix view draws each dot as a p by p cell behind 1-pixel grid lines, tints cells for the
// selection, the sample layer and a move in progress, and maps mouse pixels back to dots. Those rules
// decide what the user sees and where a click lands, so they live here, apart from GDI: the Win32 painter
// and mouse handlers call these functions, and the tests check the very same ones.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "base/kf_types.h"
#include "editor/dot_plane.h"

class IProfileStore;

// Pixels between the client edge and the first grid line.
inline constexpr int kMatrixMargin = 6;
// Ordinary grid lines; every Grid_X-th / Grid_Y-th line uses the grid colour instead.
inline constexpr ColorRef kGridGray = MakeColorRef(192, 192, 192);

struct DotPoint {
    int x = 0;
    int y = 0;
    bool operator==(const DotPoint&) const = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// Right and bottom exclusive, like a Windows RECT.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CellRect&) const = default;
};

// One grid line as MoveTo(from) / LineTo(to) draws it (the end pixel is not drawn).
struct GridLine {
    PixelPoint from;
    PixelPoint to;
    bool emphasised = false;  // drawn in the grid colour rather than gray
    bool operator==(const GridLine&) const = default;
};

// The view reads the zoom anew for every mapping, so a geometry is built on the spot from the current
// pixel size p (at least 1) and the glyph size N.
struct MatrixGeometry {
    int pixelSize = 0;
    int glyphSize = 0;

    int Pitch() const { return pixelSize + 1; }
    // The p by p cell of a dot; all four -1 outside the glyph.
    CellRect DotToCellRect(int x, int y) const;
    // The pixel at the middle of a dot's cell; (-1, -1) outside the glyph.
    PixelPoint DotToCellCenter(int x, int y) const;
    // Division truncates toward zero, so the few pixels left of and above the first line still give 0
    // unclamped. Clamped, each axis becomes -1 on its own when its pixel is left of (above) the first grid
    // line or past the last dot.
    DotPoint ClientToDot(int px, int py, bool unclamped) const;
    // The N+1 vertical lines, left to right, then the N+1 horizontal ones, top to bottom. The outer lines
    // are never emphasised; a period of 0 emphasises none.
    std::vector<GridLine> GridLines(int gridX, int gridY) const;
};

// Each channel lowered by amount, stopping at 0.
ColorRef DarkerBy(ColorRef color, unsigned amount);

// The seven user colours of the matrix (the settings' DotRGB .. GridRGB).
struct MatrixColors {
    ColorRef crDot = 0;
    ColorRef crSelect = 0;
    ColorRef crMoveMarquee = 0;
    ColorRef crMoveOrigin = 0;
    ColorRef crDrawMarquee = 0;
    ColorRef crLayer = 0;
    ColorRef crGrid = 0;
};

// What one dot shows.
struct CellFlags {
    bool black = false;            // the edit bitmap's dot is black
    bool selectionBorder = false;  // on the selection outline, and no move in progress
    bool layerInk = false;         // the shown sample layer has ink here
    bool moveOrigin = false;       // a move is in progress and lifted this dot from here
};

// The planes the painter looks at. Absent planes read white.
struct MatrixPlanes {
    const DotPlane* editBitmap = nullptr;
    const DotPlane* selectionOutline = nullptr;
    const DotPlane* layer = nullptr;
    const DotPlane* staging = nullptr;
    bool moving = false;
};

CellFlags CellFlagsAt(const MatrixPlanes& planes, int x, int y);

// The colours to fill a cell with, in painting order (each later one covers the earlier). None means the
// cell is not painted and shows the erased background, as a plain white dot does.
struct CellFills {
    std::array<ColorRef, 3> colors{};
    int count = 0;
    std::span<const ColorRef> Colors() const { return {colors.data(), static_cast<std::size_t>(count)}; }
};

CellFills CellFillColors(const CellFlags& cell, const MatrixColors& colors);

// The dots whose bits differ between two planes of the same size, in byte order (row by row, left to
// right). Equal bytes are skipped whole, so an undo that changes a few dots costs a few cells.
std::vector<DotPoint> DifferingDots(const DotPlane& a, const DotPlane& b);

// Grid_X and Grid_Y: the periods of the emphasised vertical and horizontal lines (0 = none).
struct GridPeriods {
    int x = 0;
    int y = 0;
    bool operator==(const GridPeriods&) const = default;
};

// At view construction: a key that reads as 255 (the absent marker) is written as N/2, then both are read
// with default 0.
GridPeriods InitGridPeriods(IProfileStore& store, int glyphSize);
// After the grid dialog: both re-read with default 0.
GridPeriods ReadGridPeriods(IProfileStore& store);
