// Writes EUDC bitmap files for tests, euftool and the stand-in character editor. The editor itself never
// writes these files; this exists so that fixtures come from code and read back through the real reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

// A new file covering E000..F8FF with no characters and a management size of size by size dots (size a
// multiple of 8 in 8..256). Fails, leaving nothing behind, when the file already exists or cannot be written.
bool CreateEudcBitmapFile(const std::filesystem::path& path, int size);

// Stores one character: bits is a dot plane of the management size (W * H / 8 bytes, rows top to bottom,
// leftmost dot in the most significant bit, bit 0 black). A character that already has a readable record is
// overwritten in place; otherwise a record is appended and the code's index entry pointed at it. Fails
// without changing the file when it is not a readable bitmap file, the code is outside its index or bits has
// the wrong length.
bool PutEudcBitmapRecord(const std::filesystem::path& path, int code, std::span<const std::uint8_t> bits);
