#include "win32/platform/window_utils.h"

#include <tlhelp32.h>
#include <winver.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <optional>
#include <vector>

#include "win32/platform/handles.h"

namespace {

// A kernel32 export looked up by name, so that a system without Toolhelp still loads the program.
template <typename Function>
Function Kernel32Function(HMODULE kernel, const char* name) {
    // Through a plain function pointer type: casting FARPROC straight to another signature draws a
    // cast-function-type warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

// The text up to its terminating NUL, reading no more than `maxChars` characters.
std::wstring BoundedString(const wchar_t* chars, size_t maxChars) {
    return std::wstring(chars, std::find(chars, chars + maxChars, L'\0'));
}

// At most `maxChars` characters of the window's text. GetWindowTextW reads another process's
// window text without waiting for that process, so a hung program cannot stall a search.
std::wstring WindowTextPrefix(HWND window, int maxChars) {
    std::wstring text(static_cast<size_t>(maxChars) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), maxChars + 1);
    text.resize(static_cast<size_t>(std::max(length, 0)));
    return text;
}

// The whole window text, read as above with a buffer that grows while the text fills it.
std::wstring WholeWindowText(HWND window) {
    constexpr int kMaxChars = 32767;
    for (int capacity = 255;; capacity = capacity * 2 + 1) {
        std::wstring text = WindowTextPrefix(window, capacity);
        if (static_cast<int>(text.size()) < capacity || capacity >= kMaxChars) return text;
    }
}

// Window titles are compared by their first 255 characters, the length of the search buffer.
constexpr size_t kTitleChars = 255;

struct TitleSearch {
    HWND found;
    int partial;
    std::wstring title;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TitleSearch*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    const std::wstring text = WindowTextPrefix(window, static_cast<int>(kTitleChars));
    if (text.empty()) return TRUE;
    const bool match = search.partial ? text.find(search.title) != std::wstring::npos : text == search.title;
    if (!match) return TRUE;
    search.found = window;
    return FALSE;
}

bool HasEditorFrameStyle(HWND window) {
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    constexpr DWORD kRequired = WS_MINIMIZEBOX | WS_BORDER;
    return (style & kRequired) == kRequired;
}

std::wstring ToLower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

// The string `name` of the version block for the first translation that has it.
std::optional<std::wstring> QueryVersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* translations = nullptr;
    UINT translationBytes = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations, &translationBytes) ||
        translations == nullptr) {
        return std::nullopt;
    }
    const auto* pairs = static_cast<const Translation*>(translations);
    for (UINT i = 0; i < translationBytes / sizeof(Translation); ++i) {
        wchar_t hex[9] = {};
        std::swprintf(hex, std::size(hex), L"%04x%04x", pairs[i].language, pairs[i].codePage);
        const std::wstring key = std::wstring(L"\\StringFileInfo\\") + hex + L"\\" + name;
        void* value = nullptr;
        UINT valueChars = 0;
        if (VerQueryValueW(block.data(), key.c_str(), &value, &valueChars) && value != nullptr) {
            const auto* chars = static_cast<const wchar_t*>(value);
            return BoundedString(chars, valueChars);
        }
    }
    return std::nullopt;
}

std::wstring RunningProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

}  // namespace

namespace {

// Calls `visit` with each running process's id and program file name, from one snapshot of the processes,
// until it returns true.
template <typename Visit>
void ForEachProcess(Visit visit) {
    using CreateSnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
    using WalkFunction = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    const auto createSnapshot = Kernel32Function<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    const auto first = Kernel32Function<WalkFunction>(kernel, "Process32FirstW");
    const auto next = Kernel32Function<WalkFunction>(kernel, "Process32NextW");
    if (createSnapshot == nullptr || first == nullptr || next == nullptr) return;

    const UniqueHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(PROCESSENTRY32W);
    for (BOOL more = first(snapshot.Get(), &entry); more; more = next(snapshot.Get(), &entry)) {
        if (visit(entry.th32ProcessID, BoundedString(entry.szExeFile, std::size(entry.szExeFile)))) return;
    }
}

// The running system character editors, by process id: one snapshot for a whole search of the windows
// rather than one per window, which under load made the check before every save take tens of ms.
std::vector<DWORD> CharEditorProcessIds() {
    std::vector<DWORD> ids;
    ForEachProcess([&](DWORD id, const std::wstring& name) {
        if (ToLower(name).find(L"eudcedit.exe") != std::wstring::npos) ids.push_back(id);
        return false;
    });
    return ids;
}

bool OfProcesses(HWND window, const std::vector<DWORD>& ids) {
    DWORD processId = 0;
    return GetWindowThreadProcessId(window, &processId) != 0 &&
           std::find(ids.begin(), ids.end(), processId) != ids.end();
}

HWND FindCharEditorWindowOf(const std::vector<DWORD>& ids) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (IsWindow(window) && HasEditorFrameStyle(window) && OfProcesses(window, ids)) return window;
    }
    return nullptr;
}

}  // namespace

std::wstring GetWindowProcessName(HWND window) {
    DWORD processId = 0;
    // No thread means no window; without this check process id 0 would name the idle process.
    if (GetWindowThreadProcessId(window, &processId) == 0) return std::wstring();
    std::wstring found;
    ForEachProcess([&](DWORD id, const std::wstring& name) {
        if (id != processId) return false;
        found = name;
        return true;
    });
    return found;
}

HWND FindWindowByTitle(const std::wstring& title, int partial, HWND parent) {
    if (title.empty()) return nullptr;
    TitleSearch search{nullptr, partial, title.substr(0, kTitleChars)};
    // A null parent means the top-level windows. EnumWindows says so directly: Wine's
    // EnumChildWindows rejects a null parent instead of enumerating them.
    if (parent == nullptr) {
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    } else {
        EnumChildWindows(parent, MatchTitle, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

HWND FindCharEditorWindow() {
    const std::vector<DWORD> ids = CharEditorProcessIds();
    return ids.empty() ? nullptr : FindCharEditorWindowOf(ids);
}

HWND FindRunningCharEditorWindow() {
    const std::vector<DWORD> ids = CharEditorProcessIds();
    if (ids.empty()) return nullptr;
    if (HWND window = FindCharEditorWindowOf(ids)) return window;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) continue;
        if (OfProcesses(window, ids)) return window;
    }
    return nullptr;
}

namespace {

bool BelongsTo(HWND window, DWORD processId) {
    DWORD owner = 0;
    return GetWindowThreadProcessId(window, &owner) != 0 && owner == processId;
}

}  // namespace

HWND FindProcessMainWindow(DWORD processId) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (BelongsTo(window, processId) && HasEditorFrameStyle(window)) return window;
    }
    return nullptr;
}

HWND FindProcessWindowByTitle(DWORD processId, const std::wstring& title, HWND except) {
    if (title.empty()) return nullptr;
    const std::wstring wanted = title.substr(0, kTitleChars);
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == except || !IsWindowVisible(window) || !BelongsTo(window, processId)) continue;
        if (WindowTextPrefix(window, static_cast<int>(kTitleChars)) == wanted) return window;
    }
    return nullptr;
}

HWND FindProcessErrorWindow(DWORD processId, HWND mainWindow, const std::wstring& text,
                            const std::atomic<int>* stopFlag) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (stopFlag != nullptr && stopFlag->load() != 0) return nullptr;
        // Owned or not, dialog or not: the process's own error window is whatever carries the mark.
        if (window == mainWindow || !IsWindowVisible(window) || !BelongsTo(window, processId)) continue;
        const std::wstring windowText = WholeWindowText(window);
        if (!windowText.empty() && windowText.find(text) != std::wstring::npos) return window;
    }
    return nullptr;
}

HWND FindTopLevelWindowContaining(const std::wstring& text, const std::atomic<int>* stopFlag) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (stopFlag != nullptr && stopFlag->load() != 0) return nullptr;
        if (!IsWindowVisible(window)) continue;
        const std::wstring windowText = WholeWindowText(window);
        if (!windowText.empty() && windowText.find(text) != std::wstring::npos) return window;
    }
    return nullptr;
}

void GetFileVersionStrings(std::wstring& productVersion, std::wstring& legalNotice,
                           const std::wstring& filePath) {
    const std::wstring path = filePath.empty() ? RunningProgramPath() : filePath;
    if (path.empty()) return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    // Twice the reported size: some systems convert the block in place and need the room.
    std::vector<BYTE> block(static_cast<size_t>(size) * 2);
    if (!GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) return;
    if (auto value = QueryVersionString(block, L"ProductVersion")) productVersion = std::move(*value);
    if (auto value = QueryVersionString(block, L"LegalCopyright")) legalNotice = std::move(*value);
}

bool OpenClipboardPatiently(HWND owner) {
    // Another program holds the clipboard for the moment it takes to put its data there: a second at most
    // is waited for.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(50);
    }
    return false;
}
