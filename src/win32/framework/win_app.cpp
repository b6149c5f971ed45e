#include "win32/framework/win_app.h"

#include <shellapi.h>

#include <vector>

#include "win32/platform/strings.h"
#include "win32/framework/frame_wnd.h"
#include "resource.h"

namespace {

// The profile calls of the application, seen through the interface the settings logic uses.
class AppProfileStore : public IProfileStore {
  public:
    explicit AppProfileStore(CWinApp& app) : m_app(app) {}
    std::wstring GetProfileString(const wchar_t* s, const wchar_t* k, const wchar_t* d) override {
        return m_app.GetProfileString(s, k, d);
    }
    int GetProfileInt(const wchar_t* s, const wchar_t* k, int d) override {
        return static_cast<int>(m_app.GetProfileInt(s, k, d));
    }
    BOOL WriteProfileString(const wchar_t* s, const wchar_t* k, const wchar_t* v) override {
        return m_app.WriteProfileString(s, k, v);
    }
    BOOL WriteProfileInt(const wchar_t* s, const wchar_t* k, int v) override {
        return m_app.WriteProfileInt(s, k, v);
    }

  private:
    CWinApp& m_app;
};

}  // namespace

CWinApp::CWinApp() : m_profileStore(std::make_unique<AppProfileStore>(*this)) {}

CWinApp::~CWinApp() = default;

// The thread object when it is the application; null for a bare CWinThread.
CWinApp* AfxGetApp() { return dynamic_cast<CWinApp*>(AfxGetThread()); }

int AfxMessageBox(const std::wstring& text, UINT nType) {
    if ((nType & MB_ICONMASK) == 0) nType |= MB_ICONEXCLAMATION;
    CWinApp* app = AfxGetApp();
    CWnd* main = AfxGetMainWnd();
    // The topmost window the user works in: a modal dialog's prompt belongs to the dialog.
    HWND owner = main && IsWindow(main->m_hWnd) ? GetLastActivePopup(main->m_hWnd) : nullptr;
    const wchar_t* caption = app && !app->m_strAppName.empty() ? app->m_strAppName.c_str() : nullptr;
    return MessageBoxW(owner, text.c_str(), caption, nType);
}

void ShowHelpTopic(HWND owner, const std::wstring& helpFile, UINT topic) {
    if (CWinApp* app = AfxGetApp()) {
        app->ShowHelp(owner, helpFile, topic);
        return;
    }
    WinHelpW(owner, helpFile.c_str(), HELP_CONTEXT, topic);
}

void CWinApp::ShowHelp(HWND owner, const std::wstring& helpFile, UINT topic) {
    WinHelpW(owner, helpFile.c_str(), HELP_CONTEXT, topic);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType) { return AfxMessageBox(LoadResString(nIDPrompt), nType); }

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* key,
                                       const wchar_t* defaultValue) const {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length =
            GetPrivateProfileStringW(section, key, defaultValue ? defaultValue : L"", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), m_strProfileName.c_str());
        if (length < buffer.size() - 2 || buffer.size() >= 65536) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue) const {
    return GetPrivateProfileIntW(section, key, defaultValue, m_strProfileName.c_str());
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    return WritePrivateProfileStringW(section, key, value, m_strProfileName.c_str());
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) const {
    return WriteProfileString(section, key, std::to_wstring(value).c_str());
}

void CWinApp::LoadStdProfileSettings(UINT /*maxRecentFiles*/) {
    m_nPreviewPages = static_cast<int>(GetProfileInt(L"Settings", L"PreviewPages", 0));
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return;
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    ParseCommandLineArgs(info, args);
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate) { m_docTemplate.reset(docTemplate); }

BOOL CWinApp::OnFileNew() { return m_docTemplate && m_docTemplate->OpenNewDocument() ? TRUE : FALSE; }

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
    // Offer the message to the target window and its parents up to the main window.
    for (HWND hWnd = msg->hwnd; hWnd != nullptr; hWnd = GetParent(hWnd)) {
        if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd)) {
            if (wnd->PreTranslateMessage(msg)) return TRUE;
        }
        if (m_pMainWnd && hWnd == m_pMainWnd->m_hWnd) break;
    }
    return FALSE;
}

BOOL CWinApp::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    if (id != ID_FILE_NEW && id != ID_APP_EXIT) return FALSE;
    if (code == CmdCode::UpdateUi) {
        cmdUI->Enable(TRUE);
        cmdUI->m_bHandled = TRUE;
    } else if (id == ID_FILE_NEW) {
        OnFileNew();
    } else if (m_pMainWnd) {
        PostMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

BOOL CWinApp::OnIdle(LONG /*count*/) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd); frame && frame->m_hWnd)
        frame->OnIdleUpdateCmdUI();
    return FALSE;
}

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) OnIdle(0);
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (!PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    if (m_nPreviewPages != 0 && !m_strProfileName.empty()) {
        WriteProfileInt(L"Settings", L"PreviewPages", m_nPreviewPages);
    }
    if (m_docTemplate) m_docTemplate->CloseDocument();
    return 0;
}

int AfxWinMain(HINSTANCE instance, int cmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = instance;
    app->m_nCmdShow = cmdShow;
    app->m_strAppName = LoadResString(AFX_IDS_APP_TITLE);

    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    std::wstring help = modulePath;
    const std::size_t dot = help.find_last_of(L".\\");
    if (dot != std::wstring::npos && help[dot] == L'.') help.resize(dot);
    app->m_strHelpFilePath = help + L".hlp";

    if (!app->InitInstance()) {
        if (app->m_pMainWnd && IsWindow(app->m_pMainWnd->m_hWnd)) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}
