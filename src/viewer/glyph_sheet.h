// Every character of the bitmap file at once, as the browser shows them: the file is read whole, once per
// update, and each stored record is kept as a dot plane. Comparing two reads tells which cells to redraw.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "glyphstore/eudc_bitmap.h"

// The file reads, but its management size is not a square the planes can hold (see IsUsableGlyphSize).
inline constexpr int kSheetBadManagementSize = 50;
// The memory for the characters could not be had.
inline constexpr int kSheetOutOfMemory = 60;
// Files whose meaningful part (header, index and the records of the codes shown) is no longer than this
// are read in one piece; longer ones a record at a time.
inline constexpr std::uint64_t kSheetWholeReadLimit = std::uint64_t{64} << 20;

class GlyphSheet {
  public:
    // kEudcOk, the reader's result 10..13, kSheetBadManagementSize or kSheetOutOfMemory; nothing else is set
    // unless kEudcOk.
    int Load(std::span<const std::uint8_t> fileBytes);
    // Reads only what the characters need, whatever the file's length: the header, the index and the
    // records of the codes shown, in one piece up to `wholeReadLimit` bytes, else a record at a time.
    int Read(const std::filesystem::path& path, std::uint64_t wholeReadLimit = kSheetWholeReadLimit);

    int Result() const { return m_result; }
    bool IsGood() const { return m_result == 0; }
    // The management size (width, and height for the failure text).
    int GlyphSize() const { return m_width; }
    int ManagementHeight() const { return m_height; }
    // The codes the grid shows: the file's index range within E000..F8FF.
    int FirstCode() const { return m_first; }
    int LastCode() const { return m_last; }
    int StoredCount() const { return m_storedCount; }
    int DamagedCount() const { return m_damagedCount; }

    // The reader's result for one code: 0 stored, kEudcNoCharacter empty, 30..40 a damaged record.
    int RecordResult(int code) const;
    bool IsStored(int code) const { return RecordResult(code) == 0; }
    // The dots of a stored character (GlyphSize() squared bits, bit 0 black), empty otherwise.
    std::span<const std::uint8_t> Plane(int code) const;

  private:
    std::size_t PlaneBytes() const { return static_cast<std::size_t>(m_width) * m_width / 8; }
    // Takes an index that read well and the records, read by `record(code, bits)`.
    template <class ReadRecord>
    int Take(const EudcIndex& index, ReadRecord&& record);
    int ReadFile(const std::filesystem::path& path, std::uint64_t wholeReadLimit);

    int m_result = 10;
    int m_width = 0;
    int m_height = 0;
    int m_first = 0;
    int m_last = -1;
    int m_storedCount = 0;
    int m_damagedCount = 0;
    std::vector<int> m_records;          // one per code first..last
    std::vector<int> m_planeSlots;       // one per code first..last: its plane's place in m_planes, or -1
    std::vector<std::uint8_t> m_planes;  // the stored characters' planes only, one after the other
};

// The codes whose cell looks different between two good reads (stored or not, its dots, a damaged record),
// in ascending order. When the range or the size changed, every code of the new range.
std::vector<int> ChangedCodes(const GlyphSheet& before, const GlyphSheet& after);

// One line for the status bar saying why the file cannot be shown (the sheet's result is not kEudcOk).
std::wstring SheetFailureText(const GlyphSheet& sheet);
