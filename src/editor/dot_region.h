// The selection is a set of dots that need not lie inside the glyph: a moved or turned selection may
// reach past the edges, and those parts simply select nothing. It follows GDI's region rules, so that the
// selection behaves exactly as the region calls of the Win32 side would make it: rectangles are right and
// bottom exclusive, a rectangle with equal coordinates on an axis is empty, and two regions that hold the
// same dots are equal however they were built.
//
// Representation: horizontal bands, top to bottom, each a sorted list of disjoint spans of columns. The
// form is canonical -- spans within a band never touch, bands never overlap, and two bands that meet with
// the same spans are one band -- so equality is a plain comparison and the bounding box is read off the
// ends. Every combination is one sweep over both operands' bands: building a region from a whole mask
// costs one pass over the mask, where adding its dots one rectangle at a time (as GDI would have to) costs
// time quadratic in the number of dots.
#pragma once

#include <span>
#include <vector>

#include "base/int_rect.h"
#include "editor/dot_plane.h"

// Coordinates are kept within +-kRegionCoordLimit (GDI's own limit for region coordinates), so no
// arithmetic on them can overflow; rectangles are clamped to it and an offset past it is refused.
inline constexpr int kRegionCoordLimit = 1 << 27;

// A rectangle of dots, right and bottom exclusive, like a Windows RECT.
using DotRect = IntRect;

// How a shape is combined into a region; the values are GDI's RGN_AND .. RGN_COPY.
enum RegionOp : int {
    kRgnAnd = 1,
    kRgnOr = 2,
    kRgnXor = 3,
    kRgnDiff = 4,
    kRgnCopy = 5,
};

class DotRegion {
  public:
    // Columns left..right-1 of one band.
    struct Span {
        int left = 0;
        int right = 0;
        bool operator==(const Span&) const = default;
    };
    // Rows top..bottom-1, all with the spans [firstSpan, endSpan) of the region's span list.
    struct Band {
        int top = 0;
        int bottom = 0;
        int firstSpan = 0;
        int endSpan = 0;
        bool operator==(const Band&) const = default;
    };

    DotRegion() = default;  // empty

    // The rectangle between two corners, normalised to min..max-1 on each axis (CreateRectRgnIndirect
    // after normalising); equal coordinates on an axis give an empty region.
    static DotRegion FromRect(int x0, int y0, int x1, int y1);
    static DotRegion FromRect(const DotRect& rect) {
        return FromRect(rect.left, rect.top, rect.right, rect.bottom);
    }
    // The black dots of a mask.
    static DotRegion FromMask(const DotPlane& mask);
    // CombineRgn: a op b (kRgnCopy gives a).
    static DotRegion Combine(const DotRegion& a, const DotRegion& b, RegionOp op);

    bool IsEmpty() const { return m_bands.empty(); }
    // GetRgnBox: the smallest rectangle holding every dot; all zero when empty.
    DotRect Box() const;
    // PtInRegion.
    bool Contains(int x, int y) const;
    // Whether the region is exactly its bounding box (EqualRgn with the box's rectangle region).
    bool IsRectangle() const;
    // OffsetRgn. Refused (false, region unchanged) when a coordinate would leave +-kRegionCoordLimit.
    bool Offset(int dx, int dy);

    // The spans of row y (none outside the region's rows).
    std::span<const Span> SpansAt(int y) const;
    std::span<const Band> Bands() const { return m_bands; }
    std::span<const Span> BandSpans(const Band& band) const {
        return std::span<const Span>(m_spans).subspan(
            static_cast<std::size_t>(band.firstSpan),
            static_cast<std::size_t>(band.endSpan - band.firstSpan));
    }
    // The region as rectangles, band by band (what a GDI region built from it would hold).
    std::vector<DotRect> Rectangles() const;

    bool operator==(const DotRegion&) const = default;

  private:
    friend class RegionBuilder;
    std::vector<Band> m_bands;
    std::vector<Span> m_spans;
};

// Span-list arithmetic on sorted, disjoint, non-touching spans: the result of `op` in the same form.
void CombineSpans(std::span<const DotRegion::Span> a, std::span<const DotRegion::Span> b, RegionOp op,
                  std::vector<DotRegion::Span>& out);
