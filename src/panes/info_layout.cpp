#include "panes/info_layout.h"

#include <algorithm>

#include "editor/matrix_tool.h"

namespace {
// The panes at 96 DPI, in the column's client area (the column less its sunken edge on each side): 81
// pixels wide, one pixel in from the left, so that the overlay mode's picture (78 pixels at 2) and the
// tool pane's picture, arrow, dot size and pen mark all fit side by side.
constexpr int kClientWidth = kInfoColumnWidth96 - 2 * kInfoColumnEdge96;
constexpr int kPaneLeft = 1;
constexpr int kPaneRight = kClientWidth - 1;
constexpr int kPaneWidth = kPaneRight - kPaneLeft;
constexpr int kPaneHeightTall = 76;  // glyph sample and layer panes: 64 pixels of picture below 6
constexpr int kPaneHeightLow = 25;   // mode and tool panes: a 20- or 24-pixel picture
constexpr int kLineLeft = 2;
constexpr int kLineRight = kClientWidth - 1;
constexpr int kLineHeight = 14;  // a 9-point line

constexpr DpiRect Pane(int top, int height) { return {kPaneLeft, top, kPaneRight, top + height}; }

// The tool pane's drawing at 96 DPI: the arrow column starts at 28 pixels, a third of an 84-pixel pane,
// where the 24-pixel picture at 2 ends.
constexpr int kToolThird = 28;
}  // namespace

InfoColumnLayout LayoutInfoColumn(int dpi) {
    dpi = SaneDpi(dpi);
    InfoColumnLayout layout;
    layout.dpi = dpi;
    const DpiRect glyph = Pane(1, kPaneHeightTall);
    const DpiRect mode = Pane(glyph.bottom + 2, kPaneHeightLow);
    const DpiRect tool = Pane(mode.bottom + 2, kPaneHeightLow);
    const DpiRect layer1 = Pane(tool.bottom + 4, kPaneHeightTall);
    const DpiRect layer2 = Pane(layer1.bottom + 2, kPaneHeightTall);
    const DpiRect layer3 = Pane(layer2.bottom + 2, kPaneHeightTall);
    const DpiRect line1 = {kLineLeft, layer3.bottom + 8, kLineRight, layer3.bottom + 8 + kLineHeight};
    const DpiRect line2 = {kLineLeft, line1.bottom, kLineRight, line1.bottom + kLineHeight};
    layout.glyph = ScaleRectForDpi(glyph, dpi);
    layout.mode = ScaleRectForDpi(mode, dpi);
    layout.tool = ScaleRectForDpi(tool, dpi);
    layout.layers = {ScaleRectForDpi(layer1, dpi), ScaleRectForDpi(layer2, dpi),
                     ScaleRectForDpi(layer3, dpi)};
    layout.positions = {ScaleRectForDpi(line1, dpi), ScaleRectForDpi(line2, dpi)};
    layout.width = ScaleForDpi(kInfoColumnWidth96, dpi);
    layout.clientWidth = layout.width - 2 * InfoColumnEdge(dpi);
    layout.height = ScaleForDpi(line2.bottom + 2, dpi) + 2 * InfoColumnEdge(dpi);
    return layout;
}

int SplitterBarWidth(int dpi) { return ScaleForDpi(kSplitterBarWidth96, dpi); }

int InfoColumnEdge(int dpi) { return ScaleForDpi(kInfoColumnEdge96, SaneDpi(dpi)); }

DpiRect GlyphSamplePicture(int dpi) { return ScaleRectForDpi({9, 6, 9 + 64, 6 + 64}, dpi); }

DpiRect OverlayModePicture(int dpi) { return ScaleRectForDpi({2, 2, 2 + 78, 2 + 20}, dpi); }

ToolPaneLayout LayoutToolPane(int dpi) {
    dpi = SaneDpi(dpi);
    ToolPaneLayout layout;
    const int left = ScaleForDpi(2, dpi);
    const int top = ScaleForDpi(1, dpi);
    const int side = ToolImageSize(dpi);
    layout.picture = {left, top, left + side, top + side};
    // The client shrunk by 3 across and 4 down, its right-most 8 pixels.
    layout.penMark = ScaleRectForDpi({kPaneWidth - 3 - 8, 4, kPaneWidth - 3, kPaneHeightLow - 4}, dpi);
    layout.arrow = ScaleRectForDpi({kToolThird - 2, 2, kToolThird - 2 + 13, 2 + 10}, dpi);
    layout.arrowHit = ScaleRectForDpi({kToolThird + 2, 2, kToolThird + 15, 12}, dpi);
    layout.textLeft = ScaleForDpi(kToolThird + 18, dpi);
    layout.textBottom = ScaleForDpi(14, dpi);
    return layout;
}

DpiRect DotSizeBar(int dotSize, int dpi) {
    const int lines = std::clamp(dotSize, 0, 5);
    return ScaleRectForDpi({kToolThird + 18, 20 - lines, kToolThird + 40, 20}, SaneDpi(dpi));
}

int LayerPaneCharHeight(int dpi) { return ScaleForDpi(kLayerPaneCharHeight96, SaneDpi(dpi)); }

int LayerPaneInkOffset(int dpi) { return ScaleForDpi(6, SaneDpi(dpi)); }

int InfoTooltipWidth(int dpi) { return ScaleForDpi(400, SaneDpi(dpi)); }
