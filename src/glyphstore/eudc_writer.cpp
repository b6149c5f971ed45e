#include "glyphstore/eudc_writer.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/glyph_size.h"

namespace {

// Our own layout: the range block directly after the header, so B = 102 + 6.
constexpr std::uint32_t kBase = kEudcHeaderLength + 6;

// A bitmap file holds at most one index and one 8 KiB record per code; anything much larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 128u * 1024 * 1024;

void PutU16(std::uint8_t* p, unsigned value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t value) {
    PutU16(p, value & 0xFFFF);
    PutU16(p + 2, value >> 16);
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxFileBytes) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), {});
    return !file.bad();
}

// Writes the bytes beside `path` and puts them in its place in one step, so a reader sees either the old
// file or the new one, never a part of either. Nothing is left behind on failure.
bool ReplaceFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path temporary = BesideFile(path);
    std::string error;
    return WriteWholeFile(temporary, bytes, error) && PutFileInPlace(temporary, path, error);
}

}  // namespace

std::vector<std::uint8_t> MakeEudcBitmapFileBytes(int size, int first, int last) {
    if (!IsUsableGlyphSize(size, size) || first < 0 || last > 0xFFFF || last < first) return {};
    const int count = last - first + 1;
    std::vector<std::uint8_t> bytes(kBase + kEudcIndexOffset + 4u * count, 0);
    std::memcpy(bytes.data(), kEudcSignature, kEudcSignatureLength);
    PutU32(&bytes[kEudcBaseFieldOffset], kBase);
    PutU16(&bytes[kBase - 6], static_cast<unsigned>(first));
    PutU16(&bytes[kBase - 4], static_cast<unsigned>(last));
    // While the first code has no record its index entry is 0 and the reader takes the 8 bytes at B as the
    // management record, so the size goes where that record keeps W and H.
    PutU16(&bytes[kBase + 4], static_cast<unsigned>(size));
    PutU16(&bytes[kBase + 6], static_cast<unsigned>(size));
    return bytes;
}

namespace {

// Points the code's index entry at a new record appended to the file.
bool AppendRecord(std::vector<std::uint8_t>& file, const EudcIndex& index, std::size_t slot,
                  std::span<const std::uint8_t> bits) {
    const std::uint64_t end = file.size();
    if (end <= index.base || end - index.base > std::numeric_limits<std::uint32_t>::max()) return false;
    std::uint8_t record[kEudcRecordHeaderLength] = {};
    PutU16(&record[4], static_cast<unsigned>(index.width));
    PutU16(&record[6], static_cast<unsigned>(index.height));
    file.insert(file.end(), std::begin(record), std::end(record));
    file.insert(file.end(), bits.begin(), bits.end());
    PutU32(&file[index.base + kEudcIndexOffset + 4u * slot], static_cast<std::uint32_t>(end - index.base));
    return true;
}

bool ReadsBack(const std::vector<std::uint8_t>& file, int code, std::span<const std::uint8_t> bits) {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> stored;
    return ReadEudcBitmapBytes(file, code, width, height, &stored) == kEudcOk &&
           std::equal(stored.begin(), stored.end(), bits.begin(), bits.end());
}

}  // namespace

bool PutEudcBitmapRecordBytes(std::vector<std::uint8_t>& file, int code, std::span<const std::uint8_t> bits) {
    // Only character codes: for the reader, code 0 means "the header only", so a file whose index starts
    // at 0 would make every check below pass without looking at a record.
    if (!IsUnicodeEudcCode(code)) return false;
    EudcIndex index;
    if (ReadEudcIndexBytes(file, index) != kEudcOk || !index.hasManagementSize) return false;
    const std::int64_t size = std::int64_t{index.width} * index.height / 8;
    if (size <= 0 || size > kEudcMaxBitmapBytes || bits.size() != static_cast<std::size_t>(size))
        return false;
    if (code < index.first || code > index.last) return false;
    const std::size_t slot = static_cast<std::size_t>(code - index.first);

    // Overwrite only a sound record that lies after the index; anything else gets a fresh record.
    const std::uint64_t indexEnd = std::uint64_t{index.base} + kEudcIndexOffset + 4u * index.entries.size();
    const std::uint64_t recordPosition = std::uint64_t{index.base} + index.entries[slot];
    int width = 0;
    int height = 0;
    const bool inPlace = index.entries[slot] != 0 && recordPosition >= indexEnd &&
                         ReadEudcBitmapBytes(file, code, width, height, nullptr) == kEudcOk;
    // In a file we did not write, records and the index may overlap each other or the management record, so
    // a write can spoil what it did not aim at. Every change is checked by reading it back, and undone unless
    // the character then reads as stored (the file is changed in place: a copy of a large file costs more
    // than the read-back).
    if (inPlace) {
        const auto at = file.begin() + static_cast<std::ptrdiff_t>(recordPosition) + kEudcRecordHeaderLength;
        const std::vector<std::uint8_t> before(at, at + static_cast<std::ptrdiff_t>(bits.size()));
        std::copy(bits.begin(), bits.end(), at);
        if (ReadsBack(file, code, bits)) return true;
        std::copy(before.begin(), before.end(), file.begin() + (at - file.begin()));
    }
    const std::size_t length = file.size();
    const std::size_t entry = index.base + kEudcIndexOffset + 4u * slot;
    std::uint8_t entryBefore[4];
    std::copy_n(&file[entry], 4, entryBefore);
    if (AppendRecord(file, index, slot, bits) && ReadsBack(file, code, bits)) return true;
    file.resize(length);
    std::copy_n(entryBefore, 4, &file[entry]);
    return false;
}

bool CreateEudcBitmapFile(const std::filesystem::path& path, int size) {
    const std::vector<std::uint8_t> bytes = MakeEudcBitmapFileBytes(size);
    if (bytes.empty()) return false;
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) return false;
    return ReplaceFile(path, bytes);
}

bool PutEudcBitmapRecord(const std::filesystem::path& path, int code, std::span<const std::uint8_t> bits) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes) || !PutEudcBitmapRecordBytes(bytes, code, bits)) return false;
    return ReplaceFile(path, bytes);
}
