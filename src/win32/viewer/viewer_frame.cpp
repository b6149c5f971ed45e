#include "win32/viewer/viewer_frame.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "base/dpi_scale.h"
#include "win32/platform/dpi.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/strings.h"
#include "resource.h"
#include "viewer/viewer_grid.h"
#include "viewer/viewer_rules.h"
#include "win32/viewer/glyph_grid_view.h"
#include "win32/viewer/goto_code_dlg.h"
#include "viewer_resource.h"

CViewerFrame::CViewerFrame(IProfileStore& profile, std::wstring fontPath, std::wstring bitmapPath,
                           std::wstring moduleFolder)
    : m_profile(profile),
      m_strFontPath(std::move(fontPath)),
      m_strBitmapPath(std::move(bitmapPath)),
      m_strModuleFolder(std::move(moduleFolder)),
      m_nDpi(SystemDpi()),
      m_nCellSize(LoadViewerSettings(profile, m_nDpi).CellSizeAt(m_nDpi)) {}

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
        SaveViewerCellSize(m_profile, size, m_nDpi);
    };
    context.m_pNewViewClass = [this, sink] {
        return new CGlyphGridView(m_strBitmapPath, m_strModuleFolder, m_nCellSize, m_nDpi, sink);
    };
    if (!LoadFrame(IDR_VIEWERFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, &context)) return FALSE;
    SetWindowText(FormatText(LoadResString(IDS_VIEWER_TITLE).c_str(), m_strFontPath.c_str()));
    SetPropW(m_hWnd, kViewerTag, reinterpret_cast<HANDLE>(1));
    const ViewerSettings settings = LoadViewerSettings(m_profile, m_nDpi);
    if (settings.windowRect) {
        const auto& r = *settings.windowRect;
        // A place on a screen that is no longer there is not restored.
        const RECT stored = {r[0], r[1], r[2], r[3]};
        if (MonitorFromRect(&stored, MONITOR_DEFAULTTONULL) != nullptr) {
            // The place first: the window then has the DPI of the screen there, which sizes it.
            SetWindowPos(m_hWnd, nullptr, r[0], r[1], 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyDpi(WindowDpi(m_hWnd));
            const auto sized = settings.WindowRectAt(m_nDpi);
            SetWindowPos(m_hWnd, nullptr, sized[0], sized[1], sized[2] - sized[0], sized[3] - sized[1],
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    ShowWindow(m_hWnd, showCommand);
    UpdateWindow(m_hWnd);
    if (m_pGridView) SetFocus(m_pGridView->m_hWnd);
    return TRUE;
}

BOOL CViewerFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    // Wide enough for sixteen cells of the first start's size and the scroll bar, but no larger than the
    // screen's work area.
    cs.cx = ViewerDefaultWidth(m_nDpi);
    cs.cy = ViewerDefaultHeight(m_nDpi);
    RECT work = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        cs.cx = std::min<int>(cs.cx, work.right - work.left);
        cs.cy = std::min<int>(cs.cy, work.bottom - work.top);
    }
    return TRUE;
}

int CViewerFrame::OnCreate(CREATESTRUCTW* cs) {
    // The window lays itself out for the screen it was made on.
    const int dpi = WindowDpi(m_hWnd);
    if (dpi != m_nDpi) {
        m_nCellSize = ViewerGrid::ClampCellSize(ScaleBetweenDpi(m_nCellSize, m_nDpi, dpi));
        m_nDpi = dpi;
    }
    if (CFrameWnd::OnCreate(cs) != 0) return -1;
    m_pGridView = dynamic_cast<CGlyphGridView*>(GetActiveView());
    if (m_pGridView == nullptr) return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, AFX_IDW_STATUS_BAR)) return -1;
    SetControlBars(nullptr, &m_wndStatusBar);
    SetStatusParts();

    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_hSizeLabel = CreateWindowExW(0, L"STATIC", LoadResString(IDS_VIEWER_SIZE_LABEL).c_str(),
                                   WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | SS_RIGHT, 0, 0, 0, 0, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIEWER_SIZE_LABEL)),
                                   instance, nullptr);
    m_hSlider = CreateWindowExW(
        0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS, 0, 0, 0, 0,
        m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIEWER_SIZE_SLIDER)), instance, nullptr);
    if (m_hSlider == nullptr) return -1;
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
    ApplyFonts();
    m_pGridView->SetSheet(std::move(m_firstSheet));
    return 0;
}

void CViewerFrame::ApplyFonts() {
    m_barFont = CreateMessageFontForDpi(m_nDpi);
    if (m_barFont && m_hSizeLabel) {
        SendMessageW(m_hSizeLabel, WM_SETFONT, reinterpret_cast<WPARAM>(m_barFont.Get()), TRUE);
    }
    m_tipFont = CreateStatusFontForDpi(m_nDpi);
    if (m_tipFont && m_hToolTip)
        SendMessageW(m_hToolTip, WM_SETFONT, reinterpret_cast<WPARAM>(m_tipFont.Get()), FALSE);
    m_wndStatusBar.SetDpi(m_nDpi);
}

int CViewerFrame::LabelTextWidth() const {
    if (!m_hSizeLabel || !m_barFont) return 0;
    const std::wstring text = LoadResString(IDS_VIEWER_SIZE_LABEL);
    const WindowDC dc(m_hSizeLabel);
    if (!dc) return 0;
    const SelectedObject font(dc.Get(), m_barFont.Get());
    SIZE extent = {};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}

void CViewerFrame::ApplyDpi(int dpi) {
    dpi = SaneDpi(dpi);
    if (dpi == m_nDpi) return;
    const int previous = m_nDpi;
    m_nDpi = dpi;
    ApplyFonts();
    if (m_pGridView) {
        // The pictures keep their size on the screen; the size is stored for the new DPI.
        m_pGridView->SetDpi(dpi);
        m_pGridView->SetCellSize(ViewerGrid::ClampCellSize(ScaleBetweenDpi(m_nCellSize, previous, dpi)));
    }
    RecalcLayout();
}

LRESULT CViewerFrame::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    int dpi = 0;
    RECT suggested = {};
    if (!ReadDpiChanged(wParam, lParam, &dpi, &suggested)) return Default();
    ApplyDpi(dpi);
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
    const std::array<int, 2> edges = ViewerStatusParts(rc.right, m_nDpi);
    int parts[3] = {edges[0], edges[1], -1};
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
    const ViewerBarLayout bar = LayoutViewerBar(m_nDpi, LabelTextWidth());
    auto place = [](HWND window, const GridRect& r) {
        MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(m_hSizeLabel, bar.label);
    place(m_hSlider, bar.slider);
    MoveWindow(m_pGridView->m_hWnd, 0, bar.height, rc.right,
               std::max<LONG>(0, rc.bottom - bar.height - statusHeight), TRUE);
}

BOOL CViewerFrame::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    using F = CViewerFrame;
    static const CommandEntry<F> table[] = {
        {ID_VIEWER_GOTO, ID_VIEWER_GOTO, &F::OnGoTo},
        {ID_VIEWER_FIND_STANDARD, ID_VIEWER_FIND_STANDARD, &F::OnFindStandard},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

void CViewerFrame::OnGoTo() {
    CGoToCodeDlg dlg(this);
    if (dlg.DoModal() == IDOK && m_pGridView) m_pGridView->GoToCode(dlg.m_nCode);
}

void CViewerFrame::OnFindStandard() {
    if (!m_finder) {
        // The finder follows the selection: another character chosen is searched a moment later.
        auto glyph = [this](int& size) -> std::vector<std::uint8_t> {
            return m_pGridView ? m_pGridView->SelectedPlane(size) : std::vector<std::uint8_t>();
        };
        m_finder = std::make_unique<CFinderDlg>(m_profile, m_strModuleFolder, nullptr, glyph);
    }
    m_finder->Open(this);
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
        SaveViewerWindowRect(m_profile, {rc.left, rc.top, rc.right, rc.bottom}, m_nDpi);
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
        {WM_DPICHANGED, msg::Raw<&CViewerFrame::OnDpiChanged>},
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
    rc.bottom = std::min<LONG>(rc.bottom, LayoutViewerBar(m_nDpi, 0).height);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

LRESULT CViewerFrame::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    // The wheel scrolls the grid wherever the focus is.
    if (m_pGridView) return SendMessageW(m_pGridView->m_hWnd, WM_MOUSEWHEEL, wParam, lParam);
    return Default();
}
