#include "win32/app/about_dlg.h"

#include <shellapi.h>

#include "app/help_topics.h"
#include "win32/app/manual_help.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/process_utils.h"
#include "win32/platform/window_utils.h"
#include "base/diag_log.h"
#include "win32/platform/strings.h"
#include "win32/framework/win_app.h"
#include "resource.h"

namespace {
constexpr UINT kHelpTopic = 53;

// The program file's name without its folder and extension.
std::wstring ProgramName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}
}  // namespace

CUrlStatic::CUrlStatic() {
    // The help program's hand cursor when the system has one to lend, the arrow otherwise.
    wchar_t folder[248] = {};
    const UINT length = GetWindowsDirectoryW(folder, 247);
    if (length > 0 && length < 247) {
        const std::wstring helper = std::wstring(folder) + L"\\winhlp32.exe";
        if (HMODULE module = LoadLibraryExW(helper.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            if (HCURSOR hand = LoadCursorW(module, MAKEINTRESOURCEW(106))) {
                m_hCursor = CopyCursor(hand);
                m_bOwnCursor = m_hCursor != nullptr;
            }
            FreeLibrary(module);
        }
    }
    if (m_hCursor == nullptr) m_hCursor = LoadCursorW(nullptr, IDC_ARROW);
    m_hBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
}

CUrlStatic::~CUrlStatic() {
    if (m_bOwnCursor) DestroyCursor(m_hCursor);
    if (m_hUnderlineFont) DeleteObject(m_hUnderlineFont);
    if (m_hBrush) DeleteObject(m_hBrush);
}

HBRUSH CUrlStatic::CtlColor(HDC dc) {
    if (m_hUnderlineFont == nullptr) {
        LOGFONTW font = {};
        HFONT current = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        if (GetObjectW(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) {
            font.lfUnderline = TRUE;
            m_hUnderlineFont = CreateFontIndirectW(&font);
            if (m_hUnderlineFont) {
                SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hUnderlineFont), FALSE);
                InvalidateRect(m_hWnd, nullptr, TRUE);
            }
        }
    }
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return m_hBrush;
}

BOOL CUrlStatic::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_SETCURSOR, msg::SetCursor<&CUrlStatic::OnSetCursor>},
        {WM_LBUTTONUP, msg::Mouse<&CUrlStatic::OnLButtonUp>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CStatic::OnWndMsg(m, result);
}

BOOL CUrlStatic::OnSetCursor(HWND /*window*/, UINT /*hitTest*/, UINT /*mouseMessage*/) {
    SetCursor(m_hCursor);
    return TRUE;
}

void CUrlStatic::OnLButtonUp(UINT /*flags*/, POINT /*point*/) {
    if (m_onClick) {
        m_onClick();
    } else {
        const std::wstring target = GetWindowText();
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    Default();
}

CAboutDlg::CAboutDlg(const AppContext& context, CWnd* parent)
    : CDialog(IDD_ABOUTBOX, parent), m_context(context) {
    std::wstring productVersion;
    GetFileVersionStrings(productVersion, m_strLegal);
    if (!productVersion.empty()) m_strVersion = ProgramName() + L" Version " + productVersion;
    SetHelpTopic(context.m_strHelpFile, kHelpTopic);
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_ABOUT_UPDATE, m_btnAutoUpdate);
    DDX_Control(pDX, IDC_ABOUT_URL, m_staticUrl);
    DDX_Text(pDX, IDC_ABOUT_LEGAL, m_strLegal);
    DDX_Text(pDX, IDC_ABOUT_VERSION, m_strVersion);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(L"Kanjiforgeのﾊﾞｰｼﾞｮﾝ情報");
    // The link leads to the manual's first page beside the program.
    m_staticUrl.SetOnClick(
        [this] { OpenManualPage(m_hWnd, m_context.m_strModuleFolder, kManualFirstPage, {}); });
    return TRUE;
}

void CAboutDlg::OnAutoUpdate() {
    if (AfxMessageBox(IDS_ASK_AUTO_UPDATE, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    g_log.Write(L"About:WEBから最新版に更新\n");
    const std::wstring commandLine = L"\"" + m_context.m_strModuleFolder + L"Patchkit.exe\" Patchkit2.ini";
    if (RunProgram(commandLine, SW_SHOWNORMAL)) {
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        // WM_QUIT ends each editor's loop at once: no questions about edits, no saved position.
        if (HWND main = GetAncestor(m_pParent ? m_pParent->m_hWnd : GetParent(m_hWnd), GA_ROOT)) {
            PostMessageW(main, WM_QUIT, 0, 0);
        }
        CloseAllEditors();
        SetCursor(previous);
    } else {
        const std::wstring text = FormatText(LoadResString(IDS_ERR_RUN_FAILED).c_str(), commandLine.c_str());
        g_log.Write(L"%s\n", text.c_str());
        AfxMessageBox(text, MB_OK);
    }
    EndDialog(IDOK);
}

BOOL CAboutDlg::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_CTLCOLORSTATIC, msg::Raw<&CAboutDlg::OnCtlColorStatic>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CDialog::OnWndMsg(m, result);
}

BOOL CAboutDlg::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    if (LOWORD(wParam) != IDC_ABOUT_UPDATE || HIWORD(wParam) != BN_CLICKED) return FALSE;
    OnAutoUpdate();
    return TRUE;
}

LRESULT CAboutDlg::OnCtlColorStatic(WPARAM wParam, LPARAM lParam) {
    // The link's colours; every other static keeps the dialog's.
    if (m_staticUrl.m_hWnd == nullptr || reinterpret_cast<HWND>(lParam) != m_staticUrl.m_hWnd) return FALSE;
    return reinterpret_cast<LRESULT>(m_staticUrl.CtlColor(reinterpret_cast<HDC>(wParam)));
}
