// The document/view pair of the framework: a document and the views that show it. The document
// tells its views of changes through OnUpdate; a view routes commands to its document after its
// own.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "win32/framework/cmd_target.h"
#include "win32/framework/wnd.h"

class CView;
class CFrameWnd;

class CDocument : public CCmdTarget {
  public:
    virtual ~CDocument() = default;

    virtual BOOL OnNewDocument() { return TRUE; }
    virtual BOOL CanCloseFrame(CFrameWnd* frame) { return TRUE; }
    virtual void OnCloseDocument() {}

    void UpdateAllViews(CView* sender, LPARAM hint = 0, void* hintObject = nullptr);
    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  private:
    std::vector<CView*> m_views;
    BOOL m_bModified = FALSE;
};

// What a frame needs to create its views: the view to make and the document to attach.
struct CCreateContext {
    std::function<CView*()> m_pNewViewClass;
    CDocument* m_pCurrentDoc = nullptr;
};

class CView : public CWnd {
  public:
    CDocument* GetDocument() const { return m_pDocument; }
    // The view's own commands, then its document's.
    BOOL RouteCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI);
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    virtual void OnUpdate(CView* sender, LPARAM hint, void* hintObject);
    virtual void OnDraw(HDC dc) {}
    void PostNcDestroy() override;

    CDocument* m_pDocument = nullptr;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    // Paints through OnDraw.
    void OnPaint();
    void OnDestroy();
};
