// The main window as a user meets it: its size from the zoom and the glyph size, the zoom
// command and resizing by hand, the remembered position shared by several editors, the status
// bar prompts, the companion-program buttons and the new-editor command.
#include "editor_fixture.h"

#include <commctrl.h>

#include "app/frame_rules.h"
#include "panes/info_layout.h"

using namespace e2e;

namespace {

constexpr UINT kZoomCommand = 32814;
constexpr UINT kListBrowserCommand = 32776;
constexpr UINT kManagerCommand = 32775;
constexpr UINT kNewEditorCommand = 57600;

HWND ChildOfClass(HWND parent, const wchar_t* className) {
    for (HWND child : ChildWindows(parent)) {
        if (WindowClass(child) == className) return child;
    }
    return nullptr;
}

int Height(HWND window) {
    RECT rc = {};
    GetWindowRect(window, &rc);
    return rc.bottom - rc.top;
}

SIZE WindowSize(HWND window) {
    RECT rc = {};
    GetWindowRect(window, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

class FrameTest : public EditorTest {
  protected:
    // The frame size the window must have for zoom p: the matrix extent plus the borders,
    // caption, menu and the two bars as they are laid out, never lower than the information column
    // nor narrower than the tool bar's buttons (at zoom 4 both are the larger).
    static SIZE ExpectedSize(HWND main, int zoom, int glyphSize) {
        FrameMetrics m;
        const InfoColumnLayout column = LayoutInfoColumn(96);
        m.infoColumnWidth = column.width;
        m.infoColumnHeight = column.height;
        m.splitterBarWidth = SplitterBarWidth(96);
        m.cxFrame = GetSystemMetrics(SM_CXFRAME);
        m.cyFrame = GetSystemMetrics(SM_CYFRAME);
        m.cyCaption = GetSystemMetrics(SM_CYCAPTION);
        m.cyMenu = GetSystemMetrics(SM_CYMENU);
        m.toolBarHeight = Height(ChildOfClass(main, TOOLBARCLASSNAMEW));
        m.statusBarHeight = Height(ChildOfClass(main, STATUSCLASSNAMEW));
        m.toolBarWidth = ToolBarContentWidth(ChildOfClass(main, TOOLBARCLASSNAMEW));
        const FrameSize size = FrameSizeForExtent(MatrixExtent(zoom, glyphSize), m);
        return {size.cx, size.cy};
    }

    static bool SizeIs(HWND main, SIZE expected) {
        const SIZE now = WindowSize(main);
        return now.cx == expected.cx && now.cy == expected.cy;
    }

    static LRESULT ButtonState(HWND main, UINT command) {
        return SendMessageW(ChildOfClass(main, TOOLBARCLASSNAMEW), TB_GETSTATE, command, 0);
    }

    // The program updates its tool bar when its message queue runs empty; any message wakes it.
    static bool WaitForButtonEnabled(HWND main, UINT command, bool enabled) {
        return WaitUntil([&] {
            PostMessageW(main, WM_NULL, 0, 0);
            return ((ButtonState(main, command) & TBSTATE_ENABLED) != 0) == enabled;
        });
    }

    // GetWindowText of another process's window reads its caption, not the pane text the
    // status bar answers WM_GETTEXT with.
    static std::wstring StatusText(HWND main) { return ControlText(ChildOfClass(main, STATUSCLASSNAMEW)); }
};

TEST_F(FrameTest, WindowSizeFollowsZoomCommand) {
    Process editor = Start(L"E001");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Setting(L"PixSize"), L"6");
    EXPECT_TRUE(WaitUntil([&] { return SizeIs(main, ExpectedSize(main, 6, 64)); }))
        << "size " << WindowSize(main).cx << "x" << WindowSize(main).cy;
    // Commands nobody handles yet are grey once the bars have had their idle update.
    EXPECT_TRUE(WaitForButtonEnabled(main, 57643, false));
    EXPECT_TRUE(WaitForButtonEnabled(main, kZoomCommand, true));
    SaveScreenshotOf(main, ThisExeFolder() + L"\\main-window.bmp");

    // The information column keeps its width; the matrix pane gets the rest.
    HWND splitter = GetDlgItem(main, 0xE900);
    ASSERT_NE(splitter, nullptr);
    HWND info = GetDlgItem(splitter, 0xE900);
    HWND matrix = GetDlgItem(splitter, 0xE901);
    ASSERT_TRUE(info && matrix);
    EXPECT_EQ(WindowSize(info).cx, 87);
    EXPECT_EQ(WindowSize(matrix).cy, WindowSize(splitter).cy);
    RECT infoRect, matrixRect;
    GetWindowRect(info, &infoRect);
    GetWindowRect(matrix, &matrixRect);
    EXPECT_LT(infoRect.right, matrixRect.left) << "the information column is on the left";

    PostMessageW(main, WM_COMMAND, kZoomCommand, 0);
    EXPECT_TRUE(WaitUntil([&] { return SizeIs(main, ExpectedSize(main, 7, 64)); }));
    EXPECT_EQ(Setting(L"PixSize"), L"7");

    // With Shift held the zoom command zooms out, down to 4 and no further. Sharing the editor's
    // input state makes the Shift key part of it before the command arrives.
    const DWORD editorThread = GetWindowThreadProcessId(main, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), editorThread, TRUE));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] |= 0x80;
    SetKeyboardState(keys);
    for (int zoom = 6; zoom >= 4; --zoom) {
        PostMessageW(main, WM_COMMAND, kZoomCommand, 0);
        EXPECT_TRUE(WaitUntil([&] { return Setting(L"PixSize") == std::to_wstring(zoom); }))
            << "zoom " << zoom << " has " << Narrow(Setting(L"PixSize").value_or(L"?"));
    }
    PostMessageW(main, WM_COMMAND, kZoomCommand, 0);
    SendMessageW(main, WM_NULL, 0, 0);  // the command above has been handled when this returns
    EXPECT_EQ(Setting(L"PixSize"), L"4");
    keys[VK_SHIFT] &= 0x7F;
    SetKeyboardState(keys);
    AttachThreadInput(GetCurrentThreadId(), editorThread, FALSE);
    // The setting is stored before the window has taken its new size.
    EXPECT_TRUE(WaitUntil([&] { return SizeIs(main, ExpectedSize(main, 4, 64)); }))
        << "size " << WindowSize(main).cx << "x" << WindowSize(main).cy;
}

TEST_F(FrameTest, ResizingByHandSnapsToTheZoom) {
    WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                  L"\r\nPixSize=6\r\n");
    Process editor = Start(L"E002");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return SizeIs(main, ExpectedSize(main, 6, 64)); }));
    auto drag = [&](int dx, int dy) {
        const SIZE before = WindowSize(main);
        SendMessageW(main, WM_ENTERSIZEMOVE, 0, 0);
        SetWindowPos(main, nullptr, 0, 0, before.cx + dx, before.cy + dy, SWP_NOMOVE | SWP_NOZORDER);
        SendMessageW(main, WM_EXITSIZEMOVE, 0, 0);
    };
    drag(70, 0);
    EXPECT_EQ(Setting(L"PixSize"), L"7");
    EXPECT_TRUE(SizeIs(main, ExpectedSize(main, 7, 64)));
    drag(63, 0);  // less than a glyph size: back to the fitted size
    EXPECT_EQ(Setting(L"PixSize"), L"7");
    EXPECT_TRUE(SizeIs(main, ExpectedSize(main, 7, 64)));
    drag(200, 10);
    EXPECT_EQ(Setting(L"PixSize"), L"10");
    EXPECT_TRUE(SizeIs(main, ExpectedSize(main, 10, 64)));

    // The window cannot be made smaller than at zoom 4.
    MINMAXINFO info = {};
    SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    const SIZE at4 = ExpectedSize(main, 4, 64);
    EXPECT_EQ(info.ptMinTrackSize.x, at4.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, at4.cy);
}

TEST_F(FrameTest, OnlyTheOnlyEditorRestoresAndSavesItsPosition) {
    WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                  L"\r\nEditorWindowPos=100:120:-1:-1\r\n");
    Process first = Start(L"E003");
    HWND firstMain = WaitForEditorWindow(first);
    ASSERT_NE(firstMain, nullptr);
    RECT rc = {};
    GetWindowRect(firstMain, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 120);

    Process second = Start(L"E004");
    HWND secondMain = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        secondMain = FindEditorWindow(second);
        return secondMain != nullptr;
    }));
    GetWindowRect(secondMain, &rc);
    EXPECT_FALSE(rc.left == 100 && rc.top == 120) << "the second editor must open at the default position";

    // The second one closes while the first still runs: nothing is saved.
    SetWindowPos(secondMain, nullptr, 300, 310, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageW(secondMain, WM_CLOSE, 0, 0);
    ASSERT_TRUE(second.WaitForExit().has_value());
    EXPECT_EQ(Setting(L"EditorWindowPos"), L"100:120:-1:-1");

    // The first is now the only one: its new place is saved, the last two fields kept.
    SetWindowPos(firstMain, nullptr, 150, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageW(firstMain, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.WaitForExit().has_value());
    EXPECT_EQ(Setting(L"EditorWindowPos"), L"150:160:-1:-1");

    // A maximised window leaves the setting alone.
    Process third = Start(L"E005");
    HWND thirdMain = WaitForEditorWindow(third);
    ASSERT_NE(thirdMain, nullptr);
    ShowWindow(thirdMain, SW_MAXIMIZE);
    PostMessageW(thirdMain, WM_CLOSE, 0, 0);
    ASSERT_TRUE(third.WaitForExit().has_value());
    EXPECT_EQ(Setting(L"EditorWindowPos"), L"150:160:-1:-1");
}

TEST_F(FrameTest, StatusBarShowsPromptsAndIdleText) {
    Process editor = Start(L"E006");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == L"ﾚﾃﾞｨ"; }))
        << "[" << Narrow(StatusText(main)) << "] " << ChildOfClass(main, STATUSCLASSNAMEW);

    // Open the first menu from the keyboard: its first item is highlighted.
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    WaitForInputIdle(editor.Handle(), 2000);
    keybd_event(VK_MENU, 0, 0, 0);
    keybd_event('F', 0, 0, 0);
    keybd_event('F', 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == L"新規ｴﾃﾞｨﾀを起動"; }))
        << Narrow(StatusText(main));
    keybd_event(VK_DOWN, 0, 0, 0);
    keybd_event(VK_DOWN, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == L"編集中のｺｰﾄﾞを保存"; }))
        << Narrow(StatusText(main));
    for (int i = 0; i < 2; ++i) {
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    }
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == L"ﾚﾃﾞｨ"; })) << Narrow(StatusText(main));
}

// The prompt of the tool bar button under the mouse stays while the program idles, and the idle
// text comes back when the mouse leaves the bar.
TEST_F(FrameTest, HoveredToolBarButtonKeepsItsPrompt) {
    Process editor = Start(L"E008");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    HWND bar = ChildOfClass(main, TOOLBARCLASSNAMEW);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return StatusText(main) == L"ﾚﾃﾞｨ"; })) << Narrow(StatusText(main));
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    WaitForInputIdle(editor.Handle(), 2000);

    // The first button is the new-editor command.
    const auto buttonSize = static_cast<DWORD>(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0));
    POINT onButton = {LOWORD(buttonSize) / 2, HIWORD(buttonSize) / 2};
    ClientToScreen(bar, &onButton);
    SetCursorPos(onButton.x - 2, onButton.y);
    SetCursorPos(onButton.x, onButton.y);
    const std::wstring prompt = L"新規ｴﾃﾞｨﾀを起動";
    ASSERT_TRUE(WaitUntil([&] { return StatusText(main) == prompt; })) << Narrow(StatusText(main));
    // Every message lets the queue run empty again; the prompt must survive each idle pass.
    for (int i = 0; i < 20; ++i) {
        PostMessageW(main, WM_NULL, 0, 0);
        Sleep(25);
        ASSERT_EQ(StatusText(main), prompt) << "after idle pass " << i;
    }

    RECT client = {};
    GetClientRect(main, &client);
    POINT away = {client.right / 2, client.bottom / 2};
    ClientToScreen(main, &away);
    SetCursorPos(away.x, away.y);
    EXPECT_TRUE(WaitUntil([&] {
        PostMessageW(main, WM_NULL, 0, 0);
        return StatusText(main) == L"ﾚﾃﾞｨ";
    })) << Narrow(StatusText(main));
}

TEST_F(FrameTest, ListBrowserButtonFollowsTheProgramFile) {
    Process editor = Start(L"E007");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitForButtonEnabled(main, kListBrowserCommand, false));
    EXPECT_TRUE(WaitForButtonEnabled(main, kManagerCommand, false));

    const std::wstring viewer = folder_.CopyIn(CmdRecordExePath(), L"prog\\Kanjiviewer.exe");
    EXPECT_TRUE(WaitForButtonEnabled(main, kListBrowserCommand, true)) << "enabled once the file is there";
    EXPECT_FALSE(ButtonState(main, kManagerCommand) & TBSTATE_ENABLED) << "the manager button stays grey";

    PostMessageW(main, WM_COMMAND, kListBrowserCommand, 0);
    EXPECT_EQ(WaitForRecordedLines(viewer + L".cmdline"), Narrow(L"\"" + viewer + L"\" \"" + tte_ + L"\"\n"));

    // The recorder may still be ending; its file can be deleted once it has.
    ASSERT_TRUE(WaitUntil([&] { return DeleteFileW(viewer.c_str()) != FALSE; }));
    EXPECT_TRUE(WaitForButtonEnabled(main, kListBrowserCommand, false)) << "grey again once the file is gone";
}

TEST_F(FrameTest, NewEditorCommandStartsTheProgramAgain) {
    Process editor = Start(L"E008");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    // A running program's file can be renamed; the recorder then answers to its name.
    const std::wstring moved = folder_ / L"prog\\Kanjiforge-running.exe";
    ASSERT_TRUE(MoveFileW(exe_.c_str(), moved.c_str()));
    folder_.CopyIn(CmdRecordExePath(), L"prog\\Kanjiforge.exe");
    PostMessageW(main, WM_COMMAND, kNewEditorCommand, 0);
    EXPECT_EQ(WaitForRecordedLines(exe_ + L".cmdline"), Narrow(L"\"" + exe_ + L"\"\n"));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == tte_ + L"　[ CODE= E008 ]"; }))
        << "this editor stays as it was";

    // Without a program file to start, the user is told.
    ASSERT_TRUE(WaitUntil([&] { return DeleteFileW(exe_.c_str()) != FALSE; }));
    PostMessageW(main, WM_COMMAND, kNewEditorCommand, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text), Narrow(L"'\"" + exe_ + L"\"'\r\nﾌﾟﾛｸﾞﾗﾑの起動に失敗しました。"));
    EXPECT_EQ(Narrow(box->caption), "Kanjiforge");
    EXPECT_EQ(box->icon, MessageBoxIcon::Exclamation);
    PressButton(*box, IDOK);
    EXPECT_TRUE(WaitForWindowGone(box->window));
    EXPECT_TRUE(IsWindow(main));
}

// With a WinHelp file beside the program, help is WinHelp's (without one, the manual's: HelpTest).
TEST_F(FrameTest, F1OpensHelpOnlyForTheForegroundWindow) {
    folder_.WriteBytes(L"prog\\Kanjiforge.hlp", {0x3F, 0x5F, 0x03, 0x00});
    Process editor = Start(L"E009");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    // Another window in front: the help command does nothing.
    HWND other = CreateWindowW(L"STATIC", L"front", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(BringForward(other)) << DescribeDesktop();
    PostMessageW(main, WM_COMMAND, 57670, 0);
    SendMessageW(main, WM_NULL, 0, 0);
    WaitUntil([] { return false; }, Millis(500));
    EXPECT_TRUE(ProcessIdsByName(L"winhlp32.exe").empty());
    DestroyWindow(other);

    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    keybd_event(VK_F1, 0, 0, 0);
    keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitUntil([] { return !ProcessIdsByName(L"winhlp32.exe").empty(); }))
        << "the help viewer started";
    for (DWORD id : ProcessIdsByName(L"winhlp32.exe")) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (process) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
}

}  // namespace
