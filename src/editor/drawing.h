// The drawing tools reduce every stroke, shape and fill to a mask -- an N by N dot plane that is black
// at the dots concerned -- and write it into the glyph through one masked update. Building the masks
// here, apart from GDI, lets the rubber-band preview and the written result come from the very same
// dots, keeps the rasterising testable natively, and makes a 1-dot line or rectangle light exactly the
// pixels the GDI calls MoveToEx/LineTo and Rectangle light on a monochrome bitmap.
#pragma once

#include <vector>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"
#include "editor/matrix_tool.h"

// Pen colours as the tools pass them around; any value other than 0 counts as white.
inline constexpr int kPenBlack = 0;
inline constexpr int kPenWhite = 1;

// The pen colour of a mouse button (1 left, 2 right): the left button draws with the pen swap flag's
// colour, the right button with the other one, so by default left is black and right is white.
int PenColorOfButton(int button, bool penSwap);

// Pen widths and dot sizes run from 1 to 5; other values are brought into that range.
inline constexpr int kMinPenWidth = 1;
inline constexpr int kMaxPenWidth = 5;

// The one write into the edit bitmap. Byte by byte: dots inside the region (black in `region`, when
// one is given) are first set to the opposite of `colour`; then the mask's black dots are set to
// `colour` (colour 0: edit &= mask; otherwise: edit |= ~mask), so the mask wins over the region.
// `repaintDots` receives, in byte order and each once, every dot that is in the mask or the region:
// the cells the view must invalidate. Returns whether any dot was concerned at all (the glyph sample
// then needs a repaint). Planes of different sizes, or of a size that is not a multiple of 8, are left
// alone (false, no dots).
bool ApplyMask(DotPlane& edit, const DotPlane& mask, int colour, const DotPlane* region,
               std::vector<DotPoint>& repaintDots);
// The same write, done on whole 64-bit words, reporting instead the dots whose value it really changed,
// row by row: the view repaints an action with one region built from them (DotChanges::Rectangles) rather
// than one rectangle per dot. Returns, as above, whether any dot was in the mask or the region.
bool ApplyMask(DotPlane& edit, const DotPlane& mask, int colour, const DotPlane* region, DotChanges& changed);

// The pen's square: dots x..x+size-1 by y..y+size-1 (top-left at the dot, not centred), the parts
// outside the glyph dropped.
DotPlane BuildPenMask(int glyphSize, int x, int y, int size);
// One pen stamp written into the glyph: ApplyMask of the pen's square, without a region.
bool StampPen(DotPlane& edit, int x, int y, int colour, int size, std::vector<DotPoint>& repaintDots);

// The outline of a line (kLineTool), rectangle (kRectangleTool, kRectSelectTool) or ellipse
// (kCircleTool) from the drag start (x0, y0) to the current dot (x1, y1), drawn with a round pen of
// `width` dots; any other tool gives an empty (white) mask. Interiors are never part of the mask.
//  - Width 1 gives GDI's pixels: a line includes its start and excludes its end dot (so a click without
//    movement draws nothing), with the minor coordinate rounded half toward the smaller value; a
//    rectangle or ellipse uses the box normalised to min..max with the right column and bottom row left
//    out, the rectangle's outline lying on columns min x and max x - 1 and rows min y and max y - 1, the
//    ellipse inscribed in those (a box of one or two dots across is drawn as its rectangle, and a box of
//    a single dot not at all, as GDI does).
//  - Widths 2..5 stroke the same figures with GDI's round pen of that width (line: the segment from start
//    to end with both ends round, so a click gives the pen's round dot; rectangle and ellipse: their 1-dot
//    outline, with round corners). Straight runs are exactly `width` dots thick: an odd width is centred
//    on the figure, an even width has its extra dot on the left of vertical runs and above horizontal ones,
//    as a GDI pen does. On such runs, and wherever a line or rectangle runs straight, the mask is GDI's;
//    slanted edges of wide lines, and wide ellipses, may differ from GDI by a dot.
// Dots outside the glyph are dropped; coordinates are taken within +-kShapeCoordLimit.
inline constexpr int kShapeCoordLimit = 8192;
DotPlane BuildShapeMask(int glyphSize, int tool, int x0, int y0, int x1, int y1, int width);

// The flood fill behind the fill tool. T is the source plane, inverted when `invert` is set; the
// 4-connected area of T's white dots that holds (x, y) is what the fill changes, and the returned mask is
// black exactly there. It fails (succeeded false, all-white mask) when (x, y) is outside the glyph or
// black in T, or when the plane's size is not a multiple of 8.
struct FillResult {
    bool succeeded = false;
    DotPlane mask;
};
FillResult BuildFillMask(const DotPlane& source, int x, int y, bool invert);
