// Writes EUDC bitmap files for tests, euftool and the stand-in character editor. The editor itself never
// writes these files; this exists so that fixtures come from code and read back through the real reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "glyphstore/char_code.h"

// The bytes of a new file covering first..last (E000..F8FF unless told) with no characters and a management
// size of size by size dots; empty when size is not a multiple of 8 in 8..256 or the range is empty.
std::vector<std::uint8_t> MakeEudcBitmapFileBytes(int size, int first = kEudcFirst, int last = kEudcLast);

// Stores one character in a file's bytes held in memory, by the rules of PutEudcBitmapRecord.
bool PutEudcBitmapRecordBytes(std::vector<std::uint8_t>& file, int code, std::span<const std::uint8_t> bits);

// A new file covering E000..F8FF with no characters and a management size of size by size dots (size a
// multiple of 8 in 8..256). Fails, leaving nothing behind, when the file already exists or cannot be written.
bool CreateEudcBitmapFile(const std::filesystem::path& path, int size);

// Stores one character: bits is a dot plane of the management size (W * H / 8 bytes, rows top to bottom,
// leftmost dot in the most significant bit, bit 0 black). A character that already has a readable record is
// overwritten in place; otherwise a record is appended and the code's index entry pointed at it. Fails
// without changing the file when it is not a readable bitmap file, the code is not in E000..F8FF or outside
// its index, bits has the wrong length, or the character would not read back as stored (a damaged file
// whose records overlap).
bool PutEudcBitmapRecord(const std::filesystem::path& path, int code, std::span<const std::uint8_t> bits);
