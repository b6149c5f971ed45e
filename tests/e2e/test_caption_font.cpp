// Wine draws the caption buttons (minimise, maximise, close) with the Marlett symbol font; without
// it they come out as the letters "0 1 r". The font comes from Debian's fonts-wine, which
// scripts/setup installs: this catches a machine or prefix that lost it.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return 1;
}

TEST(CaptionFont, MarlettIsInstalledAndChosenForItsName) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(wanted.lfFaceName, L"Marlett");
    int faces = 0;
    EnumFontFamiliesExW(dc, &wanted, CountFace, reinterpret_cast<LPARAM>(&faces), 0);
    EXPECT_GT(faces, 0) << "no Marlett font: is fonts-wine installed?";

    wanted.lfHeight = -13;
    wanted.lfCharSet = SYMBOL_CHARSET;
    HFONT font = CreateFontIndirectW(&wanted);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    EXPECT_EQ(Narrow(face), "Marlett") << "the caption buttons would be drawn with a stand-in font";
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

}  // namespace
