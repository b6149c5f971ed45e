// Opening and showing a character as a user meets it: the glyph of the bitmap file in the dot
// matrix, absent and unreadable characters, stepping through the codes, the code dialog, a code
// open in another editor, the history files, and the grid dialog.
#include "editor_fixture.h"

#include "editor/matrix_geometry.h"

using namespace e2e;

namespace {

constexpr UINT kNextCode = 32798;
constexpr UINT kPrevCode = 32799;
constexpr UINT kCodeOpen = 57601;
constexpr UINT kGridSetting = 32778;
constexpr int kCodeEdit = 1016, kUnicodeChoice = 1017, kSjisChoice = 1018;
constexpr int kGridXEdit = 1011, kGridYEdit = 1017;

std::wstring TitleFor(const std::wstring& font, const std::wstring& code) {
    return font + L"　[ CODE= " + code + L" ]";
}

// A 64-dot glyph: a frame one dot wide at the border and a diagonal, so any misplaced row,
// column or bit order shows.
DotPlane TestGlyph() {
    DotPlane plane(64);
    for (int i = 0; i < 64; ++i) {
        plane.SetDot(i, 0, true);
        plane.SetDot(i, 63, true);
        plane.SetDot(0, i, true);
        plane.SetDot(63, i, true);
        plane.SetDot(i, i, true);
    }
    plane.SetDot(9, 2, true);
    return plane;
}

class DocumentTest : public EditorTest {
  protected:
    void PutGlyph(int code, const DotPlane& plane) {
        ASSERT_TRUE(PutEudcBitmapRecord(std::filesystem::path(euf_), code, plane.Bytes()));
    }

    static HWND MatrixView(HWND main) {
        HWND splitter = GetDlgItem(main, 0xE900);
        return splitter ? GetDlgItem(splitter, 0xE901) : nullptr;
    }

    // Waits until the title names the code (the character is open and painted).
    bool WaitForTitle(HWND main, const std::wstring& title) {
        return WaitUntil([&] { return WindowText(main) == title; });
    }

    // A dialog of the process that has a control of this id (message boxes have none of ours).
    static HWND WaitForDialogWith(const Process& process, int controlId) {
        HWND found = nullptr;
        WaitUntil([&] {
            for (HWND window : TopLevelWindows(process.Id())) {
                if (WindowClass(window) == L"#32770" && GetDlgItem(window, controlId)) {
                    found = window;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    static void SetText(HWND control, const std::wstring& text) {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
};

TEST_F(DocumentTest, CommandLineCodeOpensTheStoredGlyphInTheMatrix) {
    WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                  L"\r\nPixSize=6\r\nDotRGB=20:40:c0\r\n");
    const DotPlane glyph = TestGlyph();
    PutGlyph(0xE000, glyph);
    Process editor = Start(L"/e000");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000"))) << Narrow(WindowText(main));
    EXPECT_EQ(Setting(L"Grid_X"), L"32");
    EXPECT_EQ(Setting(L"Grid_Y"), L"32");

    HWND view = MatrixView(main);
    ASSERT_NE(view, nullptr);
    RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    POINT origin = {0, 0};
    ClientToScreen(view, &origin);
    const MatrixGeometry geometry{6, 64};
    const CellRect last = geometry.DotToCellRect(63, 63);
    const RECT area = {origin.x, origin.y, origin.x + last.right + 7, origin.y + last.bottom + 7};
    ScreenImage screen;
    ASSERT_TRUE(WaitUntil([&] {
        screen = CaptureScreen(area);
        const PixelPoint c = geometry.DotToCellCenter(0, 0);
        return screen.At(c.x, c.y) == 0x2040C0;
    })) << "the first dot never showed DotRGB";
    int wrong = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const PixelPoint c = geometry.DotToCellCenter(x, y);
            const uint32_t expected = glyph.IsBlack(x, y) ? 0x2040C0 : 0xFFFFFF;
            if (screen.At(c.x, c.y) != expected && ++wrong <= 5) {
                ADD_FAILURE() << "dot (" << x << "," << y << ") shows " << std::hex << screen.At(c.x, c.y);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // Grid lines: the emphasised one in the middle, gray elsewhere.
    EXPECT_EQ(screen.At(6 + 32 * 7, 100), 0xF00000u);
    EXPECT_EQ(screen.At(6 + 31 * 7, 100), 0xC0C0C0u);
    SaveScreenshotOf(main, ThisExeFolder() + L"\\opened-glyph.bmp");
}

TEST_F(DocumentTest, AbsentCharacterOpensWhiteAndUnmodified) {
    PutGlyph(0xE000, TestGlyph());
    Process editor = Start(L"E001");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E001"))) << Narrow(WindowText(main));
    EXPECT_TRUE(FindMessageBoxes(editor.Id()).empty());
}

TEST_F(DocumentTest, UnreadableRecordIsReportedAndLeavesNoCode) {
    PutGlyph(0xE000, TestGlyph());
    PutGlyph(0xE001, TestGlyph());
    // E001's record claims 48 by 48 dots in a 64-dot file (E000's record sets the file's size).
    std::vector<uint8_t> data = ReadFileBytes(euf_);
    const uint32_t base = ReadU32(data, 98);
    const uint32_t entry = ReadU32(data, base + 14 + 4);
    PatchFile(euf_, base + entry + 4, {48, 0, 48, 0});
    Process editor = Start(L"E001");
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text),
              Narrow(euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙ情報が読めません。Err=[40] Size=[0,0]"));
    EXPECT_EQ(box->icon, MessageBoxIcon::Exclamation);
    EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
    PressButton(*box, IDOK);
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(TitleFor(tte_, L" - ")));
}

// Stepping from a good character onto an unreadable record leaves a blank document: the matrix
// shows white where the previous glyph was, and the title names no code.
TEST_F(DocumentTest, FailedOpenAfterAGoodOneShowsTheBlankDocument) {
    WriteSettings(L"GaijiEditorPath=" + editor_ + L"\r\nGaijiEditorIniPath=" + editorIni_ +
                  L"\r\nPixSize=6\r\n");
    const DotPlane glyph = TestGlyph();
    PutGlyph(0xE000, glyph);
    PutGlyph(0xE001, glyph);
    std::vector<uint8_t> data = ReadFileBytes(euf_);
    const uint32_t base = ReadU32(data, 98);
    const uint32_t entry = ReadU32(data, base + 14 + 4);
    PatchFile(euf_, base + entry + 4, {48, 0, 48, 0});
    Process editor = Start(L"E000");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000"))) << Narrow(WindowText(main));
    HWND view = MatrixView(main);
    ASSERT_NE(view, nullptr);
    POINT origin = {0, 0};
    ClientToScreen(view, &origin);
    const MatrixGeometry geometry{6, 64};
    const CellRect last = geometry.DotToCellRect(63, 63);
    const RECT area = {origin.x, origin.y, origin.x + last.right + 7, origin.y + last.bottom + 7};
    const PixelPoint corner = geometry.DotToCellCenter(0, 0);
    ASSERT_TRUE(WaitUntil([&] { return CaptureScreen(area).At(corner.x, corner.y) == 0x000000u; }));

    PostMessageW(main, WM_COMMAND, kNextCode, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
    ASSERT_TRUE(box.has_value());
    PressButton(*box, IDOK);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L" - "))) << Narrow(WindowText(main));
    // The message box may cover part of the matrix for a moment after it is dismissed.
    int inked = -1;
    EXPECT_TRUE(WaitUntil([&] {
        const ScreenImage screen = CaptureScreen(area);
        inked = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const PixelPoint c = geometry.DotToCellCenter(x, y);
                if (screen.At(c.x, c.y) != 0xFFFFFFu) ++inked;
            }
        }
        return inked == 0;
    })) << inked << " dots still show the previous glyph";
}

TEST_F(DocumentTest, NextAndPreviousStepThroughEveryCode) {
    Process editor = Start(L"E0FF");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E0FF")));
    PostMessageW(main, WM_COMMAND, kNextCode, 0);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E100"))) << Narrow(WindowText(main));
    PostMessageW(main, WM_COMMAND, kPrevCode, 0);
    PostMessageW(main, WM_COMMAND, kPrevCode, 0);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E0FE"))) << Narrow(WindowText(main));
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(editor.WaitForExit().has_value());

    Process last = Start(L"F8FF");
    main = WaitForEditorWindow(last);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"F8FF")));
    PostMessageW(main, WM_COMMAND, kNextCode, 0);
    SendMessageW(main, WM_NULL, 0, 0);
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(TitleFor(tte_, L"F8FF")));
    EXPECT_TRUE(FindMessageBoxes(last.Id()).empty());
}

TEST_F(DocumentTest, CodeDialogAcceptsUnicodeAndShiftJisAndRefusesOthers) {
    Process editor = Start();
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    // Without a code on the command line the dialog asks at once.
    HWND dialog = WaitForDialogWith(editor, kCodeEdit);
    ASSERT_NE(dialog, nullptr);
    SetText(GetDlgItem(dialog, kCodeEdit), L"0000");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text),
              "指定のｺｰﾄﾞが１６進４桁でないか、外字の範囲にありません。\r\n"
              "ｺｰﾄﾞは、ﾕﾆｺｰﾄﾞかS-JISｺｰﾄﾞの１６進４桁の外字ｺｰﾄﾞを入力して下さい。");
    PressButton(*box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open after a refused code";

    SetText(GetDlgItem(dialog, kCodeEdit), L"e000");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000"))) << Narrow(WindowText(main));

    // Shift-JIS F040 is the first user-defined code, Unicode E000; F140 is E0BC.
    PostMessageW(main, WM_COMMAND, kNextCode, 0);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E001")));
    PostMessageW(main, WM_COMMAND, kCodeOpen, 0);
    dialog = WaitForDialogWith(editor, kCodeEdit);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kSjisChoice), BM_CLICK, 0, 0);
    SetText(GetDlgItem(dialog, kCodeEdit), L"F040");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000"))) << Narrow(WindowText(main));
    PostMessageW(main, WM_COMMAND, kCodeOpen, 0);
    dialog = WaitForDialogWith(editor, kCodeEdit);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kSjisChoice), BM_CLICK, 0, 0);
    SetText(GetDlgItem(dialog, kCodeEdit), L"F140");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E0BC"))) << Narrow(WindowText(main));

    // Cancel leaves the open character as it is.
    PostMessageW(main, WM_COMMAND, kCodeOpen, 0);
    dialog = WaitForDialogWith(editor, kCodeEdit);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kUnicodeChoice), BM_CLICK, 0, 0);
    SetText(GetDlgItem(dialog, kCodeEdit), L"F040");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(TitleFor(tte_, L"E0BC")));
}

TEST_F(DocumentTest, CodeOpenInAnotherEditorIsRefused) {
    Process first = Start(L"E000");
    HWND firstMain = WaitForEditorWindow(first);
    ASSERT_NE(firstMain, nullptr);
    ASSERT_TRUE(WaitForTitle(firstMain, TitleFor(tte_, L"E000")));
    Process second = Start(L"E000");
    std::optional<MessageBoxInfo> box = WaitForMessageBox(second.Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Narrow(box->text), "ｺｰﾄﾞ'E000'は他のｳｨﾝﾄﾞｳで編集中です。");
    EXPECT_EQ(box->icon, MessageBoxIcon::Exclamation);
    PressButton(*box, IDOK);
    HWND secondMain = WaitForEditorWindow(second);
    ASSERT_NE(secondMain, nullptr);
    EXPECT_EQ(Narrow(WindowText(secondMain)), Narrow(TitleFor(tte_, L" - ")));
}

TEST_F(DocumentTest, HistoryFilesLiveInAPrivateFolderWhileTheEditorRuns) {
    Process editor = Start(L"E000");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000")));
    const std::filesystem::path temp(folder_ / L"prog\\TEMP");
    std::vector<std::filesystem::path> folders;
    for (const auto& entry : std::filesystem::directory_iterator(temp)) folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].filename().wstring().rfind(L"ud", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(folders[0] / L"0.tmp"));
    EXPECT_EQ(std::filesystem::file_size(folders[0] / L"0.tmp"), 512u);

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(editor.WaitForExit().has_value());
    EXPECT_FALSE(std::filesystem::exists(folders[0])) << "the history goes with the editor";
}

TEST_F(DocumentTest, GridDialogValidatesAndWritesOnOkOnly) {
    Process editor = Start(L"E000");
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTitle(main, TitleFor(tte_, L"E000")));

    PostMessageW(main, WM_COMMAND, kGridSetting, 0);
    HWND dialog = WaitForDialogWith(editor, kGridXEdit);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Narrow(ControlText(GetDlgItem(dialog, kGridXEdit))), "32");
    SetText(GetDlgItem(dialog, kGridXEdit), L"64");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
    ASSERT_TRUE(box.has_value()) << "N is refused";
    EXPECT_EQ(Narrow(box->text), "0 から 63 までの整数を入力してください。");
    PressButton(*box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box->window));
    EXPECT_EQ(Setting(L"Grid_X"), L"32");

    SetText(GetDlgItem(dialog, kGridXEdit), L"63");
    SetText(GetDlgItem(dialog, kGridYEdit), L"8");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    EXPECT_EQ(Setting(L"Grid_X"), L"32") << "Cancel writes nothing";

    PostMessageW(main, WM_COMMAND, kGridSetting, 0);
    dialog = WaitForDialogWith(editor, kGridXEdit);
    ASSERT_NE(dialog, nullptr);
    SetText(GetDlgItem(dialog, kGridXEdit), L"63");
    SetText(GetDlgItem(dialog, kGridYEdit), L"8");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(dialog));
    EXPECT_EQ(Setting(L"Grid_X"), L"63");
    EXPECT_EQ(Setting(L"Grid_Y"), L"8");
}

}  // namespace
