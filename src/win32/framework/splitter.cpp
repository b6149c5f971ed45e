#include "win32/framework/splitter.h"

#include <algorithm>

#include "win32/framework/frame_wnd.h"

BOOL CSplitterWnd::CreateStatic(CWnd* parent, int rows, int columns, DWORD style, UINT id) {
    if (rows != 1 || columns != 2) return FALSE;  // the only layout the program uses
    const wchar_t* className =
        RegisterFrameworkClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
    return className && CWnd::CreateEx(0, className, L"", style | WS_CLIPCHILDREN, 0, 0, 0, 0, parent->m_hWnd,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CSplitterWnd::CreateView(int row, int column, std::function<CView*()> newView, SIZE initialSize,
                              CCreateContext* context) {
    if (row != 0 || column < 0 || column > 1 || m_panes[column]) return FALSE;
    CCreateContext paneContext = context ? *context : CCreateContext{};
    paneContext.m_pNewViewClass = std::move(newView);
    auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(GetParent(m_hWnd)));
    if (frame == nullptr) return FALSE;
    CView* view = frame->CreateView(&paneContext, m_hWnd, AFX_IDW_PANE_FIRST_ID + static_cast<UINT>(column));
    if (view == nullptr) return FALSE;
    m_panes[column] = view;
    if (column == 0) m_leftWidth = initialSize.cx;
    RecalcLayout();
    return TRUE;
}

void CSplitterWnd::SetColumnLayout(int leftWidth, int barWidth) {
    m_leftWidth = std::max(0, leftWidth);
    m_barWidth = std::max(1, barWidth);
    if (m_hWnd) RecalcLayout();
}

void CSplitterWnd::RecalcLayout() {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (m_panes[0] && m_panes[0]->m_hWnd) MoveWindow(m_panes[0]->m_hWnd, 0, 0, m_leftWidth, rc.bottom, TRUE);
    if (m_panes[1] && m_panes[1]->m_hWnd) {
        const int left = m_leftWidth + m_barWidth;
        MoveWindow(m_panes[1]->m_hWnd, left, 0, std::max(0, static_cast<int>(rc.right) - left), rc.bottom,
                   TRUE);
    }
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CSplitterWnd::PaintBar(HDC dc) const {
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    RECT bar = {m_leftWidth, 0, m_leftWidth + m_barWidth, rc.bottom};
    FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &bar, EDGE_RAISED, BF_LEFT | BF_RIGHT);
}

void CSplitterWnd::OnLButtonDown(UINT /*flags*/, POINT point) {
    if (point.x >= m_leftWidth && point.x < m_leftWidth + m_barWidth) {
        m_tracking = true;
        SetCapture(m_hWnd);
    }
}

void CSplitterWnd::OnMouseMove(UINT /*flags*/, POINT point) {
    if (m_tracking || (point.x >= m_leftWidth && point.x < m_leftWidth + m_barWidth)) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
    }
    if (!m_tracking) return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    m_leftWidth =
        std::clamp(static_cast<int>(point.x), 0, std::max(0, static_cast<int>(rc.right) - m_barWidth));
    RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT /*flags*/, POINT /*point*/) {
    if (m_tracking) {
        m_tracking = false;
        ReleaseCapture();
    }
}

BOOL CSplitterWnd::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_SIZE, msg::Plain<&CSplitterWnd::RecalcLayout>},
        {WM_PAINT, msg::Plain<&CSplitterWnd::OnPaint>},
        {WM_LBUTTONDOWN, msg::Mouse<&CSplitterWnd::OnLButtonDown>},
        {WM_MOUSEMOVE, msg::Mouse<&CSplitterWnd::OnMouseMove>},
        {WM_LBUTTONUP, msg::Mouse<&CSplitterWnd::OnLButtonUp>},
        {WM_COMMAND, msg::Raw<&CSplitterWnd::ForwardToFrame>},
        {WM_NOTIFY, msg::Raw<&CSplitterWnd::ForwardToFrame>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CWnd::OnWndMsg(m, result);
}

void CSplitterWnd::OnPaint() {
    PaintDC dc(m_hWnd);
    PaintBar(dc.Get());
}

LRESULT CSplitterWnd::ForwardToFrame(WPARAM wParam, LPARAM lParam) {
    // Panes' notifications belong to the frame.
    return SendMessageW(GetParent(m_hWnd), m_current.message, wParam, lParam);
}
