#include "win32/automation/direct_files.h"

#include <windows.h>

#include "base/diag_log.h"
#include "glyphstore/file_steps.h"
#include "win32/automation/save_lock.h"
#include "win32/platform/family_windows.h"
#include "win32/platform/handles.h"
#include "win32/platform/strings.h"

namespace {

constexpr LONGLONG kMaxFileBytes = 1LL << 30;

FileFault FaultOf(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return FileFault::Locked;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
            return FileFault::AccessDenied;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileFault::DiskFull;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FileFault::Missing;
        default:
            return FileFault::Other;
    }
}

FileFault LastFault(const wchar_t* what, const std::filesystem::path& file) {
    const DWORD error = ::GetLastError();
    g_log.Write(L"Direct save: %s %s: error %lu\n", what, file.wstring().c_str(), error);
    return FaultOf(error);
}

// EnableEUDC of gdi32: present on every NT system, absent from MinGW's headers.
using EnableEudcProc = BOOL(WINAPI*)(BOOL);
EnableEudcProc EnableEudcEntry() {
    HMODULE gdi = ::GetModuleHandleW(L"gdi32.dll");
    if (gdi == nullptr) return nullptr;
    return reinterpret_cast<EnableEudcProc>(reinterpret_cast<void*>(::GetProcAddress(gdi, "EnableEUDC")));
}

}  // namespace

FileFault CWin32DirectSavePlatform::WriteNewFile(const std::filesystem::path& file,
                                                 std::span<const std::uint8_t> bytes) {
    FileFault fault = FileFault::None;
    {
        UniqueHandle handle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) return LastFault(L"cannot create", file);
        std::size_t done = 0;
        while (done < bytes.size() && fault == FileFault::None) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20));
            DWORD written = 0;
            if (!::WriteFile(handle.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
                fault = written == 0 && ::GetLastError() == ERROR_SUCCESS ? FileFault::DiskFull
                                                                          : LastFault(L"cannot write", file);
            done += written;
        }
        if (fault == FileFault::None && !::FlushFileBuffers(handle.Get()))
            fault = LastFault(L"cannot flush", file);
    }
    if (fault != FileFault::None) ::DeleteFileW(file.c_str());
    return fault;
}

FileFault CWin32DirectSavePlatform::ReadWholeFile(const std::filesystem::path& file,
                                                  std::vector<std::uint8_t>& bytes) {
    // Others may read it meanwhile (the system keeps its EUDC font open); a writer holds it.
    UniqueHandle handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return LastFault(L"cannot open", file);
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(handle.Get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxFileBytes)
        return FileFault::Other;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20));
        if (!::ReadFile(handle.Get(), bytes.data() + done, chunk, &read, nullptr))
            return LastFault(L"cannot read", file);
        if (read == 0) return FileFault::Other;
        done += read;
    }
    return FileFault::None;
}

FileFault CWin32DirectSavePlatform::PutInPlace(const std::filesystem::path& written,
                                               const std::filesystem::path& target) {
    // Told apart before the move, as Windows answers both with "access denied": a read-only file, and one
    // that another program holds without letting it be deleted (the system's hold on its EUDC font).
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        g_log.Write(L"Direct save: %s is read-only\n", target.wstring().c_str());
        return FileFault::AccessDenied;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        UniqueHandle probe(::CreateFileW(target.c_str(), DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            g_log.Write(L"Direct save: %s is held by another program\n", target.wstring().c_str());
            return FileFault::Locked;
        }
    }
    if (::MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FileFault::None;
    return LastFault(L"cannot replace", target);
}

FileFault CWin32DirectSavePlatform::RemoveFile(const std::filesystem::path& file) {
    if (::DeleteFileW(file.c_str())) return FileFault::None;
    return FaultOf(::GetLastError());
}

bool CWin32DirectSavePlatform::FileExists(const std::filesystem::path& file) {
    return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CWin32DirectSavePlatform::ReleaseSystemFont() {
    const EnableEudcProc enable = EnableEudcEntry();
    const BOOL done = enable != nullptr ? enable(FALSE) : FALSE;
    m_bReleased = done != FALSE;
    g_log.Write(L"Direct save: EnableEUDC(FALSE) %s\n",
                enable == nullptr ? L"not available" : (done ? L"done" : L"refused"));
}

void CWin32DirectSavePlatform::RestoreSystemFont() {
    const EnableEudcProc enable = EnableEudcEntry();
    if (enable == nullptr) return;
    // Also when the release was refused: the link must never stay off because of a save.
    const BOOL done = enable(TRUE);
    g_log.Write(L"Direct save: EnableEUDC(TRUE) %s%s\n", done ? L"done" : L"refused",
                m_bReleased ? L"" : L" (it was not released)");
    m_bReleased = false;
}

void CWin32DirectSavePlatform::AnnounceFontChange() {
    // Sent without waiting for the answers: nothing after it depends on them, and a program that is slow to
    // handle it (every top-level window gets it, each on its own thread) then never delays the save.
    const BOOL sent = ::SendNotifyMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    g_log.Write(L"Direct save: WM_FONTCHANGE broadcast %s\n", sent ? L"sent" : L"not sent");
    SignalBrowsers();
}

void CWin32DirectSavePlatform::Pause(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

LocalTime CWin32DirectSavePlatform::Now() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::int64_t CWin32DirectSavePlatform::NowMs() {
    LARGE_INTEGER now = {}, frequency = {};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? now.QuadPart * 1000 / frequency.QuadPart : 0;
}

std::wstring CWin32DirectSavePlatform::LoadText(unsigned id) { return LoadResString(id); }

void CWin32DirectSavePlatform::StepDone(DirectStep step) {
    if (static_cast<int>(step) != m_nStopAfterStep) return;
    g_log.Write(L"Direct save: test stop after step %d: the process ends here\n", m_nStopAfterStep);
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

void RecoverDirectSaveAtStart(const SaveFiles& files, int glyphSize) {
    CWin32DirectSavePlatform platform;
    if (!platform.FileExists(JournalFile(files.bitmapFile)) &&
        !platform.FileExists(BesideFile(files.bitmapFile)) &&
        !platform.FileExists(BesideFile(files.fontFile)))
        return;
    // A journal of a save that another editor is making right now is not ours to finish.
    CSaveLock lock;
    if (!lock.Acquire(0)) {
        g_log.Write(L"Direct save recovery: another save is running; left to it\n");
        return;
    }
    const DirectRecovery recovery = RecoverDirectSave(platform, files, glyphSize);
    g_log.Write(L"Direct save recovery: %s\n",
                recovery.finished ? L"the pair agrees again" : L"not finished");
}
