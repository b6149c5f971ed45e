// Start-up and shutdown of Kanjiforge.exe as a user meets them: every refusal with its message
// box, the first start that writes the settings file, the main window of a good start, and the
// update signal to the browser programs at exit.
#include "editor_fixture.h"

using namespace e2e;

namespace {

class StartupTest : public EditorTest {};

TEST_F(StartupTest, GoodStartShowsTaggedMainWindowWithPlaceholderTitle) {
    Process editor = Start();
    HWND main = WaitForEditorWindow(editor);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowProperty(main, L"_KANJIFORGE_APPLICATION_TAG"), 1u);
    EXPECT_EQ(Narrow(WindowText(main)), Narrow(tte_ + L"　[ CODE=  -  ]"));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(WaitUntil([&] { return !WaitWindowShown(editor); })) << "the wait window stayed";
    EXPECT_TRUE(FindMessageBoxes(editor.Id()).empty());

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitForExit(), 0u);
    EXPECT_TRUE(folder_.Exists(L"prog\\TEMP"));
}

TEST_F(StartupTest, FirstStartWritesDefaultSettingsAndNeedsTheSystemEditor) {
    DeleteFileW((folder_ / L"prog\\Kanjiforge.ini").c_str());
    Process editor = Start();
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring editorPath = std::wstring(system) + L"\\eudcedit.exe";
    MessageBoxInfo box = ExpectBox(editor,
                                   L"下記のﾊﾟｽに外字ｴﾃﾞｨﾀが存在しません。\r\n" + editorPath +
                                       L"\r\n外字ｴﾃﾞｨﾀ（eudcedit.exe）を探して、「Kanjiforge."
                                       L"ini」ﾌｧｲﾙの「GaijiEditorPath=」にﾌﾙﾊﾟｽで記述してください。"
                                       L"\r\nこのﾌﾟﾛｸﾞﾗﾑは外字ｴﾃﾞｨﾀを利用しないと外字の保存ができません。",
                                   MessageBoxIcon::Hand);
    EXPECT_TRUE(WaitWindowShown(editor)) << "the wait window should stay behind the message";
    AnswerAndExpectExit(editor, box);

    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(Setting(L"PixSize"), L"6");
    EXPECT_EQ(Setting(L"SelectAfterMove"), L"no");
    EXPECT_EQ(Setting(L"SelectKeep"), L"no");
    EXPECT_EQ(Setting(L"GaijiEditorPath"), editorPath);
    EXPECT_EQ(Setting(L"GaijiEditorIniPath"), std::wstring(windows) + L"\\eudcedit.ini");
    EXPECT_EQ(Setting(L"DotRGB"), L"0:0:0");
    EXPECT_EQ(Setting(L"SelectRGB"), L"e0:e0:ff");
    EXPECT_EQ(Setting(L"MoveMqRGB"), L"80:80:80");
    EXPECT_EQ(Setting(L"MoveOrgRGB"), L"e4:e4:f0");
    EXPECT_EQ(Setting(L"DrawMqRGB"), L"80:80:80");
    EXPECT_EQ(Setting(L"LayerRGB"), L"ff:80:80");
    EXPECT_EQ(Setting(L"GridRGB"), L"f0:0:0");
    EXPECT_FALSE(Setting(L"SaveAns").has_value());
}

TEST_F(StartupTest, RefusesWithoutDefaultEudcFont) {
    {
        font_.Delete();
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor,
                      L"\r\nﾃﾞﾌｫﾙﾄの外字ﾌｫﾝﾄを取得できません。Err=[-5]\r\nKanjiforgeを利用するには何れかの"
                      L"「.TTE」ﾌｧｲﾙが全てのﾌｫﾝﾄにﾘﾝｸされていなければなりません。",
                      MessageBoxIcon::Hand));
    }
    {
        RegDeleteKeyW(HKEY_CURRENT_USER, L"EUDC\\932");
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor,
                      L"\r\nﾃﾞﾌｫﾙﾄの外字ﾌｫﾝﾄを取得できません。Err=[-2]\r\nKanjiforgeを利用するには何れかの"
                      L"「.TTE」ﾌｧｲﾙが全てのﾌｫﾝﾄにﾘﾝｸされていなければなりません。",
                      MessageBoxIcon::Hand));
    }
    {
        font_.SetString(L"");
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor,
                      L"\r\nﾃﾞﾌｫﾙﾄの外字ﾌｫﾝﾄを取得できません。Err=[0]\r\nKanjiforgeを利用するには何れかの"
                      L"「.TTE」ﾌｧｲﾙが全てのﾌｫﾝﾄにﾘﾝｸされていなければなりません。",
                      MessageBoxIcon::Hand));
    }
}

TEST_F(StartupTest, RefusesMissingFontOrBitmapFile) {
    DeleteFileW(euf_.c_str());
    {
        Process editor = Start();
        AnswerAndExpectExit(editor,
                            ExpectBox(editor,
                                      euf_ + L"\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙが存在しません。\r\n"
                                             L"別ﾌﾟﾛｸﾞﾗﾑ「Kanjiviewer」を利用すると作成できます。",
                                      MessageBoxIcon::Hand));
    }
    DeleteFileW(tte_.c_str());
    {
        Process editor = Start();
        AnswerAndExpectExit(editor, ExpectBox(editor, tte_ + L"\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄが存在しません。",
                                              MessageBoxIcon::Hand));
    }
}

TEST_F(StartupTest, RelativeFontValueIsLookedUpInTheFontsFolder) {
    const std::wstring name = L"KfStartupTest" + std::to_wstring(GetCurrentProcessId());
    const std::wstring fonts = FontsFolder();
    ASSERT_FALSE(fonts.empty());
    font_.SetString(name + L".TTE");
    {
        Process editor = Start();
        AnswerAndExpectExit(
            editor, ExpectBox(editor, fonts + L"\\" + name + L".TTE\r\n上記ﾃﾞﾌｫﾙﾄ外字ﾌｫﾝﾄが存在しません。",
                              MessageBoxIcon::Hand));
    }
    const std::wstring tte = fonts + L"\\" + name + L".TTE";
    const std::wstring euf = fonts + L"\\" + name + L".EUF";
    WriteFileBytes(tte, {0});
    ASSERT_TRUE(CreateEudcBitmapFile(std::filesystem::path(euf), 48));
    {
        Process editor = Start();
        HWND main = WaitForEditorWindow(editor);
        EXPECT_NE(main, nullptr) << "a 48-dot bitmap file in the fonts folder should start";
        if (main) {
            EXPECT_EQ(Narrow(WindowText(main)), Narrow(name + L".TTE　[ CODE=  -  ]"));
            PostMessageW(main, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(editor.WaitForExit().has_value());
    }
    DeleteFileW(tte.c_str());
    DeleteFileW(euf.c_str());
}

TEST_F(StartupTest, RefusesUnreadableBitmapHeader) {
    {
        std::vector<uint8_t> head = ReadFileBytes(euf_);
        head.resize(101);
        WriteFileBytes(euf_, head);
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor, euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[11]",
                      MessageBoxIcon::Hand));
    }
    {
        DeleteFileW(euf_.c_str());
        ASSERT_TRUE(CreateEudcBitmapFile(std::filesystem::path(euf_), 64));
        PatchFile(euf_, 98, {3, 0, 0, 0});  // an index base below the range block
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor, euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[12]",
                      MessageBoxIcon::Hand));
    }
}

TEST_F(StartupTest, RefusesAbnormalManagementSize) {
    // With E000 absent the management record is read at the index base itself.
    const uint32_t base = ReadU32(ReadFileBytes(euf_), 98);
    PatchFile(euf_, base + 6, {48, 0});
    {
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor, euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[64,48]",
                      MessageBoxIcon::Hand));
    }
    PatchFile(euf_, base + 4, {0, 0, 0, 0});
    {
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor, euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[0,0]",
                      MessageBoxIcon::Hand));
    }
    // Square sizes the editor cannot hold: rows that are not whole bytes, and a size whose planes
    // and history files would take hundreds of megabytes.
    for (const auto& [bytes, shown] :
         {std::pair<std::vector<uint8_t>, std::wstring>{{50, 0, 50, 0}, L"50,50"},
          {{0x08, 0x01, 0x08, 0x01}, L"264,264"},
          {{0xFF, 0xFF, 0xFF, 0xFF}, L"65535,65535"}}) {
        PatchFile(euf_, base + 4, bytes);
        Process editor = Start();
        AnswerAndExpectExit(
            editor,
            ExpectBox(editor,
                      euf_ + L"\r\n上記外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[" + shown + L"]",
                      MessageBoxIcon::Hand));
    }
}

TEST_F(StartupTest, MissingEditorIniOffersToStartTheEditor) {
    DeleteFileW(editorIni_.c_str());
    const std::wstring text =
        L"下記のﾊﾟｽに外字ｴﾃﾞｨﾀの設定ﾌｧｲﾙが存在しません。\r\n" + editorIni_ +
        L"\r\nこの設定ﾌｧｲﾙは、外字ｴﾃﾞｨﾀを起動すると自動的に作成されます。\r\n"
        L"外字ｴﾃﾞｨﾀを一度起動して終了させてください。\r\nその後、このﾌﾟﾛｸﾞﾗﾑを再度起動してください。"
        L"\r\n\r\n外字ｴﾃﾞｨﾀを起動しますか？";
    const std::wstring record = editor_ + L".cmdline";
    {
        Process editor = Start();
        AnswerAndExpectExit(editor, ExpectBox(editor, text, MessageBoxIcon::Hand, {IDYES, IDNO}), IDNO);
        EXPECT_FALSE(FileExists(record)) << "No must not start the editor";
    }
    {
        Process editor = Start();
        AnswerAndExpectExit(editor, ExpectBox(editor, text, MessageBoxIcon::Hand, {IDYES, IDNO}), IDYES);
        EXPECT_EQ(WaitForRecordedLines(record), Narrow(editor_) + "\n") << "Yes must start the editor";
    }
}

TEST_F(StartupTest, MissingEditorIsReported) {
    DeleteFileW(editor_.c_str());
    Process editor = Start();
    AnswerAndExpectExit(editor,
                        ExpectBox(editor,
                                  L"下記のﾊﾟｽに外字ｴﾃﾞｨﾀが存在しません。\r\n" + editor_ +
                                      L"\r\n外字ｴﾃﾞｨﾀ（eudcedit.exe）を探して、「Kanjiforge."
                                      L"ini」ﾌｧｲﾙの「GaijiEditorPath=」にﾌﾙﾊﾟｽで記述してください。"
                                      L"\r\nこのﾌﾟﾛｸﾞﾗﾑは外字ｴﾃﾞｨﾀを利用しないと外字の保存ができません。",
                                  MessageBoxIcon::Hand));
}

// A browser of the family: a top-level window with browser tags that counts update signals.
class BrowserWindow {
  public:
    BrowserWindow(bool viewerTag, bool outerTag) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KfTestBrowser";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"KfTestBrowser", L"browser", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (viewerTag) SetPropW(window_, L"_KANJIVIEWER_APPLICATION_TAG", reinterpret_cast<HANDLE>(1));
        if (outerTag) SetPropW(window_, L"__OUTERGLYPHBROWSER_APPLICATION_TAG", reinterpret_cast<HANDLE>(7));
    }
    ~BrowserWindow() {
        RemovePropW(window_, L"_KANJIVIEWER_APPLICATION_TAG");
        RemovePropW(window_, L"__OUTERGLYPHBROWSER_APPLICATION_TAG");
        DestroyWindow(window_);
    }
    int Signals() const { return signals_; }

  private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (message == 0x80C8 && self && wParam == 0 && lParam == 0) ++self->signals_;
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    HWND window_ = nullptr;
    int signals_ = 0;
};

// Lets messages already posted to this thread arrive.
void DrainMessages() {
    WaitUntil([] { return false; }, Millis(300));
}

TEST_F(StartupTest, BrowsersGetOneUpdateSignalAtEveryExit) {
    BrowserWindow viewer(true, false), outer(false, true), both(true, true), untagged(false, false);
    {
        Process editor = Start();
        HWND main = WaitForEditorWindow(editor);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(viewer.Signals(), 0);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(editor.WaitForExit().has_value());
    }
    DrainMessages();
    EXPECT_EQ(viewer.Signals(), 1);
    EXPECT_EQ(outer.Signals(), 1);
    EXPECT_EQ(both.Signals(), 1);
    EXPECT_EQ(untagged.Signals(), 0);

    DeleteFileW(tte_.c_str());  // a failed start signals too
    {
        Process editor = Start();
        std::optional<MessageBoxInfo> box = WaitForMessageBox(editor.Id());
        ASSERT_TRUE(box.has_value());
        PressButton(*box, IDOK);
        ASSERT_TRUE(editor.WaitForExit().has_value());
    }
    DrainMessages();
    EXPECT_EQ(viewer.Signals(), 2);
    EXPECT_EQ(outer.Signals(), 2);
    EXPECT_EQ(both.Signals(), 2);
    EXPECT_EQ(untagged.Signals(), 0);
}

TEST_F(StartupTest, RefusesSystemsOlderThanNt5) {
    // Wine reports the Windows version configured for the program's file name.
    const std::wstring key = L"Software\\Wine\\AppDefaults\\Kanjiforge.exe";
    RegistryValueGuard version(HKEY_CURRENT_USER, key, L"Version");
    version.SetString(L"nt40");
    Process editor = Start();
    AnswerAndExpectExit(editor, ExpectBox(editor, L"このﾌﾟﾛｸﾞﾗﾑはNTｶｰﾈﾙでないと稼働しません。",
                                          MessageBoxIcon::Exclamation, {IDOK}, L"GlyphoEditor"));
    EXPECT_FALSE(Setting(L"PixSize").has_value()) << "nothing is written before the system check";
}

}  // namespace
