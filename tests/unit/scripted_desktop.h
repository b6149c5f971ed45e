// A scripted desktop for the save's native tests: a stand-in for the system character editor on a
// simulated desktop, storing what it saves in a real EUDC bitmap file, and recording the calls the
// save makes in order (compared with expected tables by MatchesSequence).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "automation/save_cancel.h"
#include "automation/save_sequence.h"
#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/tte_writer.h"
#include "memory_profile_store.h"
#include "test_support.h"

// Windows of the scripted desktop.
constexpr WindowId kMain = 0x100, kStatus = 0x101, kCombo = 0x102, kToolbar1 = 0x103, kToolbar2 = 0x104,
                   kStartup = 0x110, kCodeDlg = 0x120, kCopyDlg = 0x130, kFirstError = 0x200,
                   kForeignMain = 0x300, kForeignBox = 0x310, kCodeGrid = 0x121, kCodeField = 0x122;
constexpr std::uint32_t kEditorPid = 1234, kForeignPid = 999;
constexpr int kComboId = 1001;
constexpr ScreenPoint kDialogOrigin{250, 180};
constexpr ScreenPoint kScreen{1280, 1024};
constexpr MouseSettings kUserMouse{6, 10, 1, 14};

inline InputEvent Key(int vk, unsigned flags) { return {true, vk, flags, 0, 0}; }

// A stand-in for the system character editor on a simulated desktop, storing what it saves in a real EUDC
// bitmap file. Time is simulated: a wait checks its condition every 40 ms of it. The watcher does not get a
// thread: the desktop runs its cycles itself, one per 200 ms of the sequence's waits and while a save
// command waits on an error window, which is where the real thread would make progress.
class FakeDesktop : public IEditorDesktop {
  public:
    // Script.
    bool editorAlreadyRunning = false, processStarts = true, codeDialogOpens = true, copyDialogOpens = true;
    int mainWindowAfterPolls = 2, startupDialogAfterPolls = 1;  // -1: never
    int startupClosesAfterPolls = 0;  // the start-up dialog lingers after its cancel
    bool foregroundAfterCode = true, foregroundAfterCopy = true, hasStatusBar = true, clipboardOpens = true;
    bool codeDialogComesToFront = true, watcherStarts = true, pasteLost = false, saveHangs = false;
    bool exitsOnClose = true, foreignEditor = false, foreignKanjiforgeBox = false, unnamedErrorWindow = false;
    int fileHeldPolls = 0;  // the bitmap file cannot be opened for this many read-back attempts
    bool idle = true, watcherRuns = true, mainVanishesAtWatcherStart = false;
    int statusCodeShift = 0;
    std::wstring statusSuffix;
    std::set<int> erringAttempts;  // 0 stands for every attempt
    std::pair<int, int> osVersion{10, 0};
    std::function<void(int)> onSleep;
    bool enterIgnored = false;    // the grid takes Enter for itself: the code dialog stays open
    bool codeField = true;        // the code dialog names its selected code in a field
    bool selectedAtOpen = false;  // the code dialog opens with the editor's current code selected
    bool terminateWorks = true;   // an ended process goes
    int statusLateMs = 0;         // the status bar shows the code only this long after the code dialog closed
    WindowDpi dialogDpi;
    // The user's Cancel, pressed when the save's thread makes the call named here.
    SaveCancel* cancel = nullptr;
    std::string cancelAt;
    std::filesystem::path bitmapFile;
    // The font the editor writes the character into as well (when set), as the system editor does.
    std::filesystem::path fontFile;
    bool writesFont = true, fontStale = false;
    TteOutlineStyle fontStyle;

    // What happened.
    std::map<std::tuple<std::wstring, std::wstring, std::wstring>, std::wstring> ini;
    std::wstring commandLine;
    std::vector<std::tuple<WindowId, std::uintptr_t, WindowId>> posts;
    std::vector<InputEvent> inputs;
    std::vector<int> sleeps, watcherSleeps, idleWaits, saveTimeouts;
    std::vector<std::wstring> dismissed;
    std::set<WindowId> disabled;
    std::set<int> blankedMenu;
    std::map<int, DotPlane> saved;
    std::optional<DotPlane> clipboard, pasted;
    MouseSettings mouse = kUserMouse, mouseAtClick;
    ScreenPoint click{-1, -1};
    int editorPolls = 0, startupPolls = 0, clipboardAttempts = 0, saveCommands = 0, sleepsAtLastSave = 0;
    int handlesClosed = 0, startupClosePolls = 0, inputsWithoutFront = 0, pastes = 0;
    bool hung = false, startupCancelled = false, terminated = false, exited = false;
    std::int64_t codeClosedAt = -1, cancelledAt = -1;
    std::uint32_t watchedProcess = 0;
    std::atomic<int>* watcherState = nullptr;
    WatcherTarget watcherTarget;
    std::optional<unsigned> watcherResult;
    std::int64_t now = 0;

    // The calls of the save's own thread, in order (the watcher's are left out): the name, and for
    // commands the command number.
    std::vector<std::string> calls;
    void Log(std::string call) {
        if (inWatcher) return;
        if (cancel != nullptr && call == cancelAt && !cancel->Requested()) {
            cancel->Request();
            cancelledAt = now;
        }
        calls.push_back(std::move(call));
    }
    bool Cancelled() const { return cancel != nullptr && cancel->Requested(); }

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
    std::uint32_t PidOf(WindowId w) const { return w >= kForeignMain ? kForeignPid : kEditorPid; }

    WindowId FindCharEditorWindow() override {
        Log("FindCharEditorWindow");
        if (editorAlreadyRunning) return kMain;
        return Open(kMain) || Open(kForeignMain) ? (Open(kMain) ? kMain : kForeignMain) : 0;
    }
    WindowId FindEditorMainWindow(std::uint32_t pid) override {
        if (foreignEditor) windows[kForeignMain] = L"外字エディタ";
        if (started && !Open(kMain) && mainWindowAfterPolls >= 0 && editorPolls++ >= mainWindowAfterPolls)
            windows[kMain] = L"外字エディタ";
        for (WindowId w : {kForeignMain, kMain})
            if (Open(w) && PidOf(w) == pid) return w;
        return 0;
    }
    WindowId FindEditorDialog(std::uint32_t pid, const std::wstring& title, WindowId except) override {
        if (title == kCodeDialogTitle && Open(kMain) && startupDialogAfterPolls >= 0 &&
            startupPolls++ == startupDialogAfterPolls)
            windows[kStartup] = kCodeDialogTitle;
        for (const auto& [w, text] : windows)
            if (w != except && PidOf(w) == pid && text == title) return w;
        return 0;
    }
    WindowId FindErrorWindow(const WatcherTarget& target, const std::wstring& mark,
                             const std::atomic<int>* stop) override {
        for (const auto& [w, title] : windows)
            if ((stop == nullptr || *stop == 0) && PidOf(w) == target.processId && w != target.mainWindow &&
                title.find(mark) != std::wstring::npos)
                return w;
        return 0;
    }
    bool IsWindow(WindowId w) override { return Open(w) || (Open(kMain) && w >= kStatus && w <= kToolbar2); }
    bool IsWindowShown(WindowId w) override {
        if (w == kStartup && Open(kStartup) && startupCancelled &&
            startupClosePolls++ >= startupClosesAfterPolls)
            windows.erase(kStartup);
        return Open(w);
    }
    std::vector<ChildWindow> EnumChildWindows(WindowId parent) override {
        if (parent == kCodeDlg) return {{kCodeGrid, L"KfGrid"}, {kCodeField, L"Static"}};
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
    // The code dialog's field names its selection once the grid has one.
    std::wstring ReadControlText(WindowId w) override {
        if (w != kCodeField || !codeField || !Open(kCodeDlg) || selected < 0) return L"";
        wchar_t text[32] = {};
        std::swprintf(text, 32, L"Unicode %04X", selected);
        return text;
    }
    void WriteWindowText(WindowId w, const std::wstring& text) override {
        Log("WriteWindowText");
        if (Open(w)) windows[w] = text;
    }
    void CloseCodeDialog(bool ok) {
        if (ok && selected >= 0) editorCode = selected;
        windows.erase(kCodeDlg);
        codeClosedAt = now;
        if (foregroundAfterCode) foreground = kMain;
    }
    void PostCommand(WindowId w, std::uintptr_t wParam, WindowId lParam) override {
        Log("PostCommand " + std::to_string(wParam));
        posts.emplace_back(w, wParam, lParam);
        if (!IsWindow(w)) return;
        if (w == kMain && wParam == ((kCbnSelChange << 16) | kComboId) && lParam == kCombo) unicode = true;
        if (w == kMain && wParam == kEditorCmdSelectCode && codeDialogOpens) {
            windows[kCodeDlg] = kCodeDialogTitle;
            if (codeDialogComesToFront) foreground = kCodeDlg;
            topRow = 0, selected = selectedAtOpen ? editorCode : -1;
        }
        if (w == kMain && wParam == kEditorCmdCopyChar && copyDialogOpens) {
            windows[kCopyDlg] = kCopyDialogTitle;
            foreground = kCopyDlg;
        }
        if (w == kMain && wParam == kEditorCmdExit && exitsOnClose) {
            std::erase_if(windows, [&](const auto& window) { return PidOf(window.first) == kEditorPid; });
            exited = true;
        }
        if (w == kStartup && wParam == kIdCancel) {
            startupCancelled = true;
            if (startupClosesAfterPolls == 0) windows.erase(w);
        }
        if (w == kCodeDlg && (wParam == kIdOk || wParam == kIdCancel)) CloseCodeDialog(wParam == kIdOk);
        if (w == kCopyDlg && wParam == kIdOk) {
            windows.erase(w);
            if (foregroundAfterCopy) foreground = kMain;
        }
        if (w >= kFirstError && wParam == kIdCancel) {
            dismissed.push_back(windows[w]);
            windows.erase(w);
        }
    }
    bool SendCommand(WindowId w, std::uintptr_t wParam, int timeout) override {
        Log("SendCommand " + std::to_string(wParam));
        EXPECT_EQ(w, kMain);
        if (wParam == kEditorCmdPaste) {
            ++pastes;
            if (!pasteLost) pasted = clipboard;
            return true;
        }
        EXPECT_EQ(wParam, kEditorCmdSave);
        saveTimeouts.push_back(timeout);
        ++saveCommands;
        sleepsAtLastSave = static_cast<int>(sleeps.size());
        if (saveHangs) {
            // A Cancel ends the wait for the reply; otherwise it runs to its bound.
            if (!Cancelled()) now += timeout;
            return false;
        }
        if (erringAttempts.count(0) == 0 && erringAttempts.count(saveCommands) == 0) {
            if (pasted) {
                saved[editorCode] = *pasted;
                std::vector<std::uint8_t> before, previous(pasted->ByteCount(), kWhiteByte);
                ReadEudcFileBytes(bitmapFile, before);
                int w = 0, h = 0;
                ReadEudcBitmapBytes(before, editorCode, w, h, &previous);
                if (previous.size() != pasted->ByteCount()) previous.assign(pasted->ByteCount(), kWhiteByte);
                EXPECT_TRUE(PutEudcBitmapRecord(bitmapFile, editorCode, pasted->Bytes()));
                std::string error;
                if (!fontFile.empty() && writesFont) {
                    const std::span<const std::uint8_t> dots =
                        fontStale ? std::span<const std::uint8_t>(previous) : pasted->Bytes();
                    EXPECT_TRUE(
                        WriteCharacterToFontFile(fontFile, before, editorCode, 16, dots, fontStyle, error))
                        << error;
                }
            }
            return true;
        }
        const WindowId error = kFirstError + static_cast<WindowId>(saveCommands);
        windows[error] = unnamedErrorWindow ? L"保存エラー" : L"Kanjiforge";
        for (int i = 0; i < 100 && Open(error) && watcherState && watcherRuns && !watcherResult; ++i)
            RunWatcher();
        if (Open(error)) {
            hung = true;
            windows.erase(error);
            return false;  // the timeout of the sent command
        }
        return true;
    }
    int SelectComboString(WindowId w, const std::wstring& text) override {
        return w == kCombo && text == L"Unicode" ? 1 : -1;
    }
    void EnableWindow(WindowId w, bool enable) override {
        Log(enable ? "EnableWindow" : "DisableWindow");
        if (!enable) disabled.insert(w);
    }
    void SetForegroundWindow(WindowId w) override {
        Log("SetForegroundWindow");
        if (w != kCodeDlg || codeDialogComesToFront) foreground = w;
    }
    void SetFocus(WindowId w) override { focus = w; }
    std::uint32_t ReadWindowStyle(WindowId) override { return mainStyle; }
    void WriteWindowStyle(WindowId w, std::uint32_t style) override {
        Log("WriteWindowStyle");
        if (w == kMain) mainStyle = style;
    }
    bool HasMenu(WindowId w) override { return w == kMain; }
    void BlankMenuItem(WindowId, int position) override {
        Log("BlankMenuItem");
        blankedMenu.insert(position);
    }
    std::vector<std::wstring> ReadStatusBarParts(WindowId) override {
        if (statusLateMs > 0 && (codeClosedAt < 0 || now < codeClosedAt + statusLateMs)) return {L"ﾚﾃﾞｨ"};
        const int code = editorCode + statusCodeShift;
        return {L"ﾚﾃﾞｨ", L"",
                unicode ? L"Unicode " + FormatCodeText(code) + statusSuffix
                        : L"SJIS " + FormatCodeText(code + 0x1040)};
    }
    MouseSettings GetMouseSettings() override { return mouse; }
    void SetMouseSettings(const MouseSettings& settings) override {
        Log("SetMouseSettings");
        mouse = settings;
    }
    ScreenRect GetVirtualScreen() override { return {0, 0, kScreen.x, kScreen.y}; }
    ScreenPoint ClientToScreen(WindowId w, ScreenPoint p) override {
        return w == kCodeDlg ? ScreenPoint{p.x + kDialogOrigin.x, p.y + kDialogOrigin.y} : p;
    }
    WindowDpi GetWindowDpi(WindowId) override { return dialogDpi; }
    bool SendInputsTo(WindowId w, const std::vector<InputEvent>& events) override {
        Log("SendInputs");
        if (foreground != w) {
            ++inputsWithoutFront;
            return false;
        }
        // The dialog sees its client area scaled by windowDpi / monitorDpi.
        const ScreenPoint cell = ClientToScreen(kCodeDlg, PhysicalClientOffset(kFirstGridCell, dialogDpi));
        for (const InputEvent& e : events) {
            inputs.push_back(e);
            if (foreground != kCodeDlg || !Open(kCodeDlg)) {
                // The release of the Enter that closed the dialog goes to the main window, harmlessly.
                if (!(e.key && (e.flags & kKeyEventKeyUp))) ++inputsWithoutFront;
                continue;
            }
            if (!e.key) {
                if (!(e.flags & kMouseEventLeftDown)) continue;
                // Back from the normalized coordinate to the pixel, as Windows does it.
                const ScreenPoint at{static_cast<int>(static_cast<long long>(e.x) * kScreen.x / 65536),
                                     static_cast<int>(static_cast<long long>(e.y) * kScreen.y / 65536)};
                click = at, mouseAtClick = mouse;
                if (std::abs(at.x - cell.x) <= 2 && std::abs(at.y - cell.y) <= 2)
                    selected = kEudcFirst + 16 * topRow;
                continue;
            }
            if (e.flags & kKeyEventKeyUp) continue;
            if (e.virtualKey == kVkPageDown) topRow = std::min(topRow + 6, 390);
            if (e.virtualKey == kVkDown && selected >= 0 && selected + 16 <= kEudcLast) selected += 16;
            if (e.virtualKey == kVkRight && selected >= 0 && selected < kEudcLast) ++selected;
            if (e.virtualKey == kVkReturn && !enterIgnored) CloseCodeDialog(true);
        }
        return true;
    }
    bool PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) override {
        Log("PutBitmapOnClipboard");
        ++clipboardAttempts;
        if (!clipboardOpens || owner != kMain) return false;
        clipboard = glyph;
        return true;
    }
    bool WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value) override {
        Log("WriteIniEntry");
        ini[{file, section, key}] = value;
        return true;
    }
    std::pair<int, int> GetOsVersion() override { return osVersion; }
    bool CreateEditorProcess(const std::wstring& line, EditorProcess& out) override {
        Log("CreateEditorProcess");
        commandLine = line;
        if (!processStarts) return false;
        out = {0x44, 0x48, kEditorPid, 5678};
        return started = true;
    }
    void CloseEditorProcessHandles(const EditorProcess& p) override {
        Log("CloseEditorProcessHandles");
        handlesClosed += p.hProcess == 0x44;
    }
    std::uint32_t WaitForInputIdle(std::uintptr_t process, int ms) override {
        idleWaits.push_back(process == 0x44 ? ms : -1);
        if (!idle) now += ms;
        return idle ? 0 : 258;
    }
    std::optional<std::vector<std::uint8_t>> ReadSharedFile(const std::filesystem::path& file) override {
        std::vector<std::uint8_t> bytes;
        if (ReadEudcFileBytes(file, bytes) != kEudcOk) return std::nullopt;
        return bytes;
    }
    bool WaitForProcessExit(std::uintptr_t, int ms) override {
        Log("WaitForProcessExit");
        const bool gone = !started || exited || (terminated && terminateWorks);
        now += gone ? 10 : ms;
        if (fileHeldPolls > 0 && std::filesystem::exists(bitmapFile))
            std::filesystem::rename(bitmapFile, bitmapFile.string() + ".held");
        return gone;
    }
    void TerminateEditorProcess(std::uintptr_t process) override {
        Log("TerminateEditorProcess");
        EXPECT_EQ(process, 0x44u);
        terminated = true;
        if (terminateWorks)
            std::erase_if(windows, [&](const auto& window) { return PidOf(window.first) == kEditorPid; });
    }
    std::uintptr_t StartRetryWatcher(std::atomic<int>* state, const WatcherTarget& target) override {
        Log("StartRetryWatcher");
        if (!watcherStarts) return 0;
        if (mainVanishesAtWatcherStart) windows.clear(), exited = true;
        if (foreignKanjiforgeBox) windows[kForeignBox] = L"Kanjiforge - 確認";
        watcherState = state;
        watcherTarget = target;
        return 0x77;
    }
    bool StopRetryWatcher(std::uintptr_t watcher, int) override {
        Log("StopRetryWatcher");
        EXPECT_EQ(watcher, 0x77u);
        if (watcherState && watcherRuns && !watcherResult) RunWatcher();
        return watcherResult.has_value();
    }
    void WatchProcessWindows(std::uint32_t processId) override {
        Log("WatchProcessWindows");
        watchedProcess = processId;
    }
    bool WaitUntil(const std::function<bool()>& ready, int timeoutMs) override {
        for (int waited = 0;; waited += kTick) {
            if (Cancelled()) return false;
            if (ready()) return true;
            if (waited >= timeoutMs) return false;
            Sleep(kTick);
        }
    }
    void Pause(int ms, bool) override {
        if (Cancelled()) return;
        Sleep(ms);
    }
    static constexpr int kTick = 40;
    void Sleep(int ms) {
        (inWatcher ? watcherSleeps : sleeps).push_back(ms);
        if (!inWatcher) now += ms;
        if (onSleep) onSleep(ms);
        if (ms == 40 && fileHeldPolls > 0 && --fileHeldPolls == 0 &&
            std::filesystem::exists(bitmapFile.string() + ".held"))
            std::filesystem::rename(bitmapFile.string() + ".held", bitmapFile);
        if (inWatcher || !watcherState || !watcherRuns) return;
        for (watcherClock += ms; watcherClock >= 200 && !watcherResult; watcherClock -= 200) RunWatcher();
    }
    std::int64_t NowMs() override { return now; }
    LocalTime GetLocalTime() override { return {2026, 12, 8, 18, 30, 5}; }
    std::wstring LoadResourceString(unsigned id) override {
        if (id == kIdsSavingTitle) return kSavingTitleFormat;
        return id == kMsgBackupFailed ? L"ﾊﾞｯｸｱｯﾌﾟ失敗\r\n%s\r\n%s\r\n100%%" : L"";
    }

  private:
    void RunWatcher() {
        inWatcher = true;
        watcherResult = RetryWatcherCycle(*this, *watcherState, watcherTarget);
        inWatcher = false;
    }
    bool inWatcher = false;
    int watcherClock = 0;
};

inline DotPlane Glyph() {
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
    LaunchProblem problem = LaunchProblem::None;
    FontProof fontProof;
    std::wstring fontMessage;
    std::vector<std::wstring> timeline;
    std::filesystem::path folder = MakeTestFolder("save");
    SaveFiles files;
    SaveCancel cancel;
    std::vector<SaveStep> steps;

    Scenario() {
        settings.Set(L"GaijiEditorPath", L"C:\\W\\eudcedit.exe");
        settings.Set(L"GaijiEditorIniPath", L"C:\\W\\eudcedit.ini");
        files.bitmapFile = folder / "EUDC.EUF";
        files.fontFile = folder / "EUDC.TTE";
        files.backupFolder = folder / "backup";
        EXPECT_TRUE(CreateEudcBitmapFile(files.bitmapFile, 16));
        std::ofstream(files.fontFile, std::ios::binary) << "TTE";
        desktop.bitmapFile = files.bitmapFile;
        desktop.fontFile = files.fontFile;
        desktop.cancel = &cancel;
    }
    // A fresh desktop for another save on the same files.
    void ResetDesktop() {
        desktop = FakeDesktop{};
        desktop.bitmapFile = files.bitmapFile;
        desktop.fontFile = files.fontFile;
        desktop.cancel = &cancel;
    }
    ~Scenario() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    void Save(const wchar_t* code = L"E123") {
        g_nSaveWatchState = 0;
        CEudcEditManipulater saver(desktop, settings, 16, files, &cancel);
        saver.SetProgressSink([this](SaveStep step) { steps.push_back(step); });
        launched = saver.PrepareAndLaunch(code);
        problem = saver.GetLaunchProblem();
        if (launched) result = saver.SaveCharacter(Glyph());
        savedFlag = saver.m_bSaved;
        timeline = saver.GetTimeline();
        fontProof = saver.GetFontProof();
        fontMessage = saver.GetFontMessage();
    }
    // What the bitmap file holds for a code; empty when nothing.
    std::optional<DotPlane> Stored(int code) const {
        int w = 0, h = 0;
        std::vector<std::uint8_t> bits;
        if (ReadEudcBitmap(files.bitmapFile, code, w, h, &bits) != kEudcOk) return std::nullopt;
        DotPlane plane(16);
        std::copy(bits.begin(), bits.end(), plane.Bytes().begin());
        return plane;
    }
};
