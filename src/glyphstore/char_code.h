// End-user-defined character codes as the rest of the program exchanges them: a code is always a Unicode
// private-use value carried as four hexadecimal digits; Shift-JIS user-defined codes are accepted as input
// only and converted at once.
#pragma once

#include <string>
#include <string_view>

inline constexpr int kEudcFirst = 0xE000;
inline constexpr int kEudcLast = 0xF8FF;

// Value of a text of exactly four hexadecimal digits (either case), or -1 for anything else.
int ParseCodeText(std::wstring_view text);
// Four upper-case hexadecimal digits: the low 16 bits of the value, zero-padded.
std::wstring FormatCodeText(int value);

bool IsUnicodeEudcCode(int value);
bool IsSjisEudcCode(int value);
// The Unicode code of an accepted Shift-JIS user-defined code, or -1 when the value is not one.
int SjisToUnicodeEudc(int value);
// The Shift-JIS user-defined code of a Unicode one (E000..E757 have one), or -1.
int UnicodeEudcToSjis(int value);

// The code after / before the current one, formatted; empty when the step is not possible (the current text
// is not a code in the range, or the step would leave it). There is no wrap-around.
std::wstring NextCodeText(std::wstring_view current);
std::wstring PreviousCodeText(std::wstring_view current);
