#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "editor/selection_ops.h"

namespace {

using Dots = std::set<std::pair<int, int>>;

Dots PlaneDots(const DotPlane& plane) {
    Dots dots;
    for (int y = 0; y < plane.Size(); ++y) {
        for (int x = 0; x < plane.Size(); ++x) {
            if (plane.IsBlack(x, y)) dots.insert({x, y});
        }
    }
    return dots;
}

Dots ImageDots(const OneBitImage& image) {
    Dots dots;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.IsBlack(x, y)) dots.insert({x, y});
        }
    }
    return dots;
}

DotPlane PlaneOf(int size, const Dots& dots) {
    DotPlane plane(size);
    for (auto [x, y] : dots) plane.SetDot(x, y, true);
    return plane;
}

DotPlane RandomPlane(int size, unsigned seed) {
    std::mt19937 rng(seed);
    DotPlane plane(size);
    for (std::uint8_t& b : plane.Bytes()) b = static_cast<std::uint8_t>(rng());
    return plane;
}

std::vector<DotSpan> Spans(const DotChanges& changes) {
    return {changes.Spans().begin(), changes.Spans().end()};
}

// What an operation must report: exactly the dots whose value changed, one span per row.
std::vector<DotSpan> ChangedSpans(const DotPlane& before, const DotPlane& after) {
    DotChanges changes;
    DifferingSpans(before, after, changes);
    return Spans(changes);
}

bool Covers(const DotChanges& changes, int x, int y) {
    return std::ranges::any_of(changes.Spans(),
                               [&](const DotSpan& s) { return s.y == y && s.left <= x && x <= s.right; });
}

}  // namespace

TEST(SelectionRender, SelectedBlackDotsShiftedAndTheBorderOnRequest) {
    const DotPlane glyph = PlaneOf(16, {{2, 2}, {4, 3}, {9, 9}, {15, 0}});
    MatrixSelection sel(16);
    EXPECT_FALSE(RenderSelection(glyph, sel, 0, 0, true).anyQualified);  // no selection
    ASSERT_TRUE(sel.SelectRect(1, 1, 6, 5, kSelectReplace));
    ASSERT_TRUE(sel.SelectRect(15, 0, 20, 1, kSelectAdd));

    const RenderedPlane same = RenderSelection(glyph, sel, 0, 0, true);
    EXPECT_TRUE(same.anyQualified);
    EXPECT_EQ(PlaneDots(same.plane), (Dots{{2, 2}, {4, 3}, {15, 0}}));
    // Shifted across byte boundaries both ways; a dot pushed off the plane is dropped but still counts.
    EXPECT_EQ(PlaneDots(RenderSelection(glyph, sel, 5, 1, true).plane), (Dots{{7, 3}, {9, 4}}));
    EXPECT_EQ(PlaneDots(RenderSelection(glyph, sel, -3, -2, true).plane), (Dots{{1, 1}}));
    const RenderedPlane gone = RenderSelection(glyph, sel, 40, 0, true);
    EXPECT_TRUE(gone.anyQualified);
    EXPECT_EQ(PlaneDots(gone.plane), Dots{});

    // Not black-only: the border comes along (the move preview).
    Dots withBorder = PlaneDots(sel.Outline());
    withBorder.insert({2, 2});
    withBorder.insert({4, 3});
    EXPECT_EQ(PlaneDots(RenderSelection(glyph, sel, 0, 0, false).plane), withBorder);

    // A selection of white dots only qualifies nothing black-only, but its border does.
    ASSERT_TRUE(sel.SelectRect(10, 10, 14, 14, kSelectReplace));
    EXPECT_FALSE(RenderSelection(glyph, sel, 0, 0, true).anyQualified);
    EXPECT_TRUE(RenderSelection(glyph, sel, 0, 0, false).anyQualified);
}

TEST(SelectionRender, ClipboardPictureIsTheBoxWithTheSelectedBlackDots) {
    const DotPlane glyph = PlaneOf(64, {{3, 4}, {10, 6}, {11, 6}, {12, 12}, {0, 0}});
    MatrixSelection sel(64);
    EXPECT_FALSE(RenderSelectionForClipboard(glyph, sel).anyQualified);
    ASSERT_TRUE(sel.SelectRect(3, 4, 12, 7, kSelectReplace));
    const RenderedImage copy = RenderSelectionForClipboard(glyph, sel);
    ASSERT_TRUE(copy.anyQualified);
    EXPECT_EQ(copy.image.width, 9);
    EXPECT_EQ(copy.image.height, 3);
    EXPECT_EQ(copy.image.RowBytes(), 2u);  // rows padded to a 16-bit word, as CreateBitmap wants
    EXPECT_EQ(ImageDots(copy.image), (Dots{{0, 0}, {7, 2}, {8, 2}}));
    // Padding bits stay white.
    EXPECT_EQ(copy.image.bytes[1] & 0x7F, 0x7F);

    // A selection reaching outside the glyph keeps its box: the dots keep their place in it.
    ASSERT_TRUE(sel.SelectRect(-2, -1, 4, 5, kSelectReplace));
    const RenderedImage outside = RenderSelectionForClipboard(glyph, sel);
    EXPECT_EQ(outside.image.width, 6);
    EXPECT_EQ(outside.image.height, 6);
    EXPECT_EQ(ImageDots(outside.image), (Dots{{2, 1}, {5, 5}}));

    // Only white dots selected: nothing for the clipboard.
    ASSERT_TRUE(sel.SelectRect(20, 20, 30, 30, kSelectReplace));
    EXPECT_FALSE(RenderSelectionForClipboard(glyph, sel).anyQualified);

    // A box made huge by moving the selection far away is cut down to the glyph, keeping every dot.
    ASSERT_TRUE(sel.SelectRect(0, 0, 2, 2, kSelectReplace));
    ASSERT_TRUE(sel.SelectRect(0, 0, 1, 1, kSelectReplace));
    ASSERT_TRUE(sel.Offset(-100000, 0));
    ASSERT_TRUE(sel.SelectRect(0, 0, 64, 64, kSelectAdd));
    const RenderedImage cut = RenderSelectionForClipboard(glyph, sel);
    EXPECT_EQ(cut.image.width, 64);
    EXPECT_EQ(cut.image.height, 64);
    EXPECT_EQ(ImageDots(cut.image).size(), 5u);
}

TEST(SelectionImage, InvertAndCopyPlaneActOnlyInsideTheRegion) {
    DotPlane glyph = RandomPlane(32, 1);
    const DotPlane before = glyph;
    MatrixSelection sel(32);
    DotChanges repaint;
    EXPECT_EQ(InvertSelectedImage(glyph, sel, repaint), SelectionOpResult::kNoSelection);

    // An L-shaped selection partly outside the glyph.
    ASSERT_TRUE(sel.SelectRect(-5, 2, 10, 6, kSelectReplace));
    ASSERT_TRUE(sel.SelectRect(6, 6, 10, 40, kSelectAdd));
    ASSERT_EQ(InvertSelectedImage(glyph, sel, repaint), SelectionOpResult::kDone);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(glyph.IsBlack(x, y), before.IsBlack(x, y) != sel.Contains(x, y)) << x << "," << y;
    }
    EXPECT_EQ(Spans(repaint), ChangedSpans(before, glyph));
    ASSERT_EQ(InvertSelectedImage(glyph, sel, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(glyph, before);

    // Copying a plane in: inside the region the glyph becomes the plane, outside it stays.
    DotPlane black(32);
    black.Fill(true);
    ASSERT_TRUE(CopyPlaneInRegion(glyph, black, *sel.Region(), false, repaint));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(glyph.IsBlack(x, y), sel.Contains(x, y) || before.IsBlack(x, y));
    }
    EXPECT_FALSE(CopyPlaneInRegion(glyph, DotPlane(16), *sel.Region(), false, repaint));
    EXPECT_FALSE(CopyPlaneInRegion(glyph, black, DotRegion::FromRect(40, 0, 50, 10), false, repaint));
}

TEST(SelectionImage, FlipsMirrorWithinTheBox) {
    // The box (2, 3)-(6, 5).
    const DotPlane glyph = PlaneOf(16, {{2, 3}, {5, 4}, {3, 3}, {0, 0}});
    MatrixSelection sel(16);
    ASSERT_TRUE(sel.SelectRect(2, 3, 6, 5, kSelectReplace));
    DotChanges repaint;

    DotPlane h = glyph;
    ASSERT_EQ(FlipSelection(h, sel, kFlipHorizontal, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(h), (Dots{{5, 3}, {2, 4}, {4, 3}, {0, 0}}));
    EXPECT_EQ(Spans(repaint), ChangedSpans(glyph, h));

    DotPlane v = glyph;
    ASSERT_EQ(FlipSelection(v, sel, kFlipVertical, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(v), (Dots{{2, 4}, {5, 3}, {3, 4}, {0, 0}}));

    DotPlane both = glyph;
    ASSERT_EQ(FlipSelection(both, sel, kFlipHalfTurn, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(both), (Dots{{5, 4}, {2, 3}, {4, 4}, {0, 0}}));
    ASSERT_EQ(FlipSelection(both, sel, kFlipHalfTurn, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(both, glyph);

    // A box reaching past an edge: dots mirrored outside are lost, dots mirrored in from outside are white.
    DotPlane edge = PlaneOf(16, {{0, 8}, {3, 8}});
    ASSERT_TRUE(sel.SelectRect(-4, 8, 4, 9, kSelectReplace));  // L + R - 1 = -1
    ASSERT_EQ(FlipSelection(edge, sel, kFlipHorizontal, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(edge), Dots{});

    // A box wider than the glyph on both sides keeps every dot that mirrors onto the glyph.
    DotPlane wide = PlaneOf(16, {{12, 1}, {3, 1}});
    ASSERT_TRUE(sel.SelectRect(-10, 0, 30, 2, kSelectReplace));  // x goes to 19 - x
    ASSERT_EQ(FlipSelection(wide, sel, kFlipHorizontal, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(wide), (Dots{{7, 1}}));  // 3 goes to 16, off the glyph
}

TEST(SelectionImage, FlipsAndTurnsNeedARectangleAndABlackDot) {
    DotPlane glyph = PlaneOf(16, {{5, 5}});
    const DotPlane before = glyph;
    MatrixSelection sel(16);
    DotChanges repaint;
    EXPECT_EQ(FlipSelection(glyph, sel, kFlipVertical, repaint), SelectionOpResult::kNoSelection);
    EXPECT_EQ(RotateSelection(glyph, sel, false, repaint), SelectionOpResult::kNoSelection);

    // A diamond: the question first, nothing changed; Yes widens the selection to its box.
    ASSERT_TRUE(sel.SelectRect(5, 3, 6, 8, kSelectReplace));
    ASSERT_TRUE(sel.SelectRect(3, 5, 8, 6, kSelectAdd));
    EXPECT_FALSE(sel.IsRectangular());
    EXPECT_EQ(FlipSelection(glyph, sel, kFlipVertical, repaint), SelectionOpResult::kNeedsRectSelection);
    EXPECT_EQ(RotateSelection(glyph, sel, true, repaint), SelectionOpResult::kNeedsRectSelection);
    EXPECT_EQ(glyph, before);
    EXPECT_TRUE(repaint.Empty());
    ASSERT_TRUE(sel.ExpandToBox());
    EXPECT_TRUE(sel.IsRectangular());
    EXPECT_EQ(sel.Box(), (DotRect{3, 3, 8, 8}));
    EXPECT_EQ(FlipSelection(glyph, sel, kFlipVertical, repaint), SelectionOpResult::kDone);

    // White dots only: nothing changes, the selection stays.
    ASSERT_TRUE(sel.SelectRect(10, 10, 14, 12, kSelectReplace));
    const DotPlane now = glyph;
    EXPECT_EQ(FlipSelection(glyph, sel, kFlipHorizontal, repaint), SelectionOpResult::kNoBlackDot);
    EXPECT_EQ(RotateSelection(glyph, sel, false, repaint), SelectionOpResult::kNoBlackDot);
    EXPECT_EQ(glyph, now);
    EXPECT_EQ(sel.Box(), (DotRect{10, 10, 14, 12}));
}

TEST(SelectionImage, QuarterTurnsUseTheTurnedBox) {
    EXPECT_EQ(QuarterTurnBox({0, 0, 4, 2}), (DotRect{1, -1, 3, 3}));
    EXPECT_EQ(QuarterTurnBox({1, -1, 3, 3}), (DotRect{0, 0, 4, 2}));
    EXPECT_EQ(QuarterTurnBox({2, 2, 5, 5}), (DotRect{2, 2, 5, 5}));
    EXPECT_EQ(QuarterTurnBox({0, 0, 5, 2}), (DotRect{1, -1, 3, 4}));  // halves truncated: 5/2 = 2

    // (0, 0)-(4, 2) clockwise: (0, 0) goes to (2, -1) and is lost, (3, 1) to (1, 2).
    DotPlane glyph = PlaneOf(16, {{0, 0}, {3, 1}, {9, 9}});
    MatrixSelection sel(16);
    ASSERT_TRUE(sel.SelectRect(0, 0, 4, 2, kSelectReplace));
    DotChanges repaint;
    ASSERT_EQ(RotateSelection(glyph, sel, false, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(glyph), (Dots{{1, 2}, {9, 9}}));
    EXPECT_EQ(sel.Box(), (DotRect{1, -1, 3, 3}));
    EXPECT_TRUE(sel.IsRectangular());
    EXPECT_TRUE(Covers(repaint, 0, 0));  // the old place was cleared
    EXPECT_TRUE(sel.Outline().IsBlack(1, 2));

    // Anticlockwise: the top-left dot of a square box goes to its bottom-left.
    DotPlane square = PlaneOf(16, {{4, 4}});
    ASSERT_TRUE(sel.SelectRect(4, 4, 8, 8, kSelectReplace));
    ASSERT_EQ(RotateSelection(square, sel, true, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(square), (Dots{{4, 7}}));
    ASSERT_EQ(RotateSelection(square, sel, false, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(PlaneDots(square), (Dots{{4, 4}}));

    // Turning the whole glyph clockwise: (x, y) goes to (N - 1 - y, x); four turns give it back.
    const DotPlane random = RandomPlane(32, 9);
    DotPlane whole = random;
    sel = MatrixSelection(32);
    // A selection made for another glyph size selects nothing of this one.
    MatrixSelection other(16);
    ASSERT_TRUE(other.SelectAll(kSelectReplace));
    EXPECT_EQ(RotateSelection(whole, other, false, repaint), SelectionOpResult::kNoBlackDot);
    EXPECT_EQ(whole, random);
    ASSERT_TRUE(sel.SelectAll(kSelectReplace));
    ASSERT_EQ(RotateSelection(whole, sel, false, repaint), SelectionOpResult::kDone);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_EQ(whole.IsBlack(31 - y, x), random.IsBlack(x, y));
    }
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(RotateSelection(whole, sel, false, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(whole, random);
    EXPECT_EQ(sel.Box(), (DotRect{0, 0, 32, 32}));

    // A non-square box turned clockwise then anticlockwise is back where it was, dots included.
    DotPlane oblong = PlaneOf(32, {{10, 10}, {16, 11}, {12, 12}});
    const DotPlane oblongBefore = oblong;
    ASSERT_TRUE(sel.SelectRect(10, 10, 17, 13, kSelectReplace));
    ASSERT_EQ(RotateSelection(oblong, sel, false, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(sel.Box(), (DotRect{12, 8, 15, 15}));
    ASSERT_EQ(RotateSelection(oblong, sel, true, repaint), SelectionOpResult::kDone);
    EXPECT_EQ(sel.Box(), (DotRect{10, 10, 17, 13}));
    EXPECT_EQ(oblong, oblongBefore);
}

TEST(SelectionMove, OpaqueAndTransparentOverlays) {
    // Selected: a 3 by 1 bar with a white middle; under its destination a black dot.
    const DotPlane glyph = PlaneOf(16, {{2, 2}, {4, 2}, {6, 3}});
    MatrixSelection start(16);
    ASSERT_TRUE(start.SelectRect(2, 2, 5, 3, kSelectReplace));
    const DotPlane origin = RenderSelection(glyph, start, 0, 0, true).plane;
    DotChanges repaint;

    DotPlane opaque = glyph;
    MatrixSelection sel = start;
    ASSERT_TRUE(MoveSelection(opaque, sel, origin, 3, 1, kOverlayOpaque, repaint));
    EXPECT_EQ(PlaneDots(opaque), (Dots{{5, 3}, {7, 3}}));  // (6, 3) covered by the white middle
    EXPECT_EQ(sel.Box(), (DotRect{5, 3, 8, 4}));
    EXPECT_EQ(Spans(repaint), ChangedSpans(glyph, opaque));
    EXPECT_TRUE(Covers(repaint, 2, 2));
    EXPECT_TRUE(Covers(repaint, 6, 3));

    DotPlane transparent = glyph;
    sel = start;
    ASSERT_TRUE(MoveSelection(transparent, sel, origin, 3, 1, kOverlayTransparent, repaint));
    EXPECT_EQ(PlaneDots(transparent), (Dots{{5, 3}, {6, 3}, {7, 3}}));

    // Moved partly off the glyph: those dots are lost, the selection keeps its whole shape.
    DotPlane off = glyph;
    sel = start;
    ASSERT_TRUE(MoveSelection(off, sel, origin, -3, 0, kOverlayOpaque, repaint));
    EXPECT_EQ(PlaneDots(off), (Dots{{1, 2}, {6, 3}}));
    EXPECT_EQ(sel.Box(), (DotRect{-1, 2, 2, 3}));

    // Only white dots selected: nothing moves, not even the selection.
    DotPlane white = glyph;
    ASSERT_TRUE(sel.SelectRect(10, 10, 12, 12, kSelectReplace));
    EXPECT_FALSE(MoveSelection(white, sel, RenderSelection(white, sel, 0, 0, true).plane, 1, 1,
                               kOverlayOpaque, repaint));
    EXPECT_EQ(white, glyph);
    EXPECT_EQ(sel.Box(), (DotRect{10, 10, 12, 12}));
    EXPECT_TRUE(repaint.Empty());
}

TEST(SelectionMove, NudgeAndMoveAgreeWithADotByDotModel) {
    const DotPlane random = RandomPlane(32, 4);
    MatrixSelection sel(32);
    ASSERT_TRUE(sel.SelectRect(3, 5, 20, 9, kSelectReplace));
    ASSERT_TRUE(sel.SelectRect(8, 0, 11, 30, kSelectAdd));
    for (const DotPoint step : {DotPoint{1, 0}, DotPoint{-9, 4}, DotPoint{13, -7}}) {
        for (int mode : {kOverlayTransparent, kOverlayOpaque}) {
            MatrixSelection moved = sel;
            DotPlane glyph = random;
            DotChanges repaint;
            ASSERT_TRUE(MoveSelection(glyph, moved, RenderSelection(glyph, sel, 0, 0, true).plane, step.x,
                                      step.y, mode, repaint));
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const int sx = x - step.x, sy = y - step.y;
                    const bool lifted = sel.Contains(x, y) && random.IsBlack(x, y);
                    const bool under = lifted ? false : random.IsBlack(x, y);
                    const bool arriving = sel.Contains(sx, sy) && random.IsBlack(sx, sy);
                    const bool expected =
                        sel.Contains(sx, sy) && mode == kOverlayOpaque ? arriving : under || arriving;
                    ASSERT_EQ(glyph.IsBlack(x, y), expected) << x << "," << y << " mode " << mode;
                    EXPECT_EQ(moved.Contains(x, y), sel.Contains(sx, sy));
                }
            }
        }
    }
}

TEST(SelectionClipboard, CutClearsTheSelectedDots) {
    DotPlane glyph = PlaneOf(16, {{1, 1}, {2, 2}, {9, 9}});
    MatrixSelection sel(16);
    DotChanges repaint;
    EXPECT_FALSE(ClearSelectedDots(glyph, sel, repaint));
    // White dots only: the clipboard gets nothing, but the cut still clears (and records a step).
    ASSERT_TRUE(sel.SelectRect(4, 4, 6, 6, kSelectReplace));
    EXPECT_FALSE(RenderSelectionForClipboard(glyph, sel).anyQualified);
    EXPECT_TRUE(ClearSelectedDots(glyph, sel, repaint));
    EXPECT_TRUE(repaint.Empty()) << "no dot changed";
    ASSERT_TRUE(sel.SelectRect(0, 0, 3, 3, kSelectReplace));
    EXPECT_TRUE(ClearSelectedDots(glyph, sel, repaint));
    EXPECT_EQ(PlaneDots(glyph), (Dots{{9, 9}}));
    EXPECT_TRUE(sel.HasSelection());  // the selection stays
}

TEST(SelectionClipboard, PastePlacementClipsAndHonoursTheOverlayMode) {
    // A 32 by 32 picture: a black frame and a black diagonal, white elsewhere.
    OneBitImage picture(32, 32);
    for (int i = 0; i < 32; ++i) {
        picture.SetDot(i, 0, true);
        picture.SetDot(0, i, true);
        picture.SetDot(i, i, true);
    }
    const DotPlane glyph = RandomPlane(64, 2);
    DotChanges repaint;

    // Transparent at (40, 40): only its black dots on 40..63 are written.
    DotPlane transparent = glyph;
    ASSERT_TRUE(PlacePaste(transparent, OneBitImageView::Of(picture), 40, 40, kOverlayTransparent, repaint));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool ink = picture.IsBlack(x - 40, y - 40);
            ASSERT_EQ(transparent.IsBlack(x, y), ink || glyph.IsBlack(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(Spans(repaint), ChangedSpans(glyph, transparent));
    EXPECT_EQ(PastedDots(OneBitImageView::Of(picture), 40, 40, 64), [&] {
        DotPlane only(64);
        for (int y = 40; y < 64; ++y) {
            for (int x = 40; x < 64; ++x) only.SetDot(x, y, picture.IsBlack(x - 40, y - 40));
        }
        return only;
    }());

    // Opaque: the picture's white dots overwrite too, but only inside its rectangle.
    DotPlane opaque = glyph;
    ASSERT_TRUE(PlacePaste(opaque, OneBitImageView::Of(picture), 40, 40, kOverlayOpaque, repaint));
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 40 && y >= 40;
            ASSERT_EQ(opaque.IsBlack(x, y), inside ? picture.IsBlack(x - 40, y - 40) : glyph.IsBlack(x, y));
        }
    }
    EXPECT_EQ(Spans(repaint), ChangedSpans(glyph, opaque));

    // At the clamped far corner nothing lies on the glyph.
    DotPlane corner = glyph;
    const DotPoint at = ClampToGlyphEdge({100, -5}, 64);
    EXPECT_EQ(at, (DotPoint{64, 0}));
    EXPECT_FALSE(PlacePaste(corner, OneBitImageView::Of(picture), at.x, at.y, kOverlayOpaque, repaint));
    EXPECT_EQ(corner, glyph);

    // A borrowed picture shorter than its size says reads white past its bytes.
    const std::vector<std::uint8_t> shortBytes = {0x00, 0x00};
    DotPlane truncated(64);
    ASSERT_TRUE(PlacePaste(truncated, {16, 4, shortBytes, 2}, 0, 0, kOverlayOpaque, repaint));
    EXPECT_EQ(PlaneDots(truncated).size(), 16u);
}

namespace {

// The image commands dot by dot, as their rules read: the models the word-wise operations must match.
DotPlane ModelFlip(const DotPlane& glyph, const MatrixSelection& sel, FlipKind kind) {
    const int n = glyph.Size();
    const DotRect b = sel.Box();
    DotPlane out = glyph;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!sel.Contains(x, y)) continue;
            // The dot that lands here: its mirror, when that is a selected black dot.
            const long long sx = kind == kFlipVertical ? x : static_cast<long long>(b.left) + b.right - 1 - x;
            const long long sy =
                kind == kFlipHorizontal ? y : static_cast<long long>(b.top) + b.bottom - 1 - y;
            const bool inside = sx >= 0 && sy >= 0 && sx < n && sy < n;
            out.SetDot(x, y,
                       inside && sel.Contains(static_cast<int>(sx), static_cast<int>(sy)) &&
                           glyph.IsBlack(static_cast<int>(sx), static_cast<int>(sy)));
        }
    }
    return out;
}

DotPlane ModelTurn(const DotPlane& glyph, const MatrixSelection& sel, bool anticlockwise) {
    const int n = glyph.Size();
    const DotRect b = sel.Box(), t = QuarterTurnBox(b);
    const long long w = b.Width(), h = b.Height();
    DotPlane staging(n);
    for (int gy = 0; gy < n; ++gy) {
        for (int gx = 0; gx < n; ++gx) {
            if (!sel.Contains(gx, gy) || !glyph.IsBlack(gx, gy)) continue;
            const long long x = gx - b.left, y = gy - b.top;
            const long long tx = anticlockwise ? t.left + y : t.left + h - 1 - y;
            const long long ty = anticlockwise ? t.top + w - 1 - x : t.top + x;
            if (tx >= 0 && ty >= 0 && tx < n && ty < n)
                staging.SetDot(static_cast<int>(tx), static_cast<int>(ty), true);
        }
    }
    DotPlane out = glyph;
    const bool whole = b == DotRect{0, 0, n, n};
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const bool inNew = x >= t.left && x < t.right && y >= t.top && y < t.bottom;
            if (inNew) {
                out.SetDot(x, y, staging.IsBlack(x, y));
            } else if (!whole && sel.Contains(x, y)) {
                out.SetDot(x, y, false);
            }
        }
    }
    return out;
}

DotPlane ModelPaste(const DotPlane& glyph, const OneBitImage& picture, int px, int py, int mode) {
    DotPlane out = glyph;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const bool black = picture.IsBlack(x, y);
            if (black || mode == kOverlayOpaque) out.SetDot(px + x, py + y, black);
        }
    }
    return out;
}

}  // namespace

// Random glyphs of sizes that fill whole words and sizes that do not, random boxes reaching past every edge:
// each command gives the model's dots and reports exactly the dots it changed.
TEST(SelectionImage, FlipsTurnsInvertAndPasteAgreeWithDotByDotModels) {
    std::mt19937 rng(7);
    for (const int n : {8, 16, 24, 64, 72, 136, 256}) {
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(testing::Message() << "size " << n << " round " << round);
            const DotPlane glyph = RandomPlane(n, static_cast<unsigned>(n * 100 + round));
            std::uniform_int_distribution<int> corner(-n / 2, n), extent(1, n + n / 2);
            const int l = round == 0 ? 0 : corner(rng), t = round == 0 ? 0 : corner(rng);
            const int r = round == 0 ? n : l + extent(rng), b = round == 0 ? n : t + extent(rng);
            MatrixSelection sel(n);
            ASSERT_TRUE(sel.SelectRect(l, t, r, b, kSelectReplace));
            DotChanges changed;

            for (const FlipKind kind : {kFlipVertical, kFlipHorizontal, kFlipHalfTurn}) {
                DotPlane flipped = glyph;
                const SelectionOpResult result = FlipSelection(flipped, sel, kind, changed);
                if (result == SelectionOpResult::kNoBlackDot) {
                    EXPECT_EQ(flipped, glyph);
                    continue;
                }
                ASSERT_EQ(result, SelectionOpResult::kDone);
                const DotPlane model = ModelFlip(glyph, sel, kind);
                ASSERT_EQ(PlaneDots(flipped), PlaneDots(model)) << "flip " << kind;
                EXPECT_EQ(Spans(changed), ChangedSpans(glyph, flipped));
            }
            for (const bool anticlockwise : {false, true}) {
                DotPlane turned = glyph;
                MatrixSelection turnedSel = sel;
                const SelectionOpResult result = RotateSelection(turned, turnedSel, anticlockwise, changed);
                if (result == SelectionOpResult::kNoBlackDot) continue;
                ASSERT_EQ(result, SelectionOpResult::kDone);
                ASSERT_EQ(PlaneDots(turned), PlaneDots(ModelTurn(glyph, sel, anticlockwise)))
                    << (anticlockwise ? "anticlockwise" : "clockwise");
                EXPECT_EQ(turnedSel.Box(), QuarterTurnBox(sel.Box()));
                EXPECT_EQ(Spans(changed), ChangedSpans(glyph, turned));
            }

            // Inversion acts on any shape: the box with a hole.
            MatrixSelection ring = sel;
            ring.SelectRect(l + 2, t + 2, r - 2, b - 2, kSelectRemove);
            DotPlane inverted = glyph;
            ASSERT_EQ(InvertSelectedImage(inverted, ring, changed),
                      ring.HasSelection() ? SelectionOpResult::kDone : SelectionOpResult::kNoSelection);
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x)
                    ASSERT_EQ(inverted.IsBlack(x, y), glyph.IsBlack(x, y) != ring.Contains(x, y))
                        << x << "," << y;
            }
            EXPECT_EQ(Spans(changed), ChangedSpans(glyph, inverted));

            // A picture of any width (rows padded to 16 bits) at a random place, both overlay modes.
            OneBitImage picture(std::uniform_int_distribution<int>(1, n)(rng),
                                std::uniform_int_distribution<int>(1, n)(rng));
            for (std::uint8_t& byte : picture.bytes) byte = static_cast<std::uint8_t>(rng());
            for (int y = 0; y < picture.height; ++y) {
                for (int x = picture.width; x < static_cast<int>(picture.RowBytes()) * 8; ++x)
                    picture.SetDot(x, y, false);  // out of the picture: ignored anyway
            }
            for (const int mode : {kOverlayTransparent, kOverlayOpaque}) {
                DotPlane pasted = glyph;
                const int px = corner(rng) - n / 4, py = corner(rng) - n / 4;
                PlacePaste(pasted, OneBitImageView::Of(picture), px, py, mode, changed);
                ASSERT_EQ(PlaneDots(pasted), PlaneDots(ModelPaste(glyph, picture, px, py, mode)))
                    << "paste at " << px << "," << py << " mode " << mode;
                EXPECT_EQ(Spans(changed), ChangedSpans(glyph, pasted));
                const DotPlane shown = PastedDots(OneBitImageView::Of(picture), px, py, n);
                for (int y = 0; y < n; ++y) {
                    for (int x = 0; x < n; ++x)
                        ASSERT_EQ(shown.IsBlack(x, y), picture.IsBlack(x - px, y - py));
                }
            }
        }
    }
}
