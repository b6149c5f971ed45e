// The window classes of our small stand-in for the application framework: one window
// procedure binds each HWND to its C++ object at WM_NCCREATE and hands every message to the
// object's virtual WindowProc; frames and views build on that.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win32/framework/cmd_target.h"

class CDocument;
class CToolBar;
class CStatusBar;

// Id of the first (and only) view pane of a frame.
constexpr UINT AFX_IDW_PANE_FIRST_ID = 0xE900;
class CView;
class CFrameWnd;

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menu);
    BOOL DestroyWindow();
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;

    // Registers (once) a window class that uses the framework's window procedure.
    static const wchar_t* RegisterFrameworkClass(UINT style, HICON icon, HBRUSH background, HCURSOR cursor);

    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after the window is gone; the default does nothing.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

  protected:
    // Default processing of the message being handled.
    virtual LRESULT Default();
    // Binds this object to a window (FromHandlePermanent finds it) and lets go of it again.
    void Attach(HWND hWnd);
    void Detach();

    // The message being handled, for Default(); nested messages save and restore it.
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    class CurrentMessageScope {
      public:
        CurrentMessageScope(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam)
            : m_wnd(wnd), m_saved(wnd.m_current) {
            wnd.m_current = {message, wParam, lParam};
        }
        CurrentMessageScope(const CurrentMessageScope&) = delete;
        CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;
        ~CurrentMessageScope() { m_wnd.m_current = m_saved; }

      private:
        CWnd& m_wnd;
        CurrentMessage m_saved;
    };
    CurrentMessage m_current;

  private:
    static LRESULT CALLBACK FrameworkWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// The client point packed into a mouse message's lParam (signed: a captured mouse may be left of
// or above the window).
inline POINT PointFromLParam(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

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
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    CDocument* m_pDocument = nullptr;
};

class CFrameWnd : public CWnd {
  public:
    // Creates the frame from resource id: menu, accelerators, icon and the title from the
    // first part of the document string.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD style, CWnd* parent, CCreateContext* context);
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs) { return TRUE; }
    // Creates the client area; the default makes one view that fills it.
    virtual BOOL OnCreateClient(CREATESTRUCTW* cs, CCreateContext* context);
    CView* CreateView(CCreateContext* context, HWND parent, UINT id);
    void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);

    // Routes a command or its state query: active view, document, frame, application.
    BOOL RouteCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI);
    // Applies the state of every item of a popup menu that is about to open.
    void UpdateMenuItems(HMENU popup);
    // Idle-time update of the bars: tool bar button states, and the status bar's idle text unless
    // a menu item or a tool bar button under the mouse shows its prompt.
    virtual void OnIdleUpdateCmdUI();

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    CDocument* GetActiveDocument() const;

    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    HACCEL m_hAccelTable = nullptr;
    BOOL m_bAutoDelete = TRUE;  // the frame deletes itself when its window is gone

  protected:
    // WM_CREATE: the framework creates the client area (OnCreateClient); -1 fails creation.
    virtual int OnCreate(CREATESTRUCTW* cs);
    virtual void OnClose();
    virtual void RecalcLayout();
    // The bars (owned by the derived frame) whose button states, prompts and tool tips the frame
    // keeps: the status bar shows the prompt of a highlighted menu item or of the tool bar button
    // under the mouse, and the idle text otherwise.
    void SetControlBars(CToolBar* toolBar, CStatusBar* statusBar);

    CCreateContext* m_pCreateContext = nullptr;  // during LoadFrame only

    CView* m_pActiveView = nullptr;
    CDocument* m_pDocument = nullptr;
    UINT m_nIDResource = 0;

  private:
    BOOL OnBarNotify(const NMHDR* header, LRESULT* result);
    // The prompt of the tool bar button under the mouse, or empty.
    std::wstring HotButtonPrompt() const;
    void ShowIdlePrompt();

    CToolBar* m_pToolBar = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    bool m_bMenuActive = false;
    std::wstring m_strToolTip;  // kept alive while the tool tip shows it
};
