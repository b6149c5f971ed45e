// What Windows itself shows of an EUDC font: the font is added for this process only
// (AddFontResourceExW, FR_PRIVATE) and each glyph drawn by GDI's own rasteriser (GetGlyphOutlineW,
// GGO_BITMAP) at N pixels per em, then placed on the N by N dots the way the bitmap file keeps them. The
// check that our fonts show the same dots on Windows as our own rasteriser says they do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win32/platform/handles.h"

class CGdiFontCheck {
  public:
    CGdiFontCheck() = default;
    ~CGdiFontCheck();
    CGdiFontCheck(const CGdiFontCheck&) = delete;
    CGdiFontCheck& operator=(const CGdiFontCheck&) = delete;

    // Adds the font file for this process and selects its face `faceName` at `ppem` pixels per em; false,
    // with `error` set, when GDI does not take the file or the face.
    bool Open(const std::wstring& fontFile, const std::wstring& faceName, int ppem, std::wstring& error);
    // The glyph of `code` as GDI draws it, on ppem by ppem dots (ppem / 8 bytes a row, bit 0 black) with
    // the baseline `baselineRow` rows below the top; false when GDI has no glyph for it.
    bool Dots(wchar_t code, int baselineRow, std::vector<std::uint8_t>& dots);

  private:
    std::wstring m_strFile;
    bool m_bAdded = false;
    int m_nPpem = 0;
    UniqueDC m_dc;
    UniqueFont m_font;
    HGDIOBJ m_previous = nullptr;
};
