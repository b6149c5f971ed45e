// The framework stand-in in-process: a frame with a view over a document and the application object,
// made from no resources at all, checked for the route a command and its state query take, the menu
// states that route gives, the keys the frame takes first, and the message tables of windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "win32/framework/doc_view.h"
#include "win32/framework/frame_wnd.h"
#include "win32/framework/win_thread.h"
#include "win32/framework/wnd.h"

namespace {

// Ids: each object of the route owns a few, and 400 belongs to nobody.
constexpr UINT kViewCmd = 100, kShared = 101, kDocCmd = 200, kFrameCmd = 300, kNobody = 400, kPaneCmd = 500,
               kAppCmd = 600, kChecked = 700;

std::vector<std::string>* g_trace = nullptr;
void Trace(const std::string& what) {
    if (g_trace) g_trace->push_back(what);
}

class TestThread : public CWinThread {
  public:
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui) override {
        static const CommandEntry<TestThread> table[] = {{kAppCmd, kAppCmd, &TestThread::OnApp}};
        return DispatchCommand(this, table, id, code, ui);
    }
    void OnApp() { Trace("app"); }
};

class TestDoc : public CDocument {
  public:
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui) override {
        static const CommandEntry<TestDoc> table[] = {
            {kDocCmd, kDocCmd, &TestDoc::OnDoc},
            {kShared, kShared, &TestDoc::OnShared},
        };
        return DispatchCommand(this, table, id, code, ui);
    }
    void OnDoc() { Trace("doc"); }
    void OnShared() { Trace("doc shared"); }
};

class TestView : public CView {
  public:
    explicit TestView(std::string name, UINT ownCommand) : m_name(std::move(name)), m_own(ownCommand) {}
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui) override {
        static const CommandEntry<TestView> table[] = {
            {kViewCmd, kViewCmd, nullptr, nullptr, &TestView::OnOwn},
            {kShared, kShared, &TestView::OnShared},
            {kPaneCmd, kPaneCmd, nullptr, nullptr, &TestView::OnOwn},
            {kChecked, kChecked, &TestView::OnShared, &TestView::OnUpdateChecked},
        };
        if (id != m_own && id != kShared && id != kChecked) return FALSE;
        return DispatchCommand(this, table, id, code, ui);
    }
    void OnOwn(UINT id) { Trace(m_name + " " + std::to_string(id)); }
    void OnShared() { Trace(m_name + " shared"); }
    void OnUpdateChecked(CCmdUI* ui) {
        ui->Enable(FALSE);
        ui->SetCheck(1);
    }

    // Messages through the view's table.
    std::vector<POINT> clicks;
    int paints = 0;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override {
        static const MessageEntry table[] = {
            {WM_LBUTTONDOWN, msg::Mouse<&TestView::OnLButtonDown>},
            {WM_APP + 7, msg::Raw<&TestView::OnSeven>},
        };
        return DispatchWindowMessage(*this, table, m, result) || CView::OnWndMsg(m, result);
    }
    void OnDraw(HDC dc) override { paints += dc != nullptr; }

  private:
    void OnLButtonDown(UINT, POINT point) { clicks.push_back(point); }
    LRESULT OnSeven(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam * 10 + lParam); }

    std::string m_name;
    UINT m_own;
};

class TestFrame : public CFrameWnd {
  public:
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* ui) override {
        static const CommandEntry<TestFrame> table[] = {{kFrameCmd, kFrameCmd, &TestFrame::OnFrame}};
        return DispatchCommand(this, table, id, code, ui);
    }
    void OnFrame() { Trace("frame"); }
    std::vector<UINT> keys;
    UINT takenKey = 0;

  protected:
    BOOL OnPreKeyDown(UINT key) override {
        keys.push_back(key);
        return key == takenKey;
    }
};

// A frame with two panes over one document: the active one made by the framework, the other a
// command view added by hand.
class FrameworkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_trace = &trace;
        frame = new TestFrame;
        context.m_pNewViewClass = [this] { return active = new TestView("active", kViewCmd); };
        context.m_pCurrentDoc = &doc;
        ASSERT_TRUE(frame->LoadFrame(0x7F00, WS_OVERLAPPEDWINDOW, nullptr, &context));
        thread.m_pMainWnd = frame;
        hwnd = frame->m_hWnd;
        CCreateContext paneContext;
        paneContext.m_pNewViewClass = [this] { return pane = new TestView("pane", kPaneCmd); };
        paneContext.m_pCurrentDoc = &doc;
        ASSERT_NE(frame->CreateView(&paneContext, hwnd, AFX_IDW_PANE_FIRST_ID + 1), nullptr);
    }
    void TearDown() override {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);  // deletes the frame and its views
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        g_trace = nullptr;
    }
    bool Route(UINT id) { return frame->RouteCmdMsg(id, CmdCode::Command, nullptr) != FALSE; }

    std::vector<std::string> trace;
    TestThread thread;
    TestDoc doc;
    CCreateContext context;
    TestFrame* frame = nullptr;
    TestView* active = nullptr;
    TestView* pane = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace

TEST_F(FrameworkTest, ACommandGoesToTheActiveViewItsDocumentTheFrameTheCommandViewsAndTheApplication) {
    ASSERT_EQ(frame->GetActiveView(), active);
    for (UINT id : {kViewCmd, kShared, kDocCmd, kFrameCmd, kAppCmd}) EXPECT_TRUE(Route(id)) << id;
    EXPECT_EQ(trace, (std::vector<std::string>{"active 100", "active shared", "doc", "frame", "app"}));
    // The other pane's own command reaches it only once it is registered as a command view.
    trace.clear();
    EXPECT_FALSE(Route(kPaneCmd));
    frame->AddCommandView(pane);
    EXPECT_TRUE(Route(kPaneCmd));
    EXPECT_FALSE(Route(kNobody));
    // The active pane keeps the shared command: the command view is asked after the frame, and only when
    // it is not the active view itself.
    EXPECT_TRUE(Route(kShared));
    frame->SetActiveView(pane);
    EXPECT_TRUE(Route(kShared));
    EXPECT_EQ(trace, (std::vector<std::string>{"pane 500", "active shared", "pane shared"}));

    // A command comes in as WM_COMMAND from a menu (0) or an accelerator (1) and takes the same route.
    trace.clear();
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kDocCmd, 1), 0);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kFrameCmd, 0), 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"doc", "frame"}));
}

TEST_F(FrameworkTest, MenuItemsTakeTheStateTheRouteGivesAndNobodysCommandIsGrey) {
    HMENU popup = CreatePopupMenu();
    for (UINT id : {kViewCmd, kDocCmd, kNobody, kAppCmd, kChecked})
        AppendMenuW(popup, MF_STRING, id, L"item");
    // An item may start checked; the update clears what its handler does not set.
    CheckMenuItem(popup, kDocCmd, MF_BYCOMMAND | MF_CHECKED);
    SendMessageW(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, FALSE));
    const auto state = [&](UINT id) { return GetMenuState(popup, id, MF_BYCOMMAND); };
    EXPECT_EQ(state(kViewCmd) & MF_GRAYED, 0u);
    EXPECT_EQ(state(kDocCmd) & (MF_GRAYED | MF_CHECKED), 0u);
    EXPECT_EQ(state(kAppCmd) & MF_GRAYED, 0u);
    EXPECT_NE(state(kNobody) & MF_GRAYED, 0u);
    EXPECT_NE(state(kChecked) & MF_GRAYED, 0u);
    EXPECT_NE(state(kChecked) & MF_CHECKED, 0u);
    EXPECT_TRUE(trace.empty()) << "a state query runs no command";
    DestroyMenu(popup);
}

TEST_F(FrameworkTest, TheFrameSeesKeysBeforeTheAcceleratorsAndWindowsAnswerThroughTheirTables) {
    frame->takenKey = VK_F7;
    MSG key = {active->m_hWnd, WM_KEYDOWN, VK_F7, 0, 0, {}};
    EXPECT_TRUE(frame->PreTranslateMessage(&key));
    key.wParam = 'A';
    EXPECT_FALSE(frame->PreTranslateMessage(&key));
    MSG up = {active->m_hWnd, WM_KEYUP, VK_F7, 0, 0, {}};
    EXPECT_FALSE(frame->PreTranslateMessage(&up));
    EXPECT_EQ(frame->keys, (std::vector<UINT>{VK_F7, 'A'}));

    // Typed handlers get the message's parameters unpacked; a message without a handler gets the
    // default processing.
    SendMessageW(active->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 12));
    ASSERT_EQ(active->clicks.size(), 1u);
    EXPECT_EQ(active->clicks[0].x, -3);
    EXPECT_EQ(active->clicks[0].y, 12);
    EXPECT_EQ(SendMessageW(active->m_hWnd, WM_APP + 7, 4, 2), 42);
    SetWindowTextW(active->m_hWnd, L"via the default");
    wchar_t text[32] = {};
    GetWindowTextW(active->m_hWnd, text, 32);
    EXPECT_STREQ(text, L"via the default");

    // A paint goes through the view's PaintDC to OnDraw, and validates what it painted.
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    InvalidateRect(active->m_hWnd, nullptr, FALSE);
    const int before = active->paints;
    UpdateWindow(active->m_hWnd);
    EXPECT_EQ(active->paints, before + 1);
    RECT left = {};
    EXPECT_FALSE(GetUpdateRect(active->m_hWnd, &left, FALSE));

    // The frame's own messages: a close destroys the window, and the main frame's end posts the quit.
    DestroyWindow(hwnd);
    MSG quit = {};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(thread.m_pMainWnd, nullptr);
}
