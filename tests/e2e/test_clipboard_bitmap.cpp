// The clipboard's bitmaps on the real GDI: what copy hands over reads back as the same dots, rows padded
// as a monochrome bitmap pads them, and a pasted bitmap taller than one band of GetDIBits is read band by
// band with every row in its place.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "win32/editor/clipboard_bitmap.h"

namespace {

// Reads a bitmap as a paste does, for a glyph of 64, and frees it.
PasteBitmap ReadAndDelete(HBITMAP bitmap) {
    PasteBitmap read;
    EXPECT_NE(bitmap, nullptr);
    EXPECT_TRUE(ReadClipboardBitmap(bitmap, 64, read));
    DeleteObject(bitmap);
    return read;
}

TEST(ClipboardBitmap, CopiedPictureReadsBackAndTallPicturesAreReadBandByBand) {
    // 17 by 5 (rows padded to two 16-bit words), a diagonal and the last column.
    OneBitImage picture(17, 5);
    for (int y = 0; y < 5; ++y) {
        picture.SetDot(y, y, true);
        picture.SetDot(16, y, true);
    }
    const PasteBitmap back = ReadAndDelete(CreateOneBitBitmap(picture));
    ASSERT_EQ(back.width, 17);
    ASSERT_EQ(back.height, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 17; ++x) EXPECT_EQ(back.IsBlack(x, y), picture.IsBlack(x, y)) << x << "," << y;
    }

    // 1 by 3000, 32 bits a pixel: more rows than one band. Ink on rows 0, 1500 and 2000 (in three
    // different bands) lands on dots 0, 32 and 42 of the 64 it shrinks to.
    const int height = 3000;
    std::vector<DWORD> pixels(height, 0x00FFFFFF);
    pixels[0] = pixels[1500] = pixels[2000] = 0x00000080;
    PasteBitmap shrunk = ReadAndDelete(CreateBitmap(1, height, 1, 32, pixels.data()));
    ASSERT_EQ(shrunk.width, 1);
    ASSERT_EQ(shrunk.height, 64);
    std::vector<int> inkRows;
    for (int y = 0; y < 64; ++y) {
        if (shrunk.IsBlack(0, y)) inkRows.push_back(y);
    }
    EXPECT_EQ(inkRows, (std::vector<int>{0, 32, 42}));

    EXPECT_FALSE(ReadClipboardBitmap(nullptr, 64, shrunk));
}

}  // namespace
