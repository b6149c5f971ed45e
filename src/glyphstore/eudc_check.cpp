#include "glyphstore/eudc_check.h"

#include <cwchar>
#include <filesystem>
#include <vector>

#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_path.h"
#include "glyphstore/glyph_size.h"

namespace {

// printf-style formatting of one message (the texts carry the path, so they may be long).
template <class... Args>
std::wstring Format(const wchar_t* format, Args... args) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        const int length = std::swprintf(buffer.data(), buffer.size(), format, args...);
        if (length >= 0 && static_cast<std::size_t>(length) < buffer.size())
            return {buffer.data(), std::size_t(length)};
        if (buffer.size() >= 65536) return {};
        buffer.resize(buffer.size() * 4);
    }
}

}  // namespace

std::wstring NoDefaultEudcMessage(std::wstring_view value, int queryResult) {
    return Format(
        L"%ls\r\nﾃﾞﾌｫﾙﾄの外字ﾌｫﾝﾄを取得できません。Err=[%d]\r\n"
        L"Kanjiforgeを利用するには何れかの「.TTE」ﾌｧｲﾙが全てのﾌｫﾝﾄにﾘﾝｸされていなければなりません。",
        std::wstring(value).c_str(), queryResult);
}

EudcFileCheck CheckEudcFiles(std::wstring_view fontValue, std::wstring_view fontsFolder,
                             const std::function<bool(const std::wstring&)>& fileExists,
                             std::wstring_view missingBitmapHint) {
    EudcFileCheck check;
    check.ttePath = GetEudcFilePath(fontValue, true, fontsFolder);
    check.eufPath = GetEudcFilePath(fontValue, false, fontsFolder);
    if (!fileExists(check.ttePath)) {
        check.message = Format(L"%ls\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄが存在しません。", check.ttePath.c_str());
        return check;
    }
    if (!fileExists(check.eufPath)) {
        const std::wstring hint = missingBitmapHint.empty()
                                      ? L"別ﾌﾟﾛｸﾞﾗﾑ「Kanjiviewer」を利用すると作成できます。"
                                      : std::wstring(missingBitmapHint);
        check.message = Format(L"%ls\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙが存在しません。\r\n%ls",
                               check.eufPath.c_str(), hint.c_str());
        return check;
    }
    int width = 0;
    int height = 0;
    const int result = ReadEudcBitmap(std::filesystem::path(check.eufPath), 0, width, height, nullptr);
    if (result != kEudcOk) {
        check.message = Format(L"%ls\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[%d]",
                               check.eufPath.c_str(), result);
        return check;
    }
    // The planes hold whole bytes a row and at most 256 dots a side: any other size is refused here,
    // before anything is allocated from it.
    if (!IsUsableGlyphSize(width, height)) {
        check.message = Format(L"%ls\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[%d,%d]",
                               check.eufPath.c_str(), width, height);
        return check;
    }
    check.ok = true;
    check.glyphSize = width;
    return check;
}
