#include "glyphstore/eudc_writer.h"

#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/glyph_size.h"

namespace {

// Our own layout: the range block directly after the header, so B = 102 + 6.
constexpr std::uint32_t kBase = kEudcHeaderLength + 6;

void PutU16(std::uint8_t* p, unsigned value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t value) {
    PutU16(p, value & 0xFFFF);
    PutU16(p + 2, value >> 16);
}

bool WriteAt(std::fstream& file, std::uint64_t position, const void* data, std::size_t size) {
    file.seekp(static_cast<std::streamoff>(position));
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.flush();
    return file.good();
}

}  // namespace

bool CreateEudcBitmapFile(const std::filesystem::path& path, int size) {
    if (!IsUsableGlyphSize(size, size)) return false;
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) return false;

    const int count = kEudcLast - kEudcFirst + 1;
    std::vector<std::uint8_t> bytes(kBase + kEudcIndexOffset + 4u * count, 0);
    std::memcpy(bytes.data(), kEudcSignature, kEudcSignatureLength);
    PutU32(&bytes[kEudcBaseFieldOffset], kBase);
    PutU16(&bytes[kBase - 6], kEudcFirst);
    PutU16(&bytes[kBase - 4], kEudcLast);
    // While E000 has no record its index entry is 0 and the reader takes the 8 bytes at B as the management
    // record, so the size goes where that record keeps W and H.
    PutU16(&bytes[kBase + 4], static_cast<unsigned>(size));
    PutU16(&bytes[kBase + 6], static_cast<unsigned>(size));

    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (file.fail()) {
        std::filesystem::remove(path, error);
        return false;
    }
    return true;
}

bool PutEudcBitmapRecord(const std::filesystem::path& path, int code, std::span<const std::uint8_t> bits) {
    EudcIndex index;
    if (ReadEudcIndex(path, index) != kEudcOk || !index.hasManagementSize) return false;
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
                         ReadEudcBitmap(path, code, width, height, nullptr) == kEudcOk;

    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) return false;
    if (inPlace) return WriteAt(file, recordPosition + kEudcRecordHeaderLength, bits.data(), bits.size());

    // Append first and point the index at the record last, so a failed write leaves the old state readable.
    file.seekp(0, std::ios::end);
    const std::streamoff end = file.tellp();
    if (end < 0 || static_cast<std::uint64_t>(end) <= index.base ||
        static_cast<std::uint64_t>(end) - index.base > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const auto entry = static_cast<std::uint32_t>(static_cast<std::uint64_t>(end) - index.base);
    std::vector<std::uint8_t> record(kEudcRecordHeaderLength, 0);
    PutU16(&record[4], static_cast<unsigned>(index.width));
    PutU16(&record[6], static_cast<unsigned>(index.height));
    record.insert(record.end(), bits.begin(), bits.end());
    std::uint8_t entryBytes[4];
    PutU32(entryBytes, entry);
    return WriteAt(file, static_cast<std::uint64_t>(end), record.data(), record.size()) &&
           WriteAt(file, std::uint64_t{index.base} + kEudcIndexOffset + 4u * slot, entryBytes, 4);
}
