#include "win32/viewer/viewer_app.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <vector>

#include "win32/platform/process_utils.h"
#include "base/profile_store.h"
#include "glyphstore/eudc_check.h"
#include "win32/glyphstore/default_eudc.h"
#include "viewer/glyph_sheet.h"
#include "win32/viewer/viewer_frame.h"
#include "win32/platform/strings.h"
#include "viewer_resource.h"

namespace {

// The font path the editor passes (quoted; the quotes are gone once the line is split), or empty.
std::wstring FontPathArgument() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return {};
    std::wstring path;
    for (int i = 1; i < count && path.empty(); ++i) path = argv[i];
    LocalFree(argv);
    return path;
}

}  // namespace

BOOL CKanjiviewerApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    m_strModuleFolder = modulePath;
    m_strModuleFolder.resize(m_strModuleFolder.find_last_of(L'\\') + 1);
    m_strProfileName = m_strModuleFolder + kSettingsFileName;

    std::wstring fontValue = FontPathArgument();
    if (fontValue.empty()) {
        const int query = QueryDefaultEudc(fontValue);
        if (query != 0 || fontValue.empty()) {
            AfxMessageBox(NoDefaultEudcMessage(fontValue, query), MB_ICONHAND);
            return FALSE;
        }
    }
    // The browser cannot make a missing bitmap file: its message says what does.
    const EudcFileCheck check = CheckEudcFiles(
        fontValue, GetSpecialFolderPath(CSIDL_FONTS),
        [](const std::wstring& path) { return IsExistingFile(path); },
        LoadResString(IDS_VIEWER_NO_BITMAP_HINT));
    if (!check.ok) {
        AfxMessageBox(check.message, MB_ICONHAND);
        return FALSE;
    }
    GlyphSheet sheet;
    sheet.Read(std::filesystem::path(check.eufPath));

    auto* frame = new CViewerFrame(ProfileStore(), check.ttePath, check.eufPath, m_strModuleFolder);
    m_pMainWnd = frame;
    if (!frame->Create(std::move(sheet), m_nCmdShow)) {
        m_pMainWnd = nullptr;
        delete frame;
        return FALSE;
    }
    return TRUE;
}
