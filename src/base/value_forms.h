// The value forms of the settings file that more than one program reads: flags, colours and
// rectangles as text.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/kf_types.h"

std::wstring ToLowerText(std::wstring_view text);
// "yes" (any case) is TRUE, any other text FALSE.
BOOL FlagFromText(std::wstring_view text);
// "%x:%x:%x" red:green:blue; leading blanks skipped, trailing text ignored, each field
// keeps its low eight bits. Empty when fewer than three fields parse.
std::optional<ColorRef> ParseColorText(std::wstring_view text);
std::wstring FormatColorText(ColorRef color);
// "%i:%i:%i:%i" (decimal, 0-octal or 0x-hexadecimal fields). Empty when fewer than four parse.
std::optional<std::array<int, 4>> ParseRectText(std::wstring_view text);
std::wstring FormatRectText(const std::array<int, 4>& rect);
