// Help. The program asks for help by topic (53 the main window, 54 the grid dialog, 55 the layer
// dialog, 56 the code dialog). A WinHelp file "Kanjiforge.hlp" beside the program answers them when it
// is there and WinHelp takes it; otherwise the user's manual does: HTML pages in the "manual" folder
// beside the program, opened at the topic's heading in the browser the system has for HTML pages.
// These are the rules that need no window: which page and heading answer a topic, the page's address,
// and the browser's command line for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr wchar_t kManualFolder[] = L"manual";
inline constexpr wchar_t kManualFirstPage[] = L"index.html";

struct ManualPlace {
    std::wstring_view page;    // file name in the manual's folder
    std::wstring_view anchor;  // the heading's id on that page, empty for the top
};
// The manual's place for a help topic, or nothing for a topic the program does not ask for.
std::optional<ManualPlace> ManualPlaceForTopic(unsigned topic);

// The manual page's path for the program's folder (which ends with a backslash, or is empty).
std::wstring ManualPagePath(std::wstring_view moduleFolder, std::wstring_view page);

// A file: URL for a full Windows path, with "#anchor" when the anchor is not empty. Every character but
// letters, digits and - . _ ~ / : is written as UTF-8 %XX, so that a folder with blanks or Japanese
// names stays one argument and reaches the browser unchanged. "C:\A B\x.html" gives
// "file:///C:/A%20B/x.html".
std::wstring FileUrl(std::wstring_view windowsPath, std::wstring_view anchor);

// How to start the browser for a URL, from the command the system keeps for opening HTML files (as
// AssocQueryString gives it, e.g. "\"C:\Program Files\Browser\browser.exe\" --single-argument %1"): the
// program and its parameters, with %1 (or %L) replaced by the URL, %* by nothing, and the URL added at
// the end when the command has no place for it. Nothing when the command names no program.
struct BrowserCommand {
    std::wstring program;
    std::wstring parameters;
    bool operator==(const BrowserCommand&) const = default;
};
std::optional<BrowserCommand> BrowserCommandFor(std::wstring_view command, std::wstring_view url);
