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

// The '#' of rows of text, the first character of the first row at (left, top).
Dots Picture(const std::vector<std::string>& rows, int left, int top) {
    Dots dots;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            if (rows[y][x] == '#') dots.insert({left + static_cast<int>(x), top + static_cast<int>(y)});
        }
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
    EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 5, 5, 5, 5, 3)),
              (Dots{{5, 4}, {4, 5}, {5, 5}, {6, 5}, {5, 6}}));
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

TEST(DrawingLine, WidePenIsGdisRoundPen) {
    // GDI's own strokes on a monochrome bitmap: a click at (10, 10) and the line (10, 15) -> (20, 15),
    // read back under Wine. Even widths put the extra dot above (and left), odd ones are centred.
    const std::vector<std::string> clicks[] = {
        {"##", "##"},
        {".#.", "###", ".#."},
        {".##.", "####", "####", ".##."},
        {".###.", "#####", "#####", "#####", ".###."},
    };
    const std::vector<std::string> lines[] = {
        {"..############", "..############"},
        {"...###########", "..#############", "...###########"},
        {"..############", ".##############", ".##############", "..############"},
        {"..#############", ".###############", ".###############", ".###############", "..#############"},
    };
    for (int width = 2; width <= kMaxPenWidth; ++width) {
        EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 10, 10, 10, 10, width)),
                  Picture(clicks[width - 2], 10 - width / 2, 10 - width / 2))
            << "width " << width;
        const Dots line = Picture(lines[width - 2], 7, 15 - width / 2);
        EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 10, 15, 20, 15, width)), line) << "width " << width;
        EXPECT_EQ(BlackDots(BuildShapeMask(64, kLineTool, 20, 15, 10, 15, width)), line) << "width " << width;
    }
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
            for (int width = 2; width <= kMaxPenWidth; ++width) {
                // A line's ends are dots (mirrored at 63 - x); a box's right edge lies past its last dot, so
                // a box from a to b mirrors to one from 64 - b to 64 - a. An even pen sits half a dot left
                // of and above the figure, so its mirror image is the stroke of a figure one dot further.
                const int far = (tool == kLineTool ? 63 : 64) + (width % 2 == 0 ? 1 : 0);
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

namespace {

// The rows (columns when `vertical`) of black dots crossing the mask at column (row) `at`.
std::set<int> Across(const DotPlane& mask, int at, bool vertical) {
    std::set<int> found;
    for (int i = 0; i < mask.Size(); ++i) {
        if (vertical ? mask.IsBlack(i, at) : mask.IsBlack(at, i)) found.insert(i);
    }
    return found;
}

// The `width` rows or columns of a straight run of a `width` pen on row or column c: odd widths centred,
// even ones with the extra dot above or to the left.
std::set<int> Stroke(int c, int width) {
    std::set<int> rows;
    for (int i = 0; i < width; ++i) rows.insert(c - width / 2 + i);
    return rows;
}

std::set<int> Union(std::set<int> a, const std::set<int>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

}  // namespace

TEST(DrawingWidePens, StraightRunsAreExactlyThePenWidthThick) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int> coord(8, 55), length(12, 40);
    for (int i = 0; i < 40; ++i) {
        const int x = coord(random), y = coord(random), l = length(random);
        for (int width = kMinPenWidth; width <= kMaxPenWidth; ++width) {
            const auto where = [&] {
                return " width " + std::to_string(width) + " at " + std::to_string(x) + "," +
                       std::to_string(y);
            };
            // Lines both ways, across their middle.
            const int mid = x + l / 4;
            EXPECT_EQ(Across(BuildShapeMask(96, kLineTool, x, y, x + l / 2, y, width), mid, false),
                      Stroke(y, width))
                << "horizontal line" << where();
            EXPECT_EQ(Across(BuildShapeMask(96, kLineTool, x + l / 2, y, x, y, width), mid, false),
                      Stroke(y, width))
                << "reversed line" << where();
            EXPECT_EQ(Across(BuildShapeMask(96, kLineTool, y, x, y, x + l / 2, width), mid, true),
                      Stroke(y, width))
                << "vertical line" << where();
            // A rectangle's four sides: outline on x .. x + l - 1 and y .. y + l - 1.
            const DotPlane box = BuildShapeMask(96, kRectangleTool, x + l, y + l, x, y, width);
            EXPECT_EQ(Across(box, x + l / 2, false), Union(Stroke(y, width), Stroke(y + l - 1, width)))
                << "rectangle" << where();
            EXPECT_EQ(Across(box, y + l / 2, true), Union(Stroke(x, width), Stroke(x + l - 1, width)))
                << "rectangle" << where();
            // A circle where its outline runs flat: the middle of the top and bottom, and of the sides.
            const DotPlane circle = BuildShapeMask(96, kCircleTool, x, y, x + l + 1, y + l + 1, width);
            EXPECT_EQ(Across(circle, x + l / 2, false), Union(Stroke(y, width), Stroke(y + l, width)))
                << "circle" << where();
            EXPECT_EQ(Across(circle, y + l / 2, true), Union(Stroke(x, width), Stroke(x + l, width)))
                << "circle" << where();
        }
    }
}

TEST(DrawingWidePens, EveryWidthCoversTheThinFigure) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coord(0, 63);
    for (int i = 0; i < 100; ++i) {
        const int x0 = coord(random), y0 = coord(random), x1 = coord(random), y1 = coord(random);
        for (int tool : kShapeTools) {
            Dots thin = BlackDots(BuildShapeMask(64, tool, x0, y0, x1, y1, 1));
            if (tool == kLineTool) thin.insert({x1, y1});  // wide lines reach the end
            for (int width = 2; width <= kMaxPenWidth; ++width) {
                // An even pen sits half a dot up and left of a line, so along a slanted line its 2-dot
                // stroke need not hold every dot of the 1-dot one.
                if (tool == kLineTool && width == 2) continue;
                const Dots wide = BlackDots(BuildShapeMask(64, tool, x0, y0, x1, y1, width));
                for (const auto& dot : thin) {
                    ASSERT_TRUE(wide.count(dot)) << "tool " << tool << " width " << width << " lost "
                                                 << dot.first << "," << dot.second;
                }
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

namespace {

// Per row, the first and last dot that differs between two planes: what a write's change report must say.
std::vector<DotSpan> ExpectedSpans(const DotPlane& before, const DotPlane& after) {
    std::vector<DotSpan> spans;
    for (int y = 0; y < before.Size(); ++y) {
        int left = -1, right = -1;
        for (int x = 0; x < before.Size(); ++x) {
            if (before.IsBlack(x, y) == after.IsBlack(x, y)) continue;
            if (left < 0) left = x;
            right = x;
        }
        if (left >= 0) spans.push_back({y, left, right});
    }
    return spans;
}

DotPlane RandomPlane(int size, double ink, std::mt19937& random) {
    std::bernoulli_distribution black(ink);
    DotPlane plane(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) plane.SetDot(x, y, black(random));
    }
    return plane;
}

}  // namespace

TEST(DrawingApplyMask, WordWiseWriteAgreesWithTheByteWiseOneAndReportsTheChangedRows) {
    std::mt19937 random(23);
    for (int size : {8, 48, 64, 72, 256}) {  // 48 and 72: rows that are not whole 64-bit words
        for (double ink : {0.0, 0.02, 0.5, 1.0}) {
            for (int colour : {kPenBlack, kPenWhite}) {
                for (bool withRegion : {false, true}) {
                    const DotPlane glyph = RandomPlane(size, 0.3, random);
                    const DotPlane mask = RandomPlane(size, ink, random);
                    const DotPlane region = RandomPlane(size, 0.1, random);
                    const DotPlane* r = withRegion ? &region : nullptr;

                    DotPlane byteWise = glyph;
                    std::vector<DotPoint> cells;
                    const bool touchedBytes = ApplyMask(byteWise, mask, colour, r, cells);
                    DotPlane wordWise = glyph;
                    DotChanges changed;
                    changed.AddSpan(0, 0, 0);  // stale content must go
                    const bool touchedWords = ApplyMask(wordWise, mask, colour, r, changed);

                    const std::string what = "size " + std::to_string(size) + " ink " + std::to_string(ink) +
                                             " colour " + std::to_string(colour) + " region " +
                                             std::to_string(withRegion);
                    ASSERT_TRUE(SamePlane(wordWise, byteWise)) << what;
                    EXPECT_EQ(touchedWords, touchedBytes) << what;
                    const std::vector<DotSpan> expected = ExpectedSpans(glyph, wordWise);
                    EXPECT_EQ(std::vector<DotSpan>(changed.Spans().begin(), changed.Spans().end()), expected)
                        << what;
                }
            }
        }
    }
}

TEST(DrawingApplyMask, ChangeReportOfTypicalEditsIsAFewRectangles) {
    DotPlane glyph(256);
    DotChanges changed;
    // A whole-plane fill is one rectangle: the view invalidates it once.
    const FillResult fill = BuildFillMask(glyph, 100, 100, false);
    ASSERT_TRUE(fill.succeeded);
    EXPECT_TRUE(ApplyMask(glyph, fill.mask, kPenBlack, nullptr, changed));
    EXPECT_EQ(changed.Rectangles(), (std::vector<DotBox>{{0, 0, 255, 255}}));
    EXPECT_EQ(changed.Bounds(), (DotBox{0, 0, 255, 255}));
    // Writing the same again changes nothing, though every dot is concerned.
    EXPECT_TRUE(ApplyMask(glyph, fill.mask, kPenBlack, nullptr, changed));
    EXPECT_TRUE(changed.Empty());
    EXPECT_TRUE(changed.Rectangles().empty());
    EXPECT_EQ(changed.Bounds(), DotBox{});

    // A pen square over dots partly black already: only what really changes, row by row.
    glyph = DotPlane(256);
    glyph.SetDot(62, 10, true);
    glyph.SetDot(63, 10, true);
    EXPECT_TRUE(ApplyMask(glyph, BuildPenMask(256, 62, 10, 3), kPenBlack, nullptr, changed));
    EXPECT_EQ(std::vector<DotSpan>(changed.Spans().begin(), changed.Spans().end()),
              (std::vector<DotSpan>{{10, 64, 64}, {11, 62, 64}, {12, 62, 64}}));
    EXPECT_EQ(changed.Rectangles(), (std::vector<DotBox>{{64, 10, 64, 10}, {62, 11, 64, 12}}));
    EXPECT_EQ(changed.Bounds(), (DotBox{62, 10, 64, 12}));

    // A circle outline: the rectangles cover exactly the changed dots' rows, each within its span.
    glyph = DotPlane(256);
    const DotPlane circle = BuildShapeMask(256, kCircleTool, 0, 0, 256, 256, 1);
    EXPECT_TRUE(ApplyMask(glyph, circle, kPenBlack, nullptr, changed));
    Dots covered;
    for (const DotBox& rect : changed.Rectangles()) {
        for (const auto& dot : Block(rect.left, rect.top, rect.right, rect.bottom)) covered.insert(dot);
    }
    for (const auto& dot : BlackDots(circle))
        EXPECT_TRUE(covered.count(dot)) << dot.first << "," << dot.second;
    EXPECT_EQ(changed.Spans().size(), 256u);
    EXPECT_LT(changed.Rectangles().size(), 256u);  // the straight sides merge
}

TEST(DrawingApplyMask, DifferingSpansAreWhatAnUndoRepaints) {
    std::mt19937 random(29);
    DotChanges changes;
    for (int size : {8, 64, 256}) {
        const DotPlane a = RandomPlane(size, 0.4, random);
        DotPlane b = a;
        DifferingSpans(a, b, changes);
        EXPECT_TRUE(changes.Empty());
        for (int i = 0; i < size; ++i)
            b.SetDot((i * 7) % size, (i * 13) % size, !b.IsBlack((i * 7) % size, (i * 13) % size));
        DifferingSpans(a, b, changes);
        EXPECT_EQ(std::vector<DotSpan>(changes.Spans().begin(), changes.Spans().end()), ExpectedSpans(a, b));
    }
    // Planes of different sizes are not compared.
    DifferingSpans(DotPlane(64), DotPlane(32), changes);
    EXPECT_TRUE(changes.Empty());
}

TEST(DrawingFill, NarrowCorridorsEitherWayFillExactly) {
    // One-dot corridors joined alternately at their ends (a serpentine), vertical and horizontal, on
    // glyph sizes with and without whole 64-dot words: the fill must match the plain flood fill whichever
    // way it walks the picture.
    for (int size : {64, 72, 256}) {
        DotPlane vertical(size);
        for (int x = 1; x < size; x += 2) {
            for (int y = 0; y < size; ++y) vertical.SetDot(x, y, true);
            vertical.SetDot(x, (x / 2) % 2 == 0 ? size - 1 : 0, false);
        }
        DotPlane across(size);  // the same corridors lying down
        for (auto [x, y] : BlackDots(vertical)) across.SetDot(y, x, true);
        for (const DotPlane* maze : {&vertical, &across}) {
            for (auto [x, y] : {std::pair{0, 0}, {size - 2, size - 1}, {size / 2, size / 2}}) {
                const Dots expected = ReferenceFill(*maze, x, y, false);
                const FillResult result = BuildFillMask(*maze, x, y, false);
                EXPECT_EQ(result.succeeded, !expected.empty());
                ASSERT_EQ(BlackDots(result.mask), expected) << "size " << size << " at " << x << "," << y;
            }
            // The white fill of the walls.
            const Dots walls = ReferenceFill(*maze, 1, size / 2, true);
            ASSERT_EQ(BlackDots(BuildFillMask(*maze, 1, size / 2, true).mask), walls);
        }
    }
}

TEST(DrawingFill, SpiralsAndMazesOfOneDotCorridorsFillExactly) {
    // Nested rings of one-dot walls, each opened at one dot of its top side, alternately left and right
    // (every row and every column crosses many corridors), and a maze carved at random, whose corridors
    // turn back in both directions all the time; seen as they are and turned on their side.
    for (int size : {72, 256}) {
        DotPlane spiral(size);
        for (int ring = 1; ring < size / 2; ring += 2) {
            const int lo = ring, hi = size - 1 - ring;
            for (int i = lo; i <= hi; ++i) {
                spiral.SetDot(i, lo, true);
                spiral.SetDot(i, hi, true);
                spiral.SetDot(lo, i, true);
                spiral.SetDot(hi, i, true);
            }
            spiral.SetDot(ring % 4 == 1 ? lo + 1 : hi - 1, lo, false);
        }
        DotPlane maze(size);
        maze.Fill(true);
        std::mt19937 random(11);
        const int cells = size / 2;
        std::vector<char> carved(static_cast<std::size_t>(cells * cells), 0);
        std::vector<std::pair<int, int>> path{{0, 0}};
        carved[0] = 1;
        maze.SetDot(0, 0, false);
        while (!path.empty()) {
            const auto [cx, cy] = path.back();
            std::vector<std::pair<int, int>> ways;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int nx = cx + dx, ny = cy + dy;
                if (nx >= 0 && ny >= 0 && nx < cells && ny < cells &&
                    !carved[static_cast<std::size_t>(ny * cells + nx)])
                    ways.push_back({dx, dy});
            }
            if (ways.empty()) {
                path.pop_back();
                continue;
            }
            const auto [dx, dy] = ways[random() % ways.size()];
            carved[static_cast<std::size_t>((cy + dy) * cells + cx + dx)] = 1;
            maze.SetDot(2 * cx + dx, 2 * cy + dy, false);
            maze.SetDot(2 * (cx + dx), 2 * (cy + dy), false);
            path.push_back({cx + dx, cy + dy});
        }
        for (const DotPlane* picture : {&spiral, &maze}) {
            DotPlane turned(size);
            for (auto [x, y] : BlackDots(*picture)) turned.SetDot(y, x, true);
            for (const DotPlane* p : std::initializer_list<const DotPlane*>{picture, &turned}) {
                for (auto [x, y] : {std::pair{0, 0}, {size / 2, size / 2}, {size - 2, 0}}) {
                    const Dots expected = ReferenceFill(*p, x, y, false);
                    const FillResult result = BuildFillMask(*p, x, y, false);
                    EXPECT_EQ(result.succeeded, !expected.empty());
                    ASSERT_EQ(BlackDots(result.mask), expected) << "size " << size << " at " << x << "," << y;
                }
            }
        }
    }
}
