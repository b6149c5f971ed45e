#include "editor/paste_convert.h"

#include <algorithm>
#include <array>

namespace {

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// Header sizes Windows knows: BITMAPCOREHEADER, BITMAPINFOHEADER, the two bit-field extensions, V4 and V5.
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeader = 40;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

// A pixel of a direct-colour bitmap is pure white when every bit of each colour mask is set. A mask of 0
// means the colour has no bits at all, which reads as 0, so such a pixel is never white. With an alpha mask
// that the picture really uses, a fully transparent pixel is background whatever its colour.
struct ColourMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    std::uint32_t alpha = 0;

    bool IsWhite(std::uint32_t pixel) const {
        return red != 0 && green != 0 && blue != 0 && (pixel & red) == red && (pixel & green) == green &&
               (pixel & blue) == blue;
    }
    bool IsInk(std::uint32_t pixel) const { return !IsWhite(pixel) && (alpha == 0 || (pixel & alpha) != 0); }
};

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive here
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    ColourMasks masks;
    bool masksInHeader = false;
    std::uint32_t alphaMask = 0;  // from a version 3, 4 or 5 header, or alpha bit fields
};

int ParseHeader(std::span<const std::uint8_t> dib, DibHeader& h) {
    if (dib.size() < 4) return kDibTooShort;
    h.headerSize = U32(dib.data());
    const std::uint8_t* p = dib.data();
    if (h.headerSize == kCoreHeader) {
        if (dib.size() < kCoreHeader) return kDibTooShort;
        h.width = U16(p + 4);
        h.height = U16(p + 6);
        if (U16(p + 8) != 1) return kDibBadHeader;
        h.bitCount = U16(p + 10);
        return kDibOk;
    }
    if (h.headerSize != kInfoHeader && h.headerSize != 52 && h.headerSize != 56 && h.headerSize != 108 &&
        h.headerSize != 124) {
        return kDibBadHeader;
    }
    if (dib.size() < h.headerSize) return kDibTooShort;
    h.width = I32(p + 4);
    const std::int32_t height = I32(p + 8);
    if (U16(p + 12) != 1) return kDibBadHeader;
    h.bitCount = U16(p + 14);
    h.compression = U32(p + 16);
    h.sizeImage = U32(p + 20);
    h.colorsUsed = U32(p + 32);
    h.topDown = height < 0;
    h.height = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (h.headerSize >= 52) {
        h.masks = {U32(p + 40), U32(p + 44), U32(p + 48)};
        h.masksInHeader = true;
    }
    if (h.headerSize >= 56) h.alphaMask = U32(p + 52);
    return kDibOk;
}

// Which depths each compression allows.
int CheckDepth(const DibHeader& h) {
    switch (h.compression) {
        case kRgb:
            if (h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 ||
                h.bitCount == 24 || h.bitCount == 32) {
                return kDibOk;
            }
            return kDibBadBitCount;
        case kRle8:
            return h.bitCount == 8 ? kDibOk : kDibBadBitCount;
        case kRle4:
            return h.bitCount == 4 ? kDibOk : kDibBadBitCount;
        case kBitFields:
        case kAlphaBitFields:
            return h.bitCount == 16 || h.bitCount == 32 ? kDibOk : kDibBadBitCount;
        default:
            return kDibUnsupportedCompression;  // JPEG, PNG, CMYK and unknown methods
    }
}

// Reads the pixels of an uncompressed bitmap row by row and reports the ink.
class RgbDecoder {
  public:
    RgbDecoder(const DibHeader& h, const std::array<bool, 256>& inkIndex, PasteShrinker& sink)
        : m_h(h), m_inkIndex(inkIndex), m_sink(sink) {}

    void Decode(const std::uint8_t* pixels, std::uint64_t stride) {
        for (std::int64_t row = 0; row < m_h.height; ++row) {
            const std::uint8_t* line = pixels + static_cast<std::uint64_t>(row) * stride;
            const std::int64_t y = m_h.topDown ? row : m_h.height - 1 - row;
            for (std::int64_t x = 0; x < m_h.width; ++x) {
                if (IsInk(line, x)) m_sink.MarkInk(x, y);
            }
        }
    }

  private:
    bool IsInk(const std::uint8_t* line, std::int64_t x) const {
        switch (m_h.bitCount) {
            case 1:
                return m_inkIndex[(line[x / 8] >> (7 - x % 8)) & 1];
            case 4:
                return m_inkIndex[(line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF];
            case 8:
                return m_inkIndex[line[x]];
            case 16:
                return m_h.masks.IsInk(U16(line + 2 * x));
            case 24: {
                const std::uint8_t* p = line + 3 * x;
                return !(p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF);
            }
            default:
                return m_h.masks.IsInk(U32(line + 4 * x));
        }
    }

    const DibHeader& m_h;
    const std::array<bool, 256>& m_inkIndex;
    PasteShrinker& m_sink;
};

// Whether any pixel of a 16- or 32-bit picture has a bit of the alpha mask set.
bool UsesAlpha(const std::uint8_t* pixels, std::uint64_t stride, std::int64_t width, std::int64_t height,
               unsigned bitCount, std::uint32_t alphaMask) {
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* line = pixels + static_cast<std::uint64_t>(row) * stride;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = bitCount == 16 ? U16(line + 2 * x) : U32(line + 4 * x);
            if ((pixel & alphaMask) != 0) return true;
        }
    }
    return false;
}

// Run-length streams count rows from the bottom. Pixels beyond a row's end or above the top are dropped; a
// stream that ends without its end-of-bitmap mark keeps what it drew.
void DecodeRle(std::span<const std::uint8_t> data, const DibHeader& h, const std::array<bool, 256>& inkIndex,
               PasteShrinker& sink) {
    const bool four = h.compression == kRle4;
    std::int64_t x = 0;
    std::int64_t row = 0;
    std::size_t pos = 0;
    const auto put = [&](unsigned index) {
        if (x < h.width && row < h.height && inkIndex[index]) sink.MarkInk(x, h.height - 1 - row);
        ++x;
    };
    while (pos + 2 <= data.size() && row < h.height) {
        const unsigned count = data[pos];
        const unsigned value = data[pos + 1];
        pos += 2;
        if (count != 0) {
            for (unsigned i = 0; i < count && x < h.width; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0xF) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta
            if (pos + 2 > data.size()) return;
            x += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else {  // absolute run of `value` pixels, padded to a whole word
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (data.size() - pos < bytes) return;
            for (unsigned i = 0; i < value; ++i) {
                const std::uint8_t b = data[pos + (four ? i / 2 : i)];
                put(four ? (i % 2 == 0 ? b >> 4 : b & 0xF) : b);
            }
            pos += bytes + (bytes % 2);
        }
    }
}

}  // namespace

std::size_t PasteBitmap::RowBytesFor(int width) {
    return width <= 0 ? 0 : (static_cast<std::size_t>(width) + 15) / 16 * 2;
}

bool PasteBitmap::IsBlack(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const std::size_t at = static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x / 8);
    return at < bytes.size() && (bytes[at] & (0x80u >> (x % 8))) == 0;
}

PasteShrinker::PasteShrinker(std::int64_t sourceWidth, std::int64_t sourceHeight, int glyphSize)
    : m_nSourceWidth(sourceWidth), m_nSourceHeight(sourceHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || glyphSize <= 0 || glyphSize > 256) {
        m_nSourceWidth = m_nSourceHeight = 0;
        return;
    }
    m_result.width = static_cast<int>(std::min<std::int64_t>(sourceWidth, glyphSize));
    m_result.height = static_cast<int>(std::min<std::int64_t>(sourceHeight, glyphSize));
    m_result.bytes.assign(m_result.RowBytes() * static_cast<std::size_t>(m_result.height), 0xFF);
}

void PasteShrinker::MarkInk(std::int64_t x, std::int64_t y) {
    if (x < 0 || y < 0 || x >= m_nSourceWidth || y >= m_nSourceHeight) return;
    // x < W and w <= 256, so the products stay far inside 64 bits for any 32-bit source size.
    const auto tx = static_cast<std::size_t>(x * m_result.width / m_nSourceWidth);
    const auto ty = static_cast<std::size_t>(y * m_result.height / m_nSourceHeight);
    m_result.bytes[ty * m_result.RowBytes() + tx / 8] &= static_cast<std::uint8_t>(~(0x80u >> (tx % 8)));
}

int ConvertPastedDib(std::span<const std::uint8_t> dib, int glyphSize, PasteBitmap& out) {
    out = PasteBitmap{};
    if (glyphSize <= 0 || glyphSize > 256) return kDibBadHeader;
    DibHeader h;
    if (const int result = ParseHeader(dib, h); result != kDibOk) return result;
    if (h.width <= 0 || h.height <= 0) return kDibBadSize;
    if (const int result = CheckDepth(h); result != kDibOk) return result;
    // Run-length bitmaps are bottom-up only.
    if (h.topDown && (h.compression == kRle8 || h.compression == kRle4)) return kDibBadSize;

    std::uint64_t offset = h.headerSize;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        if (!h.masksInHeader) {
            // After a plain info header the masks follow it: red, green, blue and, for alpha bit fields,
            // alpha.
            const std::uint64_t maskBytes = h.compression == kAlphaBitFields ? 16 : 12;
            if (dib.size() < offset + maskBytes) return kDibTooShort;
            h.masks = {U32(dib.data() + offset), U32(dib.data() + offset + 4), U32(dib.data() + offset + 8)};
            if (h.compression == kAlphaBitFields) h.alphaMask = U32(dib.data() + offset + 12);
            offset += maskBytes;
        }
    } else if (h.bitCount == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.bitCount == 32) {
        h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    // The palette: entries of 3 bytes after a core header, 4 otherwise. Bitmaps deeper than 8 bits may carry
    // an optional palette too; it is skipped.
    const std::uint64_t entryBytes = h.headerSize == kCoreHeader ? 3 : 4;
    std::uint64_t entries = h.colorsUsed;
    if (h.bitCount <= 8) {
        const std::uint64_t full = 1u << h.bitCount;
        if (entries == 0) entries = full;
        if (entries > 256) return kDibBadPalette;
    }
    if (entries > (dib.size() - offset) / entryBytes) return kDibBadPalette;
    std::array<bool, 256> inkIndex;
    inkIndex.fill(true);  // an index beyond the palette is not white
    if (h.bitCount <= 8) {
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = dib.data() + offset + i * entryBytes;
            inkIndex[i] = !(e[0] == 0xFF && e[1] == 0xFF && e[2] == 0xFF);
        }
    }
    offset += entries * entryBytes;
    const std::span<const std::uint8_t> pixels = dib.subspan(static_cast<std::size_t>(offset));

    PasteShrinker shrinker(h.width, h.height, glyphSize);
    if (h.compression == kRle8 || h.compression == kRle4) {
        const std::size_t length =
            h.sizeImage != 0 && h.sizeImage < pixels.size() ? h.sizeImage : pixels.size();
        DecodeRle(pixels.first(length), h, inkIndex, shrinker);
    } else {
        // Rows are padded to whole 32-bit words. Width < 2^31 and depth <= 32, so the stride fits easily, and
        // the product with the height is checked by division against what is there.
        const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
        if (static_cast<std::uint64_t>(h.height) > pixels.size() / stride) return kDibPixelsShort;
        // An alpha channel counts only when a pixel uses it: zero alpha everywhere is a picture without one
        // (GDI leaves the byte 0 in its 32-bit bitmaps).
        if ((h.bitCount == 16 || h.bitCount == 32) && h.alphaMask != 0 &&
            UsesAlpha(pixels.data(), stride, h.width, h.height, h.bitCount, h.alphaMask)) {
            h.masks.alpha = h.alphaMask;
        }
        RgbDecoder(h, inkIndex, shrinker).Decode(pixels.data(), stride);
    }
    out = shrinker.Take();
    return kDibOk;
}

const char* DescribeDibResult(int result) {
    switch (result) {
        case kDibOk:
            return "converted";
        case kDibTooShort:
            return "the bitmap is shorter than its header says";
        case kDibBadHeader:
            return "unknown bitmap header";
        case kDibBadSize:
            return "bad bitmap width or height";
        case kDibBadBitCount:
            return "unsupported number of bits per pixel";
        case kDibUnsupportedCompression:
            return "unsupported compression";
        case kDibBadPalette:
            return "bad colour table";
        case kDibPixelsShort:
            return "the pixel data is cut short";
        default:
            return "unknown result";
    }
}
