#include "automation/save_checks.h"

#include <algorithm>
#include <cwchar>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>

#include "glyphstore/eudc_bitmap.h"

namespace {

bool IsAsciiWordChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool IsBackupStamp(std::wstring_view stamp) {
    // yyyymmdd-hhmmss, optionally _N
    if (stamp.size() < 15) return false;
    for (std::size_t i = 0; i < 15; ++i) {
        const bool digit = stamp[i] >= L'0' && stamp[i] <= L'9';
        if (i == 8 ? stamp[i] != L'-' : !digit) return false;
    }
    if (stamp.size() == 15) return true;
    if (stamp[15] != L'_' || stamp.size() == 16) return false;
    return std::all_of(stamp.begin() + 16, stamp.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// Orders backups by time, a "_N" backup after the plain one of the same second; the number is compared as
// digits (a shorter number is smaller), so that no length of it can overflow.
bool OlderBackup(const std::wstring& a, const std::wstring& b) {
    const std::wstring_view sa(a), sb(b);
    if (sa.substr(0, 15) != sb.substr(0, 15)) return sa.substr(0, 15) < sb.substr(0, 15);
    auto number = [](std::wstring_view s) {
        std::wstring_view digits = s.size() > 16 ? s.substr(16) : std::wstring_view();
        while (digits.size() > 1 && digits.front() == L'0') digits.remove_prefix(1);
        return digits;
    };
    const std::wstring_view na = number(sa), nb = number(sb);
    if (na.size() != nb.size()) return na.size() < nb.size();
    return na < nb;
}

constexpr std::uint64_t kBackupReadLimit = 1ULL << 30;

// A file's bytes as one hashable view.
std::size_t DigestOf(std::span<const std::uint8_t> bytes) {
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The digests of backups already read, by name, size and time of writing. Backups are written once and never
// changed by us, so each is read once per run instead of at every save; only equal digests are then compared
// byte for byte. A copy changed behind our back can only make its digest stale, and a stale digest either
// keeps a copy that could have gone (unequal) or is caught by the byte comparison (equal).
class BackupDigests {
  public:
    std::optional<std::size_t> Of(const std::filesystem::path& file) {
        const std::optional<Key> key = KeyOf(file);
        if (!key) return std::nullopt;
        {
            const std::lock_guard lock(m_mutex);
            if (const auto found = m_digests.find(*key); found != m_digests.end()) return found->second;
        }
        std::vector<std::uint8_t> bytes;
        if (!ReadUnwrittenFileBytes(file, kBackupReadLimit, bytes)) return std::nullopt;
        const std::size_t digest = DigestOf(bytes);
        Remember(*key, digest);
        return digest;
    }

    void Remember(const std::filesystem::path& file, std::size_t digest) {
        if (const std::optional<Key> key = KeyOf(file)) Remember(*key, digest);
    }

  private:
    using Key = std::tuple<std::wstring, std::uintmax_t, std::filesystem::file_time_type::rep>;

    static std::optional<Key> KeyOf(const std::filesystem::path& file) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        if (error) return std::nullopt;
        const auto written = std::filesystem::last_write_time(file, error);
        if (error) return std::nullopt;
        return Key(file.wstring(), size, written.time_since_epoch().count());
    }

    void Remember(const Key& key, std::size_t digest) {
        const std::lock_guard lock(m_mutex);
        m_digests[key] = digest;
    }

    std::mutex m_mutex;
    std::map<Key, std::size_t> m_digests;
};

BackupDigests& Digests() {
    static BackupDigests digests;
    return digests;
}

// Whether `file` holds `bytes` (whose digest is `digest`); false when it cannot be read.
bool HoldsBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, std::size_t digest) {
    std::error_code error;
    if (std::filesystem::file_size(file, error) != bytes.size() || error) return false;
    if (Digests().Of(file) != digest) return false;
    std::vector<std::uint8_t> held;
    return ReadUnwrittenFileBytes(file, kBackupReadLimit, held) && std::ranges::equal(held, bytes);
}

// Writes `bytes` as a new file (not a copy of the original's attributes: a backup of a read-only file must
// still be removable when it is pruned).
bool WriteBackup(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

bool TextShowsCode(std::wstring_view text, std::wstring_view code) {
    if (code.empty()) return false;
    for (std::size_t at = text.find(code); at != std::wstring_view::npos; at = text.find(code, at + 1)) {
        const bool clearBefore = at == 0 || !IsAsciiWordChar(text[at - 1]);
        const std::size_t end = at + code.size();
        const bool clearAfter = end == text.size() || !IsAsciiWordChar(text[end]);
        if (clearBefore && clearAfter) return true;
    }
    return false;
}

std::vector<std::uint8_t> WordAlignedRows(const DotPlane& glyph) {
    const int size = glyph.Size();
    if (size <= 0) return {};
    const std::size_t rowBytes = static_cast<std::size_t>(size) / 8;
    const std::size_t paddedBytes = (rowBytes + 1) & ~static_cast<std::size_t>(1);
    std::vector<std::uint8_t> bits(paddedBytes * static_cast<std::size_t>(size), kWhiteByte);
    const auto source = glyph.Bytes();
    for (int y = 0; y < size; ++y) {
        std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(rowBytes * y), rowBytes,
                    bits.begin() + static_cast<std::ptrdiff_t>(paddedBytes * y));
    }
    return bits;
}

std::wstring EditorCommandLine(const std::wstring& path) {
    if (path.find_first_of(L" \t") == std::wstring::npos) return path;
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') return path;
    return L"\"" + path + L"\"";
}

std::wstring BackupFileName(const std::wstring& fileName, const LocalTime& t) {
    wchar_t stamp[32] = {};
    std::swprintf(stamp, 32, L"%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return fileName + L"." + stamp;
}

std::vector<std::filesystem::path> ListBackups(const std::filesystem::path& folder,
                                               const std::wstring& fileName) {
    std::vector<std::wstring> stamps;
    std::error_code error;
    const std::wstring prefix = fileName + L".";
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::wstring name = it->path().filename().wstring();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::wstring stamp = name.substr(prefix.size());
        if (IsBackupStamp(stamp)) stamps.push_back(stamp);
    }
    std::sort(stamps.begin(), stamps.end(), OlderBackup);
    std::vector<std::filesystem::path> backups;
    for (const std::wstring& stamp : stamps) backups.push_back(folder / (prefix + stamp));
    return backups;
}

std::vector<std::filesystem::path> BackupsToRemove(const std::filesystem::path& folder,
                                                   const std::wstring& fileName, std::size_t keep) {
    std::vector<std::filesystem::path> old = ListBackups(folder, fileName);
    old.resize(old.size() > keep ? old.size() - keep : 0);
    return old;
}

bool BackUpFiles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder,
                 const LocalTime& time, std::wstring& problem,
                 std::vector<std::span<const std::uint8_t>> contents) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::vector<std::filesystem::path> made;
    auto undo = [&] {
        for (const auto& copy : made) std::filesystem::remove(copy, error);
    };
    // Each file is read once: its bytes are compared with the backups and written as the new one.
    std::vector<std::vector<std::uint8_t>> read(files.size());
    contents.resize(files.size());
    std::vector<std::size_t> digests(files.size());
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::filesystem::path& file = files[f];
        if (contents[f].empty()) {
            if (!ReadUnwrittenFileBytes(file, kBackupReadLimit, read[f])) {
                problem = file.wstring();
                undo();
                return false;
            }
            contents[f] = read[f];
        }
        const std::span<const std::uint8_t> bytes = contents[f];
        const std::size_t digest = digests[f] = DigestOf(bytes);
        const std::wstring name = file.filename().wstring();
        const std::vector<std::filesystem::path> earlier = ListBackups(folder, name);
        if (!earlier.empty() && HoldsBytes(earlier.back(), bytes, digest)) continue;
        std::filesystem::path target = folder / BackupFileName(name, time);
        // A second save within the same second keeps the first backup and adds one.
        for (int n = 2; std::filesystem::exists(target, error); ++n)
            target = folder / (BackupFileName(name, time) + L"_" + std::to_wstring(n));
        error.clear();
        if (!WriteBackup(target, bytes)) {
            problem = file.wstring();
            std::filesystem::remove(target, error);
            undo();
            return false;
        }
        made.push_back(target);
        Digests().Remember(target, digest);
    }
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::wstring name = files[f].filename().wstring();
        const std::vector<std::filesystem::path> backups = ListBackups(folder, name);
        // Every kept backup differs from every other: an older copy of the newest bytes goes.
        for (std::size_t i = 0; i + 1 < backups.size(); ++i)
            if (HoldsBytes(backups[i], contents[f], digests[f])) std::filesystem::remove(backups[i], error);
        for (const auto& old : BackupsToRemove(folder, name, kBackupsKept))
            std::filesystem::remove(old, error);
    }
    return true;
}

ReadBack CompareReadBack(int readerResult, int width, int height, const std::vector<std::uint8_t>& bits,
                         const DotPlane& glyph) {
    if (readerResult == kEudcCannotOpen) return ReadBack::Held;
    if (readerResult != kEudcOk) return ReadBack::Unreadable;
    if (width != glyph.Size() || height != glyph.Size() || bits.size() != glyph.ByteCount())
        return ReadBack::Unreadable;
    return std::equal(bits.begin(), bits.end(), glyph.Bytes().begin()) ? ReadBack::Match : ReadBack::Mismatch;
}

ReadBack ReadBackGlyph(const std::optional<std::vector<std::uint8_t>>& bitmapFile, int code,
                       const DotPlane& glyph) {
    if (!bitmapFile) return ReadBack::Held;
    return ReadBackGlyph(std::span<const std::uint8_t>(*bitmapFile), code, glyph);
}

ReadBack ReadBackGlyph(std::span<const std::uint8_t> bitmapFile, int code, const DotPlane& glyph) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    const int result = ReadEudcBitmapBytes(bitmapFile, code, width, height, &bits);
    return CompareReadBack(result, width, height, bits, glyph);
}

const wchar_t* ReadBackName(ReadBack result) {
    switch (result) {
        case ReadBack::Match:
            return L"match";
        case ReadBack::Held:
            return L"file held";
        case ReadBack::Mismatch:
            return L"mismatch";
        case ReadBack::Unreadable:
            break;
    }
    return L"unreadable";
}

SaveTimeline::SaveTimeline(Clock clock, Sink sink)
    : m_clock(std::move(clock)), m_sink(std::move(sink)), m_start(m_clock ? m_clock() : 0) {}

std::int64_t SaveTimeline::Elapsed() const { return m_clock ? m_clock() - m_start : 0; }

void SaveTimeline::Mark(std::wstring_view step) {
    wchar_t head[48] = {};
    std::swprintf(head, 48, L"Save timeline %+7lld ms ", static_cast<long long>(Elapsed()));
    std::wstring line = head;
    line += step;
    m_lines.push_back(line);
    if (m_sink) m_sink(line);
}
