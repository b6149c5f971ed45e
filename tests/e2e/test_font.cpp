// What Windows itself shows of the fonts we write: GDI's own rasteriser (AddFontResourceExW for this
// process, GetGlyphOutlineW GGO_BITMAP at N pixels per em) against the dots they were made of, and against
// our rasteriser.
#include <gtest/gtest.h>

#include <random>

#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_writer.h"
#include "win32/glyphstore/gdi_font_check.h"
#include "harness.h"

using namespace e2e;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Ink(Bytes& dots, int size, int x, int y) {
    if (x >= 0 && y >= 0 && x < size && y < size)
        dots[static_cast<std::size_t>(y) * (size / 8) + static_cast<std::size_t>(x / 8)] &=
            static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
}

// Noise of several densities, rings, diagonals, dots meeting at corners and the cell's edges.
std::vector<Bytes> Drawings(int size) {
    std::mt19937 random(static_cast<unsigned>(size));
    std::vector<Bytes> drawings;
    for (int i = 0; i < 24; ++i) {
        Bytes dots(static_cast<std::size_t>(size) * size / 8, 0xFF);
        switch (i % 4) {
            case 0: {
                std::bernoulli_distribution ink(0.1 + 0.1 * (i % 6));
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        if (ink(random)) Ink(dots, size, x, y);
                break;
            }
            case 1:
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x) {
                        const int dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
                        const int r2 = (dx * dx + dy * dy) / 4, r = size / 3;
                        if (r2 < r * r && r2 >= (r - 2 - i % 3) * (r - 2 - i % 3)) Ink(dots, size, x, y);
                    }
                break;
            case 2:
                for (int k = 0; k < size; ++k) {
                    Ink(dots, size, k, k);
                    Ink(dots, size, size - 1 - k, (k * 3 + i) % size);
                }
                break;
            default:
                for (int k = 0; k < size; ++k) {
                    Ink(dots, size, k, 0);
                    Ink(dots, size, 0, k);
                    Ink(dots, size, k, size - 1);
                    Ink(dots, size, size - 1, k);
                }
                for (int y = 2; y < size - 2; y += 2)
                    for (int x = 2 + (y / 2) % 2; x < size - 2; x += 2) Ink(dots, size, x, y);
                break;
        }
        drawings.push_back(std::move(dots));
    }
    return drawings;
}

TEST(FontGdi, WindowsShowsTheDotsOurFontsWereMadeOf) {
    TestFolder folder;
    int glyphs = 0, differing = 0;
    for (int size : {16, 32, 64}) {
        SCOPED_TRACE(size);
        const std::vector<Bytes> drawings = Drawings(size);
        std::vector<TteCharacter> characters;
        for (std::size_t i = 0; i < drawings.size(); ++i)
            characters.push_back({0xE000 + static_cast<int>(i), drawings[i]});
        Bytes bytes;
        std::string error;
        ASSERT_EQ(BuildTteFont(size, characters, TteTimeNow(), bytes, error), kTteOk) << error;
        const std::wstring file = folder.WriteBytes(L"EUDC" + std::to_wstring(size) + L".TTE", bytes);
        TteFont font;
        ASSERT_EQ(font.Load(bytes), kTteOk);
        const int baseline = StandardPlacement(font, size).baselineRow;
        CGdiFontCheck gdi;
        std::wstring why;
        ASSERT_TRUE(gdi.Open(file, kTteFamilyName, size, why)) << Narrow(why);
        for (std::size_t i = 0; i < drawings.size(); ++i) {
            const wchar_t code = static_cast<wchar_t>(0xE000 + i);
            Bytes shown, ours;
            ASSERT_TRUE(gdi.Dots(code, baseline, shown)) << i;
            ASSERT_EQ(RasterizeCode(font, code, size, ours), kTteOk);
            int dots = 0;
            for (std::size_t b = 0; b < shown.size(); ++b)
                for (int bit = 0; bit < 8; ++bit) dots += ((shown[b] ^ drawings[i][b]) >> bit) & 1;
            differing += dots;
            ++glyphs;
            EXPECT_EQ(dots, 0) << "character " << i << " at " << size;
            EXPECT_EQ(ours, drawings[i]);
        }
    }
    std::printf("GDI: %d glyphs at 16, 32 and 64 dots, %d dots differ from the drawings\n", glyphs,
                differing);
}

}  // namespace
