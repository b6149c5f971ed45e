#include "win32/framework/document.h"

#include <algorithm>

#include "win32/framework/win_app.h"
#include "win32/framework/wnd.h"

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

CDocument* CSingleDocTemplate::OpenNewDocument() {
    if (m_pDocument == nullptr) {
        m_pDocument = m_newDocument();
        if (m_pDocument == nullptr) return nullptr;

        CFrameWnd* frame = m_newFrame();
        CCreateContext context;
        context.m_pNewViewClass = m_newView;
        context.m_pCurrentDoc = m_pDocument;
        if (frame == nullptr || !frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW, nullptr, &context)) {
            delete frame;  // a frame whose LoadFrame failed has no window left and is ours to delete
            delete m_pDocument;
            m_pDocument = nullptr;
            return nullptr;
        }
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == nullptr) app->m_pMainWnd = frame;
        if (!m_pDocument->OnNewDocument()) {
            frame->DestroyWindow();  // deletes the frame and its views
            delete m_pDocument;
            m_pDocument = nullptr;
            return nullptr;
        }
        frame->InitialUpdateFrame(m_pDocument, FALSE);
        return m_pDocument;
    }
    return m_pDocument->OnNewDocument() ? m_pDocument : nullptr;
}

void CSingleDocTemplate::CloseDocument() {
    if (m_pDocument) m_pDocument->OnCloseDocument();
    delete m_pDocument;
    m_pDocument = nullptr;
}
