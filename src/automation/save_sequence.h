// The program never writes the EUDC font itself: a character is saved by starting the system
// character editor, steering it through its own windows to the character's code, pasting the glyph
// into it and making it save. This is every decision of that steering -- which settings and ini
// entries to write, what to wait for and how long, which keys and click to send, when to retry, how
// to end the editor -- kept free of Windows so that it can be checked against a scripted desktop. The
// Win32 side only carries out the desktop operations one by one. Every wait ends on what it waits for
// (a window event, a process handle, a reply), on its bound, or on the user's Cancel.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/kf_types.h"
#include "base/profile_store.h"
#include "automation/font_proof.h"
#include "automation/save_cancel.h"
#include "automation/save_checks.h"
#include "editor/dot_plane.h"

// A window handle as an opaque value; 0 is no window.
using WindowId = std::uintptr_t;

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// The editor process as CreateProcess reports it; the handles are opaque values.
struct EditorProcess {
    std::uintptr_t hProcess = 0;
    std::uintptr_t hThread = 0;
    std::uint32_t dwProcessId = 0;
    std::uint32_t dwThreadId = 0;
};

// SPI_GETMOUSE's two thresholds and acceleration, and SPI_GETMOUSESPEED.
struct MouseSettings {
    int threshold1 = 0;
    int threshold2 = 0;
    int acceleration = 0;
    int speed = 0;
    bool operator==(const MouseSettings&) const = default;
};

struct ChildWindow {
    WindowId window = 0;
    std::wstring className;
};

// What the retry watcher may touch: windows of the started editor's process other than its main window.
struct WatcherTarget {
    std::uint32_t processId = 0;
    WindowId mainWindow = 0;
};

// One event of the input stream sent to the code dialog: a key press or release, or a mouse event at an
// absolute position (normalized 0..65535 over the whole virtual desktop, every monitor, as SendInput takes it
// with MOUSEEVENTF_VIRTUALDESK).
struct InputEvent {
    bool key = true;
    int virtualKey = 0;
    unsigned flags = 0;
    int x = 0;
    int y = 0;
    bool operator==(const InputEvent&) const = default;
};

// The desktop spanned by every monitor, in physical pixels.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// How a window sees coordinates: the dots per inch it was told it has (96 for a program that does not know
// about scaling, the system's for one aware of the system's only, its monitor's for one aware of every
// monitor) and the dots per inch of the monitor it is on. A point of its own client area lies
// monitorDpi / windowDpi times as far from the origin in physical pixels.
enum class DpiAwareness { Unknown, Unaware, System, PerMonitor };
struct WindowDpi {
    DpiAwareness awareness = DpiAwareness::Unknown;
    int windowDpi = 96;
    int monitorDpi = 96;
};
// The physical offset of a client point of a window that sees coordinates as `dpi` says.
ScreenPoint PhysicalClientOffset(ScreenPoint logical, const WindowDpi& dpi);

// The operations on the desktop that the save needs, one Windows service each. The save runs them from its
// own thread, never the window's. Besides that thread, the retry watcher calls FindErrorWindow,
// WriteWindowText, Pause and PostCommand from its own thread, so those must be safe to call concurrently.
// Member names avoid the Windows macros (GetWindowText, LoadString, windowsx.h's GetWindowStyle) so that an
// implementation may include <windows.h>. Every call that reaches into the editor's windows gives up after a
// bounded time when the editor does not answer; every wait ends at once when the save is cancelled.
class IEditorDesktop {
  public:
    virtual ~IEditorDesktop() = default;

    // Finding windows.
    // Any running system character editor, also one whose main window lost its minimise box.
    virtual WindowId FindCharEditorWindow() = 0;
    // The main window (minimise box and border) of the editor process `processId`, or 0.
    virtual WindowId FindEditorMainWindow(std::uint32_t processId) = 0;
    // A visible top-level window of `processId` whose text equals `title`, other than `except`.
    virtual WindowId FindEditorDialog(std::uint32_t processId, const std::wstring& title,
                                      WindowId except) = 0;
    // A visible top-level window of the target's process other than its main window, owned or not, dialog or
    // not, whose text contains `mark`; gives up with 0 once *stopFlag is non-zero.
    virtual WindowId FindErrorWindow(const WatcherTarget& target, const std::wstring& mark,
                                     const std::atomic<int>* stopFlag) = 0;
    virtual bool IsWindow(WindowId window) = 0;
    // The window exists and is visible.
    virtual bool IsWindowShown(WindowId window) = 0;
    virtual std::vector<ChildWindow> EnumChildWindows(WindowId parent) = 0;
    virtual WindowId GetParent(WindowId window) = 0;
    virtual int GetDlgCtrlID(WindowId window) = 0;
    virtual WindowId GetForegroundWindow() = 0;

    // Waiting.
    // From now on the windows of `processId` appearing, showing, hiding, taking the focus or going wake the
    // waits of the calling thread (WaitUntil, and Pause with wakeOnWindows).
    virtual void WatchProcessWindows(std::uint32_t processId) = 0;
    // Checks `ready` at once, then again whenever a watched window changes and at least every short while,
    // until it holds (true), `timeoutMs` passed or the save was cancelled (false).
    virtual bool WaitUntil(const std::function<bool()>& ready, int timeoutMs) = 0;
    // Pauses the calling thread `milliseconds`; it ends early when the save is cancelled, on the watcher's
    // thread when the watcher is asked to stop, and with `wakeOnWindows` when a watched window changes.
    virtual void Pause(int milliseconds, bool wakeOnWindows) = 0;

    // Acting on windows.
    virtual std::wstring ReadWindowText(WindowId window) = 0;
    // The text a control of the editor answers to WM_GETTEXT (an edit field keeps its own), at most 100
    // characters; "" when it does not answer within a short bound.
    virtual std::wstring ReadControlText(WindowId control) = 0;
    virtual void WriteWindowText(WindowId window, const std::wstring& text) = 0;
    // PostMessage of WM_COMMAND.
    virtual void PostCommand(WindowId window, std::uintptr_t wParam, WindowId lParam) = 0;
    // WM_COMMAND sent and waited for at most `timeoutMs`; false when the window did not finish it in time
    // (or is hung, or went away), or the save was cancelled meanwhile.
    virtual bool SendCommand(WindowId window, std::uintptr_t wParam, int timeoutMs) = 0;
    // CB_SELECTSTRING from index 0: the selected index, or -1 (CB_ERR).
    virtual int SelectComboString(WindowId combo, const std::wstring& text) = 0;
    // Bounded: an editor that does not answer is given up on.
    virtual void EnableWindow(WindowId window, bool enable) = 0;
    virtual void SetForegroundWindow(WindowId window) = 0;
    virtual void SetFocus(WindowId window) = 0;
    virtual std::uint32_t ReadWindowStyle(WindowId window) = 0;
    // Bounded as EnableWindow.
    virtual void WriteWindowStyle(WindowId window, std::uint32_t style) = 0;
    virtual bool HasMenu(WindowId window) = 0;
    // The menu bar item at `position` becomes an empty, disabled and grayed item with command id 0.
    virtual void BlankMenuItem(WindowId window, int position) = 0;
    // The texts of every part of another process's status bar, in part order (at most 100 characters each).
    virtual std::vector<std::wstring> ReadStatusBarParts(WindowId statusBar) = 0;

    // Input.
    virtual MouseSettings GetMouseSettings() = 0;
    // Applied for the session only (SPIF_SENDCHANGE), never stored in the user profile.
    virtual void SetMouseSettings(const MouseSettings& settings) = 0;
    // The virtual desktop of every monitor.
    virtual ScreenRect GetVirtualScreen() = 0;
    // Physical screen coordinates of a physical client point (the caller is aware of every monitor's scale).
    virtual ScreenPoint ClientToScreen(WindowId window, ScreenPoint client) = 0;
    virtual WindowDpi GetWindowDpi(WindowId window) = 0;
    // The events in one stream (one SendInput call), so that nothing can come between them -- sent only when
    // `window` is the foreground window at that moment (false, nothing sent, otherwise).
    virtual bool SendInputsTo(WindowId window, const std::vector<InputEvent>& events) = 0;

    // Clipboard: false when it cannot be opened with `owner`; otherwise it is emptied and holds an N by N
    // monochrome bitmap of the plane, owned by the clipboard.
    virtual bool PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) = 0;

    // Files, processes, threads and time.
    // A whole file read letting other programs read, write, replace or delete it meanwhile; nothing when it
    // cannot be opened or read.
    virtual std::optional<std::vector<std::uint8_t>> ReadSharedFile(const std::filesystem::path& file) = 0;
    virtual bool WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                               const std::wstring& value) = 0;
    // Windows' major and minor version.
    virtual std::pair<int, int> GetOsVersion() = 0;
    // CreateProcess of the command line shown normally; the handles stay open.
    virtual bool CreateEditorProcess(const std::wstring& commandLine, EditorProcess& started) = 0;
    virtual void CloseEditorProcessHandles(const EditorProcess& process) = 0;
    // WaitForInputIdle's result: 0 when the process is idle.
    virtual std::uint32_t WaitForInputIdle(std::uintptr_t process, int milliseconds) = 0;
    // True when the process ended within `milliseconds` (not cut short by a cancel: the end of a save waits).
    virtual bool WaitForProcessExit(std::uintptr_t process, int milliseconds) = 0;
    // Ends the process at once (TerminateProcess).
    virtual void TerminateEditorProcess(std::uintptr_t process) = 0;
    // Starts a worker thread of the highest priority that runs RetryWatcherProc(*this, state, target) at
    // once, watching the target's windows. An opaque non-zero id, or 0 when no thread could be started.
    virtual std::uintptr_t StartRetryWatcher(std::atomic<int>* state, const WatcherTarget& target) = 0;
    // Wakes the watcher's pause (the state word already asks it to stop) and waits up to `timeoutMs` for
    // its thread to end; true when it ended.
    virtual bool StopRetryWatcher(std::uintptr_t watcher, int timeoutMs) = 0;
    // A monotonic clock in milliseconds.
    virtual std::int64_t NowMs() = 0;
    virtual LocalTime GetLocalTime() = 0;
    // A string resource of the program, "" when it has none.
    virtual std::wstring LoadResourceString(unsigned id) = 0;
};

// The editor's command numbers and the dialog answers sent to it.
inline constexpr unsigned kEditorCmdSetup = 32771;
inline constexpr unsigned kEditorCmdSelectCode = 32776;
inline constexpr unsigned kEditorCmdPaste = 32779;
inline constexpr unsigned kEditorCmdSave = 32781;
inline constexpr unsigned kEditorCmdCopyChar = 32797;
inline constexpr unsigned kEditorCmdExit = 57665;
inline constexpr unsigned kIdOk = 1;
inline constexpr unsigned kIdCancel = 2;
inline constexpr unsigned kCbnSelChange = 1;

inline constexpr int kVkPageDown = 0x22;
inline constexpr int kVkRight = 0x27;
inline constexpr int kVkDown = 0x28;
inline constexpr int kVkReturn = 0x0D;
inline constexpr unsigned kKeyEventKeyUp = 0x0002;
inline constexpr unsigned kMouseEventMove = 0x0001;
inline constexpr unsigned kMouseEventLeftDown = 0x0002;
inline constexpr unsigned kMouseEventLeftUp = 0x0004;
inline constexpr unsigned kMouseEventVirtualDesk = 0x4000;
inline constexpr unsigned kMouseEventAbsolute = 0x8000;

inline constexpr wchar_t kCodeDialogTitle[] = L"コードの選択";
inline constexpr wchar_t kCopyDialogTitle[] = L"文字のコピー";
inline constexpr wchar_t kErrorWindowMark[] = L"Kanjiforge";
inline constexpr wchar_t kRetryTitle[] = L"ﾘﾄﾗｲ中!!!";
// The client point of the first visible cell of the editor's code grid.
inline constexpr ScreenPoint kFirstGridCell{68, 43};

// String ids: the title shown on the editor while it is steered, and the messages of a failed save.
inline constexpr unsigned kIdsSavingTitle = 1000;
inline constexpr unsigned kMsgEditorStart = 2004;
inline constexpr unsigned kMsgEditorNotSeen = 2006;
inline constexpr unsigned kMsgCodeDialogNotSeen = 2014;
inline constexpr unsigned kMsgCopyDialogNotSeen = 2015;
inline constexpr unsigned kMsgEditorNotForeground = 2016;
inline constexpr unsigned kMsgSaveFailed = 2027;
// The EUDC files could not be backed up before the save (formatted with the file's path and the backup
// folder).
inline constexpr unsigned kMsgBackupFailed = 2028;
// Used when the program's resources do not carry the saving title.
inline constexpr wchar_t kSavingTitleFormat[] = L"%s [  '%s' 保存中：PC操作をしないで下さい ]";

// Watcher state word: 0 watching, 1 an error window was dismissed, 8 stop requested, 9 watcher ended.
inline constexpr int kWatchWatching = 0;
inline constexpr int kWatchRetry = 1;
inline constexpr int kWatchStop = 8;
inline constexpr int kWatchEnded = 9;

extern std::atomic<int> g_nSaveWatchState;
// Milliseconds the watcher leaves an error window on screen before dismissing it.
extern std::atomic<int> g_nErrWaitMSec;

// Page Down presses, Down presses and Right presses that bring the editor's code grid to a code.
struct CodeGridMoves {
    int pages = 0;
    int rows = 0;
    int columns = 0;
    bool operator==(const CodeGridMoves&) const = default;
};
CodeGridMoves CodeGridMovesFor(int code);

// "%s" replaced by the editor's title, then by the code; "%%" is a percent sign.
std::wstring FormatSavingTitle(const std::wstring& format, const std::wstring& title,
                               const std::wstring& code);

// One cycle of the watcher: the thread's result when it ends, otherwise nothing.
std::optional<unsigned> RetryWatcherCycle(IEditorDesktop& desktop, std::atomic<int>& state,
                                          const WatcherTarget& target);
// The watcher thread's body: a cycle at once, then one whenever a window of the editor changes (at least
// every 200 ms) until a stop request; 1 at once for a null state.
unsigned RetryWatcherProc(IEditorDesktop& desktop, std::atomic<int>* state, const WatcherTarget& target);

// Normalized absolute mouse coordinate (0..65535) of pixel `pixel` on an axis that starts at `origin` and is
// `extent` pixels long.
int NormalizedMouseCoordinate(int pixel, int origin, int extent);

// The settings key of the save command's timeout and its default.
inline constexpr wchar_t kSaveTimeoutKey[] = L"EudcSaveTimeoutMSec";
inline constexpr int kDefaultSaveTimeoutMs = 60000;
// Reads the save command's timeout; a missing, zero or negative value becomes the default, written back.
int ReadSaveTimeout(IProfileStore& settings);
// The settings key of the longest wait for a window of the editor to appear (or to show the code), and its
// default: generous, for a slow or busy PC; the wait ends as soon as the window is there.
inline constexpr wchar_t kWindowWaitKey[] = L"EudcWindowWaitMSec";
inline constexpr int kDefaultWindowWaitMs = 10000;
// Reads it; a missing, zero or negative value becomes the default, written back.
int ReadWindowWait(IProfileStore& settings);

enum class SaveResult {
    Saved,
    EditorNotSeen,         // no editor main window appeared
    StartupDialogNotSeen,  // the editor's start-up code dialog never appeared
    Failed,                // any later step
    FontNotProved,         // the bitmap file holds the glyph, the font does not show it (FontProof strict)
    Cancelled,             // the user cancelled the save; nothing is reported as saved
};

// Why PrepareAndLaunch returned FALSE.
enum class LaunchProblem {
    None,
    EditorRunning,  // a system character editor runs already, or this object started one
    BadCode,        // not a private-use code
    BackupFailed,   // the EUDC files could not be backed up; nothing was changed
    ProcessNotStarted,
    Cancelled,  // the user cancelled before the editor started
};

// What a save is doing, for the window that shows its progress.
enum class SaveStep {
    WaitingForOtherSave,  // another editor's save holds the lock
    BackingUp,
    StartingEditor,
    ChoosingCode,
    Pasting,
    Saving,
    ClosingEditor,
    Checking,  // the files are read back
};

// The files a save may change, and where their backups go. Without a bitmap file a save cannot be proved
// and so never counts as done.
struct SaveFiles {
    std::filesystem::path bitmapFile;  // the EUDC bitmap file (.EUF) the editor writes the character into
    std::filesystem::path fontFile;    // the EUDC font (.TTE)
    std::filesystem::path backupFolder;
};

// The message ids the document shows, in order.
std::vector<unsigned> MessagesAfterLaunchFailure();
std::vector<unsigned> MessagesAfterSave(SaveResult result);

// Carries out one save through the system character editor; the steered writer (save_request.h) creates it,
// calls PrepareAndLaunch and, when that succeeded, SaveCharacter, then reads the result. It runs on the
// save's own thread; `cancel` (when given) is the user's Cancel.
class CEudcEditManipulater {
  public:
    // `glyphSize` is N, the size of the glyphs of the EUDC bitmap file.
    CEudcEditManipulater(IEditorDesktop& desktop, IProfileStore& settings, int glyphSize,
                         SaveFiles files = {}, const SaveCancel* cancel = nullptr);
    virtual ~CEudcEditManipulater();
    CEudcEditManipulater(const CEudcEditManipulater&) = delete;
    CEudcEditManipulater& operator=(const CEudcEditManipulater&) = delete;

    // Where the steps are reported as they begin.
    void SetProgressSink(std::function<void(SaveStep)> sink) { m_progress = std::move(sink); }

    // Prepares the editor's ini file and starts the editor for `code` (four hexadecimal digits of a
    // private-use code). FALSE when an editor runs already, this object started one before, the code is
    // not a private-use code, the files could not be backed up, the save was cancelled or the process could
    // not be created.
    BOOL PrepareAndLaunch(const std::wstring& code);
    // Steers the started editor to save `glyph` under the code, and ends it on every way out (closed, or
    // ended when it does not close). Also sets m_bSaved, which holds only when the bitmap file, read back
    // after the editor let it go, holds exactly `glyph`.
    SaveResult SaveCharacter(const DotPlane& glyph);
    LaunchProblem GetLaunchProblem() const { return m_launchProblem; }
    // The file that could not be backed up, after LaunchProblem::BackupFailed.
    const std::wstring& GetBackupProblem() const { return m_strBackupProblem; }
    // The steps of the last SaveCharacter with their times.
    const std::vector<std::wstring>& GetTimeline() const { return m_timelineLines; }
    // The font's proof of the last SaveCharacter, and the message to show about it: the reason the save
    // failed (SaveResult::FontNotProved) or, with "FontProof" set to warn, the warning of a save that
    // completed without it. Empty when the font was proved or not checked.
    const FontProof& GetFontProof() const { return m_fontProof; }
    const std::wstring& GetFontMessage() const { return m_strFontMessage; }

    // Steps of SaveCharacter: waits for the editor's main window (stored in *mainWindow) and dismisses
    // its start-up dialog; and waits up to five seconds for the editor to be idle.
    BOOL AttachEditor(WindowId* mainWindow);
    BOOL WaitEditorIdle();

    BOOL m_bLaunched = FALSE;
    EditorProcess m_pi;
    std::wstring m_strCode;
    BOOL m_bSaved = FALSE;
    std::uintptr_t m_pWatcher = 0;

  private:
    bool Cancelled() const { return m_cancel != nullptr && m_cancel->Requested(); }
    // Waits until `find` gives a window (0: none yet); the window, or 0 after `timeoutMs` or a cancel.
    template <class Find>
    WindowId WaitForWindow(Find find, int timeoutMs);
    // Waits, on the closing bound, until a dialog told to close has gone and the main window is in front.
    bool WaitDialogClosed(WindowId dialog, WindowId mainWindow);
    // Whether a control of the dialog (its code field) shows the code being saved.
    bool DialogShowsCode(WindowId dialog);
    // After the code input: waits for the code dialog to close, confirming it with OK when it stays open but
    // shows that the input was handled; false when it did neither in time.
    bool ConfirmCodeDialog(WindowId dialog, WindowId mainWindow);
    void SetUpChildren(WindowId mainWindow);
    bool ChooseCode(WindowId dialog);
    bool VerifyCode();
    bool Paste(WindowId mainWindow, const DotPlane& glyph);
    // Everything after the attachment; a step that fails returns at once.
    void SteerEditor(WindowId mainWindow, const DotPlane& glyph);
    void RunSaveLoop(WindowId mainWindow);
    void StopWatcher();
    // Closes the editor, or ends it when it does not close in time (at once after a cancel).
    void CloseEditor(WindowId mainWindow);
    bool ProveSaved(const DotPlane& glyph);
    // False only when the font does not show the glyph and "FontProof" is strict.
    bool ProveFont(const DotPlane& glyph);
    std::wstring LoadText(unsigned id);
    void Mark(std::wstring_view step);
    void Report(SaveStep step) {
        if (m_progress) m_progress(step);
    }

    IEditorDesktop& m_desktop;
    IProfileStore& m_settings;
    int m_nGlyphSize;
    SaveFiles m_files;
    const SaveCancel* m_cancel;
    std::function<void(SaveStep)> m_progress;
    int m_nWindowWaitMs = kDefaultWindowWaitMs;
    WindowId m_hStatusBar = 0;
    WindowId m_hStartupDialog = 0;
    bool m_bCodeShownBeforeInput = false;
    unsigned m_nAttachMessage = 0;
    LaunchProblem m_launchProblem = LaunchProblem::None;
    std::wstring m_strBackupProblem;
    std::optional<SaveTimeline> m_timeline;
    std::vector<std::wstring> m_timelineLines;
    FontGlyphSnapshot m_fontBefore;
    FontProof m_fontProof;
    std::wstring m_strFontMessage;
};
