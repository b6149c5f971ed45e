#include "viewer/viewer_rules.h"

#include <algorithm>

#include "base/dpi_scale.h"
#include "base/value_forms.h"
#include "glyphstore/code_input.h"
#include "glyphstore/char_code.h"
#include "viewer/viewer_grid.h"

namespace {
constexpr wchar_t kCellSizeKey[] = L"CellSize";
constexpr wchar_t kCellSizeDpiKey[] = L"CellSizeDpi";
constexpr wchar_t kWindowPosKey[] = L"ViewerWindowPos";
constexpr wchar_t kWindowDpiKey[] = L"ViewerWindowDpi";
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

int ViewerSettings::CellSizeAt(int dpi) const {
    return ViewerGrid::ClampCellSize(ScaleBetweenDpi(cellSize, cellSizeDpi, dpi));
}

std::array<int, 4> ViewerSettings::WindowRectAt(int dpi) const {
    if (!windowRect) return {};
    const auto& r = *windowRect;
    return {r[0], r[1], r[0] + ScaleBetweenDpi(r[2] - r[0], windowDpi, dpi),
            r[1] + ScaleBetweenDpi(r[3] - r[1], windowDpi, dpi)};
}

ViewerSettings LoadViewerSettings(IProfileStore& store, int dpi) {
    ViewerSettings settings;
    // A stored DPI no screen has counts as 96, as an absent one does.
    const int stored = store.GetProfileInt(kViewerSection, kCellSizeKey, 0);
    if (stored == 0) {
        settings.cellSizeDpi = SaneDpi(dpi);
        settings.cellSize = ViewerGrid::DefaultCellSize(settings.cellSizeDpi);
    } else {
        settings.cellSizeDpi = SaneDpi(store.GetProfileInt(kViewerSection, kCellSizeDpiKey, kBaseDpi));
        settings.cellSize = ViewerGrid::ClampCellSize(stored);
    }
    const auto rect = ParseRectText(store.GetProfileString(kViewerSection, kWindowPosKey, L""));
    if (rect && (*rect)[2] > (*rect)[0] && (*rect)[3] > (*rect)[1]) settings.windowRect = rect;
    settings.windowDpi = SaneDpi(store.GetProfileInt(kViewerSection, kWindowDpiKey, kBaseDpi));
    return settings;
}

void SaveViewerCellSize(IProfileStore& store, int cellSize, int dpi) {
    store.WriteProfileInt(kViewerSection, kCellSizeKey, ViewerGrid::ClampCellSize(cellSize));
    store.WriteProfileInt(kViewerSection, kCellSizeDpiKey, SaneDpi(dpi));
}

void SaveViewerWindowRect(IProfileStore& store, const std::array<int, 4>& rect, int dpi) {
    store.WriteProfileString(kViewerSection, kWindowPosKey, FormatRectText(rect).c_str());
    store.WriteProfileInt(kViewerSection, kWindowDpiKey, SaneDpi(dpi));
}

ViewerBarLayout LayoutViewerBar(int dpi, int labelTextWidth) {
    dpi = SaneDpi(dpi);
    ViewerBarLayout bar;
    bar.height = ScaleForDpi(28, dpi);
    const int labelLeft = ScaleForDpi(4, dpi);
    // A little room after the text, as a static control wants it.
    const int labelWidth = std::max(ScaleForDpi(44, dpi), labelTextWidth + ScaleForDpi(4, dpi));
    bar.label = {labelLeft, 0, labelLeft + labelWidth, bar.height};
    const int sliderLeft = bar.label.right + ScaleForDpi(4, dpi);
    bar.slider = {sliderLeft, ScaleForDpi(2, dpi), sliderLeft + ScaleForDpi(220, dpi),
                  bar.height - ScaleForDpi(2, dpi)};
    return bar;
}

std::array<int, 2> ViewerStatusParts(int width, int dpi) {
    return {std::min(ScaleForDpi(260, dpi), width / 3), std::max(width - ScaleForDpi(150, dpi), width / 2)};
}

int ViewerDefaultWidth(int dpi) {
    const int size = ViewerGrid::DefaultCellSize(dpi);
    return ViewerGrid(0xE000, 0xE000, size, dpi).GridWidth() + ScaleForDpi(60, dpi);
}

int ViewerDefaultHeight(int dpi) { return ScaleForDpi(600, dpi); }
