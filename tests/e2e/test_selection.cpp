// The selection as a user works with it, with the real mouse and keys: selecting with both tools
// (Shift adds, Alt removes), the border tint, moving by the arrows and by drag, flips and turns with
// the question for a selection that is not a rectangle, undo dropping the selection, cut in one
// editor and paste in another, a 24-bit picture from another program, and a pending paste cancelled
// by a right click or Escape. Every change is checked as one history step and on the screen.
#include "editor_fixture.h"

#include <cstdio>
#include <functional>

using namespace e2e;

namespace {

constexpr UINT kToolPen = 32779, kToolMove = 32818, kToolRectSelect = 32785, kToolAutoSelect = 32786;
constexpr UINT kImageInvert = 32789, kFlipHorizontal = 32791, kTurnClockwise = 32792,
               kTurnAnticlockwise = 32794;
constexpr UINT kCut = 57635, kPaste = 57637, kUndo = 57643;
constexpr uint32_t kSelectTint = 0xE0E0FF;       // SelectRGB on a white border dot
constexpr uint32_t kSelectTintBlack = 0xA0A0BF;  // SelectRGB darker by 64 on a black border dot
constexpr uint32_t kMarquee = 0x808080;          // DrawMqRGB and MoveMqRGB: a pending paste, a move
constexpr uint32_t kMoveOrigin = 0xE4E4F0;       // MoveOrgRGB: where the carried dots were

DotPlane Plane(std::initializer_list<DotPoint> dots) {
    DotPlane plane(64);
    for (const DotPoint& dot : dots) plane.SetDot(dot.x, dot.y, true);
    return plane;
}

std::string Describe(const DotPlane& plane) {
    std::string text;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (plane.IsBlack(x, y)) text += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    }
    return text.empty() ? "(none)" : text;
}

class SelectionTest : public EditorTest {
  protected:
    // One running editor, installed in its own program folder so that its history can be told apart.
    struct Editor {
        std::wstring program;
        std::optional<Process> process;
        HWND main = nullptr;
        HWND view = nullptr;
    };

    void SetUp() override {
        EditorTest::SetUp();
        settings_ =
            L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ + L"\r\nPixSize=6\r\n";
        WriteSettings(settings_);
    }
    void TearDown() override {
        for (Editor* e : {&first, &second}) {
            if (e->process) e->process->Kill();
        }
        if (clipboardOwner) DestroyWindow(clipboardOwner);
    }

    void Open(Editor& e, const std::wstring& program, const std::wstring& code) {
        std::wstring exe = exe_;
        if (program != L"prog") {
            exe = folder_.CopyIn(KanjiforgeExePath(), program + L"\\Kanjiforge.exe");
            folder_.WriteText(program + L"\\Kanjiforge.ini", L"[GxmEditorSettings]\r\n" + settings_);
        }
        e.program = program;
        e.process.emplace(Process::Start(exe, code));
        e.main = WaitForEditorWindow(*e.process);
        ASSERT_NE(e.main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(e.main) == tte_ + L"　[ CODE= " + code + L" ]"; }));
        HWND splitter = GetDlgItem(e.main, 0xE900);
        e.view = splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
        ASSERT_NE(e.view, nullptr);
        ASSERT_NO_FATAL_FAILURE(Activate(e));
    }

    void Activate(const Editor& e) {
        ASSERT_TRUE(BringForward(e.main)) << DescribeDesktop();
        SetCursorPos(0, 0);  // Wine trusts its cursor position only after one of these
    }

    // Lets the editor take every input and message given so far.
    static void Settle(const Editor& e) {
        WaitForInputIdle(e.process->Handle(), 2000);
        SendMessageW(e.main, WM_NULL, 0, 0);
    }
    static void Command(const Editor& e, UINT id) { SendMessageW(e.main, WM_COMMAND, id, 0); }
    static void MouseAt(const Editor& e, DotPoint dot, DWORD buttons) {
        SendMouseAtDot(e.view, dot, buttons);
        Settle(e);
    }
    // A press at the first dot and a release at the last, with moves through the others between.
    static void Drag(const Editor& e, std::vector<DotPoint> dots, bool right = false) {
        MouseAt(e, dots.front(), right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
        for (std::size_t i = 1; i < dots.size(); ++i) MouseAt(e, dots[i], 0);
        MouseAt(e, dots.back(), right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    }
    // A click with a key held (Shift, Alt) until `done` is seen. Another key pressed meanwhile keeps the
    // release of Alt from opening the menu bar, as it does for a user who Alt-clicks.
    static bool ClickWith(const Editor& e, BYTE key, DotPoint dot, const std::function<bool()>& done) {
        EXPECT_TRUE(BringForward(e.main)) << "the key would go elsewhere\n" << DescribeDesktop();
        keybd_event(key, 0, 0, 0);
        Drag(e, {dot});
        const bool seen = done();
        keybd_event(VK_F13, 0, 0, 0);
        keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        Settle(e);
        return seen;
    }
    static void Key(const Editor& e, BYTE key) {
        EXPECT_TRUE(BringForward(e.main)) << "the key would go elsewhere\n" << DescribeDesktop();
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        Settle(e);
    }

    int States(const Editor& e) const {
        return static_cast<int>(HistoryStateFiles(folder_, e.program).size());
    }
    ::testing::AssertionResult WaitForStates(const Editor& e, int count) const {
        if (WaitUntil([&] { return States(e) == count; })) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the history holds " << States(e) << " states, not " << count
                                             << "; the newest: " << Describe(Latest(e));
    }
    DotPlane Latest(const Editor& e) const { return LatestHistoryState(folder_, 64, e.program); }

    // The screen colour at the middle of a dot's cell.
    static ScreenImage Matrix(const Editor& e) {
        RedrawWindow(e.view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Settle(e);
        POINT origin = {0, 0};
        ClientToScreen(e.view, &origin);
        return CaptureScreen({origin.x, origin.y, origin.x + 7 * 64 + 14, origin.y + 7 * 64 + 14});
    }
    // What the screen shows now, a marquee painted onto the window included.
    static uint32_t CellColourNow(const Editor& e, DotPoint dot) {
        const PixelPoint c = MatrixGeometry{6, 64}.DotToCellCenter(dot.x, dot.y);
        POINT p = {c.x, c.y};
        ClientToScreen(e.view, &p);
        return CaptureScreen({p.x, p.y, p.x + 1, p.y + 1}).At(0, 0);
    }
    static bool MarqueeEventually(const Editor& e, DotPoint dot, bool shown) {
        return WaitUntil([&] { return (CellColourNow(e, dot) == kMarquee) == shown; }, kDefaultTimeout,
                         Millis(50));
    }
    static uint32_t CellColour(const ScreenImage& screen, int x, int y) {
        const PixelPoint c = MatrixGeometry{6, 64}.DotToCellCenter(x, y);
        return screen.At(c.x, c.y);
    }
    // The black dots on screen, those on the selection's border included.
    static DotPlane Shown(const Editor& e) {
        const ScreenImage screen = Matrix(e);
        DotPlane plane(64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const uint32_t colour = CellColour(screen, x, y);
                plane.SetDot(x, y, colour == 0x000000 || colour == kSelectTintBlack);
            }
        }
        return plane;
    }
    // Painting follows an edit a moment later: waits for the cell to show the colour.
    static ::testing::AssertionResult CellShowsEventually(const Editor& e, DotPoint dot, uint32_t colour) {
        uint32_t seen = 0;
        if (WaitUntil([&] { return (seen = CellColour(Matrix(e), dot.x, dot.y)) == colour; }, kDefaultTimeout,
                      Millis(50))) {
            return ::testing::AssertionSuccess();
        }
        char text[64];
        std::snprintf(text, sizeof text, "the cell shows %06X, not %06X", seen, colour);
        return ::testing::AssertionFailure() << text;
    }
    // The background, as a dot far from anything the tests draw shows it.
    static uint32_t Background(const Editor& e) { return CellColour(Matrix(e), 40, 40); }
    static ::testing::AssertionResult ShowsEventually(const Editor& e, const DotPlane& expected) {
        DotPlane shown(64);
        if (WaitUntil([&] { return (shown = Shown(e)) == expected; }, kDefaultTimeout, Millis(50))) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << DotDifference(shown, expected);
    }

    void PenDots(const Editor& e, std::initializer_list<DotPoint> dots) {
        Command(e, kToolPen);
        const int before = States(e);
        for (const DotPoint& dot : dots) Drag(e, {dot});
        ASSERT_TRUE(WaitForStates(e, before + static_cast<int>(dots.size())));
    }

    // Another program's picture on the clipboard: a 24-bit bitmap of the given colours.
    void PutPictureOnClipboard(int width, int height, const std::function<COLORREF(int, int)>& colour) {
        const int rowBytes = (width * 3 + 1) / 2 * 2;  // CreateBitmap's rows are whole 16-bit words
        std::vector<uint8_t> bits(static_cast<std::size_t>(rowBytes) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const COLORREF c = colour(x, y);
                uint8_t* pixel =
                    &bits[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) * 3];
                pixel[0] = GetBValue(c);
                pixel[1] = GetGValue(c);
                pixel[2] = GetRValue(c);
            }
        }
        HBITMAP bitmap = CreateBitmap(width, height, 1, 24, bits.data());
        ASSERT_NE(bitmap, nullptr);
        BITMAP info = {};
        GetObjectW(bitmap, sizeof info, &info);
        ASSERT_EQ(info.bmBitsPixel, 24);
        if (!clipboardOwner)
            clipboardOwner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return OpenClipboard(clipboardOwner) != FALSE; }));
        EmptyClipboard();
        const bool placed = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
        if (!placed) DeleteObject(bitmap);
        ASSERT_TRUE(placed);
    }

    std::wstring settings_;
    Editor first, second;
    HWND clipboardOwner = nullptr;
};

TEST_F(SelectionTest, SelectedDotsMoveByArrowsAndDragThenFlipAndTurn) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{10, 10}, {12, 10}, {10, 11}}));  // states 2..4

    // The rectangle dragged from (10, 10) to (13, 12) selects dots 10..12 by 10..11; a selection is no edit.
    Command(first, kToolRectSelect);
    Drag(first, {{10, 10}, {12, 11}, {13, 12}});
    EXPECT_TRUE(CellShowsEventually(first, {11, 11}, kSelectTint)) << "a white dot of the border";
    EXPECT_TRUE(CellShowsEventually(first, {12, 10}, kSelectTintBlack)) << "a black dot of the border";
    EXPECT_TRUE(CellShowsEventually(first, {13, 11}, background)) << "outside the selection";

    // With the selection tool the arrows move only the selection.
    Key(first, VK_RIGHT);
    EXPECT_TRUE(CellShowsEventually(first, {13, 11}, kSelectTint));
    EXPECT_TRUE(CellShowsEventually(first, {10, 11}, 0x000000)) << "dot (10, 11) is no longer selected";
    Key(first, VK_LEFT);
    // Keys and commands take different roads into the editor: the key must be taken before the tool changes.
    ASSERT_TRUE(CellShowsEventually(first, {10, 11}, kSelectTintBlack));
    EXPECT_EQ(States(first), 4) << "moving the selection changes no dot";

    // With the move tool they carry the selected dots, one step each.
    Command(first, kToolMove);
    Key(first, VK_RIGHT);
    ASSERT_TRUE(WaitForStates(first, 5));
    EXPECT_EQ(Latest(first), Plane({{11, 10}, {13, 10}, {11, 11}})) << Describe(Latest(first));

    // Dragged from a selected dot by (5, 20). Meanwhile the carried dots follow the mouse as the move
    // marquee, and their origin shows MoveOrgRGB.
    MouseAt(first, {12, 10}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(first, {14, 20}, 0);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return CellColourNow(first, {13, 20}) == kMarquee;
        },
        kDefaultTimeout))
        << "dot (11, 10) carried by (2, 10)";
    EXPECT_TRUE(CellShowsEventually(first, {11, 10}, kMoveOrigin));
    MouseAt(first, {17, 30}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitForStates(first, 6));
    EXPECT_EQ(Latest(first), Plane({{16, 30}, {18, 30}, {16, 31}})) << Describe(Latest(first));

    // Flipped left to right within its box 16..18.
    Command(first, kFlipHorizontal);
    ASSERT_TRUE(WaitForStates(first, 7));
    EXPECT_EQ(Latest(first), Plane({{18, 30}, {16, 30}, {18, 31}})) << Describe(Latest(first));

    // Turned clockwise: the 3 by 2 box (16, 30)-(19, 32) becomes (16, 30)-(18, 33).
    Command(first, kTurnClockwise);
    ASSERT_TRUE(WaitForStates(first, 8));
    const DotPlane turned = Plane({{17, 32}, {17, 30}, {16, 32}});
    EXPECT_EQ(Latest(first), turned) << Describe(Latest(first));
    EXPECT_TRUE(ShowsEventually(first, turned)) << "the screen shows " << Describe(Shown(first));
    EXPECT_TRUE(CellShowsEventually(first, {16, 31}, kSelectTint)) << "the selection is the turned box";
    EXPECT_TRUE(CellShowsEventually(first, {18, 30}, background)) << "the old box is no longer selected";
}

TEST_F(SelectionTest, TurningAnUnevenSelectionAsksFirstAndUndoDropsTheSelection) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{5, 5}, {6, 5}, {5, 6}, {20, 20}}));  // states 2..5

    // The connected black L under the click; Shift adds the lone dot, Alt takes it away again.
    Command(first, kToolAutoSelect);
    Drag(first, {{5, 5}});
    EXPECT_TRUE(ClickWith(first, VK_SHIFT, {20, 20}, [&] {
        return CellShowsEventually(first, {20, 20}, kSelectTintBlack);
    })) << "Shift added the lone dot";
    EXPECT_TRUE(CellShowsEventually(first, {5, 6}, kSelectTintBlack)) << "and kept the L";
    EXPECT_TRUE(ClickWith(first, VK_MENU, {20, 20}, [&] {
        return CellShowsEventually(first, {20, 20}, 0x000000);
    })) << "Alt removed it";

    auto askTurn = [&](int answer) {
        PostMessageW(first.main, WM_COMMAND, kTurnAnticlockwise, 0);
        std::optional<MessageBoxInfo> box = WaitForMessageBox(first.process->Id());
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(Narrow(box->caption), "Kanjiforge");
        EXPECT_EQ(
            Narrow(box->text),
            "このｲﾒｰｼﾞ処理は、選択範囲が四角でないと処理できません。\r\n選択範囲を四角に拡張しますか？");
        EXPECT_EQ(box->icon, MessageBoxIcon::Question);
        EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
        PressButton(*box, answer);
        ASSERT_TRUE(WaitForWindowGone(box->window));
        Settle(first);
    };
    ASSERT_NO_FATAL_FAILURE(askTurn(IDNO));
    EXPECT_EQ(States(first), 5) << "No turns nothing";
    EXPECT_TRUE(CellShowsEventually(first, {6, 6}, background)) << "and keeps the L";

    // Yes widens the selection to the box (5, 5)-(7, 7) and turns it anticlockwise.
    ASSERT_NO_FATAL_FAILURE(askTurn(IDYES));
    ASSERT_TRUE(WaitForStates(first, 6));
    const DotPlane turned = Plane({{5, 6}, {5, 5}, {6, 6}, {20, 20}});
    EXPECT_EQ(Latest(first), turned) << Describe(Latest(first));

    Command(first, kImageInvert);
    ASSERT_TRUE(WaitForStates(first, 7));
    EXPECT_EQ(Latest(first), Plane({{6, 5}, {20, 20}})) << Describe(Latest(first));

    // Undo takes the inversion back and drops the selection: a flip then has nothing to act on.
    Command(first, kUndo);
    ASSERT_TRUE(ShowsEventually(first, turned)) << Describe(Shown(first));
    EXPECT_TRUE(CellShowsEventually(first, {6, 5}, background)) << "no border is shown";
    Command(first, kFlipHorizontal);
    EXPECT_TRUE(ShowsEventually(first, turned)) << Describe(Shown(first));
}

TEST_F(SelectionTest, CutInOneEditorIsPastedInAnotherAndACancelledPasteLeavesNoStep) {
    // "SelectAfterMove": a selection switches to the move tool, so the arrow then carries the dots.
    WriteSettings(settings_ + L"SelectAfterMove=yes\r\n");
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{2, 2}, {4, 3}}));  // states 2..3
    Command(first, kToolRectSelect);
    Drag(first, {{1, 1}, {6, 5}});  // dots 1..5 by 1..4
    ASSERT_TRUE(CellShowsEventually(first, {5, 4}, kSelectTint))
        << "selected; keys down: shift " << GetAsyncKeyState(VK_SHIFT) << " alt "
        << GetAsyncKeyState(VK_MENU);
    Key(first, VK_RIGHT);
    ASSERT_TRUE(WaitForStates(first, 4)) << "the move tool took the arrow";
    EXPECT_EQ(Latest(first), Plane({{3, 2}, {5, 3}})) << Describe(Latest(first));
    Command(first, kCut);
    ASSERT_TRUE(WaitForStates(first, 5)) << "the cut is one step";
    EXPECT_EQ(Latest(first), DotPlane(64)) << "the cut dots are gone: " << Describe(Latest(first));

    ASSERT_NO_FATAL_FAILURE(Open(second, L"prog2", L"E001"));
    ASSERT_TRUE(WaitForStates(second, 1));

    // A right click and Escape each drop a pending paste, which follows the mouse, without a step.
    Command(second, kPaste);
    MouseAt(second, {40, 40}, 0);
    ASSERT_TRUE(MarqueeEventually(second, {41, 41}, true)) << "the paste is shown at the mouse";
    Drag(second, {{40, 40}}, true);
    ASSERT_TRUE(MarqueeEventually(second, {41, 41}, false)) << "a right click drops it";
    Command(second, kPaste);
    MouseAt(second, {20, 20}, 0);
    ASSERT_TRUE(MarqueeEventually(second, {21, 21}, true));
    Key(second, VK_ESCAPE);
    ASSERT_TRUE(MarqueeEventually(second, {21, 21}, false)) << "Escape drops it";
    EXPECT_EQ(States(second), 1);
    EXPECT_EQ(Shown(second), DotPlane(64)) << "nothing was placed: " << Describe(Shown(second));

    // A left click places its top-left at the dot clicked.
    Command(second, kPaste);
    MouseAt(second, {25, 25}, 0);
    ASSERT_TRUE(MarqueeEventually(second, {26, 26}, true));
    Drag(second, {{30, 30}});
    ASSERT_TRUE(WaitForStates(second, 2)) << "a placed paste is one step";
    const DotPlane pasted = Plane({{31, 31}, {33, 32}});
    EXPECT_EQ(Latest(second), pasted) << Describe(Latest(second));
    EXPECT_TRUE(ShowsEventually(second, pasted)) << "no paste marquee is left: " << Describe(Shown(second));
}

TEST_F(SelectionTest, TwentyFourBitPictureIsPastedAsOneBitShrunkToTheGlyph) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    // 100 by 20: red in the left half of the upper rows, white elsewhere but for one nearly white pixel.
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(100, 20, [](int x, int y) -> COLORREF {
        if (x < 50 && y < 10) return RGB(255, 0, 0);
        if (x == 90 && y == 15) return RGB(254, 255, 255);
        return RGB(255, 255, 255);
    }));
    Command(first, kPaste);
    Drag(first, {{0, 0}});
    ASSERT_TRUE(WaitForStates(first, 2));
    const DotPlane pasted = Latest(first);
    // 100 columns shrink to 64; the 20 rows stay.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x <= 30; ++x) EXPECT_TRUE(pasted.IsBlack(x, y)) << x << "," << y;
        for (int x = 33; x < 64; ++x) EXPECT_FALSE(pasted.IsBlack(x, y)) << x << "," << y;
    }
    int inkBelow = 0;
    for (int y = 10; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) inkBelow += pasted.IsBlack(x, y) ? 1 : 0;
    }
    EXPECT_EQ(inkBelow, 1) << "only the nearly white pixel is ink below row 10: " << Describe(pasted);
    EXPECT_TRUE(pasted.IsBlack(57, 15) || pasted.IsBlack(58, 15)) << Describe(pasted);
}

}  // namespace
