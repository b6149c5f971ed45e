#include "editor/selection.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace {

using Span = DotRegion::Span;

// Blackens dots l..r-1 of row y, the parts outside the plane dropped.
void InkRun(DotPlane& plane, int y, int l, int r) {
    const int size = plane.Size();
    if (y < 0 || y >= size || size % 8 != 0) return;
    l = std::max(l, 0);
    r = std::min(r, size);
    if (l >= r) return;
    std::uint8_t* row =
        plane.Bytes().data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(size / 8);
    const int firstByte = l / 8, lastByte = (r - 1) / 8;
    for (int k = firstByte; k <= lastByte; ++k) {
        const int from = std::max(l, k * 8) - k * 8, to = std::min(r, k * 8 + 8) - k * 8;  // bits from..to-1
        const auto bits = static_cast<std::uint8_t>((0xFFu >> from) & (0xFFu << (8 - to)));
        row[k] = static_cast<std::uint8_t>(row[k] & ~bits);
    }
}

}  // namespace

SelectionMode SelectionModeOfKeys(bool shift, bool alt) {
    if (shift) return kSelectAdd;
    return alt ? kSelectRemove : kSelectReplace;
}

DotPlane RasterizeRegion(const DotRegion& region, int glyphSize) {
    DotPlane mask(glyphSize);
    for (const DotRegion::Band& band : region.Bands()) {
        const int top = std::max(band.top, 0), bottom = std::min(band.bottom, glyphSize);
        for (int y = top; y < bottom; ++y) {
            for (const Span& span : region.BandSpans(band)) InkRun(mask, y, span.left, span.right);
        }
    }
    return mask;
}

MatrixSelection::MatrixSelection(int glyphSize)
    : m_nGlyphSize(glyphSize > 0 ? glyphSize : 0), m_outline(m_nGlyphSize) {}

DotPlane MatrixSelection::RegionMask() const {
    return m_region ? RasterizeRegion(*m_region, m_nGlyphSize) : DotPlane(m_nGlyphSize);
}

bool MatrixSelection::SelectRect(int x0, int y0, int x1, int y1, SelectionMode mode) {
    DotRegion shape = DotRegion::FromRect(x0, y0, x1, y1);
    if (!m_region) {
        if (mode == kSelectRemove) return false;
        m_region = std::move(shape);
    } else if (mode == kSelectReplace) {
        m_region = std::move(shape);
    } else {
        m_region = DotRegion::Combine(*m_region, shape, mode == kSelectAdd ? kRgnOr : kRgnDiff);
    }
    RebuildSelectionOutline();
    return true;
}

bool MatrixSelection::SelectMask(const DotPlane& mask, SelectionMode mode) {
    if (!m_region && mode == kSelectRemove) return false;
    // The union (or difference) of the mask's 1-dot rectangles is the region of its black dots, and a
    // region is fixed by its dots: one combination gives what combining them one by one would.
    DotRegion shape = DotRegion::FromMask(mask);
    if (!m_region || mode == kSelectReplace) {
        m_region = std::move(shape);
    } else {
        m_region = DotRegion::Combine(*m_region, shape, mode == kSelectRemove ? kRgnDiff : kRgnOr);
    }
    RebuildSelectionOutline();
    return true;
}

bool MatrixSelection::InvertSelection() {
    if (!HasSelection()) return false;
    m_region = DotRegion::Combine(DotRegion::FromRect(0, 0, m_nGlyphSize, m_nGlyphSize), *m_region, kRgnDiff);
    RebuildSelectionOutline();
    return true;
}

bool MatrixSelection::ExpandToBox() {
    if (!HasSelection()) return false;
    SetRect(m_region->Box());
    return true;
}

void MatrixSelection::SetRect(const DotRect& rect) {
    m_region = DotRegion::FromRect(rect);
    RebuildSelectionOutline();
}

bool MatrixSelection::Offset(int dx, int dy) {
    if (!m_region || !m_region->Offset(dx, dy)) return false;
    RebuildSelectionOutline();
    return true;
}

std::optional<DotPoint> MatrixSelection::NudgeStep(NudgeDirection direction) const {
    if (!HasSelection()) return std::nullopt;
    const DotRect box = Box();
    switch (direction) {
        case kNudgeLeft:
            if (box.left - 1 >= 0) return DotPoint{-1, 0};
            break;
        case kNudgeUp:
            if (box.top - 1 >= 0) return DotPoint{0, -1};
            break;
        case kNudgeRight:
            if (box.right + 1 <= m_nGlyphSize) return DotPoint{1, 0};
            break;
        case kNudgeDown:
            if (box.bottom + 1 <= m_nGlyphSize) return DotPoint{0, 1};
            break;
    }
    return std::nullopt;
}

bool MatrixSelection::NudgeSelection(NudgeDirection direction) {
    const std::optional<DotPoint> step = NudgeStep(direction);
    return step && Offset(step->x, step->y);
}

void MatrixSelection::RebuildSelectionOutline() {
    m_outline.Fill(false);
    if (!m_region || m_region->IsEmpty() || m_nGlyphSize % 8 != 0) return;
    // A dot is on the border when a 4-neighbour is outside the region. Neighbours outside the glyph count
    // as they are, so the region is laid out on a grid one dot wider than the glyph on every side: bit
    // x + 1 of row y + 1 is dot (x, y), lowest bit first. Then, a row at a time, border = C & ~(C & left &
    // right & up & down), with the left and right neighbours as C shifted by one bit.
    const int n = m_nGlyphSize, side = n + 2, words = (side + 63) / 64;
    std::vector<std::uint64_t> grid(static_cast<std::size_t>(side) * static_cast<std::size_t>(words), 0);
    const auto row = [&](int gridRow) { return grid.data() + static_cast<std::size_t>(gridRow) * words; };
    for (const DotRegion::Band& band : m_region->Bands()) {
        const int top = std::max(band.top, -1), bottom = std::min(band.bottom, n + 1);
        if (top >= bottom) continue;
        std::uint64_t* first = row(top + 1);
        for (const Span& span : m_region->BandSpans(band)) {
            const int l = std::max(span.left, -1) + 1,
                      r = std::min(span.right, n + 1) + 1;  // grid bits l..r-1
            for (int i = l; i < r; ++i) first[i / 64] |= std::uint64_t{1} << (i % 64);
        }
        for (int y = top + 1; y < bottom; ++y) std::copy(first, first + words, row(y + 1));
    }
    std::span<std::uint8_t> out = m_outline.Bytes();
    const std::size_t bytesPerRow = static_cast<std::size_t>(n / 8);
    for (int y = 0; y < n; ++y) {
        const std::uint64_t *up = row(y), *c = row(y + 1), *down = row(y + 2);
        for (int w = 0; w < words; ++w) {
            if (c[w] == 0) continue;
            const std::uint64_t left = (c[w] << 1) | (w > 0 ? c[w - 1] >> 63 : 0);
            const std::uint64_t right = (c[w] >> 1) | (w + 1 < words ? c[w + 1] << 63 : 0);
            for (std::uint64_t border = c[w] & ~(left & right & up[w] & down[w]); border != 0;
                 border &= border - 1) {
                const int x = w * 64 + std::countr_zero(border) - 1;
                if (x < 0 || x >= n) continue;
                std::uint8_t& b =
                    out[static_cast<std::size_t>(y) * bytesPerRow + static_cast<std::size_t>(x / 8)];
                b = static_cast<std::uint8_t>(b & ~DotBitMask(x));
            }
        }
    }
}
