#include "win32/platform/user_folders.h"

#include <windows.h>
#include <shlobj.h>

std::filesystem::path UserDataFolder(const std::wstring& programFolder) {
    PWSTR localAppData = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData)) &&
        localAppData != nullptr && *localAppData != L'\0')
        folder = std::filesystem::path(localAppData) / L"Kanjiforge";
    ::CoTaskMemFree(localAppData);
    if (folder.empty()) folder = std::filesystem::path(programFolder);
    return folder;
}
