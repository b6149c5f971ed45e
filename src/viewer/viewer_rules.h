// The browser's small decisions that need no window: which code an editor's title shows, what a code typed
// for "go to" names, the browser's own section of the settings file, and the command line that starts an
// editor at a code.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/profile_store.h"
#include "viewer/viewer_grid.h"

// An editor's title reads "<font path>　[ CODE= E000 ]" (with "-<更新>" after it while modified): the code it
// shows, or -1 when the title shows none (" - " before a code is open) or is not an editor's title. The
// last "[ CODE= " counts, since a font path may itself contain those characters.
int CodeFromEditorTitle(std::wstring_view title);

// A code typed into the go-to dialog, with the code dialog's rules for the chosen type (0 Unicode,
// 1 Shift-JIS); blanks around it are forgiven. The Unicode code, or -1.
int ParseGoToCode(std::wstring_view text, int codeType);

// The editor's command line for a code: the quoted program path and the code.
std::wstring EditorCommandLine(std::wstring_view moduleFolder, int code);

inline constexpr wchar_t kViewerSection[] = L"KanjiviewerSettings";

// "CellSize" (the pictures' side) and the size of "ViewerWindowPos" are screen pixels at the DPI stored
// beside them ("CellSizeDpi", "ViewerWindowDpi"; 96 when absent, as files of earlier versions were
// written at 96 DPI). The window's left and top are desktop coordinates and are kept as they are.
struct ViewerSettings {
    int cellSize = kDefaultCellSize;
    int cellSizeDpi = 96;
    // left:top:right:bottom of the window in screen pixels, when stored and sound.
    std::optional<std::array<int, 4>> windowRect;
    int windowDpi = 96;

    // The cell size for a window on a screen of `dpi`, clamped to 16..128.
    int CellSizeAt(int dpi) const;
    // The window rectangle for a screen of `dpi`: the same left and top, the size scaled.
    std::array<int, 4> WindowRectAt(int dpi) const;
};

// Reads the browser's section: a cell size outside 16..128 is clamped, a window rectangle that does not parse
// or has no size is dropped (the system then places the window). Without a stored cell size the first
// start's size for `dpi` is taken, at `dpi`.
ViewerSettings LoadViewerSettings(IProfileStore& store, int dpi);
void SaveViewerCellSize(IProfileStore& store, int cellSize, int dpi);
void SaveViewerWindowRect(IProfileStore& store, const std::array<int, 4>& rect, int dpi);

// The strip above the grid (the size label and slider) and the status bar's parts, at a DPI.
struct ViewerBarLayout {
    int height = 0;
    GridRect label;
    GridRect slider;
};
// labelTextWidth: the label's text as it is drawn; the label is never narrower.
ViewerBarLayout LayoutViewerBar(int dpi, int labelTextWidth);
// The right edges of the first two parts (prompt, file state) for a bar `width` pixels wide; the code
// under the mouse takes the rest.
std::array<int, 2> ViewerStatusParts(int width, int dpi);
// The window's width on a first start: sixteen cells of the first start's size and the scroll bar.
int ViewerDefaultWidth(int dpi);
int ViewerDefaultHeight(int dpi);
