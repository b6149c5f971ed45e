// The finder's index of one font: every candidate's features, computed once from the glyph at the working
// size and kept in a cache file in the user's data folder, so that a search does not render a font again.
// The file is keyed by the font's name, size and time stamp; one that does not match, or is damaged in any
// way, is never trusted: the index is built again from the font.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "finder/finder_candidates.h"
#include "finder/glyph_features.h"
#include "glyphstore/tte_font.h"

// The size candidates are rendered at before their features are taken: the editor's usual glyph size, and
// enough dots that a stroke of a busy character keeps its own edges.
inline constexpr int kFinderRenderSize = 64;

// What a cache file must match: the font file's name (as the caller spells it), size and time stamp.
struct FontIndexKey {
    std::string name;
    std::uint64_t size = 0;
    std::int64_t stamp = 0;
    bool operator==(const FontIndexKey&) const = default;
};

struct FontIndexEntry {
    std::uint32_t code = 0;
    std::uint32_t selector = 0;
    bool operator==(const FontIndexEntry&) const = default;
};

struct FontIndex {
    FontIndexKey key;
    std::vector<FontIndexEntry> entries;
    std::vector<GlyphFeatures> features;  // one per entry
};

// Builds the index of a font on every processor (up to four). `progress` is called now and then with (done,
// total), always on the calling thread; the build stops when `cancel` becomes true and returns false with an
// empty index. A glyph that cannot be drawn or has no ink is left out (it could not be found anyway).
bool BuildFontIndex(const TteFont& font, const std::vector<FinderCandidate>& candidates, FontIndexKey key,
                    FontIndex& index, const std::function<void(std::size_t, std::size_t)>& progress = {},
                    const std::atomic<bool>* cancel = nullptr);

// The cache file's bytes, and their reading. ReadFontIndex accepts only a whole, unchanged file of this
// version for `expected` (when given); anything else is refused with `error` saying why, `index` empty.
std::vector<std::uint8_t> FontIndexBytes(const FontIndex& index);
bool ReadFontIndex(std::span<const std::uint8_t> bytes, const FontIndexKey* expected, FontIndex& index,
                   std::string& error);

// The cache file of a font in `folder`: the font's file name and a short hash of its whole key text.
std::filesystem::path FontIndexPath(const std::filesystem::path& folder,
                                    const std::filesystem::path& fontPath);

// The index of a font from its cache file when that matches, else built from the font and written to the
// cache (a cache that cannot be written costs only the next build). `rebuilt` tells which happened;
// `error` says why a font could not be indexed (false) or why the cache was not used or written.
struct FontIndexLoad {
    bool rebuilt = false;
    std::string cacheNote;  // why an existing cache was not used, or why writing it failed
    std::string error;      // why the font gave no index
};
bool LoadOrBuildFontIndex(const std::filesystem::path& fontPath, const std::filesystem::path& cacheFolder,
                          FontIndex& index, FontIndexLoad& load,
                          const std::function<void(std::size_t, std::size_t)>& progress = {},
                          const std::atomic<bool>* cancel = nullptr);

// The same for a font already read into memory (one the system handed over as bytes rather than a file):
// the cache at `cachePath` when it is made for `key`, else built from `font` and written there.
bool LoadOrBuildFontIndex(const TteFont& font, const FontIndexKey& key,
                          const std::filesystem::path& cachePath, FontIndex& index, FontIndexLoad& load,
                          const std::function<void(std::size_t, std::size_t)>& progress = {},
                          const std::atomic<bool>* cancel = nullptr);
// The key of a font held as bytes: `name`, the byte count, and a hash of the bytes in place of a time stamp.
FontIndexKey FontBytesKey(std::string name, std::span<const std::uint8_t> bytes);

// The key of a font file as it is now (false when it cannot be read).
bool FontFileKey(const std::filesystem::path& fontPath, FontIndexKey& key);
