#include "win32/framework/doc_template.h"

#include "win32/framework/frame_wnd.h"
#include "win32/framework/win_thread.h"

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
        if (CWinThread* thread = AfxGetThread(); thread && thread->m_pMainWnd == nullptr)
            thread->m_pMainWnd = frame;
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
