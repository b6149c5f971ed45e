// Where the information column puts its panes, and where each pane draws, at a DPI. Everything is
// designed at 96 DPI and scaled, so the column looks the same at every scale; pictures are drawn at
// the scaled sizes. Rectangles are in the column's client pixels (panes) or a pane's client pixels
// (what a pane draws).
#pragma once

#include <array>

#include "base/dpi_scale.h"

// The column's width beside the matrix, the splitter bar between them and the column's sunken edge
// (SM_CXEDGE), at 96 DPI.
inline constexpr int kInfoColumnWidth96 = 87;
inline constexpr int kSplitterBarWidth96 = 10;
inline constexpr int kInfoColumnEdge96 = 2;
// The character height of a sample layer's template in its pane, at 96 DPI.
inline constexpr int kLayerPaneCharHeight96 = 64;

struct InfoColumnLayout {
    int dpi = kBaseDpi;
    int width = 0;        // the column, without the splitter bar
    int clientWidth = 0;  // inside its sunken edge, where the panes are
    int height = 0;       // down to the bottom of the last coordinate line, edges included
    DpiRect glyph;        // the glyph being edited
    DpiRect mode;         // the overlay mode
    DpiRect tool;         // the tool, its pen colour and its dot size
    std::array<DpiRect, 3> layers;
    std::array<DpiRect, 2> positions;  // the two coordinate lines
};
InfoColumnLayout LayoutInfoColumn(int dpi);
int SplitterBarWidth(int dpi);
int InfoColumnEdge(int dpi);

// The glyph sample: the glyph's picture (64 by 64 pixels at 96 DPI) and the overlay mode's picture.
DpiRect GlyphSamplePicture(int dpi);
DpiRect OverlayModePicture(int dpi);

// What the tool pane draws, in its client pixels.
struct ToolPaneLayout {
    DpiRect picture;   // the tool's picture, ToolImageSize(dpi) square
    DpiRect penMark;   // filled for a black pen, framed for a white one
    DpiRect arrow;     // the drop-down arrow's picture
    DpiRect arrowHit;  // where a right click opens the dot sizes
    int textLeft = 0;  // the dot size as a number: left edge and base line (bottom) of its line
    int textBottom = 0;
};
ToolPaneLayout LayoutToolPane(int dpi);
// The dot size shown as a bar of d one-pixel lines at 96 DPI (d 1..5), bottom-aligned.
DpiRect DotSizeBar(int dotSize, int dpi);

// A layer pane's template character: its height and how far below the pane's top its box starts.
int LayerPaneCharHeight(int dpi);
int LayerPaneInkOffset(int dpi);

// The widest a pane's tooltip line grows before it wraps.
int InfoTooltipWidth(int dpi);
