// The two steps by which the glyph store changes a file the system uses: the new contents are written to a
// file beside it, and that file then takes the old one's place in one step, so that a reader sees either
// the old file or the new one and never a part of either. Kept apart so that a caller can check the new
// file between the steps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// The name of the file written beside `target`: the target's name with ".kf-new" appended.
std::filesystem::path BesideFile(const std::filesystem::path& target);

// Writes the bytes as a new file (replacing one left by an earlier attempt); nothing is left behind on
// failure, and `error` says what failed.
bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                    std::string& error);

// Moves `written` over `target` in one step; on failure `written` is removed and `target` is unchanged.
bool PutFileInPlace(const std::filesystem::path& written, const std::filesystem::path& target,
                    std::string& error);
