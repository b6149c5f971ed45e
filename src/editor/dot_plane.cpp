#include "editor/dot_plane.h"

#include <algorithm>
#include <bit>
#include <cstring>

std::size_t DotPlaneByteCount(int size) {
    if (size <= 0) return 0;
    return static_cast<std::size_t>(size) * static_cast<std::size_t>(size) / 8;
}

// The index check matters only for a size that is not a multiple of 8 or a span shorter than the plane:
// such input must read white rather than run past the bytes.
static bool Locate(std::size_t byteCount, int size, int x, int y, std::size_t& index) {
    if (x < 0 || y < 0 || x >= size || y >= size) return false;
    index = DotByteIndex(size, x, y);
    return index < byteCount;
}

bool IsBlackDot(std::span<const std::uint8_t> bytes, int size, int x, int y) {
    std::size_t index = 0;
    if (!Locate(bytes.size(), size, x, y, index)) return false;
    return (bytes[index] & DotBitMask(x)) == 0;
}

void SetBlackDot(std::span<std::uint8_t> bytes, int size, int x, int y, bool black) {
    std::size_t index = 0;
    if (!Locate(bytes.size(), size, x, y, index)) return;
    if (black) {
        bytes[index] = static_cast<std::uint8_t>(bytes[index] & ~DotBitMask(x));
    } else {
        bytes[index] = static_cast<std::uint8_t>(bytes[index] | DotBitMask(x));
    }
}

DotPlane::DotPlane(int size) : m_nSize(size > 0 ? size : 0), m_bytes(DotPlaneByteCount(size), kWhiteByte) {}

void DotPlane::Fill(bool black) { std::ranges::fill(m_bytes, black ? kBlackByte : kWhiteByte); }

DotBox DotChanges::Bounds() const {
    if (m_spans.empty()) return {};
    DotBox bounds{m_spans.front().left, m_spans.front().y, m_spans.front().right, m_spans.back().y};
    for (const DotSpan& span : m_spans) {
        bounds.left = std::min(bounds.left, span.left);
        bounds.right = std::max(bounds.right, span.right);
    }
    return bounds;
}

std::vector<DotBox> DotChanges::Rectangles() const {
    std::vector<DotBox> rects;
    for (const DotSpan& span : m_spans) {
        if (!rects.empty()) {
            DotBox& last = rects.back();
            if (last.bottom + 1 == span.y && last.left == span.left && last.right == span.right) {
                last.bottom = span.y;
                continue;
            }
        }
        rects.push_back({span.left, span.y, span.right, span.y});
    }
    return rects;
}

void DotChanges::AddRow(int y, std::span<const std::uint8_t> changedBits, int size) {
    const std::size_t count =
        std::min(changedBits.size(), static_cast<std::size_t>(std::max(size, 0) + 7) / 8);
    std::size_t first = 0;
    // Whole zero words are skipped eight bytes at a time.
    while (first + 8 <= count) {
        std::uint64_t word;
        std::memcpy(&word, changedBits.data() + first, 8);
        if (word != 0) break;
        first += 8;
    }
    while (first < count && changedBits[first] == 0) ++first;
    if (first == count) return;
    std::size_t last = count - 1;
    while (changedBits[last] == 0) --last;
    const int left = static_cast<int>(first) * 8 + std::countl_zero(changedBits[first]);
    const int right = static_cast<int>(last) * 8 + 7 - std::countr_zero(changedBits[last]);
    if (left >= size) return;
    AddSpan(y, left, std::min(right, size - 1));
}

void DifferingSpans(const DotPlane& a, const DotPlane& b, DotChanges& changes) {
    changes.Clear();
    const int size = a.Size();
    if (size != b.Size() || size <= 0 || size % 8 != 0) return;
    const std::size_t rowBytes = static_cast<std::size_t>(size) / 8;
    const std::span<const std::uint8_t> bytesA = a.Bytes(), bytesB = b.Bytes();
    std::vector<std::uint8_t> diff(rowBytes);
    for (int y = 0; y < size; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * rowBytes;
        if (start + rowBytes > bytesA.size()) break;
        for (std::size_t k = 0; k < rowBytes; ++k) diff[k] = bytesA[start + k] ^ bytesB[start + k];
        changes.AddRow(y, diff, size);
    }
}
