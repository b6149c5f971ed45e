#include "editor/dot_region.h"

#include <algorithm>
#include <cstdint>
#include <limits>

using Span = DotRegion::Span;
using Band = DotRegion::Band;

// Builds a region band by band from the top down, keeping it canonical: a band that meets the previous
// one with the same spans extends it, and empty bands are dropped.
class RegionBuilder {
  public:
    void AddBand(int top, int bottom, std::span<const Span> spans) {
        if (spans.empty() || bottom <= top) return;
        if (!m_region.m_bands.empty()) {
            Band& last = m_region.m_bands.back();
            if (last.bottom == top && std::ranges::equal(m_region.BandSpans(last), spans)) {
                last.bottom = bottom;
                return;
            }
        }
        const int first = static_cast<int>(m_region.m_spans.size());
        m_region.m_spans.insert(m_region.m_spans.end(), spans.begin(), spans.end());
        m_region.m_bands.push_back({top, bottom, first, static_cast<int>(m_region.m_spans.size())});
    }
    DotRegion Take() { return std::move(m_region); }

  private:
    DotRegion m_region;
};

namespace {

int ClampCoord(int v) { return std::clamp(v, -kRegionCoordLimit, kRegionCoordLimit); }

bool Apply(RegionOp op, bool inA, bool inB) {
    switch (op) {
        case kRgnAnd:
            return inA && inB;
        case kRgnOr:
            return inA || inB;
        case kRgnXor:
            return inA != inB;
        case kRgnDiff:
            return inA && !inB;
        case kRgnCopy:
        default:
            return inA;
    }
}

}  // namespace

void CombineSpans(std::span<const Span> a, std::span<const Span> b, RegionOp op, std::vector<Span>& out) {
    out.clear();
    // Sweep the column boundaries of both lists; between two boundaries membership is constant.
    std::size_t ia = 0, ib = 0;
    int x = std::numeric_limits<int>::min();
    while (ia < a.size() || ib < b.size()) {
        // The next boundary after x of each list: the start of its current span, or its end when x is in it.
        const bool inA = ia < a.size() && a[ia].left <= x;
        const bool inB = ib < b.size() && b[ib].left <= x;
        int next = std::numeric_limits<int>::max();
        if (ia < a.size()) next = std::min(next, inA ? a[ia].right : a[ia].left);
        if (ib < b.size()) next = std::min(next, inB ? b[ib].right : b[ib].left);
        if (x != std::numeric_limits<int>::min() && Apply(op, inA, inB)) {
            if (!out.empty() && out.back().right == x) {
                out.back().right = next;
            } else {
                out.push_back({x, next});
            }
        }
        x = next;
        if (ia < a.size() && a[ia].right <= x) ++ia;
        if (ib < b.size() && b[ib].right <= x) ++ib;
    }
}

DotRegion DotRegion::FromRect(int x0, int y0, int x1, int y1) {
    x0 = ClampCoord(x0), y0 = ClampCoord(y0), x1 = ClampCoord(x1), y1 = ClampCoord(y1);
    RegionBuilder builder;
    if (x0 != x1 && y0 != y1) {
        const Span span{std::min(x0, x1), std::max(x0, x1)};
        builder.AddBand(std::min(y0, y1), std::max(y0, y1), std::span<const Span>(&span, 1));
    }
    return builder.Take();
}

DotRegion DotRegion::FromMask(const DotPlane& mask) {
    const int size = mask.Size();
    RegionBuilder builder;
    if (size % 8 != 0) return builder.Take();
    const std::size_t bytesPerRow = static_cast<std::size_t>(size / 8);
    const std::span<const std::uint8_t> bytes = mask.Bytes();
    std::vector<Span> row;
    for (int y = 0; y < size; ++y) {
        row.clear();
        const std::uint8_t* rowBytes = bytes.data() + static_cast<std::size_t>(y) * bytesPerRow;
        for (std::size_t k = 0; k < bytesPerRow; ++k) {
            const std::uint8_t ink = static_cast<std::uint8_t>(~rowBytes[k]);
            if (ink == 0) continue;
            const int xBase = static_cast<int>(k) * 8;
            for (int bit = 0; bit < 8; ++bit) {
                if ((ink & (0x80u >> bit)) == 0) continue;
                const int x = xBase + bit;
                if (!row.empty() && row.back().right == x) {
                    ++row.back().right;
                } else {
                    row.push_back({x, x + 1});
                }
            }
        }
        builder.AddBand(y, y + 1, row);
    }
    return builder.Take();
}

DotRegion DotRegion::Combine(const DotRegion& a, const DotRegion& b, RegionOp op) {
    if (op == kRgnCopy) return a;
    // An empty operand decides the result alone.
    if (a.IsEmpty()) return op == kRgnOr || op == kRgnXor ? b : DotRegion();
    if (b.IsEmpty()) return op == kRgnAnd ? DotRegion() : a;
    RegionBuilder builder;
    std::vector<Span> spans;
    std::size_t ia = 0, ib = 0;
    const std::size_t na = a.m_bands.size(), nb = b.m_bands.size();
    int y = std::numeric_limits<int>::min();
    // Sweep the row boundaries of both regions; between two boundaries both operands keep their spans.
    while (ia < na || ib < nb) {
        const Band* bandA = ia < na ? &a.m_bands[ia] : nullptr;
        const Band* bandB = ib < nb ? &b.m_bands[ib] : nullptr;
        const bool inA = bandA && bandA->top <= y;
        const bool inB = bandB && bandB->top <= y;
        int next = std::numeric_limits<int>::max();
        if (bandA) next = std::min(next, inA ? bandA->bottom : bandA->top);
        if (bandB) next = std::min(next, inB ? bandB->bottom : bandB->top);
        if (y != std::numeric_limits<int>::min() && (inA || inB)) {
            CombineSpans(inA ? a.BandSpans(*bandA) : std::span<const Span>(),
                         inB ? b.BandSpans(*bandB) : std::span<const Span>(), op, spans);
            builder.AddBand(y, next, spans);
        }
        y = next;
        if (bandA && bandA->bottom <= y) ++ia;
        if (bandB && bandB->bottom <= y) ++ib;
    }
    return builder.Take();
}

DotRect DotRegion::Box() const {
    if (m_bands.empty()) return {};
    DotRect box{std::numeric_limits<int>::max(), m_bands.front().top, std::numeric_limits<int>::min(),
                m_bands.back().bottom};
    for (const Band& band : m_bands) {
        box.left = std::min(box.left, m_spans[static_cast<std::size_t>(band.firstSpan)].left);
        box.right = std::max(box.right, m_spans[static_cast<std::size_t>(band.endSpan - 1)].right);
    }
    return box;
}

std::span<const Span> DotRegion::SpansAt(int y) const {
    const auto it = std::ranges::upper_bound(m_bands, y, {}, &Band::top);
    if (it == m_bands.begin()) return {};
    const Band& band = *(it - 1);
    if (y >= band.bottom) return {};
    return BandSpans(band);
}

bool DotRegion::Contains(int x, int y) const {
    const std::span<const Span> spans = SpansAt(y);
    const auto it = std::ranges::upper_bound(spans, x, {}, &Span::left);
    return it != spans.begin() && x < (it - 1)->right;
}

bool DotRegion::IsRectangle() const { return *this == FromRect(Box()); }

bool DotRegion::Offset(int dx, int dy) {
    if (m_bands.empty()) return true;
    const DotRect box = Box();
    const auto outside = [](std::int64_t v) { return v < -kRegionCoordLimit || v > kRegionCoordLimit; };
    if (outside(std::int64_t{box.left} + dx) || outside(std::int64_t{box.right} + dx) ||
        outside(std::int64_t{box.top} + dy) || outside(std::int64_t{box.bottom} + dy)) {
        return false;
    }
    for (Band& band : m_bands) {
        band.top += dy;
        band.bottom += dy;
    }
    for (Span& span : m_spans) {
        span.left += dx;
        span.right += dx;
    }
    return true;
}

std::vector<DotRect> DotRegion::Rectangles() const {
    std::vector<DotRect> rects;
    for (const Band& band : m_bands) {
        for (const Span& span : BandSpans(band))
            rects.push_back({span.left, band.top, span.right, band.bottom});
    }
    return rects;
}
