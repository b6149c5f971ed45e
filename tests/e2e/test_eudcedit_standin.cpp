// The stand-in system character editor, driven directly the way Kanjiforge's save steers it: start-up
// dialog, code grid, status bar read across processes, copy dialog, paste from the clipboard, synchronous
// save into the bitmap file, close; and each failure it can be told to show.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "glyphstore/eudc_bitmap.h"
#include "harness.h"

// After harness.h, which brings in <windows.h>.
#include <commctrl.h>

using namespace e2e;

namespace {

constexpr int kSize = 32;

class EudceditStandIn : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = folder_.CopyIn(WindowsPathFromBuildPath(KF_EUDCEDIT_EXE), L"eudcedit.exe");
        font_.SetString(folder_ / L"EUDC.TTE");
    }

    void WriteIni(std::wstring_view standIn = {}) {
        folder_.WriteText(L"eudcedit.ini",
                          L"[WindowSize]\r\nMinMaxFlag=0\r\nMainWindowSize=28 24 431 251\r\n"
                          L"[Bitmap]\r\nBitmapSize=32\r\n[StandIn]\r\n" +
                              std::wstring(standIn));
    }

    // Starts the editor and waits for its main window: the top-level window with a minimise box.
    void Start() {
        editor_.emplace(Process::Start(exe_));
        AttachMain();
    }

    void AttachMain() {
        main_ = WaitFor<HWND>([&]() -> std::optional<HWND> {
                    for (HWND w : TopLevelWindows(editor_->Id())) {
                        const LONG style = GetWindowLongW(w, GWL_STYLE);
                        if ((style & WS_MINIMIZEBOX) && (style & WS_BORDER)) return w;
                    }
                    return std::nullopt;
                }).value_or(nullptr);
        ASSERT_NE(main_, nullptr) << "no main window";
        for (HWND child : ChildWindows(main_)) {
            if (WindowClass(child) == L"msctls_statusbar32") status_ = child;
        }
        ASSERT_NE(status_, nullptr);
    }

    HWND WaitForDialog(std::wstring_view title) {
        return WaitFor<HWND>([&]() -> std::optional<HWND> {
                   for (HWND w : TopLevelWindows(editor_->Id())) {
                       if (WindowText(w) == title) return w;
                   }
                   return std::nullopt;
               })
            .value_or(nullptr);
    }

    void DismissStartupDialog() {
        HWND dialog = WaitForDialog(L"コードの選択");
        ASSERT_NE(dialog, nullptr) << "no start-up dialog";
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitForWindowGone(dialog));
    }

    std::string Log() const {
        const std::wstring path = exe_ + L".log";
        if (!FileExists(path)) return {};
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    std::size_t Count(std::string_view text) const {
        const std::string log = Log();
        std::size_t n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    bool WaitForLog(std::string_view line) {
        return WaitUntil([&] { return Log().find(std::string(line) + "\n") != std::string::npos; });
    }

    // Every part of the status bar, read as Kanjiforge reads it: SB_GETTEXTW into memory of the bar's
    // process.
    std::vector<std::wstring> StatusParts() const {
        std::vector<std::wstring> parts;
        const int count = static_cast<int>(SendMessageW(status_, SB_GETPARTS, 0, 0));
        UniqueHandle process(
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, editor_->Id()));
        if (!process) return parts;
        void* remote = VirtualAllocEx(process.Get(), nullptr, 200, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!remote) return parts;
        for (int i = 0; i < count; ++i) {
            wchar_t local[101] = {};
            SendMessageW(status_, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process.Get(), remote, local, 200, nullptr);
            parts.emplace_back(local);
        }
        VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
        return parts;
    }

    bool StatusShows(std::wstring_view code) const {
        for (const std::wstring& part : StatusParts()) {
            if (part.find(code) != std::wstring::npos) return true;
        }
        return false;
    }

    static INPUT KeyInput(WORD key, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, 0));
        input.ki.dwFlags = (key == VK_RETURN ? 0 : KEYEVENTF_EXTENDEDKEY) | (up ? KEYEVENTF_KEYUP : 0);
        return input;
    }

    static INPUT MouseInput(POINT p, DWORD button) {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((p.x * 65535 + (width - 1) / 2) / (width - 1));
        input.mi.dy = static_cast<LONG>((p.y * 65535 + (height - 1) / 2) / (height - 1));
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
        return input;
    }

    // Chooses the character set in the combo box as Kanjiforge does: select the item, notify the parent.
    void UseCharset(const wchar_t* name) {
        HWND combo = nullptr;
        for (HWND child : ChildWindows(main_))
            if (WindowClass(child) == L"ComboBox") combo = child;
        ASSERT_NE(combo, nullptr);
        ASSERT_NE(SendMessageW(combo, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(name)), CB_ERR);
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_TRUE(WaitForLog("charset " + Narrow(name)));
        unicode_ = std::wstring(name) == L"Unicode";
    }

    // Opens the code grid and picks `code` with Page Down, a click on the first visible cell, Down and Right
    // in one input stream ended by Enter (or followed by a posted OK); the main window must be in the
    // foreground again.
    void ChooseCode(int code, bool postOk = false) {
        if (!unicode_) ASSERT_NO_FATAL_FAILURE(UseCharset(L"Unicode"));
        PostMessageW(main_, WM_COMMAND, 32776, 0);
        HWND dialog = WaitForDialog(L"コードの選択");
        ASSERT_NE(dialog, nullptr) << "the code grid did not open";
        const int f = code - 0xE000;
        const int pages = std::min(f / 96, 65);
        const int rows = (f - 96 * pages) / 16;
        ASSERT_TRUE(BringForward(dialog)) << DescribeDesktop();
        std::vector<INPUT> stream;
        auto press = [&](WORD key, int times) {
            for (int i = 0; i < times; ++i) {
                stream.push_back(KeyInput(key, false));
                stream.push_back(KeyInput(key, true));
            }
        };
        press(VK_NEXT, pages);
        POINT first{68, 43};
        ClientToScreen(dialog, &first);
        stream.push_back(MouseInput(first, MOUSEEVENTF_LEFTDOWN));
        stream.push_back(MouseInput(first, MOUSEEVENTF_LEFTUP));
        press(VK_DOWN, rows);
        press(VK_RIGHT, f % 16);
        if (!postOk) press(VK_RETURN, 1);
        SendInput(static_cast<UINT>(stream.size()), stream.data(), sizeof(INPUT));
        if (postOk) PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitForWindowGone(dialog));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_; })) << "main window not in front";
    }

    void CopyDialog() {
        PostMessageW(main_, WM_COMMAND, 32797, 0);
        HWND dialog = WaitForDialog(L"文字のコピー");
        ASSERT_NE(dialog, nullptr);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitForWindowGone(dialog));
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_; })) << "main window not in front";
    }

    // Puts a kSize monochrome bitmap (bit 0 black) on the clipboard and pastes it.
    void Paste(const std::vector<uint8_t>& bits, int size = kSize) {
        HBITMAP bitmap = CreateBitmap(size, size, 1, 1, bits.data());
        ASSERT_NE(bitmap, nullptr);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, bitmap);
        CloseClipboard();
        const std::size_t handled = Count("\npaste");
        PostMessageW(main_, WM_COMMAND, 32779, 0);
        EXPECT_TRUE(WaitUntil([&] { return Count("\npaste") > handled; })) << "the paste was not handled";
        DeleteObject(bitmap);
    }

    // A diagonal and a full left column, distinct per seed, as W * H / 8 bytes (rows of kSize / 8 bytes).
    static std::vector<uint8_t> Pattern(int seed) {
        std::vector<uint8_t> bits(kSize * kSize / 8, 0xFF);
        for (int y = 0; y < kSize; ++y) {
            const int xs[2] = {(y + seed) % kSize, 0};
            for (int x : xs) bits[y * (kSize / 8) + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
        }
        return bits;
    }

    std::wstring Euf() const { return folder_ / L"EUDC.EUF"; }

    std::vector<uint8_t> Stored(int code, int& result) const {
        int w = 0, h = 0;
        std::vector<uint8_t> bits;
        result = ReadEudcBitmap(std::filesystem::path(Euf()), code, w, h, &bits);
        return bits;
    }

    // The save command as Kanjiforge sends it, on a thread of its own so that the test can answer an error
    // window while the call is still running.
    void SaveAsync() {
        saveDone_ = false;
        saver_ = std::thread([this] {
            SendMessageW(main_, WM_COMMAND, 32781, 0);
            saveDone_ = true;
        });
    }

    void JoinSave() {
        ASSERT_TRUE(WaitUntil([&] { return saveDone_.load(); })) << "the save command did not return";
        saver_.join();
    }

    void TearDown() override {
        if (saver_.joinable()) {
            if (editor_) editor_->Kill();
            saver_.join();
        }
    }

    TestFolder folder_;
    EudcFontSetting font_;
    std::wstring exe_;
    std::optional<Process> editor_;
    HWND main_ = nullptr;
    HWND status_ = nullptr;
    std::thread saver_;
    std::atomic<bool> saveDone_{false};
    bool unicode_ = false;
};

TEST_F(EudceditStandIn, SavesPastedGlyphsAtChosenCodesAndEndsOnExit) {
    WriteIni();
    ASSERT_NO_FATAL_FAILURE(Start());
    RECT rc{};
    GetWindowRect(main_, &rc);
    EXPECT_EQ(rc.left, 28);
    EXPECT_EQ(rc.top, 24);
    EXPECT_EQ(rc.right, 431);
    EXPECT_EQ(rc.bottom, 251);
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());

    int toolbars = 0;
    for (HWND child : ChildWindows(main_)) {
        if (WindowClass(child) == L"ToolbarWindow32") ++toolbars;
    }
    EXPECT_GE(toolbars, 1);
    ASSERT_NO_FATAL_FAILURE(UseCharset(L"Unicode"));
    PostMessageW(main_, WM_COMMAND, 32771, 0);

    ASSERT_FALSE(FileExists(Euf()));
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE000));
    EXPECT_TRUE(StatusShows(L"E000"));
    ASSERT_NO_FATAL_FAILURE(CopyDialog());
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(1)));
    SendMessageW(main_, WM_COMMAND, 32781, 0);
    int result = -1;
    EXPECT_EQ(Stored(0xE000, result), Pattern(1));
    EXPECT_EQ(result, kEudcOk);

    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xF8C0));
    EXPECT_TRUE(StatusShows(L"F8C0"));
    EXPECT_FALSE(StatusShows(L"E000"));
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(7)));
    SendMessageW(main_, WM_COMMAND, 32781, 0);
    EXPECT_EQ(Stored(0xF8C0, result), Pattern(7));
    EXPECT_EQ(Stored(0xE000, result), Pattern(1));

    // A bitmap of another size is refused and does not replace the grid.
    ASSERT_NO_FATAL_FAILURE(Paste(std::vector<uint8_t>(64 * 64 / 8, 0), 64));
    EXPECT_TRUE(WaitForLog("paste: rejected 64x64"));

    PostMessageW(main_, WM_COMMAND, 57665, 0);
    EXPECT_EQ(editor_->WaitForExit(), 0u);
    const std::string log = Log();
    EXPECT_NE(log.find("paste 32x32 "), std::string::npos) << log;
    EXPECT_NE(log.find("save 1 E000 ok\n"), std::string::npos) << log;
    EXPECT_NE(log.find("save 2 F8C0 ok\n"), std::string::npos) << log;
    EXPECT_NE(log.find("command 32771\n"), std::string::npos) << log;
}

TEST_F(EudceditStandIn, FirstRunCreatesItsIniFile) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());
    const std::wstring ini = folder_ / L"eudcedit.ini";
    EXPECT_EQ(ReadIniValue(ini, L"WindowSize", L"MinMaxFlag"), L"0");
    EXPECT_EQ(ReadIniValue(ini, L"Bitmap", L"BitmapSize"), L"64");
    EXPECT_TRUE(ReadIniValue(ini, L"WindowSize", L"MainWindowSize").has_value());
    PostMessageW(main_, WM_COMMAND, 57665, 0);
    EXPECT_EQ(editor_->WaitForExit(), 0u);
}

TEST_F(EudceditStandIn, ErrorWindowOnChosenAttemptHoldsTheSaveUntilDismissed) {
    WriteIni(L"ErrorOnSaveAttempts=1\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE123));
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(3)));

    SaveAsync();
    HWND error = WaitFor<HWND>([&]() -> std::optional<HWND> {
                     HWND w = FindTopLevelWindow(editor_->Id(), {}, L"Kanjiforge");
                     return w ? std::optional<HWND>(w) : std::nullopt;
                 }).value_or(nullptr);
    ASSERT_NE(error, nullptr) << "no error window";
    EXPECT_FALSE(saveDone_.load()) << "the save command returned while its error window was open";
    int result = -1;
    Stored(0xE123, result);
    EXPECT_NE(result, kEudcOk);
    PostMessageW(error, WM_COMMAND, 2, 0);
    ASSERT_NO_FATAL_FAILURE(JoinSave());
    EXPECT_TRUE(WaitForWindowGone(error));

    // The second attempt saves.
    SendMessageW(main_, WM_COMMAND, 32781, 0);
    EXPECT_EQ(Stored(0xE123, result), Pattern(3));
    EXPECT_EQ(FindTopLevelWindow(editor_->Id(), {}, L"Kanjiforge"), nullptr);
}

TEST_F(EudceditStandIn, ErrorOnEverySaveNeverWrites) {
    WriteIni(L"ErrorOnEverySave=1\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE05F));
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(5)));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SaveAsync();
        HWND error = WaitFor<HWND>([&]() -> std::optional<HWND> {
                         HWND w = FindTopLevelWindow(editor_->Id(), {}, L"Kanjiforge");
                         return w ? std::optional<HWND>(w) : std::nullopt;
                     }).value_or(nullptr);
        ASSERT_NE(error, nullptr) << "no error window on attempt " << attempt;
        PostMessageW(error, WM_COMMAND, 2, 0);
        ASSERT_NO_FATAL_FAILURE(JoinSave());
    }
    EXPECT_FALSE(FileExists(Euf()));
    EXPECT_TRUE(WaitForLog("save 2 E05F error dismissed"));
}

TEST_F(EudceditStandIn, WrongCodeInjectionShowsAnotherCode) {
    WriteIni(L"WrongCodeAfterNavigation=1\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE060));
    EXPECT_TRUE(WaitForLog("code E060"));
    EXPECT_FALSE(StatusShows(L"E060"));
    EXPECT_TRUE(StatusShows(L"E061"));
}

TEST_F(EudceditStandIn, SlowStartWithoutStartupDialog) {
    WriteIni(L"NoStartupDialog=1\r\nStartDelayMs=1500\r\n");
    editor_.emplace(Process::Start(exe_));
    ASSERT_TRUE(WaitUntil([&] { return Log().find("start ") != std::string::npos; }));
    const auto logged = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(AttachMain());
    EXPECT_GE(std::chrono::steady_clock::now() - logged, Millis(1000))
        << "the main window came without the delay";
    // The start-up dialog would be shown right after the main window; give it that chance, then expect none.
    WaitForInputIdle(editor_->Handle(), 2000);
    SendMessageW(main_, WM_NULL, 0, 0);
    for (HWND w : TopLevelWindows(editor_->Id())) EXPECT_NE(WindowText(w), L"コードの選択");
}

TEST_F(EudceditStandIn, StrictAsTheContractCharsetPagesFocusAndMessageOrder) {
    WriteIni(L"SlowInputMs=150\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(DismissStartupDialog());
    // Shift JIS until the combo box says otherwise: the first code reads F040.
    EXPECT_TRUE(StatusShows(L"F040"));
    EXPECT_FALSE(StatusShows(L"E000"));
    ASSERT_NO_FATAL_FAILURE(UseCharset(L"Unicode"));
    EXPECT_TRUE(StatusShows(L"E000"));

    // Page Down only scrolls: without the click, Enter keeps the selected code.
    PostMessageW(main_, WM_COMMAND, 32776, 0);
    HWND dialog = WaitForDialog(L"コードの選択");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(BringForward(dialog)) << DescribeDesktop();
    INPUT keys[4] = {KeyInput(VK_NEXT, false), KeyInput(VK_NEXT, true), KeyInput(VK_RETURN, false),
                     KeyInput(VK_RETURN, true)};
    SendInput(4, keys, sizeof(INPUT));
    ASSERT_TRUE(WaitForWindowGone(dialog));
    EXPECT_TRUE(WaitForLog("code E000"));

    // A posted OK is taken before keys still waiting: the slow grid never reaches the code.
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE123, /*postOk=*/true));
    EXPECT_FALSE(StatusShows(L"E123"));
    // In one stream ended by Enter it does.
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE123));
    EXPECT_TRUE(StatusShows(L"E123"));
}

TEST_F(EudceditStandIn, FailureSwitchesPasteCloseAndSlowDialogs) {
    WriteIni(L"PasteFailsOnce=1\r\nIgnoreClose=1\r\nSlowDialogCloseMs=800\r\n");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND startup = WaitForDialog(L"コードの選択");
    ASSERT_NE(startup, nullptr);
    PostMessageW(startup, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitForLog("code dialog cancelled"));
    EXPECT_TRUE(IsWindowVisible(startup)) << "the dialog went at once";
    ASSERT_TRUE(WaitForWindowGone(startup));
    ASSERT_NO_FATAL_FAILURE(ChooseCode(0xE001));
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(2)));
    EXPECT_TRUE(WaitForLog("paste failed (injected)"));
    ASSERT_NO_FATAL_FAILURE(Paste(Pattern(2)));
    EXPECT_TRUE(WaitUntil([&] { return Count("paste 32x32 ") == 1; })) << Log();
    PostMessageW(main_, WM_COMMAND, 57665, 0);
    EXPECT_TRUE(WaitForLog("close ignored"));
    EXPECT_TRUE(IsWindow(main_));
}

}  // namespace
