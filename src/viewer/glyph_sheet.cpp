#include "viewer/glyph_sheet.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <new>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/glyph_size.h"

template <class ReadRecord>
int GlyphSheet::Take(const EudcIndex& index, ReadRecord&& record) {
    m_width = index.width;
    m_height = index.height;
    if (!IsUsableGlyphSize(index.width, index.height)) return m_result = kSheetBadManagementSize;

    m_first = std::max(index.first, kEudcFirst);
    m_last = std::min(index.last, kEudcLast);
    const int count = std::max(0, m_last - m_first + 1);
    m_records.assign(static_cast<std::size_t>(count), kEudcNoCharacter);
    m_planeSlots.assign(static_cast<std::size_t>(count), -1);
    std::vector<std::uint8_t> bits;
    for (int i = 0; i < count; ++i) {
        const int code = m_first + i;
        if (index.entries[static_cast<std::size_t>(code - index.first)] == 0) continue;
        const int result = record(code, bits);
        m_records[static_cast<std::size_t>(i)] = result;
        if (result == kEudcOk) {
            m_planeSlots[static_cast<std::size_t>(i)] = m_storedCount++;
            m_planes.insert(m_planes.end(), bits.begin(), bits.end());
        } else if (result != kEudcNoCharacter) {
            ++m_damagedCount;
        }
    }
    return m_result = kEudcOk;
}

int GlyphSheet::Load(std::span<const std::uint8_t> fileBytes) {
    *this = GlyphSheet{};
    EudcIndex index;
    m_result = ReadEudcIndexBytes(fileBytes, index);
    if (m_result != kEudcOk) return m_result;
    return Take(index, [&](int code, std::vector<std::uint8_t>& bits) {
        int width = 0, height = 0;
        return ReadEudcRecordBytes(fileBytes, index, code, width, height, &bits);
    });
}

int GlyphSheet::ReadFile(const std::filesystem::path& path, std::uint64_t wholeReadLimit) {
    *this = GlyphSheet{};
    EudcFileReader file;
    EudcIndex index;
    if ((m_result = file.Open(path)) != kEudcOk || (m_result = file.ReadIndex(index)) != kEudcOk)
        return m_result;

    // What the reads below can touch: the index, the management size's record header, and each shown
    // code's record at its largest. Past that the file means nothing, however long it is.
    const std::uint64_t base = index.base;
    std::uint64_t end = base + kEudcIndexOffset + 4 * static_cast<std::uint64_t>(index.entries.size());
    end = std::max(end, base + index.entries[0] + kEudcRecordHeaderLength);
    for (int code = std::max(index.first, kEudcFirst); code <= std::min(index.last, kEudcLast); ++code) {
        const std::uint32_t entry = index.entries[static_cast<std::size_t>(code - index.first)];
        if (entry != 0) end = std::max(end, base + entry + kEudcRecordHeaderLength + kEudcMaxBitmapBytes);
    }
    end = std::min(end, file.Length());

    if (end <= wholeReadLimit) {
        std::vector<std::uint8_t> bytes;
        if (!file.ReadStart(end, bytes)) return m_result = kEudcCannotOpen;
        return Load(bytes);
    }
    return Take(index, [&](int code, std::vector<std::uint8_t>& bits) {
        int width = 0, height = 0;
        return file.ReadRecord(index, code, width, height, &bits);
    });
}

int GlyphSheet::Read(const std::filesystem::path& path, std::uint64_t wholeReadLimit) {
    try {
        return ReadFile(path, wholeReadLimit);
    } catch (const std::bad_alloc&) {
        *this = GlyphSheet{};
        return m_result = kSheetOutOfMemory;
    }
}

int GlyphSheet::RecordResult(int code) const {
    if (code < m_first || code > m_last) return kEudcNoCharacter;
    return m_records[static_cast<std::size_t>(code - m_first)];
}

std::span<const std::uint8_t> GlyphSheet::Plane(int code) const {
    if (!IsStored(code)) return {};
    const auto slot = static_cast<std::size_t>(m_planeSlots[static_cast<std::size_t>(code - m_first)]);
    return {m_planes.data() + slot * PlaneBytes(), PlaneBytes()};
}

std::vector<int> ChangedCodes(const GlyphSheet& before, const GlyphSheet& after) {
    std::vector<int> changed;
    if (!after.IsGood()) return changed;
    const bool sameLayout = before.IsGood() && before.FirstCode() == after.FirstCode() &&
                            before.LastCode() == after.LastCode() && before.GlyphSize() == after.GlyphSize();
    for (int code = after.FirstCode(); code <= after.LastCode(); ++code) {
        if (sameLayout && before.RecordResult(code) == after.RecordResult(code)) {
            const auto a = before.Plane(code);
            const auto b = after.Plane(code);
            if (std::equal(a.begin(), a.end(), b.begin(), b.end())) continue;
        }
        changed.push_back(code);
    }
    return changed;
}

std::wstring SheetFailureText(const GlyphSheet& sheet) {
    wchar_t text[160] = {};
    if (sheet.Result() == kSheetBadManagementSize) {
        std::swprintf(text, std::size(text), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙの管理ﾋﾞｯﾄｻｲｽﾞが異常です。Size=[%d,%d]",
                      sheet.GlyphSize(), sheet.ManagementHeight());
    } else if (sheet.Result() == kEudcCannotOpen) {
        std::swprintf(text, std::size(text), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙを開けません。Err=[%d]", sheet.Result());
    } else {
        std::swprintf(text, std::size(text), L"外字ﾌｫﾝﾄ用ﾋﾞｯﾄﾃﾞｰﾀﾌｧｲﾙのﾍｯﾀﾞ情報が読めません。Err=[%d]",
                      sheet.Result());
    }
    return text;
}
