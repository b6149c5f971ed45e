// Dialog fields are typed by hand. These are the rules by which the framework's data exchange
// reads a number out of a field, and the prompts it answers a wrong entry with; they live apart
// from the window code so that they can be checked without Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr wchar_t kPromptParseInt[] = L"整数を入力してください。";
inline constexpr wchar_t kPromptParseUInt[] = L"正の整数を入力してください。";
inline constexpr wchar_t kPromptIntRange[] = L"%1 から %2 までの整数を入力してください。";
inline constexpr wchar_t kPromptMaxChars[] = L"%1 文字以内で入力してください。";

// A whole field as a decimal number: blanks (space, tab) around it are allowed, one leading
// sign ('-' only for the signed form), at least one digit, nothing else. A number that does not
// fit the type is refused rather than cut short.
std::optional<int> ParseFieldInt(std::wstring_view text);
std::optional<unsigned> ParseFieldUInt(std::wstring_view text);

// The format with "%1" and "%2" replaced (other text, a lone '%' included, is kept as it is).
std::wstring FormatString2(std::wstring_view format, std::wstring_view first, std::wstring_view second);
// The range prompt for minValue..maxValue, or nothing when value lies inside.
std::optional<std::wstring> RangePromptIfOutside(long long value, long long minValue, long long maxValue);

// Characters as the user counts them: a character outside the basic plane (CJK Extension B, say) is one,
// though UTF-16 holds it in two units (a surrogate pair).
std::size_t CountCharacters(std::wstring_view text);
// The prompt for a text of more than maxChars characters, or nothing when it fits.
std::optional<std::wstring> LengthPromptIfLonger(std::wstring_view text, int maxChars);
