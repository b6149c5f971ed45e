#include "win32/platform/family_windows.h"

#include <vector>

#include "base/diag_log.h"
#include "win32/platform/strings.h"
#include "resource.h"

namespace {

bool HasEditorTag(HWND window) { return GetPropW(window, kEditorTag) != nullptr; }

// Top-level windows in Z order, the walk the family's programs use.
template <class Visit>
void WalkTopLevelWindows(Visit visit) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (!visit(window)) return;
    }
}

BOOL CALLBACK CountTagged(HWND window, LPARAM counter) {
    if (HasEditorTag(window)) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

}  // namespace

int CountEditorWindows() {
    int count = 0;
    EnumWindows(CountTagged, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND FindEditorWindowShowingCode(const std::wstring& code, HWND ownWindow) {
    HWND found = nullptr;
    WalkTopLevelWindows([&](HWND window) {
        if (window == ownWindow || !HasEditorTag(window)) return true;
        if (WindowTextOf(window).find(code) != std::wstring::npos) {
            found = window;
            return false;
        }
        return true;
    });
    return found;
}

void SignalBrowsers() {
    WalkTopLevelWindows([](HWND window) {
        if (GetPropW(window, kViewerTag) != nullptr || GetPropW(window, kOuterBrowserTag) != nullptr) {
            PostMessageW(window, WM_APP_BROWSER_UPDATE, 0, 0);
            g_log.Write(L"Brouser's ← Update signal send\n");
        }
        return true;
    });
}

std::vector<std::wstring> EditorWindowTitles() {
    std::vector<std::wstring> titles;
    WalkTopLevelWindows([&](HWND window) {
        if (HasEditorTag(window)) titles.push_back(WindowTextOf(window));
        return true;
    });
    return titles;
}

void CloseAllEditors() {
    std::vector<HWND> editors;
    WalkTopLevelWindows([&](HWND window) {
        if (HasEditorTag(window)) editors.push_back(window);
        return true;
    });
    for (HWND window : editors) {
        if (IsWindow(window)) PostMessageW(window, WM_QUIT, 0, 0);
    }
}
