#include "editor/selection.h"

#include <algorithm>
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
    if (!m_region || mode == kSelectReplace) m_region.emplace();
    // The union (or difference) of the mask's 1-dot rectangles is the region of its black dots, and a
    // region is fixed by its dots: one combination gives what combining them one by one would.
    m_region =
        DotRegion::Combine(*m_region, DotRegion::FromMask(mask), mode == kSelectRemove ? kRgnDiff : kRgnOr);
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
    if (!m_region || m_region->IsEmpty()) return;
    // A dot is on the border when a 4-neighbour is outside the region. Row by row: the dots whose left,
    // right, upper and lower neighbours are all inside form the interior -- the row's spans shrunk by one
    // at each end, cut with the rows above and below -- and the border is the row less its interior.
    // Neighbours outside the glyph count as they are: a region that runs on past an edge has no border
    // there.
    std::vector<Span> eroded, interior, frame;
    const DotRect box = m_region->Box();
    const int top = std::max(box.top, 0), bottom = std::min(box.bottom, m_nGlyphSize);
    for (int y = top; y < bottom; ++y) {
        const std::span<const Span> row = m_region->SpansAt(y);
        if (row.empty()) continue;
        eroded.clear();
        for (const Span& span : row) {
            if (span.right - span.left > 2) eroded.push_back({span.left + 1, span.right - 1});
        }
        CombineSpans(eroded, m_region->SpansAt(y - 1), kRgnAnd, interior);
        CombineSpans(interior, m_region->SpansAt(y + 1), kRgnAnd, eroded);
        CombineSpans(row, eroded, kRgnDiff, frame);
        for (const Span& span : frame) InkRun(m_outline, y, span.left, span.right);
    }
}
