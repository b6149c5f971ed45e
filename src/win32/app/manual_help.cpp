#include "win32/app/manual_help.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "app/help_topics.h"
#include "base/diag_log.h"
#include "win32/framework/win_app.h"
#include "win32/platform/strings.h"
#include "resource.h"

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The command the system keeps for opening an HTML file, empty when it has none.
std::wstring HtmlOpenCommand() {
    wchar_t command[2048] = {};
    DWORD length = static_cast<DWORD>(std::size(command));
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, L".html", L"open", command, &length))) {
        return {};
    }
    return command;
}

bool Started(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

}  // namespace

void OpenManualPage(HWND owner, const std::wstring& moduleFolder, std::wstring_view page,
                    std::wstring_view anchor) {
    const std::wstring path = ManualPagePath(moduleFolder, page);
    if (!IsFile(path)) {
        g_log.Write(L"Help:使い方の説明がない %s\n", path.c_str());
        AfxMessageBox(FormatText(LoadResString(IDS_ERR_MANUAL_MISSING).c_str(), path.c_str()), MB_OK);
        return;
    }
    // ShellExecute on the file itself would drop the heading: the browser gets the page's address.
    const std::wstring url = FileUrl(path, anchor);
    if (const auto browser = BrowserCommandFor(HtmlOpenCommand(), url)) {
        if (Started(ShellExecuteW(owner, L"open", browser->program.c_str(), browser->parameters.c_str(),
                                  nullptr, SW_SHOWNORMAL))) {
            g_log.Write(L"Help:%s\n", url.c_str());
            return;
        }
    }
    // Without a browser of its own for HTML the system may still open the page, at its top.
    if (Started(ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL))) return;
    g_log.Write(L"Help:使い方の説明を開けない %s\n", path.c_str());
    AfxMessageBox(FormatText(LoadResString(IDS_ERR_MANUAL_OPEN).c_str(), path.c_str()), MB_OK);
}

void ShowHelpOrManual(HWND owner, const std::wstring& helpFile, UINT topic,
                      const std::wstring& moduleFolder) {
    if (!helpFile.empty() && IsFile(helpFile) && WinHelpW(owner, helpFile.c_str(), HELP_CONTEXT, topic))
        return;
    const auto place = ManualPlaceForTopic(topic);
    OpenManualPage(owner, moduleFolder, place ? place->page : kManualFirstPage,
                   place ? place->anchor : std::wstring_view());
}
