// A dot plane as rows of 64-bit words with the ink as set bits, the leftmost dot of a row in the top bit
// of its first word. The fill, the flips, the quarter turns, the move and the paste placement work in
// this form: a run of dots, a row mirrored or shifted, a 64 by 64 block transposed cost a few word
// operations instead of one test per dot. Bits past a row's last dot are always clear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/dot_plane.h"

class RowBits {
  public:
    RowBits() = default;
    explicit RowBits(int size);  // all clear

    // The black dots of a plane (its size must be a multiple of 8; otherwise all clear).
    static RowBits InkOf(const DotPlane& plane);
    // The white dots instead: what a fill may enter when nothing is inverted.
    static RowBits BlankOf(const DotPlane& plane);

    int Size() const { return m_nSize; }
    int Words() const { return m_nWords; }
    std::uint64_t* Row(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_nWords; }
    const std::uint64_t* Row(int y) const { return m_bits.data() + static_cast<std::size_t>(y) * m_nWords; }

    static bool Test(const std::uint64_t* row, int x) { return (row[x >> 6] >> (63 - (x & 63))) & 1u; }
    // Sets dots l..r (inclusive) of a row.
    static void SetRun(std::uint64_t* row, int l, int r);
    bool IsSet(int x, int y) const;
    void Set(int x, int y);

    // Writes the bits back as a plane's dots: set bits black, clear bits white.
    void StoreInk(DotPlane& plane) const;

    bool operator==(const RowBits&) const = default;

  private:
    int m_nSize = 0;
    int m_nWords = 0;
    std::vector<std::uint64_t> m_bits;
};

// The 64 bits of a word in the opposite order.
std::uint64_t ReverseWordBits(std::uint64_t v);

// Rows become columns: dot (x, y) of `from` is dot (y, x) of `to` (same size), in blocks of 64 by 64.
void Transpose(const RowBits& from, RowBits& to);

// A row of `size` dots in `words` words (bits past the last dot clear).
struct RowSpan {
    const std::uint64_t* words;
    int wordCount;
    int size;
};
// ORs the set bits of a row into another (`toWords` words, dots 0..toSize-1), dot x landing at x + dx; what
// lands outside 0..toSize-1 is dropped. `mirror` first turns the row round: dot x lands at
// from.size - 1 - x + dx.
void OrShiftedRow(const RowSpan& from, std::uint64_t* to, int toWords, int toSize, long long dx,
                  bool mirror = false);
// The same between two rows of one RowBits size.
inline void OrShiftedRow(const RowBits& from, int fromRow, RowBits& to, int toRow, long long dx,
                         bool mirror = false) {
    OrShiftedRow({from.Row(fromRow), from.Words(), from.Size()}, to.Row(toRow), to.Words(), to.Size(), dx,
                 mirror);
}
// A row of a one-bit picture's bytes (leftmost dot in the top bit, 0 black) as ink words: `width` dots of
// `bytes` (fewer when the bytes run out, the rest white) into `words` (ceil(width / 64) of them).
void LoadInkRow(const std::uint8_t* bytes, std::size_t byteCount, int width, std::uint64_t* words);
