#include "win32/automation/editor_desktop.h"

#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <algorithm>
#include <cstring>

#include "win32/platform/process_utils.h"
#include "win32/platform/window_utils.h"
#include "win32/platform/strings.h"

namespace {

HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
WindowId ToId(HWND window) { return reinterpret_cast<WindowId>(window); }
HANDLE ToHandle(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The longest text read from one status bar part, terminator excluded.
constexpr int kStatusPartChars = 100;
// How long a short message to the editor may take before the editor counts as not answering.
constexpr UINT kCallTimeoutMs = 5000;

// SendMessage that neither waits for a hung window nor longer than `timeoutMs`; false when the call did
// not complete.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT* result) {
    DWORD_PTR answer = 0;
    const LRESULT done = ::SendMessageTimeoutW(window, message, wParam, lParam,
                                               SMTO_ABORTIFHUNG | SMTO_NORMAL, timeoutMs, &answer);
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return done != 0;
}

struct WatcherStart {
    IEditorDesktop* desktop;
    std::atomic<int>* state;
    WatcherTarget target;
};

unsigned __stdcall WatcherThread(void* param) {
    auto* start = static_cast<WatcherStart*>(param);
    IEditorDesktop& desktop = *start->desktop;
    std::atomic<int>* state = start->state;
    const WatcherTarget target = start->target;
    delete start;
    return RetryWatcherProc(desktop, state, target);
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    auto* children = reinterpret_cast<std::vector<ChildWindow>*>(param);
    wchar_t className[256] = {};
    ::GetClassNameW(window, className, 256);
    children->push_back({ToId(window), className});
    return TRUE;
}

}  // namespace

CWin32EditorDesktop& CWin32EditorDesktop::Instance() {
    // Never destroyed: a watcher thread still running at exit must not meet a freed object.
    static CWin32EditorDesktop* instance = new CWin32EditorDesktop;
    return *instance;
}

WindowId CWin32EditorDesktop::FindCharEditorWindow() { return ToId(::FindRunningCharEditorWindow()); }

WindowId CWin32EditorDesktop::FindEditorMainWindow(std::uint32_t processId) {
    return ToId(::FindProcessMainWindow(processId));
}

WindowId CWin32EditorDesktop::FindEditorDialog(std::uint32_t processId, const std::wstring& title,
                                               WindowId except) {
    return ToId(::FindProcessWindowByTitle(processId, title, ToHwnd(except)));
}

WindowId CWin32EditorDesktop::FindErrorWindow(const WatcherTarget& target, const std::wstring& mark,
                                              const std::atomic<int>* stopFlag) {
    return ToId(::FindProcessErrorWindow(target.processId, ToHwnd(target.mainWindow), mark, stopFlag));
}

bool CWin32EditorDesktop::IsWindow(WindowId window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

bool CWin32EditorDesktop::IsWindowShown(WindowId window) {
    return window != 0 && ::IsWindow(ToHwnd(window)) && ::IsWindowVisible(ToHwnd(window));
}

std::vector<ChildWindow> CWin32EditorDesktop::EnumChildWindows(WindowId parent) {
    std::vector<ChildWindow> children;
    ::EnumChildWindows(ToHwnd(parent), CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

WindowId CWin32EditorDesktop::GetParent(WindowId window) { return ToId(::GetParent(ToHwnd(window))); }

int CWin32EditorDesktop::GetDlgCtrlID(WindowId window) { return ::GetDlgCtrlID(ToHwnd(window)); }

WindowId CWin32EditorDesktop::GetForegroundWindow() { return ToId(::GetForegroundWindow()); }

std::wstring CWin32EditorDesktop::ReadWindowText(WindowId window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(ToHwnd(window), text, 256);
    return text;
}

void CWin32EditorDesktop::WriteWindowText(WindowId window, const std::wstring& text) {
    SendBounded(ToHwnd(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), kCallTimeoutMs,
                nullptr);
}

void CWin32EditorDesktop::PostCommand(WindowId window, std::uintptr_t wParam, WindowId lParam) {
    ::PostMessageW(ToHwnd(window), WM_COMMAND, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

bool CWin32EditorDesktop::SendCommand(WindowId window, std::uintptr_t wParam, int timeoutMs) {
    return SendBounded(ToHwnd(window), WM_COMMAND, static_cast<WPARAM>(wParam), 0,
                       static_cast<UINT>(std::max(timeoutMs, 1)), nullptr);
}

int CWin32EditorDesktop::SelectComboString(WindowId combo, const std::wstring& text) {
    LRESULT index = CB_ERR;
    if (!SendBounded(ToHwnd(combo), CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()),
                     kCallTimeoutMs, &index))
        return -1;
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void CWin32EditorDesktop::EnableWindow(WindowId window, bool enable) {
    ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE);
}

void CWin32EditorDesktop::SetForegroundWindow(WindowId window) { ::SetForegroundWindow(ToHwnd(window)); }

void CWin32EditorDesktop::SetFocus(WindowId window) { ::SetFocus(ToHwnd(window)); }

std::uint32_t CWin32EditorDesktop::ReadWindowStyle(WindowId window) {
    return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_STYLE));
}

void CWin32EditorDesktop::WriteWindowStyle(WindowId window, std::uint32_t style) {
    ::SetWindowLongW(ToHwnd(window), GWL_STYLE, static_cast<LONG>(style));
}

bool CWin32EditorDesktop::HasMenu(WindowId window) { return ::GetMenu(ToHwnd(window)) != nullptr; }

void CWin32EditorDesktop::BlankMenuItem(WindowId window, int position) {
    HMENU menu = ::GetMenu(ToHwnd(window));
    if (menu == nullptr) return;
    const UINT item = static_cast<UINT>(position);
    ::ModifyMenuW(menu, item, MF_BYPOSITION | MF_STRING, 0, L"");
    ::EnableMenuItem(menu, item, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
}

std::vector<std::wstring> CWin32EditorDesktop::ReadStatusBarParts(WindowId statusBar) {
    HWND bar = ToHwnd(statusBar);
    LRESULT partCount = 0;
    if (!SendBounded(bar, SB_GETPARTS, 0, 0, kCallTimeoutMs, &partCount)) return {};
    const int parts = static_cast<int>(partCount);
    DWORD processId = 0;
    if (parts <= 0 || ::GetWindowThreadProcessId(bar, &processId) == 0) return {};
    HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) return {};
    std::vector<std::wstring> texts;
    // SB_GETTEXTW writes the whole text, whatever its length, so the remote buffer is generous.
    constexpr SIZE_T kRemoteBytes = 4096;
    void* remote = ::VirtualAllocEx(process, nullptr, kRemoteBytes, MEM_COMMIT, PAGE_READWRITE);
    if (remote != nullptr) {
        bool ok = true;
        for (int i = 0; i < parts && ok; ++i) {
            if (!SendBounded(bar, SB_GETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote),
                             kCallTimeoutMs, nullptr)) {
                ok = false;
                break;
            }
            wchar_t local[kStatusPartChars + 1] = {};
            SIZE_T read = 0;
            ok = ::ReadProcessMemory(process, remote, local, kStatusPartChars * sizeof(wchar_t), &read) !=
                 FALSE;
            local[kStatusPartChars] = L'\0';
            if (ok) texts.emplace_back(local);
        }
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        if (!ok) texts.clear();
    }
    ::CloseHandle(process);
    return texts;
}

MouseSettings CWin32EditorDesktop::GetMouseSettings() {
    int mouse[3] = {};
    int speed = 0;
    ::SystemParametersInfoW(SPI_GETMOUSE, 0, mouse, 0);
    ::SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0);
    return {mouse[0], mouse[1], mouse[2], speed};
}

void CWin32EditorDesktop::SetMouseSettings(const MouseSettings& settings) {
    int mouse[3] = {settings.threshold1, settings.threshold2, settings.acceleration};
    ::SystemParametersInfoW(SPI_SETMOUSE, 0, mouse, SPIF_SENDCHANGE);
    ::SystemParametersInfoW(SPI_SETMOUSESPEED, 0,
                            reinterpret_cast<void*>(static_cast<INT_PTR>(settings.speed)), SPIF_SENDCHANGE);
}

ScreenPoint CWin32EditorDesktop::GetScreenSize() {
    return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

ScreenPoint CWin32EditorDesktop::ClientToScreen(WindowId window, ScreenPoint client) {
    POINT point = {client.x, client.y};
    ::ClientToScreen(ToHwnd(window), &point);
    return {static_cast<int>(point.x), static_cast<int>(point.y)};
}

void CWin32EditorDesktop::SendInputs(const std::vector<InputEvent>& events) {
    std::vector<INPUT> inputs(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const InputEvent& event = events[i];
        INPUT& input = inputs[i];
        if (event.key) {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(event.virtualKey & 0xFF);
            input.ki.wScan =
                static_cast<WORD>(::MapVirtualKeyW(static_cast<UINT>(event.virtualKey & 0xFF), 0));
            // The navigation keys arrive as the dedicated cursor block's keys; Enter as the main one.
            const bool extended = event.virtualKey != VK_RETURN;
            input.ki.dwFlags = event.flags | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
        } else {
            input.type = INPUT_MOUSE;
            input.mi.dx = event.x;
            input.mi.dy = event.y;
            input.mi.dwFlags = event.flags;
        }
    }
    if (!inputs.empty()) ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool CWin32EditorDesktop::PutBitmapOnClipboard(WindowId owner, const DotPlane& glyph) {
    if (!::OpenClipboard(ToHwnd(owner))) return false;
    ::EmptyClipboard();
    bool placed = false;
    if (glyph.ByteCount() != 0) {
        // CreateBitmap reads rows padded to two bytes.
        const std::vector<std::uint8_t> bits = WordAlignedRows(glyph);
        HBITMAP bitmap = ::CreateBitmap(glyph.Size(), glyph.Size(), 1, 1, bits.data());
        if (bitmap != nullptr) {
            placed = ::SetClipboardData(CF_BITMAP, bitmap) != nullptr;
            if (!placed) ::DeleteObject(bitmap);
        }
    }
    ::CloseClipboard();
    return placed;
}

bool CWin32EditorDesktop::WriteIniEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                                        const std::wstring& value) {
    return ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()) != FALSE;
}

std::pair<int, int> CWin32EditorDesktop::GetOsVersion() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&info);
#pragma GCC diagnostic pop
    return {static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion)};
}

bool CWin32EditorDesktop::CreateEditorProcess(const std::wstring& commandLine, EditorProcess& started) {
    StartedProcess process;
    if (!StartProcess(commandLine, SW_SHOWNORMAL, 0, process)) return false;
    // The sequence owns the process handle until CloseEditorProcessHandles; the thread's is closed.
    started.hProcess = reinterpret_cast<std::uintptr_t>(process.process.Release());
    started.hThread = 0;
    started.dwProcessId = process.processId;
    return true;
}

void CWin32EditorDesktop::CloseEditorProcessHandles(const EditorProcess& process) {
    if (process.hThread != 0) ::CloseHandle(ToHandle(process.hThread));
    if (process.hProcess != 0) ::CloseHandle(ToHandle(process.hProcess));
}

std::uint32_t CWin32EditorDesktop::WaitForInputIdle(std::uintptr_t process, int milliseconds) {
    return static_cast<std::uint32_t>(
        ::WaitForInputIdle(ToHandle(process), static_cast<DWORD>(milliseconds)));
}

bool CWin32EditorDesktop::WaitForProcessExit(std::uintptr_t process, int milliseconds) {
    if (process == 0) return true;
    return ::WaitForSingleObject(ToHandle(process), static_cast<DWORD>(std::max(milliseconds, 0))) ==
           WAIT_OBJECT_0;
}

std::uintptr_t CWin32EditorDesktop::StartRetryWatcher(std::atomic<int>* state, const WatcherTarget& target) {
    auto* start = new WatcherStart{this, state, target};
    // Created suspended so the priority is in place before the first cycle.
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, WatcherThread, start, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        delete start;
        return 0;
    }
    ::SetThreadPriority(ToHandle(thread), THREAD_PRIORITY_HIGHEST);
    ::ResumeThread(ToHandle(thread));
    // The sequence only needs a non-zero id; the thread ends by itself when asked to stop.
    ::CloseHandle(ToHandle(thread));
    return thread;
}

void CWin32EditorDesktop::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

std::int64_t CWin32EditorDesktop::NowMs() { return static_cast<std::int64_t>(::GetTickCount64()); }

LocalTime CWin32EditorDesktop::GetLocalTime() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::wstring CWin32EditorDesktop::LoadResourceString(unsigned id) { return LoadResString(id); }
