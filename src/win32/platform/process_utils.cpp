#include "win32/platform/process_utils.h"

#include <shlobj.h>

#include <vector>

std::wstring GetSpecialFolderPath(int csidl) {
    LPITEMIDLIST idList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(GetDesktopWindow(), csidl, &idList)) || idList == nullptr) {
        return std::wstring();
    }
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListW(idList, path);
    CoTaskMemFree(idList);
    return ok ? std::wstring(path) : std::wstring();
}

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool StartProcess(const std::wstring& commandLine, int showCommand, DWORD creationFlags,
                  StartedProcess& started) {
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process = {};
    // Wine now and then loses a new process before it has started (once in some hundreds of starts)
    // and reports an internal error; another attempt then starts it. Any other failure is final.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                           &startup, &process)) {
            break;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3) return false;
    }
    UniqueHandle thread(process.hThread);
    // Every program we start shows a window the user is meant to work in next (an editor, the
    // browser, the system character editor a save steers): let it take the foreground from us.
    AllowSetForegroundWindow(process.dwProcessId);
    started.process.Reset(process.hProcess);
    started.processId = process.dwProcessId;
    return true;
}

bool RunProgram(const std::wstring& commandLine, int showCommand) {
    StartedProcess started;
    return StartProcess(commandLine, showCommand, CREATE_NEW_PROCESS_GROUP, started);
}
