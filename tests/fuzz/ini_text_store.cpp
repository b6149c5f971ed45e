#include "ini_text_store.h"

#include <cwchar>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::wstring DecodeUtf8(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    std::size_t i = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
    while (i < bytes.size()) {
        const std::uint8_t b = bytes[i];
        int extra = b < 0x80             ? 0
                    : (b & 0xE0) == 0xC0 ? 1
                    : (b & 0xF0) == 0xE0 ? 2
                    : (b & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0 || bytes.size() - i <= static_cast<std::size_t>(extra)) {
            text += extra == 0 ? static_cast<wchar_t>(b) : kReplacement;
            ++i;
            continue;
        }
        std::uint32_t value = extra == 0 ? b : b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) ok = false;
            value = value << 6 | (bytes[i + k] & 0x3F);
        }
        if (!ok || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            text += kReplacement;
            ++i;
            continue;
        }
        text += static_cast<wchar_t>(value);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return text;
}

std::wstring DecodeUtf16(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
    return text;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// Section and key names compare without regard to the case of ASCII letters.
bool SameName(const std::wstring& a, const wchar_t* b) {
    const std::size_t length = std::wcslen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        wchar_t x = a[i];
        wchar_t y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

IniTextProfileStore::IniTextProfileStore(std::span<const std::uint8_t> bytes) {
    const std::wstring text =
        bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE ? DecodeUtf16(bytes) : DecodeUtf8(bytes);
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            const std::size_t close = line.find(L']');
            m_sections.push_back(
                {Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)), {}});
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || m_sections.empty()) continue;
        std::wstring value = Trim(line.substr(equals + 1));
        // A value in matching quotes loses them, as the profile calls read it.
        if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        m_sections.back().entries.push_back({Trim(line.substr(0, equals)), value});
    }
}

const IniTextProfileStore::Entry* IniTextProfileStore::Find(const wchar_t* section,
                                                            const wchar_t* key) const {
    for (const Section& s : m_sections) {
        if (!SameName(s.name, section)) continue;
        for (const Entry& e : s.entries) {
            if (SameName(e.key, key)) return &e;
        }
    }
    return nullptr;
}

std::wstring IniTextProfileStore::GetProfileString(const wchar_t* section, const wchar_t* key,
                                                   const wchar_t* def) {
    const Entry* entry = Find(section, key);
    return entry ? entry->value : std::wstring(def);
}

int IniTextProfileStore::GetProfileInt(const wchar_t* section, const wchar_t* key, int def) {
    const Entry* entry = Find(section, key);
    if (!entry) return def;
    // The leading decimal integer, 0 when there is none; larger values wrap as the 32-bit call's do.
    const wchar_t* p = entry->value.c_str();
    bool negative = false;
    if (*p == L'-' || *p == L'+') negative = *p++ == L'-';
    std::uint32_t value = 0;
    while (*p >= L'0' && *p <= L'9') value = value * 10u + static_cast<std::uint32_t>(*p++ - L'0');
    return static_cast<int>(negative ? 0u - value : value);
}

BOOL IniTextProfileStore::WriteProfileString(const wchar_t* section, const wchar_t* key,
                                             const wchar_t* value) {
    ++m_nWrites;
    for (Section& s : m_sections) {
        if (!SameName(s.name, section)) continue;
        for (Entry& e : s.entries) {
            if (SameName(e.key, key)) {
                e.value = value;
                return TRUE;
            }
        }
        s.entries.push_back({key, value});
        return TRUE;
    }
    m_sections.push_back({section, {{key, value}}});
    return TRUE;
}

BOOL IniTextProfileStore::WriteProfileInt(const wchar_t* section, const wchar_t* key, int value) {
    return WriteProfileString(section, key, std::to_wstring(value).c_str());
}

std::string IniTextProfileStore::Serialize() const {
    std::wstring text;
    for (const Section& s : m_sections) {
        text += L"[" + s.name + L"]\r\n";
        for (const Entry& e : s.entries) text += e.key + L"=" + e.value + L"\r\n";
    }
    return ToUtf8(text);
}

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
