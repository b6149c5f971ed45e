// euftool: shows what the EUDC bitmap file reader sees in a file, writes fixture files with the project's
// own writer, and moves characters in and out as ordinary images, so that tests and people can inspect,
// prepare and keep bitmap files without the editor.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "automation/save_checks.h"
#include "editor/dot_plane.h"
#include "editor/paste_convert.h"
#include "euftool/image_io.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_agreement.h"
#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_writer.h"
#include "kanjiforge_version.h"

namespace {

#ifdef KF_HAVE_PNG
#define KF_IMAGE_FORMATS \
    "IMAGE is a PBM (.pbm, P1 or P4) or PNG (.png, any bit depth and colour type) file.\n"
#define KF_EXPORT_EXTENSION ".png"
#else
#define KF_IMAGE_FORMATS \
    "IMAGE is a PBM file (.pbm, P1 or P4); this build reads and writes PBM only, not PNG.\n"
#define KF_EXPORT_EXTENSION ".pbm"
#endif

constexpr char kUsage[] =
    "usage: euftool info FILE\n"
    "       euftool show FILE CODE\n"
    "       euftool list FILE\n"
    "       euftool new FILE SIZE\n"
    "       euftool put FILE CODE PBM\n"
    "       euftool get FILE CODE IMAGE\n"
    "       euftool import [--fit] FILE CODE IMAGE\n"
    "       euftool sheet FILE IMAGE\n"
    "       euftool export FILE DIR\n"
    "       euftool check EUF TTE\n"
    "       euftool font EUF TTE\n"
    "       euftool rebuild-bitmap TTE EUF SIZE\n"
    "       euftool tte-show TTE CODE [SIZE]\n"
    "CODE is four hexadecimal digits in E000..F8FF, SIZE a multiple of 8 in 8..256.\n"
    "put takes a PBM of exactly the file's character size, 1 = black.\n" KF_IMAGE_FORMATS
    "get writes one character as an image, chosen by the extension.\n"
    "import stores an image at the top left of a white character: every pixel that is not pure white\n"
    "is ink. An image larger than the characters is refused unless --fit shrinks it onto them.\n"
    "sheet draws every stored character in code order, 16 to a row, with thin separators.\n"
    "export writes one image per stored character into DIR, named by its code (E000" KF_EXPORT_EXTENSION
    ").\n"
    "check compares a bitmap file (EUF) with its font (TTE): one line for each code in one file only or\n"
    "shown differently by the two, a summary last.\n"
    "font makes a new font of every character of a bitmap file; rebuild-bitmap a new bitmap file of SIZE\n"
    "dots from a font's glyphs. Neither replaces a file without first copying it to FILE.<date-time>.\n"
    "tte-show draws a font's glyph as # and . at SIZE dots (the bitmap file beside it, else 64).\n"
    "Exit status: 0 on success, 1 when the file gives another result or cannot be written (check: when\n"
    "any code is listed), 2 on usage errors.\n";

// One command-line argument, as a file name and as text for codes and numbers.
struct Arg {
    std::filesystem::path path;
    std::wstring text;
};

int UsageError() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::string Display(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

int ParseCode(const Arg& arg) {
    const int code = ParseCodeText(arg.text);
    return IsUnicodeEudcCode(code) ? code : -1;
}

int ParseSize(const std::wstring& text) {
    if (text.empty() || text.size() > 3) return -1;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value >= 8 && value <= 256 && value % 8 == 0 ? value : -1;
}

void PrintResult(int result, int width, int height) {
    std::printf("result %d width %d height %d\n", result, width, height);
}

int Fail(const std::filesystem::path& path, const std::string& message) {
    std::fprintf(stderr, "euftool: %s: %s\n", Display(path).c_str(), message.c_str());
    return 1;
}

// Dots of a dot plane are numbered row by row; bit 0 is black.
bool IsBlack(const std::vector<std::uint8_t>& plane, long long dot) {
    const auto byte = static_cast<std::size_t>(dot / 8);
    return byte < plane.size() && (plane[byte] & (0x80 >> (dot % 8))) == 0;
}

// The management size of a bitmap file that characters can be stored into.
bool ReadGlyphSize(const std::filesystem::path& path, int& size) {
    int width = 0;
    int height = 0;
    const int result = ReadEudcBitmap(path, 0, width, height, nullptr);
    const long long planeBytes = static_cast<long long>(width) * height / 8;
    if (result != kEudcOk || width != height || width % 8 != 0 || planeBytes <= 0 ||
        planeBytes > kEudcMaxBitmapBytes) {
        std::fprintf(stderr, "euftool: %s: not a usable bitmap file (result %d width %d height %d)\n",
                     Display(path).c_str(), result, width, height);
        return false;
    }
    size = width;
    return true;
}

// An image of exactly the characters' size, taken dot for dot.
class ExactSink : public ImageSink {
  public:
    explicit ExactSink(int size) : m_plane(DotPlaneByteCount(size), kWhiteByte), m_nSize(size) {}
    bool Begin(std::int64_t width, std::int64_t height, std::string& error) override {
        if (width == m_nSize && height == m_nSize) return true;
        error = "the image is " + std::to_string(width) + " by " + std::to_string(height) +
                " dots, the characters are " + std::to_string(m_nSize) + " by " + std::to_string(m_nSize);
        return false;
    }
    void Ink(std::int64_t x, std::int64_t y) override {
        SetBlackDot(m_plane, m_nSize, static_cast<int>(x), static_cast<int>(y), true);
    }
    std::vector<std::uint8_t> m_plane;

  private:
    int m_nSize;
};

// An image at most the characters' size, or any size with --fit: converted as the editor converts a paste.
class PasteSink : public ImageSink {
  public:
    PasteSink(int size, bool fit) : m_nSize(size), m_bFit(fit) {}
    bool Begin(std::int64_t width, std::int64_t height, std::string& error) override {
        if (!m_bFit && (width > m_nSize || height > m_nSize)) {
            error = "the image is " + std::to_string(width) + " by " + std::to_string(height) +
                    " dots, larger than the " + std::to_string(m_nSize) + " by " + std::to_string(m_nSize) +
                    " characters (--fit shrinks it)";
            return false;
        }
        m_shrinker.emplace(width, height, m_nSize);
        return true;
    }
    void Ink(std::int64_t x, std::int64_t y) override { m_shrinker->MarkInk(x, y); }

    // The picture placed at the top left of a white character.
    std::vector<std::uint8_t> Plane() const {
        std::vector<std::uint8_t> plane(DotPlaneByteCount(m_nSize), kWhiteByte);
        const PasteBitmap& picture = m_shrinker->Result();
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                if (picture.IsBlack(x, y)) SetBlackDot(plane, m_nSize, x, y, true);
            }
        }
        return plane;
    }

  private:
    int m_nSize;
    bool m_bFit;
    std::optional<PasteShrinker> m_shrinker;
};

bool ReadImage(const std::filesystem::path& path, ImageSink& sink, std::string& error) {
    std::vector<std::uint8_t> data;
    if (!ReadFileBytes(path, kMaxImageFileBytes, data, error)) return false;
    switch (ImageFormatFromContent(data)) {
        case ImageFormat::kPbm:
            return ReadPbm(data, sink, error);
        case ImageFormat::kPng:
            return ReadPng(data, sink, error);
        default:
            error = PngSupported() ? "not a PBM or PNG file" : "not a PBM file";
            return false;
    }
}

// Writes an image in the format its name asks for.
bool WriteImage(const std::filesystem::path& path, const GreyImage& image, std::string& error) {
    switch (ImageFormatFromPath(path)) {
        case ImageFormat::kPbm:
            return WriteFileBytes(path, EncodePbm(image), error);
        case ImageFormat::kPng: {
            std::vector<std::uint8_t> bytes;
            return EncodePng(image, bytes, error) && WriteFileBytes(path, bytes, error);
        }
        default:
            error = PngSupported() ? "the image name must end in .pbm or .png"
                                   : "the image name must end in .pbm";
            return false;
    }
}

GreyImage PlaneImage(const std::vector<std::uint8_t>& plane, int width, int height) {
    GreyImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255)};
    for (long long dot = 0; dot < static_cast<long long>(image.pixels.size()); ++dot) {
        if (IsBlack(plane, dot)) image.pixels[static_cast<std::size_t>(dot)] = 0;
    }
    return image;
}

int Info(const Arg& file) {
    int width = 0;
    int height = 0;
    const int result = ReadEudcBitmap(file.path, 0, width, height, nullptr);
    PrintResult(result, width, height);
    return result == kEudcOk ? 0 : 1;
}

int Show(const Arg& file, int code) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> plane;
    const int result = ReadEudcBitmap(file.path, code, width, height, &plane);
    PrintResult(result, width, height);
    if (result != kEudcOk) return 1;
    std::string row;
    for (int y = 0; y < height; ++y) {
        row.clear();
        for (int x = 0; x < width; ++x)
            row += IsBlack(plane, static_cast<long long>(y) * width + x) ? '#' : '.';
        std::printf("%s\n", row.c_str());
    }
    return 0;
}

int List(const Arg& file) {
    std::vector<int> codes;
    const int result = ListEudcCodes(file.path, codes);
    if (result != kEudcOk) {
        std::fprintf(stderr, "euftool: %s: cannot read the index (result %d)\n", Display(file.path).c_str(),
                     result);
        return 1;
    }
    for (int code : codes) std::printf("%s\n", Narrow(FormatCodeText(code)).c_str());
    return 0;
}

int New(const Arg& file, int size) {
    if (!CreateEudcBitmapFile(file.path, size)) {
        std::fprintf(stderr, "euftool: %s: cannot create the file (it exists or cannot be written)\n",
                     Display(file.path).c_str());
        return 1;
    }
    return 0;
}

int Put(const Arg& file, int code, const Arg& pbmFile) {
    int size = 0;
    if (!ReadGlyphSize(file.path, size)) return 1;
    std::vector<std::uint8_t> data;
    std::string error;
    ExactSink sink(size);
    if (!ReadFileBytes(pbmFile.path, kMaxImageFileBytes, data, error) || !ReadPbm(data, sink, error))
        return Fail(pbmFile.path, error);
    if (!PutEudcBitmapRecord(file.path, code, sink.m_plane))
        return Fail(file.path, "cannot store " + Narrow(FormatCodeText(code)));
    return 0;
}

int Get(const Arg& file, int code, const Arg& out) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> plane;
    const int result = ReadEudcBitmap(file.path, code, width, height, &plane);
    if (result != kEudcOk) {
        return Fail(file.path, "cannot read " + Narrow(FormatCodeText(code)) + " (result " +
                                   std::to_string(result) + ")");
    }
    std::string error;
    if (!WriteImage(out.path, PlaneImage(plane, width, height), error)) return Fail(out.path, error);
    return 0;
}

int Import(const Arg& file, int code, const Arg& in, bool fit) {
    int size = 0;
    if (!ReadGlyphSize(file.path, size)) return 1;
    PasteSink sink(size, fit);
    std::string error;
    if (!ReadImage(in.path, sink, error)) return Fail(in.path, error);
    if (!PutEudcBitmapRecord(file.path, code, sink.Plane()))
        return Fail(file.path, "cannot store " + Narrow(FormatCodeText(code)));
    return 0;
}

// A bitmap file holds at most one index and one 8 KiB record per code.
constexpr std::uintmax_t kMaxBitmapFileBytes = 128u * 1024 * 1024;

// Every stored character with its bitmap, in code order; false when the file itself cannot be read.
// Characters that do not read back are reported and counted in `bad`.
struct StoredGlyph {
    int code = 0;
    std::vector<std::uint8_t> plane;  // empty when the character does not read
};

bool ReadAllGlyphs(const std::filesystem::path& path, int& size, std::vector<StoredGlyph>& glyphs, int& bad) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, kMaxBitmapFileBytes, bytes, error)) {
        Fail(path, error);
        return false;
    }
    int width = 0;
    int height = 0;
    int result = ReadEudcBitmapBytes(bytes, 0, width, height, nullptr);
    std::vector<int> codes;
    if (result == kEudcOk) result = ListEudcCodesBytes(bytes, codes);
    if (result != kEudcOk || width <= 0 || width != height || width % 8 != 0 || width > 256) {
        std::fprintf(stderr, "euftool: %s: not a usable bitmap file (result %d width %d height %d)\n",
                     Display(path).c_str(), result, width, height);
        return false;
    }
    size = width;
    bad = 0;
    for (int code : codes) {
        StoredGlyph glyph{code, {}};
        int w = 0;
        int h = 0;
        result = ReadEudcBitmapBytes(bytes, code, w, h, &glyph.plane);
        if (result != kEudcOk) {
            std::fprintf(stderr, "euftool: %s: cannot read %s (result %d)\n", Display(path).c_str(),
                         Narrow(FormatCodeText(code)).c_str(), result);
            glyph.plane.clear();
            ++bad;
        }
        glyphs.push_back(std::move(glyph));
    }
    return true;
}

// Sixteen cells a row, one grey line between cells and around them; a character that does not read is a
// grey cell, the unused cells of the last row light grey.
constexpr int kSheetColumns = 16;
constexpr std::uint8_t kSeparatorGrey = 0x99;
constexpr std::uint8_t kUnreadableGrey = 0x66;
constexpr std::uint8_t kUnusedGrey = 0xDD;

int Sheet(const Arg& file, const Arg& out) {
    int size = 0;
    int bad = 0;
    std::vector<StoredGlyph> glyphs;
    if (!ReadAllGlyphs(file.path, size, glyphs, bad)) return 1;
    if (glyphs.empty()) return Fail(file.path, "no character is stored");
    const int count = static_cast<int>(glyphs.size());
    const int columns = std::min(count, kSheetColumns);
    const int rows = (count + kSheetColumns - 1) / kSheetColumns;
    GreyImage sheet;
    sheet.width = columns * (size + 1) + 1;
    sheet.height = rows * (size + 1) + 1;
    sheet.pixels.assign(static_cast<std::size_t>(sheet.width) * sheet.height, kSeparatorGrey);
    for (int cell = 0; cell < rows * columns; ++cell) {
        const int left = (cell % columns) * (size + 1) + 1;
        const int top = (cell / columns) * (size + 1) + 1;
        const StoredGlyph* glyph = cell < count ? &glyphs[static_cast<std::size_t>(cell)] : nullptr;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                std::uint8_t value = kUnusedGrey;
                if (glyph && glyph->plane.empty()) value = kUnreadableGrey;
                if (glyph && !glyph->plane.empty()) value = IsBlackDot(glyph->plane, size, x, y) ? 0 : 255;
                sheet.pixels[static_cast<std::size_t>(top + y) * sheet.width + left + x] = value;
            }
        }
    }
    std::string error;
    if (!WriteImage(out.path, sheet, error)) return Fail(out.path, error);
    return bad == 0 ? 0 : 1;
}

int Export(const Arg& file, const Arg& dir) {
    int size = 0;
    int bad = 0;
    std::vector<StoredGlyph> glyphs;
    if (!ReadAllGlyphs(file.path, size, glyphs, bad)) return 1;
    std::error_code code;
    std::filesystem::create_directories(dir.path, code);
    if (!std::filesystem::is_directory(dir.path, code)) return Fail(dir.path, "cannot create the folder");
    for (const StoredGlyph& glyph : glyphs) {
        if (glyph.plane.empty()) continue;
        const std::filesystem::path out =
            dir.path / (Narrow(FormatCodeText(glyph.code)) + KF_EXPORT_EXTENSION);
        std::string error;
        if (!WriteImage(out, PlaneImage(glyph.plane, size, size), error)) return Fail(out, error);
    }
    return bad == 0 ? 0 : 1;
}

// ---- the font (.TTE) and the pair ----

std::string CodeName(int code) { return Narrow(FormatCodeText(code)); }

bool ReadFont(const std::filesystem::path& path, TteFont& font) {
    const int result = font.Read(path);
    if (result == kTteOk) return true;
    std::fprintf(stderr, "euftool: %s: not a usable font (result %d): %s\n", Display(path).c_str(), result,
                 font.Error().c_str());
    return false;
}

// Copies an existing file to FILE.<yyyymmdd-hhmmss> (a second one within a second gets "_N") before it is
// replaced; true when there is nothing to keep or the copy was made.
bool KeepCopy(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return true;
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    const LocalTime time{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                         local->tm_hour,        local->tm_min,     local->tm_sec};
    const std::wstring name = BackupFileName(path.filename().wstring(), time);
    std::filesystem::path copy = path.parent_path() / name;
    for (int n = 2; std::filesystem::exists(copy, error); ++n)
        copy = path.parent_path() / (name + L"_" + std::to_wstring(n));
    if (!std::filesystem::copy_file(path, copy, error) || error) {
        Fail(path, "cannot keep a copy before replacing it");
        return false;
    }
    std::printf("kept %s\n", Display(copy).c_str());
    return true;
}

bool Replace(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    if (!KeepCopy(path)) return false;
    std::string error;
    const std::filesystem::path beside = BesideFile(path);
    if (WriteWholeFile(beside, bytes, error) && PutFileInPlace(beside, path, error)) return true;
    Fail(path, error);
    return false;
}

int Check(const Arg& bitmapFile, const Arg& fontFile) {
    std::vector<std::uint8_t> bitmap;
    std::string error;
    if (!ReadFileBytes(bitmapFile.path, kMaxBitmapFileBytes, bitmap, error))
        return Fail(bitmapFile.path, error);
    TteFont font;
    if (!ReadFont(fontFile.path, font)) return 1;
    PairCheck check;
    if (!CheckEudcPair(bitmap, font, check, error)) return Fail(bitmapFile.path, error);
    for (const PairProblem& problem : check.problems) {
        std::string line = CodeName(problem.code) + " " + PairProblemName(problem.kind);
        if (problem.kind == PairProblemKind::DamagedRecord || problem.kind == PairProblemKind::BadGlyph)
            line += " (result " + std::to_string(problem.result) + ")";
        if (problem.kind == PairProblemKind::Disagrees) line += ": " + AgreementFigures(problem.agreement);
        std::printf("%s\n", line.c_str());
    }
    std::printf("summary: %d dots, %d characters in the bitmap file, %d in the font, %d agree, %zu listed\n",
                check.glyphSize, check.bitmapCodes, check.fontCodes, check.agreeing, check.problems.size());
    return check.problems.empty() ? 0 : 1;
}

int MakeFont(const Arg& bitmapFile, const Arg& fontFile) {
    std::vector<std::uint8_t> bitmap, font;
    std::string error;
    if (!ReadFileBytes(bitmapFile.path, kMaxBitmapFileBytes, bitmap, error))
        return Fail(bitmapFile.path, error);
    if (BuildTteFontFromEudc(bitmap, TteTimeNow(), font, error) != kTteOk)
        return Fail(bitmapFile.path, error);
    return Replace(fontFile.path, font) ? 0 : 1;
}

int RebuildBitmap(const Arg& fontFile, const Arg& bitmapFile, int size) {
    TteFont font;
    if (!ReadFont(fontFile.path, font)) return 1;
    std::vector<std::uint8_t> bitmap = MakeEudcBitmapFileBytes(size);
    int bad = 0;
    for (int code : font.Codes()) {
        if (!IsUnicodeEudcCode(code)) continue;
        std::vector<std::uint8_t> dots;
        if (RasterizeCode(font, code, size, dots) != kTteOk) {
            std::fprintf(stderr, "euftool: %s: %s: %s\n", Display(fontFile.path).c_str(),
                         CodeName(code).c_str(), font.Error().c_str());
            ++bad;
            continue;
        }
        if (!PutEudcBitmapRecordBytes(bitmap, code, dots))
            return Fail(bitmapFile.path, "cannot store " + CodeName(code));
    }
    if (!Replace(bitmapFile.path, bitmap)) return 1;
    return bad == 0 ? 0 : 1;
}

int ShowFontGlyph(const Arg& fontFile, int code, int size) {
    TteFont font;
    if (!ReadFont(fontFile.path, font)) return 1;
    if (size <= 0) {
        // The bitmap file beside the font tells the characters' size.
        std::filesystem::path beside = fontFile.path;
        beside.replace_extension(".EUF");
        int width = 0, height = 0;
        size = ReadEudcBitmap(beside, 0, width, height, nullptr) == kEudcOk && width == height &&
                       width % 8 == 0 && width >= 8 && width <= 256
                   ? width
                   : 64;
    }
    std::vector<std::uint8_t> dots;
    const int result = RasterizeCode(font, code, size, dots);
    std::printf("result %d size %d\n", result, size);
    if (result != kTteOk) {
        std::fprintf(stderr, "euftool: %s: %s\n", Display(fontFile.path).c_str(), font.Error().c_str());
        return 1;
    }
    std::string row;
    for (int y = 0; y < size; ++y) {
        row.clear();
        for (int x = 0; x < size; ++x) row += IsBlackDot(dots, size, x, y) ? '#' : '.';
        std::printf("%s\n", row.c_str());
    }
    return 0;
}

int Run(const std::vector<Arg>& args) {
    if (args.empty()) return UsageError();
    const std::wstring& command = args[0].text;
    const std::size_t count = args.size();
    if (command == L"--version" && count == 1)
        return std::printf("euftool %s\n", KF_VERSION_TEXT) < 0 ? 1 : 0;
    if (command == L"info" && count == 2) return Info(args[1]);
    if (command == L"list" && count == 2) return List(args[1]);
    if (command == L"show" && count == 3 && ParseCode(args[2]) > 0) return Show(args[1], ParseCode(args[2]));
    if (command == L"new" && count == 3 && ParseSize(args[2].text) > 0)
        return New(args[1], ParseSize(args[2].text));
    if (command == L"put" && count == 4 && ParseCode(args[2]) > 0)
        return Put(args[1], ParseCode(args[2]), args[3]);
    if (command == L"get" && count == 4 && ParseCode(args[2]) > 0)
        return Get(args[1], ParseCode(args[2]), args[3]);
    if (command == L"import") {
        // --fit may stand anywhere after the command.
        std::vector<Arg> rest;
        bool fit = false;
        for (std::size_t i = 1; i < count; ++i) {
            if (args[i].text == L"--fit")
                fit = true;
            else
                rest.push_back(args[i]);
        }
        if (rest.size() == 3 && ParseCode(rest[1]) > 0)
            return Import(rest[0], ParseCode(rest[1]), rest[2], fit);
        return UsageError();
    }
    if (command == L"sheet" && count == 3) return Sheet(args[1], args[2]);
    if (command == L"check" && count == 3) return Check(args[1], args[2]);
    if (command == L"font" && count == 3) return MakeFont(args[1], args[2]);
    if (command == L"rebuild-bitmap" && count == 4 && ParseSize(args[3].text) > 0)
        return RebuildBitmap(args[1], args[2], ParseSize(args[3].text));
    if (command == L"tte-show" && (count == 3 || count == 4) && ParseCode(args[2]) > 0 &&
        (count == 3 || ParseSize(args[3].text) > 0))
        return ShowFontGlyph(args[1], ParseCode(args[2]), count == 4 ? ParseSize(args[3].text) : 0);
    if (command == L"export" && count == 3) return Export(args[1], args[2]);
    return UsageError();
}

int RunGuarded(const std::vector<Arg>& args) {
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "euftool: %s\n", e.what());
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<Arg> args;
    for (int i = 1; i < argc; ++i) args.push_back({std::filesystem::path(argv[i]), argv[i]});
    return RunGuarded(args);
}
#else
int main(int argc, char** argv) {
    std::vector<Arg> args;
    for (int i = 1; i < argc; ++i) {
        // Codes and numbers are ASCII; other bytes widen to characters that no parser accepts.
        std::wstring text;
        for (const char* p = argv[i]; *p; ++p) text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        args.push_back({std::filesystem::path(argv[i]), text});
    }
    return RunGuarded(args);
}
#endif
