#include "harness.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <map>
#include <ostream>
#include <system_error>
#include <utility>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

std::string ErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return "error " + std::to_string(error) + (text.empty() ? "" : " (" + Narrow(text) + ")");
}

[[noreturn]] void Fail(const std::string& what, DWORD error = GetLastError()) {
    throw HarnessError(what + ": " + ErrorText(error));
}

DWORD ToMilliseconds(Clock::duration d) {
    const auto ms = std::chrono::duration_cast<Millis>(d).count();
    return static_cast<DWORD>(std::clamp<long long>(ms, 0, 0x7FFFFFFE));
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Waits for a kernel object while keeping the calling thread's windows responsive.
bool WaitForObject(HANDLE object, Millis timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const DWORD left = ToMilliseconds(deadline - Clock::now());
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &object, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + 1) {
            PumpMessages();
            if (Clock::now() < deadline) continue;
        }
        return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
    }
}

// GDI objects of our own, released in reverse order of acquisition.
class ScreenDC {
  public:
    ScreenDC() : dc_(GetDC(nullptr)) {
        if (!dc_) Fail("GetDC(NULL)");
    }
    ~ScreenDC() { ReleaseDC(nullptr, dc_); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

class MemoryDC {
  public:
    explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {
        if (!dc_) Fail("CreateCompatibleDC");
    }
    ~MemoryDC() { DeleteDC(dc_); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// A 32-bit top-down DIB section selected into its own memory DC, for reading pixels directly.
class PixelCanvas {
  public:
    PixelCanvas(HDC compatible, int width, int height) : dc_(compatible), width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ =
            CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        if (!bitmap_) Fail("CreateDIBSection");
        old_ = SelectObject(dc_.Get(), bitmap_);
    }
    ~PixelCanvas() {
        SelectObject(dc_.Get(), old_);
        DeleteObject(bitmap_);
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC Dc() const { return dc_.Get(); }
    ScreenImage Image() const {
        GdiFlush();
        ScreenImage image{width_, height_, {}};
        image.pixels.assign(bits_, bits_ + static_cast<size_t>(width_) * height_);
        for (uint32_t& p : image.pixels) p &= 0xFFFFFF;
        return image;
    }

  private:
    MemoryDC dc_;
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

std::wstring Join(const std::wstring& folder, std::wstring_view relative) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    for (wchar_t c : relative) path += (c == L'/') ? L'\\' : c;
    return path;
}

std::wstring ParentFolder(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void CreateFolders(const std::wstring& folder) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder), error);
    if (error) throw HarnessError("cannot create folder " + Narrow(folder) + ": " + error.message());
}

// Removes a folder tree; a program that has just ended may still hold a file for a moment.
bool RemoveTree(const std::wstring& folder) {
    return WaitUntil(
        [&] {
            std::error_code error;
            std::filesystem::remove_all(std::filesystem::path(folder), error);
            return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
        },
        kDefaultTimeout, Millis(50));
}

std::map<std::wstring, ChildMain>& ChildRoles() {
    static std::map<std::wstring, ChildMain> roles;
    return roles;
}

constexpr std::wstring_view kChildSwitch = L"--kf-e2e-child=";

}  // namespace

// ---------------------------------------------------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
}

HANDLE UniqueHandle::Release() { return std::exchange(handle_, nullptr); }

void UniqueHandle::Reset(HANDLE handle) {
    if (*this) CloseHandle(handle_);
    handle_ = handle;
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis poll) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        const auto now = Clock::now();
        if (now >= deadline) return false;
        const DWORD wait = ToMilliseconds(std::min<Clock::duration>(poll, deadline - now));
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        PumpMessages();
        if (Clock::now() >= deadline) return done();
    }
}

// ---------------------------------------------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return text;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr,
                        nullptr);
    return utf8;
}

std::wstring ThisExePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) Fail("GetModuleFileNameW");
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ThisExeFolder() { return ParentFolder(ThisExePath()); }

std::wstring WindowsPathFromBuildPath(std::string_view buildPath) {
    if (buildPath.empty()) return {};
    if (buildPath.front() == '/') {
        // Wine knows its own drive mapping; the fixed Z: mapping is the fallback.
        using DosName = wchar_t*(CDECL*)(const char*);
        if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
            auto dosName = reinterpret_cast<DosName>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
            if (dosName) {
                const std::string unixPath(buildPath);
                if (wchar_t* name = dosName(unixPath.c_str())) {
                    std::wstring result(name);
                    HeapFree(GetProcessHeap(), 0, name);
                    return result;
                }
            }
        }
        return Join(L"Z:", Widen(buildPath.substr(1)));
    }
    std::wstring path = Widen(buildPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring SetupExePath() {
    wchar_t value[2048] = {};
    const DWORD length = GetEnvironmentVariableW(L"KF_SETUP_EXE", value, 2048);
    if (length == 0 || length >= 2048) return {};
    const std::wstring path(value, length);
    return path.front() == L'/' ? WindowsPathFromBuildPath(Narrow(path)) : path;
}

std::wstring KanjiforgeExePath() {
#ifdef KF_KANJIFORGE_EXE
    return WindowsPathFromBuildPath(KF_KANJIFORGE_EXE);
#else
    return {};
#endif
}

std::wstring QuoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
        return std::wstring(argument);
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless they precede a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

// ---------------------------------------------------------------------------------------------

std::vector<uint8_t> EncodeText(std::wstring_view text, TextEncoding encoding) {
    std::vector<uint8_t> bytes;
    if (encoding == TextEncoding::Utf16Bom) {
        bytes = {0xFF, 0xFE};
        for (wchar_t c : text) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        return bytes;
    }
    if (encoding == TextEncoding::Utf8) {
        const std::string utf8 = Narrow(text);
        return std::vector<uint8_t>(utf8.begin(), utf8.end());
    }
    if (text.empty()) return bytes;
    const UINT codePage = encoding == TextEncoding::Ansi ? CP_ACP : 932;
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        throw HarnessError("text not representable in code page " + std::to_string(GetACP()) + ": " +
                           Narrow(text));
    }
    bytes.resize(n);
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), n, nullptr, nullptr);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot create " + Narrow(path));
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
        Fail("cannot write " + Narrow(path));
    }
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot open " + Narrow(path));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("cannot size " + Narrow(path));
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        Fail("cannot read " + Narrow(path));
    }
    return bytes;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::wstring> ReadIniValue(const std::wstring& iniPath, std::wstring_view section,
                                         std::wstring_view key) {
    // A default no real value has tells "absent" apart from "empty".
    static constexpr wchar_t kAbsent[] = L"\x01kf-e2e-absent\x01";
    const std::wstring sectionText(section), keyText(key);
    std::wstring buffer(256, L'\0');
    for (;;) {
        const DWORD n = GetPrivateProfileStringW(sectionText.c_str(), keyText.c_str(), kAbsent, buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), iniPath.c_str());
        if (n + 1 < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.assign(buffer.size() * 4, L'\0');
    }
    if (buffer == kAbsent) return std::nullopt;
    return buffer;
}

// ---------------------------------------------------------------------------------------------

TestFolder::TestFolder()
    : TestFolder([] {
          const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
          if (!info) throw HarnessError("TestFolder() used outside a running test; give it a name");
          return Widen(std::string(info->test_suite_name()) + "." + info->name());
      }()) {}

TestFolder::TestFolder(std::wstring_view name) {
    std::wstring base = EnvironmentVariable(L"KF_E2E_WORKDIR");
    if (base.empty()) base = Join(ThisExeFolder(), L"e2e-work");
    std::wstring safeName(name);
    for (wchar_t& c : safeName) {
        if (std::wcschr(L"\\/:*?\"<>|", c)) c = L'_';
    }
    path_ = Join(base, safeName);
    if (!RemoveTree(path_)) throw HarnessError("cannot clear leftover folder " + Narrow(path_));
    CreateFolders(path_);
}

TestFolder::~TestFolder() {
    if (EnvironmentVariable(L"KF_E2E_KEEP") == L"1") return;
    if (!RemoveTree(path_)) std::fprintf(stderr, "warning: could not remove %s\n", Narrow(path_).c_str());
}

std::wstring TestFolder::operator/(std::wstring_view relative) const { return Join(path_, relative); }

std::wstring TestFolder::WriteBytes(std::wstring_view relative, const std::vector<uint8_t>& bytes) const {
    const std::wstring path = *this / relative;
    CreateFolders(ParentFolder(path));
    WriteFileBytes(path, bytes);
    return path;
}

std::wstring TestFolder::WriteText(std::wstring_view relative, std::wstring_view text,
                                   TextEncoding encoding) const {
    return WriteBytes(relative, EncodeText(text, encoding));
}

std::wstring TestFolder::CopyIn(const std::wstring& source, std::wstring_view relative) const {
    const std::wstring path = *this / relative;
    CreateFolders(ParentFolder(path));
    if (!CopyFileW(source.c_str(), path.c_str(), FALSE)) Fail("cannot copy " + Narrow(source));
    return path;
}

std::wstring TestFolder::CreateSubfolder(std::wstring_view relative) const {
    const std::wstring path = *this / relative;
    CreateFolders(path);
    return path;
}

bool TestFolder::Exists(std::wstring_view relative) const {
    return GetFileAttributesW((*this / relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> TestFolder::ReadBytes(std::wstring_view relative) const {
    return ReadFileBytes(*this / relative);
}

std::optional<std::wstring> TestFolder::ReadIni(std::wstring_view relative, std::wstring_view section,
                                                std::wstring_view key) const {
    return ReadIniValue(*this / relative, section, key);
}

// ---------------------------------------------------------------------------------------------

RegistryValueGuard::RegistryValueGuard(HKEY root, std::wstring subKey, std::wstring valueName)
    : root_(root), subKey_(std::move(subKey)), valueName_(std::move(valueName)) {
    HKEY key = nullptr;
    keyExisted_ = RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    if (!keyExisted_) return;
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName_.c_str(), nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        oldData_.resize(size);
        valueExisted_ =
            RegQueryValueExW(key, valueName_.c_str(), nullptr, &oldType_,
                             oldData_.empty() ? nullptr : oldData_.data(), &size) == ERROR_SUCCESS;
        oldData_.resize(size);
    }
    RegCloseKey(key);
}

RegistryValueGuard::~RegistryValueGuard() {
    if (valueExisted_) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root_, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExW(key, valueName_.c_str(), 0, oldType_, oldData_.empty() ? nullptr : oldData_.data(),
                           static_cast<DWORD>(oldData_.size()));
            RegCloseKey(key);
        }
        return;
    }
    if (!keyExisted_) {
        // Everything in a key the test created came from the test.
        RegDeleteKeyW(root_, subKey_.c_str());
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, valueName_.c_str());
        RegCloseKey(key);
    }
}

void RegistryValueGuard::SetString(std::wstring_view value) {
    HKEY key = nullptr;
    LSTATUS status =
        RegCreateKeyExW(root_, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) Fail("cannot create registry key " + Narrow(subKey_), status);
    const std::wstring text(value);
    status = RegSetValueExW(key, valueName_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) Fail("cannot set registry value " + Narrow(valueName_), status);
}

void RegistryValueGuard::Delete() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    const LSTATUS status = RegDeleteValueW(key, valueName_.c_str());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        Fail("cannot delete registry value " + Narrow(valueName_), status);
    }
}

std::optional<std::wstring> RegistryValueGuard::ReadString() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<std::wstring> result;
    if (RegQueryValueExW(key, valueName_.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, valueName_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                             &size) == ERROR_SUCCESS) {
            text.resize(size / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0') text.pop_back();
            result = std::move(text);
        }
    }
    RegCloseKey(key);
    return result;
}

// ---------------------------------------------------------------------------------------------

Process Process::Start(const std::wstring& exePath, std::wstring_view arguments,
                       const std::wstring& workingFolder) {
    Process process;
    process.job_.Reset(CreateJobObjectW(nullptr, nullptr));
    if (!process.job_) Fail("CreateJobObjectW");
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(process.job_.Get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits))) {
        Fail("SetInformationJobObject");
    }

    std::wstring commandLine = QuoteArgument(exePath);
    if (!arguments.empty()) commandLine += L" " + std::wstring(arguments);
    const std::wstring folder = workingFolder.empty() ? ParentFolder(exePath) : workingFolder;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Now and then Wine's new process dies before it has started (once in some hundreds of
    // starts), which CreateProcess reports as an internal error. That is Wine's
    // process start, not the program under test, so the start is tried again, and said so.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                           nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3) Fail("cannot start " + Narrow(commandLine), error);
        std::fprintf(stderr, "harness: Wine could not start %s (internal error), trying again\n",
                     Narrow(commandLine).c_str());
    }
    process.process_.Reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    process.id_ = info.dwProcessId;
    // Joined before its first instruction, so everything it starts is in the job too.
    if (!AssignProcessToJobObject(process.job_.Get(), info.hProcess)) {
        const DWORD error = GetLastError();
        TerminateProcess(info.hProcess, 1);
        Fail("AssignProcessToJobObject", error);
    }
    ResumeThread(thread.Get());
    return process;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Kill();
        job_ = std::move(other.job_);
        process_ = std::move(other.process_);
        id_ = other.id_;
    }
    return *this;
}

Process::~Process() { Kill(); }

bool Process::IsRunning() const { return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitForExit(Millis timeout) const {
    if (!process_) return std::nullopt;
    if (!WaitForObject(process_.Get(), timeout)) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void Process::Kill() {
    if (!job_) return;
    TerminateJobObject(job_.Get(), 1);
    WaitUntil(
        [&] {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
            return QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                             sizeof(accounting), nullptr) &&
                   accounting.ActiveProcesses == 0;
        },
        kDefaultTimeout);
    if (process_) WaitForObject(process_.Get(), kDefaultTimeout);
}

std::vector<DWORD> ProcessIdsByName(std::wstring_view exeName) {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) Fail("CreateToolhelp32Snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (EqualsIgnoringCase(entry.szExeFile, exeName)) ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

ChildRole::ChildRole(const wchar_t* name, ChildMain main) { ChildRoles()[name] = main; }

Process StartChild(std::wstring_view role, const std::vector<std::wstring>& args) {
    std::wstring arguments = std::wstring(kChildSwitch) + std::wstring(role);
    for (const std::wstring& arg : args) arguments += L" " + QuoteArgument(arg);
    return Process::Start(ThisExePath(), arguments);
}

int RunChildOrTests(int argc, wchar_t** argv) {
    // The tests see the screen as the programs do, in its own pixels, whatever its DPI: aware of each
    // screen's DPI, so that the system scales nothing for them.
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        const auto setContext = reinterpret_cast<SetContext>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
        if (setContext == nullptr || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) {
            SetProcessDPIAware();
        }
    }
    if (argc >= 2 && std::wstring_view(argv[1]).starts_with(kChildSwitch)) {
        const std::wstring role(std::wstring_view(argv[1]).substr(kChildSwitch.size()));
        const auto found = ChildRoles().find(role);
        if (found == ChildRoles().end()) {
            std::fprintf(stderr, "unknown child role %s\n", Narrow(role).c_str());
            return 120;
        }
        return found->second(std::vector<std::wstring>(argv + 2, argv + argc));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// ---------------------------------------------------------------------------------------------

std::wstring WindowText(HWND window) {
    // GetWindowTextW reads another process's window text without waiting for that process.
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), length + 1));
    return text;
}

std::wstring WindowClass(HWND window) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

std::vector<HWND> TopLevelWindows(DWORD processId, bool includeHidden) {
    struct Query {
        DWORD processId;
        bool includeHidden;
        std::vector<HWND> windows;
    } query{processId, includeHidden, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& q = *reinterpret_cast<Query*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == q.processId && (q.includeHidden || IsWindowVisible(window)))
                q.windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND FindTopLevelWindow(DWORD processId, std::wstring_view className, std::wstring_view titlePart) {
    for (HWND window : TopLevelWindows(processId)) {
        if (!className.empty() && WindowClass(window) != className) continue;
        if (!titlePart.empty() && WindowText(window).find(titlePart) == std::wstring::npos) continue;
        return window;
    }
    return nullptr;
}

std::string DescribeWindow(HWND window) {
    if (window == nullptr) return "none";
    if (!IsWindow(window)) return "gone";
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return "'" + Narrow(WindowText(window)) + "' [" + Narrow(WindowClass(window)) + "] pid " +
           std::to_string(processId) + (IsWindowVisible(window) ? "" : ", hidden") +
           (IsIconic(window) ? ", minimised" : "");
}

bool BringForward(HWND window, Millis timeout) {
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        timeout, Millis(50));
}

std::string DescribeDesktop() {
    std::string text = "foreground: " + DescribeWindow(GetForegroundWindow()) + "\n";
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            if (IsWindowVisible(window))
                *reinterpret_cast<std::string*>(param) += "  " + DescribeWindow(window) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

std::optional<uintptr_t> WindowProperty(HWND window, std::wstring_view name) {
    const std::wstring key(name);
    const HANDLE value = GetPropW(window, key.c_str());
    if (!value) return std::nullopt;
    return reinterpret_cast<uintptr_t>(value);
}

// ---------------------------------------------------------------------------------------------

ScreenImage CaptureScreen(const RECT& screenRect) {
    const int width = screenRect.right - screenRect.left;
    const int height = screenRect.bottom - screenRect.top;
    if (width <= 0 || height <= 0) return {};
    ScreenDC screen;
    PixelCanvas canvas(screen.Get(), width, height);
    if (!BitBlt(canvas.Dc(), 0, 0, width, height, screen.Get(), screenRect.left, screenRect.top,
                SRCCOPY | CAPTUREBLT)) {
        Fail("BitBlt from the screen");
    }
    return canvas.Image();
}

bool IsPointShownBy(HWND window, POINT screenPoint) {
    const HWND shown = WindowFromPoint(screenPoint);
    return shown == window || IsChild(window, shown);
}

// ---------------------------------------------------------------------------------------------

const char* ToString(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::None:
            return "None";
        case MessageBoxIcon::Hand:
            return "Hand";
        case MessageBoxIcon::Exclamation:
            return "Exclamation";
        case MessageBoxIcon::Question:
            return "Question";
        case MessageBoxIcon::Asterisk:
            return "Asterisk";
        case MessageBoxIcon::Unknown:
            return "Unknown";
    }
    return "?";
}

void PrintTo(MessageBoxIcon icon, std::ostream* os) { *os << ToString(icon); }

std::vector<int> MessageBoxInfo::ButtonIds() const {
    std::vector<int> ids;
    for (const MessageBoxButton& button : buttons) ids.push_back(button.id);
    return ids;
}

namespace {

constexpr int kTextControlId = 0xFFFF;

bool IsTextControl(HWND control) {
    return (GetDlgCtrlID(control) & 0xFFFF) == kTextControlId && WindowClass(control) == L"Static";
}

bool IsPushButton(HWND control) {
    if (!IsWindowVisible(control) || WindowClass(control) != L"Button") return false;
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

HWND FindIconControl(HWND box) {
    for (HWND child : ChildWindows(box)) {
        if (IsWindowVisible(child) && WindowClass(child) == L"Static" &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            return child;
        }
    }
    return nullptr;
}

// The colour most of the four corners show: the background, since every system icon leaves its
// corners transparent.
uint32_t BackgroundOf(const ScreenImage& image) {
    const std::array<uint32_t, 4> corners = {image.At(0, 0), image.At(image.width - 1, 0),
                                             image.At(0, image.height - 1),
                                             image.At(image.width - 1, image.height - 1)};
    uint32_t best = corners[0];
    long bestCount = 0;
    for (uint32_t c : corners) {
        const long count = std::count(corners.begin(), corners.end(), c);
        if (count > bestCount) best = c, bestCount = count;
    }
    return best;
}

// Our own rendering of a system icon at the control's size on the control's background.
ScreenImage RenderIcon(MessageBoxIcon kind, int width, int height, uint32_t background) {
    ScreenDC screen;
    PixelCanvas canvas(screen.Get(), width, height);
    const COLORREF colour = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all{0, 0, width, height};
    FillRect(canvas.Dc(), &all, brush);
    DeleteObject(brush);
    const wchar_t* resource = nullptr;
    switch (kind) {
        case MessageBoxIcon::Hand:
            resource = IDI_HAND;
            break;
        case MessageBoxIcon::Exclamation:
            resource = IDI_EXCLAMATION;
            break;
        case MessageBoxIcon::Question:
            resource = IDI_QUESTION;
            break;
        case MessageBoxIcon::Asterisk:
            resource = IDI_ASTERISK;
            break;
        default:
            break;
    }
    if (resource) {
        // Shared system icon: not to be destroyed.
        HICON icon = LoadIconW(nullptr, resource);
        if (!icon) Fail("LoadIconW");
        DrawIconEx(canvas.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    }
    return canvas.Image();
}

// Mean difference per colour channel, 0 for identical images.
double Difference(const ScreenImage& a, const ScreenImage& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        }
    }
    return a.pixels.empty() ? 0 : sum / (a.pixels.size() * 3.0);
}

// Raises the box above whatever covers its icon, without activating it.
void Uncover(HWND box) {
    SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(box, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

std::vector<HWND> FindMessageBoxes(DWORD processId) {
    std::vector<HWND> boxes;
    for (HWND window : TopLevelWindows(processId)) {
        if (WindowClass(window) != L"#32770") continue;
        bool hasText = false, hasButton = false, hasOther = false;
        for (HWND child : ChildWindows(window)) {
            hasText = hasText || IsTextControl(child);
            hasButton = hasButton || IsPushButton(child);
            // A dialog with an input field, a list or the like is a dialog of the program's own.
            const std::wstring childClass = WindowClass(child);
            hasOther = hasOther || (childClass != L"Static" && childClass != L"Button");
        }
        if (hasText && hasButton && !hasOther) boxes.push_back(window);
    }
    return boxes;
}

MessageBoxIcon ReadMessageBoxIcon(HWND box, Millis timeout) {
    const HWND control = FindIconControl(box);
    if (!control) return MessageBoxIcon::None;
    // The handle itself is useless here, but whether there is one is not: a box without an icon
    // keeps an empty icon control, which its text may overlap.
    DWORD_PTR iconHandle = 0;
    if (SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &iconHandle) && !iconHandle) {
        return MessageBoxIcon::None;
    }
    RECT client{};
    GetClientRect(control, &client);
    POINT topLeft{0, 0};
    ClientToScreen(control, &topLeft);
    const RECT onScreen{topLeft.x, topLeft.y, topLeft.x + client.right, topLeft.y + client.bottom};
    if (client.right <= 0 || client.bottom <= 0) return MessageBoxIcon::None;

    // Same drawing code, same screen: a match is all but exact. (The question and information icons
    // of Wine differ by about 5 on this scale.)
    constexpr double kMatch = 1.5;
    // None stands for the control before it is painted.
    constexpr std::array<MessageBoxIcon, 5> kinds = {MessageBoxIcon::None, MessageBoxIcon::Hand,
                                                     MessageBoxIcon::Exclamation, MessageBoxIcon::Question,
                                                     MessageBoxIcon::Asterisk};
    // Judged on the latest capture only.
    MessageBoxIcon best = MessageBoxIcon::Unknown;
    double bestDifference = 1e9;
    WaitUntil(
        [&] {
            const POINT probes[] = {
                {onScreen.left, onScreen.top},
                {onScreen.right - 1, onScreen.top},
                {onScreen.left, onScreen.bottom - 1},
                {onScreen.right - 1, onScreen.bottom - 1},
                {(onScreen.left + onScreen.right) / 2, (onScreen.top + onScreen.bottom) / 2}};
            for (POINT p : probes) {
                if (!IsPointShownBy(box, p)) {
                    Uncover(box);
                    return false;
                }
            }
            const ScreenImage shown = CaptureScreen(onScreen);
            const uint32_t background = BackgroundOf(shown);
            best = MessageBoxIcon::Unknown;
            bestDifference = 1e9;
            for (MessageBoxIcon kind : kinds) {
                const double d = Difference(shown, RenderIcon(kind, shown.width, shown.height, background));
                if (d < bestDifference) bestDifference = d, best = kind;
            }
            return best != MessageBoxIcon::None && bestDifference <= kMatch;
        },
        timeout, Millis(50));
    return best != MessageBoxIcon::None && bestDifference <= kMatch ? best : MessageBoxIcon::Unknown;
}

MessageBoxInfo ReadMessageBox(HWND box, Millis iconTimeout) {
    MessageBoxInfo info;
    info.window = box;
    info.caption = WindowText(box);
    std::vector<std::pair<LONG, MessageBoxButton>> buttons;
    for (HWND child : ChildWindows(box)) {
        if (IsTextControl(child)) {
            info.text = WindowText(child);
        } else if (IsPushButton(child)) {
            RECT r{};
            GetWindowRect(child, &r);
            buttons.push_back({r.left, MessageBoxButton{GetDlgCtrlID(child), WindowText(child), child}});
        }
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& entry : buttons) info.buttons.push_back(std::move(entry.second));
    info.icon = ReadMessageBoxIcon(box, iconTimeout);
    return info;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, Millis timeout) {
    const auto box = WaitFor<HWND>(
        [&]() -> std::optional<HWND> {
            const auto boxes = FindMessageBoxes(processId);
            if (boxes.empty()) return std::nullopt;
            return boxes.front();
        },
        timeout);
    if (!box) return std::nullopt;
    return ReadMessageBox(*box);
}

std::optional<MessageBoxInfo> WaitForMessageBoxWithText(DWORD processId, std::wstring_view text,
                                                        Millis timeout) {
    const auto box = WaitFor<HWND>(
        [&]() -> std::optional<HWND> {
            for (HWND window : FindMessageBoxes(processId)) {
                for (HWND child : ChildWindows(window)) {
                    if (IsTextControl(child) && WindowText(child) == text) return window;
                }
            }
            return std::nullopt;
        },
        timeout);
    if (!box) return std::nullopt;
    return ReadMessageBox(*box);
}

std::string DescribeMessageBoxes(DWORD processId) {
    std::string text = "message boxes:";
    const std::vector<HWND> boxes = FindMessageBoxes(processId);
    for (HWND box : boxes) {
        text += "\n  '" + Narrow(WindowText(box)) + "':";
        for (HWND child : ChildWindows(box)) {
            if (IsTextControl(child)) text += " \"" + Narrow(WindowText(child)) + "\"";
            if (IsPushButton(child)) text += " [" + std::to_string(GetDlgCtrlID(child)) + "]";
        }
    }
    if (boxes.empty()) text += " none";
    return text;
}

void PressButton(const MessageBoxInfo& box, int id) {
    for (const MessageBoxButton& button : box.buttons) {
        if (button.id == id) {
            if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                              reinterpret_cast<LPARAM>(button.window))) {
                Fail("cannot press button " + std::to_string(id));
            }
            if (!WaitForWindowGone(box.window)) {
                throw HarnessError("the message box \"" + Narrow(box.text) + "\" stayed after button " +
                                   std::to_string(id));
            }
            return;
        }
    }
    throw HarnessError("the message box \"" + Narrow(box.text) + "\" has no button " + std::to_string(id));
}

bool WaitForWindowGone(HWND window, Millis timeout) {
    return WaitUntil([&] { return !IsWindow(window); }, timeout);
}

}  // namespace e2e
