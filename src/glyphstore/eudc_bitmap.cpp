#include "glyphstore/eudc_bitmap.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <share.h>
#endif

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// No sharing on Windows: a file that another program holds open fails to open, which callers report.
FilePtr OpenExclusive(const std::filesystem::path& path) {
#ifdef _WIN32
    return FilePtr(_wfsopen(path.c_str(), L"rb", _SH_DENYRW));
#else
    return FilePtr(std::fopen(path.c_str(), "rb"));
#endif
}

bool SeekTo(std::FILE* file, std::uint64_t position, int origin = SEEK_SET) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(position), origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), origin) == 0;
#endif
}

bool GetLength(std::FILE* file, std::uint64_t& length) {
    if (!SeekTo(file, 0, SEEK_END)) return false;
#ifdef _WIN32
    const long long end = _ftelli64(file);
#else
    const long long end = ftello(file);
#endif
    if (end < 0) return false;
    length = static_cast<std::uint64_t>(end);
    return true;
}

// A whole file of at most maxBytes from an open file (none: false).
bool ReadWholeFile(FilePtr file, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::uint64_t length = 0;
    if (!file || !GetLength(file.get(), length) || length > maxBytes || length > SIZE_MAX ||
        !SeekTo(file.get(), 0))
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        return false;
    }
    return true;
}

// Where the reader takes its bytes from: an open file, or a file's bytes already in memory.
class Source {
  public:
    virtual ~Source() = default;
    // True only when all `size` bytes at `position` arrive.
    virtual bool ReadAt(std::uint64_t position, void* dest, std::size_t size) = 0;
};

class FileSource : public Source {
  public:
    explicit FileSource(std::FILE* file) : m_file(file) {}
    bool ReadAt(std::uint64_t position, void* dest, std::size_t size) override {
        return SeekTo(m_file, position) && std::fread(dest, 1, size, m_file) == size;
    }

  private:
    std::FILE* m_file;
};

class MemorySource : public Source {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool ReadAt(std::uint64_t position, void* dest, std::size_t size) override {
        if (position > m_bytes.size() || m_bytes.size() - position < size) return false;
        if (size != 0) std::memcpy(dest, m_bytes.data() + position, size);
        return true;
    }

  private:
    std::span<const std::uint8_t> m_bytes;
};

int U16(const std::uint8_t* p) { return p[0] | p[1] << 8; }

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The header, range block, index and management size of an open file of `length` bytes.
int LoadIndex(Source& file, std::uint64_t length, EudcIndex& index) {
    std::uint8_t header[kEudcHeaderLength];
    if (!file.ReadAt(0, header, sizeof header) ||
        std::memcmp(header, kEudcSignature, kEudcSignatureLength) != 0) {
        return kEudcBadHeader;
    }
    const std::uint32_t base = U32(header + kEudcBaseFieldOffset);
    std::uint8_t range[kEudcRangeBlockLength];
    // B - 6 is unsigned 32-bit arithmetic: a B below 6 wraps and fails the length test too.
    if (length <= base - 6u || !file.ReadAt(base - 6u, range, sizeof range)) {
        return kEudcBadRangeBlock;
    }
    const int first = U16(range);
    const int last = U16(range + 2);
    const int count = last - first + 1;
    const std::uint64_t indexPosition = std::uint64_t{base} + kEudcIndexOffset;
    // A count the file cannot hold is rejected before anything is allocated for it.
    if (count <= 0 || indexPosition + 4u * static_cast<std::uint64_t>(count) > length) return kEudcBadIndex;
    std::vector<std::uint8_t> raw(4u * static_cast<std::size_t>(count));
    if (!file.ReadAt(indexPosition, raw.data(), raw.size())) return kEudcBadIndex;

    index.base = base;
    index.first = first;
    index.last = last;
    index.entries.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < index.entries.size(); ++i) index.entries[i] = U32(raw.data() + 4 * i);

    // The first code's record gives the management size; when it is not there the size stays 0 by 0.
    const std::uint64_t managementPosition = std::uint64_t{base} + index.entries[0];
    std::uint8_t record[kEudcRecordHeaderLength];
    index.hasManagementSize = managementPosition < length && file.ReadAt(managementPosition, record, 8);
    index.width = index.hasManagementSize ? U16(record + 4) : 0;
    index.height = index.hasManagementSize ? U16(record + 6) : 0;
    return kEudcOk;
}

int OpenFile(const std::filesystem::path& path, FilePtr& file, std::uint64_t& length) {
    file = OpenExclusive(path);
    if (!file || !GetLength(file.get(), length)) return kEudcCannotOpen;
    return kEudcOk;
}

// Steps 6 to 12 of a read, once the index is loaded.
int ReadRecord(Source& file, std::uint64_t length, const EudcIndex& index, int code, int& width, int& height,
               std::vector<std::uint8_t>* bitmap) {
    if (code == 0) {
        if (index.hasManagementSize) {
            width = index.width;
            height = index.height;
        }
        return kEudcOk;
    }

    const auto fail = [&](int result) {
        width = 0;
        height = 0;
        return result;
    };
    if (code < index.first || code > index.last) return fail(kEudcNoCharacter);
    const std::uint32_t entry = index.entries[static_cast<std::size_t>(code - index.first)];
    if (entry == 0) return fail(kEudcNoCharacter);

    const std::uint64_t position = std::uint64_t{index.base} + entry;
    if (position >= length) return fail(kEudcRecordBeyondEnd);
    std::uint8_t record[kEudcRecordHeaderLength];
    if (!file.ReadAt(position, record, sizeof record)) return fail(kEudcRecordHeaderShort);
    const int w = U16(record + 4);
    const int h = U16(record + 6);

    // The size is a signed 32-bit product: a wrapped product turns negative and fails the unsigned limit.
    const std::int32_t size = static_cast<std::int32_t>(static_cast<std::int64_t>(w) * h) / 8;
    if (size == 0 || static_cast<std::uint32_t>(size) > kEudcMaxBitmapBytes) return fail(kEudcBadRecordSize);
    // The length check counts from the record's start, without its header; the read below catches the rest.
    if (length < position + static_cast<std::uint64_t>(size)) return fail(kEudcFileShorterThanRecord);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(size));
    if (!file.ReadAt(position + kEudcRecordHeaderLength, bits.data(), bits.size())) {
        return fail(kEudcBitmapShort);
    }
    if (w != index.width || h != index.height) return fail(kEudcSizeMismatch);

    width = w;
    height = h;
    if (bitmap) *bitmap = std::move(bits);
    return kEudcOk;
}

void CollectCodes(const EudcIndex& index, std::vector<int>& codes) {
    for (std::size_t i = 0; i < index.entries.size(); ++i) {
        if (index.entries[i] != 0) codes.push_back(index.first + static_cast<int>(i));
    }
}

}  // namespace

int ReadEudcIndex(const std::filesystem::path& path, EudcIndex& index) {
    index = EudcIndex{};
    FilePtr file;
    std::uint64_t length = 0;
    if (const int result = OpenFile(path, file, length); result != kEudcOk) return result;
    FileSource source(file.get());
    return LoadIndex(source, length, index);
}

int ReadEudcIndexBytes(std::span<const std::uint8_t> bytes, EudcIndex& index) {
    index = EudcIndex{};
    MemorySource source(bytes);
    return LoadIndex(source, bytes.size(), index);
}

int ListEudcCodes(const std::filesystem::path& path, std::vector<int>& codes) {
    codes.clear();
    EudcIndex index;
    const int result = ReadEudcIndex(path, index);
    if (result == kEudcOk) CollectCodes(index, codes);
    return result;
}

int ListEudcCodesBytes(std::span<const std::uint8_t> bytes, std::vector<int>& codes) {
    codes.clear();
    EudcIndex index;
    const int result = ReadEudcIndexBytes(bytes, index);
    if (result == kEudcOk) CollectCodes(index, codes);
    return result;
}

int ReadEudcBitmap(const std::filesystem::path& path, int code, int& width, int& height,
                   std::vector<std::uint8_t>* bitmap) {
    if (bitmap) bitmap->clear();
    FilePtr file;
    std::uint64_t length = 0;
    if (const int result = OpenFile(path, file, length); result != kEudcOk) return result;
    FileSource source(file.get());
    EudcIndex index;
    if (const int result = LoadIndex(source, length, index); result != kEudcOk) return result;
    return ReadRecord(source, length, index, code, width, height, bitmap);
}

int ReadEudcBitmapBytes(std::span<const std::uint8_t> bytes, int code, int& width, int& height,
                        std::vector<std::uint8_t>* bitmap) {
    if (bitmap) bitmap->clear();
    MemorySource source(bytes);
    EudcIndex index;
    if (const int result = LoadIndex(source, bytes.size(), index); result != kEudcOk) return result;
    return ReadRecord(source, bytes.size(), index, code, width, height, bitmap);
}

int ReadEudcFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    FilePtr file;
    std::uint64_t length = 0;
    if (const int result = OpenFile(path, file, length); result != kEudcOk) return result;
    if (length > SIZE_MAX || !SeekTo(file.get(), 0)) return kEudcCannotOpen;
    bytes.resize(static_cast<std::size_t>(length));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        return kEudcCannotOpen;
    }
    return kEudcOk;
}

bool ReadExclusiveFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes,
                            std::vector<std::uint8_t>& bytes) {
    return ReadWholeFile(OpenExclusive(path), maxBytes, bytes);
}

bool ReadUnwrittenFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes,
                            std::vector<std::uint8_t>& bytes) {
#ifdef _WIN32
    return ReadWholeFile(FilePtr(_wfsopen(path.c_str(), L"rb", _SH_DENYWR)), maxBytes, bytes);
#else
    return ReadWholeFile(FilePtr(std::fopen(path.c_str(), "rb")), maxBytes, bytes);
#endif
}

int ReadEudcRecordBytes(std::span<const std::uint8_t> bytes, const EudcIndex& index, int code, int& width,
                        int& height, std::vector<std::uint8_t>* bitmap) {
    if (bitmap) bitmap->clear();
    MemorySource source(bytes);
    return ReadRecord(source, bytes.size(), index, code, width, height, bitmap);
}

EudcFileReader::EudcFileReader() = default;

EudcFileReader::~EudcFileReader() {
    if (m_file) std::fclose(m_file);
}

int EudcFileReader::Open(const std::filesystem::path& path) {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_length = 0;
    FilePtr file;
    if (const int result = OpenFile(path, file, m_length); result != kEudcOk) return result;
    m_file = file.release();
    return kEudcOk;
}

int EudcFileReader::ReadIndex(EudcIndex& index) {
    index = EudcIndex{};
    if (!m_file) return kEudcCannotOpen;
    FileSource source(m_file);
    return LoadIndex(source, m_length, index);
}

int EudcFileReader::ReadRecord(const EudcIndex& index, int code, int& width, int& height,
                               std::vector<std::uint8_t>* bitmap) {
    if (bitmap) bitmap->clear();
    if (!m_file) return kEudcCannotOpen;
    FileSource source(m_file);
    return ::ReadRecord(source, m_length, index, code, width, height, bitmap);
}

bool EudcFileReader::ReadStart(std::uint64_t count, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (!m_file) return false;
    count = std::min(count, m_length);
    if (count > SIZE_MAX) return false;
    bytes.resize(static_cast<std::size_t>(count));
    FileSource source(m_file);
    if (!bytes.empty() && !source.ReadAt(0, bytes.data(), bytes.size())) {
        bytes.clear();
        return false;
    }
    return true;
}
