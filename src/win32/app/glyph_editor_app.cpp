#include "win32/app/glyph_editor_app.h"

#include "win32/app/about_dlg.h"

#include <ole2.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>

#include "app/command_line.h"
#include "app/frame_rules.h"
#include "app/settings.h"
#include "win32/app/glypho_editor_view.h"
#include "win32/app/main_frame.h"
#include "win32/app/manual_help.h"
#include "win32/automation/direct_files.h"
#include "win32/platform/dpi.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/process_utils.h"
#include "base/diag_log.h"
#include "win32/document/glyph_editor_doc.h"
#include "win32/document/wait_message.h"
#include "win32/platform/strings.h"
#include "glyphstore/eudc_check.h"
#include "glyphstore/eudc_path.h"
#include "win32/glyphstore/default_eudc.h"
#include "resource.h"

namespace {

std::wstring SystemFolder(UINT (*WINAPI query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// Shows a start-up failure and logs it first, as every user-facing error is.
void ReportStartFailure(const std::wstring& text, UINT type) {
    g_log.Write(L"%s\n", text.c_str());
    AfxMessageBox(text, type);
}

// Starts a companion program; a failure is the user's to know.
bool StartCompanion(const std::wstring& commandLine) {
    if (RunProgram(commandLine, SW_SHOWDEFAULT)) return true;
    const std::wstring format = LoadResString(IDS_ERR_RUN_FAILED);
    const std::wstring text = FormatText(format.c_str(), commandLine.c_str());
    g_log.Write(L"%s\n", text.c_str());
    AfxMessageBox(text, MB_OK);
    return false;
}

// Help topic of the main window.
constexpr UINT kMainHelpTopic = 53;

}  // namespace

BOOL CGlyphoEditorApp::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using App = CGlyphoEditorApp;
    static const CommandEntry<App> table[] = {
        {ID_RUN_MANAGER, ID_RUN_MANAGER, &App::OnRunManager, &App::OnUpdateRunManager},
        {ID_RUN_VIEWER, ID_RUN_VIEWER, &App::OnRunViewer, &App::OnUpdateRunViewer},
        {ID_HELP, ID_HELP, &App::OnHelp},
        {ID_APP_ABOUT, ID_APP_ABOUT, &App::OnAppAbout, &App::OnUpdateAppAbout},
    };
    return DispatchCommand(this, table, id, code, cmdUI) || CWinApp::OnCmdMsg(id, code, cmdUI);
}

BOOL CGlyphoEditorApp::OnFileNew() {
    if (GetDocTemplate() && GetDocTemplate()->GetDocument()) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        StartCompanion(NewEditorCommandLine(self));
        return FALSE;
    }
    return CWinApp::OnFileNew();
}

void CGlyphoEditorApp::OnRunViewer() {
    if (StartCompanion(ListBrowserCommandLine(m_strModuleFolder, m_strEudcFontPath))) {
        g_log.Write(L"Command:ﾕｰｻﾞｰ外字一覧を表示（外部ﾌﾟﾛｸﾞﾗﾑ起動）\n");
    }
}

void CGlyphoEditorApp::OnUpdateRunViewer(CCmdUI* cmdUI) {
    cmdUI->Enable(IsExistingFile(m_strModuleFolder + L"Kanjiviewer.exe"));
}

void CGlyphoEditorApp::OnHelp() {
    if (m_pMainWnd == nullptr || GetForegroundWindow() != m_pMainWnd->m_hWnd) return;
    ShowHelpTopic(m_pMainWnd->m_hWnd, GetHelpFilePath(), kMainHelpTopic);
    g_log.Write(L"Command:ﾒｲﾝﾍﾙﾌﾟ表示\n");
}

void CGlyphoEditorApp::ShowHelp(HWND owner, const std::wstring& helpFile, UINT topic) {
    ShowHelpOrManual(owner, helpFile, topic, GetModuleFolder());
}

void CGlyphoEditorApp::OnAppAbout() {
    CAboutDlg dlg(*this, m_pMainWnd);
    dlg.DoModal();
}

void CGlyphoEditorApp::OnUpdateAppAbout(CCmdUI* cmdUI) { cmdUI->SetText(L"Kanjiforge のﾊﾞｰｼﾞｮﾝ情報(&A)..."); }

std::wstring CGlyphoEditorApp::GetModuleFolder() const {
    const std::size_t slash = CWinApp::m_strHelpFilePath.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : CWinApp::m_strHelpFilePath.substr(0, slash + 1);
}

std::wstring CGlyphoEditorApp::GetHelpFilePath() const {
    return GetModuleFolder() + L"\\" + L"Kanjiforge.hlp";
}

std::wstring CGlyphoEditorApp::GetEudcFilePath(BOOL bTte) const {
    return ::GetEudcFilePath(m_strDefaultFontPath, bTte != FALSE, GetSpecialFolderPath(CSIDL_FONTS));
}

int CGlyphoEditorApp::CountRunningEditors() const { return CountEditorWindows(); }

CMatrixEditView* CGlyphoEditorApp::GetMatrixEditView() const {
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    return frame ? frame->GetMatrixEditView() : nullptr;
}

CInformationView* CGlyphoEditorApp::GetInformationView() const {
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    return frame ? frame->GetInformationView() : nullptr;
}

// The two companion commands live on the tool bar only; their menu goes.
void CGlyphoEditorApp::RemoveToolsMenu() {
    HMENU bar = GetMenu(m_pMainWnd->m_hWnd);
    HMENU tools = bar ? GetSubMenu(bar, 5) : nullptr;
    if (tools == nullptr) return;
    RemoveMenu(tools, ID_RUN_MANAGER, MF_BYCOMMAND);
    RemoveMenu(tools, ID_RUN_VIEWER, MF_BYCOMMAND);
    DeleteMenu(bar, 5, MF_BYPOSITION);
    DrawMenuBar(m_pMainWnd->m_hWnd);
}

BOOL CGlyphoEditorApp::LoadSetting() {
    SettingsEnvironment env;
    env.systemFolder = SystemFolder(GetSystemDirectoryW);
    env.windowsFolder = SystemFolder(GetWindowsDirectoryW);
    env.temporaryFolder = std::filesystem::path(GetModuleFolder() + L"TEMP\\");
    env.dpi = SystemDpi();
    const BOOL ok = LoadSettings(ProfileStore(), env, m_settings);
    // A diagnostic destination for the log (a save's timeline among it); absent means no log at all.
    const std::wstring logFile = ProfileStore().GetProfileString(kEditorSection, L"DiagLogFile", L"");
    if (!logFile.empty()) g_log.SetDestination(std::filesystem::path(logFile));
    return ok;
}

BOOL CGlyphoEditorApp::CheckEudcFont() {
    const int query = QueryDefaultEudc(m_strDefaultFontPath);
    if (query != 0 || m_strDefaultFontPath.empty()) {
        ReportStartFailure(NoDefaultEudcMessage(m_strDefaultFontPath, query), MB_ICONHAND);
        return FALSE;
    }
    const EudcFileCheck check = CheckEudcFiles(m_strDefaultFontPath, GetSpecialFolderPath(CSIDL_FONTS),
                                               [](const std::wstring& path) { return IsExistingFile(path); });
    if (!check.ok) {
        ReportStartFailure(check.message, MB_ICONHAND);
        return FALSE;
    }
    m_nGlyphSize = check.glyphSize;
    m_strEudcFontPath = check.ttePath;
    m_strEudcBitmapPath = check.eufPath;
    return TRUE;
}

BOOL CGlyphoEditorApp::CheckCharEditor() {
    const std::wstring& editorPath = m_settings.strEditorPath;
    if (!IsExistingFile(editorPath)) {
        const std::wstring format = LoadResString(IDS_ERR_NO_EDITOR);
        ReportStartFailure(FormatText(format.c_str(), editorPath.c_str()), MB_ICONHAND);
        return FALSE;
    }
    if (!IsExistingFile(m_settings.strEditorIniPath)) {
        const std::wstring format = LoadResString(IDS_ERR_NO_EDITOR_INI);
        const std::wstring text = FormatText(format.c_str(), m_settings.strEditorIniPath.c_str());
        g_log.Write(L"%s\n", text.c_str());
        // The editor writes its ini file when it first runs; the user starts us again after that.
        if (AfxMessageBox(text, MB_YESNO | MB_ICONHAND) == IDYES) RunProgram(editorPath, SW_SHOWDEFAULT);
        return FALSE;
    }
    return TRUE;
}

BOOL CGlyphoEditorApp::InitInstance() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    if (version.dwMajorVersion < 5 || version.dwPlatformId < VER_PLATFORM_WIN32_NT) {
        AfxMessageBox(IDS_ERR_NOT_NT, MB_OK);
        return FALSE;
    }
    m_bWindowsXP = version.dwMajorVersion == 5 && version.dwMinorVersion == 1;
    const std::wstring startLine = LoadResString(IDS_LOG_START);
    g_log.Write(startLine.c_str(), L"", version.dwMajorVersion, version.dwMinorVersion);

    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD computerLength = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(computer, &computerLength);
    wchar_t user[256] = {};
    DWORD userLength = 255;
    GetUserNameW(user, &userLength);
    g_log.Write(L"CompName=%s:User=%s\n", computer, user);

    // Stays on screen, behind any error box, until the window is ready or start-up gives up.
    auto waitMessage = std::make_unique<CWaitMessage>(IDS_STARTING_WAIT, nullptr);

    OleInitialize(nullptr);

    m_strProfileName = GetModuleFolder() + kSettingsFileName;
    m_strAppName = L"Kanjiforge";
    m_pProfile = &ProfileStore();
    m_strModuleFolder = GetModuleFolder();
    m_strHelpFile = GetHelpFilePath();
    LoadSetting();
    m_nGlyphSize = 64;

    if (!CheckEudcFont() || !CheckCharEditor()) return FALSE;
    // A direct save that a crash cut short is finished or undone before the pair is read.
    RecoverDirectSaveAtStart({m_strEudcBitmapPath, m_strEudcFontPath, {}}, m_nGlyphSize);

    LoadStdProfileSettings(0);
    const AppContext& context = *this;
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, [&context] { return new CGlyphoEditorDoc(context); },
        [&context] { return new CMainFrame(context); }, CGlyphoEditorView::CreateObject));

    CMyCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!commandLine.m_strCode.empty()) {
        g_log.Write(L"Target code (%s)\n", commandLine.m_strCode.c_str());
        m_strTargetCode = commandLine.m_strCode;
    }

    if (!OnFileNew()) return FALSE;
    waitMessage.reset();
    RemoveToolsMenu();

    auto* frame = static_cast<CMainFrame*>(m_pMainWnd);
    frame->SetTitleCode(kNoCodeTitle);
    ShowWindow(frame->m_hWnd, SW_SHOW);
    UpdateWindow(frame->m_hWnd);
    SetPropW(frame->m_hWnd, kEditorTag, reinterpret_cast<HANDLE>(1));
    frame->OpenStartCode(m_strTargetCode);
    return TRUE;
}

int CGlyphoEditorApp::ExitInstance() {
    // Tell the browsers that the glyph data may have changed.
    SignalBrowsers();
    g_log.WriteId(IDS_LOG_END);
    return CWinApp::ExitInstance();
}
