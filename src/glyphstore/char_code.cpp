#include "glyphstore/char_code.h"

namespace {

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

constexpr int kSjisFirst = 0xF040;
constexpr int kSjisLast = 0xF9FC;
constexpr int kSjisTrailsPerLead = 188;  // 0x40..0xFC without 0x7F

std::wstring StepCodeText(std::wstring_view current, int step) {
    const int value = ParseCodeText(current);
    if (!IsUnicodeEudcCode(value) || !IsUnicodeEudcCode(value + step)) return {};
    return FormatCodeText(value + step);
}

}  // namespace

int ParseCodeText(std::wstring_view text) {
    if (text.size() != 4) return -1;
    int value = 0;
    for (wchar_t c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

std::wstring FormatCodeText(int value) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    const unsigned bits = static_cast<unsigned>(value);
    std::wstring text(4, L'0');
    for (int i = 0; i < 4; ++i) text[3 - i] = kDigits[(bits >> (4 * i)) & 0xF];
    return text;
}

bool IsUnicodeEudcCode(int value) { return value >= kEudcFirst && value <= kEudcLast; }

bool IsSjisEudcCode(int value) {
    const int trail = value & 0xFF;
    return value >= kSjisFirst && value <= kSjisLast && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

int SjisToUnicodeEudc(int value) {
    if (!IsSjisEudcCode(value)) return -1;
    const int lead = value >> 8;
    const int trail = value & 0xFF;
    return kEudcFirst + (lead - 0xF0) * kSjisTrailsPerLead + (trail - 0x40) - (trail >= 0x80 ? 1 : 0);
}

int UnicodeEudcToSjis(int value) {
    if (!IsUnicodeEudcCode(value)) return -1;
    const int index = value - kEudcFirst;
    const int lead = 0xF0 + index / kSjisTrailsPerLead;
    const int offset = index % kSjisTrailsPerLead;
    const int code = lead << 8 | (offset < 0x3F ? 0x40 + offset : 0x41 + offset);
    return IsSjisEudcCode(code) ? code : -1;
}

std::wstring NextCodeText(std::wstring_view current) { return StepCodeText(current, +1); }

std::wstring PreviousCodeText(std::wstring_view current) { return StepCodeText(current, -1); }
