// The EUDC font and its bitmap file share one path and differ in the extension. The registry names the font
// either absolutely or relative to the fonts folder; this rule turns that value into either file's path. The
// platform side supplies the fonts folder.
#pragma once

#include <string>
#include <string_view>

// fontValue without its last three characters, prefixed with fontsFolder and "\" when it is relative (longer
// than one character and no ':' as second character), followed by "TTE" (bTte) or "EUF".
std::wstring GetEudcFilePath(std::wstring_view fontValue, bool bTte, std::wstring_view fontsFolder);
