#include "finder/finder_index.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <thread>

#include "glyphstore/file_steps.h"
#include "glyphstore/tte_raster.h"

namespace {

constexpr char kMagic[8] = {'K', 'F', 'F', 'I', 'N', 'D', 'E', 'X'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kMaxNameBytes = 4096;
constexpr std::size_t kRecordBytes = 8 + kFeatureBytes;
// The largest cache a sane font gives: every code point of the blocks with a few hundred sequences each
// would be far below this.
constexpr std::uint64_t kMaxCacheBytes = 512ull * 1024 * 1024;

std::uint32_t Fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    return hash;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void PutU64(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reads little-endian fields, refusing to run past the end.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool U32(std::uint32_t& value) {
        if (Left() < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) value |= std::uint32_t(m_bytes[m_at + std::size_t(i)]) << (8 * i);
        m_at += 4;
        return true;
    }
    bool U64(std::uint64_t& value) {
        if (Left() < 8) return false;
        value = 0;
        for (int i = 0; i < 8; ++i) value |= std::uint64_t(m_bytes[m_at + std::size_t(i)]) << (8 * i);
        m_at += 8;
        return true;
    }
    bool Take(std::size_t count, std::span<const std::uint8_t>& out) {
        if (Left() < count) return false;
        out = m_bytes.subspan(m_at, count);
        m_at += count;
        return true;
    }
    std::size_t Left() const { return m_bytes.size() - m_at; }
    std::size_t At() const { return m_at; }

  private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

}  // namespace

bool BuildFontIndex(const TteFont& font, const std::vector<FinderCandidate>& candidates, FontIndexKey key,
                    FontIndex& index, const std::function<void(std::size_t, std::size_t)>& progress,
                    const std::atomic<bool>* cancel) {
    index = FontIndex{};
    // Every processor draws blocks of candidates in turn, each thread from a font of its own (the reader
    // notes its last error in the font); the calling thread works too and alone reports the progress.
    constexpr std::size_t kBlock = 64;
    const std::size_t total = candidates.size();
    std::vector<GlyphFeatures> features(total);
    std::vector<std::uint8_t> drawn(total, 0);
    std::atomic<std::size_t> nextBlock{0}, done{0};
    auto stopped = [&] { return cancel && cancel->load(); };
    auto work = [&](const TteFont& source, bool reports) {
        std::vector<std::uint8_t> dots;
        for (;;) {
            if (stopped()) return;
            const std::size_t first = nextBlock.fetch_add(1) * kBlock;
            if (first >= total) return;
            const std::size_t last = std::min(total, first + kBlock);
            for (std::size_t i = first; i < last; ++i)
                drawn[i] = RasterizeGlyph(source, candidates[i].glyph, kFinderRenderSize, dots) == kTteOk &&
                           ComputeGlyphFeatures(dots, kFinderRenderSize, features[i]);
            const std::size_t now = done.fetch_add(last - first) + (last - first);
            if (reports && progress) progress(now, total);
        }
    };
    const unsigned processors = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<TteFont> copies(total > kBlock ? processors - 1 : 0);
    std::vector<std::thread> threads;
    for (TteFont& copy : copies)
        if (copy.Load(font.Bytes()) == kTteOk) threads.emplace_back(work, std::cref(copy), false);
    work(font, true);
    for (std::thread& thread : threads) thread.join();
    if (stopped()) return false;

    index.key = std::move(key);
    for (std::size_t i = 0; i < total; ++i)
        if (drawn[i]) {
            index.entries.push_back({candidates[i].code, candidates[i].selector});
            index.features.push_back(features[i]);
        }
    if (progress) progress(total, total);
    return true;
}

std::vector<std::uint8_t> FontIndexBytes(const FontIndex& index) {
    std::vector<std::uint8_t> out;
    out.reserve(64 + index.key.name.size() + index.entries.size() * kRecordBytes);
    for (const char c : kMagic) out.push_back(static_cast<std::uint8_t>(c));
    PutU32(out, kVersion);
    PutU32(out, static_cast<std::uint32_t>(kFeatureBytes));
    PutU32(out, static_cast<std::uint32_t>(kFinderRenderSize));
    PutU64(out, index.key.size);
    PutU64(out, static_cast<std::uint64_t>(index.key.stamp));
    PutU32(out, static_cast<std::uint32_t>(index.key.name.size()));
    out.insert(out.end(), index.key.name.begin(), index.key.name.end());
    PutU32(out, static_cast<std::uint32_t>(index.entries.size()));
    for (std::size_t i = 0; i < index.entries.size(); ++i) {
        PutU32(out, index.entries[i].code);
        PutU32(out, index.entries[i].selector);
        out.insert(out.end(), index.features[i].begin(), index.features[i].end());
    }
    PutU32(out, Fnv1a(out));
    return out;
}

bool ReadFontIndex(std::span<const std::uint8_t> bytes, const FontIndexKey* expected, FontIndex& index,
                   std::string& error) {
    index = FontIndex{};
    auto refuse = [&](std::string why) {
        index = FontIndex{};
        error = std::move(why);
        return false;
    };
    if (bytes.size() < sizeof kMagic + 4 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return refuse("not an index file of this program");
    if (bytes.size() > kMaxCacheBytes) return refuse("the index file is larger than any index");
    // The checksum first: a file changed anywhere is refused before any count of it is believed.
    const std::span<const std::uint8_t> body = bytes.first(bytes.size() - 4);
    ByteReader tail(bytes.last(4));
    std::uint32_t checksum = 0;
    tail.U32(checksum);
    if (Fnv1a(body) != checksum) return refuse("the index file is damaged (its checksum does not match)");

    ByteReader reader(body);
    std::span<const std::uint8_t> skipped;
    std::uint32_t version = 0, featureBytes = 0, renderSize = 0, nameBytes = 0, count = 0;
    std::uint64_t size = 0, stamp = 0;
    reader.Take(sizeof kMagic, skipped);
    if (!reader.U32(version) || !reader.U32(featureBytes) || !reader.U32(renderSize))
        return refuse("the index file's header is cut short");
    if (version != kVersion || featureBytes != kFeatureBytes || renderSize != kFinderRenderSize)
        return refuse("the index file was written by another version");
    std::span<const std::uint8_t> name;
    if (!reader.U64(size) || !reader.U64(stamp) || !reader.U32(nameBytes) || nameBytes > kMaxNameBytes ||
        !reader.Take(nameBytes, name) || !reader.U32(count))
        return refuse("the index file's header is cut short");
    index.key.name.assign(name.begin(), name.end());
    index.key.size = size;
    index.key.stamp = static_cast<std::int64_t>(stamp);
    if (expected && !(index.key == *expected)) return refuse("the index file belongs to another font file");
    if (reader.Left() != static_cast<std::uint64_t>(count) * kRecordBytes)
        return refuse("the index file's length does not match its count");
    index.entries.reserve(count);
    index.features.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        FontIndexEntry entry;
        std::span<const std::uint8_t> features;
        reader.U32(entry.code);
        reader.U32(entry.selector);
        reader.Take(kFeatureBytes, features);
        if (!IsFinderCode(entry.code) || (entry.selector != 0 && !IsVariationSelector(entry.selector)))
            return refuse("the index file holds a code that is no candidate");
        index.entries.push_back(entry);
        GlyphFeatures copy;
        std::memcpy(copy.data(), features.data(), kFeatureBytes);
        index.features.push_back(copy);
    }
    return true;
}

std::filesystem::path FontIndexPath(const std::filesystem::path& folder,
                                    const std::filesystem::path& fontPath) {
    const auto whole = fontPath.generic_u8string();
    const std::uint32_t hash =
        Fnv1a(std::span(reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()));
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.kfindex", static_cast<unsigned>(hash));
    std::filesystem::path name = fontPath.filename();
    name += suffix;
    return folder / name;
}

bool FontFileKey(const std::filesystem::path& fontPath, FontIndexKey& key) {
    std::error_code failed;
    const auto size = std::filesystem::file_size(fontPath, failed);
    if (failed) return false;
    const auto time = std::filesystem::last_write_time(fontPath, failed);
    if (failed) return false;
    const auto u8 = fontPath.generic_u8string();
    key.name.assign(reinterpret_cast<const char*>(u8.data()), u8.size());
    key.size = size;
    key.stamp = static_cast<std::int64_t>(time.time_since_epoch().count());
    return true;
}

namespace {

// The cache when it is whole and made for `key`; `note` says why it was not used.
bool ReadCacheFile(const std::filesystem::path& cachePath, const FontIndexKey& key, FontIndex& index,
                   std::string& note) {
    std::error_code failed;
    if (!std::filesystem::exists(cachePath, failed)) return false;
    std::vector<std::uint8_t> bytes;
    std::ifstream in(cachePath, std::ios::binary);
    const auto size = std::filesystem::file_size(cachePath, failed);
    if (failed || !in || size > kMaxCacheBytes) {
        note = "the index file cannot be read";
        return false;
    }
    bytes.resize(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return in.gcount() == static_cast<std::streamsize>(size) && ReadFontIndex(bytes, &key, index, note);
}

bool BuildAndWriteCache(const TteFont& font, const FontIndexKey& key, const std::filesystem::path& cachePath,
                        FontIndex& index, FontIndexLoad& load,
                        const std::function<void(std::size_t, std::size_t)>& progress,
                        const std::atomic<bool>* cancel) {
    std::vector<FinderCandidate> candidates;
    if (EnumerateCandidates(font, candidates, load.error) != kTteOk) return false;
    if (!BuildFontIndex(font, candidates, key, index, progress, cancel)) {
        load.error = "cancelled";
        return false;
    }
    load.rebuilt = true;
    std::error_code failed;
    std::filesystem::create_directories(cachePath.parent_path(), failed);
    const std::filesystem::path written = BesideFile(cachePath);
    std::string writeError;
    if (!WriteWholeFile(written, FontIndexBytes(index), writeError) ||
        !PutFileInPlace(written, cachePath, writeError))
        load.cacheNote = writeError;
    return true;
}

}  // namespace

bool LoadOrBuildFontIndex(const std::filesystem::path& fontPath, const std::filesystem::path& cacheFolder,
                          FontIndex& index, FontIndexLoad& load,
                          const std::function<void(std::size_t, std::size_t)>& progress,
                          const std::atomic<bool>* cancel) {
    load = FontIndexLoad{};
    index = FontIndex{};
    FontIndexKey key;
    if (!FontFileKey(fontPath, key)) {
        load.error = "the font file cannot be found";
        return false;
    }
    const std::filesystem::path cachePath = FontIndexPath(cacheFolder, fontPath);
    if (ReadCacheFile(cachePath, key, index, load.cacheNote)) return true;
    TteFont font;
    if (font.Read(fontPath) != kTteOk) {
        load.error = font.Error();
        return false;
    }
    return BuildAndWriteCache(font, key, cachePath, index, load, progress, cancel);
}

bool LoadOrBuildFontIndex(const TteFont& font, const FontIndexKey& key,
                          const std::filesystem::path& cachePath, FontIndex& index, FontIndexLoad& load,
                          const std::function<void(std::size_t, std::size_t)>& progress,
                          const std::atomic<bool>* cancel) {
    load = FontIndexLoad{};
    index = FontIndex{};
    if (ReadCacheFile(cachePath, key, index, load.cacheNote)) return true;
    return BuildAndWriteCache(font, key, cachePath, index, load, progress, cancel);
}

FontIndexKey FontBytesKey(std::string name, std::span<const std::uint8_t> bytes) {
    // A font handed over as bytes has no file time: a 64-bit hash of the bytes stands in for it, so that a
    // font replaced by another of the same size is still told apart.
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    FontIndexKey key;
    key.name = std::move(name);
    key.size = bytes.size();
    key.stamp = static_cast<std::int64_t>(hash);
    return key;
}
