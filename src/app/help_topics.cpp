#include "app/help_topics.h"

#include <cwctype>

namespace {

bool EndsWithExe(std::wstring_view text) {
    if (text.size() < 4) return false;
    const std::wstring_view tail = text.substr(text.size() - 4);
    return tail[0] == L'.' && std::towlower(tail[1]) == L'e' && std::towlower(tail[2]) == L'x' &&
           std::towlower(tail[3]) == L'e';
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    const std::size_t begin = text.find_first_not_of(L" \t");
    if (begin == std::wstring_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(L" \t") - begin + 1);
}

void AppendUtf8Escaped(std::wstring& out, char32_t c) {
    unsigned char bytes[4];
    int count = 0;
    if (c < 0x80) {
        bytes[count++] = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
        bytes[count++] = static_cast<unsigned char>(0xC0 | (c >> 6));
        bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[count++] = static_cast<unsigned char>(0xE0 | (c >> 12));
        bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
        bytes[count++] = static_cast<unsigned char>(0xF0 | (c >> 18));
        bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    for (int i = 0; i < count; ++i) {
        out += L'%';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0x0F];
    }
}

bool IsUnreserved(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.' || c == L'_' || c == L'~' || c == L'/' || c == L':';
}

// A path's characters as URL text: backslashes become slashes, the rest as IsUnreserved says.
void AppendEscaped(std::wstring& out, std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\') c = L'/';
        if (IsUnreserved(c)) {
            out += c;
            continue;
        }
        char32_t code = c;
        // A surrogate pair is one character; a lone surrogate stands for U+FFFD.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8Escaped(out, code);
    }
}

}  // namespace

std::optional<ManualPlace> ManualPlaceForTopic(unsigned topic) {
    switch (topic) {
        case 53:
            return ManualPlace{L"editor.html", L"main-window"};
        case 54:
            return ManualPlace{L"editor.html", L"grid-dialog"};
        case 55:
            return ManualPlace{L"layers.html", L"layer-dialog"};
        case 56:
            return ManualPlace{L"editor.html", L"code-dialog"};
        default:
            return std::nullopt;
    }
}

std::wstring ManualPagePath(std::wstring_view moduleFolder, std::wstring_view page) {
    std::wstring path(moduleFolder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + kManualFolder + L"\\" + std::wstring(page);
}

std::wstring FileUrl(std::wstring_view windowsPath, std::wstring_view anchor) {
    std::wstring url = L"file:///";
    // A UNC path (\\server\share) keeps its server: file://server/share.
    if (windowsPath.size() > 2 && windowsPath.substr(0, 2) == L"\\\\") {
        url = L"file:";
        AppendEscaped(url, windowsPath);
    } else {
        AppendEscaped(url, windowsPath);
    }
    if (!anchor.empty()) {
        url += L'#';
        AppendEscaped(url, anchor);
    }
    return url;
}

std::optional<BrowserCommand> BrowserCommandFor(std::wstring_view command, std::wstring_view url) {
    command = TrimBlanks(command);
    BrowserCommand result;
    std::wstring_view rest;
    if (!command.empty() && command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        if (close == std::wstring_view::npos) return std::nullopt;
        result.program = std::wstring(command.substr(1, close - 1));
        rest = command.substr(close + 1);
    } else {
        // Unquoted: the program ends at the first blank after which the text so far names an .exe, or
        // at the first blank.
        std::size_t end = command.find(L' ');
        for (std::size_t at = end; at != std::wstring_view::npos; at = command.find(L' ', at + 1)) {
            if (EndsWithExe(command.substr(0, at))) {
                end = at;
                break;
            }
        }
        result.program = std::wstring(command.substr(0, end));
        if (end != std::wstring_view::npos) rest = command.substr(end);
    }
    result.program = std::wstring(TrimBlanks(result.program));
    if (result.program.empty()) return std::nullopt;

    bool placed = false;
    std::wstring parameters;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != L'%' || i + 1 >= rest.size()) {
            parameters += rest[i];
            continue;
        }
        const wchar_t next = rest[++i];
        if (next == L'1' || next == L'L' || next == L'l') {
            parameters += url;
            placed = true;
        } else if (next == L'%') {
            parameters += L'%';
        } else if (next != L'*') {
            // Another placeholder (%I, %D, ...) has nothing to stand for here.
        }
    }
    parameters = std::wstring(TrimBlanks(parameters));
    if (!placed) parameters += (parameters.empty() ? L"" : L" ") + std::wstring(url);
    result.parameters = parameters;
    return result;
}
