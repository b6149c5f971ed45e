#include "automation/save_sequence.h"

#include <algorithm>

#include "base/diag_log.h"
#include "glyphstore/char_code.h"

std::atomic<int> g_nSaveWatchState{0};
std::atomic<int> g_nErrWaitMSec{0};

namespace {

// Waiting for a dialog to go: a window manager (or a slow machine) may keep a closing window on screen for
// seconds, so this bound is at least as long as the one for a window to appear; it costs nothing when
// windows are fast.
constexpr int kCloseWaitMs = 15000;
constexpr int kExitWaitMs = 5000;            // for the editor to end after its close command
constexpr int kCancelledExitWaitMs = 300;    // the same after a cancel: the user waits for it
constexpr int kTerminatedExitWaitMs = 2000;  // for an ended editor to be gone
constexpr int kPasteTimeoutMs = 10000;       // for the editor to take the clipboard's bitmap
constexpr int kClipboardWaitMs = 2000;       // another program may hold the clipboard for a moment
constexpr int kFileHeldWaitMs = 2000;        // the system may hold a file for a moment after the editor ended
constexpr int kIdleWaitSliceMs = 100;
constexpr int kIdleWaitMs = 5000;
constexpr int kWatcherCycleMs = 200;
constexpr int kWatcherStopMs = 2000;
constexpr int kSaveRetryBudget = 10;  // so at most 11 save commands
constexpr int kDefaultErrWaitMs = 300;
constexpr int kCodesPerRow = 16;
constexpr int kCodesPerPage = 96;
constexpr int kMaxPages = 65;  // the grid's last page: further Page Downs no longer scroll
constexpr std::uint32_t kLockedStyleBits = 0x000F0000;  // system menu, sizing frame, minimise, maximise
constexpr int kMenuPositions = 6;
constexpr MouseSettings kExactMouse{0, 0, 0, 10};  // a relative move of d pixels moves the pointer d pixels

constexpr wchar_t kMiniSizeKey[] = L"GaijiEditorMainWindowMiniSize";
constexpr wchar_t kErrWaitKey[] = L"EudcMakeErrWaitMSec";
constexpr int kScreenExtentFallback = 1024;

std::uintptr_t MakeWParam(unsigned low, unsigned high) {
    return static_cast<std::uintptr_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}

// The mouse settings are changed only to make the click land exactly; they go back on every way out.
class MouseSettingsGuard {
  public:
    explicit MouseSettingsGuard(IEditorDesktop& desktop)
        : m_desktop(desktop), m_saved(desktop.GetMouseSettings()) {
        m_desktop.SetMouseSettings(kExactMouse);
    }
    ~MouseSettingsGuard() { m_desktop.SetMouseSettings(m_saved); }
    MouseSettingsGuard(const MouseSettingsGuard&) = delete;
    MouseSettingsGuard& operator=(const MouseSettingsGuard&) = delete;

  private:
    IEditorDesktop& m_desktop;
    MouseSettings m_saved;
};

// A positive setting, or `fallback` written back in its place.
int ReadPositiveSetting(IProfileStore& settings, const wchar_t* key, int fallback) {
    int value = settings.GetProfileInt(kEditorSection, key, 0);
    if (value <= 0) {
        value = fallback;
        settings.WriteProfileInt(kEditorSection, key, value);
    }
    return value;
}

}  // namespace

CodeGridMoves CodeGridMovesFor(int code) {
    const int offset = code - kEudcFirst;
    if (offset < 0) return {};
    CodeGridMoves moves;
    moves.pages = offset / kCodesPerPage;
    if (moves.pages > kMaxPages) moves.pages = kMaxPages;
    moves.rows = (offset - kCodesPerPage * moves.pages) / kCodesPerRow;
    moves.columns = offset % kCodesPerRow;
    return moves;
}

std::wstring FormatSavingTitle(const std::wstring& format, const std::wstring& title,
                               const std::wstring& code) {
    const std::wstring* args[] = {&title, &code};
    std::size_t next = 0;
    std::wstring out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                if (next < 2) out += *args[next++];
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                out += L'%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

ScreenPoint PhysicalClientOffset(ScreenPoint logical, const WindowDpi& dpi) {
    if (dpi.windowDpi <= 0 || dpi.monitorDpi <= 0 || dpi.windowDpi == dpi.monitorDpi) return logical;
    // Rounded to the nearest pixel: the cell's centre stays inside the cell at every common scale.
    auto scale = [&](int value) {
        const long long scaled = static_cast<long long>(value) * dpi.monitorDpi;
        const long long half = dpi.windowDpi / 2;
        return static_cast<int>(scaled >= 0 ? (scaled + half) / dpi.windowDpi
                                            : (scaled - half) / dpi.windowDpi);
    };
    return {scale(logical.x), scale(logical.y)};
}

std::optional<unsigned> RetryWatcherCycle(IEditorDesktop& desktop, std::atomic<int>& state,
                                          const WatcherTarget& target) {
    switch (state.load()) {
        case kWatchWatching: {
            const WindowId window = desktop.FindErrorWindow(target, kErrorWindowMark, &state);
            if (window == 0) return std::nullopt;
            desktop.WriteWindowText(window, kRetryTitle);
            desktop.Pause(g_nErrWaitMSec.load(), false);
            // The retry must show before the dismissal lets the save command return. A stop request that
            // arrived meanwhile wins: the save is over, and overwriting it would keep this thread alive.
            int expected = kWatchWatching;
            if (state.compare_exchange_strong(expected, kWatchRetry))
                desktop.PostCommand(window, kIdCancel, 0);
            return std::nullopt;
        }
        case kWatchStop:
            state.store(kWatchEnded);
            return 0u;
        default:
            return std::nullopt;
    }
}

unsigned RetryWatcherProc(IEditorDesktop& desktop, std::atomic<int>* state, const WatcherTarget& target) {
    if (state == nullptr) return 1;
    for (;;) {
        if (const std::optional<unsigned> result = RetryWatcherCycle(desktop, *state, target)) return *result;
        desktop.Pause(kWatcherCycleMs, true);
    }
}

int NormalizedMouseCoordinate(int pixel, int origin, int extent) {
    if (extent <= 1) return 0;
    const long long offset = static_cast<long long>(pixel) - origin;
    const long long value = (offset * 65535 + (extent - 1) / 2) / (extent - 1);
    return static_cast<int>(std::clamp(value, 0LL, 65535LL));
}

int ReadSaveTimeout(IProfileStore& settings) {
    return ReadPositiveSetting(settings, kSaveTimeoutKey, kDefaultSaveTimeoutMs);
}

int ReadWindowWait(IProfileStore& settings) {
    return ReadPositiveSetting(settings, kWindowWaitKey, kDefaultWindowWaitMs);
}

std::vector<unsigned> MessagesAfterLaunchFailure() { return {kMsgEditorStart, kMsgSaveFailed}; }

std::vector<unsigned> MessagesAfterSave(SaveResult result) {
    switch (result) {
        case SaveResult::Saved:
        case SaveResult::Cancelled:  // the user asked for it: nothing to tell
            return {};
        case SaveResult::EditorNotSeen:
            return {kMsgEditorNotSeen, kMsgSaveFailed};
        case SaveResult::StartupDialogNotSeen:
            return {kMsgCodeDialogNotSeen, kMsgSaveFailed};
        case SaveResult::FontNotProved:
            return {};  // the save's own message names the font and the reason
        case SaveResult::Failed:
            break;
    }
    return {kMsgSaveFailed};
}

CEudcEditManipulater::CEudcEditManipulater(IEditorDesktop& desktop, IProfileStore& settings, int glyphSize,
                                           SaveFiles files, const SaveCancel* cancel)
    : m_desktop(desktop),
      m_settings(settings),
      m_nGlyphSize(glyphSize),
      m_files(std::move(files)),
      m_cancel(cancel) {}

CEudcEditManipulater::~CEudcEditManipulater() {
    if (m_pi.hProcess != 0 || m_pi.hThread != 0) m_desktop.CloseEditorProcessHandles(m_pi);
}

template <class Find>
WindowId CEudcEditManipulater::WaitForWindow(Find find, int timeoutMs) {
    WindowId window = 0;
    m_desktop.WaitUntil([&] { return (window = find()) != 0; }, timeoutMs);
    return window;
}

bool CEudcEditManipulater::WaitDialogClosed(WindowId dialog, WindowId mainWindow) {
    return m_desktop.WaitUntil(
        [&] { return !m_desktop.IsWindowShown(dialog) && m_desktop.GetForegroundWindow() == mainWindow; },
        std::max(kCloseWaitMs, m_nWindowWaitMs));
}

bool CEudcEditManipulater::DialogShowsCode(WindowId dialog) {
    for (const ChildWindow& child : m_desktop.EnumChildWindows(dialog))
        if (TextShowsCode(m_desktop.ReadControlText(child.window), m_strCode)) return true;
    return false;
}

bool CEudcEditManipulater::ConfirmCodeDialog(WindowId dialog, WindowId mainWindow) {
    // Enter, the stream's last key, closes the dialog of an editor whose grid lets it through. A grid that
    // keeps Enter for itself leaves the dialog open: it is confirmed with OK once its code field shows the
    // code, which proves the keys and the click before it were handled (an OK taken earlier would confirm
    // another code). A field that showed the code before any input proves nothing; without proof the save
    // ends here.
    bool proved = false;
    const bool closedOrProved = m_desktop.WaitUntil(
        [&] {
            if (!m_desktop.IsWindowShown(dialog)) return true;
            proved = !m_bCodeShownBeforeInput && DialogShowsCode(dialog);
            return proved;
        },
        std::max(kCloseWaitMs, m_nWindowWaitMs));
    if (!closedOrProved) return false;
    if (proved && m_desktop.IsWindowShown(dialog)) {
        m_desktop.PostCommand(dialog, kIdOk, 0);
        Mark(L"code dialog confirmed with OK");
    }
    return WaitDialogClosed(dialog, mainWindow);
}

void CEudcEditManipulater::Mark(std::wstring_view step) {
    if (m_timeline) m_timeline->Mark(step);
}

BOOL CEudcEditManipulater::PrepareAndLaunch(const std::wstring& code) {
    m_launchProblem = LaunchProblem::EditorRunning;
    if (m_pi.hProcess != 0) return FALSE;
    if (m_desktop.FindCharEditorWindow() != 0) return FALSE;
    // Steering the editor to a code outside its grid could only end on the wrong character.
    m_launchProblem = LaunchProblem::BadCode;
    if (!IsUnicodeEudcCode(ParseCodeText(code))) return FALSE;
    m_strCode = code;

    // A save that goes wrong in the editor may damage the files it writes: keep a copy the user can go
    // back to. Nothing else happens when the copy cannot be made.
    Report(SaveStep::BackingUp);
    std::vector<std::filesystem::path> files;
    for (const auto& file : {m_files.bitmapFile, m_files.fontFile})
        if (!file.empty()) files.push_back(file);
    if (!files.empty() && !m_files.backupFolder.empty() &&
        !BackUpFiles(files, m_files.backupFolder, m_desktop.GetLocalTime(), m_strBackupProblem)) {
        m_launchProblem = LaunchProblem::BackupFailed;
        g_log.Write(L"Backup failed: %s\n", m_strBackupProblem.c_str());
        return FALSE;
    }
    // The font's glyph before the editor may write it, so that the proof can tell a glyph this save wrote
    // from one left as it was.
    if (!m_files.fontFile.empty()) m_fontBefore = SnapshotFontGlyph(m_files.fontFile, ParseCodeText(code));

    std::wstring miniSize = m_settings.GetProfileString(kEditorSection, kMiniSizeKey, L"");
    if (miniSize.empty()) {
        const bool windowsXp = m_desktop.GetOsVersion() == std::pair<int, int>{5, 1};
        miniSize = windowsXp ? L"28 24 431 251" : L"28 24 431 235";
        m_settings.WriteProfileString(kEditorSection, kMiniSizeKey, miniSize.c_str());
    }
    m_nWindowWaitMs = ReadWindowWait(m_settings);

    const std::wstring iniPath = m_settings.GetProfileString(kEditorSection, L"GaijiEditorIniPath", L"");
    m_desktop.WriteIniEntry(iniPath, L"WindowSize", L"MinMaxFlag", L"0");
    m_desktop.WriteIniEntry(iniPath, L"WindowSize", L"MainWindowSize", miniSize);
    m_desktop.WriteIniEntry(iniPath, L"Bitmap", L"BitmapSize", std::to_wstring(m_nGlyphSize));

    // The last moment a Cancel leaves nothing to undo.
    if (Cancelled()) {
        m_launchProblem = LaunchProblem::Cancelled;
        return FALSE;
    }
    Report(SaveStep::StartingEditor);
    const std::wstring editorPath = m_settings.GetProfileString(kEditorSection, L"GaijiEditorPath", L"");
    EditorProcess started;
    m_timeline.emplace([this] { return m_desktop.NowMs(); },
                       [](const std::wstring& line) { g_log.Write(L"%s\n", line.c_str()); });
    m_bLaunched = m_desktop.CreateEditorProcess(EditorCommandLine(editorPath), started) ? TRUE : FALSE;
    if (m_bLaunched) {
        m_pi = started;
        // From its first window on, the editor's windows wake the waits instead of a poll finding them.
        m_desktop.WatchProcessWindows(m_pi.dwProcessId);
    }
    m_launchProblem = m_bLaunched ? LaunchProblem::None : LaunchProblem::ProcessNotStarted;
    Mark(m_bLaunched ? L"editor started" : L"editor not started");
    m_timelineLines = m_timeline->Lines();
    return m_bLaunched;
}

BOOL CEudcEditManipulater::AttachEditor(WindowId* mainWindow) {
    if (mainWindow == nullptr || !m_bLaunched) return FALSE;
    // Only the process started here: another program's editor is never steered.
    const WindowId editor =
        WaitForWindow([&] { return m_desktop.FindEditorMainWindow(m_pi.dwProcessId); }, m_nWindowWaitMs);
    if (editor == 0) {
        if (Cancelled()) return FALSE;
        g_log.WriteId(kMsgEditorNotSeen);
        m_nAttachMessage = kMsgEditorNotSeen;
        return FALSE;
    }
    *mainWindow = editor;
    Mark(L"main window");
    const WindowId dialog = WaitForWindow(
        [&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCodeDialogTitle, 0); }, m_nWindowWaitMs);
    if (dialog == 0) {
        if (Cancelled()) return FALSE;
        g_log.WriteId(kMsgCodeDialogNotSeen);
        m_nAttachMessage = kMsgCodeDialogNotSeen;
        return FALSE;
    }
    m_hStartupDialog = dialog;
    m_desktop.PostCommand(dialog, kIdCancel, 0);
    Mark(L"start-up dialog dismissed");
    return TRUE;
}

BOOL CEudcEditManipulater::WaitEditorIdle() {
    // In slices, so that a Cancel is seen within one.
    for (int waited = 0; waited < kIdleWaitMs && !Cancelled(); waited += kIdleWaitSliceMs) {
        if (m_desktop.WaitForInputIdle(m_pi.hProcess, kIdleWaitSliceMs) == 0) return TRUE;
    }
    return FALSE;
}

void CEudcEditManipulater::SetUpChildren(WindowId mainWindow) {
    for (const ChildWindow& child : m_desktop.EnumChildWindows(mainWindow)) {
        if (child.className == L"msctls_statusbar32") {
            m_hStatusBar = child.window;
        } else if (child.className == L"ComboBox") {
            if (m_desktop.SelectComboString(child.window, L"Unicode") == -1) continue;
            const WindowId parent = m_desktop.GetParent(child.window);
            if (parent == 0 || !m_desktop.IsWindow(parent)) continue;
            const int id = m_desktop.GetDlgCtrlID(child.window);
            m_desktop.PostCommand(parent, MakeWParam(static_cast<unsigned>(id), kCbnSelChange), child.window);
            m_desktop.EnableWindow(child.window, false);
        } else if (child.className == L"ToolbarWindow32") {
            m_desktop.SetForegroundWindow(child.window);
            m_desktop.EnableWindow(child.window, false);
        }
    }
}

bool CEudcEditManipulater::ChooseCode(WindowId dialog) {
    MouseSettingsGuard mouse(m_desktop);
    const CodeGridMoves moves = CodeGridMovesFor(ParseCodeText(m_strCode));

    // One stream, ending with Enter: the dialog's OK comes after every key and the click in the order the
    // editor receives them. (A posted OK would overtake input still waiting in the editor's queue.)
    std::vector<InputEvent> events;
    auto press = [&](int virtualKey, int times) {
        for (int i = 0; i < times; ++i) {
            events.push_back({true, virtualKey, 0, 0, 0});
            events.push_back({true, virtualKey, kKeyEventKeyUp, 0, 0});
        }
    };
    press(kVkPageDown, moves.pages);
    // The click at an absolute position: no pointer speed, acceleration or display scaling can move it off
    // the cell. The cell lies where the editor puts it in its own coordinates: scaled for an editor that
    // sees another DPI than its monitor's.
    const ScreenPoint offset = PhysicalClientOffset(kFirstGridCell, m_desktop.GetWindowDpi(dialog));
    const ScreenPoint target = m_desktop.ClientToScreen(dialog, offset);
    ScreenRect screen = m_desktop.GetVirtualScreen();
    if (screen.width <= 1) screen.width = kScreenExtentFallback;
    if (screen.height <= 1) screen.height = kScreenExtentFallback;
    const int x = NormalizedMouseCoordinate(target.x, screen.left, screen.width);
    const int y = NormalizedMouseCoordinate(target.y, screen.top, screen.height);
    constexpr unsigned kAt = kMouseEventAbsolute | kMouseEventVirtualDesk;
    events.push_back({false, 0, kMouseEventMove | kAt, x, y});
    events.push_back({false, 0, kMouseEventLeftDown | kAt, x, y});
    events.push_back({false, 0, kMouseEventLeftUp | kAt, x, y});
    press(kVkDown, moves.rows);
    press(kVkRight, moves.columns);
    press(kVkReturn, 1);

    m_bCodeShownBeforeInput = DialogShowsCode(dialog);
    // Input goes to whatever window is in front: the stream is sent only while the code dialog is, checked
    // at the moment of sending. Another window that comes forward meanwhile is waited out.
    m_desktop.SetForegroundWindow(dialog);
    m_desktop.SetFocus(dialog);
    const bool sent = m_desktop.WaitUntil(
        [&] { return m_desktop.GetForegroundWindow() == dialog && m_desktop.SendInputsTo(dialog, events); },
        m_nWindowWaitMs);
    if (!sent) {
        if (!Cancelled()) g_log.Write(L"Code dialog not in front (Code=%s)\n", m_strCode.c_str());
        return false;
    }
    Mark(L"code input sent");
    return true;
}

bool CEudcEditManipulater::VerifyCode() {
    if (m_hStatusBar == 0) return false;
    // The editor may update its status bar a moment after the dialog closed.
    return m_desktop.WaitUntil(
        [&] {
            for (const std::wstring& part : m_desktop.ReadStatusBarParts(m_hStatusBar))
                if (TextShowsCode(part, m_strCode)) return true;
            return false;
        },
        m_nWindowWaitMs);
}

bool CEudcEditManipulater::Paste(WindowId mainWindow, const DotPlane& glyph) {
    // The clipboard may be held for a moment by another program; without the glyph on it the editor
    // would save whatever its grid holds, so a clipboard that stays closed ends the save as a failure.
    if (!m_desktop.WaitUntil([&] { return m_desktop.PutBitmapOnClipboard(mainWindow, glyph); },
                             kClipboardWaitMs))
        return false;
    // Sent, not posted: a sent save command is handled before posted messages still waiting in the editor's
    // queue, so a posted paste could come after the save.
    if (!m_desktop.SendCommand(mainWindow, kEditorCmdPaste, kPasteTimeoutMs)) {
        if (!Cancelled()) g_log.Write(L"Paste not answered (Code=%s)\n", m_strCode.c_str());
        return false;
    }
    return true;
}

void CEudcEditManipulater::RunSaveLoop(WindowId mainWindow) {
    const int code = ParseCodeText(m_strCode);
    const int timeout = ReadSaveTimeout(m_settings);
    for (int budget = kSaveRetryBudget;;) {
        if (Cancelled() || !m_desktop.IsWindow(mainWindow)) {
            m_bSaved = FALSE;
            return;
        }
        WaitEditorIdle();
        const bool answered = m_desktop.SendCommand(mainWindow, kEditorCmdSave, timeout);
        if (!answered && Cancelled()) {
            Mark(L"save command cancelled");
            m_bSaved = FALSE;
            return;
        }
        Mark(answered ? L"save command returned" : L"save command timed out");
        if (!answered) {
            // A hung editor, or an error window the watcher may not touch: the save did not happen.
            g_log.Write(L"Save Timeout (Code=%4.4X)\n", code);
            m_bSaved = FALSE;
            return;
        }
        if (g_nSaveWatchState.load() != kWatchRetry) return;
        g_log.Write(L"Save Retry (Code=%4.4X)\n", code);
        g_nSaveWatchState.store(kWatchWatching);
        if (--budget < 0) break;
    }
    g_log.Write(L"Save Error (Code=%4.4X)\n", code);
    m_bSaved = FALSE;
}

void CEudcEditManipulater::StopWatcher() {
    g_nSaveWatchState.store(kWatchStop);
    if (!m_desktop.StopRetryWatcher(m_pWatcher, kWatcherStopMs))
        g_log.Write(L"Watcher did not end (Code=%s)\n", m_strCode.c_str());
}

void CEudcEditManipulater::SteerEditor(WindowId mainWindow, const DotPlane& glyph) {
    SetUpChildren(mainWindow);
    m_desktop.PostCommand(mainWindow, kEditorCmdSetup, 0);
    m_desktop.WriteWindowStyle(mainWindow, m_desktop.ReadWindowStyle(mainWindow) & ~kLockedStyleBits);
    if (m_desktop.HasMenu(mainWindow)) {
        for (int position = 0; position < kMenuPositions; ++position)
            m_desktop.BlankMenuItem(mainWindow, position);
    }
    Mark(L"editor set up");
    if (Cancelled()) return;

    // The start-up dialog has the same title as the code dialog: it must be gone before the code dialog is
    // looked for, or the keys and the click would go to a dialog that is closing.
    Report(SaveStep::ChoosingCode);
    if (!m_desktop.WaitUntil([&] { return !m_desktop.IsWindowShown(m_hStartupDialog); },
                             std::max(kCloseWaitMs, m_nWindowWaitMs))) {
        if (!Cancelled()) g_log.WriteId(kMsgCodeDialogNotSeen);
        return;
    }
    Mark(L"start-up dialog gone");
    m_desktop.PostCommand(mainWindow, kEditorCmdSelectCode, 0);
    const WindowId codeDialog = WaitForWindow(
        [&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCodeDialogTitle, m_hStartupDialog); },
        m_nWindowWaitMs);
    if (codeDialog == 0) {
        if (!Cancelled()) g_log.WriteId(kMsgCodeDialogNotSeen);
        return;
    }
    Mark(L"code dialog");
    if (!ChooseCode(codeDialog)) return;
    if (!ConfirmCodeDialog(codeDialog, mainWindow)) {
        if (!Cancelled()) g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    Mark(L"code dialog closed");
    if (!VerifyCode()) {
        if (!Cancelled()) g_log.Write(L"Code not shown (Code=%s)\n", m_strCode.c_str());
        return;
    }
    Mark(L"code verified");

    Report(SaveStep::Pasting);
    m_desktop.PostCommand(mainWindow, kEditorCmdCopyChar, 0);
    const WindowId copyDialog = WaitForWindow(
        [&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCopyDialogTitle, 0); }, m_nWindowWaitMs);
    if (copyDialog == 0) {
        if (!Cancelled()) g_log.WriteId(kMsgCopyDialogNotSeen);
        return;
    }
    m_desktop.PostCommand(copyDialog, kIdOk, 0);
    if (!WaitDialogClosed(copyDialog, mainWindow)) {
        if (!Cancelled()) g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    Mark(L"copy dialog closed");
    if (!Paste(mainWindow, glyph)) {
        if (!Cancelled())
            g_log.Write(L"Clipboard not available or paste not answered (Code=%s)\n", m_strCode.c_str());
        return;
    }
    Mark(L"pasted");
    if (Cancelled()) return;

    Report(SaveStep::Saving);
    g_nSaveWatchState.store(kWatchWatching);
    m_pWatcher = m_desktop.StartRetryWatcher(&g_nSaveWatchState, WatcherTarget{m_pi.dwProcessId, mainWindow});
    if (m_pWatcher == 0) {
        // Without the watcher an error window would hold the save command until its timeout.
        g_log.Write(L"Watcher not started (Code=%s)\n", m_strCode.c_str());
        return;
    }
    m_bSaved = TRUE;
    int errWait = m_settings.GetProfileInt(kEditorSection, kErrWaitKey, 0);
    // A negative wait would become an endless one on the watcher's side.
    if (errWait <= 0) {
        errWait = kDefaultErrWaitMs;
        m_settings.WriteProfileInt(kEditorSection, kErrWaitKey, errWait);
    }
    g_nErrWaitMSec.store(errWait);

    RunSaveLoop(mainWindow);
    StopWatcher();
}

void CEudcEditManipulater::CloseEditor(WindowId mainWindow) {
    Report(SaveStep::ClosingEditor);
    if (mainWindow != 0 && m_desktop.IsWindow(mainWindow))
        m_desktop.PostCommand(mainWindow, kEditorCmdExit, 0);
    // An editor that never showed its main window has nothing to close: it is ended at once.
    const int wait = mainWindow == 0 ? 0 : Cancelled() ? kCancelledExitWaitMs : kExitWaitMs;
    if (m_desktop.WaitForProcessExit(m_pi.hProcess, wait)) {
        Mark(L"editor ended");
        return;
    }
    // An editor left running would hold the files, keep the windows it lost their caption buttons and
    // menus, and refuse every later save: it was started here, so it is ended here.
    g_log.Write(L"Editor did not close; ended (Code=%s)\n", m_strCode.c_str());
    m_desktop.TerminateEditorProcess(m_pi.hProcess);
    const bool gone = m_desktop.WaitForProcessExit(m_pi.hProcess, kTerminatedExitWaitMs);
    Mark(gone ? L"editor ended by force" : L"editor still running");
}

bool CEudcEditManipulater::ProveSaved(const DotPlane& glyph) {
    if (m_files.bitmapFile.empty()) {
        Mark(L"read-back impossible: no bitmap file");
        return false;
    }
    const int code = ParseCodeText(m_strCode);
    ReadBack result = ReadBack::Held;
    m_desktop.WaitUntil(
        [&] {
            result = ReadBackGlyph(m_desktop.ReadSharedFile(m_files.bitmapFile), code, glyph);
            return result != ReadBack::Held;
        },
        kFileHeldWaitMs);
    Mark(std::wstring(L"read-back ") + ReadBackName(result));
    if (result != ReadBack::Match)
        g_log.Write(L"Save not proved: %s (Code=%4.4X)\n", ReadBackName(result), code);
    return result == ReadBack::Match;
}

std::wstring CEudcEditManipulater::LoadText(unsigned id) {
    std::wstring text = m_desktop.LoadResourceString(id);
    return text.empty() ? DefaultFontText(id) : text;
}

bool CEudcEditManipulater::ProveFont(const DotPlane& glyph) {
    const FontProofMode mode = ReadFontProofMode(m_settings);
    const int code = ParseCodeText(m_strCode);
    if (mode == FontProofMode::Off) {
        g_log.Write(L"Font proof off (Code=%4.4X)\n", code);
        Mark(L"font proof off");
        return true;
    }
    if (m_files.fontFile.empty()) {
        m_fontProof = {};
        m_fontProof.detail = "no font file given";
    } else {
        // The system may hold the font for a moment after the editor let it go.
        m_desktop.WaitUntil(
            [&] {
                m_fontProof = ProveFontGlyph(m_files.fontFile, code, glyph, m_fontBefore);
                return m_fontProof.outcome != FontProofOutcome::Held;
            },
            kFileHeldWaitMs);
    }
    g_log.Write(L"%s\n", FontProofLogLine(m_fontProof, code).c_str());
    Mark(std::wstring(L"font ") + FontProofOutcomeName(m_fontProof.outcome));
    if (m_fontProof.outcome == FontProofOutcome::Proved) return true;
    const std::wstring reason =
        FontReasonText(LoadText(FontReasonId(m_fontProof.outcome)), m_fontProof, code);
    const unsigned message = mode == FontProofMode::Warn ? kMsgFontProofWarning : kMsgFontNotProved;
    m_strFontMessage = FormatFontText(LoadText(message), {m_files.fontFile.wstring(), reason});
    return mode == FontProofMode::Warn;
}

SaveResult CEudcEditManipulater::SaveCharacter(const DotPlane& glyph) {
    m_bSaved = FALSE;
    m_nAttachMessage = 0;
    m_fontProof = {};
    m_strFontMessage.clear();
    if (!m_timeline)
        m_timeline.emplace([this] { return m_desktop.NowMs(); },
                           [](const std::wstring& line) { g_log.Write(L"%s\n", line.c_str()); });
    if (!m_bLaunched) return SaveResult::Failed;
    WindowId mainWindow = 0;
    if (AttachEditor(&mainWindow)) {
        std::wstring format = m_desktop.LoadResourceString(kIdsSavingTitle);
        if (format.empty()) format = kSavingTitleFormat;
        m_desktop.WriteWindowText(mainWindow,
                                  FormatSavingTitle(format, m_desktop.ReadWindowText(mainWindow), m_strCode));
        g_log.Write(L"Kanjiforgeで外字保存開始（code=%s）\n", m_strCode.c_str());
        SteerEditor(mainWindow, glyph);
    }

    // End: the editor started here is closed, or ended, on every way out; a save counts only when the bitmap
    // file, read after the editor let it go, holds the glyph.
    CloseEditor(mainWindow);
    if (Cancelled()) {
        g_log.Write(L"Save cancelled (Code=%s)\n", m_strCode.c_str());
        m_bSaved = FALSE;
        Mark(L"cancelled");
        m_timelineLines = m_timeline->Lines();
        return SaveResult::Cancelled;
    }
    if (m_bSaved) Report(SaveStep::Checking);
    if (m_bSaved && !ProveSaved(glyph)) m_bSaved = FALSE;
    const bool fontShown = !m_bSaved || ProveFont(glyph);
    if (!fontShown) m_bSaved = FALSE;
    Mark(m_bSaved ? L"saved" : L"not saved");
    m_timelineLines = m_timeline->Lines();
    if (!fontShown) return SaveResult::FontNotProved;
    if (m_bSaved) return SaveResult::Saved;
    if (m_nAttachMessage == kMsgEditorNotSeen) return SaveResult::EditorNotSeen;
    if (m_nAttachMessage == kMsgCodeDialogNotSeen) return SaveResult::StartupDialogNotSeen;
    return SaveResult::Failed;
}
