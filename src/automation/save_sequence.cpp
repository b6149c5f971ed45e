#include "automation/save_sequence.h"

#include <algorithm>

#include "base/diag_log.h"
#include "glyphstore/char_code.h"

std::atomic<int> g_nSaveWatchState{0};
std::atomic<int> g_nErrWaitMSec{0};

namespace {

constexpr int kPollRetries = 50;
// Waiting for a dialog to go: a window manager (or a slow machine) may keep a closing window on screen for
// seconds, so this wait is longer than the one for a window to appear; it costs nothing when windows are
// fast.
constexpr int kClosePollRetries = 375;  // 15 s
constexpr int kExitWaitMs = 5000;       // for the editor to end after its close command
constexpr int kPasteTimeoutMs = 10000;  // for the editor to take the clipboard's bitmap
constexpr int kPollPauseMs = 40;
constexpr int kIdleWaits = 5;
constexpr int kIdleWaitMs = 1000;
constexpr int kWatcherCycleMs = 200;
constexpr int kFocusPauseMs = 200;
constexpr int kSaveRetryBudget = 10;  // so at most 11 save commands
constexpr int kStopWaits = 10;
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

std::optional<unsigned> RetryWatcherCycle(IEditorDesktop& desktop, std::atomic<int>& state,
                                          const WatcherTarget& target) {
    switch (state.load()) {
        case kWatchWatching: {
            const WindowId window = desktop.FindErrorWindow(target, kErrorWindowMark, &state);
            if (window == 0) return std::nullopt;
            desktop.WriteWindowText(window, kRetryTitle);
            desktop.Sleep(g_nErrWaitMSec.load());
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
        desktop.Sleep(kWatcherCycleMs);
        if (const std::optional<unsigned> result = RetryWatcherCycle(desktop, *state, target)) return *result;
    }
}

int NormalizedMouseCoordinate(int pixel, int extent) {
    if (extent <= 1) return 0;
    const long long value = (static_cast<long long>(pixel) * 65535 + (extent - 1) / 2) / (extent - 1);
    return static_cast<int>(std::clamp(value, 0LL, 65535LL));
}

int ReadSaveTimeout(IProfileStore& settings) {
    int timeout = settings.GetProfileInt(kEditorSection, kSaveTimeoutKey, 0);
    if (timeout <= 0) {
        timeout = kDefaultSaveTimeoutMs;
        settings.WriteProfileInt(kEditorSection, kSaveTimeoutKey, timeout);
    }
    return timeout;
}

std::vector<unsigned> MessagesAfterLaunchFailure() { return {kMsgEditorStart, kMsgSaveFailed}; }

std::vector<unsigned> MessagesAfterSave(SaveResult result) {
    switch (result) {
        case SaveResult::Saved:
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
                                           SaveFiles files)
    : m_desktop(desktop), m_settings(settings), m_nGlyphSize(glyphSize), m_files(std::move(files)) {}

CEudcEditManipulater::~CEudcEditManipulater() {
    if (m_pi.hProcess != 0 || m_pi.hThread != 0) m_desktop.CloseEditorProcessHandles(m_pi);
}

template <class Find>
WindowId CEudcEditManipulater::PollForWindow(Find find, int retries) {
    WindowId window = find();
    for (int retry = 0; window == 0 && retry < retries; ++retry) {
        m_desktop.Sleep(kPollPauseMs);
        window = find();
    }
    return window;
}

template <class Find>
WindowId CEudcEditManipulater::PollForWindow(Find find) {
    return PollForWindow(find, kPollRetries);
}

bool CEudcEditManipulater::PollForeground(WindowId window) {
    return PollForWindow([&] { return m_desktop.GetForegroundWindow() == window ? window : WindowId{0}; }) !=
           0;
}

bool CEudcEditManipulater::WaitDialogClosed(WindowId dialog, WindowId mainWindow) {
    const bool gone =
        PollForWindow([&] { return m_desktop.IsWindowShown(dialog) ? WindowId{0} : WindowId{1}; },
                      kClosePollRetries) != 0;
    return gone && PollForeground(mainWindow);
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

    const std::wstring iniPath = m_settings.GetProfileString(kEditorSection, L"GaijiEditorIniPath", L"");
    m_desktop.WriteIniEntry(iniPath, L"WindowSize", L"MinMaxFlag", L"0");
    m_desktop.WriteIniEntry(iniPath, L"WindowSize", L"MainWindowSize", miniSize);
    m_desktop.WriteIniEntry(iniPath, L"Bitmap", L"BitmapSize", std::to_wstring(m_nGlyphSize));

    const std::wstring editorPath = m_settings.GetProfileString(kEditorSection, L"GaijiEditorPath", L"");
    EditorProcess started;
    m_timeline.emplace([this] { return m_desktop.NowMs(); },
                       [](const std::wstring& line) { g_log.Write(L"%s\n", line.c_str()); });
    m_bLaunched = m_desktop.CreateEditorProcess(EditorCommandLine(editorPath), started) ? TRUE : FALSE;
    if (m_bLaunched) m_pi = started;
    m_launchProblem = m_bLaunched ? LaunchProblem::None : LaunchProblem::ProcessNotStarted;
    Mark(m_bLaunched ? L"editor started" : L"editor not started");
    m_timelineLines = m_timeline->Lines();
    return m_bLaunched;
}

BOOL CEudcEditManipulater::AttachEditor(WindowId* mainWindow) {
    if (mainWindow == nullptr || !m_bLaunched) return FALSE;
    // Only the process started here: another program's editor is never steered.
    const WindowId editor = PollForWindow([&] { return m_desktop.FindEditorMainWindow(m_pi.dwProcessId); });
    if (editor == 0) {
        g_log.WriteId(kMsgEditorNotSeen);
        m_nAttachMessage = kMsgEditorNotSeen;
        return FALSE;
    }
    *mainWindow = editor;
    Mark(L"main window");
    const WindowId dialog =
        PollForWindow([&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCodeDialogTitle, 0); });
    if (dialog == 0) {
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
    for (int i = 0; i < kIdleWaits; ++i) {
        if (m_desktop.WaitForInputIdle(m_pi.hProcess, kIdleWaitMs) == 0) return TRUE;
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
    m_desktop.SetForegroundWindow(dialog);
    m_desktop.SetFocus(dialog);
    // Input goes to whatever window is in front: nothing is sent until that is the code dialog.
    if (!PollForeground(dialog)) {
        g_log.Write(L"Code dialog not in front (Code=%s)\n", m_strCode.c_str());
        return false;
    }
    m_desktop.Sleep(kFocusPauseMs);

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
    // the cell.
    const ScreenPoint target = m_desktop.ClientToScreen(dialog, kFirstGridCell);
    ScreenPoint screen = m_desktop.GetScreenSize();
    if (screen.x <= 1) screen.x = kScreenExtentFallback;
    if (screen.y <= 1) screen.y = kScreenExtentFallback;
    const int x = NormalizedMouseCoordinate(target.x, screen.x);
    const int y = NormalizedMouseCoordinate(target.y, screen.y);
    events.push_back({false, 0, kMouseEventMove | kMouseEventAbsolute, x, y});
    events.push_back({false, 0, kMouseEventLeftDown | kMouseEventAbsolute, x, y});
    events.push_back({false, 0, kMouseEventLeftUp | kMouseEventAbsolute, x, y});
    press(kVkDown, moves.rows);
    press(kVkRight, moves.columns);
    press(kVkReturn, 1);
    m_desktop.SendInputs(events);
    return true;
}

bool CEudcEditManipulater::VerifyCode() {
    if (m_hStatusBar == 0) return false;
    for (const std::wstring& part : m_desktop.ReadStatusBarParts(m_hStatusBar)) {
        if (TextShowsCode(part, m_strCode)) return true;
    }
    return false;
}

bool CEudcEditManipulater::Paste(WindowId mainWindow, const DotPlane& glyph) {
    // The clipboard may be held for a moment by another program; without the glyph on it the editor
    // would save whatever its grid holds, so a clipboard that stays closed ends the save as a failure.
    const bool placed = PollForWindow([&] {
                            return m_desktop.PutBitmapOnClipboard(mainWindow, glyph) ? WindowId{1} : 0;
                        }) != 0;
    if (!placed) return false;
    // Sent, not posted: a sent save command is handled before posted messages still waiting in the editor's
    // queue, so a posted paste could come after the save.
    if (!m_desktop.SendCommand(mainWindow, kEditorCmdPaste, kPasteTimeoutMs)) {
        g_log.Write(L"Paste not answered (Code=%s)\n", m_strCode.c_str());
        return false;
    }
    return true;
}

void CEudcEditManipulater::RunSaveLoop(WindowId mainWindow) {
    const int code = ParseCodeText(m_strCode);
    const int timeout = ReadSaveTimeout(m_settings);
    for (int budget = kSaveRetryBudget;;) {
        if (!m_desktop.IsWindow(mainWindow)) {
            m_bSaved = FALSE;
            return;
        }
        WaitEditorIdle();
        const bool answered = m_desktop.SendCommand(mainWindow, kEditorCmdSave, timeout);
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
    for (int i = 0; i < kStopWaits; ++i) {
        if (g_nSaveWatchState.load() == kWatchEnded) return;
        m_desktop.Sleep(kWatcherCycleMs);
    }
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

    // The start-up dialog has the same title as the code dialog: it must be gone before the code dialog is
    // looked for, or the keys and the click would go to a dialog that is closing.
    if (PollForWindow([&] { return m_desktop.IsWindowShown(m_hStartupDialog) ? WindowId{0} : WindowId{1}; },
                      kClosePollRetries) == 0) {
        g_log.WriteId(kMsgCodeDialogNotSeen);
        return;
    }
    Mark(L"start-up dialog gone");
    m_desktop.PostCommand(mainWindow, kEditorCmdSelectCode, 0);
    const WindowId codeDialog = PollForWindow(
        [&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCodeDialogTitle, m_hStartupDialog); });
    if (codeDialog == 0) {
        g_log.WriteId(kMsgCodeDialogNotSeen);
        return;
    }
    Mark(L"code dialog");
    if (!ChooseCode(codeDialog)) return;
    Mark(L"code input sent");
    if (!WaitDialogClosed(codeDialog, mainWindow)) {
        g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    Mark(L"code dialog closed");
    if (!VerifyCode()) {
        g_log.Write(L"Code not shown (Code=%s)\n", m_strCode.c_str());
        return;
    }
    Mark(L"code verified");

    m_desktop.PostCommand(mainWindow, kEditorCmdCopyChar, 0);
    const WindowId copyDialog =
        PollForWindow([&] { return m_desktop.FindEditorDialog(m_pi.dwProcessId, kCopyDialogTitle, 0); });
    if (copyDialog == 0) {
        g_log.WriteId(kMsgCopyDialogNotSeen);
        return;
    }
    m_desktop.PostCommand(copyDialog, kIdOk, 0);
    if (!WaitDialogClosed(copyDialog, mainWindow)) {
        g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    Mark(L"copy dialog closed");
    if (!Paste(mainWindow, glyph)) {
        g_log.Write(L"Clipboard not available or paste not answered (Code=%s)\n", m_strCode.c_str());
        return;
    }
    Mark(L"pasted");

    g_nSaveWatchState.store(kWatchWatching);
    m_pWatcher = m_desktop.StartRetryWatcher(&g_nSaveWatchState, WatcherTarget{m_pi.dwProcessId, mainWindow});
    if (m_pWatcher == 0) {
        // Without the watcher an error window would hold the save command until its timeout.
        g_log.Write(L"Watcher not started (Code=%s)\n", m_strCode.c_str());
        return;
    }
    WaitEditorIdle();
    m_desktop.Sleep(kWatcherCycleMs);
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
    if (m_desktop.IsWindow(mainWindow)) m_desktop.PostCommand(mainWindow, kEditorCmdExit, 0);
    if (m_desktop.WaitForProcessExit(m_pi.hProcess, kExitWaitMs)) {
        Mark(L"editor ended");
    } else {
        // Left as it is: a later save finds it running and asks the user to close it.
        g_log.Write(L"Editor still running after its close command (Code=%s)\n", m_strCode.c_str());
        Mark(L"editor still running");
    }
}

bool CEudcEditManipulater::ProveSaved(const DotPlane& glyph) {
    if (m_files.bitmapFile.empty()) {
        Mark(L"read-back impossible: no bitmap file");
        return false;
    }
    const int code = ParseCodeText(m_strCode);
    ReadBack result = ReadBackGlyph(m_files.bitmapFile, code, glyph);
    for (int retry = 0; result == ReadBack::Held && retry < kPollRetries; ++retry) {
        m_desktop.Sleep(kPollPauseMs);
        result = ReadBackGlyph(m_files.bitmapFile, code, glyph);
    }
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
        m_fontProof = ProveFontGlyph(m_files.fontFile, code, glyph, m_fontBefore);
        // The system may hold the font for a moment after the editor let it go.
        for (int retry = 0; m_fontProof.outcome == FontProofOutcome::Held && retry < kPollRetries; ++retry) {
            m_desktop.Sleep(kPollPauseMs);
            m_fontProof = ProveFontGlyph(m_files.fontFile, code, glyph, m_fontBefore);
        }
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
    WindowId mainWindow = 0;
    const BOOL attached = AttachEditor(&mainWindow);
    m_timelineLines = m_timeline->Lines();
    if (!attached) {
        if (m_nAttachMessage == kMsgEditorNotSeen) return SaveResult::EditorNotSeen;
        if (m_nAttachMessage == kMsgCodeDialogNotSeen) return SaveResult::StartupDialogNotSeen;
        return SaveResult::Failed;
    }

    std::wstring format = m_desktop.LoadResourceString(kIdsSavingTitle);
    if (format.empty()) format = kSavingTitleFormat;
    m_desktop.WriteWindowText(mainWindow,
                              FormatSavingTitle(format, m_desktop.ReadWindowText(mainWindow), m_strCode));
    g_log.Write(L"Kanjiforgeで外字保存開始（code=%s）\n", m_strCode.c_str());

    SteerEditor(mainWindow, glyph);

    // End: the editor is closed on every way out once it was attached, and a save counts only when the
    // bitmap file, read after the editor let it go, holds the glyph.
    CloseEditor(mainWindow);
    if (m_bSaved && !ProveSaved(glyph)) m_bSaved = FALSE;
    const bool fontShown = !m_bSaved || ProveFont(glyph);
    if (!fontShown) m_bSaved = FALSE;
    Mark(m_bSaved ? L"saved" : L"not saved");
    m_timelineLines = m_timeline->Lines();
    if (!fontShown) return SaveResult::FontNotProved;
    return m_bSaved ? SaveResult::Saved : SaveResult::Failed;
}
