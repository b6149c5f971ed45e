#include <gtest/gtest.h>

#include <vector>

#include "app/settings.h"
#include "editor/matrix_geometry.h"
#include "memory_profile_store.h"

namespace {

constexpr MatrixGeometry kZoom6{6, 64};

// Distinct colours, so that every fill can be told apart.
MatrixColors TestColors() {
    MatrixColors c;
    c.crDot = MakeColorRef(1, 2, 3);
    c.crSelect = MakeColorRef(224, 224, 255);
    c.crMoveMarquee = MakeColorRef(128, 128, 129);
    c.crMoveOrigin = MakeColorRef(228, 228, 240);
    c.crDrawMarquee = MakeColorRef(128, 129, 128);
    c.crLayer = MakeColorRef(255, 128, 100);
    c.crGrid = MakeColorRef(240, 0, 0);
    return c;
}

std::vector<ColorRef> Fills(bool black, bool selection, bool layer, bool origin) {
    const CellFills fills = CellFillColors({black, selection, layer, origin}, TestColors());
    return {fills.Colors().begin(), fills.Colors().end()};
}

}  // namespace

TEST(MatrixGeometry, CellRectanglesSitBetweenTheGridLines) {
    EXPECT_EQ(kZoom6.DotToCellRect(0, 0), (CellRect{7, 7, 13, 13}));
    EXPECT_EQ(kZoom6.DotToCellRect(1, 2), (CellRect{14, 21, 20, 27}));
    EXPECT_EQ(kZoom6.DotToCellRect(63, 63), (CellRect{448, 448, 454, 454}));
    EXPECT_EQ((MatrixGeometry{4, 16}.DotToCellRect(15, 0)), (CellRect{82, 7, 86, 11}));
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {64, 0}, {0, 64}}) {
        EXPECT_EQ(kZoom6.DotToCellRect(x, y), (CellRect{-1, -1, -1, -1})) << x << "," << y;
        EXPECT_EQ(kZoom6.DotToCellCenter(x, y), (PixelPoint{-1, -1})) << x << "," << y;
    }
}

TEST(MatrixGeometry, CellCentres) {
    EXPECT_EQ(kZoom6.DotToCellCenter(0, 0), (PixelPoint{9, 9}));
    EXPECT_EQ(kZoom6.DotToCellCenter(2, 1), (PixelPoint{23, 16}));
    EXPECT_EQ((MatrixGeometry{5, 64}.DotToCellCenter(0, 3)), (PixelPoint{9, 27}));
}

TEST(MatrixGeometry, ClientPixelsMapToDots) {
    EXPECT_EQ(kZoom6.ClientToDot(6, 6, false), (DotPoint{0, 0}));  // the first grid line
    EXPECT_EQ(kZoom6.ClientToDot(12, 12, false), (DotPoint{0, 0}));
    EXPECT_EQ(kZoom6.ClientToDot(13, 13, false), (DotPoint{1, 1}));
    EXPECT_EQ(kZoom6.ClientToDot(453, 453, false), (DotPoint{63, 63}));

    // Left of and above the grid: clamped gives -1, unclamped truncates toward zero.
    EXPECT_EQ(kZoom6.ClientToDot(5, 5, false), (DotPoint{-1, -1}));
    EXPECT_EQ(kZoom6.ClientToDot(5, 5, true), (DotPoint{0, 0}));
    EXPECT_EQ(kZoom6.ClientToDot(0, 0, true), (DotPoint{0, 0}));
    EXPECT_EQ(kZoom6.ClientToDot(-2, -9, true), (DotPoint{-1, -2}));

    // Right of the last column: clamped -1 on that axis only; unclamped it runs on past N-1.
    EXPECT_EQ(kZoom6.ClientToDot(454, 13, false), (DotPoint{-1, 1}));
    EXPECT_EQ(kZoom6.ClientToDot(13, 500, false), (DotPoint{1, -1}));
    EXPECT_EQ(kZoom6.ClientToDot(454, 13, true), (DotPoint{64, 1}));
    EXPECT_EQ(kZoom6.ClientToDot(3, 600, true), (DotPoint{0, 84}));
}

TEST(MatrixGeometry, EveryPixelOfACellMapsBackToItsDot) {
    for (int p : {4, 6, 13, 20}) {
        const MatrixGeometry g{p, 16};
        for (int dot = 0; dot < 16; ++dot) {
            const CellRect cell = g.DotToCellRect(dot, dot);
            for (int pixel = cell.left - 1; pixel < cell.right; ++pixel) {  // from the grid line before it
                ASSERT_EQ(g.ClientToDot(pixel, pixel, false), (DotPoint{dot, dot})) << p << " " << pixel;
            }
            const PixelPoint centre = g.DotToCellCenter(dot, dot);
            ASSERT_EQ(g.ClientToDot(centre.x, centre.y, false), (DotPoint{dot, dot})) << p;
        }
    }
}

TEST(MatrixGeometry, GridLinesSpanTheMatrixAndEmphasiseInnerPeriods) {
    const std::vector<GridLine> lines = kZoom6.GridLines(8, 0);
    ASSERT_EQ(lines.size(), 130u);
    EXPECT_EQ(lines[0], (GridLine{{6, 6}, {6, 455}, false}));
    EXPECT_EQ(lines[64], (GridLine{{454, 6}, {454, 455}, false}));
    EXPECT_EQ(lines[65], (GridLine{{6, 6}, {455, 6}, false}));
    EXPECT_EQ(lines[129].from, (PixelPoint{6, 454}));

    std::vector<int> emphasised;
    for (int k = 0; k <= 64; ++k) {
        if (lines[static_cast<std::size_t>(k)].emphasised) emphasised.push_back(k);
        EXPECT_FALSE(lines[65 + static_cast<std::size_t>(k)].emphasised) << "horizontal " << k;
    }
    EXPECT_EQ(emphasised, (std::vector<int>{8, 16, 24, 32, 40, 48, 56}));

    auto countEmphasised = [](const std::vector<GridLine>& all) {
        int n = 0;
        for (const GridLine& line : all) n += line.emphasised ? 1 : 0;
        return n;
    };
    EXPECT_EQ(countEmphasised(kZoom6.GridLines(64, 64)), 0);  // only the outer lines are multiples
    EXPECT_EQ(countEmphasised(kZoom6.GridLines(0, 32)), 1);
    EXPECT_EQ(countEmphasised(kZoom6.GridLines(1, 1)), 2 * 63);
}

TEST(MatrixColours, DarkerShadesStopAtZeroPerChannel) {
    EXPECT_EQ(DarkerBy(MakeColorRef(224, 224, 255), 64), MakeColorRef(160, 160, 191));
    EXPECT_EQ(DarkerBy(MakeColorRef(224, 224, 255), 32), MakeColorRef(192, 192, 223));
    EXPECT_EQ(DarkerBy(MakeColorRef(40, 64, 200), 64), MakeColorRef(0, 0, 136));
    EXPECT_EQ(DarkerBy(MakeColorRef(255, 31, 32), 32), MakeColorRef(223, 0, 0));
}

TEST(MatrixColours, DotsAndTheSelectionBorder) {
    const MatrixColors c = TestColors();
    EXPECT_TRUE(Fills(false, false, false, false).empty());  // a white dot shows the background
    EXPECT_EQ(Fills(true, false, false, false), (std::vector<ColorRef>{c.crDot}));
    EXPECT_EQ(Fills(false, true, false, false), (std::vector<ColorRef>{c.crSelect}));
    // A black dot on the border never shows the dot colour.
    EXPECT_EQ(Fills(true, true, false, false), (std::vector<ColorRef>{DarkerBy(c.crSelect, 64)}));
}

TEST(MatrixColours, LayerInkOverBlackAndWhite) {
    const MatrixColors c = TestColors();
    EXPECT_EQ(Fills(false, false, true, false), (std::vector<ColorRef>{c.crLayer}));
    EXPECT_EQ(Fills(true, false, true, false), (std::vector<ColorRef>{c.crDot, DarkerBy(c.crLayer, 64)}));
    EXPECT_EQ(Fills(false, true, true, false), (std::vector<ColorRef>{c.crSelect, DarkerBy(c.crSelect, 32)}));
    EXPECT_EQ(Fills(true, true, true, false),
              (std::vector<ColorRef>{DarkerBy(c.crSelect, 64), DarkerBy(c.crSelect, 64)}));
}

TEST(MatrixColours, MoveOriginIsPaintedLast) {
    const MatrixColors c = TestColors();
    EXPECT_EQ(Fills(false, false, false, true), (std::vector<ColorRef>{c.crMoveOrigin}));
    EXPECT_EQ(Fills(true, false, true, true),
              (std::vector<ColorRef>{c.crDot, DarkerBy(c.crLayer, 64), c.crMoveOrigin}));
}

TEST(MatrixColours, CellFlagsFollowThePlanesAndTheMove) {
    DotPlane edit(16), outline(16), layer(16), staging(16);
    edit.SetDot(1, 1, true);
    outline.SetDot(1, 1, true);
    layer.SetDot(1, 1, true);
    staging.SetDot(1, 1, true);

    MatrixPlanes planes{&edit, &outline, &layer, &staging, false};
    CellFlags cell = CellFlagsAt(planes, 1, 1);
    EXPECT_TRUE(cell.black && cell.selectionBorder && cell.layerInk);
    EXPECT_FALSE(cell.moveOrigin);  // the staging plane is scratch until a move starts

    planes.moving = true;  // while moving, the border is hidden and the lifted dots show
    cell = CellFlagsAt(planes, 1, 1);
    EXPECT_FALSE(cell.selectionBorder);
    EXPECT_TRUE(cell.moveOrigin);

    cell = CellFlagsAt(planes, 2, 1);
    EXPECT_FALSE(cell.black || cell.selectionBorder || cell.layerInk || cell.moveOrigin);

    // No document image and no layer: the dot reads white.
    cell = CellFlagsAt(MatrixPlanes{nullptr, &outline, nullptr, &staging, false}, 1, 1);
    EXPECT_FALSE(cell.black);
    EXPECT_FALSE(cell.layerInk);
    EXPECT_TRUE(cell.selectionBorder);
}

TEST(MatrixUndoRepaint, ListsExactlyTheDotsThatDiffer) {
    DotPlane a(64), b(64);
    EXPECT_TRUE(DifferingDots(a, b).empty());

    b.SetDot(9, 2, true);
    b.SetDot(0, 0, true);
    b.SetDot(63, 63, true);
    for (int x = 8; x < 16; ++x) a.SetDot(x, 5, true);  // a whole byte differs
    a.SetDot(9, 5, false);
    const std::vector<DotPoint> expected = {{0, 0},  {9, 2},  {8, 5},  {10, 5}, {11, 5},
                                            {12, 5}, {13, 5}, {14, 5}, {15, 5}, {63, 63}};
    EXPECT_EQ(DifferingDots(a, b), expected);
    EXPECT_EQ(DifferingDots(b, a), expected);

    EXPECT_TRUE(DifferingDots(DotPlane(16), DotPlane(64)).empty());
}

TEST(MatrixGridSettings, AbsentMarkerIsReplacedByHalfTheGlyph) {
    MemoryProfileStore store;
    EXPECT_EQ(InitGridPeriods(store, 64), (GridPeriods{32, 32}));
    EXPECT_EQ(store.Get(L"Grid_X"), L"32");
    EXPECT_EQ(store.Get(L"Grid_Y"), L"32");

    MemoryProfileStore stored;
    stored.Set(L"Grid_X", L"8");
    stored.Set(L"Grid_Y", L"255");
    EXPECT_EQ(InitGridPeriods(stored, 24), (GridPeriods{8, 12}));
    EXPECT_EQ(stored.Get(L"Grid_X"), L"8");
    EXPECT_EQ(stored.Get(L"Grid_Y"), L"12");
    EXPECT_EQ(stored.writes, 1);

    MemoryProfileStore off;  // 0 switches the lines off and is kept
    off.Set(L"Grid_X", L"0");
    off.Set(L"Grid_Y", L"0");
    EXPECT_EQ(InitGridPeriods(off, 64), (GridPeriods{0, 0}));
    EXPECT_EQ(off.writes, 0);

    // After the grid dialog the values are re-read as stored, an absent key meaning no lines.
    off.Set(L"Grid_X", L"4");
    off.values.erase({kEditorSection, L"Grid_Y"});
    EXPECT_EQ(ReadGridPeriods(off), (GridPeriods{4, 0}));
    EXPECT_EQ(off.writes, 0);
}
