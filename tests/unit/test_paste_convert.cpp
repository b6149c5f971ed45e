#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "editor/paste_convert.h"
#include "sample_images.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Frame(int x, int y) { return x == 0 || y == 0 || x == 10 || x == y || (x == 7 && y == 2); }

void ExpectPicture(const PasteBitmap& out, int width, int height, const InkAt& ink) {
    ASSERT_EQ(out.width, width);
    ASSERT_EQ(out.height, height);
    ASSERT_EQ(out.bytes.size(), out.RowBytes() * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(out.IsBlack(x, y), ink(x, y)) << x << "," << y;
}

void Set32(Bytes& dib, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) dib.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(PasteConvert, EveryDepthHeaderAndCompressionGivesTheSameDots) {
    const DibShape shapes[] = {
        {11, 9, 1, 0, 40, false, false},   {11, 9, 4, 0, 40, false, true},   {11, 9, 8, 0, 40, true, false},
        {11, 9, 16, 0, 40, false, true},   {11, 9, 24, 0, 40, true, true},   {11, 9, 32, 0, 40, false, false},
        {11, 9, 8, 1, 40, false, true},    {11, 9, 4, 2, 40, false, false},  {11, 9, 16, 3, 40, true, false},
        {11, 9, 32, 3, 40, false, true},   {11, 9, 16, 3, 52, false, false}, {11, 9, 32, 3, 56, true, false},
        {11, 9, 24, 0, 108, false, false}, {11, 9, 32, 3, 124, true, true},  {11, 9, 8, 0, 12, false, false},
        {11, 9, 24, 0, 12, false, true},
    };
    for (const DibShape& shape : shapes) {
        SCOPED_TRACE(testing::Message()
                     << shape.bitCount << " bits, compression " << shape.compression << ", header "
                     << shape.headerSize << (shape.topDown ? ", top-down" : ""));
        PasteBitmap out;
        ASSERT_EQ(ConvertPastedDib(MakeDib(shape, Frame), 64, out), kDibOk);
        ExpectPicture(out, 11, 9, Frame);
    }
}

TEST(PasteConvert, OnlyPureWhiteStaysWhite) {
    // 24 bits: one pixel a hair off white; 8 bits: a palette whose white is at index 1 and a near white at 2.
    Bytes dib = MakeDib({3, 1, 24, 0, 40, false, false}, [](int, int) { return false; });
    dib[40 + 3] = 0xFE;  // blue of pixel (1, 0)
    PasteBitmap out;
    ASSERT_EQ(ConvertPastedDib(dib, 64, out), kDibOk);
    ExpectPicture(out, 3, 1, [](int x, int) { return x == 1; });

    Bytes indexed = MakeDib({4, 1, 8, 0, 40, false, false}, [](int x, int) { return x == 0; });
    indexed[40 + 4 * 2] = 0xFE;     // palette entry 2 is now (255, 255, 254)
    indexed[40 + 4 * 256 + 2] = 2;  // pixel 2 uses it
    indexed[40 + 4 * 256 + 3] = 1;  // pixel 3 is white
    ASSERT_EQ(ConvertPastedDib(indexed, 64, out), kDibOk);
    ExpectPicture(out, 4, 1, [](int x, int) { return x == 0 || x == 2; });
}

TEST(PasteConvert, LargePicturesShrinkAxisByAxis) {
    // 100 by 50 becomes 64 by 50: every source pixel lands somewhere, and a dot is black when any of its
    // source pixels is.
    PasteBitmap out;
    const auto corner = [](int x, int y) { return x == 99 && y == 49; };
    ASSERT_EQ(ConvertPastedDib(MakeDib({100, 50, 24, 0, 40, false, false}, corner), 64, out), kDibOk);
    ExpectPicture(out, 64, 50, [](int x, int y) { return x == 63 && y == 49; });

    const auto dot = [](int x, int y) { return x == 1 && y == 1; };
    ASSERT_EQ(ConvertPastedDib(MakeDib({128, 200, 1, 0, 40, false, false}, dot), 64, out), kDibOk);
    ExpectPicture(out, 64, 64, [](int x, int y) { return x == 0 && y == 0; });

    // A picture of the glyph size or smaller is copied dot for dot.
    ASSERT_EQ(ConvertPastedDib(MakeDib({16, 16, 4, 0, 40, false, false}, Frame), 16, out), kDibOk);
    ExpectPicture(out, 16, 16, Frame);
}

TEST(PasteConvert, RunLengthDeltasAbsoluteRunsAndClipping) {
    // RLE8, 6 by 3: row 0 (the bottom): absolute run of 3 pixels (ink, white, ink) then a run of 9 ink pixels
    // that runs past the row end; a delta to (1, 2); one ink pixel; no end-of-bitmap mark.
    Bytes dib = MakeDib({6, 3, 8, 1, 40, false, false}, [](int, int) { return false; });
    dib.resize(40 + 4 * 256);
    for (std::uint8_t b : {0, 3, 0, 1, 0, 0, 9, 0, 0, 0, 0, 2, 1, 1, 1, 0}) dib.push_back(b);
    PasteBitmap out;
    ASSERT_EQ(ConvertPastedDib(dib, 64, out), kDibOk);
    ExpectPicture(out, 6, 3, [](int x, int y) { return (y == 2 && x != 1) || (y == 0 && x == 1); });
}

// A 32-bit picture with an alpha channel (a version 4 or 5 header's alpha mask, or alpha bit fields):
// fully transparent pixels are background whatever their colour; any other pixel that is not pure white is
// ink. A picture whose alpha is zero everywhere carries no alpha at all (as GDI's 32-bit bitmaps do), so
// its colours decide alone.
TEST(PasteConvert, TransparentPixelsAreBackgroundWhenThePictureHasAlpha) {
    // 4 by 1, top-down: transparent black, opaque black, half-transparent red, opaque white.
    const auto v5 = [](std::uint32_t compression, const std::vector<std::uint32_t>& pixels) {
        Bytes dib(124 + 4 * pixels.size(), 0);
        Set32(dib, 0, 124);
        Set32(dib, 4, static_cast<std::uint32_t>(pixels.size()));
        Set32(dib, 8, static_cast<std::uint32_t>(-1));
        dib[12] = 1;
        dib[14] = 32;
        Set32(dib, 16, compression);
        Set32(dib, 40, 0x00FF0000);
        Set32(dib, 44, 0x0000FF00);
        Set32(dib, 48, 0x000000FF);
        Set32(dib, 52, 0xFF000000);
        for (std::size_t i = 0; i < pixels.size(); ++i) Set32(dib, 124 + 4 * i, pixels[i]);
        return dib;
    };
    const std::vector<std::uint32_t> pixels = {0x00000000, 0xFF000000, 0x80FF0000, 0xFFFFFFFF};
    PasteBitmap out;
    for (const std::uint32_t compression : {0u, 3u}) {
        ASSERT_EQ(ConvertPastedDib(v5(compression, pixels), 64, out), kDibOk);
        ExpectPicture(out, 4, 1, [](int x, int) { return x == 1 || x == 2; });
    }
    // Alpha zero everywhere: the colours decide, so black is ink.
    ASSERT_EQ(ConvertPastedDib(v5(3, {0x00000000, 0x00FFFFFF, 0x00FF0000}), 64, out), kDibOk);
    ExpectPicture(out, 3, 1, [](int x, int) { return x != 1; });

    // Alpha bit fields after a plain info header: the fourth mask is alpha.
    Bytes fields(40 + 16 + 4 * 2, 0);
    Set32(fields, 0, 40);
    Set32(fields, 4, 2);
    Set32(fields, 8, 1);
    fields[12] = 1;
    fields[14] = 32;
    Set32(fields, 16, 6);
    Set32(fields, 40, 0x00FF0000);
    Set32(fields, 44, 0x0000FF00);
    Set32(fields, 48, 0x000000FF);
    Set32(fields, 52, 0xFF000000);
    Set32(fields, 56, 0x00000000);  // transparent black
    Set32(fields, 60, 0xFF000000);  // opaque black
    ASSERT_EQ(ConvertPastedDib(fields, 64, out), kDibOk);
    ExpectPicture(out, 2, 1, [](int x, int) { return x == 1; });
}

TEST(PasteConvert, HostileHeadersAreRefusedWithTheirResult) {
    const Bytes good = MakeDib({8, 8, 8, 0, 40, false, false}, Frame);
    PasteBitmap out;
    const auto convert = [&](Bytes dib) { return ConvertPastedDib(dib, 64, out); };
    EXPECT_EQ(convert(Bytes(good.begin(), good.begin() + 3)), kDibTooShort);
    EXPECT_EQ(convert(Bytes(good.begin(), good.begin() + 39)), kDibTooShort);
    Bytes dib = good;
    Set32(dib, 0, 41);
    EXPECT_EQ(convert(dib), kDibBadHeader);
    dib = good;
    dib[12] = 2;  // planes
    EXPECT_EQ(convert(dib), kDibBadHeader);
    EXPECT_EQ(ConvertPastedDib(good, 0, out), kDibBadHeader);
    EXPECT_EQ(ConvertPastedDib(good, 257, out), kDibBadHeader);
    for (std::uint32_t width : {0u, 0x80000000u}) {
        dib = good;
        Set32(dib, 4, width);
        EXPECT_EQ(convert(dib), kDibBadSize) << width;
    }
    dib = good;
    Set32(dib, 8, 0);
    EXPECT_EQ(convert(dib), kDibBadSize);
    dib = good;
    Set32(dib, 8, 0x80000000u);  // INT_MIN: no positive height
    EXPECT_NE(convert(dib), kDibOk);
    dib = good;
    dib[14] = 2;  // two bits a pixel
    EXPECT_EQ(convert(dib), kDibBadBitCount);
    for (std::uint32_t compression : {4u, 5u, 11u, 0xFFFFFFFFu}) {
        dib = good;
        Set32(dib, 16, compression);
        EXPECT_EQ(convert(dib), kDibUnsupportedCompression) << compression;
    }
    dib = MakeDib({8, 8, 8, 1, 40, false, false}, Frame);
    Set32(dib, 8, static_cast<std::uint32_t>(-8));  // run-length bitmaps cannot be top-down
    EXPECT_EQ(convert(dib), kDibBadSize);
    dib = good;
    Set32(dib, 32, 257);  // more colours than 8 bits can index
    EXPECT_EQ(convert(dib), kDibBadPalette);
    EXPECT_EQ(convert(Bytes(good.begin(), good.begin() + 40 + 4 * 255)), kDibBadPalette);
    EXPECT_EQ(convert(Bytes(good.begin(), good.end() - 1)), kDibPixelsShort);
    // A huge size claimed by a small bitmap is refused before any pixel is looked at.
    dib = good;
    Set32(dib, 4, 0x7FFFFFFF);
    Set32(dib, 8, 0x7FFFFFFF);
    EXPECT_EQ(convert(dib), kDibPixelsShort);
    EXPECT_TRUE(out.bytes.empty());
    EXPECT_EQ(out.width, 0);
}

}  // namespace
