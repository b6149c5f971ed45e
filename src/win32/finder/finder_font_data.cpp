#include "win32/finder/finder_font_data.h"

#include <windows.h>

#include <algorithm>

#include "finder/font_collection.h"
#include "win32/platform/handles.h"

namespace {

constexpr DWORD TableTag(char a, char b, char c, char d) {
    // GetFontData takes the tag's bytes in file order, read as a little-endian number.
    return static_cast<DWORD>(static_cast<unsigned char>(a)) |
           static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
           static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 |
           static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) {
    ++*reinterpret_cast<int*>(data);
    return 0;
}

// A memory device context with the face selected at a size its whole font is read at.
class FaceContext {
  public:
    explicit FaceContext(const std::wstring& face) : m_dc(CreateCompatibleDC(nullptr)) {
        LOGFONTW font = {};
        font.lfHeight = -64;
        font.lfCharSet = DEFAULT_CHARSET;
        face.copy(font.lfFaceName, LF_FACESIZE - 1);
        m_font.Reset(CreateFontIndirectW(&font));
        if (m_dc && m_font) m_old = SelectObject(m_dc, m_font.Get());
    }
    ~FaceContext() {
        if (m_dc && m_old) SelectObject(m_dc, m_old);
        if (m_dc) DeleteDC(m_dc);
    }
    FaceContext(const FaceContext&) = delete;
    FaceContext& operator=(const FaceContext&) = delete;
    HDC Get() const { return m_old ? m_dc : nullptr; }

  private:
    HDC m_dc;
    UniqueFont m_font;
    HGDIOBJ m_old = nullptr;
};

bool ReadFontData(HDC dc, DWORD table, DWORD offset, DWORD length, std::vector<std::uint8_t>& bytes) {
    bytes.assign(length, 0);
    return length == 0 || GetFontData(dc, table, offset, bytes.data(), length) == length;
}

}  // namespace

bool IsFaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    int count = 0;
    EnumFontFamiliesExW(screen, &wanted, CountFace, reinterpret_cast<LPARAM>(&count), 0);
    ReleaseDC(nullptr, screen);
    if (count > 0) return true;
    // A face the system maps onto a font of another name (a substitute) is not always listed under its own
    // name; GDI then still names it when it selects it.
    FaceContext context(face);
    wchar_t selected[LF_FACESIZE] = {};
    return context.Get() != nullptr && GetTextFaceW(context.Get(), LF_FACESIZE, selected) > 0 &&
           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, selected, -1, face.c_str(), -1) == CSTR_EQUAL;
}

std::vector<std::wstring> StandardFinderFaces(const std::wstring& templateFace) {
    std::vector<std::wstring> faces;
    for (const std::wstring& face :
         {templateFace, std::wstring(L"ＭＳ 明朝"), std::wstring(L"ＭＳ ゴシック"),
          std::wstring(L"IPAmj明朝"), std::wstring(L"HanaMinA"), std::wstring(L"HanaMinB")}) {
        if (!face.empty() && std::find(faces.begin(), faces.end(), face) == faces.end() &&
            IsFaceInstalled(face))
            faces.push_back(face);
    }
    return faces;
}

bool FetchFaceFontData(const std::wstring& face, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (!IsFaceInstalled(face)) {
        error = "no such font is installed";
        return false;
    }
    FaceContext context(face);
    HDC dc = context.Get();
    if (dc == nullptr) {
        error = "the font cannot be selected";
        return false;
    }
    const DWORD collection = TableTag('t', 't', 'c', 'f');
    const DWORD collectionSize = GetFontData(dc, collection, 0, nullptr, 0);
    if (collectionSize != GDI_ERROR && collectionSize != 0) {
        // One font of a collection: GDI gives the whole collection and, from the start (table 0), the table
        // directory of the font selected, by which that font is found in the collection.
        std::vector<std::uint8_t> whole, head;
        if (!ReadFontData(dc, collection, 0, collectionSize, whole) || !ReadFontData(dc, 0, 0, 12, head)) {
            error = "the font collection cannot be read";
            return false;
        }
        const DWORD tables = (static_cast<DWORD>(head[4]) << 8) | head[5];
        std::vector<std::uint8_t> directory;
        if (!ReadFontData(dc, 0, 0, 12 + 16 * tables, directory)) {
            error = "the font collection cannot be read";
            return false;
        }
        return CollectionMemberFont(whole, directory, bytes, error);
    }
    const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0 || !ReadFontData(dc, 0, 0, size, bytes)) {
        error = "the font is not a TrueType font";
        bytes.clear();
        return false;
    }
    return true;
}
