// The decisions around a save that prove it or protect the user's files, kept free of Windows: whether the
// editor's status bar shows the code, the clipboard form of a glyph, the backups of the EUDC files taken
// before the editor may write them, the comparison of the stored character with the edit bitmap, and the
// timeline of the save's steps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/dot_plane.h"

// True when `text` holds `code` (four hexadecimal digits) as a whole token: the four digits are neither
// preceded nor followed by another hexadecimal digit or letter/digit of a longer word. "E000" is found in
// "コード: E000" and "U+E000", not in "E0001" or "1E000".
bool TextShowsCode(std::wstring_view text, std::wstring_view code);

// The bits of a monochrome GDI bitmap made from the plane: CreateBitmap wants every row padded to a
// multiple of two bytes, the plane has none, so a size whose row is an odd number of bytes gets one
// white pad byte a row.
std::vector<std::uint8_t> WordAlignedRows(const DotPlane& glyph);

// The command line that starts `path`: quoted when it holds a blank (and not quoted already), so that a
// folder such as "C:\Program Files" cannot make another program start.
std::wstring EditorCommandLine(const std::wstring& path);

// A local date and time, as the backup names use it.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "<name>.<yyyymmdd-hhmmss>".
std::wstring BackupFileName(const std::wstring& fileName, const LocalTime& time);

// The backups of `fileName` in `folder` (names "<name>.<yyyymmdd-hhmmss>" with an optional "_N" for a second
// backup within one second), oldest first. Any other name is ignored, however long its number.
std::vector<std::filesystem::path> ListBackups(const std::filesystem::path& folder,
                                               const std::wstring& fileName);
// The backups of `fileName` in `folder` beyond the newest `keep`, oldest first.
std::vector<std::filesystem::path> BackupsToRemove(const std::filesystem::path& folder,
                                                   const std::wstring& fileName, std::size_t keep);

inline constexpr std::size_t kBackupsKept = 10;

// Copies each file into `folder` (created when missing) under BackupFileName -- unless the file is the same,
// byte for byte, as its newest backup, so that a run of saves that changed nothing (failed ones) never
// pushes the last good copy out. Older backups with the same bytes as the new one go (the kept ones all
// differ), then those beyond the newest kBackupsKept. On any failure the copies made by this call are
// removed again and `problem` names the file that could not be copied; nothing else changes then. Each file
// is read once, unless the caller has read them already and gives their bytes (one per file) as `contents`.
bool BackUpFiles(const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder,
                 const LocalTime& time, std::wstring& problem,
                 std::vector<std::span<const std::uint8_t>> contents = {});

// What the bitmap file holds for the saved code, compared with the edit bitmap.
enum class ReadBack {
    Match,       // the stored character is the edit bitmap
    Held,        // the file could not be opened (the editor may still hold it): read again later
    Mismatch,    // a character of the right size, but other dots
    Unreadable,  // no character, or one the reader refuses
};
// Classifies a ReadEudcBitmap result for `glyph`.
ReadBack CompareReadBack(int readerResult, int width, int height, const std::vector<std::uint8_t>& bits,
                         const DotPlane& glyph);
// On the bitmap file's bytes (read letting others read, write and replace it meanwhile, so that an editor
// writing it at that moment does not fail because of the check); nothing read counts as held.
ReadBack ReadBackGlyph(const std::optional<std::vector<std::uint8_t>>& bitmapFile, int code,
                       const DotPlane& glyph);
// The same on bytes already read.
ReadBack ReadBackGlyph(std::span<const std::uint8_t> bitmapFile, int code, const DotPlane& glyph);
const wchar_t* ReadBackName(ReadBack result);

// Where the seconds of a save go: each step with the milliseconds since the save began, handed to a sink
// line by line as it happens (so a save that hangs still shows how far it came).
class SaveTimeline {
  public:
    using Clock = std::function<std::int64_t()>;
    using Sink = std::function<void(const std::wstring&)>;
    SaveTimeline(Clock clock, Sink sink);
    void Mark(std::wstring_view step);
    // Milliseconds since construction.
    std::int64_t Elapsed() const;
    const std::vector<std::wstring>& Lines() const { return m_lines; }

  private:
    Clock m_clock;
    Sink m_sink;
    std::int64_t m_start;
    std::vector<std::wstring> m_lines;
};
