#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "automation/save_sequence.h"
#include "glyphstore/char_code.h"
#include "memory_profile_store.h"

namespace {

// Windows of the scripted desktop.
constexpr WindowId kMain = 0x100, kStatus = 0x101, kCombo = 0x102, kToolbar1 = 0x103, kToolbar2 = 0x104,
                   kStartup = 0x110, kCodeDlg = 0x120, kCopyDlg = 0x130, kFirstError = 0x200;
constexpr int kComboId = 1001;
constexpr ScreenPoint kDialogOrigin{250, 180};
constexpr MouseSettings kUserMouse{6, 10, 1, 14};

struct Input {
    bool key;
    int what;  // virtual key or mouse flags
    unsigned flags;
    bool operator==(const Input&) const = default;
};
Input Key(int vk, unsigned flags) { return {true, vk, flags}; }
Input Mouse(unsigned flags) { return {false, static_cast<int>(flags), 0}; }

// A stand-in for the system character editor on a simulated desktop. The watcher does not get a thread: the
// desktop runs its cycles itself, one per 200 ms of the sequence's pauses and while a save command waits on
// an error window, which is where the real thread would make progress.
class FakeDesktop : public IEditorDesktop {
  public:
    // Script.
    bool editorAlreadyRunning = false, processStarts = true, codeDialogOpens = true, copyDialogOpens = true;
    int mainWindowAfterPolls = 2, startupDialogAfterPolls = 1;  // -1: never
    bool foregroundAfterCode = true, foregroundAfterCopy = true, hasStatusBar = true, clipboardOpens = true;
    bool idle = true, watcherRuns = true, mainVanishesAtWatcherStart = false;
    int statusCodeShift = 0;
    std::set<int> erringAttempts;  // 0 stands for every attempt
    std::pair<int, int> osVersion{10, 0};
    std::function<void(int)> onSleep;

    // What happened.
    std::map<std::tuple<std::wstring, std::wstring, std::wstring>, std::wstring> ini;
    std::wstring commandLine;
    std::vector<std::tuple<WindowId, std::uintptr_t, WindowId>> posts;
    std::vector<Input> inputs;
    std::vector<int> sleeps, watcherSleeps, idleWaits;
    std::vector<std::wstring> dismissed;
    std::set<WindowId> disabled;
    std::set<int> blankedMenu;
    std::map<int, DotPlane> saved;
    std::optional<DotPlane> clipboard, pasted;
    MouseSettings mouse = kUserMouse, mouseAtClick;
    ScreenPoint cursor{900, 700}, click{-1, -1};
    int editorPolls = 0, startupPolls = 0, clipboardAttempts = 0, saveCommands = 0, sleepsAtLastSave = 0;
    int handlesClosed = 0;
    bool hung = false;
    std::atomic<int>* watcherState = nullptr;
    std::optional<unsigned> watcherResult;

    std::map<WindowId, std::wstring> windows;  // the open windows and their titles
    std::uint32_t mainStyle = 0x16CF0000;
    WindowId foreground = 0, focus = 0;
    bool started = false, unicode = false;
    int editorCode = 0xE7A5, topRow = 0, selected = -1;

    bool Open(WindowId w) const { return windows.count(w) != 0; }
    int Posted(WindowId w, std::uintptr_t wParam) const {
        int n = 0;
        for (const auto& p : posts) n += std::get<0>(p) == w && std::get<1>(p) == wParam;
        return n;
    }

    WindowId FindCharEditorWindow() override {
        if (editorAlreadyRunning) return kMain;
        if (started && !Open(kMain) && mainWindowAfterPolls >= 0 && editorPolls++ >= mainWindowAfterPolls)
            windows[kMain] = L"外字エディタ";
        return Open(kMain) ? kMain : 0;
    }
    WindowId FindWindowByTitle(const std::wstring& title, int partial) override {
        if (title == kCodeDialogTitle && Open(kMain) && startupDialogAfterPolls >= 0 &&
            startupPolls++ == startupDialogAfterPolls)
            windows[kStartup] = kCodeDialogTitle;
        for (const auto& [w, text] : windows)
            if (partial ? text.find(title) != std::wstring::npos : text == title) return w;
        return 0;
    }
    WindowId FindTopLevelWindowContaining(const std::wstring& text, const std::atomic<int>* stop) override {
        for (const auto& [w, title] : windows)
            if (stop == nullptr || *stop == 0)
                if (title.find(text) != std::wstring::npos) return w;
        return 0;
    }
    bool IsWindow(WindowId w) override { return Open(w) || (Open(kMain) && w >= kStatus && w <= kToolbar2); }
    std::vector<ChildWindow> EnumChildWindows(WindowId) override {
        std::vector<ChildWindow> children{
            {0x105, L"Static"}, {kCombo, L"ComboBox"}, {kToolbar1, L"ToolbarWindow32"}};
        if (hasStatusBar) children.push_back({kStatus, L"msctls_statusbar32"});
        children.push_back({kToolbar2, L"ToolbarWindow32"});
        return children;
    }
    WindowId GetParent(WindowId w) override { return w == kCombo ? kMain : 0; }
    int GetDlgCtrlID(WindowId w) override { return w == kCombo ? kComboId : 0; }
    WindowId GetForegroundWindow() override { return foreground; }
    std::wstring ReadWindowText(WindowId w) override { return Open(w) ? windows[w] : L""; }
    void WriteWindowText(WindowId w, const std::wstring& text) override {
        if (Open(w)) windows[w] = text;
    }
    void PostCommand(WindowId w, std::uintptr_t wParam, WindowId lParam) override {
        posts.emplace_back(w, wParam, lParam);
        if (!IsWindow(w)) return;
        if (w == kMain && wParam == ((kCbnSelChange << 16) | kComboId) && lParam == kCombo) unicode = true;
        if (w == kMain && wParam == kEditorCmdSelectCode && codeDialogOpens) {
            windows[kCodeDlg] = kCodeDialogTitle;
            foreground = kCodeDlg, topRow = 0, selected = -1;
        }
        if (w == kMain && wParam == kEditorCmdCopyChar && copyDialogOpens) {
            windows[kCopyDlg] = kCopyDialogTitle;
            foreground = kCopyDlg;
        }
        if (w == kMain && wParam == kEditorCmdPaste) pasted = clipboard;
        if (w == kMain && wParam == kEditorCmdExit) windows.clear();
        if (w == kStartup && wParam == kIdCancel) windows.erase(w);
        if (w == kCodeDlg && wParam == kIdOk) {
            if (selected >= 0) editorCode = selected;
            windows.erase(w);
            if (foregroundAfterCode) foreground = kMain;
        }
        if (w == kCopyDlg && wParam == kIdOk) {
            windows.erase(w);
            if (foregroundAfterCopy) foreground = kMain;
        }
        if (w >= kFirstError && wParam == kIdCancel) {
            dismissed.push_back(windows[w]);
            windows.erase(w);
        }
    }
    void SendCommand(WindowId w, std::uintptr_t wParam) override {
        ASSERT_EQ(w, kMain);
        ASSERT_EQ(wParam, kEditorCmdSave);
        ++saveCommands;
        sleepsAtLastSave = static_cast<int>(sleeps.size());
        if (erringAttempts.count(0) == 0 && erringAttempts.count(saveCommands) == 0) {
            if (pasted) saved[editorCode] = *pasted;
            return;
        }
        const WindowId error = kFirstError + static_cast<WindowId>(saveCommands);
        windows[error] = L"Kanjiforge";
        for (int i = 0; i < 100 && Open(error) && watcherState && watcherRuns && !watcherResult; ++i)
            RunWatcher();
        hung = hung || Open(error);
        windows.erase(error);
    }
    int SelectComboString(WindowId w, const std::wstring& text) override {
        return w == kCombo && text == L"Unicode" ? 1 : -1;
    }
    void EnableWindow(WindowId w, bool enable) override {
        if (!enable) disabled.insert(w);
    }
    void SetForegroundWindow(WindowId w) override { foreground = w; }
    void SetFocus(WindowId w) override { focus = w; }
    std::uint32_t ReadWindowStyle(WindowId) override { return mainStyle; }
    void WriteWindowStyle(WindowId w, std::uint32_t style) override {
        if (w == kMain) mainStyle = style;
    }
    bool HasMenu(WindowId w) override { return w == kMain; }
    void BlankMenuItem(WindowId, int position) override { blankedMenu.insert(position); }
    std::vector<std::wstring> ReadStatusBarParts(WindowId) override {
        const int code = editorCode + statusCodeShift;
        return {L"ﾚﾃﾞｨ", L"",
                unicode ? L"Unicode " + FormatCodeText(code) : L"SJIS " + FormatCodeText(code + 0x1040)};
    }
    MouseSettings GetMouseSettings() override { return mouse; }
    void SetMouseSettings(const MouseSettings& settings) override { mouse = settings; }
    ScreenPoint GetCursorPos() override { return cursor; }
    ScreenPoint ClientToScreen(WindowId w, ScreenPoint p) override {
        return w == kCodeDlg ? ScreenPoint{p.x + kDialogOrigin.x, p.y + kDialogOrigin.y} : p;
    }
    void SendKeyInput(int vk, unsigned flags) override {
        inputs.push_back(Key(vk, flags));
        if (flags & kKeyEventKeyUp || foreground != kCodeDlg || focus != kCodeDlg || !Open(kCodeDlg)) return;
        if (vk == kVkPageDown) topRow = std::min(topRow + 6, 390);
        if (vk == kVkDown && selected >= 0 && selected + 16 <= kEudcLast) selected += 16;
        if (vk == kVkRight && selected >= 0 && selected < kEudcLast) ++selected;
    }
    void SendMouseInput(unsigned flags, int dx, int dy, unsigned) override {
        inputs.push_back(Mouse(flags));
        const int scale = mouse == MouseSettings{0, 0, 0, 10} ? 1 : 2;  // accelerated pointers overshoot
        cursor = {cursor.x + scale * dx, cursor.y + scale * dy};
        if (flags != kMouseEventLeftDown) return;
        click = cursor, mouseAtClick = mouse;
        if (Open(kCodeDlg) && cursor == ClientToScreen(kCodeDlg, kFirstGridCell))
            selected = kEudcFirst + 16 * topRow;
    }
    bool PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) override {
        ++clipboardAttempts;
        if (!clipboardOpens || owner != kMain) return false;
        clipboard = glyph;
        return true;
    }
    bool WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value) override {
        ini[{file, section, key}] = value;
        return true;
    }
    std::pair<int, int> GetOsVersion() override { return osVersion; }
    bool CreateEditorProcess(const std::wstring& line, EditorProcess& out) override {
        commandLine = line;
        if (!processStarts) return false;
        out = {0x44, 0x48, 1234, 5678};
        return started = true;
    }
    void CloseEditorProcessHandles(const EditorProcess& p) override { handlesClosed += p.hProcess == 0x44; }
    std::uint32_t WaitForInputIdle(std::uintptr_t process, int ms) override {
        idleWaits.push_back(process == 0x44 ? ms : -1);
        return idle ? 0 : 258;
    }
    std::uintptr_t StartRetryWatcher(std::atomic<int>* state) override {
        if (mainVanishesAtWatcherStart) windows.clear();
        watcherState = state;
        return 0x77;
    }
    void Sleep(int ms) override {
        (inWatcher ? watcherSleeps : sleeps).push_back(ms);
        if (onSleep) onSleep(ms);
        if (inWatcher || !watcherState || !watcherRuns) return;
        for (watcherClock += ms; watcherClock >= 200 && !watcherResult; watcherClock -= 200) RunWatcher();
    }
    std::wstring LoadResourceString(unsigned id) override {
        return id == kIdsSavingTitle ? kSavingTitleFormat : L"";
    }

  private:
    void RunWatcher() {
        inWatcher = true;
        watcherResult = RetryWatcherCycle(*this, *watcherState);
        inWatcher = false;
    }
    bool inWatcher = false;
    int watcherClock = 0;
};

DotPlane Glyph() {
    DotPlane glyph(16);
    glyph.SetDot(3, 5, true);
    glyph.SetDot(15, 15, true);
    return glyph;
}

struct Scenario {
    FakeDesktop desktop;
    MemoryProfileStore settings;
    std::optional<SaveResult> result;
    BOOL launched = FALSE, savedFlag = FALSE;

    Scenario() {
        settings.Set(L"GaijiEditorPath", L"C:\\W\\eudcedit.exe");
        settings.Set(L"GaijiEditorIniPath", L"C:\\W\\eudcedit.ini");
    }
    void Save(const wchar_t* code = L"E123") {
        g_nSaveWatchState = 0;
        CEudcEditManipulater saver(desktop, settings, 16);
        launched = saver.PrepareAndLaunch(code);
        if (launched) result = saver.SaveCharacter(Glyph());
        savedFlag = saver.m_bSaved;
    }
};

TEST(CodeGrid, PagesRowsAndColumnsWithTheLastPageCap) {
    const std::map<int, CodeGridMoves> cases = {
        {0xE000, {0, 0, 0}},   {0xE05F, {0, 5, 15}}, {0xE060, {1, 0, 0}},  {0xE123, {3, 0, 3}},
        {0xF85F, {64, 5, 15}}, {0xF860, {65, 0, 0}}, {0xF8C0, {65, 6, 0}}, {0xF8FF, {65, 9, 15}},
    };
    for (const auto& [code, moves] : cases) EXPECT_EQ(CodeGridMovesFor(code), moves) << std::hex << code;
    EXPECT_EQ(CodeGridMovesFor(0x41), CodeGridMoves{});
}

TEST(CodeGrid, KeysAndClickBringTheEditorToEachCode) {
    for (int code : {0xE000, 0xE05F, 0xE060, 0xE123, 0xF85F, 0xF860, 0xF8C0, 0xF8FF}) {
        SCOPED_TRACE(FormatCodeText(code).c_str());
        Scenario run;
        run.Save(FormatCodeText(code).c_str());
        const CodeGridMoves m = CodeGridMovesFor(code);
        std::vector<Input> expected;
        auto press = [&](int vk, int times) {
            for (int i = 0; i < times; ++i)
                expected.insert(expected.end(), {Key(vk, 0), Key(vk, kKeyEventKeyUp)});
        };
        press(kVkPageDown, m.pages);
        expected.insert(expected.end(),
                        {Mouse(kMouseEventMove), Mouse(kMouseEventLeftDown), Mouse(kMouseEventLeftUp)});
        press(kVkDown, m.rows);
        press(kVkRight, m.columns);
        EXPECT_EQ(run.desktop.inputs, expected);
        EXPECT_EQ(run.desktop.click, (ScreenPoint{68 + kDialogOrigin.x, 43 + kDialogOrigin.y}));
        EXPECT_EQ(run.desktop.mouseAtClick, (MouseSettings{0, 0, 0, 10}));
        EXPECT_EQ(run.desktop.mouse, kUserMouse);
        EXPECT_EQ(run.result, SaveResult::Saved);
        ASSERT_EQ(run.desktop.saved.count(code), 1u);
        EXPECT_EQ(run.desktop.saved[code], Glyph());
    }
}

TEST(PrepareAndLaunch, WritesTheEditorIniAndStartsTheConfiguredProgram) {
    Scenario run;
    run.Save();
    auto ini = [&](const wchar_t* section, const wchar_t* key) {
        return run.desktop.ini[{L"C:\\W\\eudcedit.ini", section, key}];
    };
    EXPECT_EQ(ini(L"WindowSize", L"MinMaxFlag"), L"0");
    EXPECT_EQ(ini(L"WindowSize", L"MainWindowSize"), L"28 24 431 235");
    EXPECT_EQ(ini(L"Bitmap", L"BitmapSize"), L"16");
    EXPECT_EQ(run.settings.Get(L"GaijiEditorMainWindowMiniSize"), L"28 24 431 235");
    EXPECT_EQ(run.desktop.commandLine, L"C:\\W\\eudcedit.exe");
    EXPECT_EQ(run.desktop.handlesClosed, 1);

    Scenario xp;
    xp.desktop.osVersion = {5, 1};
    xp.Save();
    EXPECT_EQ(xp.settings.Get(L"GaijiEditorMainWindowMiniSize"), L"28 24 431 251");
    EXPECT_EQ((xp.desktop.ini[{L"C:\\W\\eudcedit.ini", L"WindowSize", L"MainWindowSize"}]), L"28 24 431 251");

    Scenario own;
    own.settings.Set(L"GaijiEditorMainWindowMiniSize", L"1 2 300 400");
    own.Save();
    EXPECT_EQ((own.desktop.ini[{L"C:\\W\\eudcedit.ini", L"WindowSize", L"MainWindowSize"}]), L"1 2 300 400");
}

TEST(PrepareAndLaunch, RefusesARunningEditorASecondLaunchAndABadCode) {
    Scenario running;
    running.desktop.editorAlreadyRunning = true;
    running.Save();
    EXPECT_FALSE(running.launched);
    EXPECT_TRUE(running.desktop.ini.empty());
    EXPECT_TRUE(running.desktop.commandLine.empty());

    Scenario twice;
    CEudcEditManipulater saver(twice.desktop, twice.settings, 16);
    EXPECT_TRUE(saver.PrepareAndLaunch(L"E000"));
    twice.desktop.commandLine.clear();
    twice.desktop.windows.clear();  // even with its window gone, the object launches once only
    EXPECT_FALSE(saver.PrepareAndLaunch(L"E000"));
    EXPECT_TRUE(twice.desktop.commandLine.empty());

    for (const wchar_t* code : {L"0041", L"F900", L"E0G0", L""}) {
        Scenario bad;
        bad.Save(code);
        EXPECT_FALSE(bad.launched);
        EXPECT_TRUE(bad.desktop.commandLine.empty());
    }

    Scenario broken;
    broken.desktop.processStarts = false;
    broken.Save();
    EXPECT_FALSE(broken.launched);
    EXPECT_EQ(broken.desktop.commandLine, L"C:\\W\\eudcedit.exe");
    EXPECT_EQ(MessagesAfterLaunchFailure(), (std::vector<unsigned>{2004, 2027}));
}

TEST(SaveCharacter, SetsUpTheEditorPastesSavesAndClosesIt) {
    Scenario run;
    run.Save(L"F123");
    const FakeDesktop& d = run.desktop;
    EXPECT_EQ(run.result, SaveResult::Saved);
    EXPECT_TRUE(run.savedFlag);
    EXPECT_TRUE(MessagesAfterSave(SaveResult::Saved).empty());
    EXPECT_EQ(d.Posted(kStartup, kIdCancel), 1);
    EXPECT_TRUE(d.unicode);
    EXPECT_EQ(d.disabled, (std::set<WindowId>{kCombo, kToolbar1, kToolbar2}));
    EXPECT_EQ(d.Posted(kMain, kEditorCmdSetup), 1);
    EXPECT_EQ(d.mainStyle, 0x16C00000u);
    EXPECT_EQ(d.blankedMenu, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(d.Posted(kCopyDlg, kIdOk), 1);
    EXPECT_EQ(d.Posted(kMain, kEditorCmdPaste), 1);
    EXPECT_EQ(d.saveCommands, 1);
    EXPECT_EQ(std::get<1>(d.posts.back()), kEditorCmdExit);
    EXPECT_TRUE(d.windows.empty());
    EXPECT_EQ(d.watcherResult, 0u);
    EXPECT_EQ(g_nSaveWatchState.load(), kWatchEnded);
    EXPECT_EQ(run.settings.Get(L"EudcMakeErrWaitMSec"), L"300");
    EXPECT_EQ(g_nErrWaitMSec.load(), 300);

    // The title the editor shows while it is steered.
    EXPECT_EQ(FormatSavingTitle(kSavingTitleFormat, L"外字エディタ", L"F123"),
              L"外字エディタ [  'F123' 保存中：PC操作をしないで下さい ]");
    EXPECT_EQ(FormatSavingTitle(L"%s %% %s %s", L"a", L"b"), L"a % b ");
}

TEST(SaveCharacter, ErrorWaitSettingIsKeptOrRepaired) {
    const std::pair<const wchar_t*, int> cases[] = {{L"500", 500}, {L"0", 300}, {L"-5", 300}};
    for (auto [stored, used] : cases) {
        Scenario run;
        run.settings.Set(L"EudcMakeErrWaitMSec", stored);
        run.desktop.erringAttempts = {1};
        run.Save();
        EXPECT_EQ(g_nErrWaitMSec.load(), used);
        EXPECT_EQ(run.settings.Get(L"EudcMakeErrWaitMSec"), used == 500 ? L"500" : L"300");
        EXPECT_EQ(run.desktop.watcherSleeps, std::vector<int>{used});
    }
}

TEST(SaveCharacter, RetriesAfterDismissedErrorWindows) {
    Scenario always;
    always.desktop.erringAttempts = {0};
    always.Save();
    EXPECT_EQ(always.desktop.saveCommands, 11);
    EXPECT_EQ(always.desktop.dismissed, std::vector<std::wstring>(11, kRetryTitle));
    EXPECT_FALSE(always.desktop.hung);
    EXPECT_EQ(always.result, SaveResult::Failed);
    EXPECT_FALSE(always.savedFlag);
    EXPECT_EQ(always.desktop.Posted(kMain, kEditorCmdExit), 1);

    Scenario once;
    once.desktop.erringAttempts = {1};
    once.Save();
    EXPECT_EQ(once.desktop.saveCommands, 2);
    EXPECT_EQ(once.desktop.dismissed.size(), 1u);
    EXPECT_EQ(once.result, SaveResult::Saved);
    EXPECT_EQ(once.desktop.saved.at(0xE123), Glyph());
}

TEST(SaveCharacter, GoesOnWhenTheWatcherNeverAcknowledgesOrTheEditorIsNeverIdle) {
    Scenario run;
    run.desktop.watcherRuns = false;
    run.desktop.idle = false;
    run.Save();
    EXPECT_EQ(run.result, SaveResult::Saved);
    const std::vector<int> afterSave(run.desktop.sleeps.begin() + run.desktop.sleepsAtLastSave,
                                     run.desktop.sleeps.end());
    EXPECT_EQ(afterSave, std::vector<int>(10, 200));
    EXPECT_EQ(g_nSaveWatchState.load(), kWatchStop);
    EXPECT_EQ(run.desktop.Posted(kMain, kEditorCmdExit), 1);
    // Two idle waits of five tries each: before the watcher's pause and before the save command.
    EXPECT_EQ(run.desktop.idleWaits, std::vector<int>(10, 1000));
}

TEST(RetryWatcher, DismissesErrorWindowsUntilAskedToStop) {
    FakeDesktop d;
    EXPECT_EQ(RetryWatcherProc(d, nullptr), 1u);
    EXPECT_TRUE(d.sleeps.empty());

    std::atomic<int> state{0};
    g_nErrWaitMSec = 250;
    d.windows[kFirstError] = L"Kanjiforge - 保存エラー";
    int pauses = 0;
    d.onSleep = [&](int ms) {
        if (ms == 200 && ++pauses == 3) state = kWatchStop;
    };
    EXPECT_EQ(RetryWatcherProc(d, &state), 0u);
    EXPECT_EQ(state.load(), kWatchEnded);
    EXPECT_EQ(d.dismissed, std::vector<std::wstring>{kRetryTitle});
    EXPECT_EQ(d.sleeps, (std::vector<int>{200, 250, 200, 200}));

    // While a retry is pending nothing is searched; a stop request during the wait is never overwritten.
    std::atomic<int> pending{kWatchRetry};
    d.windows[kFirstError] = L"Kanjiforge";
    EXPECT_FALSE(RetryWatcherCycle(d, pending));
    EXPECT_EQ(d.windows[kFirstError], L"Kanjiforge");
    std::atomic<int> racing{0};
    d.onSleep = [&](int) { racing = kWatchStop; };
    EXPECT_FALSE(RetryWatcherCycle(d, racing));
    EXPECT_EQ(racing.load(), kWatchStop);
    EXPECT_EQ(d.Posted(kFirstError, kIdCancel), 1);
}

TEST(SaveCharacter, EachFailureEndsWithItsResultAndTheEditorAsExpected) {
    struct Row {
        const char* name;
        std::function<void(FakeDesktop&)> script;
        SaveResult result;
        bool closed;       // the exit command was posted
        bool clickedGrid;  // the mouse settings were changed
    };
    const Row rows[] = {
        {"no main window", [](FakeDesktop& d) { d.mainWindowAfterPolls = -1; }, SaveResult::EditorNotSeen,
         false, false},
        {"main window one poll too late", [](FakeDesktop& d) { d.mainWindowAfterPolls = 51; },
         SaveResult::EditorNotSeen, false, false},
        {"no start-up dialog", [](FakeDesktop& d) { d.startupDialogAfterPolls = -1; },
         SaveResult::StartupDialogNotSeen, false, false},
        {"no code dialog", [](FakeDesktop& d) { d.codeDialogOpens = false; }, SaveResult::Failed, true,
         false},
        {"no foreground after code", [](FakeDesktop& d) { d.foregroundAfterCode = false; },
         SaveResult::Failed, true, true},
        {"no status bar", [](FakeDesktop& d) { d.hasStatusBar = false; }, SaveResult::Failed, true, true},
        {"wrong code shown", [](FakeDesktop& d) { d.statusCodeShift = 1; }, SaveResult::Failed, true, true},
        {"no copy dialog", [](FakeDesktop& d) { d.copyDialogOpens = false; }, SaveResult::Failed, true, true},
        {"no foreground after copy", [](FakeDesktop& d) { d.foregroundAfterCopy = false; },
         SaveResult::Failed, true, true},
        {"clipboard refused", [](FakeDesktop& d) { d.clipboardOpens = false; }, SaveResult::Failed, true,
         true},
        {"main window gone", [](FakeDesktop& d) { d.mainVanishesAtWatcherStart = true; }, SaveResult::Failed,
         false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scenario run;
        row.script(run.desktop);
        run.Save();
        const FakeDesktop& d = run.desktop;
        EXPECT_EQ(run.result, row.result);
        EXPECT_FALSE(run.savedFlag);
        EXPECT_EQ(d.Posted(kMain, kEditorCmdExit), row.closed ? 1 : 0);
        EXPECT_EQ(d.mouse, kUserMouse);
        EXPECT_EQ(!d.inputs.empty(), row.clickedGrid);
        EXPECT_EQ(d.saveCommands, 0);
        EXPECT_TRUE(d.saved.empty());
        if (row.result != SaveResult::Failed) {
            EXPECT_TRUE(d.posts.empty());  // attachment failures leave the editor untouched
        }
        EXPECT_EQ(d.Posted(kMain, kEditorCmdPaste), std::string(row.name) == "main window gone" ? 1 : 0);
    }
    EXPECT_EQ(MessagesAfterSave(SaveResult::EditorNotSeen), (std::vector<unsigned>{2006, 2027}));
    EXPECT_EQ(MessagesAfterSave(SaveResult::StartupDialogNotSeen), (std::vector<unsigned>{2014, 2027}));
    EXPECT_EQ(MessagesAfterSave(SaveResult::Failed), std::vector<unsigned>{2027});

    Scenario clip;  // a clipboard refused for good is tried on the polling schedule, then nothing is pasted
    clip.desktop.clipboardOpens = false;
    clip.Save();
    EXPECT_EQ(clip.desktop.clipboardAttempts, 51);
    EXPECT_EQ(clip.desktop.Posted(kMain, kEditorCmdPaste), 0);

    Scenario late;  // polling: one attempt and fifty more, forty milliseconds apart
    late.desktop.mainWindowAfterPolls = 50;
    late.Save();
    EXPECT_EQ(late.result, SaveResult::Saved);
    EXPECT_EQ(std::count(late.desktop.sleeps.begin(), late.desktop.sleeps.begin() + 50, 40), 50);
}

}  // namespace
