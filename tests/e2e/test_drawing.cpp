// Drawing as a user does it, with the real mouse: each tool changes the glyph as expected and
// adds one history step; Escape at release cancels a shape; undo and redo restore the exact
// dots; the title carries the modified mark, and closing asks before edits are dropped.
#include "editor_fixture.h"

#include "editor/drawing.h"
#include "editor/matrix_geometry.h"

using namespace e2e;

namespace {

constexpr UINT kToolPen = 32779, kToolLine = 32780, kToolRect = 32781, kToolFill = 32782, kToolCircle = 32783;
constexpr UINT kUndo = 57643, kRedo = 57644, kPenSwap = 32788, kSave = 32824;
constexpr int kNoMoreCheck = 1017;
constexpr UINT kNextCode = 32798, kDotSize1 = 32819;

class DrawingTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                      L"\r\nPixSize=6\r\n");
        editor.emplace(Start(L"E000"));
        main = WaitForEditorWindow(*editor);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == Title(); }));
        HWND splitter = GetDlgItem(main, 0xE900);
        view = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
        SetCursorPos(0, 0);  // Wine trusts its cursor position only after one of these
    }
    void TearDown() override {
        if (editor) editor->Kill();
    }

    std::wstring Title() const { return tte_ + L"　[ CODE= E000 ]"; }

    POINT DotOnScreen(int x, int y) const {
        const PixelPoint c = MatrixGeometry{6, 64}.DotToCellCenter(x, y);
        POINT p = {c.x, c.y};
        ClientToScreen(view, &p);
        return p;
    }

    // Presses a button at one dot, moves through the others and releases at the last. Every
    // event carries its own position, so none can be taken at a stale one.
    void Drag(std::vector<DotPoint> dots, bool right = false, bool escapeAtRelease = false) {
        MouseAt(dots.front(), right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
        for (std::size_t i = 1; i < dots.size(); ++i) MouseAt(dots[i], 0);
        if (escapeAtRelease) {
            EXPECT_TRUE(BringForward(main)) << "the key would go elsewhere\n" << DescribeDesktop();
            keybd_event(VK_ESCAPE, 0, 0, 0);
        }
        Settle();
        MouseAt(dots.back(), right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
        if (escapeAtRelease) keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        Settle();
    }

    void MouseAt(DotPoint dot, DWORD buttonFlags) {
        SendMouseAtDot(view, dot, buttonFlags);
        Settle();
        // A message sent to the editor overtakes input still queued for it, so a press or a release
        // counts as taken only once the view has captured the mouse or let it go.
        if (buttonFlags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_RIGHTDOWN)) {
            EXPECT_TRUE(WaitUntil([&] { return ViewHasCapture(); })) << "the press was not taken";
        } else if (buttonFlags & (MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP)) {
            EXPECT_TRUE(WaitUntil([&] { return !ViewHasCapture(); })) << "the release was not taken";
        }
    }

    bool ViewHasCapture() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(view, nullptr), &info) && info.hwndCapture == view;
    }

    // Lets the editor take every input and message given so far.
    void Settle() {
        WaitForInputIdle(editor->Handle(), 2000);
        SendMessageW(main, WM_NULL, 0, 0);
    }

    // What the matrix shows: black (DotRGB) or not, for every dot.
    DotPlane Shown() {
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Settle();
        POINT origin = {0, 0};
        ClientToScreen(view, &origin);
        const MatrixGeometry geometry{6, 64};
        const RECT area = {origin.x, origin.y, origin.x + 7 * 64 + 14, origin.y + 7 * 64 + 14};
        const ScreenImage screen = CaptureScreen(area);
        DotPlane plane(64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const PixelPoint c = geometry.DotToCellCenter(x, y);
                plane.SetDot(x, y, screen.At(c.x, c.y) == 0x000000);
            }
        }
        return plane;
    }

    // The newest history state: the edit bitmap as the last finished action left it.
    DotPlane LatestState() const { return LatestHistoryState(folder_); }

    // Waits until the matrix on screen shows the plane (painting follows the edit a moment later);
    // a failure names the dots that differ.
    ::testing::AssertionResult ShowsEventually(const DotPlane& expected) {
        DotPlane shown(64);
        if (WaitUntil([&] { return (shown = Shown()) == expected; }, kDefaultTimeout, Millis(50))) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << DotDifference(shown, expected);
    }

    // The history holds `count` states; otherwise says how many it holds and what the newest shows.
    ::testing::AssertionResult WaitForStates(int count) const {
        if (WaitUntil([&] { return HistoryStates() == count; })) return ::testing::AssertionSuccess();
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "the history holds " << HistoryStates() << " states, not " << count << "; the newest:";
        const DotPlane latest = LatestState();
        for (int y = 0; y < 24; ++y) failure << "\n" << Dots(latest, y);
        return failure;
    }

    // The history files of the running editor.
    int HistoryStates() const { return static_cast<int>(HistoryStateFiles(folder_).size()); }

    static std::string Dots(const DotPlane& plane, int row) {
        std::string text;
        for (int x = 0; x < 24; ++x) text += plane.IsBlack(x, row) ? '#' : '.';
        return text;
    }

    std::optional<Process> editor;
    HWND main = nullptr;
    HWND view = nullptr;
};

TEST_F(DrawingTest, PenStrokeIsOneStepAndMarksTheTitle) {
    Drag({{10, 10}, {11, 10}, {12, 10}});
    ASSERT_TRUE(WaitForStates(2));
    const DotPlane drawn = LatestState();
    // A move may be merged with the next one, so the middle dot is not certain; the ends are.
    EXPECT_TRUE(drawn.IsBlack(10, 10) && drawn.IsBlack(12, 10)) << Dots(drawn, 10);
    EXPECT_FALSE(drawn.IsBlack(13, 10) || drawn.IsBlack(9, 10) || drawn.IsBlack(10, 11)) << Dots(drawn, 10);
    EXPECT_TRUE(ShowsEventually(drawn)) << "the matrix shows what was drawn";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == Title() + L"-<更新>"; }))
        << Narrow(WindowText(main));

    Drag({{12, 10}}, true);  // the right button draws white
    ASSERT_TRUE(WaitForStates(3));
    EXPECT_FALSE(LatestState().IsBlack(12, 10));
    EXPECT_TRUE(LatestState().IsBlack(10, 10));

    SendMessageW(main, WM_COMMAND, kPenSwap, 0);  // now the left button draws white
    Drag({{10, 10}});
    ASSERT_TRUE(WaitForStates(4));
    EXPECT_FALSE(LatestState().IsBlack(10, 10));
}

TEST_F(DrawingTest, ShapesFollowTheDragAndEscapeCancels) {
    SendMessageW(main, WM_COMMAND, kToolLine, 0);
    Drag({{2, 5}, {10, 5}, {20, 5}});
    ASSERT_TRUE(WaitForStates(2));
    EXPECT_EQ(Dots(LatestState(), 5), "..##################....");  // the end dot is left out

    // Escape held at the release: nothing. The next line shows the cancelled one was handled.
    Drag({{2, 7}, {20, 7}}, false, true);
    Drag({{2, 9}, {6, 9}});
    ASSERT_TRUE(WaitForStates(3));
    EXPECT_EQ(Dots(LatestState(), 7), "........................") << "Escape at release draws nothing";
    EXPECT_EQ(Dots(LatestState(), 9), "..####..................");

    SendMessageW(main, WM_COMMAND, kToolRect, 0);
    Drag({{2, 12}, {8, 18}});
    ASSERT_TRUE(WaitForStates(4));
    const DotPlane rect = LatestState();
    EXPECT_EQ(Dots(rect, 12), "..######................");
    EXPECT_EQ(Dots(rect, 14), "..#....#................");
    EXPECT_EQ(Dots(rect, 17), "..######................");
    EXPECT_EQ(Dots(rect, 18), "........................");

    SendMessageW(main, WM_COMMAND, kToolFill, 0);
    Drag({{4, 14}});
    ASSERT_TRUE(WaitForStates(5));
    EXPECT_EQ(Dots(LatestState(), 14), "..######................");
    EXPECT_EQ(Dots(LatestState(), 19), "........................") << "the fill stays inside the outline";
    // Filling a dot that is already black changes nothing and records nothing; the white fill
    // after it shows it was handled.
    Drag({{4, 14}});
    Drag({{4, 14}}, true);
    ASSERT_TRUE(WaitForStates(6));
    // The white fill empties the connected ink under the dot: the filled rectangle, outline and all,
    // but not the separate line above it.
    EXPECT_EQ(Dots(LatestState(), 14), "........................");
    EXPECT_EQ(Dots(LatestState(), 12), "........................");
    EXPECT_EQ(Dots(LatestState(), 9), "..####..................");

    SendMessageW(main, WM_COMMAND, kToolCircle, 0);
    Drag({{30, 30}, {40, 40}, {51, 51}});
    ASSERT_TRUE(WaitForStates(7));
    const DotPlane circle = LatestState();
    EXPECT_TRUE(circle.IsBlack(40, 30)) << "top of the circle";
    EXPECT_TRUE(circle.IsBlack(30, 40)) << "left of the circle";
    EXPECT_FALSE(circle.IsBlack(40, 40)) << "the inside stays white";
}

TEST_F(DrawingTest, UndoAndRedoRestoreTheExactDots) {
    const DotPlane blank = LatestState();
    SendMessageW(main, WM_COMMAND, kToolRect, 0);
    Drag({{5, 5}, {15, 12}});
    ASSERT_TRUE(WaitForStates(2));
    const DotPlane drawn = LatestState();
    ASSERT_NE(drawn, blank);
    ASSERT_TRUE(ShowsEventually(drawn));
    SendMessageW(main, WM_COMMAND, kUndo, 0);
    EXPECT_TRUE(ShowsEventually(blank)) << "undo shows the dots before the rectangle";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == Title() + L"-<更新>"; }))
        << "an undo is an edit too";
    SendMessageW(main, WM_COMMAND, kRedo, 0);
    EXPECT_TRUE(ShowsEventually(drawn)) << "redo shows the rectangle again";
}

// A drag keeps the tool it was started with: switching tools while the button is held changes
// nothing about that drag, which still ends as one history step that undo takes back.
TEST_F(DrawingTest, ToolChangedDuringADragKeepsTheDragsTool) {
    const DotPlane blank = LatestState();
    MouseAt({20, 20}, MOUSEEVENTF_LEFTDOWN);
    SendMessageW(main, WM_COMMAND, kToolFill, 0);  // as its key would, with the button down
    MouseAt({22, 20}, 0);
    MouseAt({22, 20}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitForStates(2)) << "the pen stroke is one history step";
    const DotPlane drawn = LatestState();
    EXPECT_TRUE(drawn.IsBlack(20, 20) && drawn.IsBlack(22, 20)) << Dots(drawn, 20);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == Title() + L"-<更新>"; }));
    SendMessageW(main, WM_COMMAND, kUndo, 0);
    EXPECT_TRUE(ShowsEventually(blank)) << "undo takes the whole stroke back";

    // A line drag that ends after switching to the pen writes the line and leaves no preview.
    SendMessageW(main, WM_COMMAND, kToolLine, 0);
    MouseAt({5, 30}, MOUSEEVENTF_LEFTDOWN);
    MouseAt({15, 30}, 0);
    SendMessageW(main, WM_COMMAND, kToolPen, 0);
    MouseAt({15, 30}, MOUSEEVENTF_LEFTUP);
    // The undone stroke's state file is replaced by the line's.
    ASSERT_TRUE(WaitUntil([&] { return LatestState().IsBlack(5, 30); })) << "the line was never recorded";
    EXPECT_EQ(HistoryStates(), 2);
    const DotPlane line = LatestState();
    EXPECT_TRUE(line.IsBlack(5, 30) && line.IsBlack(14, 30)) << Dots(line, 30);
    EXPECT_TRUE(ShowsEventually(line)) << "the screen shows the line and no preview";
}

// A quick second click is a second press, not a lost one.
TEST_F(DrawingTest, DoubleClickIsTwoPresses) {
    SendMouseAtDot(view, {30, 40}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(view, {30, 40}, MOUSEEVENTF_LEFTUP);
    SendMouseAtDot(view, {30, 40}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(view, {30, 40}, MOUSEEVENTF_LEFTUP);
    Settle();
    EXPECT_TRUE(WaitForStates(3)) << "two clicks, two history steps; states: " << HistoryStates();
}

// The dot-size commands set the pen's square for the next strokes; the check follows the choice.
TEST_F(DrawingTest, DotSizeCommandsSetThePenSquare) {
    SendMessageW(main, WM_COMMAND, kDotSize1 + 2, 0);  // 3 dots
    Drag({{20, 20}});
    ASSERT_TRUE(WaitForStates(2));
    EXPECT_EQ(LatestState(), BuildPenMask(64, 20, 20, 3)) << Dots(LatestState(), 20);
    SendMessageW(main, WM_COMMAND, kDotSize1, 0);  // back to one dot
    Drag({{40, 40}});
    ASSERT_TRUE(WaitForStates(3));
    const DotPlane after = LatestState();
    EXPECT_TRUE(after.IsBlack(40, 40));
    EXPECT_FALSE(after.IsBlack(41, 40) || after.IsBlack(39, 40) || after.IsBlack(40, 41));
}

// The question before another code is opened over unsaved edits: Cancel stays, No opens the next
// code and drops the edits, Yes tries to save first and stays when the save fails. And a save
// confirmation cancelled with its box ticked writes nothing.
TEST_F(DrawingTest, UnsavedEditsAreAskedAboutBeforeAnotherCodeOpens) {
    Drag({{3, 3}});
    ASSERT_TRUE(WaitForStates(2));
    const std::wstring modified = Title() + L"-<更新>";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == modified; }));
    auto askNext = [&](int answer) {
        PostMessageW(main, WM_COMMAND, kNextCode, 0);
        std::optional<MessageBoxInfo> box = WaitForMessageBox(editor->Id());
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(Narrow(box->text), "現在のｺｰﾄﾞに編集が加えられています。\r\n保存しますか？");
        EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
        PressButton(*box, answer);
        ASSERT_TRUE(WaitForWindowGone(box->window));
    };

    askNext(IDCANCEL);
    Settle();
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(modified)) << "Cancel stays on the code with its edits";

    // Yes: the save's confirmation comes first; cancelling it with its box ticked saves nothing,
    // writes nothing and stays.
    askNext(IDYES);
    HWND confirm = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(editor->Id())) {
            if (WindowClass(window) == L"#32770" && GetDlgItem(window, kNoMoreCheck)) confirm = window;
        }
        return confirm != nullptr;
    }));
    SendMessageW(GetDlgItem(confirm, kNoMoreCheck), BM_CLICK, 0, 0);
    PostMessageW(confirm, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(confirm));
    Settle();
    EXPECT_FALSE(Setting(L"SaveAns").has_value()) << "a cancelled confirmation writes nothing";
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(modified));
    EXPECT_TRUE(FindMessageBoxes(editor->Id()).empty());

    askNext(IDNO);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == tte_ + L"　[ CODE= E001 ]"; }))
        << "No opens the next code: " << Narrow(WindowText(main));
    EXPECT_FALSE(LatestState().IsBlack(3, 3)) << "the new code starts from its own (absent) glyph";
}

TEST_F(DrawingTest, ClosingWithEditsAsksBeforeDroppingThem) {
    Drag({{3, 3}});
    ASSERT_TRUE(WaitForStates(2));
    PostMessageW(main, WM_CLOSE, 0, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text), "現在のｺｰﾄﾞに編集が加えられています。\r\n破棄して終了しますか？");
    EXPECT_EQ(box->icon, MessageBoxIcon::Question);
    EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
    PressButton(*box, IDNO);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_TRUE(IsWindow(main)) << "No keeps the window";

    PostMessageW(main, WM_CLOSE, 0, 0);
    box = WaitForMessageBox(editor->Id());
    ASSERT_TRUE(box.has_value());
    PressButton(*box, IDYES);
    EXPECT_TRUE(editor->WaitForExit().has_value()) << "Yes closes without saving";
}

TEST_F(DrawingTest, SaveAsksFirstAndKeepsTheEditsWhenTheEditorNeverAppears) {
    Drag({{3, 3}});
    ASSERT_TRUE(WaitForStates(2));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == Title() + L"-<更新>"; }));

    // The confirmation first; its check box switches it off for next time.
    PostMessageW(main, WM_COMMAND, kSave, 0);
    HWND confirm = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(editor->Id())) {
            if (WindowClass(window) == L"#32770" && GetDlgItem(window, kNoMoreCheck)) confirm = window;
        }
        return confirm != nullptr;
    }));
    EXPECT_EQ(Narrow(WindowText(confirm)), "外字保存確認");
    SendMessageW(GetDlgItem(confirm, kNoMoreCheck), BM_CLICK, 0, 0);
    PostMessageW(confirm, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(confirm));
    // The save goes on to write its own entries into the same file, so the answer is read once that
    // file is whole again.
    EXPECT_TRUE(WaitUntil([&] { return Setting(L"SaveAns") == std::optional<std::wstring>(L"no"); }))
        << "SaveAns is " << Narrow(Setting(L"SaveAns").value_or(L"(absent)"));

    // The recording stand-in behind the editor path ends at once, so no editor main window ever
    // appears: both failures are told and the edits stay.
    auto expectBox = [&](const char* text) {
        std::optional<MessageBoxInfo> box = WaitForMessageBox(editor->Id());
        ASSERT_TRUE(box.has_value()) << text;
        EXPECT_EQ(Narrow(box->text), text);
        PressButton(*box, IDOK);
        ASSERT_TRUE(WaitForWindowGone(box->window));
    };
    expectBox("外字ｴﾃﾞｨﾀの起動が確認できないので制御できません。");
    expectBox("保存に失敗しました。\r\n外字ｴﾃﾞｨﾀが起動している場合は終了して、もう一度試してみてください。");
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(Title() + L"-<更新>"));

    // Next time there is no confirmation.
    PostMessageW(main, WM_COMMAND, kSave, 0);
    expectBox("外字ｴﾃﾞｨﾀの起動が確認できないので制御できません。");
    expectBox("保存に失敗しました。\r\n外字ｴﾃﾞｨﾀが起動している場合は終了して、もう一度試してみてください。");
}

}  // namespace
