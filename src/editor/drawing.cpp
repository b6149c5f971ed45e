#include "editor/drawing.h"

#include "editor/row_bits.h"

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

struct Seed {
    int x, y;
};

// Pushes one seed per run of open, unfilled dots of row ny within dots l..r.
void PushCandidates(const RowBits& open, const RowBits& filled, int ny, int l, int r,
                    std::vector<Seed>& stack) {
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
            const std::uint64_t beforeEnd = end >= 64 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> end);
            candidates &= ~((~std::uint64_t{0} >> start) & beforeEnd);
        }
    }
}

// Scan-line fill with an explicit stack: each popped seed fills its whole run of open dots, then pushes
// one seed per run of open, unfilled dots beside that run in the rows above and below. `filled` may
// already hold whole runs whose rows above and below were seeded into `stack`.
void ScanLineFill(const RowBits& open, RowBits& filled, std::vector<Seed>& stack) {
    const int size = open.Size(), words = open.Words();
    while (!stack.empty()) {
        const Seed seed = stack.back();
        stack.pop_back();
        std::uint64_t* filledRow = filled.Row(seed.y);
        if (RowBits::Test(filledRow, seed.x)) continue;
        const std::uint64_t* openRow = open.Row(seed.y);
        const int l = RunStart(openRow, seed.x), r = RunEnd(openRow, words, seed.x);
        RowBits::SetRun(filledRow, l, r);
        for (const int ny : {seed.y - 1, seed.y + 1}) {
            if (ny >= 0 && ny < size) PushCandidates(open, filled, ny, l, r, stack);
        }
    }
}

// The runs of `open` that hold a bit of `seeds` (a subset of open), towards the row's start: from a run's
// last seed to its first dot. The row read as one number, its first word the most significant: adding the
// seeds carries through each run from its last seed past its first dot, and the carries are the bits
// where the sum differs from open ^ seeds.
void FillTowardsStart(const std::uint64_t* open, const std::uint64_t* seeds, std::uint64_t* out, int words) {
    std::uint64_t carry = 0;
    for (int k = words - 1; k >= 0; --k) {
        const std::uint64_t a = open[k], s = seeds[k];
        const std::uint64_t t = a + s;
        const std::uint64_t sum = t + carry;
        carry = static_cast<std::uint64_t>(t < a) | static_cast<std::uint64_t>(sum < t);
        out[k] = ((sum ^ a ^ s) | s) & a;
    }
}

// The runs of `open` that hold a bit of `seeds`, towards the row's end: from a run's first seed to its
// last dot. Within a word the seeds spread right in doubling steps through dots that stay open; a fill
// that reaches a word's last dot goes on at the next word's first dot.
void FillTowardsEnd(const std::uint64_t* open, const std::uint64_t* seeds, std::uint64_t* out, int words) {
    std::uint64_t carry = 0;
    for (int k = 0; k < words; ++k) {
        std::uint64_t p = open[k];
        std::uint64_t g = seeds[k] | (carry & p);
        for (int step = 1; step < 64; step *= 2) {
            g |= p & (g >> step);
            p &= p >> step;
        }
        out[k] = g;
        carry = (g & 1u) != 0 ? std::uint64_t{1} << 63 : 0;
    }
}

// Passes over the rows of one orientation: a row takes every run of open dots that holds one of its own
// filled dots or touches a filled dot of the row above or below (all its runs at once, by word
// arithmetic), and the rows beside a row that changed are looked at again, going down and up in turn.
// Winding corridors that cross the rows many times (a spiral) cost a few passes instead of one step per
// crossing.
class RowPasses {
  public:
    RowPasses(const RowBits& open, RowBits& filled)
        : m_open(open),
          m_filled(filled),
          m_nSize(open.Size()),
          m_nWords(open.Words()),
          m_seeds(static_cast<std::size_t>(m_nWords)),
          m_start(static_cast<std::size_t>(m_nWords)),
          m_end(static_cast<std::size_t>(m_nWords)),
          m_state(static_cast<std::size_t>(m_nSize), kClose) {}

    // True when a pass changed nothing: `filled` is then the whole component. Otherwise it is, after at
    // least one pass, a union of whole runs of the component.
    bool Run(int maxPasses) {
        for (int pass = 0; pass < maxPasses; ++pass) {
            bool changed = false;
            if (pass % 2 == 0) {
                for (int r = 0; r < m_nSize; ++r) changed |= Visit(r);
            } else {
                for (int r = m_nSize - 1; r >= 0; --r) changed |= Visit(r);
            }
            if (!changed) return true;
        }
        return false;
    }

  private:
    static constexpr std::uint8_t kSettled = 0, kLook = 1, kClose = 2;

    bool Visit(int r) {
        const std::uint8_t state = m_state[static_cast<std::size_t>(r)];
        if (state == kSettled) return false;
        m_state[static_cast<std::size_t>(r)] = kSettled;
        const std::uint64_t* o = m_open.Row(r);
        std::uint64_t* f = m_filled.Row(r);
        const std::uint64_t* above = r > 0 ? m_filled.Row(r - 1) : nullptr;
        const std::uint64_t* below = r + 1 < m_nSize ? m_filled.Row(r + 1) : nullptr;
        std::uint64_t fresh = 0;
        for (int w = 0; w < m_nWords; ++w) {
            const std::uint64_t touching = (above ? above[w] : 0) | (below ? below[w] : 0);
            // Filled dots of the row itself need closing only when they came from elsewhere.
            const std::uint64_t own = state == kClose ? f[w] : 0;
            m_seeds[static_cast<std::size_t>(w)] = o[w] & ((touching & ~f[w]) | own);
            fresh |= o[w] & touching & ~f[w];
        }
        if (fresh == 0 && state != kClose) return false;
        FillTowardsStart(o, m_seeds.data(), m_start.data(), m_nWords);
        FillTowardsEnd(o, m_seeds.data(), m_end.data(), m_nWords);
        std::uint64_t grown = 0;
        for (int w = 0; w < m_nWords; ++w) {
            const std::uint64_t now =
                f[w] | m_start[static_cast<std::size_t>(w)] | m_end[static_cast<std::size_t>(w)];
            grown |= now ^ f[w];
            f[w] = now;
        }
        if (grown == 0) return false;
        if (r > 0) Mark(r - 1);
        if (r + 1 < m_nSize) Mark(r + 1);
        return true;
    }
    void Mark(int r) {
        std::uint8_t& state = m_state[static_cast<std::size_t>(r)];
        if (state == kSettled) state = kLook;
    }

    const RowBits& m_open;
    RowBits& m_filled;
    int m_nSize;
    int m_nWords;
    std::vector<std::uint64_t> m_seeds, m_start, m_end;
    std::vector<std::uint8_t> m_state;
};

// The component of (x, y) in `open`, whose rows hold `runs` runs. Pictures with few runs are filled run
// by run. Where the runs are many (long winding corridors one dot wide), row passes take whole rows at a
// time, down and up in this orientation and then in the other, as a corridor that keeps turning back in
// one may run straight in the other; a maze that defeats both is finished run by run from where they
// stopped.
void FillComponent(const RowBits& open, RowBits& filled, int x, int y, std::size_t runs) {
    const int size = open.Size(), words = open.Words();
    std::vector<Seed> stack;
    stack.reserve(static_cast<std::size_t>(size) * 4);
    if (runs <= 4 * static_cast<std::size_t>(size)) {
        stack.push_back({x, y});
        ScanLineFill(open, filled, stack);
        return;
    }
    filled.Set(x, y);
    if (RowPasses(open, filled).Run(2)) return;
    RowBits openColumns, filledColumns;
    Transpose(open, openColumns);
    Transpose(filled, filledColumns);
    const bool done = RowPasses(openColumns, filledColumns).Run(2);
    Transpose(filledColumns, filled);
    if (done) return;
    // One pass leaves every row a union of whole runs: only the dots above and below them can go on.
    RowPasses(open, filled).Run(1);
    for (int r = 0; r < size; ++r) {
        for (const int nr : {r - 1, r + 1}) {
            if (nr < 0 || nr >= size) continue;
            const std::uint64_t *f = filled.Row(r), *nf = filled.Row(nr), *no = open.Row(nr);
            for (int w = 0; w < words; ++w) {
                for (std::uint64_t touching = no[w] & ~nf[w] & f[w]; touching != 0; touching &= touching - 1)
                    stack.push_back({w * 64 + 63 - std::countr_zero(touching), nr});
            }
        }
    }
    ScanLineFill(open, filled, stack);
}

}  // namespace

FillResult BuildFillMask(const DotPlane& source, int x, int y, bool invert) {
    const int size = source.Size();
    FillResult result{false, DotPlane(size)};
    if (size % 8 != 0 || x < 0 || y < 0 || x >= size || y >= size) return result;

    // open: the dots the fill may enter (white in T); the padding past the last dot stays closed.
    const RowBits open = invert ? RowBits::InkOf(source) : RowBits::BlankOf(source);
    RowBits filled(size);
    if (!RowBits::Test(open.Row(y), x)) return result;

    // A scan-line fill costs one step per run it fills. Narrow vertical corridors are runs of a single
    // dot in every row but long runs in the columns, so when the columns hold fewer runs the fill works
    // on the transposed picture and transposes its result back; where both hold many, row passes take
    // whole rows at a time.
    const std::size_t rowRuns = CountRowRuns(open, size), columnRuns = CountColumnRuns(open, size);
    if (columnRuns < rowRuns) {
        RowBits columns(size), filledColumns(size);
        Transpose(open, columns);
        FillComponent(columns, filledColumns, y, x, columnRuns);
        Transpose(filledColumns, filled);
    } else {
        FillComponent(open, filled, x, y, rowRuns);
    }

    // The mask is black at the filled dots.
    filled.StoreInk(result.mask);
    result.succeeded = true;
    return result;
}
