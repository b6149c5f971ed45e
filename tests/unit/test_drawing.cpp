#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "editor/drawing.h"

namespace {

using Dots = std::set<std::pair<int, int>>;

Dots BlackDots(const DotPlane& plane) {
    Dots dots;
    for (int y = 0; y < plane.Size(); ++y) {
        for (int x = 0; x < plane.Size(); ++x) {
            if (plane.IsBlack(x, y)) dots.insert({x, y});
        }
    }
    return dots;
}

Dots Block(int left, int top, int right, int bottom) {  // inclusive
    Dots dots;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) dots.insert({x, y});
    }
    return dots;
}

DotPlane PlaneOf(int size, const Dots& dots) {
    DotPlane plane(size);
    for (auto [x, y] : dots) plane.SetDot(x, y, true);
    return plane;
}

DotPlane MirrorX(const DotPlane& plane) {
    DotPlane out(plane.Size());
    for (auto [x, y] : BlackDots(plane)) out.SetDot(plane.Size() - 1 - x, y, true);
    return out;
}

DotPlane MirrorY(const DotPlane& plane) {
    DotPlane out(plane.Size());
    for (auto [x, y] : BlackDots(plane)) out.SetDot(x, plane.Size() - 1 - y, true);
    return out;
}

// The dots of `big` within the window of `size` dots at (offset, offset).
DotPlane Window(const DotPlane& big, int size, int offset) {
    DotPlane out(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) out.SetDot(x, y, big.IsBlack(x + offset, y + offset));
    }
    return out;
}

// Equal planes, or both pictures: '#' black in both, 'A' only in the first, 'B' only in the second.
testing::AssertionResult SamePlane(const DotPlane& a, const DotPlane& b) {
    if (a == b) return testing::AssertionSuccess();
    std::string picture;
    for (int y = 0; y < std::max(a.Size(), b.Size()); ++y) {
        std::string row;
        bool any = false;
        for (int x = 0; x < std::max(a.Size(), b.Size()); ++x) {
            const bool inA = a.IsBlack(x, y), inB = b.IsBlack(x, y);
            row += inA && inB ? '#' : inA ? 'A' : inB ? 'B' : '.';
            any = any || inA || inB;
        }
        if (any) picture += std::to_string(y) + "\t" + row + "\n";
    }
    return testing::AssertionFailure() << "planes differ:\n" << picture;
}

constexpr int kShapeTools[] = {kLineTool, kRectangleTool, kCircleTool};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pen

TEST(DrawingPen, SquareHangsRightAndDownFromTheDotAndIsClipped) {
    EXPECT_EQ(BlackDots(BuildPenMask(64, 62, 10, 3)), Block(62, 10, 63, 12));
    EXPECT_EQ(BlackDots(BuildPenMask(64, 5, 6, 1)), Block(5, 6, 5, 6));
    EXPECT_EQ(BlackDots(BuildPenMask(64, -1, -2, 4)), Block(0, 0, 2, 1));
    EXPECT_EQ(BlackDots(BuildPenMask(64, 10, 63, 5)), Block(10, 63, 14, 63));
    EXPECT_TRUE(BlackDots(BuildPenMask(64, 64, 0, 5)).empty());
    // Sizes outside 1..5 are brought into it.
    EXPECT_EQ(BlackDots(BuildPenMask(64, 1, 1, 0)), Block(1, 1, 1, 1));
    EXPECT_EQ(BlackDots(BuildPenMask(64, 1, 1, 9)), Block(1, 1, 5, 5));
}

TEST(DrawingPen, StampWritesTheButtonColour) {
    EXPECT_EQ(PenColorOfButton(1, false), kPenBlack);
    EXPECT_EQ(PenColorOfButton(2, false), kPenWhite);
    EXPECT_EQ(PenColorOfButton(1, true), kPenWhite);
    EXPECT_EQ(PenColorOfButton(2, true), kPenBlack);

    DotPlane glyph(64);
    std::vector<DotPoint> cells;
    EXPECT_TRUE(StampPen(glyph, 62, 10, kPenBlack, 3, cells));
    EXPECT_EQ(BlackDots(glyph), Block(62, 10, 63, 12));
    EXPECT_EQ(cells.size(), 6u);
    EXPECT_TRUE(StampPen(glyph, 63, 11, kPenWhite, 2, cells));
    EXPECT_EQ(BlackDots(glyph), (Dots{{62, 10}, {63, 10}, {62, 11}, {62, 12}}));
    EXPECT_EQ(cells, (std::vector<DotPoint>{{63, 11}, {63, 12}}));
}

// ---------------------------------------------------------------------------------------------
// Line

TEST(DrawingLine, ThinLineIncludesItsStartAndExcludesItsEnd) {
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 0, 0, 3, 0, 1)), (Dots{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 3, 0, 0, 0, 1)), (Dots{{3, 0}, {2, 0}, {1, 0}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 0, 0, 1, 3, 1)), (Dots{{0, 0}, {0, 1}, {1, 2}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 4, 4, 7, 7, 1)), (Dots{{4, 4}, {5, 5}, {6, 6}}));
    // A click without movement: nothing with the 1-dot pen, the pen's round dot with a wider one.
    EXPECT_TRUE(BlackDots(BuildShapeMask(64, kLineTool, 5, 5, 5, 5, 1)).empty());
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 5, 5, 5, 5, 3)), Block(4, 4, 6, 6));
}

TEST(DrawingLine, TiesGoToTheSmallerCoordinateInEitherDirection) {
    // Half-way dots: the minor coordinate rounds down, so a line and its reverse share their inner dots.
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 0, 0, 2, 1, 1)), (Dots{{0, 0}, {1, 0}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 2, 1, 0, 0, 1)), (Dots{{2, 1}, {1, 0}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 0, 1, 2, 0, 1)), (Dots{{0, 1}, {1, 0}}));
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 0, 0, 1, 2, 1)), (Dots{{0, 0}, {0, 1}}));

    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(0, 63);
    for (int i = 0; i < 500; ++i) {
        const int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
        if (x0 == x1 && y0 == y1) continue;
        Dots forward = BlackDots(BuildShapeMask(64, kLineTool, x0, y0, x1, y1, 1));
        Dots backward = BlackDots(BuildShapeMask(64, kLineTool, x1, y1, x0, y0, 1));
        EXPECT_EQ(forward.size(), static_cast<std::size_t>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))));
        forward.insert({x1, y1});
        backward.insert({x0, y0});
        ASSERT_EQ(forward, backward) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(DrawingLine, FiguresReachingPastTheEdgeAreClippedNotWrapped) {
    // The same figures on a larger plane, shifted so the glyph is a window of it.
    const struct {
        int x0, y0, x1, y1;
    } figures[] = {
        {-20, -5, 80, 40}, {70, -3, -9, 66}, {30, -40, 33, 100}, {-1, 10, 64, 11}, {63, 63, 200, 64}};
    for (int tool : kShapeTools) {
        for (int width = kMinPenWidth; width <= kMaxPenWidth; ++width) {
            for (const auto& f : figures) {
                const DotPlane clipped = BuildShapeMask(64, tool, f.x0, f.y0, f.x1, f.y1, width);
                const DotPlane whole =
                    BuildShapeMask(512, tool, f.x0 + 200, f.y0 + 200, f.x1 + 200, f.y1 + 200, width);
                EXPECT_TRUE(SamePlane(clipped, Window(whole, 64, 200)))
                    << "tool " << tool << " width " << width << " from " << f.x0 << "," << f.y0;
            }
        }
    }
    // Coordinates far out are limited, not overflowed.
    EXPECT_FALSE(BlackDots(BuildShapeMask(64, kLineTool, -2000000000, 32, 2000000000, 32, 1)).empty());
    EXPECT_FALSE(BlackDots(BuildShapeMask(64, kCircleTool, -2000000000, 0, 2000000000, 63, 5)).empty());
}

TEST(DrawingLine, WidePenIsRoundEndedAndCentred) {
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 10, 20, 30, 20, 3)), Block(9, 19, 31, 21));
    // An even width cannot be centred on a row of dots: the dots exactly width/2 away belong to it.
    Dots two = Block(10, 19, 30, 21);
    two.insert({{9, 20}, {31, 20}});
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 10, 20, 30, 20, 2)), two);
    Dots five = Block(8, 19, 32, 21);
    for (const Dots& part : {Block(9, 18, 31, 18), Block(9, 22, 31, 22)})
        five.insert(part.begin(), part.end());
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 10, 20, 30, 20, 5)), five);
}

// ---------------------------------------------------------------------------------------------
// Rectangle

TEST(DrawingRectangle, BoxIsNormalisedAndLeavesOutTheLastRowAndColumn) {
    Dots outline = Block(2, 2, 4, 4);
    outline.erase({3, 3});
    for (auto [x0, y0, x1, y1] : {std::tuple{2, 2, 5, 5}, {5, 5, 2, 2}, {5, 2, 2, 5}, {2, 5, 5, 2}}) {
        EXPECT_EQ(BlackDots(BuildShapeMask(64, kRectangleTool, x0, y0, x1, y1, 1)), outline)
            << x0 << "," << y0 << " -> " << x1 << "," << y1;
        EXPECT_EQ(BlackDots(BuildShapeMask(64, kRectSelectTool, x0, y0, x1, y1, 1)), outline);
    }
    // Degenerate boxes: no width draws nothing; one dot across draws a bar; one single dot nothing.
    EXPECT_TRUE(BlackDots(BuildShapeMask(64, kRectangleTool, 7, 2, 7, 9, 1)).empty());
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kRectangleTool, 7, 2, 8, 9, 1)), Block(7, 2, 7, 8));
    EXPECT_TRUE(BlackDots(BuildShapeMask(64, kRectangleTool, 7, 2, 8, 3, 1)).empty());
    // Not a shape tool: nothing.
    EXPECT_TRUE(BlackDots(BuildShapeMask(64, kFillTool, 2, 2, 9, 9, 1)).empty());
}

TEST(DrawingRectangle, WideOutlineNeverReachesTheInterior) {
    const DotPlane mask = BuildShapeMask(64, kRectangleTool, 10, 10, 41, 41, 5);  // outline 10..40
    EXPECT_TRUE(mask.IsBlack(8, 25));
    EXPECT_TRUE(mask.IsBlack(12, 25));
    EXPECT_FALSE(mask.IsBlack(7, 25));
    EXPECT_FALSE(mask.IsBlack(13, 25));
    EXPECT_FALSE(mask.IsBlack(25, 25));
    EXPECT_TRUE(mask.IsBlack(42, 40));
    EXPECT_FALSE(mask.IsBlack(43, 40));
    EXPECT_FALSE(mask.IsBlack(8, 8));  // the corner is round
    EXPECT_TRUE(mask.IsBlack(9, 8));
}

// ---------------------------------------------------------------------------------------------
// Ellipse

TEST(DrawingEllipse, ThinEllipseIsSymmetricInsideItsBoxAndHollow) {
    for (auto [x0, y0, x1, y1] :
         {std::tuple{10, 10, 31, 31}, {5, 20, 60, 29}, {40, 2, 33, 60}, {8, 8, 11, 12}}) {
        const DotPlane mask = BuildShapeMask(64, kCircleTool, x0, y0, x1, y1, 1);
        const int left = std::min(x0, x1), right = std::max(x0, x1) - 1;
        const int top = std::min(y0, y1), bottom = std::max(y0, y1) - 1;
        Dots mirrored;
        bool leftEdge = false, rightEdge = false;
        for (auto [x, y] : BlackDots(mask)) {
            EXPECT_TRUE(x >= left && x <= right && y >= top && y <= bottom) << x << "," << y;
            mirrored.insert({left + right - x, top + bottom - y});
            leftEdge = leftEdge || x == left;
            rightEdge = rightEdge || x == right;
        }
        EXPECT_EQ(mirrored, BlackDots(mask));
        EXPECT_TRUE(leftEdge && rightEdge);
        EXPECT_FALSE(mask.IsBlack((left + right) / 2, (top + bottom) / 2));
        EXPECT_EQ(mask, BuildShapeMask(64, kCircleTool, x1, y1, x0, y0, 1));
    }
    // A circle in a 21-dot box: top and bottom rows touched in the middle.
    const DotPlane circle = BuildShapeMask(64, kCircleTool, 10, 10, 31, 31, 1);
    EXPECT_TRUE(circle.IsBlack(20, 10));
    EXPECT_TRUE(circle.IsBlack(20, 30));
    EXPECT_FALSE(circle.IsBlack(10, 10));
    // Boxes only one or two dots across are drawn as their rectangle.
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kCircleTool, 3, 3, 5, 9, 1)), Block(3, 3, 4, 8));
}

// ---------------------------------------------------------------------------------------------
// Wide pens

TEST(DrawingWidePens, MirroredFiguresGiveMirroredMasks) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> coord(-6, 69);
    for (int i = 0; i < 60; ++i) {
        const int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
        for (int tool : kShapeTools) {
            // A line's ends are dots (mirrored at 63 - x); a box's right edge lies past its last dot, so a
            // box from a to b mirrors to one from 64 - b to 64 - a.
            const int far = tool == kLineTool ? 63 : 64;
            for (int width = 2; width <= kMaxPenWidth; ++width) {
                const DotPlane mask = BuildShapeMask(64, tool, x0, y0, x1, y1, width);
                ASSERT_TRUE(
                    SamePlane(MirrorX(mask), BuildShapeMask(64, tool, far - x0, y0, far - x1, y1, width)))
                    << "tool " << tool << " width " << width << " " << x0 << "," << y0 << " -> " << x1 << ","
                    << y1;
                ASSERT_TRUE(
                    SamePlane(MirrorY(mask), BuildShapeMask(64, tool, x0, far - y0, x1, far - y1, width)))
                    << "tool " << tool << " width " << width << " " << x0 << "," << y0 << " -> " << x1 << ","
                    << y1;
            }
        }
    }
}

TEST(DrawingWidePens, EachWidthCoversTheNarrowerOnesAroundTheThinFigure) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coord(0, 63);
    for (int i = 0; i < 60; ++i) {
        const int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
        for (int tool : kShapeTools) {
            Dots narrower = BlackDots(BuildShapeMask(64, tool, x0, y0, x1, y1, 1));
            if (tool == kLineTool && !(x0 == x1 && y0 == y1))
                narrower.insert({x1, y1});  // wide lines reach the end
            for (int width = 2; width <= kMaxPenWidth; ++width) {
                const Dots wider = BlackDots(BuildShapeMask(64, tool, x0, y0, x1, y1, width));
                for (const auto& dot : narrower) {
                    ASSERT_TRUE(wider.count(dot)) << "tool " << tool << " width " << width << " lost "
                                                  << dot.first << "," << dot.second;
                }
                narrower = wider;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Fill

namespace {

// Plain breadth-first 4-connected fill of white dots, for comparison.
Dots ReferenceFill(const DotPlane& source, int x, int y, bool invert) {
    const auto open = [&](int px, int py) {
        return px >= 0 && py >= 0 && px < source.Size() && py < source.Size() &&
               source.IsBlack(px, py) == invert;
    };
    Dots seen;
    if (!open(x, y)) return seen;
    std::deque<std::pair<int, int>> queue{{x, y}};
    seen.insert({x, y});
    while (!queue.empty()) {
        auto [px, py] = queue.front();
        queue.pop_front();
        for (auto [nx, ny] : {std::pair{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}}) {
            if (open(nx, ny) && seen.insert({nx, ny}).second) queue.push_back({nx, ny});
        }
    }
    return seen;
}

Dots SquareOutline(int from, int to) {
    Dots dots = Block(from, from, to, to);
    for (const auto& inner : Block(from + 1, from + 1, to - 1, to - 1)) dots.erase(inner);
    return dots;
}

}  // namespace

TEST(DrawingFill, ClosedOutlineHoldsTheFillAndADiagonalGapDoesToo) {
    Dots wall = SquareOutline(10, 20);
    FillResult inside = BuildFillMask(PlaneOf(64, wall), 15, 15, false);
    ASSERT_TRUE(inside.succeeded);
    EXPECT_EQ(BlackDots(inside.mask), Block(11, 11, 19, 19));

    wall.erase({20, 20});  // the corner: only diagonal to the inside
    inside = BuildFillMask(PlaneOf(64, wall), 15, 15, false);
    ASSERT_TRUE(inside.succeeded);
    EXPECT_EQ(BlackDots(inside.mask), Block(11, 11, 19, 19));

    wall.erase({20, 15});  // a gap in the side
    const FillResult leaked = BuildFillMask(PlaneOf(64, wall), 15, 15, false);
    ASSERT_TRUE(leaked.succeeded);
    EXPECT_EQ(BlackDots(leaked.mask).size(), 64u * 64u - wall.size());
    EXPECT_TRUE(leaked.mask.IsBlack(0, 0));
    EXPECT_FALSE(leaked.mask.IsBlack(10, 10));
}

TEST(DrawingFill, InvertedFillTakesTheBlackAreaAndFailuresAreWhite) {
    Dots blob = Block(3, 3, 8, 5);
    blob.insert({8, 6});
    const DotPlane source = PlaneOf(16, blob);
    const FillResult black = BuildFillMask(source, 4, 4, true);
    ASSERT_TRUE(black.succeeded);
    EXPECT_EQ(BlackDots(black.mask), blob);

    for (auto [x, y, invert] : {std::tuple{4, 4, false}, {0, 0, true}, {-1, 0, false}, {0, 16, false}}) {
        const FillResult failed = BuildFillMask(source, x, y, invert);
        EXPECT_FALSE(failed.succeeded) << x << "," << y;
        EXPECT_EQ(failed.mask, DotPlane(16));
    }

    const FillResult all = BuildFillMask(DotPlane(256), 200, 3, false);
    ASSERT_TRUE(all.succeeded);
    EXPECT_EQ(BlackDots(all.mask).size(), 256u * 256u);
}

TEST(DrawingFill, MatchesAPlainFloodFillOnRandomPlanes) {
    std::mt19937 random(3);
    for (int size : {8, 64, 72, 128}) {  // 72: rows that end inside a 64-dot word
        for (int density : {20, 40, 55}) {
            std::bernoulli_distribution ink(density / 100.0);
            DotPlane source(size);
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) source.SetDot(x, y, ink(random));
            }
            std::uniform_int_distribution<int> coord(0, size - 1);
            for (int i = 0; i < 10; ++i) {
                const int x = coord(random), y = coord(random);
                for (bool invert : {false, true}) {
                    const Dots expected = ReferenceFill(source, x, y, invert);
                    const FillResult result = BuildFillMask(source, x, y, invert);
                    EXPECT_EQ(result.succeeded, !expected.empty());
                    ASSERT_EQ(BlackDots(result.mask), expected) << "size " << size << " at " << x << "," << y;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// ApplyMask

TEST(DrawingApplyMask, ColourDecidesWhatTheMaskDotsBecome) {
    const Dots existing = Block(0, 0, 9, 0);
    const DotPlane mask = PlaneOf(64, Block(5, 0, 14, 1));
    std::vector<DotPoint> cells;

    DotPlane glyph = PlaneOf(64, existing);
    EXPECT_TRUE(ApplyMask(glyph, mask, kPenBlack, nullptr, cells));
    Dots expected = existing;
    for (const auto& dot : Block(5, 0, 14, 1)) expected.insert(dot);
    EXPECT_EQ(BlackDots(glyph), expected);
    ASSERT_EQ(cells.size(), 20u);
    EXPECT_EQ(cells.front(), (DotPoint{5, 0}));
    EXPECT_EQ(cells[10], (DotPoint{5, 1}));
    EXPECT_EQ(cells.back(), (DotPoint{14, 1}));

    glyph = PlaneOf(64, existing);
    EXPECT_TRUE(ApplyMask(glyph, mask, kPenWhite, nullptr, cells));
    EXPECT_EQ(BlackDots(glyph), Block(0, 0, 4, 0));
    EXPECT_EQ(cells.size(), 20u);

    glyph = PlaneOf(64, existing);
    EXPECT_FALSE(ApplyMask(glyph, DotPlane(64), kPenBlack, nullptr, cells));
    EXPECT_TRUE(cells.empty());
    EXPECT_EQ(BlackDots(glyph), existing);
}

TEST(DrawingApplyMask, RegionTakesTheOppositeColourAndTheMaskWins) {
    const DotPlane region = PlaneOf(64, Block(20, 30, 27, 30));
    const DotPlane mask = PlaneOf(64, Block(26, 30, 29, 30));
    std::vector<DotPoint> cells;

    // Black pen: the region is cleared to white, then the mask's dots become black.
    DotPlane glyph = PlaneOf(64, Block(16, 30, 23, 30));
    EXPECT_TRUE(ApplyMask(glyph, mask, kPenBlack, &region, cells));
    Dots expected = Block(16, 30, 19, 30);
    for (const auto& dot : Block(26, 30, 29, 30)) expected.insert(dot);
    EXPECT_EQ(BlackDots(glyph), expected);
    std::vector<DotPoint> expectedCells;
    for (int x = 20; x <= 29; ++x) expectedCells.push_back({x, 30});
    EXPECT_EQ(cells, expectedCells);

    // White pen: the region becomes black, the mask's dots white.
    glyph = DotPlane(64);
    EXPECT_TRUE(ApplyMask(glyph, mask, kPenWhite, &region, cells));
    EXPECT_EQ(BlackDots(glyph), Block(20, 30, 25, 30));
    EXPECT_EQ(cells, expectedCells);

    // An empty mask still touches the region.
    glyph = DotPlane(64);
    EXPECT_TRUE(ApplyMask(glyph, DotPlane(64), kPenWhite, &region, cells));
    EXPECT_EQ(BlackDots(glyph), Block(20, 30, 27, 30));
    EXPECT_EQ(cells.size(), 8u);
}

TEST(DrawingApplyMask, PlanesOfDifferentSizesAreLeftAlone) {
    DotPlane glyph = PlaneOf(64, Block(0, 0, 3, 3));
    const DotPlane before = glyph;
    std::vector<DotPoint> cells{{1, 1}};
    DotPlane smallMask(32);
    smallMask.Fill(true);
    EXPECT_FALSE(ApplyMask(glyph, smallMask, kPenWhite, nullptr, cells));
    EXPECT_TRUE(cells.empty());
    EXPECT_FALSE(ApplyMask(glyph, PlaneOf(64, Block(5, 5, 6, 6)), kPenBlack, &smallMask, cells));
    EXPECT_EQ(glyph, before);
}
