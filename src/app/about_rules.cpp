#include "app/about_rules.h"

#include <algorithm>

#include "app/frame_rules.h"

int CountModifiedEditors(std::span<const std::wstring> titles) {
    return static_cast<int>(std::ranges::count_if(
        titles, [](const std::wstring& title) { return title.find(kModifiedMark) != std::wstring::npos; }));
}
