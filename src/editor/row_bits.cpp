#include "editor/row_bits.h"

#include <algorithm>
#include <array>

namespace {

// A row of plane bytes (`count` of them) as words, the leftmost dot in the top bit, inverted on request.
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

RowBits LoadPlane(const DotPlane& plane, bool ink) {
    const int size = plane.Size();
    if (size % 8 != 0) return RowBits(size);
    RowBits bits(size);
    const std::size_t rowBytes = static_cast<std::size_t>(size / 8);
    const std::uint8_t* bytes = plane.Bytes().data();
    for (int y = 0; y < size; ++y)
        LoadRow(bytes + static_cast<std::size_t>(y) * rowBytes, rowBytes, bits.Row(y), ink);
    return bits;
}

}  // namespace

std::uint64_t ReverseWordBits(std::uint64_t v) {
    v = ((v >> 1) & 0x5555555555555555ull) | ((v & 0x5555555555555555ull) << 1);
    v = ((v >> 2) & 0x3333333333333333ull) | ((v & 0x3333333333333333ull) << 2);
    v = ((v >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((v & 0x0F0F0F0F0F0F0F0Full) << 4);
    v = ((v >> 8) & 0x00FF00FF00FF00FFull) | ((v & 0x00FF00FF00FF00FFull) << 8);
    v = ((v >> 16) & 0x0000FFFF0000FFFFull) | ((v & 0x0000FFFF0000FFFFull) << 16);
    return (v >> 32) | (v << 32);
}

RowBits::RowBits(int size)
    : m_nSize(std::max(size, 0)),
      m_nWords((m_nSize + 63) / 64),
      m_bits(static_cast<std::size_t>(m_nSize) * static_cast<std::size_t>(m_nWords), 0) {}

RowBits RowBits::InkOf(const DotPlane& plane) { return LoadPlane(plane, true); }

RowBits RowBits::BlankOf(const DotPlane& plane) { return LoadPlane(plane, false); }

void RowBits::SetRun(std::uint64_t* row, int l, int r) {
    for (int w = l >> 6; w <= r >> 6; ++w) {
        const int from = std::max(l, w * 64) - w * 64, to = std::min(r, w * 64 + 63) - w * 64;
        const std::uint64_t high = ~std::uint64_t{0} >> from;      // bits of dots >= from
        const std::uint64_t low = ~std::uint64_t{0} << (63 - to);  // bits of dots <= to
        row[w] |= high & low;
    }
}

bool RowBits::IsSet(int x, int y) const {
    return x >= 0 && y >= 0 && x < m_nSize && y < m_nSize && Test(Row(y), x);
}

void RowBits::Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < m_nSize && y < m_nSize) Row(y)[x >> 6] |= std::uint64_t{1} << (63 - (x & 63));
}

void RowBits::StoreInk(DotPlane& plane) const {
    if (plane.Size() != m_nSize || m_nSize % 8 != 0) return;
    const std::size_t rowBytes = static_cast<std::size_t>(m_nSize / 8);
    std::uint8_t* bytes = plane.Bytes().data();
    for (int y = 0; y < m_nSize; ++y) {
        const std::uint64_t* words = Row(y);
        std::uint8_t* line = bytes + static_cast<std::size_t>(y) * rowBytes;
        for (std::size_t k = 0; k < rowBytes; ++k)
            line[k] = static_cast<std::uint8_t>(~(words[k / 8] >> (56 - 8 * (k % 8))));
    }
}

void Transpose(const RowBits& from, RowBits& to) {
    const int size = from.Size(), words = from.Words();
    if (to.Size() != size) to = RowBits(size);
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

void OrShiftedRow(const RowSpan& from, std::uint64_t* to, int toWords, int toSize, long long dx,
                  bool mirror) {
    const int words = from.wordCount;
    if (words <= 0 || from.size <= 0 || toWords <= 0 || toSize <= 0) return;
    std::array<std::uint64_t, 8> local{};
    std::vector<std::uint64_t> heap;
    const std::uint64_t* source = from.words;
    if (mirror) {
        std::uint64_t* reversed = local.data();
        if (words > static_cast<int>(local.size())) {
            heap.assign(static_cast<std::size_t>(words), 0);
            reversed = heap.data();
        }
        for (int k = 0; k < words; ++k) reversed[words - 1 - k] = ReverseWordBits(from.words[k]);
        source = reversed;
        // Turned round over all 64 * words bits, dot x sits at 64 * words - 1 - x.
        dx -= 64LL * words - from.size;
    }
    if (dx >= toSize || dx <= -64LL * words) return;
    const long long q = dx >= 0 ? dx / 64 : -((-dx + 63) / 64);
    const int r = static_cast<int>(dx - q * 64);
    for (int k = 0; k < words; ++k) {
        const std::uint64_t v = source[k];
        if (v == 0) continue;
        const long long t = k + q;
        if (t >= 0 && t < toWords) to[t] |= r == 0 ? v : v >> r;
        if (r != 0 && t + 1 >= 0 && t + 1 < toWords) to[t + 1] |= v << (64 - r);
    }
    // Nothing past the last dot.
    if (toSize % 64 != 0) to[toWords - 1] &= ~std::uint64_t{0} << (64 - toSize % 64);
}

void LoadInkRow(const std::uint8_t* bytes, std::size_t byteCount, int width, std::uint64_t* words) {
    if (width <= 0) return;
    const int wordCount = (width + 63) / 64;
    std::fill(words, words + wordCount, 0);
    const std::size_t needed = static_cast<std::size_t>(width + 7) / 8;
    LoadRow(bytes, std::min(byteCount, needed), words, true);
    if (width % 64 != 0) words[wordCount - 1] &= ~std::uint64_t{0} << (64 - width % 64);
}
