// The finder's fonts as GDI hands them over, in this process: a face's whole font file, one font of a
// collection made a font of its own, a substitute face giving the font it stands for, and a face that is not
// installed refused. The prefix maps the Japanese faces to Debian's IPA fonts and sees the Hanazono, IPAmj
// and Noto CJK fonts of the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "glyphstore/tte_font.h"
#include "win32/finder/finder_font_data.h"
#include "harness.h"

using namespace e2e;

namespace {

std::uintmax_t FileSize(const wchar_t* path) {
    std::error_code failed;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), failed);
    return failed ? 0 : size;
}

}  // namespace

TEST(FinderFonts, FacesGiveTheFontsGdiDrawsWithAndUnknownFacesAreRefused) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    // A font file of its own: exactly its bytes.
    ASSERT_TRUE(FetchFaceFontData(L"HanaMinB", bytes, error)) << error;
    EXPECT_EQ(bytes.size(), FileSize(L"Z:\\usr\\share\\fonts\\truetype\\hanazono\\HanaMinB.ttf"));
    TteFont font;
    ASSERT_EQ(font.Load(bytes), kTteOk) << font.Error();
    EXPECT_GT(font.GlyphForCode(0x2A6B2), 0);

    // The template face is a substitute: the font it stands for.
    ASSERT_TRUE(FetchFaceFontData(L"ＭＳ 明朝", bytes, error)) << error;
    EXPECT_EQ(bytes.size(), FileSize(L"Z:\\usr\\share\\fonts\\opentype\\ipafont-mincho\\ipam.ttf"));

    // One font of a collection: smaller than the collection, beginning with its own directory.
    ASSERT_TRUE(FetchFaceFontData(L"Noto Serif CJK JP", bytes, error)) << error;
    const auto collection = FileSize(L"Z:\\usr\\share\\fonts\\opentype\\noto\\NotoSerifCJK-Regular.ttc");
    EXPECT_GT(bytes.size(), 1000000u);
    EXPECT_LT(bytes.size(), collection);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 4, "OTTO"));

    EXPECT_FALSE(FetchFaceFontData(L"No Such Face Anywhere", bytes, error));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(error.empty());

    const std::vector<std::wstring> standard = StandardFinderFaces(L"ＭＳ 明朝");
    for (const wchar_t* face : {L"ＭＳ 明朝", L"ＭＳ ゴシック", L"IPAmj明朝", L"HanaMinA", L"HanaMinB"})
        EXPECT_NE(std::find(standard.begin(), standard.end(), face), standard.end()) << Narrow(face);
    EXPECT_EQ(StandardFinderFaces(L"No Such Face Anywhere").size(), standard.size());
}
