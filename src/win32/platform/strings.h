// Texts from the string table and of windows, and printf-style formatting with the framework's conventions
// (%s takes a wide string, as in every message of the program).
#pragma once

#include <windows.h>

#include <string>

std::wstring LoadResString(UINT id);
// The whole text of a window (its title, or a control's text).
std::wstring WindowTextOf(HWND window);
std::wstring FormatText(const wchar_t* format, ...);
std::wstring FormatTextV(const wchar_t* format, va_list args);
