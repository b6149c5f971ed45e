// The start-up check of the default EUDC font and its bitmap file, shared by the editor and the list
// browser: the same order of checks and the same messages, so a user sees one story whichever program
// finds the fault first. The platform side supplies the registry value, the fonts folder and file tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct EudcFileCheck {
    bool ok = false;
    std::wstring message;  // the stop message when not ok
    std::wstring ttePath;
    std::wstring eufPath;
    int glyphSize = 0;  // the management size when ok
};

// The message when the registry names no default EUDC font (query result and value as read).
std::wstring NoDefaultEudcMessage(std::wstring_view value, int queryResult);

// Checks, in this order: the font file exists, the bitmap file exists, its header reads, its management size
// is one the editor can work with. fontValue is the font's path as the registry (or a command line) names it.
// A missing bitmap file's message ends with how to make one: the editor points to the browser, and a program
// that cannot make it (the browser itself) gives its own `missingBitmapHint`.
EudcFileCheck CheckEudcFiles(std::wstring_view fontValue, std::wstring_view fontsFolder,
                             const std::function<bool(const std::wstring&)>& fileExists,
                             std::wstring_view missingBitmapHint = {});
