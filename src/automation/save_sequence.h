// The program never writes the EUDC font itself: a character is saved by starting the system
// character editor, steering it through its own windows to the character's code, pasting the glyph
// into it and making it save. This is every decision of that steering -- which settings and ini
// entries to write, what to wait for and how long, which keys and click to send, when to retry --
// kept free of Windows so that it can be checked against a scripted desktop. The Win32 side only
// carries out the desktop operations one by one.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/kf_types.h"
#include "base/profile_store.h"
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

// The operations on the desktop that the save needs, one Windows service each. Besides the user-interface
// thread, the retry watcher calls FindTopLevelWindowContaining, WriteWindowText, Sleep and PostCommand from
// its own thread, so those must be safe to call concurrently. The desktop must outlive every watcher it
// started. Member names avoid the Windows macros (GetWindowText, LoadString, windowsx.h's GetWindowStyle) so
// that an implementation may include <windows.h>.
class IEditorDesktop {
  public:
    virtual ~IEditorDesktop() = default;

    // Finding windows.
    virtual WindowId FindCharEditorWindow() = 0;
    // A visible top-level window whose text equals `title` (`partial` 0) or contains it.
    virtual WindowId FindWindowByTitle(const std::wstring& title, int partial) = 0;
    // A visible top-level window whose text contains `text`; gives up with 0 once *stopFlag is non-zero.
    virtual WindowId FindTopLevelWindowContaining(const std::wstring& text,
                                                  const std::atomic<int>* stopFlag) = 0;
    virtual bool IsWindow(WindowId window) = 0;
    virtual std::vector<ChildWindow> EnumChildWindows(WindowId parent) = 0;
    virtual WindowId GetParent(WindowId window) = 0;
    virtual int GetDlgCtrlID(WindowId window) = 0;
    virtual WindowId GetForegroundWindow() = 0;

    // Acting on windows.
    virtual std::wstring ReadWindowText(WindowId window) = 0;
    virtual void WriteWindowText(WindowId window, const std::wstring& text) = 0;
    // PostMessage / SendMessage of WM_COMMAND.
    virtual void PostCommand(WindowId window, std::uintptr_t wParam, WindowId lParam) = 0;
    virtual void SendCommand(WindowId window, std::uintptr_t wParam) = 0;
    // CB_SELECTSTRING from index 0: the selected index, or -1 (CB_ERR).
    virtual int SelectComboString(WindowId combo, const std::wstring& text) = 0;
    virtual void EnableWindow(WindowId window, bool enable) = 0;
    virtual void SetForegroundWindow(WindowId window) = 0;
    virtual void SetFocus(WindowId window) = 0;
    virtual std::uint32_t ReadWindowStyle(WindowId window) = 0;
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
    virtual ScreenPoint GetCursorPos() = 0;
    virtual ScreenPoint ClientToScreen(WindowId window, ScreenPoint client) = 0;
    virtual void SendKeyInput(int virtualKey, unsigned flags) = 0;
    virtual void SendMouseInput(unsigned flags, int dx, int dy, unsigned data) = 0;

    // Clipboard: false when it cannot be opened with `owner`; otherwise it is emptied and holds an N by N
    // monochrome bitmap of the plane, owned by the clipboard.
    virtual bool PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) = 0;

    // Files, processes, threads and time.
    virtual bool WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                               const std::wstring& value) = 0;
    // Windows' major and minor version.
    virtual std::pair<int, int> GetOsVersion() = 0;
    // CreateProcess of the command line shown normally; the handles stay open.
    virtual bool CreateEditorProcess(const std::wstring& commandLine, EditorProcess& started) = 0;
    virtual void CloseEditorProcessHandles(const EditorProcess& process) = 0;
    // WaitForInputIdle's result: 0 when the process is idle.
    virtual std::uint32_t WaitForInputIdle(std::uintptr_t process, int milliseconds) = 0;
    // Starts a worker thread of the highest priority that runs RetryWatcherProc(*this, state) at once.
    // An opaque non-zero id, or 0 when no thread could be started.
    virtual std::uintptr_t StartRetryWatcher(std::atomic<int>* state) = 0;
    virtual void Sleep(int milliseconds) = 0;
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
inline constexpr unsigned kKeyEventKeyUp = 0x0002;
inline constexpr unsigned kMouseEventMove = 0x0001;
inline constexpr unsigned kMouseEventLeftDown = 0x0002;
inline constexpr unsigned kMouseEventLeftUp = 0x0004;

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

// One cycle of the watcher after its pause: the thread's result when it ends, otherwise nothing.
std::optional<unsigned> RetryWatcherCycle(IEditorDesktop& desktop, std::atomic<int>& state);
// The watcher thread's body: a cycle every 200 ms until a stop request; 1 at once for a null state.
unsigned RetryWatcherProc(IEditorDesktop& desktop, std::atomic<int>* state);

enum class SaveResult {
    Saved,
    EditorNotSeen,         // no editor main window appeared
    StartupDialogNotSeen,  // the editor's start-up code dialog never appeared
    Failed,                // any later step
};

// The message ids the document shows, in order.
std::vector<unsigned> MessagesAfterLaunchFailure();
std::vector<unsigned> MessagesAfterSave(SaveResult result);

// Carries out one save; the document creates it, calls PrepareAndLaunch and, when that succeeded,
// SaveCharacter, then reads the result.
class CEudcEditManipulater {
  public:
    // `glyphSize` is N, the size of the glyphs of the EUDC bitmap file.
    CEudcEditManipulater(IEditorDesktop& desktop, IProfileStore& settings, int glyphSize);
    virtual ~CEudcEditManipulater();
    CEudcEditManipulater(const CEudcEditManipulater&) = delete;
    CEudcEditManipulater& operator=(const CEudcEditManipulater&) = delete;

    // Prepares the editor's ini file and starts the editor for `code` (four hexadecimal digits of a
    // private-use code). FALSE when an editor runs already, this object started one before, the code is
    // not a private-use code, or the process could not be created.
    BOOL PrepareAndLaunch(const std::wstring& code);
    // Steers the started editor to save `glyph` under the code. Also sets m_bSaved.
    SaveResult SaveCharacter(const DotPlane& glyph);

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
    template <class Find>
    WindowId PollForWindow(Find find);
    bool PollForeground(WindowId window);
    void SetUpChildren(WindowId mainWindow);
    void ChooseCode(WindowId dialog);
    void PressKey(int virtualKey);
    bool VerifyCode();
    bool Paste(WindowId mainWindow, const DotPlane& glyph);
    // Everything after the attachment; a step that fails returns at once.
    void SteerEditor(WindowId mainWindow, const DotPlane& glyph);
    void RunSaveLoop(WindowId mainWindow);
    void StopWatcher();

    IEditorDesktop& m_desktop;
    IProfileStore& m_settings;
    int m_nGlyphSize;
    WindowId m_hStatusBar = 0;
    unsigned m_nAttachMessage = 0;
};
