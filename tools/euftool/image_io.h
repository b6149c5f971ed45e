// Pictures in and out of euftool. Users keep their characters as ordinary images, so the tool reads and
// writes PBM everywhere and PNG where libpng is built in (the native build; the Windows tool is PBM only).
// The readers take files from anywhere: every size and count in them is checked, nothing is allocated in
// proportion to what the header claims, and the pixels are handed to a sink one at a time so that a huge
// picture costs no more memory than a small one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// Pictures wider or taller than this, or with more pixels than kMaxImagePixels, are refused.
inline constexpr std::int64_t kMaxImageSide = 65535;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;
// Files larger than this are not read.
inline constexpr std::uintmax_t kMaxImageFileBytes = 64u * 1024 * 1024;

// Receives a picture from a reader: its size first, then its ink pixels (dark pixels: anything but pure
// white, as the editor's paste sees them; fully transparent pixels count as white), each at most once.
class ImageSink {
  public:
    virtual ~ImageSink() = default;
    // False (with `error` set) stops the reader before any pixel is decoded.
    virtual bool Begin(std::int64_t width, std::int64_t height, std::string& error) = 0;
    virtual void Ink(std::int64_t x, std::int64_t y) = 0;
};

enum class ImageFormat { kUnknown, kPbm, kPng };

// By the file name's extension (.pbm, .png; any case).
ImageFormat ImageFormatFromPath(const std::filesystem::path& path);
// By the first bytes: the PNG signature, or P1/P4.
ImageFormat ImageFormatFromContent(std::span<const std::uint8_t> data);
// Whether this build reads and writes PNG.
bool PngSupported();

// Plain (P1) or raw (P4) PBM, 1 = black.
bool ReadPbm(std::span<const std::uint8_t> data, ImageSink& sink, std::string& error);
// Any bit depth and colour type, interlaced or not. Always fails where PngSupported() is false.
bool ReadPng(std::span<const std::uint8_t> data, ImageSink& sink, std::string& error);

// A picture to write: 8-bit grey levels, 0 = black, 255 = white, rows top to bottom.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Raw PBM (P4); every pixel that is not pure white is black.
std::vector<std::uint8_t> EncodePbm(const GreyImage& image);
// Grey PNG: one bit a pixel when the picture is only black and white, eight otherwise.
bool EncodePng(const GreyImage& image, std::vector<std::uint8_t>& out, std::string& error);

bool ReadFileBytes(const std::filesystem::path& path, std::uintmax_t limit, std::vector<std::uint8_t>& data,
                   std::string& error);
bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                    std::string& error);
