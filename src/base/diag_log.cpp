#include "base/diag_log.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

CLog g_log;

namespace {

std::mutex g_logMutex;
std::filesystem::path g_logFile;

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring FormatLine(const wchar_t* format, va_list args) {
#ifdef _WIN32
    const std::wstring pattern = format;  // Microsoft's wide printf: %s is a wide string
#else
    // C's wide printf reads %s as a narrow string; the callers pass wide ones.
    std::wstring pattern;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        pattern += *p;
        if (*p == L'%' && p[1] == L'%') {
            pattern += *++p;
        } else if (*p == L'%') {
            while (p[1] != L'\0' && std::wcschr(L"-+ #0123456789.", p[1]) != nullptr) pattern += *++p;
            if (p[1] == L's') pattern += L'l';
        }
    }
#endif
    std::vector<wchar_t> buffer(512);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
#ifdef _WIN32
        const int written = _vsnwprintf(buffer.data(), buffer.size() - 1, pattern.c_str(), copy);
#else
        const int written = std::vswprintf(buffer.data(), buffer.size(), pattern.c_str(), copy);
#endif
        va_end(copy);
        if (written >= 0 && static_cast<std::size_t>(written) < buffer.size() - 1)
            return std::wstring(buffer.data(), static_cast<std::size_t>(written));
        if (buffer.size() > 65536) return pattern;
        buffer.resize(buffer.size() * 2);
    }
}

void Append(const std::wstring& line) {
    std::ofstream out(g_logFile, std::ios::binary | std::ios::app);
    out << Utf8(line);
}

}  // namespace

CLog::~CLog() = default;

void CLog::Write(const wchar_t* format, ...) const {
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (g_logFile.empty() || format == nullptr) return;
    va_list args;
    va_start(args, format);
    const std::wstring line = FormatLine(format, args);
    va_end(args);
    Append(line);
}

void CLog::WriteId(unsigned stringId) const {
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (g_logFile.empty()) return;
    Append(L"Id=" + std::to_wstring(stringId) + L"\n");
}

void CLog::SetDestination(const std::filesystem::path& file) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logFile = file;
}
