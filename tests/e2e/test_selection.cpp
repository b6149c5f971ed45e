// The selection as a user works with it, with the real mouse and keys: selecting with both tools
// (Shift adds, Alt removes), the border tint, moving by the arrows and by drag, flips and turns with
// the question for a selection that is not a rectangle, undo dropping the selection, cut in one
// editor and paste in another, a 24-bit picture from another program, and a pending paste cancelled
// by a right click or Escape. Every change is checked as one history step and on the screen.
#include "editor_fixture.h"

#include <cstdio>
#include <cstring>
#include <functional>

using namespace e2e;

namespace {

constexpr UINT kToolPen = 32779, kToolMove = 32818, kToolRectSelect = 32785, kToolAutoSelect = 32786;
constexpr UINT kImageInvert = 32789, kFlipHorizontal = 32791, kTurnClockwise = 32792,
               kTurnAnticlockwise = 32794;
constexpr UINT kCut = 57635, kPaste = 57637, kUndo = 57643;
constexpr UINT kSelectAll = 32784, kSelectNone = 32787, kSelectInvert = 32825, kFlipVertical = 32790,
               kTurnHalf = 32826;
constexpr int kModePane = 1013, kLayerPane1 = 1014;
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
    // The mouse moved to a dot after keys were typed, until the pending paste shows at `cell`. Wine may
    // report a move that follows keyboard input at a stale place, so the mouse comes again from a
    // neighbouring dot until the paste is seen there.
    static bool PasteFollowsTo(const Editor& e, DotPoint dot, DotPoint cell) {
        return WaitUntil(
            [&] {
                MouseAt(e, {dot.x + 1, dot.y}, 0);
                MouseAt(e, dot, 0);
                return CellColourNow(e, cell) == kMarquee;
            },
            kDefaultTimeout, Millis(200));
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
        ASSERT_TRUE(WaitUntil([&] { return OpenClipboard(ClipboardOwner()) != FALSE; }));
        EmptyClipboard();
        const bool placed = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
        if (!placed) DeleteObject(bitmap);
        ASSERT_TRUE(placed);
    }

    // The real keys of a shortcut: `modifier` held while `key` is pressed.
    static void Shortcut(const Editor& e, BYTE modifier, BYTE key) {
        EXPECT_TRUE(BringForward(e.main)) << "the keys would go elsewhere\n" << DescribeDesktop();
        keybd_event(modifier, 0, 0, 0);
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
        Settle(e);
    }
    // A press at the first dot and a release at the last with Escape held at the release.
    static void DragWithEscapeAtTheRelease(const Editor& e, DotPoint from, DotPoint to) {
        MouseAt(e, from, MOUSEEVENTF_LEFTDOWN);
        MouseAt(e, to, 0);
        EXPECT_TRUE(BringForward(e.main)) << DescribeDesktop();
        keybd_event(VK_ESCAPE, 0, 0, 0);
        MouseAt(e, to, MOUSEEVENTF_LEFTUP);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        Settle(e);
    }
    // The information column's form, which holds the panes.
    static HWND Form(const Editor& e) {
        HWND info = GetDlgItem(GetDlgItem(e.main, 0xE900), 0xE900);
        for (HWND child : ChildWindows(info)) {
            if (GetDlgItem(child, kLayerPane1)) return child;
        }
        return nullptr;
    }
    // A real click on the overlay pane: its left half is the transparent mode, the right half opaque.
    static void ChooseOverlay(const Editor& e, bool opaque) {
        HWND pane = GetDlgItem(Form(e), kModePane);
        ASSERT_NE(pane, nullptr);
        RECT client = {};
        GetClientRect(pane, &client);
        POINT p = {opaque ? client.right - 5 : 5, client.bottom / 2};
        ClientToScreen(pane, &p);
        SendMouseAt(p, MOUSEEVENTF_LEFTDOWN);
        SendMouseAt(p, MOUSEEVENTF_LEFTUP);
        Settle(e);
    }

    HWND ClipboardOwner() {
        if (!clipboardOwner)
            clipboardOwner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        return clipboardOwner;
    }
    // Puts data of one format on the clipboard, as another program would.
    void PutOnClipboard(UINT format, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WaitUntil([&] { return OpenClipboard(ClipboardOwner()) != FALSE; }));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        ASSERT_NE(memory, nullptr);
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        const bool placed = SetClipboardData(format, memory) != nullptr;
        CloseClipboard();
        if (!placed) GlobalFree(memory);
        ASSERT_TRUE(placed);
    }
    void PutTextOnClipboard(const std::wstring& text) {
        std::vector<uint8_t> bytes((text.size() + 1) * sizeof(wchar_t));
        std::memcpy(bytes.data(), text.c_str(), bytes.size());
        ASSERT_NO_FATAL_FAILURE(PutOnClipboard(CF_UNICODETEXT, bytes));
    }
    // The one-bit picture the editor put on the clipboard: its size and black dots, or nothing.
    struct ClipboardPicture {
        int width = 0, height = 0;
        std::string dots;
    };
    static std::optional<ClipboardPicture> PictureOnClipboard() {
        if (!OpenClipboard(nullptr)) return std::nullopt;
        std::optional<ClipboardPicture> picture;
        if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
            BITMAP info = {};
            GetObjectW(bitmap, sizeof info, &info);
            std::vector<uint8_t> bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
            if (info.bmBitsPixel == 1 && GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data()) ==
                                             static_cast<LONG>(bits.size())) {
                picture = ClipboardPicture{info.bmWidth, info.bmHeight, {}};
                for (int y = 0; y < info.bmHeight; ++y) {
                    for (int x = 0; x < info.bmWidth; ++x) {
                        if ((bits[static_cast<std::size_t>(y) * info.bmWidthBytes + x / 8] &
                             (0x80 >> (x % 8))) == 0)
                            picture->dots += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
                    }
                }
            }
        }
        CloseClipboard();
        return picture;
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

// Escape held at the release cancels a selection rectangle and a move: glyph, history and selection stay,
// and the lifted dots lose their origin tint. Keys are ignored while a move is held, and a picture replaced
// under the held move (an undo sent to the window) ends the move: its release moves nothing.
TEST_F(SelectionTest, EscapeCancelsDragsAndAReplacedPictureEndsAHeldMove) {
    WriteSettings(settings_ + L"SelectKeep=yes\r\n");
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{10, 10}, {11, 10}, {12, 10}, {30, 30}}));  // states 2..5
    const DotPlane drawn = Latest(first);
    Command(first, kToolRectSelect);
    Drag(first, {{10, 10}, {12, 11}, {13, 11}});  // the bar 10..12 of row 10
    ASSERT_TRUE(CellShowsEventually(first, {11, 10}, kSelectTintBlack));

    DragWithEscapeAtTheRelease(first, {20, 20}, {26, 26});
    EXPECT_TRUE(CellShowsEventually(first, {11, 10}, kSelectTintBlack)) << "the selection is as it was";
    EXPECT_TRUE(CellShowsEventually(first, {20, 20}, background)) << "nothing was selected there";
    EXPECT_NE(CellColourNow(first, {20, 25}), kMarquee) << "no rectangle is left on the screen";

    Command(first, kToolMove);
    MouseAt(first, {11, 10}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(first, {15, 16}, 0);
    ASSERT_TRUE(CellShowsEventually(first, {10, 10}, kMoveOrigin));
    EXPECT_TRUE(BringForward(first.main)) << DescribeDesktop();
    keybd_event(VK_ESCAPE, 0, 0, 0);
    MouseAt(first, {15, 16}, MOUSEEVENTF_LEFTUP);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    Settle(first);
    EXPECT_TRUE(CellShowsEventually(first, {10, 10}, kSelectTintBlack)) << "the origin tint is gone";
    EXPECT_TRUE(MarqueeEventually(first, {14, 16}, false)) << "the carried dots are gone from the screen";
    EXPECT_EQ(States(first), 5);
    EXPECT_EQ(Latest(first), drawn) << Describe(Latest(first));

    // A held move: Ctrl+Z does nothing while the mouse is held...
    MouseAt(first, {11, 10}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(first, {14, 20}, 0);
    ASSERT_TRUE(CellShowsEventually(first, {10, 10}, kMoveOrigin));
    Shortcut(first, VK_CONTROL, 'Z');
    EXPECT_TRUE(CellShowsEventually(first, {30, 30}, 0x000000)) << "the last dot is not undone";
    // ...but an undo that reaches the document all the same replaces the picture under the drag: the move
    // ends there, and its release changes nothing of the new picture.
    PostMessageW(first.main, WM_COMMAND, kUndo, 0);
    EXPECT_TRUE(CellShowsEventually(first, {30, 30}, background)) << "the undo took the last dot";
    EXPECT_TRUE(CellShowsEventually(first, {10, 10}, kSelectTintBlack)) << "the move ended: no origin tint";
    EXPECT_TRUE(MarqueeEventually(first, {13, 20}, false)) << "and no carried dots";
    MouseAt(first, {14, 20}, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(CellShowsEventually(first, {11, 10}, kSelectTintBlack)) << "the bar stayed where it was";
    EXPECT_TRUE(CellShowsEventually(first, {13, 20}, background));
    EXPECT_EQ(States(first), 5) << "the release recorded nothing: " << Describe(Latest(first));
}

// Transparent overlay (the left half of the mode pane) keeps the black dots under a moved selection or a
// pasted picture; opaque (the right half) writes the white ones too.
TEST_F(SelectionTest, TheOverlayModeDecidesWhetherBlackDotsUnderAMoveOrAPasteSurvive) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    // The bar 10..12 of row 10, and black dots where the selection's white row 11 and a picture's white
    // middle will land.
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{10, 10}, {11, 10}, {12, 10}, {21, 21}, {42, 42}}));  // 2..6
    const DotPlane drawn = Plane({{10, 10}, {11, 10}, {12, 10}, {21, 21}, {42, 42}});
    for (const bool opaque : {false, true}) {
        SCOPED_TRACE(opaque ? "opaque" : "transparent");
        ASSERT_NO_FATAL_FAILURE(ChooseOverlay(first, opaque));
        Command(first, kToolRectSelect);
        Drag(first, {{10, 10}, {13, 12}});  // 10..12 by 10..11: row 11 white
        ASSERT_TRUE(CellShowsEventually(first, {11, 11}, kSelectTint)) << "the bar and the row below it";
        Command(first, kToolMove);
        Drag(first, {{11, 10}, {16, 15}, {21, 20}});  // by (10, 10): row 11 lands on (21, 21)
        DotPlane moved = Plane({{20, 20}, {21, 20}, {22, 20}, {42, 42}});
        moved.SetDot(21, 21, !opaque);
        // The screen, not the newest history file: after the undos below, the second pass writes over
        // states whose redo files are still there.
        EXPECT_TRUE(ShowsEventually(first, moved));

        // A 5 by 5 frame with a white middle placed over (42, 42).
        ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(5, 5, [](int x, int y) -> COLORREF {
            return x == 0 || y == 0 || x == 4 || y == 4 ? RGB(0, 0, 0) : RGB(255, 255, 255);
        }));
        Command(first, kPaste);
        Drag(first, {{40, 40}});
        DotPlane pasted = moved;
        for (int i = 0; i < 5; ++i) {
            for (const DotPoint dot : {DotPoint{40 + i, 40}, {40 + i, 44}, {40, 40 + i}, {44, 40 + i}})
                pasted.SetDot(dot.x, dot.y, true);
        }
        pasted.SetDot(42, 42, !opaque);
        EXPECT_TRUE(ShowsEventually(first, pasted));

        // Back to where both began.
        Command(first, kUndo);
        Command(first, kUndo);
        ASSERT_TRUE(ShowsEventually(first, drawn));
        Command(first, kSelectNone);
    }
}

// Copy (Ctrl+C, Ctrl+Insert) puts a one-bit picture of the selection's box on the clipboard and records no
// step. A cut waits for a clipboard another program holds, and when it stays busy keeps the dots and says
// so; a cut of white dots only is one step.
TEST_F(SelectionTest, CopyRecordsNoStepAndACutNeverLosesDotsToABusyClipboard) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{5, 5}, {7, 6}}));  // states 2..3
    Command(first, kToolRectSelect);
    Drag(first, {{5, 5}, {8, 7}});  // 5..7 by 5..6
    ASSERT_TRUE(CellShowsEventually(first, {6, 5}, kSelectTint));

    for (const BYTE key : {BYTE{'C'}, BYTE{VK_INSERT}}) {
        ASSERT_NO_FATAL_FAILURE(PutTextOnClipboard(L"another program's text"));
        Shortcut(first, VK_CONTROL, key);
        std::optional<ClipboardPicture> copied;
        EXPECT_TRUE(WaitUntil([&] { return (copied = PictureOnClipboard()).has_value(); }))
            << "Ctrl+" << (key == 'C' ? "C" : "Insert") << " put no one-bit picture on the clipboard";
        if (copied) {
            EXPECT_EQ(copied->width, 3);
            EXPECT_EQ(copied->height, 2);
            EXPECT_EQ(copied->dots, "(0,0)(2,1)");
        }
    }
    EXPECT_EQ(States(first), 3) << "a copy changes nothing";

    // Another program holds the clipboard open: the cut gives up after a moment, says so and keeps the dots.
    ASSERT_TRUE(WaitUntil([&] { return OpenClipboard(ClipboardOwner()) != FALSE; }));
    Shortcut(first, VK_CONTROL, 'X');
    const std::optional<MessageBoxInfo> busy =
        WaitForMessageBoxWithText(first.process->Id(),
                                  L"ｸﾘｯﾌﾟﾎﾞｰﾄﾞを他のﾌﾟﾛｸﾞﾗﾑが使用中のため、切り取りできませんでした。\r\n"
                                  L"選択範囲はそのまま残してあります。");
    CloseClipboard();
    ASSERT_TRUE(busy.has_value()) << DescribeMessageBoxes(first.process->Id());
    EXPECT_EQ(busy->icon, MessageBoxIcon::Exclamation);
    PressButton(*busy, IDOK);
    EXPECT_EQ(States(first), 3);
    EXPECT_TRUE(CellShowsEventually(first, {7, 6}, kSelectTintBlack)) << "the dots are still there";

    Shortcut(first, VK_CONTROL, 'X');
    ASSERT_TRUE(WaitForStates(first, 4));
    EXPECT_EQ(Latest(first), DotPlane(64)) << Describe(Latest(first));
    const std::optional<ClipboardPicture> cut = PictureOnClipboard();
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->dots, "(0,0)(2,1)");

    // A selection of white dots: the clipboard keeps the picture, and the cut is one step all the same.
    Drag(first, {{20, 20}, {25, 25}});
    Shortcut(first, VK_CONTROL, 'X');
    ASSERT_TRUE(WaitForStates(first, 5));
    EXPECT_EQ(PictureOnClipboard().value_or(ClipboardPicture{}).dots, "(0,0)(2,1)");
    Settle(first);
    EXPECT_EQ(States(first), 5) << "exactly one step";
}

// Select all, deselect and invert by their commands, checked by the border and by a cut after each; select
// all with Alt held empties the selection; flip vertical and the half turn by their commands. With
// "SelectKeep" the border stays after Ctrl+Z and a flip acts on it.
TEST_F(SelectionTest, SelectionCommandsFlipsAndTheSelectionKeptAcrossAnUndo) {
    WriteSettings(settings_ + L"SelectKeep=yes\r\n");
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);
    ASSERT_NO_FATAL_FAILURE(PenDots(first, {{3, 3}, {60, 60}}));  // states 2..3

    Command(first, kSelectAll);
    EXPECT_TRUE(CellShowsEventually(first, {0, 0}, kSelectTint));
    EXPECT_TRUE(CellShowsEventually(first, {63, 40}, kSelectTint));
    // Alt held: select all removes everything.
    EXPECT_TRUE(BringForward(first.main)) << DescribeDesktop();
    keybd_event(VK_MENU, 0, 0, 0);
    Settle(first);
    SendMessageW(first.main, WM_COMMAND, kSelectAll, 0);
    keybd_event(VK_F13, 0, 0, 0);
    keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    Settle(first);
    EXPECT_TRUE(CellShowsEventually(first, {0, 0}, background))
        << "Alt and select all leave nothing selected";
    Command(first, kCut);
    Settle(first);
    EXPECT_EQ(States(first), 3) << "nothing to cut";

    // The left half selected and inverted: the right half is cut.
    Command(first, kToolRectSelect);
    MouseAt(first, {0, 0}, MOUSEEVENTF_LEFTDOWN);
    MouseAt(first, {31, 63}, 0);
    POINT below = {6 + 32 * 7 + 3, 6 + 64 * 7 + 3};  // the corner (32, 64), just below the grid
    ClientToScreen(first.view, &below);
    SendMouseAt(below, MOUSEEVENTF_LEFTUP);
    Settle(first);
    ASSERT_TRUE(CellShowsEventually(first, {31, 10}, kSelectTint));
    Command(first, kSelectInvert);
    EXPECT_TRUE(CellShowsEventually(first, {32, 10}, kSelectTint));
    EXPECT_TRUE(CellShowsEventually(first, {31, 10}, background));
    Command(first, kCut);
    ASSERT_TRUE(WaitForStates(first, 4));
    EXPECT_EQ(Latest(first), Plane({{3, 3}})) << Describe(Latest(first));
    Command(first, kSelectNone);
    EXPECT_TRUE(CellShowsEventually(first, {32, 10}, background));
    Command(first, kCut);
    Settle(first);
    EXPECT_EQ(States(first), 4) << "deselected: nothing to cut";

    // Flip vertical and the half turn of the box (0, 0)-(8, 6).
    Drag(first, {{0, 0}, {8, 6}});
    Command(first, kFlipVertical);
    ASSERT_TRUE(WaitForStates(first, 5));
    EXPECT_EQ(Latest(first), Plane({{3, 2}})) << Describe(Latest(first));
    Command(first, kTurnHalf);
    ASSERT_TRUE(WaitForStates(first, 6));
    EXPECT_EQ(Latest(first), Plane({{4, 3}})) << Describe(Latest(first));

    // Ctrl+Z keeps the border, and a flip then acts on the kept selection.
    Shortcut(first, VK_CONTROL, 'Z');
    EXPECT_TRUE(ShowsEventually(first, Plane({{3, 2}})));
    EXPECT_TRUE(CellShowsEventually(first, {7, 0}, kSelectTint)) << "the border stays";
    Command(first, kFlipHorizontal);
    EXPECT_TRUE(WaitUntil([&] { return Latest(first) == Plane({{4, 2}}); })) << Describe(Latest(first));
}

// A paste waits for its place: a press and release outside the grid abandons it, a second Ctrl+V replaces
// the picture, and it stays on the screen when the window is repainted. A 32 by 32 picture placed at
// (40, 40) is clipped. A 32-bit picture with alpha from another program pastes its opaque pixels; a
// picture that cannot be read is reported and leaves the waiting paste as it was.
TEST_F(SelectionTest, APendingPasteIsReplacedAbandonedRepaintedAndPlacedClipped) {
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);
    const auto frame = [](int x, int y) { return x == 0 || y == 0 || x == 31 || y == 31 || x == y; };
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(4, 4, [](int, int) -> COLORREF { return RGB(0, 0, 0); }));

    // Pressed and released left of the grid: nothing placed, no step.
    Shortcut(first, VK_CONTROL, 'V');
    ASSERT_TRUE(PasteFollowsTo(first, {5, 5}, {6, 6}))
        << DescribeMessageBoxes(first.process->Id()) << DescribeDesktop();
    POINT outside = {2, 2};  // left of and above the grid
    ClientToScreen(first.view, &outside);
    SendMouseAt(outside, MOUSEEVENTF_LEFTDOWN);
    SendMouseAt(outside, MOUSEEVENTF_LEFTUP);
    Settle(first);
    EXPECT_TRUE(MarqueeEventually(first, {6, 6}, false)) << "the paste was abandoned";
    EXPECT_EQ(States(first), 1);

    // A second Ctrl+V while the first waits takes the new picture; a repaint of the whole window keeps it.
    Shortcut(first, VK_CONTROL, 'V');
    ASSERT_TRUE(PasteFollowsTo(first, {40, 40}, {43, 43}));
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(
        32, 32, [&](int x, int y) -> COLORREF { return frame(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255); }));
    Shortcut(first, VK_CONTROL, 'V');
    ASSERT_TRUE(PasteFollowsTo(first, {40, 40}, {50, 40})) << "the frame's top row is shown";
    EXPECT_EQ(CellColourNow(first, {42, 43}), background) << "the old solid square is not";
    RedrawWindow(first.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(first);
    EXPECT_TRUE(MarqueeEventually(first, {50, 40}, true)) << "still shown after a repaint";

    // A picture that cannot be read: said so, and the waiting paste is still the frame.
    const std::vector<uint8_t> broken = {40, 0, 0, 0, 0x10, 0, 0, 0};  // a header cut short
    ASSERT_NO_FATAL_FAILURE(PutOnClipboard(CF_DIB, broken));
    Shortcut(first, VK_CONTROL, 'V');
    const std::optional<MessageBoxInfo> unreadable =
        WaitForMessageBoxWithText(first.process->Id(), L"ｸﾘｯﾌﾟﾎﾞｰﾄﾞの画像を読み込めませんでした。");
    ASSERT_TRUE(unreadable.has_value()) << DescribeMessageBoxes(first.process->Id());
    PressButton(*unreadable, IDOK);
    MouseAt(first, {41, 40}, 0);
    MouseAt(first, {40, 40}, 0);
    EXPECT_TRUE(MarqueeEventually(first, {50, 40}, true)) << "the frame still follows the mouse";

    // Placed at (40, 40): only the part on the glyph is written.
    Drag(first, {{40, 40}});
    ASSERT_TRUE(WaitForStates(first, 2));
    DotPlane clipped(64);
    for (int y = 40; y < 64; ++y) {
        for (int x = 40; x < 64; ++x) clipped.SetDot(x, y, frame(x - 40, y - 40));
    }
    EXPECT_EQ(Latest(first), clipped) << DotDifference(Latest(first), clipped);
    EXPECT_TRUE(MarqueeEventually(first, {50, 40}, false)) << "no marquee is left";

    // Another program's 32-bit picture with alpha (a DIB of version 5 with bit fields): the transparent
    // pixels, black ones included, are background; opaque and half-transparent coloured ones are ink.
    std::vector<uint8_t> dib(124 + 6 * 3 * 4, 0);
    const auto put32 = [&](std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 124);
    put32(4, 6);
    put32(8, static_cast<uint32_t>(-3));  // top-down
    dib[12] = 1;
    dib[14] = 32;
    put32(16, BI_BITFIELDS);
    put32(40, 0x00FF0000);
    put32(44, 0x0000FF00);
    put32(48, 0x000000FF);
    put32(52, 0xFF000000);
    put32(56, 0x73524742);  // LCS_sRGB
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            uint32_t pixel = 0x00000000;               // transparent
            if (x == y) pixel = 0xFF000000;            // opaque black
            if (x == 5 && y == 0) pixel = 0x80FF0000;  // half-transparent red
            if (x == 4 && y == 2) pixel = 0xFFFFFFFF;  // opaque white
            put32(124 + static_cast<std::size_t>(y * 6 + x) * 4, pixel);
        }
    }
    ASSERT_NO_FATAL_FAILURE(PutOnClipboard(CF_DIBV5, dib));
    Shortcut(first, VK_CONTROL, 'V');
    ASSERT_TRUE(PasteFollowsTo(first, {0, 0}, {0, 0}));
    Drag(first, {{0, 0}});
    ASSERT_TRUE(WaitForStates(first, 3));
    DotPlane alpha = clipped;
    for (const DotPoint dot : {DotPoint{0, 0}, {1, 1}, {2, 2}, {5, 0}}) alpha.SetDot(dot.x, dot.y, true);
    EXPECT_EQ(Latest(first), alpha) << DotDifference(Latest(first), alpha);
}

// "SelectAfterMove" switches to the move tool only after a selection that holds a dot: after a plain
// click the rectangle tool stays, so the next drag selects. A rectangle pressed right of the grid starts at
// its right edge.
TEST_F(SelectionTest, SelectAfterMoveNeedsADotAndARectangleFromOutsideStartsAtTheEdge) {
    WriteSettings(settings_ + L"SelectAfterMove=yes\r\n");
    ASSERT_NO_FATAL_FAILURE(Open(first, L"prog", L"E000"));
    const uint32_t background = Background(first);

    // Pressed right of the last column, released at (40, 10): columns 40..63 of rows 5..9.
    Command(first, kToolRectSelect);
    const PixelPoint row5 = MatrixGeometry{6, 64}.DotToCellCenter(63, 5);
    POINT right = {row5.x + 4, row5.y};  // just past the last cell
    ClientToScreen(first.view, &right);
    SendMouseAt(right, MOUSEEVENTF_LEFTDOWN);
    Settle(first);
    MouseAt(first, {40, 10}, 0);
    MouseAt(first, {40, 10}, MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(CellShowsEventually(first, {63, 7}, kSelectTint)) << "the right edge is selected";
    EXPECT_TRUE(CellShowsEventually(first, {40, 7}, kSelectTint));
    EXPECT_TRUE(CellShowsEventually(first, {39, 7}, background)) << "the left side is not";
    EXPECT_TRUE(CellShowsEventually(first, {0, 7}, background));
    Command(first, kSelectNone);

    // A click selects nothing: the rectangle tool stays, and the next drag selects.
    Command(first, kToolRectSelect);
    Drag(first, {{30, 30}});
    Drag(first, {{10, 10}, {14, 14}});
    EXPECT_TRUE(CellShowsEventually(first, {10, 12}, kSelectTint)) << "the rectangle tool was still on";
    // An Alt-drag removes everything.
    EXPECT_TRUE(BringForward(first.main)) << DescribeDesktop();
    Command(first, kToolRectSelect);
    keybd_event(VK_MENU, 0, 0, 0);
    Drag(first, {{8, 8}, {20, 20}});
    keybd_event(VK_F13, 0, 0, 0);
    keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    Settle(first);
    EXPECT_TRUE(CellShowsEventually(first, {10, 12}, background));
}

}  // namespace
