// Every image the matrix editor touches -- the glyph being edited, undo states, the bitmap file's records,
// masks, the selection outline, the sample layer -- is one N by N one-bit picture in the same packed form,
// so that moving an image between them is a plain byte copy. That form is also the bit layout of a
// monochrome GDI bitmap (GetBitmapBits / SetBitmapBits), so no conversion is ever needed there either.
//
// Layout: rows top to bottom, N/8 bytes a row without padding, the leftmost dot in the most significant
// bit; a 0 bit is a black (inked) dot, a 1 bit a white one, so a fresh plane is all 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr std::uint8_t kWhiteByte = 0xFF;
inline constexpr std::uint8_t kBlackByte = 0x00;

// Bytes of an N by N plane (N*N/8; 0 for N <= 0).
std::size_t DotPlaneByteCount(int size);
// Where dot (x, y) lives: its byte index and the bit within that byte. Only meaningful inside the plane.
inline std::size_t DotByteIndex(int size, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(size / 8) + static_cast<std::size_t>(x / 8);
}
inline std::uint8_t DotBitMask(int x) { return static_cast<std::uint8_t>(0x80u >> (x % 8)); }

// Dot access on raw plane bytes (an undo file, a GDI bitmap's bits, a bitmap file record). Dots outside
// 0..size-1, and bytes the span does not hold, read as white and are never written.
bool IsBlackDot(std::span<const std::uint8_t> bytes, int size, int x, int y);
void SetBlackDot(std::span<std::uint8_t> bytes, int size, int x, int y, bool black);

class DotPlane {
  public:
    DotPlane() = default;         // 0 by 0: holds no dots, every read is white
    explicit DotPlane(int size);  // all white

    int Size() const { return m_nSize; }
    std::size_t ByteCount() const { return m_bytes.size(); }
    std::span<std::uint8_t> Bytes() { return m_bytes; }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }

    bool IsBlack(int x, int y) const { return IsBlackDot(m_bytes, m_nSize, x, y); }
    void SetDot(int x, int y, bool black) { SetBlackDot(m_bytes, m_nSize, x, y, black); }
    void Fill(bool black);

    bool operator==(const DotPlane&) const = default;

  private:
    int m_nSize = 0;
    std::vector<std::uint8_t> m_bytes;
};

// The view borrows the document's edit bitmap and may not have one yet; then every dot reads white.
inline bool IsBlackDot(const DotPlane* plane, int x, int y) {
    return plane != nullptr && plane->IsBlack(x, y);
}
