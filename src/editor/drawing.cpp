#include "editor/drawing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using Int64 = std::int64_t;

int ClampWidth(int width) { return std::clamp(width, kMinPenWidth, kMaxPenWidth); }
Int64 ClampCoord(int v) { return std::clamp(v, -kShapeCoordLimit, kShapeCoordLimit); }

// Division rounding toward minus infinity (C++ truncates toward zero); q > 0.
Int64 FloorDiv(Int64 p, Int64 q) { return p >= 0 ? p / q : -((-p + q - 1) / q); }
Int64 CeilDiv(Int64 p, Int64 q) { return -FloorDiv(-p, q); }

// Blackens dots of a mask, silently dropping those outside the glyph.
class MaskInk {
  public:
    explicit MaskInk(DotPlane& plane) : m_plane(plane), m_nSize(plane.Size()) {}

    int Size() const { return m_nSize; }
    bool Inside(Int64 x, Int64 y) const { return x >= 0 && y >= 0 && x < m_nSize && y < m_nSize; }
    void Dot(Int64 x, Int64 y) {
        if (Inside(x, y)) m_plane.SetDot(static_cast<int>(x), static_cast<int>(y), true);
    }
    // Dots xa..xb of row y, a byte at a time.
    void Run(Int64 y, Int64 xa, Int64 xb) {
        if (y < 0 || y >= m_nSize) return;
        const Int64 from = std::max<Int64>(xa, 0), to = std::min<Int64>(xb, m_nSize - 1);
        if (from > to) return;
        if (m_nSize % 8 != 0) {
            for (Int64 x = from; x <= to; ++x) Dot(x, y);
            return;
        }
        std::uint8_t* row =
            m_plane.Bytes().data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nSize / 8);
        for (Int64 byte = from / 8; byte <= to / 8; ++byte) {
            const int first = static_cast<int>(std::max(from, byte * 8) - byte * 8);
            const int last = static_cast<int>(std::min(to, byte * 8 + 7) - byte * 8);
            const unsigned bits = (0xFFu >> first) & (0xFFu << (7 - last)) & 0xFFu;  // black is 0
            row[byte] = static_cast<std::uint8_t>(row[byte] & ~bits);
        }
    }

  private:
    DotPlane& m_plane;
    int m_nSize;
};

// ---------------------------------------------------------------------------------------------
// 1-dot figures

// GDI's cosmetic line: one dot per step of the major axis, from the start up to but not including the
// end. The minor coordinate is the exact one rounded to the nearest dot, a tie going to the smaller
// coordinate whichever way the line runs, so a line and its reverse light the same dots (apart from the
// excluded end). Computed per dot rather than by stepping, so only the part inside the glyph costs time.
void InkThinLine(MaskInk& ink, Int64 x0, Int64 y0, Int64 x1, Int64 y1) {
    const Int64 dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    // Work in (major, minor) coordinates.
    const Int64 m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0;
    const Int64 dm = xMajor ? dx : dy, dn = xMajor ? dy : dx;
    const Int64 step = dm > 0 ? 1 : -1, len = std::llabs(dm);
    // Steps i = 0..len-1 whose major coordinate m0 + i*step lies inside 0..N-1.
    const Int64 last = ink.Size() - 1;
    Int64 first = 0, end = len - 1;
    if (step > 0) {
        first = std::max<Int64>(first, -m0);
        end = std::min<Int64>(end, last - m0);
    } else {
        first = std::max<Int64>(first, m0 - last);
        end = std::min<Int64>(end, m0);
    }
    for (Int64 i = first; i <= end; ++i) {
        // Exact minor offset i*dn/len; rounded half down: floor((2p + q - 1) / 2q).
        const Int64 n = n0 + FloorDiv(2 * i * dn + len - 1, 2 * len);
        const Int64 m = m0 + i * step;
        if (xMajor) {
            ink.Dot(m, n);
        } else {
            ink.Dot(n, m);
        }
    }
}

struct Box {
    Int64 left, top, right, bottom;  // inclusive: the outline's columns and rows
};

// The box of Rectangle/Ellipse(x0, y0, x1, y1): normalised, right and bottom excluded. False when empty.
bool OutlineBox(Int64 x0, Int64 y0, Int64 x1, Int64 y1, Box& box) {
    if (x0 == x1 || y0 == y1) return false;
    box = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) - 1, std::max(y0, y1) - 1};
    return true;
}

// GDI's 1-dot Rectangle: every dot of the box's border; a box of a single dot draws nothing. Only the
// rows and columns within lo..hi are walked.
template <typename Plot>
void InkRectangleOutline(const Box& b, Plot&& plot, Int64 lo = -kShapeCoordLimit,
                         Int64 hi = kShapeCoordLimit) {
    if (b.left == b.right && b.top == b.bottom) return;
    for (Int64 x = std::max(b.left, lo); x <= std::min(b.right, hi); ++x) {
        plot(x, b.top);
        plot(x, b.bottom);
    }
    for (Int64 y = std::max(b.top, lo); y <= std::min(b.bottom, hi); ++y) {
        plot(b.left, y);
        plot(b.right, y);
    }
}

// The 1-dot ellipse inscribed in a box with inclusive corners, each dot handed to `plot`, as GDI draws
// it: an error-term walk (after A. Zingl, "A Rasterizing Algorithm for Drawing Curves") of one quadrant
// from the middle of the side towards the top, mirrored into the other three, so the figure is exactly
// symmetric within its box. Each step moves one dot across, up or diagonally; narrow ellipses end where
// the walk ends, without running on to the box's edge, and a box only one or two dots wide or high is
// drawn as its rectangle -- both as GDI does.
template <typename Plot>
void ThinEllipse(const Box& box, Plot&& plot) {
    const Int64 a = box.right - box.left, b = box.bottom - box.top, b1 = b & 1;
    if (a < 2 || b < 2) {
        InkRectangleOutline(box, plot);  // whole, as the plot may want dots just outside the glyph
        return;
    }
    Int64 dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
    Int64 err = dx + dy + b1 * a * a;
    Int64 x0 = box.left, x1 = box.right;
    Int64 y0 = box.top + (b + 1) / 2, y1 = y0 - b1;
    const Int64 stepA = 8 * a * a, stepB = 8 * b * b;
    do {
        plot(x1, y0);
        plot(x0, y0);
        plot(x0, y1);
        plot(x1, y1);
        const Int64 e2 = 2 * err;
        if (e2 <= dy) {
            ++y0;
            --y1;
            err += dy += stepA;
        }
        if (e2 >= dx) {
            ++x0;
            --x1;
            err += dx += stepB;
        }
    } while (x0 <= x1);
}

// ---------------------------------------------------------------------------------------------
// Wide pens
//
// A wide pen is a round dot of `width` dots swept along the figure, as GDI strokes it. GDI centres an odd
// width on the figure's dots; an even width cannot be centred on a dot, and GDI puts its extra dot on the
// left of vertical runs and above horizontal ones, as if the pen's centre sat half a dot up and left of
// the figure. So all the tests below work in doubled coordinates: a figure point (x, y) is (2x, 2y) and
// the centre of dot (px, py), seen from the pen, is (2px + s, 2py + s) with s = 1 for an even width.

struct WidePen {
    Int64 width;
    Int64 shift;         // s above
    Int64 roundRadius2;  // squared radius of the pen's round dot, doubled coordinates
};

WidePen MakeWidePen(int width) {
    // The round dot is every dot whose centre lies within width/2 of the pen's centre, except that GDI's
    // 3-dot pen is a plus: its corner dots, 1.41 dots out, are left out (radius 1.25 rather than 1.5).
    const Int64 w = width;
    return {w, w % 2 == 0 ? 1 : 0, w == 3 ? 6 : w * w};
}

// Whether dot (px, py) is part of the stroke along a..b (a point when a == b): inside the pen's round dot
// at either end, or within width/2 of the segment between them. Exact integer arithmetic.
bool WithinStroke(const WidePen& pen, Int64 px, Int64 py, Int64 ax, Int64 ay, Int64 bx, Int64 by) {
    const Int64 cx = 2 * px + pen.shift, cy = 2 * py + pen.shift;
    const Int64 ux = cx - 2 * ax, uy = cy - 2 * ay, wx = cx - 2 * bx, wy = cy - 2 * by;
    if (ux * ux + uy * uy <= pen.roundRadius2 || wx * wx + wy * wy <= pen.roundRadius2) return true;
    const Int64 vx = 2 * (bx - ax), vy = 2 * (by - ay);
    const Int64 dot = ux * vx + uy * vy, len2 = vx * vx + vy * vy;
    if (len2 == 0 || dot < 0 || dot > len2) return false;
    const Int64 cross = ux * vy - uy * vx;
    return cross * cross <= pen.width * pen.width * len2;
}

// The round-ended stroke of `width` along a..b. Only a band around the segment is tested: for each
// major-axis line of dots, the minor coordinates the segment takes within reach of it, widened by the
// pen's radius.
void InkWideSegment(MaskInk& ink, Int64 ax, Int64 ay, Int64 bx, Int64 by, int width) {
    const WidePen pen = MakeWidePen(width);
    const Int64 reach = (width + 1) / 2 + 1;  // more than the radius, in whole dots
    const bool xMajor = std::llabs(bx - ax) >= std::llabs(by - ay);
    const Int64 am = xMajor ? ax : ay, an = xMajor ? ay : ax, bm = xMajor ? bx : by, bn = xMajor ? by : bx;
    const Int64 mLo = std::min(am, bm), mHi = std::max(am, bm), dm = bm - am, dn = bn - an;
    const Int64 last = ink.Size() - 1;
    for (Int64 m = std::max<Int64>(mLo - reach, 0); m <= std::min<Int64>(mHi + reach, last); ++m) {
        Int64 nLo = std::min(an, bn), nHi = std::max(an, bn);
        if (dm != 0) {
            // The segment's minor coordinate over major positions m - reach .. m + reach (it is monotone).
            const Int64 from = std::clamp(m - reach, mLo, mHi), to = std::clamp(m + reach, mLo, mHi);
            const Int64 sign = dm > 0 ? 1 : -1;
            const Int64 p1 = (from - am) * dn * sign, p2 = (to - am) * dn * sign, q = dm * sign;
            nLo = an + std::min(FloorDiv(p1, q), FloorDiv(p2, q));
            nHi = an + std::max(CeilDiv(p1, q), CeilDiv(p2, q));
        }
        for (Int64 n = std::max<Int64>(nLo - reach, 0); n <= std::min<Int64>(nHi + reach, last); ++n) {
            const Int64 x = xMajor ? m : n, y = xMajor ? n : m;
            if (WithinStroke(pen, x, y, ax, ay, bx, by)) ink.Dot(x, y);
        }
    }
}

// The pen's round dot as a run of dots per row, relative to the figure point it is placed on.
struct Disc {
    int top = 0;                                    // offset of the first row
    int bottom = 0;                                 // offset of the last row
    std::array<int, kMaxPenWidth> left{}, right{};  // per row, from the top
};

Disc MakeDisc(int width) {
    const WidePen pen = MakeWidePen(width);
    Disc disc;
    disc.top = -(width / 2);
    disc.bottom = (width - 1) / 2;
    for (int dy = disc.top; dy <= disc.bottom; ++dy) {
        const Int64 cy = 2 * dy + pen.shift;
        int left = 0, right = -1;
        for (int dx = disc.top; dx <= disc.bottom; ++dx) {
            const Int64 cx = 2 * dx + pen.shift;
            if (cx * cx + cy * cy > pen.roundRadius2) continue;
            if (right < left) left = dx;
            right = dx;
        }
        disc.left[static_cast<std::size_t>(dy - disc.top)] = left;
        disc.right[static_cast<std::size_t>(dy - disc.top)] = right;
    }
    return disc;
}

void InkDisc(MaskInk& ink, const Disc& disc, Int64 cx, Int64 cy) {
    for (int dy = disc.top; dy <= disc.bottom; ++dy) {
        const auto row = static_cast<std::size_t>(dy - disc.top);
        ink.Run(cy + dy, cx + disc.left[row], cx + disc.right[row]);
    }
}

// The stroke along a row or a column (a.x == b.x or a.y == b.y): the pen's dot placed on every dot from
// a to b, which is what the exact test gives there, built as one run per row of dots.
void InkStraightStroke(MaskInk& ink, const Disc& disc, Int64 ax, Int64 ay, Int64 bx, Int64 by) {
    const Int64 xLo = std::min(ax, bx), xHi = std::max(ax, bx), yLo = std::min(ay, by),
                yHi = std::max(ay, by);
    const Int64 first = std::max<Int64>(yLo + disc.top, 0),
                last = std::min<Int64>(yHi + disc.bottom, ink.Size() - 1);
    for (Int64 y = first; y <= last; ++y) {
        int left = kMaxPenWidth, right = -kMaxPenWidth;
        for (int dy = disc.top; dy <= disc.bottom; ++dy) {
            if (y - dy < yLo || y - dy > yHi) continue;  // no dot of the figure on the row dy above
            const auto row = static_cast<std::size_t>(dy - disc.top);
            left = std::min(left, disc.left[row]);
            right = std::max(right, disc.right[row]);
        }
        if (left <= right) ink.Run(y, xLo + left, xHi + right);
    }
}

}  // namespace

int PenColorOfButton(int button, bool penSwap) {
    const bool white = button == 1 ? penSwap : !penSwap;
    return white ? kPenWhite : kPenBlack;
}

bool ApplyMask(DotPlane& edit, const DotPlane& mask, int colour, const DotPlane* region,
               std::vector<DotPoint>& repaintDots) {
    repaintDots.clear();
    const int size = edit.Size();
    if (size % 8 != 0 || mask.Size() != size || (region && region->Size() != size)) return false;

    const std::span<std::uint8_t> e = edit.Bytes();
    const std::span<const std::uint8_t> m = mask.Bytes();
    const std::uint8_t* r = region ? region->Bytes().data() : nullptr;
    const std::size_t bytesPerRow = static_cast<std::size_t>(size / 8);
    const bool white = colour != kPenBlack;
    bool touched = false;
    for (std::size_t i = 0; i < m.size(); ++i) {
        const std::uint8_t maskByte = m[i];
        const std::uint8_t inRegion = r ? static_cast<std::uint8_t>(~r[i]) : 0;
        const auto concerned = static_cast<std::uint8_t>(~maskByte | inRegion);
        if (concerned == 0) continue;
        touched = true;

        std::uint8_t value = e[i];
        // Region dots take the opposite colour, then the mask's dots the pen colour.
        value = white ? static_cast<std::uint8_t>(value & ~inRegion)
                      : static_cast<std::uint8_t>(value | inRegion);
        value = white ? static_cast<std::uint8_t>(value | ~maskByte)
                      : static_cast<std::uint8_t>(value & maskByte);
        e[i] = value;

        const int y = static_cast<int>(i / bytesPerRow);
        const int xBase = static_cast<int>(i % bytesPerRow) * 8;
        for (unsigned bits = concerned; bits != 0;) {
            // The highest set bit is the leftmost dot still to report.
            const int bit = std::countl_zero(static_cast<std::uint8_t>(bits));
            repaintDots.push_back({xBase + bit, y});
            bits &= ~(0x80u >> bit);
        }
    }
    return touched;
}

bool ApplyMask(DotPlane& edit, const DotPlane& mask, int colour, const DotPlane* region,
               DotChanges& changed) {
    changed.Clear();
    const int size = edit.Size();
    if (size % 8 != 0 || mask.Size() != size || (region && region->Size() != size)) return false;

    std::uint8_t* e = edit.Bytes().data();
    const std::uint8_t* m = mask.Bytes().data();
    const std::uint8_t* r = region ? region->Bytes().data() : nullptr;
    const std::size_t rowBytes = static_cast<std::size_t>(size / 8);
    const bool white = colour != kPenBlack;
    std::uint64_t concerned = 0;
    std::vector<std::uint8_t> diff(rowBytes);

    // The same logic as the byte-wise write, on as many bytes at a time as the row allows; bitwise
    // operations do not care in which order the bytes sit in the word.
    const auto write = [&](auto zero, std::size_t at, std::size_t k) {
        using Word = decltype(zero);
        Word ev, mv, rv = 0;
        std::memcpy(&ev, e + at, sizeof(Word));
        std::memcpy(&mv, m + at, sizeof(Word));
        if (r) {
            std::memcpy(&rv, r + at, sizeof(Word));
            rv = static_cast<Word>(~rv);  // the region's dots
        }
        concerned |= static_cast<Word>(static_cast<Word>(~mv) | rv);
        const Word value = white ? static_cast<Word>((ev & static_cast<Word>(~rv)) | static_cast<Word>(~mv))
                                 : static_cast<Word>((ev | rv) & mv);
        const Word delta = static_cast<Word>(value ^ ev);
        std::memcpy(e + at, &value, sizeof(Word));
        std::memcpy(diff.data() + k, &delta, sizeof(Word));
    };
    for (int y = 0; y < size; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * rowBytes;
        std::size_t k = 0;
        for (; k + 8 <= rowBytes; k += 8) write(std::uint64_t{0}, start + k, k);
        for (; k < rowBytes; ++k) write(std::uint8_t{0}, start + k, k);
        changed.AddRow(y, diff, size);
    }
    return concerned != 0;
}

DotPlane BuildPenMask(int glyphSize, int x, int y, int size) {
    DotPlane mask(glyphSize);
    MaskInk ink(mask);
    const int n = ClampWidth(size);
    const Int64 x0 = ClampCoord(x), y0 = ClampCoord(y);
    for (Int64 row = y0; row < y0 + n; ++row) ink.Run(row, x0, x0 + n - 1);
    return mask;
}

bool StampPen(DotPlane& edit, int x, int y, int colour, int size, std::vector<DotPoint>& repaintDots) {
    return ApplyMask(edit, BuildPenMask(edit.Size(), x, y, size), colour, nullptr, repaintDots);
}

DotPlane BuildShapeMask(int glyphSize, int tool, int x0, int y0, int x1, int y1, int width) {
    DotPlane mask(glyphSize);
    MaskInk ink(mask);
    const int w = ClampWidth(width);
    const Int64 ax = ClampCoord(x0), ay = ClampCoord(y0), bx = ClampCoord(x1), by = ClampCoord(y1);
    const auto plotDot = [&ink](Int64 x, Int64 y) { ink.Dot(x, y); };

    switch (tool) {
        case kLineTool:
            // A click without movement draws nothing with the 1-dot pen (its end dot is left out) but the
            // pen's round dot with a wider one, as GDI does.
            if (w == 1) {
                InkThinLine(ink, ax, ay, bx, by);
            } else if (ax == bx || ay == by) {
                InkStraightStroke(ink, MakeDisc(w), ax, ay, bx, by);
            } else {
                InkWideSegment(ink, ax, ay, bx, by, w);
            }
            break;
        case kRectangleTool:
        case kRectSelectTool: {
            Box box{};
            if (!OutlineBox(ax, ay, bx, by, box)) break;
            if (w == 1) {
                InkRectangleOutline(box, plotDot, 0, glyphSize - 1);
            } else {
                // Four straight strokes; their round ends make the round corners.
                const Disc disc = MakeDisc(w);
                InkStraightStroke(ink, disc, box.left, box.top, box.right, box.top);
                InkStraightStroke(ink, disc, box.right, box.top, box.right, box.bottom);
                InkStraightStroke(ink, disc, box.left, box.bottom, box.right, box.bottom);
                InkStraightStroke(ink, disc, box.left, box.top, box.left, box.bottom);
            }
            break;
        }
        case kCircleTool: {
            Box box{};
            if (!OutlineBox(ax, ay, bx, by, box)) break;
            if (w == 1) {
                ThinEllipse(box, plotDot);
            } else {
                // The pen's disc at every dot of the 1-dot ellipse: round all along, and as symmetric as
                // the ellipse itself.
                const Disc disc = MakeDisc(w);
                const Int64 lo = -disc.bottom, hi = glyphSize - 1 - disc.top;
                ThinEllipse(box, [&](Int64 x, Int64 y) {
                    if (x >= lo && x <= hi && y >= lo && y <= hi) InkDisc(ink, disc, x, y);
                });
            }
            break;
        }
        default:
            break;
    }
    return mask;
}

// ---------------------------------------------------------------------------------------------
// Flood fill

namespace {

// The fill works on rows of 64-dot words, the leftmost dot of a word in its top bit (as in the plane's
// bytes), so that finding the ends of a run of fillable dots and the runs beside it costs a few word
// operations instead of one test per dot.
class RowBits {
  public:
    explicit RowBits(int size)
        : m_nWords((size + 63) / 64), m_bits(static_cast<std::size_t>(size) * m_nWords, 0) {}

    int Words() const { return m_nWords; }
    std::uint64_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nWords; }
    const std::uint64_t* Row(int y) const { return m_bits.data() + static_cast<std::size_t>(y) * m_nWords; }

    static bool Test(const std::uint64_t* row, int x) { return (row[x >> 6] >> (63 - (x & 63))) & 1u; }
    // Sets dots l..r.
    static void SetRun(std::uint64_t* row, int l, int r) {
        for (int w = l >> 6; w <= r >> 6; ++w) {
            const int from = std::max(l, w * 64) - w * 64, to = std::min(r, w * 64 + 63) - w * 64;
            const std::uint64_t high = ~std::uint64_t{0} >> from;      // bits of dots >= from
            const std::uint64_t low = ~std::uint64_t{0} << (63 - to);  // bits of dots <= to
            row[w] |= high & low;
        }
    }

  private:
    int m_nWords;
    std::vector<std::uint64_t> m_bits;
};

// First dot of the run of set bits that holds dot x.
int RunStart(const std::uint64_t* row, int x) {
    int w = x >> 6;
    const int b = x & 63;
    const std::uint64_t blocked = ~row[w];
    // Dots 0..b-1 of the word, dot b-1 in bit 0.
    const std::uint64_t before = b == 0 ? 0 : blocked >> (64 - b);
    if (before != 0) return w * 64 + b - std::countr_zero(before);
    while (--w >= 0) {
        if (~row[w] != 0) return w * 64 + 64 - std::countr_zero(~row[w]);
    }
    return 0;
}

// Last dot of the run of set bits that holds dot x.
int RunEnd(const std::uint64_t* row, int words, int x) {
    int w = x >> 6;
    const int b = x & 63;
    // Dots b+1..63 of the word, dot b+1 in the top bit.
    const std::uint64_t after = b == 63 ? 0 : ~row[w] << (b + 1);
    if (after != 0) return w * 64 + b + std::countl_zero(after);
    while (++w < words) {
        if (~row[w] != 0) return w * 64 + std::countl_zero(~row[w]) - 1;
    }
    return words * 64 - 1;
}

// Rows become columns: dot (x, y) of `from` is dot (y, x) of `to` (both square, of the same size), in
// blocks of 64 by 64 dots.
void Transpose(const RowBits& from, RowBits& to, int size) {
    const int words = from.Words();
    std::uint64_t block[64];
    for (int bi = 0; bi < words; ++bi) {      // block row: rows bi*64 ..
        for (int bj = 0; bj < words; ++bj) {  // block column: word bj
            for (int r = 0; r < 64; ++r) {
                const int row = bi * 64 + r;
                block[r] = row < size ? from.Row(row)[bj] : 0;
            }
            // Swap ever smaller sub-blocks across the diagonal (leftmost dot in the top bit).
            std::uint64_t mask = 0x00000000FFFFFFFFull;
            for (int j = 32; j != 0; j >>= 1, mask ^= mask << j) {
                for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
                    const std::uint64_t t = (block[k] ^ (block[k | j] >> j)) & mask;
                    block[k] ^= t;
                    block[k | j] ^= t << j;
                }
            }
            for (int r = 0; r < 64; ++r) {
                const int row = bj * 64 + r;
                if (row < size) to.Row(row)[bi] = block[r];
            }
        }
    }
}

// How many runs of set bits the rows hold (a run starts where the dot to its left is clear), and how
// many the columns hold (a run starts where the dot above is clear): what a scan-line fill pays for
// walking the picture by rows or by columns.
std::size_t CountRowRuns(const RowBits& bits, int size) {
    std::size_t runs = 0;
    const int words = bits.Words();
    for (int row = 0; row < size; ++row) {
        const std::uint64_t* r = bits.Row(row);
        std::uint64_t previousLast = 0;  // the dot just left of the word
        for (int w = 0; w < words; ++w) {
            const std::uint64_t before = (r[w] >> 1) | (previousLast << 63);
            runs += static_cast<std::size_t>(std::popcount(r[w] & ~before));
            previousLast = r[w] & 1;
        }
    }
    return runs;
}

std::size_t CountColumnRuns(const RowBits& bits, int size) {
    std::size_t runs = 0;
    const int words = bits.Words();
    for (int row = 0; row < size; ++row) {
        const std::uint64_t* r = bits.Row(row);
        const std::uint64_t* above = row > 0 ? bits.Row(row - 1) : nullptr;
        for (int w = 0; w < words; ++w)
            runs += static_cast<std::size_t>(std::popcount(r[w] & ~(above ? above[w] : 0)));
    }
    return runs;
}

// A plane row's bytes as words, the leftmost dot in the top bit; the words past the row's end hold 0.
void LoadRow(const std::uint8_t* bytes, std::size_t count, std::uint64_t* words, bool invert) {
    std::size_t k = 0;
    for (; k + 8 <= count; k += 8) {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < 8; ++i) word = (word << 8) | bytes[k + i];
        words[k / 8] = invert ? ~word : word;
    }
    for (; k < count; ++k) {
        const std::uint8_t b = invert ? static_cast<std::uint8_t>(~bytes[k]) : bytes[k];
        words[k / 8] |= std::uint64_t{b} << (56 - 8 * (k % 8));
    }
}

// Scan-line fill with an explicit stack: each popped seed fills its whole run of open dots, then pushes
// one seed per run of open, unfilled dots beside that run in the rows above and below.
void ScanLineFill(const RowBits& open, RowBits& filled, int size, int x, int y) {
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack;
    stack.reserve(static_cast<std::size_t>(size) * 4);
    stack.push_back({x, y});
    const int words = open.Words();
    while (!stack.empty()) {
        const Seed seed = stack.back();
        stack.pop_back();
        std::uint64_t* filledRow = filled.Row(seed.y);
        if (RowBits::Test(filledRow, seed.x)) continue;
        const std::uint64_t* openRow = open.Row(seed.y);
        const int l = RunStart(openRow, seed.x), r = RunEnd(openRow, words, seed.x);
        RowBits::SetRun(filledRow, l, r);

        for (const int ny : {seed.y - 1, seed.y + 1}) {
            if (ny < 0 || ny >= size) continue;
            const std::uint64_t* nOpen = open.Row(ny);
            const std::uint64_t* nFilled = filled.Row(ny);
            for (int w = l >> 6; w <= r >> 6; ++w) {
                const int from = std::max(l, w * 64) - w * 64, to = std::min(r, w * 64 + 63) - w * 64;
                const std::uint64_t span = (~std::uint64_t{0} >> from) & (~std::uint64_t{0} << (63 - to));
                std::uint64_t candidates = nOpen[w] & ~nFilled[w] & span;
                while (candidates != 0) {
                    const int start = std::countl_zero(candidates);
                    stack.push_back({w * 64 + start, ny});
                    // Drop this run's bits: the ones from `start` down to the first clear bit.
                    const int end = start + std::countl_one(candidates << start);  // exclusive
                    const std::uint64_t beforeEnd =
                        end >= 64 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> end);
                    candidates &= ~((~std::uint64_t{0} >> start) & beforeEnd);
                }
            }
        }
    }
}

}  // namespace

FillResult BuildFillMask(const DotPlane& source, int x, int y, bool invert) {
    const int size = source.Size();
    FillResult result{false, DotPlane(size)};
    if (size % 8 != 0 || x < 0 || y < 0 || x >= size || y >= size) return result;

    // open: the dots the fill may enter (white in T); the padding past the last dot stays closed.
    RowBits open(size), filled(size);
    const std::size_t bytesPerRow = static_cast<std::size_t>(size / 8);
    const std::span<const std::uint8_t> bytes = source.Bytes();
    for (int row = 0; row < size; ++row)
        LoadRow(bytes.data() + row * bytesPerRow, bytesPerRow, open.Row(row), invert);
    if (!RowBits::Test(open.Row(y), x)) return result;

    // A scan-line fill costs one step per run it fills. Narrow vertical corridors are runs of a single
    // dot in every row but long runs in the columns, so when the columns hold fewer runs the fill works
    // on the transposed picture and transposes its result back.
    if (CountColumnRuns(open, size) < CountRowRuns(open, size)) {
        RowBits columns(size), filledColumns(size);
        Transpose(open, columns, size);
        ScanLineFill(columns, filledColumns, size, y, x);
        Transpose(filledColumns, filled, size);
    } else {
        ScanLineFill(open, filled, size, x, y);
    }

    // The mask is black (0) at the filled dots.
    std::span<std::uint8_t> out = result.mask.Bytes();
    for (int row = 0; row < size; ++row) {
        const std::uint64_t* words = filled.Row(row);
        std::uint8_t* line = out.data() + row * bytesPerRow;
        for (std::size_t k = 0; k < bytesPerRow; ++k) {
            line[k] = static_cast<std::uint8_t>(~(words[k / 8] >> (56 - 8 * (k % 8))));
        }
    }
    result.succeeded = true;
    return result;
}
