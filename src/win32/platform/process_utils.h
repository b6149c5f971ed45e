// Small stateless helpers over Windows services for finding folders and starting the
// family's other programs. None of them reports errors: a failure gives an empty string or
// false and the caller decides what to say.
#pragma once

#include <windows.h>

#include <string>

#include "win32/platform/handles.h"

// The path of a shell special folder (a CSIDL such as CSIDL_FONTS), or "" on failure.
std::wstring GetSpecialFolderPath(int csidl);

// True when path names an existing file (not a folder).
bool IsExistingFile(const std::wstring& path);

// Starts a program from a command line with the given show state and never waits for it.
// True when the process was created.
bool RunProgram(const std::wstring& commandLine, int showCommand);

// A started process: its handle and id (the thread handle is closed at once).
struct StartedProcess {
    UniqueHandle process;
    DWORD processId = 0;
};
// Starts a command line with the given show state and creation flags; false when it could not
// be started. The one place the program calls CreateProcessW.
bool StartProcess(const std::wstring& commandLine, int showCommand, DWORD creationFlags,
                  StartedProcess& started);
