#include "sample_images.h"

#include <png.h>

#include <csetjmp>

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One run-length stream row by row from the bottom: runs of equal indexes, an end of line after each row.
void EncodeRle(std::vector<std::uint8_t>& out, const DibShape& shape,
               const std::function<int(int, int)>& index) {
    const bool four = shape.compression == 2;
    for (int row = 0; row < shape.height; ++row) {
        const int y = shape.height - 1 - row;
        int x = 0;
        while (x < shape.width) {
            const int value = index(x, y);
            int run = 1;
            while (x + run < shape.width && run < 255 && index(x + run, y) == value) ++run;
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(static_cast<std::uint8_t>(four ? value << 4 | value : value));
            x += run;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
}

}  // namespace

std::vector<std::uint8_t> MakeDib(const DibShape& shape, const InkAt& ink) {
    std::vector<std::uint8_t> out;
    const bool core = shape.headerSize == 12;
    const std::uint8_t inkLevel = shape.greyInk ? 0x40 : 0x00;
    Put32(out, static_cast<std::uint32_t>(shape.headerSize));
    if (core) {
        Put16(out, static_cast<unsigned>(shape.width));
        Put16(out, static_cast<unsigned>(shape.height));
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(shape.bitCount));
    } else {
        Put32(out, static_cast<std::uint32_t>(shape.width));
        Put32(out, static_cast<std::uint32_t>(shape.topDown ? -shape.height : shape.height));
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(shape.bitCount));
        Put32(out, static_cast<std::uint32_t>(shape.compression));
        Put32(out, 0);  // size of image: may be 0 for uncompressed bitmaps
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, 0);
        Put32(out, 0);
        const bool sixteen = shape.bitCount == 16;
        const std::uint32_t masks[4] = {sixteen ? 0xF800u : 0xFF0000u, sixteen ? 0x07E0u : 0x00FF00u,
                                        sixteen ? 0x001Fu : 0x0000FFu, 0};
        const int maskFields = shape.headerSize >= 56 ? 4 : shape.headerSize >= 52 ? 3 : 0;
        for (int i = 0; i < maskFields; ++i) Put32(out, masks[i]);
        out.resize(static_cast<std::size_t>(shape.headerSize), 0);  // the rest of a V4/V5 header
        if (shape.compression == 3 && shape.headerSize == 40) {
            for (int i = 0; i < 3; ++i) Put32(out, masks[i]);
        }
    }
    if (shape.bitCount <= 8) {
        const int entries = 1 << shape.bitCount;
        for (int i = 0; i < entries; ++i) {
            // Index 0 ink, 1 white, the rest shades that are never pure white.
            const std::uint8_t level = i == 0   ? inkLevel
                                       : i == 1 ? 0xFF
                                                : static_cast<std::uint8_t>(i % 0xFF);
            out.push_back(level);
            out.push_back(level);
            out.push_back(level);
            if (!core) out.push_back(0);
        }
    }
    const auto index = [&](int x, int y) { return ink(x, y) ? 0 : 1; };
    if (shape.compression == 1 || shape.compression == 2) {
        EncodeRle(out, shape, index);
        return out;
    }
    const std::size_t stride = (static_cast<std::size_t>(shape.width) * shape.bitCount + 31) / 32 * 4;
    for (int row = 0; row < shape.height; ++row) {
        const int y = shape.topDown ? row : shape.height - 1 - row;
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < shape.width; ++x) {
            const bool black = ink(x, y);
            const std::uint8_t level = black ? inkLevel : 0xFF;
            switch (shape.bitCount) {
                case 1:
                    if (!black) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                    break;
                case 4:
                    line[x / 2] |= static_cast<std::uint8_t>(index(x, y) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    line[x] = static_cast<std::uint8_t>(index(x, y));
                    break;
                case 16: {
                    // 5-5-5 without bit fields, 5-6-5 with them.
                    const unsigned v = black                    ? (shape.greyInk ? 0x2104u : 0u)
                                       : shape.compression == 3 ? 0xFFFFu
                                                                : 0x7FFFu;
                    line[2 * x] = static_cast<std::uint8_t>(v);
                    line[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                }
                case 24:
                    line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = level;
                    break;
                default:
                    line[4 * x] = line[4 * x + 1] = line[4 * x + 2] = level;
                    line[4 * x + 3] = 0;
                    break;
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

namespace {

struct PngBuffer {
    std::vector<std::uint8_t> bytes;
};

void WriteToBuffer(png_structp png, png_bytep data, png_size_t length) {
    auto* buffer = static_cast<PngBuffer*>(png_get_io_ptr(png));
    buffer->bytes.insert(buffer->bytes.end(), data, data + length);
}

void NoFlush(png_structp) {}

bool WritePng(png_structp png, png_infop info, PngKind kind, int width, int height, const InkAt& ink,
              bool interlaced, std::vector<std::vector<std::uint8_t>>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    int depth = 8;
    int type = PNG_COLOR_TYPE_GRAY;
    int channels = 1;
    switch (kind) {
        case PngKind::kGrey1:
            depth = 1;
            break;
        case PngKind::kGrey8:
            break;
        case PngKind::kGrey16:
            depth = 16;
            break;
        case PngKind::kPalette:
            type = PNG_COLOR_TYPE_PALETTE;
            depth = 4;
            break;
        case PngKind::kRgb8:
            type = PNG_COLOR_TYPE_RGB;
            channels = 3;
            break;
        case PngKind::kRgba8:
            type = PNG_COLOR_TYPE_RGB_ALPHA;
            channels = 4;
            break;
        case PngKind::kGreyAlpha16:
            type = PNG_COLOR_TYPE_GRAY_ALPHA;
            depth = 16;
            channels = 2;
            break;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth, type,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (kind == PngKind::kPalette) {
        // Entry 0 a dark red (ink), 1 white, 2 a near white that is still ink.
        png_color palette[3] = {{0x80, 0x00, 0x00}, {0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFE}};
        png_set_PLTE(png, info, palette, 3);
    }
    png_write_info(png, info);
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels * depth + 7) / 8;
    rows.assign(static_cast<std::size_t>(height), std::vector<std::uint8_t>(rowBytes, 0));
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t>& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const bool black = ink(x, y);
            switch (kind) {
                case PngKind::kGrey1:
                    if (!black) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                    break;
                case PngKind::kGrey8:
                    row[x] = black ? 0x30 : 0xFF;
                    break;
                case PngKind::kGrey16:
                    // 0xFFFE is not white: only the exact maximum is.
                    row[2 * x] = 0xFF;
                    row[2 * x + 1] = black ? 0xFE : 0xFF;
                    break;
                case PngKind::kPalette:
                    row[x / 2] |=
                        static_cast<std::uint8_t>((black ? (x % 3 == 0 ? 2 : 0) : 1) << (x % 2 == 0 ? 4 : 0));
                    break;
                case PngKind::kRgb8:
                    row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = black ? 0x00 : 0xFF;
                    if (black) row[3 * x] = 0xFF;  // pure red is ink
                    break;
                case PngKind::kRgba8:
                    // White stays white; ink is black; a transparent pixel of any colour is background.
                    row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = black ? 0x00 : (x % 2 ? 0x00 : 0xFF);
                    row[4 * x + 3] = black ? 0xFF : (x % 2 ? 0x00 : 0xFF);
                    break;
                case PngKind::kGreyAlpha16:
                    row[4 * x] = row[4 * x + 1] = black ? 0x00 : 0xFF;
                    row[4 * x + 2] = row[4 * x + 3] = 0xFF;
                    break;
            }
        }
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (auto& row : rows) png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<std::uint8_t> MakePng(PngKind kind, int width, int height, const InkAt& ink, bool interlaced) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngBuffer buffer;
    std::vector<std::vector<std::uint8_t>> rows;
    bool ok = false;
    if (info) {
        png_set_write_fn(png, &buffer, WriteToBuffer, NoFlush);
        ok = WritePng(png, info, kind, width, height, ink, interlaced, rows);
    }
    png_destroy_write_struct(&png, &info);
    return ok ? buffer.bytes : std::vector<std::uint8_t>{};
}
