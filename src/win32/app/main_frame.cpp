#include "win32/app/main_frame.h"

#include "app/frame_rules.h"
#include "app/settings.h"
#include "base/dpi_scale.h"
#include "panes/info_layout.h"
#include "win32/platform/dpi.h"
#include "win32/platform/picture_sets.h"
#include "win32/platform/family_windows.h"
#include "win32/document/glyph_editor_doc.h"
#include "win32/editor/matrix_edit_view.h"
#include "win32/platform/handles.h"
#include "win32/platform/strings.h"
#include "win32/panes/information_view.h"
#include "resource.h"

BOOL CMainFrame::OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    static const CommandEntry<CMainFrame> table[] = {
        {ID_WINDOW_ZOOM, ID_WINDOW_ZOOM, &CMainFrame::OnWindowZoom, &CMainFrame::OnUpdateWindowZoom},
        {ID_FIND_STANDARD, ID_FIND_STANDARD, &CMainFrame::OnFindStandard},
        {ID_NEXT_PANE, ID_NEXT_PANE, &CMainFrame::OnNextPane},
        {ID_PREV_PANE, ID_PREV_PANE, &CMainFrame::OnPrevPane},
    };
    return DispatchCommand(this, table, id, code, cmdUI);
}

void CMainFrame::OnFindStandard() {
    if (!m_finder) {
        CMatrixEditView* view = GetMatrixEditView();
        auto glyph = [view](int& size) -> std::vector<std::uint8_t> {
            const DotPlane* plane = view ? view->GetEditBitmap() : nullptr;
            if (plane == nullptr) return {};
            size = plane->Size();
            return {plane->Bytes().begin(), plane->Bytes().end()};
        };
        // The layer pane shows the character it was given.
        auto layerShown = [this] {
            if (CInformationView* info = GetInformationView())
                RedrawWindow(info->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        };
        m_finder = std::make_unique<CFinderDlg>(m_context.Profile(), m_context.m_strModuleFolder, view, glyph,
                                                layerShown);
    }
    m_finder->Open(this);
}

void CMainFrame::SetTitleCode(const std::wstring& code) {
    if (m_hWnd == nullptr) return;
    const std::wstring format = LoadResString(IDS_TITLE_FORMAT);
    SetWindowText(FormatText(format.c_str(), m_context.m_strDefaultFontPath.c_str(), code.c_str()));
}

void CMainFrame::SetModifiedMark(BOOL modified) {
    if (m_hWnd == nullptr) return;
    SetWindowText(ApplyModifiedMark(GetWindowText(), modified != FALSE));
}

CMatrixEditView* CMainFrame::GetMatrixEditView() const {
    return m_wndSplitter.m_hWnd ? dynamic_cast<CMatrixEditView*>(m_wndSplitter.GetPane(0, 1)) : nullptr;
}

CInformationView* CMainFrame::GetInformationView() const {
    return m_wndSplitter.m_hWnd ? dynamic_cast<CInformationView*>(m_wndSplitter.GetPane(0, 0)) : nullptr;
}

FrameMetrics CMainFrame::MetricsForDpi() const {
    FrameMetrics metrics;
    metrics.cxFrame = SystemMetricForDpi(SM_CXFRAME, m_nDpi);
    metrics.cyFrame = SystemMetricForDpi(SM_CYFRAME, m_nDpi);
    metrics.cyCaption = SystemMetricForDpi(SM_CYCAPTION, m_nDpi);
    metrics.cyMenu = SystemMetricForDpi(SM_CYMENU, m_nDpi);
    metrics.toolBarHeight = m_wndToolBar.m_hWnd ? m_wndToolBar.GetHeight() : 0;
    metrics.toolBarWidth = m_wndToolBar.m_hWnd ? m_wndToolBar.GetContentWidth() : 0;
    metrics.statusBarHeight = m_wndStatusBar.m_hWnd ? m_wndStatusBar.GetHeight() : 0;
    const InfoColumnLayout column = LayoutInfoColumn(m_nDpi);
    metrics.infoColumnWidth = column.width;
    metrics.infoColumnHeight = column.height;
    metrics.splitterBarWidth = SplitterBarWidth(m_nDpi);
    return metrics;
}

SIZE CMainFrame::FitFrameToMatrix(int extent) {
    const FrameSize size = FrameSizeForExtent(extent, MetricsForDpi());
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    return {size.cx, size.cy};
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    // Only the first editor goes back to the remembered place; later ones let the system choose.
    if (CountEditorWindows() == 0) {
        const std::array<int, 4> pos = ReadEditorWindowPos(m_context.Profile());
        cs.x = pos[0];
        cs.y = pos[1];
        cs.cx = 0;
        cs.cy = 0;
    }
    return TRUE;
}

BOOL CMainFrame::OnCreateClient(CREATESTRUCTW* /*cs*/, CCreateContext* context) {
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
    const AppContext& appContext = m_context;
    if (!m_wndSplitter.CreateView(
            0, 0, [&appContext] { return new CInformationView(appContext); },
            {LayoutInfoColumn(m_nDpi).width, 0}, context))
        return FALSE;
    m_wndSplitter.SetColumnLayout(LayoutInfoColumn(m_nDpi).width, SplitterBarWidth(m_nDpi));
    if (!m_wndSplitter.CreateView(
            0, 1, [&appContext] { return new CMatrixEditView(appContext); }, {0, 0}, context)) {
        return FALSE;
    }
    SetActiveView(m_wndSplitter.GetPane(0, 1));
    // The information column reads the matrix view's state; the view reports the mouse to it.
    if (CMatrixEditView* matrix = GetMatrixEditView()) {
        // The matrix view's own commands (tools, pen, dot size) reach it while the other pane is active.
        AddCommandView(matrix);
        if (CInformationView* info = GetInformationView()) {
            info->SetMatrixView(matrix);
            matrix->SetInformationSink(info);
        }
    }
    if (auto* doc = dynamic_cast<CGlyphoEditorDoc*>(context ? context->m_pCurrentDoc : nullptr))
        doc->SetFrame(this);
    return TRUE;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs) {
    // The window lays itself out for the screen it was made on.
    m_nDpi = WindowDpi(m_hWnd);
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, WS_CHILD | WS_VISIBLE | CCS_TOP,
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        return -1;
    }
    const UniqueDC info(CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
    const int bitsPerPixel = info ? GetDeviceCaps(info.Get(), BITSPIXEL) : 0;
    // Up to 256 colours the 16-colour strip of the tool bar resource stays, at its one size.
    m_bHighColorToolBar = bitsPerPixel > 8;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, AFX_IDW_STATUS_BAR)) return -1;
    m_wndStatusBar.SetPaneText(LoadResString(AFX_IDS_IDLEMESSAGE));
    SetControlBars(&m_wndToolBar, &m_wndStatusBar);

    CMatrixEditView* view = GetMatrixEditView();
    if (view == nullptr) return -1;
    // The stored zoom was taken at the DPI stored beside it (96 for files without one).
    ApplyDpi(m_nDpi, m_context.Profile().GetProfileInt(kEditorSection, kPixSizeDpiKey, kBaseDpi));
    return 0;
}

void CMainFrame::ApplyZoom(int zoom) {
    if (CMatrixEditView* view = GetMatrixEditView()) view->SetPixelSize(zoom);
}

void CMainFrame::ApplyDpi(int dpi, int previousDpi) {
    m_nDpi = SaneDpi(dpi);
    if (m_bHighColorToolBar) m_wndToolBar.SetImageList(LoadToolImages(m_nDpi), m_nDpi);
    m_wndStatusBar.SetDpi(m_nDpi);
    m_wndSplitter.SetColumnLayout(LayoutInfoColumn(m_nDpi).width, SplitterBarWidth(m_nDpi));
    if (CInformationView* info = GetInformationView()) info->SetDpi(m_nDpi);
    CMatrixEditView* view = GetMatrixEditView();
    if (view == nullptr) return;
    view->SetDpi(m_nDpi);
    const int zoom = view->GetPixelSize();
    // A zoom taken at another DPI keeps the matrix's size on the screen, and is stored for this one.
    if (SaneDpi(previousDpi) != m_nDpi) ApplyZoom(ZoomAtDpi(zoom, previousDpi, m_nDpi));
    const int glyphSize = m_context.m_nGlyphSize;
    FitFrameToMatrix(MatrixExtent(view->GetPixelSize(), glyphSize));
    const FrameSize minimum = MinimumTrackSize(MetricsForDpi(), glyphSize);
    m_nMinTrackWidth = minimum.cx;
    m_nMinTrackHeight = minimum.cy;
    RecalcLayout();
}

LRESULT CMainFrame::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    int dpi = 0;
    RECT suggested = {};
    if (!ReadDpiChanged(wParam, lParam, &dpi, &suggested)) return Default();
    // The suggested place first, as the system asks; the size then follows the zoom at the new DPI.
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyDpi(dpi, m_nDpi);
    return 0;
}

void CMainFrame::RecalcLayout() {
    if (m_hWnd == nullptr) return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int top = 0;
    int bottom = rc.bottom;
    if (m_wndToolBar.m_hWnd) {
        const int height = m_wndToolBar.GetHeight();
        MoveWindow(m_wndToolBar.m_hWnd, 0, 0, rc.right, height, TRUE);
        top = height;
    }
    if (m_wndStatusBar.m_hWnd) {
        const int height = m_wndStatusBar.GetHeight();
        MoveWindow(m_wndStatusBar.m_hWnd, 0, rc.bottom - height, rc.right, height, TRUE);
        bottom -= height;
    }
    if (m_wndSplitter.m_hWnd) MoveWindow(m_wndSplitter.m_hWnd, 0, top, rc.right, bottom - top, TRUE);
}

void CMainFrame::OnWindowZoom() {
    CMatrixEditView* view = GetMatrixEditView();
    if (view == nullptr) return;
    const int zoom = view->GetPixelSize();
    const int next = ZoomAfterCommand(zoom, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    if (next == zoom) return;
    ApplyZoom(next);
    FitFrameToMatrix(MatrixExtent(next, m_context.m_nGlyphSize));
}

void CMainFrame::ActivatePane(int column) {
    if (CView* pane = m_wndSplitter.GetPane(0, column)) {
        SetActiveView(pane);
        SetFocus(pane->m_hWnd);
    }
}

void CMainFrame::OnNextPane() { ActivatePane(GetActiveView() == m_wndSplitter.GetPane(0, 0) ? 1 : 0); }

void CMainFrame::OnPrevPane() { OnNextPane(); }  // two panes: the previous one is the next one

void CMainFrame::OnExitSizeMove() {
    Default();
    InvalidateRect(m_hWnd, nullptr, TRUE);
    CMatrixEditView* view = GetMatrixEditView();
    if (view == nullptr) return;
    RECT now;
    GetWindowRect(m_hWnd, &now);
    const int glyphSize = m_context.m_nGlyphSize;
    const std::optional<int> zoom =
        ZoomAfterResize(view->GetPixelSize(), glyphSize, m_rcSizeMove.right - m_rcSizeMove.left,
                        m_rcSizeMove.bottom - m_rcSizeMove.top, now.right - now.left, now.bottom - now.top);
    if (!zoom) return;
    ApplyZoom(*zoom);
    FitFrameToMatrix(MatrixExtent(*zoom, glyphSize));
}

void CMainFrame::SaveWindowPos() {
    IProfileStore& store = m_context.Profile();
    RECT rc;
    GetWindowRect(m_hWnd, &rc);
    const std::optional<std::array<int, 4>> pos = WindowPosToSave(
        ReadEditorWindowPos(store), IsIconic(m_hWnd) != FALSE, IsZoomed(m_hWnd) != FALSE, rc.left, rc.top);
    if (pos) store.WriteProfileString(kEditorSection, L"EditorWindowPos", FormatRectText(*pos).c_str());
}

void CMainFrame::OnClose() {
    // Saved before the document is asked, so a close the user then cancels has saved it too.
    if (CountEditorWindows() == 1) SaveWindowPos();
    CFrameWnd::OnClose();
}

void CMainFrame::OpenStartCode(const std::wstring& code) {
    m_strStartCode = code;
    PostMessageW(m_hWnd, code.empty() ? WM_APP_ASK_CODE : WM_APP_OPEN_TARGET_CODE, 0, 0);
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == VK_ESCAPE) {
        if (CMatrixEditView* view = GetMatrixEditView()) view->NoteEscapeKey(msg->message == WM_KEYDOWN);
    }
    return CFrameWnd::PreTranslateMessage(msg);
}

BOOL CMainFrame::OnPreKeyDown(UINT key) {
    CMatrixEditView* view = GetMatrixEditView();
    switch (FrameKeyActionFor(key, view != nullptr, view ? view->GetTool() : 0)) {
        case FrameKeyAction::SwapPen:
            view->SetPenSwap(!view->GetPenSwap());
            return TRUE;
        case FrameKeyAction::NudgeSelection:
            view->NudgeSelection(key);
            return TRUE;
        case FrameKeyAction::CutSelection:
            view->CopyToClipboard(TRUE);
            return TRUE;
        case FrameKeyAction::CancelPendingPaste:
            return view->CancelPaste();
        case FrameKeyAction::PassOn:
            break;
    }
    return FALSE;
}

BOOL CMainFrame::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_APP_OPEN_TARGET_CODE, msg::Plain<&CMainFrame::OnOpenTargetCode>},
        {WM_APP_ASK_CODE, msg::Plain<&CMainFrame::OnAskCode>},
        {WM_GETMINMAXINFO, msg::Raw<&CMainFrame::OnGetMinMaxInfo>},
        {WM_ENTERSIZEMOVE, msg::Plain<&CMainFrame::OnEnterSizeMove>},
        {WM_EXITSIZEMOVE, msg::Plain<&CMainFrame::OnExitSizeMove>},
        {WM_DPICHANGED, msg::Raw<&CMainFrame::OnDpiChanged>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CFrameWnd::OnWndMsg(m, result);
}

void CMainFrame::OnOpenTargetCode() {
    if (auto* doc = dynamic_cast<CGlyphoEditorDoc*>(GetActiveDocument())) doc->LoadCodeImage(m_strStartCode);
}

void CMainFrame::OnAskCode() {
    if (auto* doc = dynamic_cast<CGlyphoEditorDoc*>(GetActiveDocument())) doc->OnCodeOpen();
}

LRESULT CMainFrame::OnGetMinMaxInfo(WPARAM /*wParam*/, LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (m_nMinTrackWidth != -1) info->ptMinTrackSize.x = m_nMinTrackWidth;
    if (m_nMinTrackHeight != -1) info->ptMinTrackSize.y = m_nMinTrackHeight;
    return Default();
}

void CMainFrame::OnEnterSizeMove() {
    GetWindowRect(m_hWnd, &m_rcSizeMove);
    Default();
}
