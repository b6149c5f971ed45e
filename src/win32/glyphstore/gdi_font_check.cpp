#include "win32/glyphstore/gdi_font_check.h"

CGdiFontCheck::~CGdiFontCheck() {
    if (m_dc && m_previous) SelectObject(m_dc.Get(), m_previous);
    m_font.Reset();
    if (m_bAdded) RemoveFontResourceExW(m_strFile.c_str(), FR_PRIVATE, nullptr);
}

bool CGdiFontCheck::Open(const std::wstring& fontFile, const std::wstring& faceName, int ppem,
                         std::wstring& error) {
    m_strFile = fontFile;
    m_nPpem = ppem;
    if (AddFontResourceExW(fontFile.c_str(), FR_PRIVATE, nullptr) == 0) {
        error = L"GDI does not take the font file " + fontFile;
        return false;
    }
    m_bAdded = true;
    m_dc.Reset(CreateCompatibleDC(nullptr));
    // A negative height asks for the em, not the cell: ppem pixels per em.
    m_font.Reset(CreateFontW(-ppem, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH,
                             faceName.c_str()));
    if (!m_dc || !m_font) {
        error = L"GDI cannot make the font " + faceName;
        return false;
    }
    m_previous = SelectObject(m_dc.Get(), m_font.Get());
    wchar_t selected[LF_FACESIZE] = {};
    GetTextFaceW(m_dc.Get(), LF_FACESIZE, selected);
    if (faceName != selected) {
        error = L"GDI chose the face " + std::wstring(selected) + L" instead of " + faceName;
        return false;
    }
    return true;
}

bool CGdiFontCheck::Dots(wchar_t code, int baselineRow, std::vector<std::uint8_t>& dots) {
    const int n = m_nPpem;
    dots.assign(static_cast<std::size_t>(n) * n / 8, 0xFF);
    WORD glyph = 0;
    if (GetGlyphIndicesW(m_dc.Get(), &code, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR ||
        glyph == 0xFFFF)
        return false;
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD size = GetGlyphOutlineW(m_dc.Get(), code, GGO_BITMAP, &metrics, 0, nullptr, &identity);
    if (size == GDI_ERROR) return false;
    if (size == 0) return true;  // a glyph without ink
    std::vector<std::uint8_t> bits(size);
    if (GetGlyphOutlineW(m_dc.Get(), code, GGO_BITMAP, &metrics, size, bits.data(), &identity) == GDI_ERROR)
        return false;
    // Rows of the black box, each padded to four bytes, 1 = ink; the box's top-left is gmptGlyphOrigin
    // from the pen's origin on the baseline (y upwards).
    const int pitch = static_cast<int>((metrics.gmBlackBoxX + 31) / 32 * 4);
    for (UINT row = 0; row < metrics.gmBlackBoxY; ++row) {
        const int y = baselineRow - metrics.gmptGlyphOrigin.y + static_cast<int>(row);
        for (UINT column = 0; column < metrics.gmBlackBoxX; ++column) {
            const int x = metrics.gmptGlyphOrigin.x + static_cast<int>(column);
            if (x < 0 || y < 0 || x >= n || y >= n) continue;
            if (bits[static_cast<std::size_t>(row) * pitch + column / 8] & (0x80 >> (column % 8)))
                dots[static_cast<std::size_t>(y) * (n / 8) + static_cast<std::size_t>(x / 8)] &=
                    static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
        }
    }
    return true;
}
