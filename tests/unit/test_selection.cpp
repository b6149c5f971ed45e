#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "editor/drawing.h"
#include "editor/selection.h"
#include "editor/selection_ops.h"

namespace {

using Dots = std::set<std::pair<int, int>>;

// The dots of a region within a window around the glyph (regions may reach outside it).
Dots RegionDots(const DotRegion& region, int lo, int hi) {
    Dots dots;
    for (int y = lo; y < hi; ++y) {
        for (int x = lo; x < hi; ++x) {
            if (region.Contains(x, y)) dots.insert({x, y});
        }
    }
    return dots;
}

Dots RectDots(int l, int t, int r, int b) {
    Dots dots;
    for (int y = t; y < b; ++y) {
        for (int x = l; x < r; ++x) dots.insert({x, y});
    }
    return dots;
}

Dots PlaneDots(const DotPlane& plane) {
    Dots dots;
    for (int y = 0; y < plane.Size(); ++y) {
        for (int x = 0; x < plane.Size(); ++x) {
            if (plane.IsBlack(x, y)) dots.insert({x, y});
        }
    }
    return dots;
}

DotRegion Union(const DotRegion& a, const DotRegion& b) { return DotRegion::Combine(a, b, kRgnOr); }

}  // namespace

// CreateRectRgn semantics: right and bottom exclusive, corners in any order, degenerate rectangles empty.
TEST(DotRegion, RectanglesFollowGdi) {
    const DotRegion r = DotRegion::FromRect(5, 7, 2, 3);
    EXPECT_EQ(r, DotRegion::FromRect(2, 3, 5, 7));
    EXPECT_EQ(RegionDots(r, -2, 10), RectDots(2, 3, 5, 7));
    EXPECT_EQ(r.Box(), (DotRect{2, 3, 5, 7}));
    EXPECT_TRUE(r.IsRectangle());

    for (const DotRegion& empty :
         {DotRegion::FromRect(4, 1, 4, 9), DotRegion::FromRect(1, 4, 9, 4), DotRegion()}) {
        EXPECT_TRUE(empty.IsEmpty());
        EXPECT_EQ(empty.Box(), DotRect{});
        EXPECT_EQ(empty, DotRegion());
    }
    // Combining with an empty shape changes nothing.
    EXPECT_EQ(Union(r, DotRegion::FromRect(9, 9, 9, 20)), r);
    EXPECT_EQ(DotRegion::Combine(r, DotRegion(), kRgnDiff), r);
    EXPECT_TRUE(DotRegion::Combine(DotRegion(), r, kRgnDiff).IsEmpty());
    // Coordinates far outside any glyph are clamped, not overflowed.
    const DotRegion huge = DotRegion::FromRect(-2000000000, 0, 2000000000, 1);
    EXPECT_EQ(huge.Box(), (DotRect{-kRegionCoordLimit, 0, kRegionCoordLimit, 1}));
}

// Rectangles that touch merge into one; the same dots give the same region whatever the order of building.
TEST(DotRegion, CanonicalFormMakesEqualityIndependentOfBuildOrder) {
    const DotRegion left = DotRegion::FromRect(0, 0, 2, 2), right = DotRegion::FromRect(2, 0, 4, 2);
    const DotRegion below = DotRegion::FromRect(0, 2, 4, 5);
    EXPECT_EQ(Union(left, right), DotRegion::FromRect(0, 0, 4, 2));
    EXPECT_EQ(Union(Union(left, right), below), DotRegion::FromRect(0, 0, 4, 5));
    EXPECT_EQ(Union(below, Union(right, left)).Rectangles().size(), 1u);
    // Rectangles that only touch at a corner stay two.
    EXPECT_EQ(Union(DotRegion::FromRect(0, 0, 2, 2), DotRegion::FromRect(2, 2, 4, 4)).Rectangles().size(),
              2u);
    // A hole cut and filled again.
    const DotRegion square = DotRegion::FromRect(0, 0, 6, 6), hole = DotRegion::FromRect(2, 2, 4, 4);
    const DotRegion ring = DotRegion::Combine(square, hole, kRgnDiff);
    EXPECT_FALSE(ring.IsRectangle());
    EXPECT_EQ(ring.Box(), square.Box());
    EXPECT_FALSE(ring.Contains(2, 2));
    EXPECT_TRUE(ring.Contains(1, 2));
    EXPECT_EQ(Union(ring, hole), square);
    EXPECT_NE(ring, square);

    // Random rectangles, unioned in random orders, and the same dots given as a mask: all equal.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-6, 20);
    for (int round = 0; round < 40; ++round) {
        std::vector<DotRegion> rects;
        for (int i = 0; i < 6; ++i)
            rects.push_back(DotRegion::FromRect(coord(rng), coord(rng), coord(rng), coord(rng)));
        DotRegion first;
        for (const DotRegion& r : rects) first = Union(first, r);
        std::shuffle(rects.begin(), rects.end(), rng);
        DotRegion second;
        for (const DotRegion& r : rects) second = Union(r, second);
        EXPECT_EQ(first, second);
        const DotRegion shifted = [&] {
            DotRegion r = first;
            r.Offset(8, 8);  // all inside a 32-dot plane
            return r;
        }();
        DotPlane mask(32);
        for (auto [x, y] : RegionDots(shifted, 0, 32)) mask.SetDot(x, y, true);
        EXPECT_EQ(DotRegion::FromMask(mask), shifted);
    }
}

// Every operation against a plain set of dots, on shapes reaching outside the glyph.
TEST(DotRegion, OperationsMatchDotSets) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(-5, 15);
    const RegionOp ops[] = {kRgnAnd, kRgnOr, kRgnXor, kRgnDiff, kRgnCopy};
    for (int round = 0; round < 80; ++round) {
        DotRegion a, b;
        for (int i = 0; i < 3; ++i) {
            a = DotRegion::Combine(a, DotRegion::FromRect(coord(rng), coord(rng), coord(rng), coord(rng)),
                                   i == 1 ? kRgnDiff : kRgnOr);
            b = DotRegion::Combine(b, DotRegion::FromRect(coord(rng), coord(rng), coord(rng), coord(rng)),
                                   kRgnXor);
        }
        const Dots da = RegionDots(a, -6, 16), db = RegionDots(b, -6, 16);
        for (RegionOp op : ops) {
            Dots expected;
            for (int y = -6; y < 16; ++y) {
                for (int x = -6; x < 16; ++x) {
                    const bool inA = da.contains({x, y}), inB = db.contains({x, y});
                    const bool in = op == kRgnAnd    ? inA && inB
                                    : op == kRgnOr   ? inA || inB
                                    : op == kRgnXor  ? inA != inB
                                    : op == kRgnDiff ? inA && !inB
                                                     : inA;
                    if (in) expected.insert({x, y});
                }
            }
            const DotRegion result = DotRegion::Combine(a, b, op);
            ASSERT_EQ(RegionDots(result, -6, 16), expected) << "round " << round << " op " << op;
            // The box is the tightest rectangle around the dots.
            DotRect box{};
            if (!expected.empty()) {
                box = {expected.begin()->first, expected.begin()->second, expected.begin()->first,
                       expected.begin()->second};
                for (auto [x, y] : expected) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
            }
            EXPECT_EQ(result.Box(), box);
        }
    }
}

TEST(DotRegion, OffsetMovesEveryDotAndRefusesToPassTheLimit) {
    DotRegion r = Union(DotRegion::FromRect(0, 0, 3, 1), DotRegion::FromRect(1, 1, 2, 3));
    const Dots before = RegionDots(r, -20, 20);
    ASSERT_TRUE(r.Offset(-10, -7));
    Dots expected;
    for (auto [x, y] : before) expected.insert({x - 10, y - 7});
    EXPECT_EQ(RegionDots(r, -20, 20), expected);
    EXPECT_EQ(r.Box(), (DotRect{-10, -7, -7, -4}));

    DotRegion far = DotRegion::FromRect(0, 0, 4, 4);
    const DotRegion copy = far;
    EXPECT_FALSE(far.Offset(kRegionCoordLimit, 0));
    EXPECT_EQ(far, copy);
    EXPECT_TRUE(far.Offset(kRegionCoordLimit - 4, 0));
}

// GDI builds an automatic selection by combining one 1-dot rectangle per dot; the one-pass mask region
// must be that very region, for adding and removing alike.
TEST(DotRegion, MaskRegionEqualsDotByDotCombining) {
    std::mt19937 rng(3);
    for (int round = 0; round < 8; ++round) {
        DotPlane mask(32);
        const int density = 1 + round % 4;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) mask.SetDot(x, y, static_cast<int>(rng() % 5) < density);
        }
        DotRegion start = DotRegion::FromRect(4, -3, 40, 20);
        DotRegion added = start, removed = start;
        for (auto [x, y] : PlaneDots(mask)) {
            added = Union(added, DotRegion::FromRect(x, y, x + 1, y + 1));
            removed = DotRegion::Combine(removed, DotRegion::FromRect(x, y, x + 1, y + 1), kRgnDiff);
        }
        EXPECT_EQ(DotRegion::Combine(start, DotRegion::FromMask(mask), kRgnOr), added);
        EXPECT_EQ(DotRegion::Combine(start, DotRegion::FromMask(mask), kRgnDiff), removed);
    }
    DotPlane full(64);
    full.Fill(true);
    EXPECT_EQ(DotRegion::FromMask(full), DotRegion::FromRect(0, 0, 64, 64));
}

TEST(Selection, ModesOfRectangleSelection) {
    EXPECT_EQ(SelectionModeOfKeys(false, false), kSelectReplace);
    EXPECT_EQ(SelectionModeOfKeys(true, false), kSelectAdd);
    EXPECT_EQ(SelectionModeOfKeys(true, true), kSelectAdd);
    EXPECT_EQ(SelectionModeOfKeys(false, true), kSelectRemove);

    MatrixSelection sel(64);
    // Alt with no selection at all: fails and leaves it absent.
    EXPECT_FALSE(sel.SelectRect(0, 0, 10, 10, kSelectRemove));
    EXPECT_EQ(sel.Region(), nullptr);
    EXPECT_FALSE(sel.HasSelection());

    // Dragged from (5, 5) to (2, 2): dots 2..4, the start's row and column left out.
    ASSERT_TRUE(sel.SelectRect(5, 5, 2, 2, kSelectReplace));
    EXPECT_EQ(RegionDots(*sel.Region(), -1, 65), RectDots(2, 2, 5, 5));
    // From (3, 3) to past the lower right corner, the release clamped to N: dots 3..N-1.
    const DotPoint release = ClampToGlyphEdge({500, 900}, 64);
    ASSERT_TRUE(sel.SelectRect(3, 3, release.x, release.y, kSelectReplace));
    EXPECT_EQ(sel.Box(), (DotRect{3, 3, 64, 64}));

    ASSERT_TRUE(sel.SelectRect(0, 0, 4, 4, kSelectAdd));
    EXPECT_TRUE(sel.Contains(0, 0));
    EXPECT_TRUE(sel.Contains(63, 63));
    ASSERT_TRUE(sel.SelectRect(0, 0, 64, 10, kSelectRemove));
    EXPECT_FALSE(sel.Contains(0, 0));
    EXPECT_EQ(sel.Box(), (DotRect{3, 10, 64, 64}));

    // Removing everything leaves an empty region: no selection, but Shift-adding works on it.
    ASSERT_TRUE(sel.SelectAll(kSelectRemove));
    EXPECT_NE(sel.Region(), nullptr);
    EXPECT_FALSE(sel.HasSelection());
    ASSERT_TRUE(sel.SelectRect(1, 1, 2, 2, kSelectAdd));
    EXPECT_TRUE(sel.HasSelection());

    // Deselect clears only in replace mode.
    EXPECT_TRUE(sel.Deselect(kSelectAdd));
    EXPECT_TRUE(sel.HasSelection());
    EXPECT_TRUE(sel.Deselect(kSelectRemove));
    EXPECT_TRUE(sel.HasSelection());
    EXPECT_TRUE(sel.Deselect(kSelectReplace));
    EXPECT_FALSE(sel.HasSelection());
    EXPECT_EQ(PlaneDots(sel.Outline()), Dots{});
}

TEST(Selection, AutomaticSelectionTakesTheConnectedArea) {
    DotPlane glyph(64);
    for (int x = 10; x < 20; ++x) glyph.SetDot(x, 5, true);  // a bar
    for (int y = 5; y < 12; ++y) glyph.SetDot(10, y, true);  // joined to a post
    glyph.SetDot(11, 6, false);
    glyph.SetDot(30, 30, true);  // elsewhere
    MatrixSelection sel(64);

    // Left button (invert = not pen swap): the black area under a black dot; a white dot fails.
    EXPECT_FALSE(BuildFillMask(glyph, 0, 0, true).succeeded);
    const FillResult fill = BuildFillMask(glyph, 15, 5, true);
    ASSERT_TRUE(fill.succeeded);
    EXPECT_FALSE(sel.SelectMask(fill.mask, kSelectRemove));
    EXPECT_EQ(sel.Region(), nullptr);
    ASSERT_TRUE(sel.SelectMask(fill.mask, kSelectReplace));
    Dots expected = RectDots(10, 5, 20, 6);
    for (int y = 5; y < 12; ++y) expected.insert({10, y});
    EXPECT_EQ(RegionDots(*sel.Region(), -1, 65), expected);
    // Shift adds the other island, Alt takes the bar away again.
    ASSERT_TRUE(sel.SelectMask(BuildFillMask(glyph, 30, 30, true).mask, kSelectAdd));
    EXPECT_TRUE(sel.Contains(30, 30));
    ASSERT_TRUE(sel.SelectMask(BuildFillMask(glyph, 30, 30, true).mask, kSelectRemove));
    EXPECT_EQ(RegionDots(*sel.Region(), -1, 65), expected);
    // Replace with an empty mask leaves an empty selection.
    ASSERT_TRUE(sel.SelectMask(DotPlane(64), kSelectReplace));
    EXPECT_FALSE(sel.HasSelection());
}

TEST(Selection, InvertIsTheComplementWithinTheGlyph) {
    MatrixSelection sel(16);
    EXPECT_FALSE(sel.InvertSelection());
    EXPECT_EQ(sel.Region(), nullptr);
    ASSERT_TRUE(sel.SelectRect(0, 0, 0, 0, kSelectReplace));
    EXPECT_FALSE(sel.InvertSelection());  // an empty selection does not become "all"
    EXPECT_FALSE(sel.HasSelection());

    // A selection reaching outside: the outside part is dropped by the inversion.
    ASSERT_TRUE(sel.SelectRect(-4, -4, 8, 4, kSelectReplace));
    ASSERT_TRUE(sel.InvertSelection());
    Dots expected = RectDots(0, 0, 16, 16);
    for (auto d : RectDots(0, 0, 8, 4)) expected.erase(d);
    EXPECT_EQ(RegionDots(*sel.Region(), -5, 20), expected);

    ASSERT_TRUE(sel.SelectAll(kSelectReplace));
    ASSERT_TRUE(sel.InvertSelection());
    EXPECT_FALSE(sel.HasSelection());
}

// FrameRgn(region, 1, 1): the dots of the region with a 4-neighbour outside it, on the glyph only.
TEST(Selection, OutlineIsTheInnerBorder) {
    MatrixSelection sel(16);
    ASSERT_TRUE(sel.SelectRect(2, 3, 6, 7, kSelectReplace));
    Dots border = RectDots(2, 3, 6, 7);
    for (auto d : RectDots(3, 4, 5, 6)) border.erase(d);
    EXPECT_EQ(PlaneDots(sel.Outline()), border);

    // A selection running on past the glyph's edge has no border along that edge.
    ASSERT_TRUE(sel.SelectRect(-3, 10, 5, 30, kSelectReplace));
    Dots edge;
    for (int x = 0; x < 5; ++x) edge.insert({x, 10});
    for (int y = 10; y < 16; ++y) edge.insert({4, y});
    EXPECT_EQ(PlaneDots(sel.Outline()), edge);

    // Random shapes against the neighbour rule.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> coord(-3, 19);
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(sel.SelectRect(coord(rng), coord(rng), coord(rng), coord(rng), kSelectReplace));
        for (int i = 0; i < 4; ++i) {
            sel.SelectRect(coord(rng), coord(rng), coord(rng), coord(rng),
                           i % 2 ? kSelectRemove : kSelectAdd);
        }
        Dots expected;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (!sel.Contains(x, y)) continue;
                if (!sel.Contains(x - 1, y) || !sel.Contains(x + 1, y) || !sel.Contains(x, y - 1) ||
                    !sel.Contains(x, y + 1)) {
                    expected.insert({x, y});
                }
            }
        }
        ASSERT_EQ(PlaneDots(sel.Outline()), expected) << "round " << round;
        EXPECT_EQ(PlaneDots(sel.RegionMask()), RegionDots(*sel.Region(), 0, 16));
    }
}

TEST(Selection, NudgeStaysWithinTheGlyph) {
    MatrixSelection sel(64);
    EXPECT_FALSE(sel.NudgeStep(kNudgeLeft));
    ASSERT_TRUE(sel.SelectRect(0, 5, 64, 9, kSelectReplace));  // columns 0..63
    EXPECT_FALSE(sel.NudgeStep(kNudgeLeft));
    EXPECT_FALSE(sel.NudgeStep(kNudgeRight));  // the box ends at column N-1
    EXPECT_FALSE(sel.NudgeSelection(kNudgeRight));
    ASSERT_TRUE(sel.NudgeSelection(kNudgeUp));
    EXPECT_EQ(sel.Box(), (DotRect{0, 4, 64, 8}));
    EXPECT_TRUE(sel.Outline().IsBlack(0, 4));
    EXPECT_FALSE(sel.Outline().IsBlack(0, 8));
    ASSERT_TRUE(sel.NudgeSelection(kNudgeDown));
    ASSERT_TRUE(sel.SelectRect(1, 0, 3, 63, kSelectReplace));
    EXPECT_FALSE(sel.NudgeStep(kNudgeUp));
    EXPECT_EQ(sel.NudgeStep(kNudgeDown), (DotPoint{0, 1}));
    ASSERT_TRUE(sel.NudgeSelection(kNudgeDown));
    EXPECT_FALSE(sel.NudgeStep(kNudgeDown));
    EXPECT_EQ(sel.NudgeStep(kNudgeLeft), (DotPoint{-1, 0}));
    // A selection already partly outside may not be nudged further out on that side.
    ASSERT_TRUE(sel.SelectRect(-2, 2, 5, 5, kSelectReplace));
    EXPECT_FALSE(sel.NudgeStep(kNudgeLeft));
    EXPECT_TRUE(sel.NudgeStep(kNudgeRight));
}
