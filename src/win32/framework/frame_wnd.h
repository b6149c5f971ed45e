// The frame window of the framework: menu, accelerators and bars around the views, the command
// route (active view, document, frame, application) and the state of menu items and tool bar
// buttons asked along the same route.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/framework/doc_view.h"
#include "win32/framework/wnd.h"

class CToolBar;
class CStatusBar;

// A pane's prompt for the status bar, by string id (wParam).
constexpr UINT WM_SETMESSAGESTRING = 0x0362;

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
    // a menu item, the tool bar button under the mouse or the pane under the mouse shows its prompt.
    virtual void OnIdleUpdateCmdUI();

    // A view whose own commands reach it also while another pane is active (after the frame's).
    void AddCommandView(CView* view) { m_commandViews.push_back(view); }

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    CDocument* GetActiveDocument() const;

    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;

    HACCEL m_hAccelTable = nullptr;
    BOOL m_bAutoDelete = TRUE;  // the frame deletes itself when its window is gone

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    // WM_CREATE: the framework creates the client area (OnCreateClient); -1 fails creation.
    virtual int OnCreate(CREATESTRUCTW* cs);
    virtual void OnClose();
    virtual void RecalcLayout();
    // A key press on its way to any window of the frame, before the accelerators: TRUE when the
    // frame took it.
    virtual BOOL OnPreKeyDown(UINT virtualKey) { return FALSE; }
    // The bars (owned by the derived frame) whose button states, prompts and tool tips the frame
    // keeps: the status bar shows the prompt of a highlighted menu item or of the tool bar button
    // under the mouse, and the idle text otherwise.
    void SetControlBars(CToolBar* toolBar, CStatusBar* statusBar);

    CCreateContext* m_pCreateContext = nullptr;  // during LoadFrame only

    CView* m_pActiveView = nullptr;
    CDocument* m_pDocument = nullptr;
    UINT m_nIDResource = 0;

  private:
    LRESULT OnCreateMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
    void OnNcDestroy();
    BOOL OnBarNotify(const NMHDR* header, LRESULT* result);
    // The prompt of the tool bar button under the mouse, or empty.
    std::wstring HotButtonPrompt() const;
    void ShowIdlePrompt();

    std::vector<CView*> m_commandViews;
    CToolBar* m_pToolBar = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    bool m_bMenuActive = false;
    HWND m_hPromptWindow = nullptr;  // the pane whose prompt shows, while the mouse rests on it
    std::wstring m_strToolTip;       // kept alive while the tool tip shows it
};
