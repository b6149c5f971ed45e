#include "editor/dot_plane.h"

#include <algorithm>

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
