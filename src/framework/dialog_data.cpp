#include "framework/dialog_data.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The magnitude and sign of a field's number, or nothing when the text is not one number.
std::optional<std::pair<bool, unsigned long long>> ParseSignedMagnitude(std::wstring_view text,
                                                                        bool allowMinus) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        if (negative && !allowMinus) return std::nullopt;
        ++pos;
    }
    const std::size_t firstDigit = pos;
    unsigned long long magnitude = 0;
    constexpr unsigned long long kLimit = 1ull << 33;  // beyond every 32-bit value; stops the growth
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        if (magnitude < kLimit) magnitude = magnitude * 10 + static_cast<unsigned>(text[pos] - L'0');
        ++pos;
    }
    if (pos == firstDigit) return std::nullopt;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos != text.size()) return std::nullopt;
    return std::make_pair(negative, magnitude);
}

}  // namespace

std::optional<int> ParseFieldInt(std::wstring_view text) {
    const auto parsed = ParseSignedMagnitude(text, true);
    if (!parsed) return std::nullopt;
    const auto [negative, magnitude] = *parsed;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<unsigned> ParseFieldUInt(std::wstring_view text) {
    const auto parsed = ParseSignedMagnitude(text, false);
    if (!parsed || parsed->second > std::numeric_limits<unsigned>::max()) return std::nullopt;
    return static_cast<unsigned>(parsed->second);
}

std::wstring FormatString2(std::wstring_view format, std::wstring_view first, std::wstring_view second) {
    std::wstring out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && (format[i + 1] == L'1' || format[i + 1] == L'2')) {
            out += format[i + 1] == L'1' ? first : second;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::optional<std::wstring> RangePromptIfOutside(long long value, long long minValue, long long maxValue) {
    if (value >= minValue && value <= maxValue) return std::nullopt;
    return FormatString2(kPromptIntRange, std::to_wstring(minValue), std::to_wstring(maxValue));
}

std::size_t CountCharacters(std::wstring_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<std::uint32_t>(text[i]);
        // A high surrogate with its low one is one character.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
            static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 &&
            static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF) {
            ++i;
        }
        ++count;
    }
    return count;
}

std::optional<std::wstring> LengthPromptIfLonger(std::wstring_view text, int maxChars) {
    if (CountCharacters(text) <= static_cast<std::size_t>(std::max(maxChars, 0))) return std::nullopt;
    return FormatString2(kPromptMaxChars, std::to_wstring(maxChars), L"");
}
