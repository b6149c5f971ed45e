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

struct ViewerSettings {
    int cellSize = kDefaultCellSize;
    // left:top:right:bottom of the window in screen pixels, when stored and sound.
    std::optional<std::array<int, 4>> windowRect;
};

// Reads the browser's section: a cell size outside 16..128 is clamped, a window rectangle that does not parse
// or has no size is dropped (the system then places the window).
ViewerSettings LoadViewerSettings(IProfileStore& store);
void SaveViewerCellSize(IProfileStore& store, int cellSize);
void SaveViewerWindowRect(IProfileStore& store, const std::array<int, 4>& rect);
