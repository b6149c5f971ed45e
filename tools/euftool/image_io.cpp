#include "euftool/image_io.h"

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef KF_HAVE_PNG
#include <png.h>
#endif

namespace {

bool IsSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class PbmReader {
  public:
    explicit PbmReader(std::span<const std::uint8_t> data) : m_data(data) {}

    bool Read(ImageSink& sink, std::string& error) {
        if (m_data.size() < 2 || m_data[0] != 'P' || (m_data[1] != '1' && m_data[1] != '4')) {
            error = "not a PBM file (expected P1 or P4)";
            return false;
        }
        const bool raw = m_data[1] == '4';
        m_pos = 2;
        std::int64_t width = 0;
        std::int64_t height = 0;
        if (!ReadNumber(width) || !ReadNumber(height) || width == 0 || height == 0) {
            error = "bad PBM size";
            return false;
        }
        if (width * height > kMaxImagePixels) {
            error = "the image is too large";
            return false;
        }
        if (!sink.Begin(width, height, error)) return false;
        return raw ? ReadRaw(sink, width, height, error) : ReadPlain(sink, width, height, error);
    }

  private:
    bool ReadRaw(ImageSink& sink, std::int64_t width, std::int64_t height, std::string& error) {
        // Exactly one whitespace character separates the header from the packed rows.
        const auto rowBytes = static_cast<std::size_t>((width + 7) / 8);
        if (m_pos >= m_data.size() || !IsSpace(m_data[m_pos]) ||
            (m_data.size() - m_pos - 1) / rowBytes < static_cast<std::size_t>(height)) {
            error = "PBM data is cut short";
            return false;
        }
        const std::uint8_t* rows = m_data.data() + m_pos + 1;
        for (std::int64_t y = 0; y < height; ++y) {
            const std::uint8_t* row = rows + static_cast<std::size_t>(y) * rowBytes;
            for (std::int64_t x = 0; x < width; ++x) {
                if (row[x / 8] & (0x80 >> (x % 8))) sink.Ink(x, y);
            }
        }
        return true;
    }

    bool ReadPlain(ImageSink& sink, std::int64_t width, std::int64_t height, std::string& error) {
        for (std::int64_t y = 0; y < height; ++y) {
            for (std::int64_t x = 0; x < width; ++x) {
                SkipSpaceAndComments();
                if (m_pos >= m_data.size() || (m_data[m_pos] != '0' && m_data[m_pos] != '1')) {
                    error = m_pos >= m_data.size() ? "PBM data is cut short" : "bad character in PBM data";
                    return false;
                }
                if (m_data[m_pos++] == '1') sink.Ink(x, y);
            }
        }
        return true;
    }

    void SkipSpaceAndComments() {
        while (m_pos < m_data.size()) {
            if (IsSpace(m_data[m_pos])) {
                ++m_pos;
            } else if (m_data[m_pos] == '#') {
                while (m_pos < m_data.size() && m_data[m_pos] != '\n' && m_data[m_pos] != '\r') ++m_pos;
            } else {
                break;
            }
        }
    }

    bool ReadNumber(std::int64_t& value) {
        SkipSpaceAndComments();
        const std::size_t start = m_pos;
        value = 0;
        while (m_pos < m_data.size() && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
            value = value * 10 + (m_data[m_pos++] - '0');
            if (value > kMaxImageSide) return false;
        }
        return m_pos > start;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

#ifdef KF_HAVE_PNG

// libpng reports errors through a callback that must not return; it jumps back to the reader's setjmp.
// Only C objects live between the two, so no destructor is skipped.
struct PngContext {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    char message[128] = "";
};

void PngError(png_structp png, png_const_charp message) {
    auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
    std::snprintf(context->message, sizeof context->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (context->data.size() - context->pos < length) png_error(png, "the PNG file is cut short");
    std::memcpy(out, context->data.data() + context->pos, length);
    context->pos += length;
}

// The whole file is in memory, so a chunk that claims more bytes than follow it is a cut-short file. Checking
// this before libpng sees the file keeps every chunk buffer within the size of the file itself: libpng
// would otherwise allocate what a text or profile chunk's length field claims before finding the data gone.
bool ChunksFitInFile(std::span<const std::uint8_t> data) {
    std::size_t pos = 8;
    while (data.size() - pos >= 8) {
        const std::uint32_t length = static_cast<std::uint32_t>(data[pos]) << 24 | data[pos + 1] << 16 |
                                     data[pos + 2] << 8 | data[pos + 3];
        if (length > 0x7FFFFFFFu || data.size() - pos - 8 < std::size_t{length} + 4) return false;
        const bool end = std::memcmp(data.data() + pos + 4, "IEND", 4) == 0;
        pos += 12 + std::size_t{length};
        if (end) return true;
    }
    return false;
}

// Decodes into 16-bit RGBA rows and reports the ink. Interlaced pictures are read pass by pass and every
// pixel of a pass is put at its place, so no whole-picture buffer is needed.
bool DecodePng(png_structp png, png_infop info, PngContext& context, std::vector<std::uint8_t>& row,
               ImageSink& sink, std::string& error) {
    if (setjmp(png_jmpbuf(png))) {
        error = context.message;
        return false;
    }
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide),
                        static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_cache_max(png, 256);
    png_set_chunk_malloc_max(png, 4 * 1024 * 1024);
    png_set_read_fn(png, &context, PngRead);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A fuzzer's mutations rarely keep the checksums right; without this it would never get past them.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int interlace = png_get_interlace_type(png, info);
    if (std::int64_t{width} * height > kMaxImagePixels) {
        error = "the image is too large";
        return false;
    }
    if (!sink.Begin(width, height, error)) return false;

    // Everything becomes 16-bit RGBA, so that only exact white (65535 in each colour) stays white.
    png_set_expand(png);
    png_set_expand_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != 4 || png_get_bit_depth(png, info) != 16 ||
        png_get_rowbytes(png, info) != std::size_t{width} * 8) {
        error = "unexpected PNG pixel layout";
        return false;
    }
    row.resize(std::size_t{width} * 8);

    const int passes = interlace == PNG_INTERLACE_ADAM7 ? 7 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const png_uint_32 columns = passes == 1 ? width : PNG_PASS_COLS(width, pass);
        const png_uint_32 rows = passes == 1 ? height : PNG_PASS_ROWS(height, pass);
        if (columns == 0 || rows == 0) continue;  // libpng skips empty passes too
        for (png_uint_32 r = 0; r < rows; ++r) {
            png_read_row(png, row.data(), nullptr);
            const png_uint_32 y = passes == 1 ? r : PNG_ROW_FROM_PASS_ROW(r, pass);
            for (png_uint_32 c = 0; c < columns; ++c) {
                const std::uint8_t* p = row.data() + std::size_t{c} * 8;
                const bool transparent = p[6] == 0 && p[7] == 0;
                const bool white = p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF && p[3] == 0xFF &&
                                   p[4] == 0xFF && p[5] == 0xFF;
                if (!transparent && !white) sink.Ink(passes == 1 ? c : PNG_COL_FROM_PASS_COL(c, pass), y);
            }
        }
    }
    return true;
}

struct PngOutput {
    std::vector<std::uint8_t>* out;
    char message[128] = "";
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
    output->out->insert(output->out->end(), data, data + length);
}

void PngFlush(png_structp) {}

void PngWriteError(png_structp png, png_const_charp message) {
    auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
    std::snprintf(output->message, sizeof output->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

bool EncodePngRows(png_structp png, png_infop info, PngOutput& output, const GreyImage& image,
                   std::vector<std::uint8_t>& row, std::string& error) {
    if (setjmp(png_jmpbuf(png))) {
        error = output.message;
        return false;
    }
    const bool twoLevel = std::all_of(image.pixels.begin(), image.pixels.end(),
                                      [](std::uint8_t v) { return v == 0 || v == 255; });
    png_set_write_fn(png, &output, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 twoLevel ? 1 : 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t width = static_cast<std::size_t>(image.width);
    row.assign(twoLevel ? (width + 7) / 8 : width, 0);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* source = image.pixels.data() + static_cast<std::size_t>(y) * width;
        if (twoLevel) {
            std::fill(row.begin(), row.end(), 0);
            for (std::size_t x = 0; x < width; ++x) {
                if (source[x] == 255) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        } else {
            std::copy(source, source + width, row.begin());
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

#endif  // KF_HAVE_PNG

}  // namespace

ImageFormat ImageFormatFromPath(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".pbm") return ImageFormat::kPbm;
    if (extension == ".png") return ImageFormat::kPng;
    return ImageFormat::kUnknown;
}

ImageFormat ImageFormatFromContent(std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= sizeof kPngSignature &&
        std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0)
        return ImageFormat::kPng;
    if (data.size() >= 2 && data[0] == 'P' && (data[1] == '1' || data[1] == '4')) return ImageFormat::kPbm;
    return ImageFormat::kUnknown;
}

bool PngSupported() {
#ifdef KF_HAVE_PNG
    return true;
#else
    return false;
#endif
}

bool ReadPbm(std::span<const std::uint8_t> data, ImageSink& sink, std::string& error) {
    return PbmReader(data).Read(sink, error);
}

bool ReadPng(std::span<const std::uint8_t> data, ImageSink& sink, std::string& error) {
#ifdef KF_HAVE_PNG
    if (ImageFormatFromContent(data) != ImageFormat::kPng) {
        error = "not a PNG file";
        return false;
    }
    if (!ChunksFitInFile(data)) {
        error = "the PNG file is cut short";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return false;
    }
    PngContext context;
    context.data = data;
    png_set_error_fn(png, &context, PngError, PngWarning);
    std::vector<std::uint8_t> row;
    const bool ok = DecodePng(png, info, context, row, sink, error);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
#else
    (void)data;
    (void)sink;
    error = "PNG is not supported by this build of euftool; use PBM";
    return false;
#endif
}

std::vector<std::uint8_t> EncodePbm(const GreyImage& image) {
    const std::string header =
        "P4\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width) + 7) / 8;
    for (int y = 0; y < image.height; ++y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < image.width; ++x) {
            if (image.pixels[static_cast<std::size_t>(y) * image.width + x] != 255)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool EncodePng(const GreyImage& image, std::vector<std::uint8_t>& out, std::string& error) {
#ifdef KF_HAVE_PNG
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    PngOutput output{&out};
    png_set_error_fn(png, &output, PngWriteError, PngWarning);
    std::vector<std::uint8_t> row;
    const bool ok = EncodePngRows(png, info, output, image, row, error);
    png_destroy_write_struct(&png, &info);
    return ok;
#else
    (void)image;
    (void)out;
    error = "PNG is not supported by this build of euftool; use PBM";
    return false;
#endif
}

bool ReadFileBytes(const std::filesystem::path& path, std::uintmax_t limit, std::vector<std::uint8_t>& data,
                   std::string& error) {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(path, code);
    if (code) {
        error = "cannot open the file";
        return false;
    }
    if (size > limit) {
        error = "the file is too large";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open the file";
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(file), {});
    if (file.bad() || data.size() > limit) {
        error = "cannot read the file";
        return false;
    }
    return true;
}

bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                    std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    file.close();
    if (file.fail()) {
        error = "cannot write the file";
        return false;
    }
    return true;
}
