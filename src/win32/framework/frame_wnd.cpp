#include "win32/framework/frame_wnd.h"

#include <commctrl.h>

#include "win32/framework/bars.h"
#include "win32/framework/win_thread.h"
#include "win32/platform/strings.h"
#include "resource.h"

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD style, CWnd* parent, CCreateContext* context) {
    m_nIDResource = nIDResource;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(nIDResource));
    const wchar_t* className =
        RegisterFrameworkClass(CS_DBLCLKS, icon, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    if (className == nullptr) return FALSE;

    std::wstring title = LoadResString(nIDResource);
    title = title.substr(0, title.find(L'\n'));
    m_pDocument = context ? context->m_pCurrentDoc : nullptr;

    CREATESTRUCTW cs = {};
    cs.style = style;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.cx = CW_USEDEFAULT;
    cs.cy = CW_USEDEFAULT;
    cs.hwndParent = parent ? parent->m_hWnd : nullptr;
    cs.hMenu = LoadMenuW(instance, MAKEINTRESOURCEW(nIDResource));
    cs.lpszName = title.c_str();
    cs.lpszClass = className;
    cs.hInstance = instance;
    if (!PreCreateWindow(cs)) {
        if (cs.hMenu) DestroyMenu(cs.hMenu);
        return FALSE;
    }
    m_hAccelTable = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(nIDResource));
    // A frame whose creation fails is deleted by the caller, not by its window's end.
    m_bAutoDelete = FALSE;
    m_pCreateContext = context;
    const BOOL created = CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu);
    m_pCreateContext = nullptr;
    if (!created) {
        if (cs.hMenu && !IsMenu(cs.hMenu)) cs.hMenu = nullptr;  // destroyed with the window
        if (cs.hMenu) DestroyMenu(cs.hMenu);
        return FALSE;
    }
    m_bAutoDelete = TRUE;
    RecalcLayout();
    return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCTW* cs) { return OnCreateClient(cs, m_pCreateContext) ? 0 : -1; }

BOOL CFrameWnd::OnCreateClient(CREATESTRUCTW* /*cs*/, CCreateContext* context) {
    if (context == nullptr || context->m_pNewViewClass == nullptr) return TRUE;
    CView* view = CreateView(context, m_hWnd, AFX_IDW_PANE_FIRST_ID);
    if (view == nullptr) return FALSE;
    SetActiveView(view);
    return TRUE;
}

CView* CFrameWnd::CreateView(CCreateContext* context, HWND parent, UINT id) {
    CView* view = context->m_pNewViewClass();
    if (view == nullptr) return nullptr;
    const wchar_t* className =
        RegisterFrameworkClass(CS_DBLCLKS, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    if (context->m_pCurrentDoc) {
        view->m_pDocument = context->m_pCurrentDoc;
        context->m_pCurrentDoc->AddView(view);
    }
    if (!className || !view->CreateEx(WS_EX_CLIENTEDGE, className, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                      parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        if (context->m_pCurrentDoc) context->m_pCurrentDoc->RemoveView(view);
        delete view;
        return nullptr;
    }
    return view;
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL makeVisible) {
    if (doc) {
        for (CView* view : doc->GetViews()) view->OnInitialUpdate();
    }
    if (makeVisible) ShowWindow(m_hWnd, SW_SHOW);
}

CDocument* CFrameWnd::GetActiveDocument() const {
    return m_pActiveView ? m_pActiveView->GetDocument() : m_pDocument;
}

void CFrameWnd::RecalcLayout() {
    if (m_pActiveView == nullptr || m_pActiveView->m_hWnd == nullptr) return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    MoveWindow(m_pActiveView->m_hWnd, 0, 0, rc.right, rc.bottom, TRUE);
}

BOOL CFrameWnd::RouteCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) {
    if (m_pActiveView && m_pActiveView->RouteCmdMsg(id, code, cmdUI)) return TRUE;
    if (m_pActiveView == nullptr && m_pDocument && m_pDocument->OnCmdMsg(id, code, cmdUI)) return TRUE;
    if (OnCmdMsg(id, code, cmdUI)) return TRUE;
    for (CView* view : m_commandViews) {
        if (view != m_pActiveView && view->OnCmdMsg(id, code, cmdUI)) return TRUE;
    }
    CWinThread* thread = AfxGetThread();
    return thread && thread->OnCmdMsg(id, code, cmdUI);
}

namespace {

// Applies a command's state to one item of a menu.
class CMenuCmdUI : public CCmdUI {
  public:
    CMenuCmdUI(HMENU menu, UINT position) : m_menu(menu), m_position(position) {}
    void Apply() const {
        EnableMenuItem(m_menu, m_position, MF_BYPOSITION | (m_bEnabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(m_menu, m_position, MF_BYPOSITION | (m_nCheck ? MF_CHECKED : MF_UNCHECKED));
        if (!m_strText.empty()) {
            MENUITEMINFOW info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING;
            info.dwTypeData = const_cast<wchar_t*>(m_strText.c_str());
            SetMenuItemInfoW(m_menu, m_position, TRUE, &info);
        }
    }

  private:
    HMENU m_menu;
    UINT m_position;
};

}  // namespace

void CFrameWnd::UpdateMenuItems(HMENU popup) {
    const int count = GetMenuItemCount(popup);
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(popup, position);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or sub-menu
        CMenuCmdUI ui(popup, static_cast<UINT>(position));
        ui.m_nID = id;
        RouteCmdMsg(id, CmdCode::UpdateUi, &ui);
        // A command nobody handles cannot be chosen.
        if (!ui.m_bHandled) ui.Enable(FALSE);
        ui.Apply();
    }
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && OnPreKeyDown(static_cast<UINT>(msg->wParam))) return TRUE;
    if (m_hAccelTable && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        return TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg) ? TRUE : FALSE;
    }
    return FALSE;
}

void CFrameWnd::SetControlBars(CToolBar* toolBar, CStatusBar* statusBar) {
    m_pToolBar = toolBar;
    m_pStatusBar = statusBar;
}

std::wstring CFrameWnd::HotButtonPrompt() const {
    if (m_pToolBar == nullptr || m_pToolBar->m_hWnd == nullptr) return {};
    const auto hot = static_cast<int>(SendMessageW(m_pToolBar->m_hWnd, TB_GETHOTITEM, 0, 0));
    if (hot < 0) return {};
    TBBUTTON button = {};
    if (!SendMessageW(m_pToolBar->m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(hot),
                      reinterpret_cast<LPARAM>(&button)) ||
        button.idCommand == 0) {
        return {};
    }
    return CommandPrompt(static_cast<UINT>(button.idCommand));
}

void CFrameWnd::ShowIdlePrompt() {
    if (m_pStatusBar == nullptr || m_pStatusBar->m_hWnd == nullptr || m_bMenuActive) return;
    // A button under the mouse keeps its prompt while the program idles, and so does a pane that
    // showed its own prompt while the mouse rests on it.
    const std::wstring hot = HotButtonPrompt();
    if (!hot.empty()) {
        m_hPromptWindow = nullptr;
        m_pStatusBar->SetPaneText(hot);
        return;
    }
    POINT cursor = {};
    if (m_hPromptWindow && GetCursorPos(&cursor) && WindowFromPoint(cursor) == m_hPromptWindow) return;
    m_hPromptWindow = nullptr;
    m_pStatusBar->SetPaneText(LoadResString(AFX_IDS_IDLEMESSAGE));
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    if (m_pToolBar && m_pToolBar->m_hWnd) {
        m_pToolBar->UpdateButtons([this](UINT id, CCmdUI* ui) { RouteCmdMsg(id, CmdCode::UpdateUi, ui); });
    }
    ShowIdlePrompt();
}

BOOL CFrameWnd::OnBarNotify(const NMHDR* header, LRESULT* result) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
        m_strToolTip = CommandToolTip(static_cast<UINT>(header->idFrom));
        info->lpszText = m_strToolTip.data();
        *result = 0;
        return TRUE;
    }
    if (header->code == TBN_HOTITEMCHANGE && m_pToolBar && header->hwndFrom == m_pToolBar->m_hWnd &&
        m_pStatusBar && m_pStatusBar->m_hWnd) {
        // The prompt of the button under the mouse, as for a highlighted menu item.
        const auto* change = reinterpret_cast<const NMTBHOTITEM*>(header);
        const bool leaving = (change->dwFlags & HICF_LEAVING) != 0;
        m_pStatusBar->SetPaneText(leaving ? LoadResString(AFX_IDS_IDLEMESSAGE)
                                          : CommandPrompt(static_cast<UINT>(change->idNew)));
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

void CFrameWnd::OnClose() {
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this)) return;
    DestroyWindow();
}

BOOL CFrameWnd::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_CREATE, msg::Raw<&CFrameWnd::OnCreateMessage>},
        {WM_SIZE, msg::Plain<&CFrameWnd::RecalcLayout>},
        {WM_CLOSE, msg::Plain<&CFrameWnd::OnClose>},
        {WM_COMMAND, msg::Raw<&CFrameWnd::OnCommandMessage>},
        {WM_INITMENUPOPUP, msg::Raw<&CFrameWnd::OnInitMenuPopup>},
        {WM_MENUSELECT, msg::Raw<&CFrameWnd::OnMenuSelect>},
        {WM_NOTIFY, msg::Raw<&CFrameWnd::OnNotify>},
        {WM_SETMESSAGESTRING, msg::Raw<&CFrameWnd::OnSetMessageString>},
        {WM_NCDESTROY, msg::Plain<&CFrameWnd::OnNcDestroy>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CWnd::OnWndMsg(m, result);
}

LRESULT CFrameWnd::OnCreateMessage(WPARAM /*wParam*/, LPARAM lParam) {
    return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
}

LRESULT CFrameWnd::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
    if (OnCommand(wParam, lParam)) return 0;
    // Menus (0), accelerators (1) and bar buttons (BN_CLICKED, 0); other controls'
    // notifications are their parents' business.
    if (HIWORD(wParam) <= 1 && RouteCmdMsg(LOWORD(wParam), CmdCode::Command, nullptr)) return 0;
    return Default();
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
    if (!HIWORD(lParam)) UpdateMenuItems(reinterpret_cast<HMENU>(wParam));
    return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    if (m_pStatusBar == nullptr || m_pStatusBar->m_hWnd == nullptr) return Default();
    const UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {
        m_bMenuActive = false;
        m_pStatusBar->SetPaneText(LoadResString(AFX_IDS_IDLEMESSAGE));
    } else {
        m_bMenuActive = true;
        const bool item = (flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)) == 0;
        m_pStatusBar->SetPaneText(item ? CommandPrompt(LOWORD(wParam)) : std::wstring());
    }
    return 0;
}

LRESULT CFrameWnd::OnNotify(WPARAM /*wParam*/, LPARAM lParam) {
    LRESULT result = 0;
    if (OnBarNotify(reinterpret_cast<const NMHDR*>(lParam), &result)) return result;
    return Default();
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM /*lParam*/) {
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
        m_pStatusBar->SetPaneText(LoadResString(static_cast<UINT>(wParam)));
    // A pane asks while the mouse is on it: its prompt stays until the mouse leaves it.
    POINT cursor = {};
    const bool idle = wParam == AFX_IDS_IDLEMESSAGE;
    m_hPromptWindow = !idle && GetCursorPos(&cursor) ? WindowFromPoint(cursor) : nullptr;
    return 0;
}

void CFrameWnd::OnNcDestroy() {
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd == this) PostQuitMessage(0);
    Default();
}

void CFrameWnd::PostNcDestroy() {
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd == this) thread->m_pMainWnd = nullptr;
    if (m_bAutoDelete) delete this;
}
