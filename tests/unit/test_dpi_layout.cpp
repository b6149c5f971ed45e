// The rules by which every window of ours lays itself out at a DPI: the scaling itself, the picture
// sets, and the information column, which must show every pane whole beside the matrix at the window
// size a first start gives.
#include <gtest/gtest.h>

#include <climits>

#include "app/frame_rules.h"
#include "base/dpi_scale.h"
#include "editor/matrix_tool.h"
#include "panes/info_layout.h"

namespace {

constexpr int kDpis[] = {96, 120, 144, 168, 192, 240, 288};

bool Inside(const DpiRect& inner, const DpiRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const DpiRect& a, const DpiRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

DpiRect Client(const DpiRect& pane) { return {0, 0, pane.Width(), pane.Height()}; }

TEST(DpiScale, RoundsLikeMulDivAndSurvivesAnySetting) {
    EXPECT_EQ(ScaleForDpi(87, 96), 87);
    EXPECT_EQ(ScaleForDpi(87, 144), 131);  // 130.5 rounds up
    EXPECT_EQ(ScaleForDpi(87, 192), 174);
    EXPECT_EQ(ScaleForDpi(-3, 144), -5);  // halves away from zero on both sides
    EXPECT_EQ(ScaleForDpi(1, 120), 1);    // 1.25
    EXPECT_EQ(ScaleBetweenDpi(9, 144, 96), 6);
    EXPECT_EQ(ScaleBetweenDpi(INT_MAX, 48, 960), INT_MAX) << "a huge setting stays an int";
    EXPECT_EQ(ScaleBetweenDpi(INT_MIN, 48, 960), INT_MIN);
    // A DPI no screen has, from a setting or a message we did not write, counts as 96.
    for (int bad : {0, -96, 47, 961, INT_MAX}) {
        EXPECT_EQ(SaneDpi(bad), 96) << bad;
        EXPECT_EQ(ScaleForDpi(50, bad), 50) << bad;
    }
    EXPECT_EQ(SaneDpi(48), 48);
    EXPECT_EQ(SaneDpi(960), 960);
    EXPECT_EQ(ScaleRectForDpi({1, 2, 3, 4}, 192), (DpiRect{2, 4, 6, 8}));
}

TEST(DpiScale, PictureSetsAndToolPictures) {
    EXPECT_EQ(PictureSetForDpi(96), 0);
    EXPECT_EQ(PictureSetForDpi(120), 0);
    EXPECT_EQ(PictureSetForDpi(143), 0);
    EXPECT_EQ(PictureSetForDpi(144), 1);
    EXPECT_EQ(PictureSetForDpi(191), 1);
    EXPECT_EQ(PictureSetForDpi(192), 2);
    EXPECT_EQ(PictureSetForDpi(480), 2);
    EXPECT_EQ(PictureSetForDpi(72), 0) << "below 96 the 96-DPI set";
    EXPECT_EQ(ToolImageSize(96), 24);
    EXPECT_EQ(ToolImageSize(144), 36);
    EXPECT_EQ(ToolImageSize(192), 48);
    for (int dpi : kDpis) EXPECT_LE(ToolImageSize(dpi), ScaleForDpi(24, dpi)) << "never larger than wanted";
}

// At 96 DPI the column is the one the program always had: 87 pixels and a bar of 10, the glyph's
// picture 64 pixels at (9, 6), the dot-size arrow answering in (X + 2, 2)-(X + 15, 12) with X = 28, where
// the tool's picture ends, the dot size as lines ending on row 19.
TEST(InfoLayout, At96DpiTheColumnKeepsItsLook) {
    const InfoColumnLayout column = LayoutInfoColumn(96);
    EXPECT_EQ(column.width, 87);
    EXPECT_EQ(SplitterBarWidth(96), 10);
    EXPECT_EQ(GlyphSamplePicture(96), (DpiRect{9, 6, 73, 70}));
    EXPECT_EQ(OverlayModePicture(96), (DpiRect{2, 2, 80, 22}));
    const ToolPaneLayout tool = LayoutToolPane(96);
    const int third = 28;
    EXPECT_EQ(tool.arrowHit, (DpiRect{third + 2, 2, third + 15, 12}));
    EXPECT_EQ(tool.picture, (DpiRect{2, 1, 26, 25}));
    EXPECT_EQ(DotSizeBar(3, 96), (DpiRect{third + 18, 17, third + 40, 20}));
    EXPECT_EQ(tool.penMark.right, column.tool.Width() - 3);
    EXPECT_EQ(tool.penMark.Width(), 8);
    EXPECT_EQ(LayerPaneCharHeight(96), 64);
    EXPECT_EQ(LayerPaneInkOffset(96), 6);
    // The default window (zoom 6, 64 dots) is as tall as the matrix: the column fits beside it.
    EXPECT_LE(column.height, MatrixExtent(6, 64));
}

TEST(InfoLayout, EveryPaneWholeAndApartAtEveryDpi) {
    for (int dpi : kDpis) {
        SCOPED_TRACE(::testing::Message() << dpi << " DPI");
        const InfoColumnLayout column = LayoutInfoColumn(dpi);
        EXPECT_EQ(column.width, ScaleForDpi(87, dpi));
        EXPECT_EQ(column.clientWidth, column.width - 2 * InfoColumnEdge(dpi));
        const DpiRect area = {0, 0, column.clientWidth, column.height - 2 * InfoColumnEdge(dpi)};
        const DpiRect panes[] = {column.glyph,        column.mode,        column.tool,
                                 column.layers[0],    column.layers[1],   column.layers[2],
                                 column.positions[0], column.positions[1]};
        for (std::size_t i = 0; i < std::size(panes); ++i) {
            EXPECT_TRUE(Inside(panes[i], area)) << "pane " << i;
            EXPECT_GT(panes[i].Height(), 0) << "pane " << i;
            if (i > 0) {
                EXPECT_LE(panes[i - 1].bottom, panes[i].top) << "panes " << i - 1 << " and " << i;
            }
        }
        // Each picture inside its pane; a 9-point line (its cell a third taller than its points) fits.
        EXPECT_TRUE(Inside(GlyphSamplePicture(dpi), Client(column.glyph)));
        EXPECT_TRUE(Inside(OverlayModePicture(dpi), Client(column.mode)));
        EXPECT_GE(column.positions[0].Height(), ScaleBetweenDpi(12, 96, dpi));
        EXPECT_LE(LayerPaneCharHeight(dpi), column.layers[0].Height() - LayerPaneInkOffset(dpi));

        // The tool pane: picture, arrow, dot-size bar and number, and pen mark side by side, all inside.
        const ToolPaneLayout tool = LayoutToolPane(dpi);
        const DpiRect pane = Client(column.tool);
        // The number "5．" in a 9-point square font: half a square and a square, as high as the points.
        const int em = ScaleBetweenDpi(12, 96, dpi);
        const DpiRect number = {tool.textLeft, tool.textBottom - em, tool.textLeft + em + em / 2,
                                tool.textBottom};
        const DpiRect bar = DotSizeBar(5, dpi);
        const DpiRect parts[] = {tool.picture, tool.arrow, bar, number, tool.penMark};
        for (std::size_t i = 0; i < std::size(parts); ++i) {
            EXPECT_TRUE(Inside(parts[i], pane)) << "tool pane part " << i;
            for (std::size_t j = i + 1; j < std::size(parts); ++j) {
                // The number stands above the bar in the same column; everything else is apart.
                if (i == 2 && j == 3) continue;
                EXPECT_FALSE(Overlap(parts[i], parts[j])) << "tool pane parts " << i << " and " << j;
            }
        }
        EXPECT_LE(number.bottom, bar.top + 1) << "the number stands on the bar";
        EXPECT_TRUE(Inside(tool.arrowHit, pane));
        EXPECT_EQ(tool.picture.Width(), ToolImageSize(dpi));
        for (int size = 1; size <= 5; ++size) EXPECT_EQ(DotSizeBar(size, dpi).bottom, bar.bottom);
        EXPECT_LT(DotSizeBar(1, dpi).Height(), DotSizeBar(5, dpi).Height());

        // At the first start's zoom the matrix is at least as tall as the column: nothing is cut and the
        // window is the matrix's size, not the column's.
        EXPECT_LE(column.height, MatrixExtent(DefaultZoomForDpi(dpi), 64));
    }
}

}  // namespace
