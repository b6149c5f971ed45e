#include "glyphstore/tte_agreement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/glyph_size.h"
#include "glyphstore/tte_raster.h"

namespace {

// A fit may stretch the glyph by at most this much either way: more is not a placement but another shape.
constexpr double kMinFitScale = 0.5;
constexpr double kMaxFitScale = 2.0;

bool Ink(std::span<const std::uint8_t> dots, int size, int x, int y) {
    const std::size_t pitch = (static_cast<std::size_t>(size) + 7) / 8;
    return (dots[pitch * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / 8)] &
            (0x80u >> (x % 8))) == 0;
}

struct Box {
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    void Add(double x, double y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    bool Empty() const { return left > right; }
};

// The box of the outline itself, curves included (their control points may lie outside it).
Box CurveBox(const std::vector<TteRasterPoint>& points, const std::vector<std::uint32_t>& ends) {
    Box box;
    auto conic = [&](const TteRasterPoint& a, double cx, double cy, const TteRasterPoint& b) {
        box.Add(a.x, a.y);
        box.Add(b.x, b.y);
        for (int axis = 0; axis < 2; ++axis) {
            const double p0 = axis ? a.y : a.x, p1 = axis ? cy : cx, p2 = axis ? b.y : b.x;
            const double d = p0 - 2 * p1 + p2;
            if (d == 0) continue;
            const double t = (p0 - p1) / d;
            if (t <= 0 || t >= 1) continue;
            const double u = 1 - t;
            const double x = u * u * a.x + 2 * u * t * cx + t * t * b.x;
            const double y = u * u * a.y + 2 * u * t * cy + t * t * b.y;
            box.Add(x, y);
        }
    };
    std::size_t start = 0;
    for (std::uint32_t last : ends) {
        const std::size_t end = static_cast<std::size_t>(last) + 1;
        if (end <= start || end > points.size()) break;
        const std::size_t n = end - start;
        for (std::size_t i = 0; i < n; ++i) {
            const TteRasterPoint& p = points[start + i];
            if (p.onCurve) {
                box.Add(p.x, p.y);
                continue;
            }
            const TteRasterPoint& before = points[start + (i + n - 1) % n];
            const TteRasterPoint& after = points[start + (i + 1) % n];
            const TteRasterPoint from =
                before.onCurve ? before : TteRasterPoint{(before.x + p.x) / 2, (before.y + p.y) / 2, true};
            const TteRasterPoint to =
                after.onCurve ? after : TteRasterPoint{(after.x + p.x) / 2, (after.y + p.y) / 2, true};
            conic(from, p.x, p.y, to);
        }
        start = end;
    }
    return box;
}

// Compares the dots of a glyph with the drawing: the overlap of their ink, and the drawing's runs of ink
// (row by row) that the glyph leaves out altogether, not even with ink beside them. (A rounded outline
// takes the corner dot off a stroke's end; a lost stroke leaves its dots with nothing near.)
void Score(std::span<const std::uint8_t> shown, std::span<const std::uint8_t> drawn, int size,
           GlyphAgreement& result) {
    long both = 0, either = 0;
    result.drawnRuns = 0;
    result.runsMissed = 0;
    auto shownNear = [&](int x0, int x1, int y) {
        for (int yy = std::max(0, y - 1); yy <= std::min(size - 1, y + 1); ++yy)
            for (int x = std::max(0, x0 - 1); x <= std::min(size - 1, x1 + 1); ++x)
                if (Ink(shown, size, x, yy)) return true;
        return false;
    };
    for (int y = 0; y < size; ++y) {
        int start = -1;
        for (int x = 0; x <= size; ++x) {
            const bool d = x < size && Ink(drawn, size, x, y);
            const bool s = x < size && Ink(shown, size, x, y);
            both += d && s;
            either += d || s;
            if (d && start < 0) start = x;
            if (!d && start >= 0) {
                ++result.drawnRuns;
                if (!shownNear(start, x - 1, y)) ++result.runsMissed;
                start = -1;
            }
        }
    }
    result.overlap = either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

std::vector<TteRasterPoint> Place(const TteOutline& outline, const TtePlacement& placement, int shiftUnits) {
    const long scale = TteScale(placement.unitsPerEm, placement.ppem);
    const long shift = TteScaleCoordinate(shiftUnits, scale);
    std::vector<TteRasterPoint> points;
    points.reserve(outline.points.size());
    for (const auto& point : outline.points)
        points.push_back(
            {static_cast<double>(TteScaleCoordinate(point.x, scale) + shift),
             static_cast<double>(placement.baselineRow * 64L - TteScaleCoordinate(point.y, scale)),
             point.onCurve});
    return points;
}

GlyphAgreement Compare(const TteOutline& outline, const TtePlacement& placement, int shiftUnits,
                       std::span<const std::uint8_t> dots, int size) {
    GlyphAgreement result;
    const std::size_t pitch = (static_cast<std::size_t>(size) + 7) / 8;
    if (size <= 0 || dots.size() < pitch * static_cast<std::size_t>(size)) {
        result.why = "the drawing does not fill its character";
        return result;
    }
    Box drawn;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (Ink(dots, size, x, y)) drawn.Add(x, y);

    const std::vector<TteRasterPoint> placed = Place(outline, placement, shiftUnits);
    const std::vector<std::uint8_t> shown = RasterizePoints(placed, outline.contourEnds, size);
    Score(shown, dots, size, result);
    if (std::equal(shown.begin(), shown.end(), dots.begin(),
                   dots.begin() + static_cast<std::ptrdiff_t>(shown.size()))) {
        result.agrees = result.exact = true;
        return result;
    }
    if (drawn.Empty()) {
        result.why = "the drawing is empty, the glyph is not";
        return result;
    }
    const Box box = CurveBox(placed, outline.contourEnds);
    if (box.Empty() || (box.right - box.left < 1 && box.bottom - box.top < 1)) {
        result.why = outline.points.empty() ? "the glyph is empty" : "the glyph has no area";
        return result;
    }
    // One scale, taken from the drawing's longer side; the other side must come out the same length to
    // within the rounding an editor's own outline may do.
    const double width = drawn.right - drawn.left + 1, height = drawn.bottom - drawn.top + 1;
    const double outlineWidth = (box.right - box.left) / 64, outlineHeight = (box.bottom - box.top) / 64;
    const bool byWidth = width >= height;
    const double scale = byWidth ? width / outlineWidth : height / outlineHeight;
    const double other = byWidth ? outlineHeight * scale : outlineWidth * scale;
    const double drawnOther = byWidth ? height : width;
    result.scale = scale;
    result.shiftX = drawn.left - box.left / 64;
    result.shiftY = drawn.top - box.top / 64;
    if (!std::isfinite(scale) || scale < kMinFitScale || scale > kMaxFitScale) {
        result.why = "fitting the glyph onto the drawing would scale it by " + std::to_string(scale);
        return result;
    }
    if (std::fabs(other - drawnOther) > 1.5 + 0.05 * drawnOther) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "the glyph's shape is %.1f by %.1f dots fitted, the drawing %.0f by %.0f",
                      byWidth ? width : other, byWidth ? other : height, width, height);
        result.why = text;
        return result;
    }
    // Centres of the two boxes on each other, the glyph scaled about its own.
    const double ox = (box.left + box.right) / 2, oy = (box.top + box.bottom) / 2;
    const double cx = (drawn.left + drawn.right + 1) * 32, cy = (drawn.top + drawn.bottom + 1) * 32;
    std::vector<TteRasterPoint> fitted = placed;
    for (auto& point : fitted) {
        point.x = (point.x - ox) * scale + cx;
        point.y = (point.y - oy) * scale + cy;
    }
    result.fitted = true;
    Score(RasterizePoints(fitted, outline.contourEnds, size), dots, size, result);
    result.agrees = result.overlap >= kMinInkOverlap && result.runsMissed == 0;
    if (!result.agrees) {
        char text[120];
        std::snprintf(text, sizeof text, "the ink overlaps %.3f (at least %.2f wanted), %d of %d runs missed",
                      result.overlap, kMinInkOverlap, result.runsMissed, result.drawnRuns);
        result.why = text;
    }
    return result;
}

}  // namespace

GlyphAgreement CompareOutlineWithDots(const TteOutline& outline, int unitsPerEm, int baselineRow,
                                      std::span<const std::uint8_t> dots, int size) {
    return Compare(outline, TtePlacement{unitsPerEm, size, baselineRow}, 0, dots, size);
}

GlyphAgreement CompareGlyphWithDots(const TteFont& font, int glyph, std::span<const std::uint8_t> dots,
                                    int size) {
    TteOutline outline;
    if (glyph != 0 && font.LoadOutline(glyph, outline) != kTteOk) {
        GlyphAgreement result;
        result.why = font.Error();
        return result;
    }
    const int shift = glyph != 0 ? font.LeftSideBearing(glyph) - font.GlyphXMin(glyph) : 0;
    return Compare(outline, StandardPlacement(font, size), shift, dots, size);
}

std::string AgreementFigures(const GlyphAgreement& a) {
    char text[200];
    std::snprintf(text, sizeof text, "%s overlap=%.3f runs=%d missed=%d %s scale=%.3f shift=%.2f,%.2f",
                  a.agrees ? "agrees" : "disagrees", a.overlap, a.drawnRuns, a.runsMissed,
                  a.exact    ? "exact"
                  : a.fitted ? "fitted"
                             : "placed",
                  a.scale, a.shiftX, a.shiftY);
    return text;
}

const char* PairProblemName(PairProblemKind kind) {
    switch (kind) {
        case PairProblemKind::MissingInFont:
            return "not in the font";
        case PairProblemKind::MissingInBitmap:
            return "not in the bitmap file";
        case PairProblemKind::Disagrees:
            return "differs";
        case PairProblemKind::DamagedRecord:
            return "bitmap record does not read";
        case PairProblemKind::BadGlyph:
            break;
    }
    return "font glyph does not read";
}

bool CheckEudcPair(std::span<const std::uint8_t> bitmapFile, const TteFont& font, PairCheck& check,
                   std::string& error) {
    check = {};
    EudcIndex index;
    if (const int result = ReadEudcIndexBytes(bitmapFile, index); result != kEudcOk) {
        error = "the bitmap file's header does not read (result " + std::to_string(result) + ")";
        return false;
    }
    if (!IsUsableGlyphSize(index.width, index.height)) {
        error = "the bitmap file's character size " + std::to_string(index.width) + " by " +
                std::to_string(index.height) + " is not one a font shows";
        return false;
    }
    const int size = index.width;
    check.glyphSize = size;
    std::vector<int> stored;
    ListEudcCodesBytes(bitmapFile, stored);
    std::set<int> codes;
    std::set<int> inBitmap;
    for (int code : stored)
        if (IsUnicodeEudcCode(code)) inBitmap.insert(code);
    std::set<int> inFont;
    for (int code : font.Codes())
        if (IsUnicodeEudcCode(code)) inFont.insert(code);
    check.bitmapCodes = static_cast<int>(inBitmap.size());
    check.fontCodes = static_cast<int>(inFont.size());
    codes.insert(inBitmap.begin(), inBitmap.end());
    codes.insert(inFont.begin(), inFont.end());

    for (int code : codes) {
        PairProblem problem{code, PairProblemKind::Disagrees, {}, 0};
        std::vector<std::uint8_t> dots;
        if (inBitmap.count(code)) {
            int width = 0, height = 0;
            problem.result = ReadEudcRecordBytes(bitmapFile, index, code, width, height, &dots);
            if (problem.result != kEudcOk) {
                problem.kind = PairProblemKind::DamagedRecord;
                check.problems.push_back(problem);
                continue;
            }
        } else {
            dots.assign(static_cast<std::size_t>(size) * size / 8, 0xFF);
        }
        const int glyph = font.GlyphForCode(code);
        if (glyph != 0) {
            TteOutline outline;
            problem.result = font.LoadOutline(glyph, outline);
            if (problem.result != kTteOk) {
                problem.kind = PairProblemKind::BadGlyph;
                check.problems.push_back(problem);
                continue;
            }
        }
        problem.agreement = CompareGlyphWithDots(font, glyph, dots, size);
        if (problem.agreement.agrees) {
            // A blank record and a missing or empty glyph are the same empty character.
            ++check.agreeing;
            continue;
        }
        problem.kind = !inFont.count(code)     ? PairProblemKind::MissingInFont
                       : !inBitmap.count(code) ? PairProblemKind::MissingInBitmap
                                               : PairProblemKind::Disagrees;
        check.problems.push_back(problem);
    }
    return true;
}
