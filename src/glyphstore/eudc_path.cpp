#include "glyphstore/eudc_path.h"

std::wstring GetEudcFilePath(std::wstring_view fontValue, bool bTte, std::wstring_view fontsFolder) {
    // The last three characters are the extension, whatever they are.
    const std::wstring_view stem = fontValue.substr(0, fontValue.size() > 3 ? fontValue.size() - 3 : 0);
    std::wstring path;
    if (stem.size() > 1 && stem[1] != L':') {
        path.append(fontsFolder);
        path.append(L"\\");
    }
    path.append(stem);
    path.append(bTte ? L"TTE" : L"EUF");
    return path;
}
