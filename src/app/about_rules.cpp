#include "app/about_rules.h"

#include <algorithm>

#include "app/frame_rules.h"

std::wstring LinkTarget(std::wstring_view text, std::wstring_view moduleFolder) {
    const bool address = text.find(L"://") != std::wstring_view::npos;
    const bool fullPath = text.starts_with(L"\\\\") ||
                          (text.size() >= 3 && text[1] == L':' && (text[2] == L'\\' || text[2] == L'/'));
    if (address || fullPath || text.empty()) return std::wstring(text);
    return std::wstring(moduleFolder) + std::wstring(text);
}

int CountModifiedEditors(std::span<const std::wstring> titles) {
    return static_cast<int>(std::ranges::count_if(
        titles, [](const std::wstring& title) { return title.find(kModifiedMark) != std::wstring::npos; }));
}
