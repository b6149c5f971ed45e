// Sample layers and the information column as a user meets them: a layer set up through its
// dialog shows its template in LayerRGB behind the dots, Shift+F1 hides it again, and the
// coordinate lines of the column follow the mouse over the matrix.
#include "editor_fixture.h"

#include "editor/matrix_geometry.h"

using namespace e2e;

namespace {

constexpr int kGlyphPane = 1012, kModePane = 1013, kLayerPane1 = 1014, kToolPane = 1017, kPos1 = 1010,
              kPos2 = 1011;
constexpr int kCharField = 1013, kOffsetX = 1014, kFontList = 1027;
constexpr uint32_t kLayerInk = 0xFF8080;  // LayerRGB by default

class LayerTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                      L"\r\nPixSize=6\r\n");
        editor.emplace(Start(L"E000"));
        main = WaitForEditorWindow(*editor);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(main).find(L"E000") != std::wstring::npos; }));
        HWND splitter = GetDlgItem(main, 0xE900);
        ASSERT_NE(splitter, nullptr);
        view = GetDlgItem(splitter, 0xE901);
        HWND info = GetDlgItem(splitter, 0xE900);
        ASSERT_NE(view, nullptr);
        ASSERT_NE(info, nullptr);
        for (HWND child : ChildWindows(info)) {
            if (GetDlgItem(child, kLayerPane1)) form = child;
        }
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
        SetCursorPos(0, 0);
    }
    void TearDown() override {
        if (editor) editor->Kill();
    }

    void Settle() {
        WaitForInputIdle(editor->Handle(), 2000);
        SendMessageW(main, WM_NULL, 0, 0);
    }

    // The colour the matrix shows at the middle of a dot's cell.
    uint32_t CellColour(int x, int y) {
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Settle();
        const PixelPoint c = MatrixGeometry{6, 64}.DotToCellCenter(x, y);
        POINT p = {c.x, c.y};
        ClientToScreen(view, &p);
        const ScreenImage screen = CaptureScreen({p.x, p.y, p.x + 1, p.y + 1});
        return screen.At(0, 0);
    }

    void ShiftKey(WORD key) {
        EXPECT_TRUE(BringForward(main)) << "the key would go elsewhere\n" << DescribeDesktop();
        keybd_event(VK_SHIFT, 0, 0, 0);
        keybd_event(static_cast<BYTE>(key), 0, 0, 0);
        keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
        keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
        Settle();
    }

    // Opens a layer's settings with a right click on its pane, as a user does.
    HWND OpenLayerDialog(int layer = 0) {
        PostMessageW(GetDlgItem(form, kLayerPane1 + layer), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
        const std::wstring caption = L"ｻﾝﾌﾟﾙﾚｲﾔｰ " + std::to_wstring(layer) + L" の設定";
        return WaitFor<HWND>([&]() -> std::optional<HWND> {
                   HWND found = FindTopLevelWindow(editor->Id(), L"#32770", caption);
                   return found ? std::optional<HWND>(found) : std::nullopt;
               })
            .value_or(nullptr);
    }
    // Sets a layer's character in its dialog and closes it with OK.
    void SetUpLayer(int layer, const wchar_t* character) {
        HWND dialog = OpenLayerDialog(layer);
        ASSERT_NE(dialog, nullptr);
        SetWindowTextW(GetDlgItem(dialog, kCharField), character);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_TRUE(WaitForWindowGone(dialog));
    }

    // What the screen shows at a client point of a pane of the column.
    uint32_t PanePixel(int pane, int x, int y) {
        POINT p = {x, y};
        ClientToScreen(GetDlgItem(form, pane), &p);
        return CaptureScreen({p.x, p.y, p.x + 1, p.y + 1}).At(0, 0);
    }
    RECT PaneClient(int pane) {
        RECT client = {};
        GetClientRect(GetDlgItem(form, pane), &client);
        return client;
    }
    // A real mouse event at a client point of a pane.
    void MouseOnPane(int pane, int x, int y, DWORD buttons) {
        POINT p = {x, y};
        ClientToScreen(GetDlgItem(form, pane), &p);
        SendMouseAt(p, buttons);
        Settle();
    }
    std::wstring StatusText() {
        HWND bar = FindWindowExW(main, nullptr, L"msctls_statusbar32", nullptr);
        return bar ? ControlText(bar) : L"(no status bar)";
    }
    bool MenuShown() { return FindTopLevelWindow(editor->Id(), L"#32768") != nullptr; }

    std::optional<Process> editor;
    HWND main = nullptr, view = nullptr, form = nullptr;
};

TEST_F(LayerTest, LayerSetUpInItsDialogShowsBehindTheMatrixAndShiftF1HidesIt) {
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    // The list opens on the default face (Wine lists the MS faces it maps onto the IPA fonts).
    HWND list = GetDlgItem(dialog, kFontList);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    ASSERT_GE(selected, 0);
    wchar_t face[LF_FACESIZE + 1] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(face));
    EXPECT_EQ(std::wstring(face), L"ＭＳ 明朝");
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    Settle();
    // Set up but not shown yet.
    EXPECT_EQ(CellColour(32, 32), 0xFFFFFFu);

    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    ShiftKey(VK_F1);
    // The key arrives on its own time: wait for the picture rather than for a fixed moment.
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == kLayerInk; }));  // the square's ink
    EXPECT_EQ(CellColour(0, 63), 0xFFFFFFu);  // the bottom corner is below the square
    SaveScreenshotOf(main, ThisExeFolder() + L"\\layer_shown.bmp");

    ShiftKey(VK_F1);
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == 0xFFFFFFu; }));
}

TEST_F(LayerTest, ShiftFillFollowsTheTemplateAndInkOverBlackIsDarker) {
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    ShiftKey(VK_F1);
    ASSERT_TRUE(WaitUntil([&] { return CellColour(32, 32) == kLayerInk; }));

    // A black dot outside the template, with the pen.
    SendMessageW(main, WM_COMMAND, 32779, 0);
    SendMouseAtDot(view, {1, 1}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(view, {1, 1}, MOUSEEVENTF_LEFTUP);
    Settle();
    ASSERT_TRUE(WaitUntil([&] { return CellColour(1, 1) == 0x000000u; }));

    // Fill with Shift and the left button (black) on the template's ink: the square's dots turn
    // black, and the layer ink over them shows darker.
    SendMessageW(main, WM_COMMAND, 32782, 0);
    keybd_event(VK_SHIFT, 0, 0, 0);
    SendMouseAtDot(view, {32, 32}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(view, {32, 32}, MOUSEEVENTF_LEFTUP);
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    Settle();
    constexpr uint32_t kInkOverBlack = 0xBF4040;  // LayerRGB darker by 64
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == kInkOverBlack; }))
        << std::hex << CellColour(32, 32);
    EXPECT_EQ(CellColour(20, 20), kInkOverBlack);
    EXPECT_EQ(CellColour(0, 63), 0xFFFFFFu);  // outside the template nothing changed
    EXPECT_EQ(CellColour(1, 1), 0x000000u);

    // Shift and the right button (white) on the template's blank area: white fills that area, so
    // the dot outside the template goes and the square stays.
    keybd_event(VK_SHIFT, 0, 0, 0);
    SendMouseAtDot(view, {0, 63}, MOUSEEVENTF_RIGHTDOWN);
    SendMouseAtDot(view, {0, 63}, MOUSEEVENTF_RIGHTUP);
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return CellColour(1, 1) == 0xFFFFFFu; }));
    EXPECT_EQ(CellColour(32, 32), kInkOverBlack);

    // Hidden, the filled glyph shows plain black where the template was.
    ShiftKey(VK_F1);
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == 0x000000u; }));
}

TEST_F(LayerTest, PreviewShowsTheLayerAtOnceAndCancelKeepsIt) {
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED), 0);  // ﾌﾟﾚﾋﾞｭｰ
    // The dialog sits over the middle of the matrix: look above it, still inside the square.
    EXPECT_TRUE(WaitUntil([&] { return CellColour(12, 12) == kLayerInk; }));
    EXPECT_TRUE(IsWindow(dialog));
    // ｸﾘｱ empties the fields but not the entry.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0);
    EXPECT_EQ(ControlText(GetDlgItem(dialog, kCharField)), L"");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    EXPECT_EQ(CellColour(32, 32), kLayerInk);
    // The entry kept the previewed character: the dialog opens with it again.
    dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(GetDlgItem(dialog, kCharField)), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitForWindowGone(dialog));
}

TEST_F(LayerTest, ClickOnTheModePaneChoosesTheHalfAndOnTheLayerPaneToggles) {
    HWND mode = GetDlgItem(form, 1013);
    ASSERT_NE(mode, nullptr);
    // The lit half of the picture: opaque (right) at start.
    auto litAt = [&](int x) {
        POINT p = {x, 5};
        ClientToScreen(mode, &p);
        return CaptureScreen({p.x, p.y, p.x + 1, p.y + 1}).At(0, 0) == 0xFFFFE0u;
    };
    RECT client;
    GetClientRect(mode, &client);
    const int middle = (client.right - client.left) / 2;
    EXPECT_TRUE(WaitUntil([&] { return litAt(45) && !litAt(5); }));
    // A click exactly on the middle chooses transparent.
    PostMessageW(mode, WM_LBUTTONUP, 0, MAKELPARAM(middle, 5));
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return litAt(5) && !litAt(45); }));
    PostMessageW(mode, WM_LBUTTONUP, 0, MAKELPARAM(middle + 1, 5));
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return litAt(45) && !litAt(5); }));

    // A left click on a layer pane shows that layer, a second hides it.
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    HWND pane = GetDlgItem(form, kLayerPane1);
    PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == kLayerInk; }));
    PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == 0xFFFFFFu; }));
}

TEST_F(LayerTest, OffsetsAreValidatedAgainstTheGlyphSize) {
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kOffsetX), L"65");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"-64 から 64 までの整数を入力してください。");
    PressButton(*box, IDOK);
    EXPECT_TRUE(IsWindow(dialog));  // the dialog stays open
    // Two characters set past the field's limit are refused too.
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"永久");
    SetWindowTextW(GetDlgItem(dialog, kOffsetX), L"-64");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    box = WaitForMessageBox(editor->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"1 文字以内で入力してください。");
    PressButton(*box, IDOK);
    EXPECT_TRUE(IsWindow(dialog));
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"永");
    SetWindowTextW(GetDlgItem(dialog, kOffsetX), L"64");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitForWindowGone(dialog));
}

TEST_F(LayerTest, CoordinateLinesFollowTheMouseAndADrag) {
    HWND pos1 = GetDlgItem(form, kPos1), pos2 = GetDlgItem(form, kPos2);
    SendMouseAtDot(view, {3, 5}, 0);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(pos1) == L"XY->   3,   5"; })) << Narrow(WindowText(pos1));
    EXPECT_EQ(WindowText(pos2), L"");

    // Line tool: the press and the release are what counts (moves may merge under load).
    SendMessageW(main, WM_COMMAND, 32780, 0);
    SendMouseAtDot(view, {2, 2}, MOUSEEVENTF_LEFTDOWN);
    Settle();
    SendMouseAtDot(view, {10, 4}, 0);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(pos2) == L"WH->   8,   2"; })) << Narrow(WindowText(pos2));
    EXPECT_EQ(WindowText(pos1), L"XY->   2,   2");
    SendMouseAtDot(view, {10, 4}, MOUSEEVENTF_LEFTUP);
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return WindowText(pos2).empty(); }));
    EXPECT_EQ(WindowText(pos1), L"XY->  10,   4");
}

// The glyph sample follows an undo; the layer pane shows a previewed character after Cancel; a layer's
// character may lie outside the basic plane; a "GaijiShowFont" face that is not installed opens the
// dialog on the standard face.
TEST_F(LayerTest, TheColumnFollowsUndoAndPreviewAndTheDialogTakesAnyCharacterAndFace) {
    // A dot drawn with the pen is in the sample (1:1 at (9, 6)); Ctrl+Z takes it out again.
    SendMouseAtDot(view, {10, 10}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(view, {10, 10}, MOUSEEVENTF_LEFTUP);
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return PanePixel(kGlyphPane, 9 + 10, 6 + 10) == 0x000000u; }));
    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event('Z', 0, 0, 0);
    keybd_event('Z', 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return CellColour(10, 10) == 0xFFFFFFu; })) << "undone in the matrix";
    EXPECT_TRUE(WaitUntil([&] { return PanePixel(kGlyphPane, 9 + 10, 6 + 10) == 0xFFFFFFu; }))
        << "and in the sample";

    // Preview, then Cancel: the entry keeps the character, and its pane shows it.
    HWND dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"■");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED), 0);  // ﾌﾟﾚﾋﾞｭｰ
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    const RECT pane = PaneClient(kLayerPane1);
    EXPECT_TRUE(WaitUntil([&] { return PanePixel(kLayerPane1, pane.right / 2, 6 + 32) == 0x000000u; }))
        << "the pane shows the previewed square";

    // A character of CJK Extension B is one character, though two UTF-16 units.
    dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(GetDlgItem(dialog, kCharField), L"\U00020B9F");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitForWindowGone(dialog)) << DescribeMessageBoxes(editor->Id());
    if (IsWindow(dialog)) {
        if (auto box = WaitForMessageBox(editor->Id(), Millis(100))) PressButton(*box, IDOK);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(GetDlgItem(dialog, kCharField)), L"\U00020B9F") << "the entry holds it";
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));

    // A face that is not installed: the dialog opens on "ＭＳ 明朝", and OK stores that face.
    folder_.WriteText(L"prog\\Kanjiforge.ini",
                      L"[GxmEditorSettings]\r\nGaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" +
                          editorIni_ + L"\r\nPixSize=6\r\n[GxmSettings]\r\nGaijiShowFont=存在しない書体\r\n");
    dialog = OpenLayerDialog();
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kFontList);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    wchar_t face[LF_FACESIZE + 1] = {};
    if (selected >= 0)
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(face));
    EXPECT_EQ(Narrow(face), "ＭＳ 明朝");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitForWindowGone(dialog));
}

// A pane's prompt stays in the status bar while the mouse rests on the pane, whatever the idle passes do,
// and goes when the mouse leaves.
TEST_F(LayerTest, APanesPromptStaysWhileTheMouseRestsOnIt) {
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == L"ﾚﾃﾞｨ"; })) << Narrow(StatusText());
    const RECT mode = PaneClient(kModePane);
    MouseOnPane(kModePane, mode.right / 2 - 3, mode.bottom / 2, 0);
    MouseOnPane(kModePane, mode.right / 2 - 2, mode.bottom / 2, 0);
    const std::wstring prompt = L"どちらかをｸﾘｯｸで、ﾍﾟｰｽﾄ時の重ね合わせﾓｰﾄﾞを変更";
    ASSERT_TRUE(WaitUntil([&] { return StatusText() == prompt; })) << Narrow(StatusText());
    // Every message lets the queue run empty again; the prompt must survive each idle pass.
    for (int i = 0; i < 20; ++i) {
        PostMessageW(main, WM_NULL, 0, 0);
        Sleep(25);
        ASSERT_EQ(StatusText(), prompt) << "after idle pass " << i;
    }
    SendMouseAtDot(view, {30, 30}, 0);
    EXPECT_TRUE(WaitUntil([&] {
        PostMessageW(main, WM_NULL, 0, 0);
        return StatusText() == L"ﾚﾃﾞｨ";
    })) << Narrow(StatusText());
}

// The tool pane: the rectangle tool with dot size 3 shows three lines and the filled pen mark; the pop-up
// at the arrow sets size 5; the move tool has no pop-up. Shift+F2 and Shift+F3 show one layer at a time.
TEST_F(LayerTest, ToolPaneShowsTheDotSizeAndItsPopUpAndLayersShowOneAtATime) {
    SendMessageW(main, WM_COMMAND, 32781, 0);  // 四角
    SendMessageW(main, WM_COMMAND, 32821, 0);  // 3ﾄﾞｯﾄ
    const RECT tool = PaneClient(kToolPane);
    const int third = tool.right / 3;
    const auto lines = [&] {
        int count = 0;
        while (count < 8 && PanePixel(kToolPane, third + 28, 19 - count) == 0x000000u) ++count;
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return lines() == 3; })) << lines() << " lines";
    EXPECT_EQ(PanePixel(kToolPane, tool.right - 7, tool.bottom / 2), 0x000000u)
        << "the black pen's filled mark";

    ASSERT_TRUE(BringForward(main)) << DescribeDesktop();
    MouseOnPane(kToolPane, third + 8, 7, MOUSEEVENTF_RIGHTDOWN);
    MouseOnPane(kToolPane, third + 8, 7, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitUntil([&] { return MenuShown(); })) << "the dot sizes pop up at the arrow";
    for (int i = 0; i < 5; ++i) {
        keybd_event(VK_DOWN, 0, 0, 0);
        keybd_event(VK_DOWN, 0, KEYEVENTF_KEYUP, 0);
    }
    keybd_event(VK_RETURN, 0, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitUntil([&] { return lines() == 5; })) << lines() << " lines";

    SendMessageW(main, WM_COMMAND, 32784, 0);  // 全て選択: the move tool needs a selection
    SendMessageW(main, WM_COMMAND, 32818, 0);  // 移動
    Settle();
    EXPECT_TRUE(WaitUntil([&] { return lines() == 0; })) << "the move tool shows no dot size";
    MouseOnPane(kToolPane, third + 8, 7, MOUSEEVENTF_RIGHTDOWN);
    MouseOnPane(kToolPane, third + 8, 7, MOUSEEVENTF_RIGHTUP);
    Settle();
    EXPECT_FALSE(MenuShown()) << "no pop-up for the move tool";
    SendMessageW(main, WM_COMMAND, 32787, 0);  // 選択解除

    // Layer 2 a filled square, layer 3 an empty one: each key shows its own layer and hides the other.
    ASSERT_NO_FATAL_FAILURE(SetUpLayer(1, L"■"));
    ASSERT_NO_FATAL_FAILURE(SetUpLayer(2, L"□"));
    const auto inkInRow = [&](int y) {
        for (int x = 0; x < 64; ++x) {
            if (CellColour(x, y) == kLayerInk) return true;
        }
        return false;
    };
    ShiftKey(VK_F2);
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == kLayerInk; })) << "layer 2's square";
    ShiftKey(VK_F3);
    EXPECT_TRUE(WaitUntil([&] { return CellColour(32, 32) == 0xFFFFFFu; })) << "layer 2 hidden";
    EXPECT_TRUE(inkInRow(32)) << "layer 3's outline";
    ShiftKey(VK_F3);
    EXPECT_TRUE(WaitUntil([&] { return !inkInRow(32); })) << "no layer shown";
}

// The ProductVersion of a program's own version resource, as the About box is to show it.
std::wstring ProductVersionOf(const std::wstring& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    std::vector<uint8_t> data(size);
    if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) return {};
    struct Translation {
        WORD language, codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &length) ||
        length < sizeof(Translation)) {
        return {};
    }
    wchar_t key[64] = {};
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translations[0].language,
             translations[0].codePage);
    wchar_t* value = nullptr;
    return VerQueryValueW(data.data(), key, reinterpret_cast<void**>(&value), &length) && value ? value : L"";
}

constexpr UINT kAbout = 57664;
constexpr int kAboutVersion = 1002, kAboutLegal = 1004, kAboutUpdate = 1048;
const wchar_t kAskUpdate[] =
    L"Kanjiforgeを最新版に更新するには、ﾈｯﾄﾜｰｸに接続している必要があります。\r\n更新するには全ての"
    L"Kanjiforgeを終了する必要があります。\r\nOKボタンを押下すると、ﾌﾟﾛｸﾞﾗﾑを終了し、更新処理に入ります。"
    L"\r\n更新処理を開始しますか？";

class AboutTest : public LayerTest {
  protected:
    // The message box over the About box (which is a dialog window itself).
    MessageBoxInfo BoxOver(HWND about, const std::wstring& text, MessageBoxIcon icon,
                           std::vector<int> buttons, Process& process) {
        const std::optional<MessageBoxInfo> box = WaitForMessageBoxWithText(process.Id(), text);
        if (!box || box->window == about) {
            ADD_FAILURE() << "no message box \"" << Narrow(text) << "\" over the About box; "
                          << DescribeMessageBoxes(process.Id());
            return {};
        }
        const MessageBoxInfo& info = *box;
        EXPECT_EQ(Narrow(info.caption), Narrow(kCaption));
        EXPECT_EQ(Narrow(info.text), Narrow(text));
        EXPECT_EQ(ToString(info.icon), std::string(ToString(icon)));
        EXPECT_EQ(info.ButtonIds(), buttons);
        return info;
    }

    HWND OpenAbout() {
        PostMessageW(main, WM_COMMAND, kAbout, 0);
        return WaitFor<HWND>([&]() -> std::optional<HWND> {
                   HWND found = FindTopLevelWindow(editor->Id(), L"#32770", L"Kanjiforgeのﾊﾞｰｼﾞｮﾝ情報");
                   return found ? std::optional<HWND>(found) : std::nullopt;
               })
            .value_or(nullptr);
    }
};

TEST_F(AboutTest, ShowsTheVersionOfItsOwnResourceAndTheLegalLine) {
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    const std::wstring version = ProductVersionOf(exe_);
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(WindowText(GetDlgItem(about, kAboutVersion)), L"Kanjiforge Version " + version);
    EXPECT_EQ(WindowText(GetDlgItem(about, kAboutLegal)).find(L"Copyright"), 0u);
    SaveScreenshotOf(about, ThisExeFolder() + L"\\about_box.bmp");
    // Enter closes it: OK is the default button.
    PostMessageW(about, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(about, WM_KEYUP, VK_RETURN, 0);
    EXPECT_TRUE(WaitForWindowGone(about));
}

TEST_F(AboutTest, UpdateWithTheUpdaterMissingReportsItAndKeepsTheEditor) {
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(kAboutUpdate, BN_CLICKED), 0);
    // Cancel in the question: the box stays, nothing starts.
    MessageBoxInfo ask = BoxOver(about, kAskUpdate, MessageBoxIcon::Question, {IDOK, IDCANCEL}, *editor);
    PressButton(ask, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(ask.window));
    EXPECT_TRUE(IsWindow(about));

    PostMessageW(about, WM_COMMAND, MAKEWPARAM(kAboutUpdate, BN_CLICKED), 0);
    ask = BoxOver(about, kAskUpdate, MessageBoxIcon::Question, {IDOK, IDCANCEL}, *editor);
    PressButton(ask, IDOK);
    const std::wstring folder = exe_.substr(0, exe_.find_last_of(L'\\') + 1);
    const MessageBoxInfo failed =
        BoxOver(about, L"'\"" + folder + L"Patchkit.exe\" Patchkit2.ini'\r\nﾌﾟﾛｸﾞﾗﾑの起動に失敗しました。",
                MessageBoxIcon::Exclamation, {IDOK}, *editor);
    PressButton(failed, IDOK);
    EXPECT_TRUE(WaitForWindowGone(about));
    EXPECT_TRUE(editor->IsRunning());
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(AboutTest, UpdateStartsTheUpdaterAndEndsEveryEditor) {
    const std::wstring updater = folder_.CopyIn(CmdRecordExePath(), L"prog\\Patchkit.exe");
    Process second = Start(L"E001");
    ASSERT_NE(WaitForEditorWindow(second), nullptr);
    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(kAboutUpdate, BN_CLICKED), 0);
    MessageBoxInfo ask = BoxOver(about, kAskUpdate, MessageBoxIcon::Question, {IDOK, IDCANCEL}, *editor);
    PressButton(ask, IDOK);
    EXPECT_EQ(WaitForRecordedLines(updater + L".cmdline"), Narrow(L"\"" + updater + L"\" Patchkit2.ini\n"));
    EXPECT_TRUE(editor->WaitForExit().has_value());
    EXPECT_TRUE(second.WaitForExit().has_value());
}

// The update refuses while another editor holds unsaved changes, naming how many, and starts nothing.
TEST_F(AboutTest, UpdateRefusesWhileAnEditorHoldsUnsavedChanges) {
    const std::wstring updater = folder_.CopyIn(CmdRecordExePath(), L"prog\\Patchkit.exe");
    Process second = Start(L"E001");
    HWND secondMain = WaitForEditorWindow(second);
    ASSERT_NE(secondMain, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(secondMain).find(L"E001") != std::wstring::npos; }));
    ASSERT_TRUE(BringForward(secondMain)) << DescribeDesktop();
    HWND secondView = GetDlgItem(GetDlgItem(secondMain, 0xE900), 0xE901);
    SendMouseAtDot(secondView, {5, 5}, MOUSEEVENTF_LEFTDOWN);
    SendMouseAtDot(secondView, {5, 5}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(secondMain).find(L"-<更新>") != std::wstring::npos; }));

    HWND about = OpenAbout();
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(kAboutUpdate, BN_CLICKED), 0);
    MessageBoxInfo ask = BoxOver(about, kAskUpdate, MessageBoxIcon::Question, {IDOK, IDCANCEL}, *editor);
    PressButton(ask, IDOK);
    const MessageBoxInfo refused =
        BoxOver(about,
                L"保存していない変更のあるKanjiforgeが 1 "
                L"個あります。\r\n保存するか閉じてから、もう一度更新してください。",
                MessageBoxIcon::Exclamation, {IDOK}, *editor);
    PressButton(refused, IDOK);
    EXPECT_TRUE(IsWindow(about)) << "the box stays for another try";
    EXPECT_FALSE(FileExists(updater + L".cmdline")) << "the updater was not started";
    EXPECT_TRUE(editor->IsRunning());
    EXPECT_TRUE(second.IsRunning());
    EXPECT_NE(WindowText(secondMain).find(L"-<更新>"), std::wstring::npos) << "the drawing is still there";
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitForWindowGone(about));
}

}  // namespace
