// Sample layers and the information column as a user meets them: a layer set up through its
// dialog shows its template in LayerRGB behind the dots, Shift+F1 hides it again, and the
// coordinate lines of the column follow the mouse over the matrix.
#include "editor_fixture.h"

#include "editor/matrix_geometry.h"

using namespace e2e;

namespace {

constexpr int kLayerPane1 = 1014, kPos1 = 1010, kPos2 = 1011;
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

    // Opens layer 0's settings with a right click on its pane, as a user does.
    HWND OpenLayerDialog() {
        PostMessageW(GetDlgItem(form, kLayerPane1), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
        return WaitFor<HWND>([&]() -> std::optional<HWND> {
                   HWND found = FindTopLevelWindow(editor->Id(), L"#32770", L"ｻﾝﾌﾟﾙﾚｲﾔｰ 0 の設定");
                   return found ? std::optional<HWND>(found) : std::nullopt;
               })
            .value_or(nullptr);
    }

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

}  // namespace
