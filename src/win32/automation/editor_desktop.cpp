#include "win32/automation/editor_desktop.h"

#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "win32/platform/process_utils.h"
#include "win32/platform/window_utils.h"
#include "win32/platform/strings.h"
#include "base/diag_log.h"

namespace {

HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
WindowId ToId(HWND window) { return reinterpret_cast<WindowId>(window); }
HANDLE ToHandle(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The longest text read from one status bar part, terminator excluded.
constexpr int kStatusPartChars = 100;
// How long a short message to the editor may take before the editor counts as not answering.
constexpr UINT kCallTimeoutMs = 5000;
// A control's text is read again and again while a dialog is waited for: a busy editor only delays it.
constexpr UINT kControlTextTimeoutMs = 500;

// SendMessage that neither waits for a hung window nor longer than `timeoutMs`; false when the call did
// not complete.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT* result) {
    DWORD_PTR answer = 0;
    const LRESULT done = ::SendMessageTimeoutW(window, message, wParam, lParam,
                                               SMTO_ABORTIFHUNG | SMTO_NORMAL, timeoutMs, &answer);
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return done != 0;
}

// Without an event the waits look again after this long: Windows may not deliver every window event
// (under Wine out-of-context hooks are not always called), so a bounded poll stays the fallback.
constexpr DWORD kPollSliceMs = 15;

// The window events of the editor's process that reach this thread: any of them ends the thread's current
// wait slice, so that a wait looks again at once.
struct WindowEvents {
    HWINEVENTHOOK objects = nullptr;
    HWINEVENTHOOK foreground = nullptr;
    unsigned seen = 0;
    bool pending = false;
};
thread_local WindowEvents t_events;

void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD, DWORD) {
    if (object != OBJID_WINDOW) return;
    ++t_events.seen;
    t_events.pending = true;
}

void UnhookWindowEvents() {
    if (t_events.objects != nullptr) ::UnhookWinEvent(t_events.objects);
    if (t_events.foreground != nullptr) ::UnhookWinEvent(t_events.foreground);
    t_events.objects = t_events.foreground = nullptr;
}

void HookWindowEvents(DWORD processId) {
    UnhookWindowEvents();
    t_events.seen = 0;
    constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    // Created, destroyed, shown, hidden, reordered, focused; and the foreground changing.
    t_events.objects = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, OnWindowEvent,
                                         processId, 0, kFlags);
    t_events.foreground = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                            OnWindowEvent, processId, 0, kFlags);
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
    HookWindowEvents(target.processId);
    const unsigned result = RetryWatcherProc(desktop, state, target);
    UnhookWindowEvents();
    return result;
}

// A call that may block for as long as the editor hangs (a sent message, or a change of its window that
// Windows announces to it synchronously) runs on a thread of its own; the save waits for it up to a bound
// or a Cancel, and leaves it behind otherwise: it ends by itself once the editor answers or is gone.
struct BoundedCall {
    std::function<bool()> call;
    std::atomic<bool> result{false};
};

unsigned __stdcall BoundedCallThread(void* param) {
    std::unique_ptr<std::shared_ptr<BoundedCall>> owner(static_cast<std::shared_ptr<BoundedCall>*>(param));
    const std::shared_ptr<BoundedCall> call = *owner;
    call->result = call->call();
    return 0;
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

CWin32EditorDesktop::CWin32EditorDesktop()
    : m_cancelEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_watcherStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CWin32EditorDesktop::BeginSave(SaveCancel& cancel) {
    ::ResetEvent(m_cancelEvent);
    HANDLE event = m_cancelEvent;
    cancel.SetWake([event] { ::SetEvent(event); });
    m_cancel = &cancel;
}

void CWin32EditorDesktop::EndSave() {
    if (t_events.objects != nullptr || t_events.foreground != nullptr)
        g_log.Write(L"Editor window events seen: %u\n", t_events.seen);
    UnhookWindowEvents();
    m_cancel = nullptr;
}

bool CWin32EditorDesktop::Cancelled() const { return m_cancel != nullptr && m_cancel->Requested(); }

bool CWin32EditorDesktop::WaitOn(HANDLE extra, DWORD milliseconds) {
    HANDLE handles[2] = {m_cancelEvent, extra};
    const DWORD count = extra != nullptr ? 2 : 1;
    const DWORD woke = ::MsgWaitForMultipleObjects(count, handles, FALSE, milliseconds, QS_ALLINPUT);
    // The window events arrive as messages of this thread; nothing else here has windows.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    return extra != nullptr && woke == WAIT_OBJECT_0 + 1;
}

void CWin32EditorDesktop::WatchProcessWindows(std::uint32_t processId) {
    HookWindowEvents(static_cast<DWORD>(processId));
}

bool CWin32EditorDesktop::WaitUntil(const std::function<bool()>& ready, int timeoutMs) {
    const std::int64_t start = NowMs();
    for (;;) {
        if (Cancelled()) return false;
        t_events.pending = false;
        if (ready()) return true;
        const std::int64_t left = timeoutMs - (NowMs() - start);
        if (left <= 0) return false;
        WaitOn(nullptr, static_cast<DWORD>(std::min<std::int64_t>(left, kPollSliceMs)));
        // A window event ends the slice at once (the wait returned on its message).
    }
}

void CWin32EditorDesktop::Pause(int milliseconds, bool wakeOnWindows) {
    const std::int64_t end = NowMs() + std::max(milliseconds, 0);
    t_events.pending = false;
    for (std::int64_t left = milliseconds; left > 0; left = end - NowMs()) {
        if (Cancelled() || ::WaitForSingleObject(m_watcherStop, 0) == WAIT_OBJECT_0) return;
        if (WaitOn(m_watcherStop, static_cast<DWORD>(left))) return;
        if (wakeOnWindows && t_events.pending) return;
    }
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

std::wstring CWin32EditorDesktop::ReadControlText(WindowId control) {
    // WM_GETTEXT is copied between processes by the system; GetWindowText would not ask the control.
    wchar_t text[kStatusPartChars + 1] = {};
    if (!SendBounded(ToHwnd(control), WM_GETTEXT, kStatusPartChars + 1, reinterpret_cast<LPARAM>(text),
                     kControlTextTimeoutMs, nullptr))
        return {};
    text[kStatusPartChars] = L'\0';
    return text;
}

void CWin32EditorDesktop::WriteWindowText(WindowId window, const std::wstring& text) {
    SendBounded(ToHwnd(window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), kCallTimeoutMs,
                nullptr);
}

void CWin32EditorDesktop::PostCommand(WindowId window, std::uintptr_t wParam, WindowId lParam) {
    ::PostMessageW(ToHwnd(window), WM_COMMAND, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

namespace {

// Runs `call` on a thread of its own and waits up to `timeoutMs` for it, or less when `cancelEvent` is set;
// false when it did not finish (or no thread could be started). `call` must own everything it uses.
bool RunBounded(std::function<bool()> call, int timeoutMs, HANDLE cancelEvent) {
    auto shared = std::make_shared<BoundedCall>();
    shared->call = std::move(call);
    auto* param = new std::shared_ptr<BoundedCall>(shared);
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, BoundedCallThread, param, 0, nullptr);
    if (thread == 0) {
        delete param;
        return false;
    }
    HANDLE handles[2] = {ToHandle(thread), cancelEvent};
    const DWORD woke = ::WaitForMultipleObjects(cancelEvent != nullptr ? 2 : 1, handles, FALSE,
                                                static_cast<DWORD>(std::max(timeoutMs, 1)));
    ::CloseHandle(ToHandle(thread));
    return woke == WAIT_OBJECT_0 && shared->result.load();
}

}  // namespace

bool CWin32EditorDesktop::SendCommand(WindowId window, std::uintptr_t wParam, int timeoutMs) {
    if (Cancelled()) return false;
    const UINT bound = static_cast<UINT>(std::max(timeoutMs, 1));
    HWND target = ToHwnd(window);
    // The helper thread's own bound ends it even when this save has stopped waiting for it.
    return RunBounded(
        [=] { return SendBounded(target, WM_COMMAND, static_cast<WPARAM>(wParam), 0, bound, nullptr); },
        timeoutMs + 500, m_cancelEvent);
}

int CWin32EditorDesktop::SelectComboString(WindowId combo, const std::wstring& text) {
    LRESULT index = CB_ERR;
    if (!SendBounded(ToHwnd(combo), CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()),
                     kCallTimeoutMs, &index))
        return -1;
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void CWin32EditorDesktop::EnableWindow(WindowId window, bool enable) {
    // Windows tells the window synchronously (WM_ENABLE): a hung editor would hold the save here.
    HWND target = ToHwnd(window);
    RunBounded([=] { return ::EnableWindow(target, enable ? TRUE : FALSE), true; }, kCallTimeoutMs,
               m_cancelEvent);
}

void CWin32EditorDesktop::SetForegroundWindow(WindowId window) { ::SetForegroundWindow(ToHwnd(window)); }

void CWin32EditorDesktop::SetFocus(WindowId window) { ::SetFocus(ToHwnd(window)); }

std::uint32_t CWin32EditorDesktop::ReadWindowStyle(WindowId window) {
    return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_STYLE));
}

void CWin32EditorDesktop::WriteWindowStyle(WindowId window, std::uint32_t style) {
    // WM_STYLECHANGING and WM_STYLECHANGED are sent to the window: bounded as EnableWindow.
    HWND target = ToHwnd(window);
    RunBounded([=] { return ::SetWindowLongW(target, GWL_STYLE, static_cast<LONG>(style)), true; },
               kCallTimeoutMs, m_cancelEvent);
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

ScreenRect CWin32EditorDesktop::GetVirtualScreen() {
    return {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
            ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

ScreenPoint CWin32EditorDesktop::ClientToScreen(WindowId window, ScreenPoint client) {
    POINT point = {client.x, client.y};
    ::ClientToScreen(ToHwnd(window), &point);
    return {static_cast<int>(point.x), static_cast<int>(point.y)};
}

WindowDpi CWin32EditorDesktop::GetWindowDpi(WindowId window) {
    // Windows 10 1607 and later; before that every window sees the system's coordinates.
    using AwarenessContextFn = HANDLE(WINAPI*)(HWND);
    using AwarenessFn = int(WINAPI*)(HANDLE);
    using DpiForWindowFn = UINT(WINAPI*)(HWND);
    using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    HMODULE user = ::GetModuleHandleW(L"user32.dll");
    const auto contextOf =
        reinterpret_cast<AwarenessContextFn>(::GetProcAddress(user, "GetWindowDpiAwarenessContext"));
    const auto awarenessOf =
        reinterpret_cast<AwarenessFn>(::GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext"));
    const auto dpiOf = reinterpret_cast<DpiForWindowFn>(::GetProcAddress(user, "GetDpiForWindow"));
    HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
    const auto monitorDpiOf =
        shcore ? reinterpret_cast<DpiForMonitorFn>(::GetProcAddress(shcore, "GetDpiForMonitor")) : nullptr;
    WindowDpi dpi;
    HWND hwnd = ToHwnd(window);
    if (contextOf != nullptr && awarenessOf != nullptr && dpiOf != nullptr && monitorDpiOf != nullptr) {
        switch (awarenessOf(contextOf(hwnd))) {
            case 0:
                dpi.awareness = DpiAwareness::Unaware;
                break;
            case 1:
                dpi.awareness = DpiAwareness::System;
                break;
            case 2:
                dpi.awareness = DpiAwareness::PerMonitor;
                break;
            default:
                break;
        }
        UINT x = 0, y = 0;
        if (dpi.awareness != DpiAwareness::Unknown &&
            SUCCEEDED(monitorDpiOf(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), 0, &x, &y)) &&
            x > 0) {
            dpi.windowDpi = static_cast<int>(dpiOf(hwnd));
            dpi.monitorDpi = static_cast<int>(x);
        } else {
            dpi = {};
        }
    }
    if (shcore != nullptr) ::FreeLibrary(shcore);
    return dpi;
}

bool CWin32EditorDesktop::SendInputsTo(WindowId window, const std::vector<InputEvent>& events) {
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
    if (inputs.empty()) return true;
    // Checked immediately before the stream: input goes to whatever window is in front.
    if (::GetForegroundWindow() != ToHwnd(window)) return false;
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

std::optional<std::vector<std::uint8_t>> CWin32EditorDesktop::ReadSharedFile(
    const std::filesystem::path& file) {
    HANDLE handle =
        ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    LARGE_INTEGER size = {};
    constexpr LONGLONG kLimit = 1LL << 30;
    if (::GetFileSizeEx(handle, &size) && size.QuadPart >= 0 && size.QuadPart <= kLimit) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (done < data.size()) {
            DWORD read = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 24));
            if (!::ReadFile(handle, data.data() + done, chunk, &read, nullptr) || read == 0) break;
            done += read;
        }
        if (done == data.size()) bytes = std::move(data);
    }
    ::CloseHandle(handle);
    return bytes;
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

void CWin32EditorDesktop::TerminateEditorProcess(std::uintptr_t process) {
    if (process != 0) ::TerminateProcess(ToHandle(process), 1);
}

std::uintptr_t CWin32EditorDesktop::StartRetryWatcher(std::atomic<int>* state, const WatcherTarget& target) {
    ::ResetEvent(m_watcherStop);
    auto* start = new WatcherStart{this, state, target};
    // Created suspended so the priority is in place before the first cycle.
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, WatcherThread, start, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        delete start;
        return 0;
    }
    ::SetThreadPriority(ToHandle(thread), THREAD_PRIORITY_HIGHEST);
    ::ResumeThread(ToHandle(thread));
    // The id is the thread's handle, closed once the stop has been awaited.
    return thread;
}

bool CWin32EditorDesktop::StopRetryWatcher(std::uintptr_t watcher, int timeoutMs) {
    ::SetEvent(m_watcherStop);
    if (watcher == 0) return true;
    const bool ended =
        ::WaitForSingleObject(ToHandle(watcher), static_cast<DWORD>(std::max(timeoutMs, 0))) == WAIT_OBJECT_0;
    ::CloseHandle(ToHandle(watcher));
    return ended;
}

std::int64_t CWin32EditorDesktop::NowMs() { return static_cast<std::int64_t>(::GetTickCount64()); }

LocalTime CWin32EditorDesktop::GetLocalTime() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::wstring CWin32EditorDesktop::LoadResourceString(unsigned id) { return LoadResString(id); }
