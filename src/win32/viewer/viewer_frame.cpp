#include "win32/viewer/viewer_frame.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "win32/platform/family_windows.h"
#include "win32/platform/strings.h"
#include "resource.h"
#include "viewer/viewer_grid.h"
#include "viewer/viewer_rules.h"
#include "win32/viewer/glyph_grid_view.h"
#include "win32/viewer/goto_code_dlg.h"
#include "viewer_resource.h"

namespace {
constexpr int kBarHeight = 28;
constexpr int kLabelWidth = 44;
constexpr int kSliderWidth = 220;
constexpr int kCodePartWidth = 150;
constexpr int kPromptPartWidth = 260;
}  // namespace

CViewerFrame::CViewerFrame(IProfileStore& profile, std::wstring fontPath, std::wstring bitmapPath,
                           std::wstring moduleFolder)
    : m_profile(profile),
      m_strFontPath(std::move(fontPath)),
      m_strBitmapPath(std::move(bitmapPath)),
      m_strModuleFolder(std::move(moduleFolder)),
      m_nCellSize(LoadViewerSettings(profile).cellSize) {}

BOOL CViewerFrame::Create(GlyphSheet sheet, int showCommand) {
    m_firstSheet = std::move(sheet);
    CCreateContext context;
    CGlyphGridView::Sink sink;
    sink.statusChanged = [this](const std::wstring& fileText, const std::wstring& codeText) {
        m_strFileStatus = fileText;
        m_strCodeStatus = codeText;
        ShowStatus();
    };
    sink.cellSizeChanged = [this](int size) {
        m_nCellSize = size;
        if (m_hSlider) SendMessageW(m_hSlider, TBM_SETPOS, TRUE, size);
        SaveViewerCellSize(m_profile, size);
    };
    context.m_pNewViewClass = [this, sink] {
        return new CGlyphGridView(m_strBitmapPath, m_strModuleFolder, m_nCellSize, sink);
    };
    if (!LoadFrame(IDR_VIEWERFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, &context)) return FALSE;
    SetWindowText(FormatText(LoadResString(IDS_VIEWER_TITLE).c_str(), m_strFontPath.c_str()));
    SetPropW(m_hWnd, kViewerTag, reinterpret_cast<HANDLE>(1));
    const ViewerSettings settings = LoadViewerSettings(m_profile);
    if (settings.windowRect) {
        const auto& r = *settings.windowRect;
        // A place on a screen that is no longer there is not restored.
        const RECT stored = {r[0], r[1], r[2], r[3]};
        if (MonitorFromRect(&stored, MONITOR_DEFAULTTONULL) != nullptr) {
            SetWindowPos(m_hWnd, nullptr, r[0], r[1], r[2] - r[0], r[3] - r[1],
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    ShowWindow(m_hWnd, showCommand);
    UpdateWindow(m_hWnd);
    if (m_pGridView) SetFocus(m_pGridView->m_hWnd);
    return TRUE;
}

BOOL CViewerFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    // Wide enough for sixteen cells of the default size and the scroll bar.
    cs.cx = ViewerGrid(0xE000, 0xE000, kDefaultCellSize).GridWidth() + 60;
    cs.cy = 600;
    return TRUE;
}

int CViewerFrame::OnCreate(CREATESTRUCTW* cs) {
    if (CFrameWnd::OnCreate(cs) != 0) return -1;
    m_pGridView = dynamic_cast<CGlyphGridView*>(GetActiveView());
    if (m_pGridView == nullptr) return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, AFX_IDW_STATUS_BAR)) return -1;
    SetControlBars(nullptr, &m_wndStatusBar);
    SetStatusParts();

    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_hBarFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    m_hSizeLabel = CreateWindowExW(0, L"STATIC", LoadResString(IDS_VIEWER_SIZE_LABEL).c_str(),
                                   WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | SS_RIGHT, 0, 0, 0, 0, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIEWER_SIZE_LABEL)),
                                   instance, nullptr);
    m_hSlider = CreateWindowExW(
        0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS, 0, 0, 0, 0,
        m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIEWER_SIZE_SLIDER)), instance, nullptr);
    if (m_hSlider == nullptr) return -1;
    SendMessageW(m_hSizeLabel, WM_SETFONT, reinterpret_cast<WPARAM>(m_hBarFont), FALSE);
    SendMessageW(m_hSlider, TBM_SETRANGE, FALSE, MAKELPARAM(kMinCellSize, kMaxCellSize));
    SendMessageW(m_hSlider, TBM_SETTICFREQ, kCellSizeStep * 2, 0);
    SendMessageW(m_hSlider, TBM_SETLINESIZE, 0, kCellSizeStep);
    SendMessageW(m_hSlider, TBM_SETPAGESIZE, 0, kCellSizeStep * 2);
    SendMessageW(m_hSlider, TBM_SETPOS, TRUE, m_pGridView->CellSize());

    // The slider's tool tip names what it sets, as the editor's buttons do.
    m_hToolTip =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, instance, nullptr);
    if (m_hToolTip) {
        const std::wstring tip = LoadResString(IDS_VIEWER_SIZE_TIP);
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(m_hSlider);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    m_pGridView->SetSheet(std::move(m_firstSheet));
    return 0;
}

void CViewerFrame::ShowStatus() {
    if (!m_wndStatusBar.m_hWnd) return;
    SendMessageW(m_wndStatusBar.m_hWnd, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(m_strFileStatus.c_str()));
    SendMessageW(m_wndStatusBar.m_hWnd, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(m_strCodeStatus.c_str()));
}

void CViewerFrame::SetStatusParts() {
    RECT rc = {};
    GetClientRect(m_wndStatusBar.m_hWnd, &rc);
    const int right = rc.right;
    int parts[3] = {std::min(kPromptPartWidth, right / 3), std::max(right - kCodePartWidth, right / 2), -1};
    SendMessageW(m_wndStatusBar.m_hWnd, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    // A bar whose parts are laid out anew may drop their texts (Wine's does when the count changes).
    ShowStatus();
}

void CViewerFrame::RecalcLayout() {
    if (!m_pGridView || !m_pGridView->m_hWnd || !m_wndStatusBar.m_hWnd) return;
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    SendMessageW(m_wndStatusBar.m_hWnd, WM_SIZE, 0, 0);
    SetStatusParts();
    const int statusHeight = m_wndStatusBar.GetHeight();
    MoveWindow(m_hSizeLabel, 4, 0, kLabelWidth, kBarHeight, TRUE);
    MoveWindow(m_hSlider, 8 + kLabelWidth, 2, kSliderWidth, kBarHeight - 4, TRUE);
    MoveWindow(m_pGridView->m_hWnd, 0, kBarHeight, rc.right,
               std::max<LONG>(0, rc.bottom - kBarHeight - statusHeight), TRUE);
}

BOOL CViewerFrame::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using F = CViewerFrame;
    static const CommandEntry<F> table[] = {
        {ID_VIEWER_GOTO, ID_VIEWER_GOTO, &F::OnGoTo},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

void CViewerFrame::OnGoTo() {
    CGoToCodeDlg dlg(this);
    if (dlg.DoModal() == IDOK && m_pGridView) m_pGridView->GoToCode(dlg.m_nCode);
}

void CViewerFrame::OnSliderMoved() {
    if (!m_pGridView) return;
    const int position = static_cast<int>(SendMessageW(m_hSlider, TBM_GETPOS, 0, 0));
    // The slider moves in whole steps, as Ctrl+wheel does.
    const int size =
        ViewerGrid::ClampCellSize((position + kCellSizeStep / 2) / kCellSizeStep * kCellSizeStep);
    m_pGridView->SetCellSize(size);
}

void CViewerFrame::OnClose() {
    RECT rc = {};
    if (!IsIconic(m_hWnd) && !IsZoomed(m_hWnd) && GetWindowRect(m_hWnd, &rc)) {
        SaveViewerWindowRect(m_profile, {rc.left, rc.top, rc.right, rc.bottom});
    }
    DestroyWindow();
}

BOOL CViewerFrame::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_APP_BROWSER_UPDATE, msg::Plain<&CViewerFrame::OnBrowserUpdate>},
        {WM_ACTIVATE, msg::Raw<&CViewerFrame::OnActivate>},
        {WM_SETFOCUS, msg::Window<&CViewerFrame::OnSetFocus>},
        {WM_HSCROLL, msg::Raw<&CViewerFrame::OnHScroll>},
        {WM_ERASEBKGND, msg::Raw<&CViewerFrame::OnEraseBkgnd>},
        {WM_MOUSEWHEEL, msg::Raw<&CViewerFrame::OnMouseWheel>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CFrameWnd::OnWndMsg(m, result);
}

void CViewerFrame::OnBrowserUpdate() {
    if (m_pGridView) m_pGridView->Reload();
}

LRESULT CViewerFrame::OnActivate(WPARAM wParam, LPARAM /*lParam*/) {
    if (LOWORD(wParam) != WA_INACTIVE && m_pGridView) {
        m_pGridView->RefreshOpenCodes();
        SetFocus(m_pGridView->m_hWnd);
    }
    return 0;
}

void CViewerFrame::OnSetFocus(HWND /*previous*/) {
    if (m_pGridView) SetFocus(m_pGridView->m_hWnd);
}

LRESULT CViewerFrame::OnHScroll(WPARAM /*wParam*/, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != m_hSlider) return Default();
    OnSliderMoved();
    return 0;
}

LRESULT CViewerFrame::OnEraseBkgnd(WPARAM wParam, LPARAM /*lParam*/) {
    // The strip of the size slider has the face colour of a bar; the grid and status bar cover the rest.
    RECT rc = {};
    GetClientRect(m_hWnd, &rc);
    rc.bottom = std::min<LONG>(rc.bottom, kBarHeight);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

LRESULT CViewerFrame::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    // The wheel scrolls the grid wherever the focus is.
    if (m_pGridView) return SendMessageW(m_pGridView->m_hWnd, WM_MOUSEWHEEL, wParam, lParam);
    return Default();
}
