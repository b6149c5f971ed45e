#include "editor/selection_ops.h"

#include <algorithm>
#include <bit>

#include "editor/drawing.h"

namespace {

// Division rounding toward minus infinity; q > 0.
int FloorDiv(int p, int q) { return p >= 0 ? p / q : -((-p + q - 1) / q); }

// ORs the ink (set bits) of a row of srcBytes bytes into a row of dstBits dots, shifted right by dx dots
// (left for a negative dx). The parts that land outside the destination row are dropped.
void OrShiftedInk(const std::uint8_t* src, std::size_t srcBytes, std::uint8_t* dst, int dstBits, int dx) {
    const int dstBytes = (dstBits + 7) / 8;
    for (std::size_t k = 0; k < srcBytes; ++k) {
        const std::uint8_t ink = src[k];
        if (ink == 0) continue;
        const long long x0 = static_cast<long long>(k) * 8 + dx;  // where the byte's top bit lands
        if (x0 <= -8 || x0 >= dstBits) continue;
        const int x = static_cast<int>(x0);
        const int byte = FloorDiv(x, 8), shift = x - byte * 8;
        const unsigned spread = static_cast<unsigned>(ink) << (8 - shift);  // 16 bits: byte, then byte + 1
        if (byte >= 0) dst[byte] = static_cast<std::uint8_t>(dst[byte] | (spread >> 8));
        if (byte + 1 < dstBytes && shift != 0)
            dst[byte + 1] = static_cast<std::uint8_t>(dst[byte + 1] | (spread & 0xFFu));
    }
    // Bits past the last dot belong to no dot.
    if (dstBits % 8 != 0 && dstBytes > 0) {
        dst[dstBytes - 1] = static_cast<std::uint8_t>(dst[dstBytes - 1] & (0xFFu << (8 - dstBits % 8)));
    }
}

// The qualifying dots of RenderSelection as ink bytes of an N by N plane (set bit = qualifies).
struct Qualifying {
    std::vector<std::uint8_t> ink;
    bool any = false;
};

Qualifying QualifyingDots(const DotPlane& edit, const MatrixSelection& selection, bool blackOnly) {
    Qualifying q;
    const int size = edit.Size();
    if (!selection.HasSelection() || size % 8 != 0 || selection.GlyphSize() != size) return q;
    const DotPlane region = selection.RegionMask();
    const std::span<const std::uint8_t> e = edit.Bytes(), r = region.Bytes(), o = selection.Outline().Bytes();
    q.ink.resize(e.size());
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < e.size(); ++i) {
        // The border lies inside the region, so its dots need no region test of their own.
        const auto black = static_cast<std::uint8_t>(~e[i] & ~r[i]);
        const auto border = blackOnly ? std::uint8_t{0} : static_cast<std::uint8_t>(~o[i]);
        q.ink[i] = static_cast<std::uint8_t>(black | border);
        any = static_cast<std::uint8_t>(any | q.ink[i]);
    }
    q.any = any != 0;
    return q;
}

// Calls f(x, y) for every set bit of N by N ink bytes, in byte order.
template <typename F>
void ForEachInk(const std::vector<std::uint8_t>& ink, int size, F&& f) {
    const std::size_t bytesPerRow = static_cast<std::size_t>(size / 8);
    for (std::size_t i = 0; i < ink.size(); ++i) {
        for (unsigned bits = ink[i]; bits != 0;) {
            const int bit = std::countl_zero(static_cast<std::uint8_t>(bits));
            f(static_cast<int>(i % bytesPerRow) * 8 + bit, static_cast<int>(i / bytesPerRow));
            bits &= ~(0x80u >> bit);
        }
    }
}

// Shifts N by N ink bytes into rows of rowBytes bytes and `width` dots (ink kept as set bits).
void ShiftInk(const Qualifying& q, int size, int dx, int dy, std::span<std::uint8_t> out,
              std::size_t rowBytes, int width, int height) {
    const std::size_t srcRowBytes = static_cast<std::size_t>(size / 8);
    for (int y = 0; y < size; ++y) {
        const long long ty = static_cast<long long>(y) + dy;
        if (ty < 0 || ty >= height) continue;
        OrShiftedInk(q.ink.data() + static_cast<std::size_t>(y) * srcRowBytes, srcRowBytes,
                     out.data() + static_cast<std::size_t>(ty) * rowBytes, width, dx);
    }
}

void InvertBytes(std::span<std::uint8_t> bytes) {
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(~b);
}

void Append(std::vector<DotPoint>& to, const std::vector<DotPoint>& from) {
    to.insert(to.end(), from.begin(), from.end());
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
    std::span<std::uint8_t> out = result.plane.Bytes();
    std::ranges::fill(out, kBlackByte);  // as ink: nothing yet
    ShiftInk(q, size, dx, dy, out, static_cast<std::size_t>(size / 8), size, size);
    InvertBytes(out);
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
    std::ranges::fill(image.bytes, kBlackByte);
    ShiftInk(q, edit.Size(), dx, dy, image.bytes, image.RowBytes(), image.width, image.height);
    InvertBytes(image.bytes);
    return result;
}

namespace {

// CopyPlaneInRegion, adding the dots it writes to those already listed.
bool CopyPlaneInRegionAppending(DotPlane& edit, const DotPlane& plane, const DotRegion& region, bool invert,
                                std::vector<DotPoint>& repaintDots) {
    const int size = edit.Size();
    if (size % 8 != 0 || plane.Size() != size) return false;
    const DotPlane inside = RasterizeRegion(region, size);
    const std::span<const std::uint8_t> r = inside.Bytes();
    // A whole-glyph operation lists every dot: make room once.
    std::size_t count = 0;
    for (const std::uint8_t b : r)
        count += static_cast<std::size_t>(std::popcount(static_cast<std::uint8_t>(~b)));
    repaintDots.reserve(repaintDots.size() + count);
    // Read the source before writing: the plane may be the edit bitmap itself (the inversion).
    const std::span<const std::uint8_t> p = plane.Bytes();
    const std::span<std::uint8_t> e = edit.Bytes();
    const std::size_t bytesPerRow = static_cast<std::size_t>(size / 8);
    for (std::size_t i = 0; i < e.size(); ++i) {
        const auto in = static_cast<std::uint8_t>(~r[i]);
        if (in == 0) continue;
        const auto source = invert ? static_cast<std::uint8_t>(~p[i]) : p[i];
        e[i] = static_cast<std::uint8_t>((e[i] & ~in) | (source & in));
        for (unsigned bits = in; bits != 0;) {
            const int bit = std::countl_zero(static_cast<std::uint8_t>(bits));
            repaintDots.push_back(
                {static_cast<int>(i % bytesPerRow) * 8 + bit, static_cast<int>(i / bytesPerRow)});
            bits &= ~(0x80u >> bit);
        }
    }
    return count != 0;
}

}  // namespace

bool CopyPlaneInRegion(DotPlane& edit, const DotPlane& plane, const DotRegion& region, bool invert,
                       std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    return CopyPlaneInRegionAppending(edit, plane, region, invert, repaintDots);
}

SelectionOpResult InvertSelectedImage(DotPlane& edit, const MatrixSelection& selection,
                                      std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    CopyPlaneInRegion(edit, edit, *selection.Region(), true, repaintDots);
    return SelectionOpResult::kDone;
}

SelectionOpResult FlipSelection(DotPlane& edit, const MatrixSelection& selection, FlipKind kind,
                                std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    if (!selection.IsRectangular()) return SelectionOpResult::kNeedsRectSelection;
    const Qualifying q = QualifyingDots(edit, selection, true);
    if (!q.any) return SelectionOpResult::kNoBlackDot;

    // Each selected black dot goes straight to its mirror place. (Mirroring through an N by N copy of the
    // box, as a StretchBlt would, loses the dots of a box that reaches past both edges of the glyph.)
    const DotRect box = selection.Box();
    const int size = edit.Size();
    const bool vertical = kind == kFlipVertical || kind == kFlipHalfTurn;
    const bool horizontal = kind == kFlipHorizontal || kind == kFlipHalfTurn;
    DotPlane mirrored(size);
    ForEachInk(q.ink, size, [&](int x, int y) {
        const long long tx = horizontal ? static_cast<long long>(box.left) + box.right - 1 - x : x;
        const long long ty = vertical ? static_cast<long long>(box.top) + box.bottom - 1 - y : y;
        if (tx >= 0 && ty >= 0 && tx < size && ty < size)
            mirrored.SetDot(static_cast<int>(tx), static_cast<int>(ty), true);
    });
    CopyPlaneInRegion(edit, mirrored, *selection.Region(), false, repaintDots);
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
                                  std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    if (!selection.HasSelection()) return SelectionOpResult::kNoSelection;
    if (!selection.IsRectangular()) return SelectionOpResult::kNeedsRectSelection;
    const Qualifying q = QualifyingDots(edit, selection, true);
    if (!q.any) return SelectionOpResult::kNoBlackDot;

    const int size = edit.Size();
    const DotRect box = selection.Box();
    const DotRect turned = QuarterTurnBox(box);
    const long long w = box.Width(), h = box.Height();
    DotPlane staging(size);
    ForEachInk(q.ink, size, [&](int gx, int gy) {
        const long long x = gx - static_cast<long long>(box.left), y = gy - static_cast<long long>(box.top);
        const long long tx = anticlockwise ? turned.left + y : turned.left + h - 1 - y;
        const long long ty = anticlockwise ? turned.top + w - 1 - x : turned.top + x;
        if (tx >= 0 && ty >= 0 && tx < size && ty < size)
            staging.SetDot(static_cast<int>(tx), static_cast<int>(ty), true);
    });

    if (box != DotRect{0, 0, size, size}) {
        CopyPlaneInRegionAppending(edit, DotPlane(size), *selection.Region(), false, repaintDots);
    }
    selection.SetRect(turned);
    CopyPlaneInRegionAppending(edit, staging, *selection.Region(), false, repaintDots);
    return SelectionOpResult::kDone;
}

bool MoveSelection(DotPlane& edit, MatrixSelection& selection, const DotPlane& originMask, int dx, int dy,
                   int overlayMode, std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    const RenderedPlane shifted = RenderSelection(edit, selection, dx, dy, true);
    if (!shifted.anyQualified) return false;
    DotRegion moved = *selection.Region();
    if (!moved.Offset(dx, dy)) return false;

    std::vector<DotPoint> written;
    ApplyMask(edit, originMask, kPenWhite, nullptr, written);
    Append(repaintDots, written);
    selection.Offset(dx, dy);
    if (overlayMode != kOverlayTransparent) {
        const DotPlane destination = RasterizeRegion(moved, edit.Size());
        ApplyMask(edit, shifted.plane, kPenBlack, &destination, written);
    } else {
        ApplyMask(edit, shifted.plane, kPenBlack, nullptr, written);
    }
    Append(repaintDots, written);
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

bool ClearSelectedDots(DotPlane& edit, const MatrixSelection& selection, std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    if (!selection.HasSelection()) return false;
    CopyPlaneInRegion(edit, DotPlane(edit.Size()), *selection.Region(), false, repaintDots);
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

}  // namespace

DotPlane PastedDots(const OneBitImageView& picture, int x, int y, int glyphSize) {
    DotPlane mask(glyphSize);
    const Overlap o = OverlapOf(picture, x, y, mask.Size());
    for (int py = o.py0; py < o.py1; ++py) {
        for (int px = o.px0; px < o.px1; ++px) {
            if (picture.IsBlack(px, py)) mask.SetDot(x + px, y + py, true);
        }
    }
    return mask;
}

bool PlacePaste(DotPlane& edit, const OneBitImageView& picture, int x, int y, int overlayMode,
                std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    const Overlap o = OverlapOf(picture, x, y, edit.Size());
    if (o.Empty()) return false;
    const bool opaque = overlayMode != kOverlayTransparent;
    for (int py = o.py0; py < o.py1; ++py) {
        for (int px = o.px0; px < o.px1; ++px) {
            const bool black = picture.IsBlack(px, py);
            if (!black && !opaque) continue;
            edit.SetDot(x + px, y + py, black);
            repaintDots.push_back({x + px, y + py});
        }
    }
    return true;
}
