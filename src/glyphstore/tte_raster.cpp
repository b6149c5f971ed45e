#include "glyphstore/tte_raster.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDot = 64.0;  // 1/64 dot units a dot
constexpr double kHalf = 32.0;

// A crossing of the outline with the centre line of a row: where, and which way the outline runs.
struct Crossing {
    int row;
    double x;
    int direction;
    bool operator<(const Crossing& other) const { return row != other.row ? row < other.row : x < other.x; }
};

// A run of dots whose centres lie on the outline itself; they are ink whatever the winding says.
struct Touch {
    int row;
    double left;
    double right;
};

class Scanner {
  public:
    explicit Scanner(int size) : m_size(size), m_flatness(size < 24 ? 4.0 : 32.0) {}

    void Line(double x0, double y0, double x1, double y1) {
        if (x0 == x1 && y0 == y1) return;
        if (y0 == y1) {
            // A horizontal edge on a centre line holds the centres along it.
            if (IsCentre(y0)) AddTouch(y0, std::min(x0, x1), std::max(x0, x1));
            return;
        }
        const int direction = y1 > y0 ? 1 : -1;
        const double top = std::min(y0, y1);
        const double bottom = std::max(y0, y1);
        // Rows whose centre line the edge crosses, half-open in y so that a vertex between two edges counts
        // once; a centre on the edge's ends is still on the outline.
        const int first = std::max(0, static_cast<int>(std::ceil((top - kHalf) / kDot)));
        const int last = std::min(m_size - 1, static_cast<int>(std::floor((bottom - kHalf) / kDot)));
        for (int row = first; row <= last; ++row) {
            const double y = row * kDot + kHalf;
            // Exact for integer coordinates: an intersection that is a whole number comes out as one.
            const double x = y == y1 ? x1 : y == y0 ? x0 : x0 + (x1 - x0) * (y - y0) / (y1 - y0);
            if (y < bottom) m_crossings.push_back({row, x, direction});
            if (IsCentre(x)) AddTouch(y, x, x);
        }
    }

    // A quadratic arc, as FreeType's monochrome renderer (which GDI under Wine uses too) takes it: halved
    // until every piece runs one way in y, a piece level at both ends left out; each piece then halved until
    // it spans less than `m_flatness` in y, when it counts as the straight line between its ends. So both
    // see the same dots, also where a long flat curve passes close to a row of centres.
    void Conic(double x0, double y0, double cx, double cy, double x1, double y1, int depth = 0) {
        const double low = std::min(y0, y1), high = std::max(y0, y1);
        if (depth < kMaxSplits && (cy < low || cy > high)) {
            Halve(x0, y0, cx, cy, x1, y1, depth, &Scanner::Conic);
            return;
        }
        if (y0 != y1) Flatten(x0, y0, cx, cy, x1, y1, depth);
    }

    std::vector<std::uint8_t> Fill() {
        const std::size_t rowBytes = (static_cast<std::size_t>(m_size) + 7) / 8;
        std::vector<std::uint8_t> dots(rowBytes * static_cast<std::size_t>(m_size), 0xFF);
        auto ink = [&](int row, double left, double right) {
            const int from = std::max(0, static_cast<int>(std::ceil((left - kHalf) / kDot)));
            const int to = std::min(m_size - 1, static_cast<int>(std::floor((right - kHalf) / kDot)));
            std::uint8_t* line = dots.data() + rowBytes * static_cast<std::size_t>(row);
            for (int x = from; x <= to; ++x) line[x / 8] &= static_cast<std::uint8_t>(~(0x80u >> (x % 8)));
        };
        std::sort(m_crossings.begin(), m_crossings.end());
        for (std::size_t i = 0; i < m_crossings.size();) {
            std::size_t end = i;
            while (end < m_crossings.size() && m_crossings[end].row == m_crossings[i].row) ++end;
            int winding = 0;
            for (std::size_t k = i; k + 1 < end; ++k) {
                winding += m_crossings[k].direction;
                if (winding != 0) ink(m_crossings[k].row, m_crossings[k].x, m_crossings[k + 1].x);
            }
            i = end;
        }
        for (const Touch& touch : m_touches) ink(touch.row, touch.left, touch.right);
        return dots;
    }

  private:
    using Arc = void (Scanner::*)(double, double, double, double, double, double, int);

    void Halve(double x0, double y0, double cx, double cy, double x1, double y1, int depth, Arc next) {
        const double ax = (x0 + cx) / 2, ay = (y0 + cy) / 2;
        const double bx = (cx + x1) / 2, by = (cy + y1) / 2;
        const double mx = (ax + bx) / 2, my = (ay + by) / 2;
        (this->*next)(x0, y0, ax, ay, mx, my, depth + 1);
        (this->*next)(mx, my, bx, by, x1, y1, depth + 1);
    }

    void Flatten(double x0, double y0, double cx, double cy, double x1, double y1, int depth) {
        // A piece above or below every row crosses none: its chord will do, however long it is.
        const double top = std::min({y0, cy, y1}), bottom = std::max({y0, cy, y1});
        if (bottom < kHalf || top > (m_size - 1) * kDot + kHalf) {
            Line(x0, y0, x1, y1);
            return;
        }
        if (depth < kMaxSplits && std::fabs(y1 - y0) >= m_flatness)
            Halve(x0, y0, cx, cy, x1, y1, depth, &Scanner::Flatten);
        else
            Line(x0, y0, x1, y1);
    }

    static bool IsCentre(double value) {
        const double k = (value - kHalf) / kDot;  // exact: a power of two
        return k == std::floor(k);
    }

    void AddTouch(double y, double left, double right) {
        const double row = (y - kHalf) / kDot;
        if (row >= 0 && row < m_size) m_touches.push_back({static_cast<int>(row), left, right});
    }

    // A curve is never halved more often than this; 2^-20 of its extent is far below a dot.
    static constexpr int kMaxSplits = 20;

    int m_size;
    double m_flatness;  // 1/64 dot units
    std::vector<Crossing> m_crossings;
    std::vector<Touch> m_touches;
};

}  // namespace

std::vector<std::uint8_t> RasterizePoints(const std::vector<TteRasterPoint>& points,
                                          const std::vector<std::uint32_t>& contourEnds, int size) {
    if (size <= 0) return {};
    Scanner scanner(size);
    std::size_t start = 0;
    for (const std::uint32_t endIndex : contourEnds) {
        const std::size_t end = static_cast<std::size_t>(endIndex) + 1;
        if (end <= start || end > points.size()) break;
        const std::size_t count = end - start;
        auto at = [&](std::size_t i) -> const TteRasterPoint& { return points[start + (i % count)]; };
        // Start on an on-curve point; a contour of off-curve points only starts between its first two.
        std::size_t first = 0;
        while (first < count && !at(first).onCurve) ++first;
        double sx, sy;
        if (first < count) {
            sx = at(first).x;
            sy = at(first).y;
        } else {
            first = 0;
            sx = (at(0).x + at(count - 1).x) / 2;
            sy = (at(0).y + at(count - 1).y) / 2;
            first = count - 1;  // the walk below begins at point 0
        }
        double px = sx, py = sy;
        bool haveControl = false;
        double cx = 0, cy = 0;
        for (std::size_t step = 1; step <= count; ++step) {
            const TteRasterPoint& point = at(first + step);
            if (point.onCurve) {
                if (haveControl)
                    scanner.Conic(px, py, cx, cy, point.x, point.y);
                else
                    scanner.Line(px, py, point.x, point.y);
                px = point.x;
                py = point.y;
                haveControl = false;
            } else {
                if (haveControl) {
                    const double mx = (cx + point.x) / 2, my = (cy + point.y) / 2;
                    scanner.Conic(px, py, cx, cy, mx, my);
                    px = mx;
                    py = my;
                }
                cx = point.x;
                cy = point.y;
                haveControl = true;
            }
        }
        // Close the contour back to where it started.
        if (haveControl)
            scanner.Conic(px, py, cx, cy, sx, sy);
        else if (px != sx || py != sy)
            scanner.Line(px, py, sx, sy);
        start = end;
    }
    return scanner.Fill();
}

long TteScale(int unitsPerEm, int ppem) {
    if (unitsPerEm <= 0) return 0;
    const std::uint64_t numerator = static_cast<std::uint64_t>(ppem) * 64;
    return static_cast<long>(((numerator << 16) + static_cast<std::uint64_t>(unitsPerEm) / 2) /
                             static_cast<std::uint64_t>(unitsPerEm));
}

long TteScaleCoordinate(long value, long scale) {
    // Rounds half away from zero, as FreeType's FT_MulFix does.
    long long product = static_cast<long long>(value) * scale;
    product += 0x8000 + (product < 0 ? -1 : 0);
    return static_cast<long>(product >> 16);
}

TtePlacement StandardPlacement(const TteFont& font, int ppem) {
    TtePlacement placement;
    placement.unitsPerEm = font.UnitsPerEm();
    placement.ppem = ppem;
    const long ascent = TteScaleCoordinate(font.Ascent(), TteScale(font.UnitsPerEm(), ppem));
    placement.baselineRow = static_cast<int>((ascent + 32) >> 6);
    return placement;
}

std::vector<std::uint8_t> RasterizeOutline(const TteOutline& outline, const TtePlacement& placement,
                                           int shiftUnits) {
    const long scale = TteScale(placement.unitsPerEm, placement.ppem);
    const long shift = TteScaleCoordinate(shiftUnits, scale);
    std::vector<TteRasterPoint> points;
    points.reserve(outline.points.size());
    for (const auto& point : outline.points) {
        points.push_back(
            {static_cast<double>(TteScaleCoordinate(point.x, scale) + shift),
             static_cast<double>(placement.baselineRow * 64L - TteScaleCoordinate(point.y, scale)),
             point.onCurve});
    }
    return RasterizePoints(points, outline.contourEnds, placement.ppem);
}

int RasterizeGlyph(const TteFont& font, int glyph, int ppem, std::vector<std::uint8_t>& dots) {
    TteOutline outline;
    const int result = font.LoadOutline(glyph, outline);
    if (result != kTteOk) {
        dots.clear();
        return result;
    }
    dots = RasterizeOutline(outline, StandardPlacement(font, ppem),
                            font.LeftSideBearing(glyph) - font.GlyphXMin(glyph));
    return kTteOk;
}

int RasterizeCode(const TteFont& font, int code, int ppem, std::vector<std::uint8_t>& dots) {
    const int glyph = font.GlyphForCode(code);
    if (glyph == 0) {
        dots.clear();
        return kTteNoGlyph;
    }
    return RasterizeGlyph(font, glyph, ppem, dots);
}
