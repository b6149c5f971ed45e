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

// The dots a write changed, as one span per row: its first and last changed dot. That is what the view
// needs to repaint an edit with one region (a whole-plane fill is one rectangle) instead of one rectangle
// per dot, and it is cheap to gather while the write works on whole words.
struct DotSpan {
    int y = 0;
    int left = 0;   // first changed dot of the row
    int right = 0;  // last changed dot of the row (inclusive)
    bool operator==(const DotSpan&) const = default;
};

// A box of dots with inclusive coordinates: left..right and top..bottom are all in it.
struct DotBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const DotBox&) const = default;
};

class DotChanges {
  public:
    void Clear() { m_spans.clear(); }
    // Rows must be added top to bottom, each once.
    void AddSpan(int y, int left, int right) { m_spans.push_back({y, left, right}); }
    // Adds row y from one row of plane bytes whose set bits mark the changed dots; nothing when none is
    // set. Bits past the last dot of a size that is not a multiple of 8 are ignored.
    void AddRow(int y, std::span<const std::uint8_t> changedBits, int size);

    bool Empty() const { return m_spans.empty(); }
    std::span<const DotSpan> Spans() const { return m_spans; }
    // The smallest rectangle holding every span; all zero when empty.
    DotBox Bounds() const;
    // Rectangles that cover the spans exactly: neighbouring rows with the same span are one rectangle.
    std::vector<DotBox> Rectangles() const;

  private:
    std::vector<DotSpan> m_spans;
};

// The dots whose bits differ between two planes of the same size (nothing for different sizes).
void DifferingSpans(const DotPlane& a, const DotPlane& b, DotChanges& changes);

// The view borrows the document's edit bitmap and may not have one yet; then every dot reads white.
inline bool IsBlackDot(const DotPlane* plane, int x, int y) {
    return plane != nullptr && plane->IsBlack(x, y);
}
