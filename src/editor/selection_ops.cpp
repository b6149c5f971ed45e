#include "editor/selection_ops.h"

#include <algorithm>
#include <bit>

#include "editor/drawing.h"
#include "editor/row_bits.h"

namespace {

// The glyph's dots inside a region as ink words: each band's row built once from its spans.
RowBits RegionInk(const DotRegion& region, int size) {
    RowBits ink(size);
    std::vector<std::uint64_t> row(static_cast<std::size_t>(ink.Words()));
    for (const DotRegion::Band& band : region.Bands()) {
        const int top = std::max(band.top, 0), bottom = std::min(band.bottom, size);
        if (top >= bottom) continue;
        std::ranges::fill(row, 0);
        bool any = false;
        for (const DotRegion::Span& span : region.BandSpans(band)) {
            const int l = std::max(span.left, 0), r = std::min(span.right, size) - 1;
            if (l > r) continue;
            RowBits::SetRun(row.data(), l, r);
            any = true;
        }
        if (!any) continue;
        for (int y = top; y < bottom; ++y) std::ranges::copy(row, ink.Row(y));
    }
    return ink;
}

// Writes `source` into the glyph inside `inside` (both ink words of the glyph's size); true when `inside`
// holds a dot.
bool WriteInside(DotPlane& edit, const RowBits& source, const RowBits& inside) {
    RowBits ink = RowBits::InkOf(edit);
    std::uint64_t any = 0;
    for (int y = 0; y < ink.Size(); ++y) {
        std::uint64_t* e = ink.Row(y);
        const std::uint64_t *s = source.Row(y), *in = inside.Row(y);
        for (int w = 0; w < ink.Words(); ++w) {
            e[w] = (e[w] & ~in[w]) | (s[w] & in[w]);
            any |= in[w];
        }
    }
    ink.StoreInk(edit);
    return any != 0;
}

// The selected black dots as ink words; empty (size 0) when none is black.
RowBits SelectedBlackInk(const DotPlane& edit, const MatrixSelection& selection) {
    const int size = edit.Size();
    if (!selection.HasSelection() || size % 8 != 0 || selection.GlyphSize() != size) return {};
    RowBits ink = RowBits::InkOf(edit);
    const RowBits inside = RegionInk(*selection.Region(), size);
    std::uint64_t any = 0;
    for (int y = 0; y < size; ++y) {
        std::uint64_t* e = ink.Row(y);
        const std::uint64_t* in = inside.Row(y);
        for (int w = 0; w < ink.Words(); ++w) any |= (e[w] &= in[w]);
    }
    return any != 0 ? ink : RowBits();
}

bool EmptyRow(const RowBits& bits, int y) {
    const std::uint64_t* row = bits.Row(y);
    return std::all_of(row, row + bits.Words(), [](std::uint64_t w) { return w == 0; });
}

// The dots RenderSelection takes: the glyph's black dots inside the selection, and its border unless only
// black dots are asked for; `any` false when none qualifies.
struct Qualifying {
    RowBits ink;
    bool any = false;
};

Qualifying QualifyingDots(const DotPlane& edit, const MatrixSelection& selection, bool blackOnly) {
    Qualifying q;
    const int size = edit.Size();
    if (!selection.HasSelection() || size % 8 != 0 || selection.GlyphSize() != size) return q;
    q.ink = RowBits::InkOf(edit);
    const RowBits inside = RegionInk(*selection.Region(), size);
    // The border lies inside the region, so its dots need no region test of their own.
    const RowBits border = blackOnly ? RowBits() : RowBits::InkOf(selection.Outline());
    std::uint64_t any = 0;
    for (int y = 0; y < size; ++y) {
        std::uint64_t* e = q.ink.Row(y);
        const std::uint64_t* in = inside.Row(y);
        const std::uint64_t* b = blackOnly ? nullptr : border.Row(y);
        for (int w = 0; w < q.ink.Words(); ++w) any |= e[w] = (e[w] & in[w]) | (b ? b[w] : 0);
    }
    q.any = any != 0;
    return q;
}

// The qualifying dots shifted by (dx, dy), as ink words of the glyph's size.
RowBits Shifted(const Qualifying& q, long long dx, long long dy) {
    const int size = q.ink.Size();
    RowBits out(size);
    for (int y = 0; y < size; ++y) {
        const long long ty = y + dy;
        if (ty >= 0 && ty < size) OrShiftedRow(q.ink, y, out, static_cast<int>(ty), dx);
    }
    return out;
}

}  // namespace

OneBitImage::OneBitImage(int w, int h)
    : width(w > 0 && h > 0 ? w : 0),
      height(w > 0 && h > 0 ? h : 0),
      bytes(RowBytesFor(width) * static_cast<std::size_t>(height), kWhiteByte) {}

bool OneBitImage::IsBlack(int x, int y) const { return OneBitImageView::Of(*this).IsBlack(x, y); }

void OneBitImage::SetDot(int x, int y, bool black) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t& b = bytes[static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x / 8)];
    b = black ? static_cast<std::uint8_t>(b & ~DotBitMask(x)) : static_cast<std::uint8_t>(b | DotBitMask(x));
}

bool OneBitImageView::IsBlack(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const std::size_t index = static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8);
    return index < bytes.size() && (bytes[index] & DotBitMask(x)) == 0;
}

RenderedPlane RenderSelection(const DotPlane& edit, const MatrixSelection& selection, int dx, int dy,
                              bool blackOnly) {
    const int size = selection.GlyphSize();
    RenderedPlane result{DotPlane(size), false};
    const Qualifying q = QualifyingDots(edit, selection, blackOnly);
    if (!q.any) return result;
    result.anyQualified = true;
    Shifted(q, dx, dy).StoreInk(result.plane);
    return result;
}

RenderedImage RenderSelection(const DotPlane& edit, const MatrixSelection& selection, int dx, int dy,
                              bool blackOnly, int width, int height) {
    RenderedImage result{
        OneBitImage(std::clamp(width, 0, kMaxRenderedSide), std::clamp(height, 0, kMaxRenderedSide)), false};
    const Qualifying q = QualifyingDots(edit, selection, blackOnly);
    if (!q.any) return result;
    result.anyQualified = true;
    OneBitImage& image = result.image;
    const int words = (image.width + 63) / 64;
    std::vector<std::uint64_t> row(static_cast<std::size_t>(words));
    for (int y = 0; y < q.ink.Size(); ++y) {
        const long long ty = static_cast<long long>(y) + dy;
        if (ty < 0 || ty >= image.height) continue;
        std::ranges::fill(row, 0);
        OrShiftedRow({q.ink.Row(y), q.ink.Words(), q.ink.Size()}, row.data(), words, image.width, dx);
        std::uint8_t* line = image.bytes.data() + static_cast<std::size_t>(ty) * image.RowBytes();
        for (std::size_t k = 0; k < image.RowBytes(); ++k) {
            const std::uint64_t word = k / 8 < row.size() ? row[k / 8] : 0;
            line[k] = static_cast<std::uint8_t>(line[k] & ~(word >> (56 - 8 * (k % 8))));
        }
    }
    return result;
}

bool CopyPlaneInRegion(DotPlane& edit, const DotPlane& plane, const DotRegion& region, bool invert,
                       DotChanges& changed) {
    changed.Clear();
    const int size = edit.Size();
    if (size % 8 != 0 || plane.Size() != size) return false;
    const DotPlane before = edit;
    // Read the source before writing: the plane may be the edit bitmap itself (the inversion).
    const RowBits source = invert ? RowBits::BlankOf(plane) : RowBits::InkOf(plane);
    if (!WriteInside(edit, source, RegionInk(region, size))) return false;
    DifferingSpans(before, edit, changed);
    return true;
}

SelectionOpResult InvertSelectedImage(DotPlane& edit, const MatrixSelection& selection, DotChanges& changed) {
    changed.Clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    CopyPlaneInRegion(edit, edit, *selection.Region(), true, changed);
    return SelectionOpResult::kDone;
}

SelectionOpResult FlipSelection(DotPlane& edit, const MatrixSelection& selection, FlipKind kind,
                                DotChanges& changed) {
    changed.Clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    if (!selection.IsRectangular()) return SelectionOpResult::kNeedsRectSelection;
    const RowBits selected = SelectedBlackInk(edit, selection);
    if (selected.Size() == 0) return SelectionOpResult::kNoBlackDot;

    // Each selected black dot goes straight to its mirror place: a row turned round and shifted, or a row
    // moved to its mirror row. (Mirroring through an N by N copy of the box, as a StretchBlt would, loses
    // the dots of a box that reaches past both edges of the glyph.)
    const DotRect box = selection.Box();
    const int size = edit.Size();
    const bool vertical = kind == kFlipVertical || kind == kFlipHalfTurn;
    const bool horizontal = kind == kFlipHorizontal || kind == kFlipHalfTurn;
    RowBits mirrored(size);
    // x goes to L + R - 1 - x, which is (size - 1 - x) + (L + R - size).
    const long long dx = horizontal ? static_cast<long long>(box.left) + box.right - size : 0;
    for (int y = 0; y < size; ++y) {
        if (EmptyRow(selected, y)) continue;
        const long long ty = vertical ? static_cast<long long>(box.top) + box.bottom - 1 - y : y;
        if (ty < 0 || ty >= size) continue;
        OrShiftedRow(selected, y, mirrored, static_cast<int>(ty), dx, horizontal);
    }
    const DotPlane before = edit;
    WriteInside(edit, mirrored, RegionInk(*selection.Region(), size));
    DifferingSpans(before, edit, changed);
    return SelectionOpResult::kDone;
}

DotRect QuarterTurnBox(const DotRect& box) {
    const int w = box.Width(), h = box.Height();
    DotRect turned;
    turned.left = box.left + w / 2 - h / 2;
    turned.top = box.top + h / 2 - w / 2;
    turned.right = turned.left + h;
    turned.bottom = turned.top + w;
    return turned;
}

SelectionOpResult RotateSelection(DotPlane& edit, MatrixSelection& selection, bool anticlockwise,
                                  DotChanges& changed) {
    changed.Clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    if (!selection.IsRectangular()) return SelectionOpResult::kNeedsRectSelection;
    const RowBits selected = SelectedBlackInk(edit, selection);
    if (selected.Size() == 0) return SelectionOpResult::kNoBlackDot;

    const int size = edit.Size();
    const DotRect box = selection.Box();
    const DotRect turned = QuarterTurnBox(box);
    const long long w = box.Width(), h = box.Height();
    // Transposed, the dot (gx, gy) is bit gy of row gx. Clockwise it goes to (L' + h - 1 - (gy - T),
    // T' + gx - L): row gx moves to row gx + T' - L, turned round. Anticlockwise it goes to
    // (L' + gy - T, T' + w - 1 - (gx - L)): the rows come in reverse order, each shifted.
    RowBits columns;
    Transpose(selected, columns);
    RowBits staging(size);
    for (int gx = 0; gx < size; ++gx) {
        if (EmptyRow(columns, gx)) continue;
        const long long ty = anticlockwise ? turned.top + w - 1 + box.left - gx : gx + turned.top - box.left;
        if (ty < 0 || ty >= size) continue;
        if (anticlockwise) {
            OrShiftedRow(columns, gx, staging, static_cast<int>(ty),
                         static_cast<long long>(turned.left) - box.top);
        } else {
            // Turned round, gy lands at size - 1 - gy + dx, which must be L' + h - 1 + T - gy.
            OrShiftedRow(columns, gx, staging, static_cast<int>(ty), turned.left + h + box.top - size, true);
        }
    }

    const DotPlane before = edit;
    if (box != DotRect{0, 0, size, size})
        WriteInside(edit, RowBits(size), RegionInk(*selection.Region(), size));
    selection.SetRect(turned);
    WriteInside(edit, staging, RegionInk(*selection.Region(), size));
    DifferingSpans(before, edit, changed);
    return SelectionOpResult::kDone;
}

bool MoveSelection(DotPlane& edit, MatrixSelection& selection, const DotPlane& originMask, int dx, int dy,
                   int overlayMode, DotChanges& changed) {
    changed.Clear();
    const Qualifying q = QualifyingDots(edit, selection, true);
    if (!q.any || originMask.Size() != edit.Size()) return false;
    DotRegion moved = *selection.Region();
    if (!moved.Offset(dx, dy)) return false;

    // The lifted dots turn white, then the moved ones are written: opaque, over the moved selection's
    // dots turned white first; transparent, over what is there.
    const int size = edit.Size();
    const RowBits arriving = Shifted(q, dx, dy);
    const RowBits lifted = RowBits::InkOf(originMask);
    RowBits ink = RowBits::InkOf(edit);
    const bool opaque = overlayMode != kOverlayTransparent;
    const RowBits covered = opaque ? RegionInk(moved, size) : RowBits();
    for (int y = 0; y < size; ++y) {
        std::uint64_t* e = ink.Row(y);
        const std::uint64_t *a = arriving.Row(y), *l = lifted.Row(y);
        const std::uint64_t* c = opaque ? covered.Row(y) : nullptr;
        for (int w = 0; w < ink.Words(); ++w) e[w] = (e[w] & ~l[w] & ~(c ? c[w] : 0)) | a[w];
    }
    const DotPlane before = edit;
    ink.StoreInk(edit);
    selection.Offset(dx, dy);
    DifferingSpans(before, edit, changed);
    return true;
}

RenderedImage RenderSelectionForClipboard(const DotPlane& edit, const MatrixSelection& selection) {
    if (!selection.HasSelection()) return {};
    DotRect box = selection.Box();
    if (box.Width() > kMaxRenderedSide || box.Height() > kMaxRenderedSide) {
        const int size = selection.GlyphSize();
        box = {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, size),
               std::min(box.bottom, size)};
        if (box.IsEmpty()) return {};
    }
    return RenderSelection(edit, selection, -box.left, -box.top, true, box.Width(), box.Height());
}

bool ClearSelectedDots(DotPlane& edit, const MatrixSelection& selection, DotChanges& changed) {
    changed.Clear();
    if (!selection.HasSelection()) return false;
    CopyPlaneInRegion(edit, DotPlane(edit.Size()), *selection.Region(), false, changed);
    return true;
}

DotPoint ClampToGlyphEdge(DotPoint dot, int glyphSize) {
    return {std::clamp(dot.x, 0, std::max(glyphSize, 0)), std::clamp(dot.y, 0, std::max(glyphSize, 0))};
}

namespace {

// The part of a picture at (x, y) that lies on the glyph, in picture coordinates: columns px0..px1-1,
// rows py0..py1-1. Empty when nothing overlaps.
struct Overlap {
    int px0 = 0, py0 = 0, px1 = 0, py1 = 0;
    bool Empty() const { return px1 <= px0 || py1 <= py0; }
};

Overlap OverlapOf(const OneBitImageView& picture, int x, int y, int size) {
    const long long px0 = std::max<long long>(0, -static_cast<long long>(x));
    const long long py0 = std::max<long long>(0, -static_cast<long long>(y));
    const long long px1 = std::min<long long>(picture.width, static_cast<long long>(size) - x);
    const long long py1 = std::min<long long>(picture.height, static_cast<long long>(size) - y);
    if (px1 <= px0 || py1 <= py0) return {};
    return {static_cast<int>(px0), static_cast<int>(py0), static_cast<int>(px1), static_cast<int>(py1)};
}

// The picture's black dots with its top-left at (x, y), and the glyph's dots its rectangle covers, as ink
// words of the glyph's size.
struct PlacedPicture {
    RowBits ink;
    RowBits covered;
    bool any = false;  // the rectangle covers a glyph dot
};

PlacedPicture Place(const OneBitImageView& picture, int x, int y, int size) {
    PlacedPicture placed{RowBits(size), RowBits(size), false};
    const Overlap o = OverlapOf(picture, x, y, size);
    if (o.Empty() || size % 8 != 0) return placed;
    placed.any = true;
    const int words = (picture.width + 63) / 64;
    std::vector<std::uint64_t> row(static_cast<std::size_t>(words));
    for (int py = o.py0; py < o.py1; ++py) {
        const std::size_t start = static_cast<std::size_t>(py) * picture.rowBytes;
        const std::size_t available = start < picture.bytes.size() ? picture.bytes.size() - start : 0;
        LoadInkRow(picture.bytes.data() + (available ? start : 0), available, picture.width, row.data());
        OrShiftedRow({row.data(), words, picture.width}, placed.ink.Row(y + py), placed.ink.Words(), size, x);
        RowBits::SetRun(placed.covered.Row(y + py), x + o.px0, x + o.px1 - 1);
    }
    return placed;
}

}  // namespace

DotPlane PastedDots(const OneBitImageView& picture, int x, int y, int glyphSize) {
    DotPlane mask(glyphSize);
    Place(picture, x, y, mask.Size()).ink.StoreInk(mask);
    return mask;
}

bool PlacePaste(DotPlane& edit, const OneBitImageView& picture, int x, int y, int overlayMode,
                DotChanges& changed) {
    changed.Clear();
    const int size = edit.Size();
    const PlacedPicture placed = Place(picture, x, y, size);
    if (!placed.any) return false;
    const DotPlane before = edit;
    if (overlayMode != kOverlayTransparent) {
        WriteInside(edit, placed.ink, placed.covered);
    } else {
        // Only the black dots are written: they are what the picture covers.
        WriteInside(edit, placed.ink, placed.ink);
    }
    DifferingSpans(before, edit, changed);
    return true;
}
