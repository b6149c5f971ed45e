// The drawing masks against the platform's own rasteriser: the same figures drawn with the real GDI
// calls on a monochrome bitmap, whose bits have the dot plane's layout. 1-dot lines and rectangles must
// give exactly GDI's pixels, and so must wide lines that run straight and wide rectangles wherever GDI's
// own stroke is as many dots thick as the pen is wide; slanted wide lines and ellipses are the
// rasteriser's own business, so for them the differences are only counted and printed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/drawing.h"

namespace {

constexpr int kSize = 64;  // a multiple of 16, so GetBitmapBits pads no row

// A memory DC with an N by N monochrome bitmap, a 1..5-dot black PS_SOLID pen and the default (white)
// brush, in GM_COMPATIBLE mode.
class MonoCanvas {
  public:
    explicit MonoCanvas(int size) : m_nSize(size) {
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateBitmap(size, size, 1, 1, nullptr);
        if (m_dc && m_bitmap) m_oldBitmap = SelectObject(m_dc, m_bitmap);
        if (m_dc) SetGraphicsMode(m_dc, GM_COMPATIBLE);
    }
    MonoCanvas(const MonoCanvas&) = delete;
    MonoCanvas& operator=(const MonoCanvas&) = delete;
    ~MonoCanvas() {
        if (m_dc && m_oldPen) SelectObject(m_dc, m_oldPen);
        if (m_pen) DeleteObject(m_pen);
        if (m_dc && m_oldBitmap) SelectObject(m_dc, m_oldBitmap);
        if (m_bitmap) DeleteObject(m_bitmap);
        if (m_dc) DeleteDC(m_dc);
    }

    bool Ready() const { return m_dc && m_bitmap && m_oldBitmap; }

    bool UsePen(int width) {
        HPEN pen = CreatePen(PS_SOLID, width, RGB(0, 0, 0));
        if (!pen) return false;
        HGDIOBJ old = SelectObject(m_dc, pen);
        if (!m_oldPen) m_oldPen = old;
        if (m_pen) DeleteObject(m_pen);
        m_pen = pen;
        return true;
    }

    // Draws the figure BuildShapeMask describes, on a white bitmap, and returns the bits.
    std::vector<std::uint8_t> Draw(int tool, int x0, int y0, int x1, int y1) {
        std::vector<std::uint8_t> bits(DotPlaneByteCount(m_nSize), 0);
        if (!PatBlt(m_dc, 0, 0, m_nSize, m_nSize, WHITENESS)) return {};
        bool drawn = false;
        switch (tool) {
            case kLineTool:
                drawn = MoveToEx(m_dc, x0, y0, nullptr) && LineTo(m_dc, x1, y1);
                break;
            case kRectangleTool:
                drawn = Rectangle(m_dc, x0, y0, x1, y1);
                break;
            case kCircleTool:
                drawn = Ellipse(m_dc, x0, y0, x1, y1);
                break;
        }
        if (!drawn || !GdiFlush()) return {};
        if (GetBitmapBits(m_bitmap, static_cast<LONG>(bits.size()), bits.data()) !=
            static_cast<LONG>(bits.size()))
            return {};
        return bits;
    }

  private:
    int m_nSize;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    HPEN m_pen = nullptr;
    HGDIOBJ m_oldPen = nullptr;
};

struct Figure {
    int tool, x0, y0, x1, y1, width;
};

const char* ToolName(int tool) {
    return tool == kLineTool ? "line" : tool == kRectangleTool ? "rectangle" : "ellipse";
}

std::string Describe(const Figure& f) {
    std::ostringstream text;
    text << ToolName(f.tool) << " (" << f.x0 << "," << f.y0 << ")->(" << f.x1 << "," << f.y1 << ") width "
         << f.width;
    return text.str();
}

int DifferingDots(const std::vector<std::uint8_t>& gdi, const DotPlane& mask) {
    int count = 0;
    for (std::size_t i = 0; i < gdi.size(); ++i)
        count += std::popcount(static_cast<unsigned>(gdi[i] ^ mask.Bytes()[i]));
    return count;
}

// Both pictures side by side around the figure ('#' both black, 'G' only GDI, 'M' only the mask).
std::string Picture(const std::vector<std::uint8_t>& gdi, const DotPlane& mask) {
    std::string text;
    for (int y = 0; y < kSize; ++y) {
        std::string row;
        bool any = false;
        for (int x = 0; x < kSize; ++x) {
            const bool g = IsBlackDot(gdi, kSize, x, y), m = mask.IsBlack(x, y);
            row += g && m ? '#' : g ? 'G' : m ? 'M' : '.';
            any = any || g || m;
        }
        if (any) text += std::to_string(y) + "\t" + row + "\n";
    }
    return text;
}

// Tallies how one family of figures compares.
struct Tally {
    int figures = 0, identical = 0, differingDots = 0, worst = 0, gdiDots = 0;
    Figure worstFigure{};

    void Add(const Figure& f, const std::vector<std::uint8_t>& gdi, const DotPlane& mask) {
        const int d = DifferingDots(gdi, mask);
        ++figures;
        identical += d == 0;
        differingDots += d;
        for (std::uint8_t b : gdi)
            gdiDots += std::popcount(static_cast<unsigned>(static_cast<std::uint8_t>(~b)));
        if (d > worst) {
            worst = d;
            worstFigure = f;
        }
    }
    std::string Summary() const {
        std::ostringstream text;
        text << identical << "/" << figures << " identical, " << differingDots << " differing dots of "
             << gdiDots << " GDI dots";
        if (worst > 0) text << ", worst " << worst << " (" << Describe(worstFigure) << ")";
        return text.str();
    }
};

// Small figures around every direction, then random ones that also reach past the glyph's edges.
std::vector<Figure> Figures(int tool, int width, int randomCount, unsigned seed) {
    std::vector<Figure> figures;
    for (int dy = -12; dy <= 12; ++dy) {
        for (int dx = -12; dx <= 12; ++dx) figures.push_back({tool, 30, 30, 30 + dx, 30 + dy, width});
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> anywhere(-12, kSize + 12), nearby(-6, 6), choice(0, 3);
    for (int i = 0; i < randomCount; ++i) {
        const int x0 = anywhere(random), y0 = anywhere(random);
        if (choice(random) == 0) {
            figures.push_back({tool, x0, y0, x0 + nearby(random), y0 + nearby(random), width});
        } else {
            figures.push_back({tool, x0, y0, anywhere(random), anywhere(random), width});
        }
    }
    return figures;
}

void ExpectExactlyGdi(int tool) {
    MonoCanvas canvas(kSize);
    ASSERT_TRUE(canvas.Ready());
    ASSERT_TRUE(canvas.UsePen(1));
    int shown = 0;
    Tally tally;
    for (const Figure& f : Figures(tool, 1, 20000, 1234u + tool)) {
        const std::vector<std::uint8_t> gdi = canvas.Draw(f.tool, f.x0, f.y0, f.x1, f.y1);
        ASSERT_FALSE(gdi.empty()) << "GDI could not draw the " << Describe(f);
        const DotPlane mask = BuildShapeMask(kSize, f.tool, f.x0, f.y0, f.x1, f.y1, 1);
        tally.Add(f, gdi, mask);
        if (DifferingDots(gdi, mask) != 0 && shown++ < 5) {
            ADD_FAILURE() << Describe(f) << " differs from GDI:\n" << Picture(gdi, mask);
        }
    }
    std::printf("[ GDI      ] %s\n", tally.Summary().c_str());
    EXPECT_EQ(tally.identical, tally.figures) << tally.Summary();
    EXPECT_GT(tally.gdiDots, 0);
}

}  // namespace

TEST(DrawingGdi, ThinLinesAreExactlyLineTo) { ExpectExactlyGdi(kLineTool); }

TEST(DrawingGdi, ThinRectanglesAreExactlyRectangle) { ExpectExactlyGdi(kRectangleTool); }

namespace {

// Straight wide figures: lines along a row or a column (and clicks), and rectangles, around the middle
// and anywhere, also reaching past the glyph's edges.
std::vector<Figure> StraightFigures(int tool, int width, int randomCount, unsigned seed) {
    std::vector<Figure> figures;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> anywhere(-12, kSize + 12), nearby(-12, 12), choice(0, 2);
    if (tool == kRectangleTool) return Figures(tool, width, randomCount, seed);
    for (int d = -12; d <= 12; ++d) {
        figures.push_back({tool, 30, 30, 30 + d, 30, width});
        figures.push_back({tool, 30, 30, 30, 30 + d, width});
    }
    for (int i = 0; i < randomCount; ++i) {
        const int x0 = anywhere(random), y0 = anywhere(random);
        const int length = choice(random) == 0 ? nearby(random) : anywhere(random) - kSize / 2;
        if (i % 2 == 0) {
            figures.push_back({tool, x0, y0, x0 + length, y0, width});
        } else {
            figures.push_back({tool, x0, y0, x0, y0 + length, width});
        }
    }
    return figures;
}

// How many dots thick GDI's stroke is across the middle of the figure's first straight run (a line's
// only run, a rectangle's top side), or 0 where that cannot be seen: the middle lies outside the glyph
// or is not inked. A stroke that merges with another (a rectangle too low for its pen) counts them both.
int StrokeThickness(const Figure& f, const std::vector<std::uint8_t>& gdi) {
    int x = 0, y = 0;
    bool acrossRows = true;  // count down a column
    if (f.tool == kRectangleTool) {
        x = (std::min(f.x0, f.x1) + std::max(f.x0, f.x1) - 1) / 2;
        y = std::min(f.y0, f.y1);
    } else if (f.y0 == f.y1) {
        x = (f.x0 + f.x1) / 2;
        y = f.y0;
    } else {
        x = f.x0;
        y = (f.y0 + f.y1) / 2;
        acrossRows = false;
    }
    if (!IsBlackDot(gdi, kSize, x, y)) return 0;
    int thickness = 1;
    for (int step : {-1, 1}) {
        for (int i = step; IsBlackDot(gdi, kSize, acrossRows ? x : x + i, acrossRows ? y + i : y); i += step)
            ++thickness;
    }
    return thickness;
}

}  // namespace

// Straight wide lines and wide rectangles: wherever GDI's own stroke is `width` dots thick, the mask is
// GDI's, dot for dot. Where it is not (clipped at the edge, or merged with the opposite side), the
// comparison is reported only.
TEST(DrawingGdi, StraightWideLinesAndRectanglesAreExactlyGdi) {
    MonoCanvas canvas(kSize);
    ASSERT_TRUE(canvas.Ready());
    for (int width = 2; width <= kMaxPenWidth; ++width) {
        ASSERT_TRUE(canvas.UsePen(width));
        for (int tool : {kLineTool, kRectangleTool}) {
            Tally asserted, reported;
            int shown = 0;
            for (const Figure& f : StraightFigures(tool, width, 2000, 7u * width + tool)) {
                const std::vector<std::uint8_t> gdi = canvas.Draw(f.tool, f.x0, f.y0, f.x1, f.y1);
                ASSERT_FALSE(gdi.empty()) << "GDI could not draw the " << Describe(f);
                const DotPlane mask = BuildShapeMask(kSize, f.tool, f.x0, f.y0, f.x1, f.y1, width);
                if (StrokeThickness(f, gdi) != width) {
                    reported.Add(f, gdi, mask);
                    continue;
                }
                asserted.Add(f, gdi, mask);
                if (DifferingDots(gdi, mask) != 0 && shown++ < 3) {
                    ADD_FAILURE() << Describe(f) << " differs from GDI:\n" << Picture(gdi, mask);
                }
            }
            std::printf("[ GDI      ] straight %s width %d: %s; not %d thick in GDI: %s\n", ToolName(tool),
                        width, asserted.Summary().c_str(), width, reported.Summary().c_str());
            EXPECT_EQ(asserted.identical, asserted.figures) << asserted.Summary();
            // Many random figures reach past the glyph or are too small to show a run, but a good share
            // must be checked dot for dot: the assertion may not pass by skipping.
            EXPECT_GE(3 * asserted.figures, asserted.figures + reported.figures);
        }
    }
}

// Slanted wide lines and ellipses follow the platform's rasteriser, which the masks need not copy: this
// only reports how far apart they are, figure family by family.
TEST(DrawingGdi, EllipsesAndSlantedWideLinesCompared) {
    MonoCanvas canvas(kSize);
    ASSERT_TRUE(canvas.Ready());
    for (int width = kMinPenWidth; width <= kMaxPenWidth; ++width) {
        ASSERT_TRUE(canvas.UsePen(width));
        for (int tool : {kLineTool, kCircleTool}) {
            if (width == 1 && tool != kCircleTool) continue;  // exact, checked above
            Tally tally;
            for (const Figure& f : Figures(tool, width, 2000, 99u * width + tool)) {
                if (tool == kLineTool && (f.x0 == f.x1 || f.y0 == f.y1))
                    continue;  // straight: asserted above
                const std::vector<std::uint8_t> gdi = canvas.Draw(f.tool, f.x0, f.y0, f.x1, f.y1);
                ASSERT_FALSE(gdi.empty()) << "GDI could not draw the " << Describe(f);
                tally.Add(f, gdi, BuildShapeMask(kSize, f.tool, f.x0, f.y0, f.x1, f.y1, width));
            }
            const Figure& w = tally.worstFigure;
            std::printf("[ GDI      ] %s width %d: %s\n", tool == kLineTool ? "slanted line" : "ellipse",
                        width, tally.Summary().c_str());
            if (tally.worst > 0 && std::getenv("KF_DRAWING_PICTURES")) {
                const std::vector<std::uint8_t> gdi = canvas.Draw(w.tool, w.x0, w.y0, w.x1, w.y1);
                std::printf(
                    "%s", Picture(gdi, BuildShapeMask(kSize, w.tool, w.x0, w.y0, w.x1, w.y1, width)).c_str());
            }
            EXPECT_GT(tally.figures, 2000);
        }
    }
}
