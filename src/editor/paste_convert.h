// A pasted picture can come from any program: any size, depth, palette or compression. The editor keeps one
// bit a dot, so a paste is turned into black and white -- only pure white stays white, every other colour
// becomes ink -- and a picture larger than the glyph is shrunk onto it, each axis on its own. The same rule
// serves every importer of outside pictures, so a picture looks the same however it arrives.
//
// The clipboard hands the picture over as a packed device-independent bitmap (header, colour masks, palette,
// pixels). Every field of it is somebody else's data: sizes, offsets and counts are checked against the bytes
// actually present before anything is read, and nothing is allocated beyond the N by N result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A one-bit picture of at most N by N dots, laid out as the bits of a monochrome GDI bitmap so that the
// paste can hand them to CreateBitmap unchanged: rows top to bottom, each padded to a whole 16-bit word,
// leftmost dot in the most significant bit, 0 = black, 1 = white.
struct PasteBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    static std::size_t RowBytesFor(int width);
    std::size_t RowBytes() const { return RowBytesFor(width); }
    // Dots outside the picture read as white.
    bool IsBlack(int x, int y) const;
};

// Gathers the ink pixels of a W by H picture into a PasteBitmap of min(W, N) by min(H, N). A picture that
// fits is copied one to one; a larger one is shrunk with a proportional nearest-pixel mapping in which a dot
// is black when any source pixel merged into it is ink. Pixels are reported in any order.
class PasteShrinker {
  public:
    // sourceWidth and sourceHeight must be positive, glyphSize in 1..256; anything else gives an empty
    // result.
    PasteShrinker(std::int64_t sourceWidth, std::int64_t sourceHeight, int glyphSize);

    // Source pixel (x, y) is ink; pixels outside the picture are ignored.
    void MarkInk(std::int64_t x, std::int64_t y);
    const PasteBitmap& Result() const { return m_result; }
    PasteBitmap Take() { return std::move(m_result); }

  private:
    std::int64_t m_nSourceWidth;
    std::int64_t m_nSourceHeight;
    PasteBitmap m_result;
};

// Results of ConvertPastedDib.
inline constexpr int kDibOk = 0;
inline constexpr int kDibTooShort = 1;                // fewer bytes than the header says
inline constexpr int kDibBadHeader = 2;               // unknown header size, planes not 1, bad glyph size
inline constexpr int kDibBadSize = 3;                 // width or height 0 or out of range
inline constexpr int kDibBadBitCount = 4;             // a depth the compression does not allow
inline constexpr int kDibUnsupportedCompression = 5;  // JPEG, PNG or an unknown method
inline constexpr int kDibBadPalette = 6;              // a palette larger than the depth allows or cut short
inline constexpr int kDibPixelsShort = 7;             // fewer pixel bytes than width, height and depth need

// Converts a packed device-independent bitmap (BITMAPCOREHEADER, BITMAPINFOHEADER or the V4/V5 headers;
// 1, 4, 8, 16, 24 or 32 bits a pixel; uncompressed, RLE8, RLE4 or bit fields) into the paste bitmap for
// glyph size N. Pixels that a run-length stream skips or never reaches stay white. In a 16- or 32-bit picture
// with an alpha mask (a version 3, 4 or 5 header, or alpha bit fields) that some pixel uses, the fully
// transparent pixels are background whatever their colour. On any result but kDibOk the output is left empty.
int ConvertPastedDib(std::span<const std::uint8_t> dib, int glyphSize, PasteBitmap& out);

// A short English description of a result, for tools and logs.
const char* DescribeDibResult(int result);
