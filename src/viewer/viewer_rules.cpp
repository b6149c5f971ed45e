#include "viewer/viewer_rules.h"

#include <algorithm>

#include "base/value_forms.h"
#include "glyphstore/code_input.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "viewer/viewer_grid.h"

namespace {
constexpr wchar_t kCellSizeKey[] = L"CellSize";
constexpr wchar_t kWindowPosKey[] = L"ViewerWindowPos";
}  // namespace

int CodeFromEditorTitle(std::wstring_view title) {
    constexpr std::wstring_view kMarker = L"[ CODE= ";
    const std::size_t at = title.rfind(kMarker);
    if (at == std::wstring_view::npos) return -1;
    const std::wstring_view rest = title.substr(at + kMarker.size());
    if (rest.size() < 6 || rest.substr(4, 2) != L" ]") return -1;
    const int code = ParseCodeText(rest.substr(0, 4));
    return IsUnicodeEudcCode(code) ? code : -1;
}

int ParseGoToCode(std::wstring_view text, int codeType) {
    constexpr std::wstring_view kBlanks = L" \t\u3000";
    const std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::wstring_view::npos) return -1;
    const std::size_t end = text.find_last_not_of(kBlanks);
    return AcceptCodeInput(text.substr(begin, end - begin + 1), codeType);
}

std::wstring EditorCommandLine(std::wstring_view moduleFolder, int code) {
    return L"\"" + std::wstring(moduleFolder) + L"Kanjiforge.exe\" " + FormatCodeText(code);
}

ViewerSettings LoadViewerSettings(IProfileStore& store) {
    ViewerSettings settings;
    settings.cellSize =
        ViewerGrid::ClampCellSize(store.GetProfileInt(kViewerSection, kCellSizeKey, kDefaultCellSize));
    const auto rect = ParseRectText(store.GetProfileString(kViewerSection, kWindowPosKey, L""));
    const auto onAnyScreen = [](int v) { return v >= -kMaxWindowCoordinate && v <= kMaxWindowCoordinate; };
    if (rect && std::ranges::all_of(*rect, onAnyScreen) && (*rect)[2] > (*rect)[0] && (*rect)[3] > (*rect)[1])
        settings.windowRect = rect;
    return settings;
}

bool ReloadRetries::RetryAfter(int readResult) {
    if (readResult != kEudcCannotOpen || m_nLeft <= 0) return false;
    --m_nLeft;
    return true;
}

void SaveViewerCellSize(IProfileStore& store, int cellSize) {
    store.WriteProfileInt(kViewerSection, kCellSizeKey, ViewerGrid::ClampCellSize(cellSize));
}

void SaveViewerWindowRect(IProfileStore& store, const std::array<int, 4>& rect) {
    store.WriteProfileString(kViewerSection, kWindowPosKey, FormatRectText(rect).c_str());
}
