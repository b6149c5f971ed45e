// Where the program keeps what belongs to one user and may be written at any time (backups of the EUDC
// files, the finder's indexes): every user may write there, whatever the install, while an install for all
// users lets them write only the settings file and TEMP\ beside the program.
#pragma once

#include <filesystem>
#include <string>

// %LOCALAPPDATA%\Kanjiforge, or the program folder (ending in a separator) when the user has no profile
// folder (a service account, a broken profile).
std::filesystem::path UserDataFolder(const std::wstring& programFolder);
