// The single-document template: creates a document, its frame and its views in the framework's
// order.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate {
  public:
    // Factories, so that the program can hand its objects what they need when they are made.
    using DocumentFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CFrameWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CSingleDocTemplate(UINT nIDResource, DocumentFactory doc, FrameFactory frame, ViewFactory view)
        : m_nIDResource(nIDResource),
          m_newDocument(std::move(doc)),
          m_newFrame(std::move(frame)),
          m_newView(std::move(view)) {}

    // Creates the document, then the frame with its views, then runs OnNewDocument and the
    // views' initial update. Returns the document, or null when any step failed.
    CDocument* OpenNewDocument();
    CDocument* GetDocument() const { return m_pDocument; }
    void CloseDocument();

  private:
    UINT m_nIDResource;
    DocumentFactory m_newDocument;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
    CDocument* m_pDocument = nullptr;
};
