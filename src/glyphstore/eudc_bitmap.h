// Reads character bitmaps from the EUDC bitmap file that the system character editor keeps beside the EUDC
// font. The program never writes that file; it only reads the header, the index and single records, and must
// stay safe on whatever bytes the file holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <vector>

// Result codes of ReadEudcBitmap; the user sees the number.
inline constexpr int kEudcOk = 0;
inline constexpr int kEudcCannotOpen = 10;     // the file cannot be opened for reading
inline constexpr int kEudcBadHeader = 11;      // header shorter than 102 bytes, or wrong signature
inline constexpr int kEudcBadRangeBlock = 12;  // the range block lies outside the file
inline constexpr int kEudcBadIndex = 13;       // empty code range, or the index is not there whole
inline constexpr int kEudcNoCharacter = 20;    // no character stored for the code
inline constexpr int kEudcBitmapShort = 30;    // the bitmap bytes cannot be read whole
inline constexpr int kEudcFileShorterThanRecord = 31;
inline constexpr int kEudcBadRecordSize = 32;      // W * H / 8 is 0 or more than 8192
inline constexpr int kEudcRecordHeaderShort = 33;  // the 8-byte record header cannot be read
inline constexpr int kEudcRecordBeyondEnd = 34;    // the record starts at or after the end of the file
inline constexpr int kEudcSizeMismatch = 40;       // the record's size is not the management size

// Layout constants of the file, shared with the fixture writer.
inline constexpr char kEudcSignature[] = "Windows EUDC Editor Bitmap File (Uni-Code)";
inline constexpr int kEudcSignatureLength = 42;
inline constexpr int kEudcHeaderLength = 102;
inline constexpr int kEudcBaseFieldOffset = 98;   // where B, the base of the index area, is stored
inline constexpr int kEudcRangeBlockLength = 20;  // at B - 6: F, L and 16 uninterpreted bytes
inline constexpr int kEudcIndexOffset = 14;       // index starts at B + 14
inline constexpr int kEudcRecordHeaderLength = 8;
inline constexpr int kEudcMaxBitmapBytes = 8192;  // a 256 by 256 dot bitmap

// With code 0: reads the header and index and sets width and height to the management size (left as passed
// in when its record cannot be read). With a code: reads that character; on kEudcOk width and height are its
// size and *bitmap (when given) holds its W * H / 8 bytes. On results 20..40 width and height become 0; on
// 10..13 they are left as passed in. *bitmap is emptied on every result but kEudcOk with a code. A code
// outside the file's index range gives kEudcNoCharacter.
int ReadEudcBitmap(const std::filesystem::path& path, int code, int& width, int& height,
                   std::vector<std::uint8_t>* bitmap);
// The same on a whole file's bytes in memory; result 10 cannot occur.
int ReadEudcBitmapBytes(std::span<const std::uint8_t> bytes, int code, int& width, int& height,
                        std::vector<std::uint8_t>* bitmap);

// Header and index of a file, as the reader sees them.
struct EudcIndex {
    std::uint32_t base = 0;              // B
    int first = 0;                       // F
    int last = 0;                        // L
    std::vector<std::uint32_t> entries;  // one per code F..L, relative to B; 0 = no character
    bool hasManagementSize = false;
    int width = 0;  // management size; 0 by 0 when its record cannot be read
    int height = 0;
};

// kEudcOk, or the reader's result 10..13.
int ReadEudcIndex(const std::filesystem::path& path, EudcIndex& index);
int ReadEudcIndexBytes(std::span<const std::uint8_t> bytes, EudcIndex& index);

// A whole file's bytes, opened as the reader opens it (no sharing); kEudcOk or kEudcCannotOpen. Readers of
// many characters take the file once and then read the records from memory.
int ReadEudcFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes);
// A whole file of at most maxBytes, opened as the reader opens it (no sharing); false when it cannot be
// opened or read whole, or is larger.
bool ReadExclusiveFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes,
                            std::vector<std::uint8_t>& bytes);
// The same, but letting others read the file meanwhile and refusing only a writer: the system keeps its
// EUDC font open for reading while it is linked to the other fonts, and that must not count as held.
bool ReadUnwrittenFileBytes(const std::filesystem::path& path, std::uint64_t maxBytes,
                            std::vector<std::uint8_t>& bytes);
// One character's record, by the rules of ReadEudcBitmap, from a file's bytes whose index is already loaded
// (ReadEudcIndexBytes on the same bytes).
int ReadEudcRecordBytes(std::span<const std::uint8_t> bytes, const EudcIndex& index, int code, int& width,
                        int& height, std::vector<std::uint8_t>* bitmap);

// A bitmap file opened once and read piece by piece -- its index, any records, its first bytes -- so that
// what a reader holds follows what it reads, never the file's length. Each read follows the rules of
// ReadEudcBitmap on the whole file.
class EudcFileReader {
  public:
    EudcFileReader();
    ~EudcFileReader();
    EudcFileReader(const EudcFileReader&) = delete;
    EudcFileReader& operator=(const EudcFileReader&) = delete;

    // kEudcOk, or kEudcCannotOpen (the file is missing or another program holds it).
    int Open(const std::filesystem::path& path);
    std::uint64_t Length() const { return m_length; }
    // kEudcOk or the reader's result 11..13.
    int ReadIndex(EudcIndex& index);
    int ReadRecord(const EudcIndex& index, int code, int& width, int& height,
                   std::vector<std::uint8_t>* bitmap);
    // The file's first `count` bytes (all of it when shorter); false when they cannot be read.
    bool ReadStart(std::uint64_t count, std::vector<std::uint8_t>& bytes);

  private:
    std::FILE* m_file = nullptr;
    std::uint64_t m_length = 0;
};

// The codes whose index entry is not 0, in ascending order; kEudcOk or the reader's result 10..13.
int ListEudcCodes(const std::filesystem::path& path, std::vector<int>& codes);
int ListEudcCodesBytes(std::span<const std::uint8_t> bytes, std::vector<int>& codes);
