#include "win32/framework/doc_view.h"

#include <algorithm>

// --- CDocument ---

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, void* hintObject) {
    for (CView* view : m_views) {
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
    }
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

// --- CView ---

BOOL CView::RouteCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    if (OnCmdMsg(id, code, cmdUI)) return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(id, code, cmdUI);
}

void CView::OnUpdate(CView* /*sender*/, LPARAM /*hint*/, void* /*hintObject*/) {
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

BOOL CView::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_PAINT, msg::Plain<&CView::OnPaint>},
        {WM_DESTROY, msg::Plain<&CView::OnDestroy>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CWnd::OnWndMsg(m, result);
}

void CView::OnPaint() {
    PaintDC dc(m_hWnd);
    OnDraw(dc.Get());
}

void CView::OnDestroy() {
    if (m_pDocument) m_pDocument->RemoveView(this);
    Default();
}

void CView::PostNcDestroy() { delete this; }
