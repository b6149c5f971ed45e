// End-to-end test support: lets a GoogleTest program drive Kanjiforge.exe as a user would, under Wine
// on a headless X server or on Windows. A test builds a private folder, points the registry at its
// fixtures, starts the program, and then reads and answers what appears on screen. Everything here
// waits for conditions with a deadline (a fixed sleep is never the success condition), owns every
// handle it opens, and reports setup failures by throwing HarnessError, which GoogleTest shows as a
// failure of the test that needed the setup.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

using Millis = std::chrono::milliseconds;

// Generous enough for a cold Wine process start on a slow CI machine.
inline constexpr Millis kDefaultTimeout{15000};

// A setup step that could not be done (file not written, process not started, ...); the message
// names the step and the Windows error.
class HarnessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Owns a kernel handle (CloseHandle). Accepts both NULL and INVALID_HANDLE_VALUE as "none".
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release();
    void Reset(HANDLE handle = nullptr);

  private:
    HANDLE handle_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Waiting

// Calls `done` every `poll` until it returns true or `timeout` has passed; returns its last
// answer. While waiting it dispatches the calling thread's messages, so windows the test itself
// owns (stand-ins that receive the program's messages) stay responsive.
bool WaitUntil(const std::function<bool()>& done, Millis timeout = kDefaultTimeout, Millis poll = Millis(20));

// Like WaitUntil, for a probe that finds something: returns the first value the probe yields,
// or nullopt when the deadline passes.
template <typename T>
std::optional<T> WaitFor(const std::function<std::optional<T>()>& probe, Millis timeout = kDefaultTimeout,
                         Millis poll = Millis(20)) {
    std::optional<T> found;
    WaitUntil([&] { return (found = probe()).has_value(); }, timeout, poll);
    return found;
}

// ---------------------------------------------------------------------------------------------
// Paths and text

std::wstring Widen(std::string_view utf8);
// UTF-8. GoogleTest prints a failed comparison of UTF-8 std::strings also "As Text", while it
// shows wide strings as \x escapes only: for readable failures compare Narrow(actual) with a plain
// string literal (the sources are UTF-8), e.g. EXPECT_EQ(Narrow(box.text), "...").
std::string Narrow(std::wstring_view text);

// The running test program's own file and folder (folder without a trailing backslash).
std::wstring ThisExePath();
std::wstring ThisExeFolder();

// A path as the build system wrote it into the test program. Under Wine a Unix path ("/work/...")
// becomes the Windows path of the same file (drive Z: maps the Unix root); a Windows path only
// gets backslashes.
std::wstring WindowsPathFromBuildPath(std::string_view buildPath);
// The setup program that scripts/package made, as KF_SETUP_EXE names it (a Unix or Windows path); empty
// when it is not set.
std::wstring SetupExePath();

// Full path of Kanjiforge.exe in the build tree, or empty when the program target was not part
// of the build.
std::wstring KanjiforgeExePath();

// Quotes one argument so that CommandLineToArgvW (and the C runtime) read it back unchanged.
std::wstring QuoteArgument(std::wstring_view argument);

// ---------------------------------------------------------------------------------------------
// Files

enum class TextEncoding {
    Utf16Bom,  // UTF-16LE with byte order mark, as Windows writes Unicode ini files
    Utf8,      // no byte order mark
    Ansi,      // the process's ANSI code page (932 under the project's Wine prefix)
    ShiftJis,  // code page 932, whatever the ANSI code page is
};

std::vector<uint8_t> EncodeText(std::wstring_view text, TextEncoding encoding);
void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);  // a file, not a folder

// The value of `key` in `section` of an ini file, read with GetPrivateProfileStringW (so UTF-16
// files with a byte order mark and ANSI files both work), or nullopt when the key is absent.
std::optional<std::wstring> ReadIniValue(const std::wstring& iniPath, std::wstring_view section,
                                         std::wstring_view key);

// A private, fresh folder for one test: created empty (leftovers of an earlier run are removed)
// and removed again at destruction. Set KF_E2E_KEEP=1 to keep the folders for inspection.
// Folders live in %KF_E2E_WORKDIR% if set, else in "e2e-work" beside the test program.
class TestFolder {
  public:
    // Named after the running GoogleTest test ("Suite.Name", '/' replaced).
    TestFolder();
    explicit TestFolder(std::wstring_view name);
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    ~TestFolder();

    const std::wstring& Path() const { return path_; }  // no trailing backslash
    std::wstring operator/(std::wstring_view relative) const;

    // Each writes the file (creating missing subfolders) and returns its full path.
    std::wstring WriteBytes(std::wstring_view relative, const std::vector<uint8_t>& bytes) const;
    std::wstring WriteText(std::wstring_view relative, std::wstring_view text,
                           TextEncoding encoding = TextEncoding::Utf16Bom) const;
    std::wstring CopyIn(const std::wstring& source, std::wstring_view relative) const;
    std::wstring CreateSubfolder(std::wstring_view relative) const;

    bool Exists(std::wstring_view relative) const;  // file or folder
    std::vector<uint8_t> ReadBytes(std::wstring_view relative) const;
    std::optional<std::wstring> ReadIni(std::wstring_view relative, std::wstring_view section,
                                        std::wstring_view key) const;

  private:
    std::wstring path_;
};

// ---------------------------------------------------------------------------------------------
// Registry

// Sets or deletes one registry value for the length of a test and puts back what was there
// (value, type, or absence; a key this object created is removed again if it is left empty).
class RegistryValueGuard {
  public:
    RegistryValueGuard(HKEY root, std::wstring subKey, std::wstring valueName);
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
    ~RegistryValueGuard();

    void SetString(std::wstring_view value);         // REG_SZ
    void Delete();                                   // value absent (the key stays)
    std::optional<std::wstring> ReadString() const;  // nullopt when absent or not a string

  private:
    HKEY root_;
    std::wstring subKey_;
    std::wstring valueName_;
    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD oldType_ = 0;
    std::vector<uint8_t> oldData_;
};

// HKEY_CURRENT_USER\EUDC\932 "SystemDefaultEUDCFont": the default EUDC font the program looks up.
inline constexpr wchar_t kEudcKey[] = L"EUDC\\932";
inline constexpr wchar_t kEudcFontValue[] = L"SystemDefaultEUDCFont";
class EudcFontSetting : public RegistryValueGuard {
  public:
    EudcFontSetting() : RegistryValueGuard(HKEY_CURRENT_USER, kEudcKey, kEudcFontValue) {}
};

// ---------------------------------------------------------------------------------------------
// Processes

// A started program. Everything it starts in turn runs in the same job, so that destruction (or
// Kill) ends the whole tree: a test never leaves a program behind for the next one.
class Process {
  public:
    // Starts `exePath` with the argument text `arguments` (already quoted, see QuoteArgument) in
    // `workingFolder` (empty: the exe's folder). Throws HarnessError when it cannot start.
    static Process Start(const std::wstring& exePath, std::wstring_view arguments = {},
                         const std::wstring& workingFolder = {});

    Process(Process&&) noexcept = default;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }
    bool IsRunning() const;

    // The exit code once the process has ended, or nullopt if it still runs at the deadline.
    std::optional<DWORD> WaitForExit(Millis timeout = kDefaultTimeout) const;

    // Ends the process and everything it started; waits until they are gone.
    void Kill();

  private:
    Process() = default;
    UniqueHandle job_;
    UniqueHandle process_;
    DWORD id_ = 0;
};

// Ids of running processes whose file name (e.g. L"eudcedit.exe") matches, case-insensitively.
std::vector<DWORD> ProcessIdsByName(std::wstring_view exeName);

// The test program can act as a small helper process for the harness's own tests: it is started
// again with "--kf-e2e-child=ROLE ARGS..." and runs the function registered for ROLE instead of
// the tests, returning its result as the exit code. Register roles with a namespace-scope
//   static const e2e::ChildRole kMyRole{L"my-role", &MyRoleMain};
using ChildMain = int (*)(const std::vector<std::wstring>& args);
struct ChildRole {
    ChildRole(const wchar_t* name, ChildMain main);
};
Process StartChild(std::wstring_view role, const std::vector<std::wstring>& args = {});

// The program's entry: runs a child role when asked to, otherwise GoogleTest.
int RunChildOrTests(int argc, wchar_t** argv);

// ---------------------------------------------------------------------------------------------
// Windows

std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);

// Top-level windows of process `processId`, in Z order; hidden ones only on request.
std::vector<HWND> TopLevelWindows(DWORD processId, bool includeHidden = false);

// Child windows (all levels) of `parent`.
std::vector<HWND> ChildWindows(HWND parent);

// The first visible top-level window of the process with that class (any class when empty) whose
// title contains `titlePart`, or nullptr.
HWND FindTopLevelWindow(DWORD processId, std::wstring_view className = {}, std::wstring_view titlePart = {});

// Brings `window` to the foreground, as the user's click on it would before typing, and waits until it
// is there; asks again while it is not (under Wine without a window manager a late focus change of
// another process can hand the foreground to the desktop). False at the deadline.
bool BringForward(HWND window, Millis timeout = kDefaultTimeout);

// For failure messages: "'title' [class] pid N, visible/hidden, minimised" of one window, "none"
// for a null handle, "gone" for one that no longer exists.
std::string DescribeWindow(HWND window);
// Every visible top-level window on the desktop, one DescribeWindow line each, and the foreground
// window: what a user would have seen when a wait ran out.
std::string DescribeDesktop();

// The value of the window property (SetPropW) `name` on `window`, or nullopt when it is not set
// (or set to 0). A window is often visible before its owner has set its properties: wait for them.
std::optional<uintptr_t> WindowProperty(HWND window, std::wstring_view name);

// ---------------------------------------------------------------------------------------------
// Screen

// Pixels read back from the screen, rows top to bottom, each 0x00RRGGBB.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// What is on screen inside `screenRect` now (whatever window shows there).
ScreenImage CaptureScreen(const RECT& screenRect);

// True when the screen point belongs to `window` or one of its children, i.e. no other window
// covers it.
bool IsPointShownBy(HWND window, POINT screenPoint);

// ---------------------------------------------------------------------------------------------
// Message boxes

// Unknown: the box shows an icon that matches none of the four system icons.
enum class MessageBoxIcon { None, Hand, Exclamation, Question, Asterisk, Unknown };
const char* ToString(MessageBoxIcon icon);
void PrintTo(MessageBoxIcon icon, std::ostream* os);  // readable names in GoogleTest output

struct MessageBoxButton {
    int id = 0;  // IDOK, IDCANCEL, IDYES, ...
    std::wstring text;
    HWND window = nullptr;
};

// A message box as its user sees it.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;                      // lines separated by "\r\n", as the program passed them
    std::vector<MessageBoxButton> buttons;  // visible buttons, left to right
    MessageBoxIcon icon = MessageBoxIcon::None;

    std::vector<int> ButtonIds() const;
};

// Visible message boxes of the process: dialogs (class "#32770") with the text control 0xFFFF and
// at least one visible push button, and no controls but static texts and buttons (so the program's
// own dialogs, whose labels also use id 0xFFFF, are not taken for message boxes). Other dialogs (e.g. a wait
// window with a static text of id 0xFFFF but no button) are not message boxes.
std::vector<HWND> FindMessageBoxes(DWORD processId);

// Reads caption, text, buttons and icon of a message box. The icon is judged from the screen
// pixels of its icon control (another process's icon handle cannot be drawn), so the box is
// brought to the top first if something covers it; it waits up to `iconTimeout` for the icon to
// be painted.
MessageBoxInfo ReadMessageBox(HWND box, Millis iconTimeout = Millis(3000));
MessageBoxIcon ReadMessageBoxIcon(HWND box, Millis timeout = Millis(3000));

// Waits for the process's first message box and reads it.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, Millis timeout = kDefaultTimeout);
// Waits for a message box of the process that shows `text` (a box that replaced another is found by
// its own text, whatever else is still on screen) and reads it.
std::optional<MessageBoxInfo> WaitForMessageBoxWithText(DWORD processId, std::wstring_view text,
                                                        Millis timeout = kDefaultTimeout);
// The process's message boxes as a user reads them (text and button ids), for failure messages.
std::string DescribeMessageBoxes(DWORD processId);

// Answers the box as a click on button `id` would (WM_COMMAND to the box) and waits until the box
// has closed, so that the next box a test waits for cannot be this one. Throws HarnessError if the
// box shows no such button or does not close.
void PressButton(const MessageBoxInfo& box, int id);

// True once `window` no longer exists (before the deadline).
bool WaitForWindowGone(HWND window, Millis timeout = kDefaultTimeout);

}  // namespace e2e
