// Texts from the string table and printf-style formatting with the framework's conventions
// (%s takes a wide string, as in every message of the program).
#pragma once

#include <windows.h>

#include <string>

std::wstring LoadResString(UINT id);
std::wstring FormatText(const wchar_t* format, ...);
std::wstring FormatTextV(const wchar_t* format, va_list args);
