#include "automation/save_sequence.h"

#include "base/diag_log.h"
#include "glyphstore/char_code.h"

std::atomic<int> g_nSaveWatchState{0};
std::atomic<int> g_nErrWaitMSec{0};

namespace {

constexpr int kPollRetries = 50;
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

std::optional<unsigned> RetryWatcherCycle(IEditorDesktop& desktop, std::atomic<int>& state) {
    switch (state.load()) {
        case kWatchWatching: {
            const WindowId window = desktop.FindTopLevelWindowContaining(kErrorWindowMark, &state);
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

unsigned RetryWatcherProc(IEditorDesktop& desktop, std::atomic<int>* state) {
    if (state == nullptr) return 1;
    for (;;) {
        desktop.Sleep(kWatcherCycleMs);
        if (const std::optional<unsigned> result = RetryWatcherCycle(desktop, *state)) return *result;
    }
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
        case SaveResult::Failed:
            break;
    }
    return {kMsgSaveFailed};
}

CEudcEditManipulater::CEudcEditManipulater(IEditorDesktop& desktop, IProfileStore& settings, int glyphSize)
    : m_desktop(desktop), m_settings(settings), m_nGlyphSize(glyphSize) {}

CEudcEditManipulater::~CEudcEditManipulater() {
    if (m_pi.hProcess != 0 || m_pi.hThread != 0) m_desktop.CloseEditorProcessHandles(m_pi);
}

template <class Find>
WindowId CEudcEditManipulater::PollForWindow(Find find) {
    WindowId window = find();
    for (int retry = 0; window == 0 && retry < kPollRetries; ++retry) {
        m_desktop.Sleep(kPollPauseMs);
        window = find();
    }
    return window;
}

bool CEudcEditManipulater::PollForeground(WindowId window) {
    return PollForWindow([&] { return m_desktop.GetForegroundWindow() == window ? window : WindowId{0}; }) !=
           0;
}

BOOL CEudcEditManipulater::PrepareAndLaunch(const std::wstring& code) {
    if (m_pi.hProcess != 0) return FALSE;
    if (m_desktop.FindCharEditorWindow() != 0) return FALSE;
    // Steering the editor to a code outside its grid could only end on the wrong character.
    if (!IsUnicodeEudcCode(ParseCodeText(code))) return FALSE;
    m_strCode = code;

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
    m_bLaunched = m_desktop.CreateEditorProcess(editorPath, started) ? TRUE : FALSE;
    if (m_bLaunched) m_pi = started;
    return m_bLaunched;
}

BOOL CEudcEditManipulater::AttachEditor(WindowId* mainWindow) {
    if (mainWindow == nullptr || !m_bLaunched) return FALSE;
    const WindowId editor = PollForWindow([&] { return m_desktop.FindCharEditorWindow(); });
    if (editor == 0) {
        g_log.WriteId(kMsgEditorNotSeen);
        m_nAttachMessage = kMsgEditorNotSeen;
        return FALSE;
    }
    *mainWindow = editor;
    const WindowId dialog = PollForWindow([&] { return m_desktop.FindWindowByTitle(kCodeDialogTitle, 0); });
    if (dialog == 0) {
        g_log.WriteId(kMsgCodeDialogNotSeen);
        m_nAttachMessage = kMsgCodeDialogNotSeen;
        return FALSE;
    }
    m_desktop.PostCommand(dialog, kIdCancel, 0);
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

void CEudcEditManipulater::PressKey(int virtualKey) {
    m_desktop.SendKeyInput(virtualKey, 0);
    m_desktop.SendKeyInput(virtualKey, kKeyEventKeyUp);
}

void CEudcEditManipulater::ChooseCode(WindowId dialog) {
    MouseSettingsGuard mouse(m_desktop);
    const CodeGridMoves moves = CodeGridMovesFor(ParseCodeText(m_strCode));
    m_desktop.SetForegroundWindow(dialog);
    m_desktop.SetFocus(dialog);
    m_desktop.Sleep(kFocusPauseMs);
    for (int i = 0; i < moves.pages; ++i) PressKey(kVkPageDown);

    const ScreenPoint target = m_desktop.ClientToScreen(dialog, kFirstGridCell);
    const ScreenPoint current = m_desktop.GetCursorPos();
    m_desktop.SendMouseInput(kMouseEventMove, target.x - current.x, target.y - current.y, 0);
    m_desktop.SendMouseInput(kMouseEventLeftDown, 0, 0, 0);
    m_desktop.SendMouseInput(kMouseEventLeftUp, 0, 0, 0);

    for (int i = 0; i < moves.rows; ++i) PressKey(kVkDown);
    for (int i = 0; i < moves.columns; ++i) PressKey(kVkRight);
}

bool CEudcEditManipulater::VerifyCode() {
    if (m_hStatusBar == 0) return false;
    for (const std::wstring& part : m_desktop.ReadStatusBarParts(m_hStatusBar)) {
        if (part.find(m_strCode) != std::wstring::npos) return true;
    }
    return false;
}

bool CEudcEditManipulater::Paste(WindowId mainWindow, const DotPlane& glyph) {
    // The clipboard may be held for a moment by another program; without the glyph on it the editor
    // would save whatever its grid holds, so a clipboard that stays closed ends the save as a failure.
    const bool placed = PollForWindow([&] {
                            return m_desktop.PutBitmapOnClipboard(mainWindow, glyph) ? WindowId{1} : 0;
                        }) != 0;
    if (placed) m_desktop.PostCommand(mainWindow, kEditorCmdPaste, 0);
    return placed;
}

void CEudcEditManipulater::RunSaveLoop(WindowId mainWindow) {
    const int code = ParseCodeText(m_strCode);
    for (int budget = kSaveRetryBudget;;) {
        if (!m_desktop.IsWindow(mainWindow)) {
            m_bSaved = FALSE;
            return;
        }
        WaitEditorIdle();
        m_desktop.SendCommand(mainWindow, kEditorCmdSave);
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

    m_desktop.PostCommand(mainWindow, kEditorCmdSelectCode, 0);
    const WindowId codeDialog =
        PollForWindow([&] { return m_desktop.FindWindowByTitle(kCodeDialogTitle, 0); });
    if (codeDialog == 0) {
        g_log.WriteId(kMsgCodeDialogNotSeen);
        return;
    }
    ChooseCode(codeDialog);
    m_desktop.PostCommand(codeDialog, kIdOk, 0);
    if (!PollForeground(mainWindow)) {
        g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    if (!VerifyCode()) return;

    m_desktop.PostCommand(mainWindow, kEditorCmdCopyChar, 0);
    const WindowId copyDialog =
        PollForWindow([&] { return m_desktop.FindWindowByTitle(kCopyDialogTitle, 0); });
    if (copyDialog == 0) {
        g_log.WriteId(kMsgCopyDialogNotSeen);
        return;
    }
    m_desktop.PostCommand(copyDialog, kIdOk, 0);
    if (!PollForeground(mainWindow)) {
        g_log.WriteId(kMsgEditorNotForeground);
        return;
    }
    if (!Paste(mainWindow, glyph)) {
        g_log.Write(L"Clipboard not available (Code=%s)\n", m_strCode.c_str());
        return;
    }

    g_nSaveWatchState.store(kWatchWatching);
    m_pWatcher = m_desktop.StartRetryWatcher(&g_nSaveWatchState);
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

SaveResult CEudcEditManipulater::SaveCharacter(const DotPlane& glyph) {
    m_bSaved = FALSE;
    m_nAttachMessage = 0;
    WindowId mainWindow = 0;
    if (!AttachEditor(&mainWindow)) {
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

    // End: the editor is closed on every way out once it was attached.
    if (m_desktop.IsWindow(mainWindow)) m_desktop.PostCommand(mainWindow, kEditorCmdExit, 0);
    return m_bSaved ? SaveResult::Saved : SaveResult::Failed;
}
