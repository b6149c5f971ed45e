#include "base/value_forms.h"

#include <cwchar>
#include <cwctype>

std::wstring ToLowerText(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return lower;
}

BOOL FlagFromText(std::wstring_view text) { return ToLowerText(text) == L"yes" ? TRUE : FALSE; }

std::optional<ColorRef> ParseColorText(std::wstring_view text) {
    const std::wstring copy(text);  // swscanf needs a terminated string
    unsigned red = 0, green = 0, blue = 0;
    if (std::swscanf(copy.c_str(), L"%x:%x:%x", &red, &green, &blue) != 3) return std::nullopt;
    return MakeColorRef(red, green, blue);
}

std::wstring FormatColorText(ColorRef color) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%x:%x:%x", ColorRed(color), ColorGreen(color), ColorBlue(color));
    return buffer;
}

std::optional<std::array<int, 4>> ParseRectText(std::wstring_view text) {
    const std::wstring copy(text);
    std::array<int, 4> rect{};
    if (std::swscanf(copy.c_str(), L"%i:%i:%i:%i", &rect[0], &rect[1], &rect[2], &rect[3]) != 4) {
        return std::nullopt;
    }
    return rect;
}

std::wstring FormatRectText(const std::array<int, 4>& rect) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, L"%d:%d:%d:%d", rect[0], rect[1], rect[2], rect[3]);
    return buffer;
}
