// How the family's programs find each other: every editor tags its main window with a
// window property, the browsers tag theirs, and each walks the top-level windows asking for
// these tags. Titles of tagged editor windows tell which codes are open elsewhere.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The window property by which editors, and the browsers, mark their main windows.
inline constexpr wchar_t kEditorTag[] = L"_KANJIFORGE_APPLICATION_TAG";
inline constexpr wchar_t kViewerTag[] = L"_KANJIVIEWER_APPLICATION_TAG";
inline constexpr wchar_t kOuterBrowserTag[] = L"__OUTERGLYPHBROWSER_APPLICATION_TAG";

// The number of top-level windows that carry the editor tag (this editor's own included
// once it is tagged).
int CountEditorWindows();
// Another editor's main window whose title contains the code text, or null.
HWND FindEditorWindowShowingCode(const std::wstring& code, HWND ownWindow);
// Posts the update signal once to every browser window of the family.
void SignalBrowsers();
// The titles of every running editor's main window (this editor's own included once it is tagged).
std::vector<std::wstring> EditorWindowTitles();
// Ends every running editor (before an update is installed).
void CloseAllEditors();
