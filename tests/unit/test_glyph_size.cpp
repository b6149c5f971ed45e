#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/glyph_size.h"
#include "test_support.h"

TEST(GlyphSize, OnlySquareSidesOfWholeBytesUpTo256AreUsable) {
    for (int side : {8, 16, 48, 64, 128, 248, 256}) EXPECT_TRUE(IsUsableGlyphSize(side, side)) << side;
    // The header sizes that would allocate absurd planes or overlap rows, and the ones the start-up
    // check already refuses.
    const struct {
        int width, height;
    } refused[] = {{0, 0},     {-8, -8},       {4, 4},   {50, 50}, {63, 63}, {65, 65},  {264, 264},
                   {512, 512}, {65535, 65535}, {64, 48}, {48, 64}, {0, 64},  {256, 255}};
    for (const auto& size : refused) {
        EXPECT_FALSE(IsUsableGlyphSize(size.width, size.height)) << size.width << "x" << size.height;
    }
}

TEST(GlyphSize, EveryUsableSizeHoldsAWholeCharacterThroughTheReader) {
    // A usable size must give a file whose characters read back whole as one plane of N*N/8 bytes.
    const std::filesystem::path folder = MakeTestFolder("glyph_size");
    for (int side = kMinGlyphSize; side <= kMaxGlyphSize; side += kGlyphSizeStep) {
        ASSERT_TRUE(IsUsableGlyphSize(side, side));
        const std::filesystem::path file = folder / ("size" + std::to_string(side) + ".euf");
        ASSERT_TRUE(CreateEudcBitmapFile(file, side)) << side;
        std::vector<std::uint8_t> plane(static_cast<std::size_t>(side) * side / 8, 0xFF);
        plane.front() = 0x7F;
        plane.back() = 0xFE;
        ASSERT_TRUE(PutEudcBitmapRecord(file, 0xE000, plane)) << side;
        int width = 0, height = 0;
        std::vector<std::uint8_t> read;
        ASSERT_EQ(ReadEudcBitmap(file, 0xE000, width, height, &read), kEudcOk) << side;
        EXPECT_TRUE(IsUsableGlyphSize(width, height));
        EXPECT_EQ(read, plane) << side;
    }
    // The writer keeps to the same rule.
    EXPECT_FALSE(CreateEudcBitmapFile(folder / "odd.euf", 50));
    EXPECT_FALSE(CreateEudcBitmapFile(folder / "big.euf", 264));
    std::filesystem::remove_all(folder);
}
