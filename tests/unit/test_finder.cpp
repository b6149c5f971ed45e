#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>

#include "finder/finder_candidates.h"
#include "finder/finder_index.h"
#include "finder/finder_search.h"
#include "finder/finder_worker.h"
#include "finder/font_collection.h"
#include "glyphstore/tte_raster.h"
#include "font_test_support.h"
#include "sample_fonts.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSize = 64;

// Pictures 0..3 are shown by: U+4E00 (0), U+20000 (1), U+E000 (a private code, 2), U+4E00 with FE00 (2),
// U+4E00 with E0101 (3), U+20000 with E0101 (1, the same glyph as its base), U+4E00 with E0100 (default).
struct SampleFont {
    std::vector<FontBytes> pictures = SampleStrokePictures(kSize, 6);
    FontBytes bytes = MakeSampleFont(
        kSize, pictures, {{0x4E00, 0}, {0x20000, 1}, {0xE000, 2}, {0x9F8D, 4}},
        {{0x4E00, 0xFE00, 2}, {0x4E00, 0xE0100, -1}, {0x4E00, 0xE0101, 3}, {0x20000, 0xE0101, 1}});
    TteFont font;
    SampleFont() { EXPECT_EQ(font.Load(bytes), kTteOk) << font.Error(); }
};

// Moves a picture by (dx, dy) dots and grows its strokes one dot to the right: a hand drawing of it.
FontBytes DrawnByHand(const FontBytes& dots, int dx, int dy) {
    FontBytes out(dots.size(), 0xFF);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (DotInk(dots, kSize, x, y))
                for (int grow = 0; grow < 2; ++grow) {
                    const int tx = x + dx + grow, ty = y + dy;
                    if (tx >= 0 && ty >= 0 && tx < kSize && ty < kSize) SetDotInk(out, kSize, tx, ty);
                }
    return out;
}

FontIndex IndexOf(const SampleFont& sample, FontIndexKey key = {"sample.ttf", 100, 7}) {
    std::vector<FinderCandidate> candidates;
    std::string error;
    EXPECT_EQ(EnumerateCandidates(sample.font, candidates, error), kTteOk) << error;
    FontIndex index;
    EXPECT_TRUE(BuildFontIndex(sample.font, candidates, key, index));
    return index;
}

}  // namespace

TEST(FinderCandidates, IdeographsAndSequencesWithAGlyphOfTheirOwn) {
    SampleFont sample;
    const int g0 = sample.font.GlyphForCode(0x4E00), g1 = sample.font.GlyphForCode(0x20000);
    std::vector<TteVariation> sequences;
    ASSERT_EQ(sample.font.VariationSequences(sequences), kTteOk);
    ASSERT_EQ(sequences.size(), 4u);
    EXPECT_EQ(sequences[0].selector, 0xFE00u);
    EXPECT_EQ(sequences[1], (TteVariation{0x4E00, 0xE0100, g0, true}));
    EXPECT_EQ(sequences[3], (TteVariation{0x20000, 0xE0101, g1, false}));

    // The private code is no candidate; the default sequence and the one that shows its base's glyph add
    // nothing.
    std::vector<FinderCandidate> candidates;
    std::string error;
    ASSERT_EQ(EnumerateCandidates(sample.font, candidates, error), kTteOk);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> listed;
    for (const FinderCandidate& candidate : candidates)
        listed.emplace_back(candidate.code, candidate.selector);
    EXPECT_EQ(listed, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                          {0x4E00, 0}, {0x9F8D, 0}, {0x20000, 0}, {0x4E00, 0xFE00}, {0x4E00, 0xE0101}}));

    EXPECT_EQ(CandidateCodeText(0x2A6B2, 0), "U+2A6B2");
    EXPECT_EQ(CandidateCodeText(0x845B, 0xE0101), "U+845B U+E0101");
    EXPECT_EQ(CandidateUtf16(0x845B, 0xE0101), (std::u16string{0x845B, 0xDB40, 0xDD01}));
    EXPECT_EQ(CandidateUtf16(0x20000, 0), (std::u16string{0xD840, 0xDC00}));
    EXPECT_TRUE(IsFinderCode(0x3400) && IsFinderCode(0x2A6DF) && IsFinderCode(0xFA6D) &&
                IsFinderCode(0x323AF));
    EXPECT_FALSE(IsFinderCode(0x33FF) || IsFinderCode(0xE000) || IsFinderCode(0x2A6E0) || IsFinderCode(0x41));
}

TEST(FinderCandidates, BrokenVariationMapIsRefusedWhileTheFontStillReads) {
    SampleFont sample;
    // The format 14 subtable is the first one of cmap: header 10 bytes, then 11-byte selector records.
    const TteTable* cmap = sample.font.FindTable(kTteCmap);
    ASSERT_NE(cmap, nullptr);
    const std::size_t table = cmap->offset + 4 + 16;
    ASSERT_EQ(TteU16(sample.bytes.data() + table), 14u);
    auto refused = [&](std::size_t at, std::vector<std::uint8_t> patch) {
        FontBytes bytes = sample.bytes;
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        TteFont font;
        EXPECT_EQ(font.Load(bytes), kTteOk) << font.Error();
        std::vector<TteVariation> sequences;
        std::vector<FinderCandidate> candidates;
        std::string error;
        EXPECT_EQ(font.VariationSequences(sequences), kTteBadCmap);
        EXPECT_TRUE(sequences.empty());
        EXPECT_EQ(EnumerateCandidates(font, candidates, error), kTteBadCmap);
        EXPECT_TRUE(candidates.empty());
        return error;
    };
    EXPECT_NE(refused(table + 6, {0x10, 0, 0, 0}).find("more selectors"), std::string::npos);  // record count
    EXPECT_NE(refused(table + 10, {0x00, 0x00, 0x41}).find("not a variation selector"), std::string::npos);
    EXPECT_NE(refused(table + 10 + 11, {0x00, 0xFE, 0x00}).find("out of order"), std::string::npos);
    // The first selector's own list: one mapping (4 bytes count, 3 bytes code, 2 bytes glyph).
    const std::size_t own = table + TteU32(sample.bytes.data() + table + 10 + 7);
    EXPECT_NE(refused(own, {0xFF, 0xFF, 0xFF, 0xFF}).find("outside itself"), std::string::npos);
    EXPECT_NE(refused(own + 7, {0xFF, 0xF0}).find("past the"), std::string::npos);
}

TEST(FinderFeatures, SameCharacterDrawnByHandScoresAboveEveryOther) {
    const auto pictures = SampleStrokePictures(kSize, 12);
    GlyphFeatures reference, other;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        ASSERT_TRUE(ComputeGlyphFeatures(pictures[i], kSize, reference));
        GlyphFeatures drawn;
        ASSERT_TRUE(ComputeGlyphFeatures(DrawnByHand(pictures[i], 2, -1), kSize, drawn));
        const float same = FeatureSimilarity(reference, FeatureNorm(reference), drawn, FeatureNorm(drawn));
        EXPECT_GT(same, 0.9f) << "picture " << i;
        for (std::size_t j = 0; j < pictures.size(); ++j) {
            if (j == i) continue;
            ASSERT_TRUE(ComputeGlyphFeatures(pictures[j], kSize, other));
            EXPECT_LT(FeatureSimilarity(other, FeatureNorm(other), drawn, FeatureNorm(drawn)), same)
                << "picture " << i << " against " << j;
        }
    }
    // Place and size do not count: the same strokes at 32 dots, doubled to 64, and at 128.
    const auto small = SampleStrokePictures(32, 2)[1];
    FontBytes doubled(kSize * kSize / 8, 0xFF), large(128 * 128 / 8, 0xFF);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (DotInk(small, 32, x / 2, y / 2)) SetDotInk(doubled, kSize, x, y);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (DotInk(small, 32, x / 4, y / 4)) SetDotInk(large, 128, x, y);
    GlyphFeatures a, b, c;
    ASSERT_TRUE(ComputeGlyphFeatures(small, 32, a) && ComputeGlyphFeatures(doubled, kSize, b) &&
                ComputeGlyphFeatures(large, 128, c));
    EXPECT_GT(FeatureSimilarity(a, FeatureNorm(a), b, FeatureNorm(b)), 0.97f);
    EXPECT_GT(FeatureSimilarity(a, FeatureNorm(a), c, FeatureNorm(c)), 0.97f);

    // Nothing to compare: no ink, a picture shorter than its size says, no size.
    EXPECT_FALSE(ComputeGlyphFeatures(FontBytes(kSize * kSize / 8, 0xFF), kSize, a));
    EXPECT_FALSE(ComputeGlyphFeatures(FontBytes(kSize * kSize / 8 - 1, 0x00), kSize, a));
    EXPECT_FALSE(ComputeGlyphFeatures(FontBytes{}, 0, a));
}

TEST(FinderIndex, CacheReadsBackAndAnyDamageOrOtherFontIsRefused) {
    SampleFont sample;
    const FontIndex index = IndexOf(sample);
    ASSERT_EQ(index.entries.size(), 5u);
    const std::vector<std::uint8_t> bytes = FontIndexBytes(index);
    FontIndex back;
    std::string error;
    ASSERT_TRUE(ReadFontIndex(bytes, &index.key, back, error)) << error;
    EXPECT_EQ(back.entries, index.entries);
    EXPECT_EQ(back.features, index.features);
    EXPECT_EQ(back.key, index.key);

    // Every byte changed, the file cut anywhere or lengthened: refused, nothing kept.
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at] ^= 0x20;
        EXPECT_FALSE(ReadFontIndex(damaged, nullptr, back, error)) << "byte " << at;
        EXPECT_TRUE(back.entries.empty() && back.features.empty());
    }
    for (std::size_t length = 0; length < bytes.size(); length += 7)
        EXPECT_FALSE(ReadFontIndex(std::span(bytes).first(length), nullptr, back, error)) << length;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(ReadFontIndex(longer, nullptr, back, error));

    // A sound file of another font (name, size or time stamp): not this font's index.
    for (FontIndexKey other : {FontIndexKey{"other.ttf", 100, 7}, FontIndexKey{"sample.ttf", 101, 7},
                               FontIndexKey{"sample.ttf", 100, 8}}) {
        EXPECT_FALSE(ReadFontIndex(bytes, &other, back, error));
        EXPECT_NE(error.find("another font"), std::string::npos);
    }
}

TEST(FinderIndex, DamagedOrStaleCacheIsRebuiltAndCancelLeavesNoCache) {
    SampleFont sample;
    const fs::path folder = fs::path(testing::TempDir()) / "kf-finder-cache";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path fontPath = folder / "sample.ttf";
    {
        std::ofstream out(fontPath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()),
                  static_cast<std::streamsize>(sample.bytes.size()));
    }
    const fs::path cacheFolder = folder / "cache";
    const fs::path cachePath = FontIndexPath(cacheFolder, fontPath);

    // Cancelled: no index, no cache file.
    std::atomic<bool> cancel{true};
    FontIndex index;
    FontIndexLoad load;
    EXPECT_FALSE(LoadOrBuildFontIndex(fontPath, cacheFolder, index, load, {}, &cancel));
    EXPECT_FALSE(fs::exists(cachePath));
    EXPECT_TRUE(index.entries.empty());

    std::size_t lastDone = 0, lastTotal = 0;
    ASSERT_TRUE(LoadOrBuildFontIndex(
        fontPath, cacheFolder, index, load,
        [&](std::size_t done, std::size_t total) { lastDone = done, lastTotal = total; }));
    EXPECT_TRUE(load.rebuilt);
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(index.entries.size(), 5u);
    ASSERT_TRUE(fs::exists(cachePath));
    const FontIndex built = index;

    ASSERT_TRUE(LoadOrBuildFontIndex(fontPath, cacheFolder, index, load));
    EXPECT_FALSE(load.rebuilt);
    EXPECT_EQ(index.entries, built.entries);

    // A damaged cache is rebuilt (and written sound again).
    {
        std::fstream file(cachePath, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(60);
        file.put('\x7F');
    }
    ASSERT_TRUE(LoadOrBuildFontIndex(fontPath, cacheFolder, index, load));
    EXPECT_TRUE(load.rebuilt);
    EXPECT_NE(load.cacheNote.find("damaged"), std::string::npos);
    EXPECT_EQ(index.features, built.features);
    ASSERT_TRUE(LoadOrBuildFontIndex(fontPath, cacheFolder, index, load));
    EXPECT_FALSE(load.rebuilt);

    // The font changed (another time stamp): the old cache is not this font's index.
    fs::last_write_time(fontPath, fs::last_write_time(fontPath) + std::chrono::hours(1));
    ASSERT_TRUE(LoadOrBuildFontIndex(fontPath, cacheFolder, index, load));
    EXPECT_TRUE(load.rebuilt);
    EXPECT_NE(load.cacheNote.find("another font"), std::string::npos);

    // A font that is gone, or no font at all: a message, no index.
    EXPECT_FALSE(LoadOrBuildFontIndex(folder / "missing.ttf", cacheFolder, index, load));
    EXPECT_FALSE(load.error.empty());
    {
        std::ofstream out(folder / "junk.ttf", std::ios::binary);
        out << "not a font";
    }
    EXPECT_FALSE(LoadOrBuildFontIndex(folder / "junk.ttf", cacheFolder, index, load));
    EXPECT_FALSE(load.error.empty());
    fs::remove_all(folder);
}

TEST(FinderSearch, DrawnGlyphFindsItsCharacterOnceAcrossFonts) {
    SampleFont first, second;
    FinderCatalog catalog;
    catalog.AddFont("first.ttf", IndexOf(first));
    catalog.AddFont("second.ttf", IndexOf(second, {"second.ttf", 1, 1}));
    EXPECT_EQ(catalog.CandidateCount(), 10u);
    EXPECT_GE(catalog.MemoryBytes(), 10u * kFeatureBytes);

    // Picture 3 is only U+4E00 with E0101; picture 1 is U+20000 (its sequence with E0101 shows the same glyph
    // and is no candidate).
    const auto three = catalog.Search(DrawnByHand(first.pictures[3], -1, 2), kSize, 20);
    ASSERT_EQ(three.size(), 5u);  // every character once, although both fonts have it
    EXPECT_EQ(three[0].code, 0x4E00u);
    EXPECT_EQ(three[0].selector, 0xE0101u);
    EXPECT_EQ(catalog.FontName(three[0].font), "first.ttf");
    for (std::size_t i = 1; i < three.size(); ++i) EXPECT_LE(three[i].similarity, three[i - 1].similarity);
    const auto one = catalog.Search(DrawnByHand(first.pictures[1], 1, 1), kSize, 2);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].code, 0x20000u);
    EXPECT_EQ(one[0].selector, 0u);
    EXPECT_GT(one[0].similarity, 0.9f);

    EXPECT_TRUE(catalog.Search(FontBytes(kSize * kSize / 8, 0xFF), kSize, 20).empty());
    catalog.Clear();
    EXPECT_TRUE(catalog.Search(first.pictures[1], kSize, 20).empty());
}

namespace {

std::uint32_t BigU32(const FontBytes& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}
void PutBigU32(FontBytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
std::size_t DirectoryBytes(const FontBytes& font) { return 12 + 16 * (std::size_t(font[4]) << 8 | font[5]); }

// A collection of the fonts as a font tool lays one out: the header, every font's directory, then the tables,
// every table offset counted from the start of the file.
FontBytes MakeCollection(const std::vector<FontBytes>& fonts) {
    FontBytes out = {'t', 't', 'c', 'f', 0, 1, 0, 0};
    out.resize(12 + 4 * fonts.size(), 0);
    PutBigU32(out, 8, static_cast<std::uint32_t>(fonts.size()));
    std::vector<std::size_t> directories;
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        PutBigU32(out, 12 + 4 * i, static_cast<std::uint32_t>(out.size()));
        directories.push_back(out.size());
        out.insert(out.end(), fonts[i].begin(), fonts[i].begin() + std::ptrdiff_t(DirectoryBytes(fonts[i])));
    }
    for (std::size_t i = 0; i < fonts.size(); ++i)
        for (std::size_t record = 12; record < DirectoryBytes(fonts[i]); record += 16) {
            out.resize((out.size() + 3) & ~std::size_t(3), 0);
            const std::size_t offset = BigU32(fonts[i], record + 8), length = BigU32(fonts[i], record + 12);
            PutBigU32(out, directories[i] + record + 8, static_cast<std::uint32_t>(out.size()));
            out.insert(out.end(), fonts[i].begin() + std::ptrdiff_t(offset),
                       fonts[i].begin() + std::ptrdiff_t(offset + length));
        }
    return out;
}

// Waits for the worker's wake-ups until `done`, at most a minute.
struct WakeWaiter {
    std::mutex mutex;
    std::condition_variable woken;
    int wakes = 0;
    std::function<void()> Callback() {
        return [this] {
            std::lock_guard lock(mutex);
            ++wakes;
            woken.notify_all();
        };
    }
    bool Until(const std::function<bool()>& done) {
        std::unique_lock lock(mutex);
        return woken.wait_for(lock, std::chrono::minutes(1), [&] {
            lock.unlock();
            const bool now = done();
            lock.lock();
            return now;
        });
    }
};

}  // namespace

TEST(FinderFonts, CollectionMemberBecomesAFontOfItsOwnAndDamageIsRefused) {
    SampleFont sample;
    const FontBytes other = MakeSampleFont(kSize, sample.pictures, {{0x5000, 4}}, {});
    const FontBytes collection = MakeCollection({sample.bytes, other});
    // The second font's directory as it stands in the collection picks it out.
    const std::size_t second = BigU32(collection, 16);
    const std::span<const std::uint8_t> directory(collection.data() + second, DirectoryBytes(other));
    FontBytes font;
    std::string error;
    ASSERT_TRUE(CollectionMemberFont(collection, directory, font, error)) << error;
    TteFont read;
    ASSERT_EQ(read.Load(font), kTteOk) << read.Error();
    EXPECT_GT(read.GlyphForCode(0x5000), 0);
    EXPECT_EQ(read.GlyphForCode(0x4E00), 0);

    FontBytes cut(collection.begin(), collection.end() - 100);
    EXPECT_FALSE(CollectionMemberFont(cut, directory, font, error));
    EXPECT_TRUE(font.empty());
    FontBytes foreign(directory.begin(), directory.end());
    foreign[20] ^= 0xFF;  // a table record no font of the collection has
    EXPECT_FALSE(CollectionMemberFont(collection, foreign, font, error));
    EXPECT_FALSE(CollectionMemberFont(sample.bytes, directory, font, error));
    FontBytes manyFonts = collection;
    PutBigU32(manyFonts, 8, 0x40000000u);
    EXPECT_FALSE(CollectionMemberFont(manyFonts, directory, font, error));
}

TEST(FinderWorker, FacesFromTheSettingOrTheStandardOnes) {
    const std::vector<std::wstring> standard = {L"ＭＳ 明朝"};
    EXPECT_EQ(FinderFacesFromSetting(L" HanaMinB , IPAmj明朝,HanaMinB,,\u3000", standard),
              (std::vector<std::wstring>{L"HanaMinB", L"IPAmj明朝"}));
    EXPECT_EQ(FinderFacesFromSetting(L" , ", standard), standard);
    EXPECT_EQ(FinderFacesFromSetting(L"", standard), standard);
}

// Fonts are loaded off the caller's thread, each once however many faces name it, a face that gives no font
// is reported, and an answer carries its request's generation with pictures of the asked size.
TEST(FinderWorker, LoadsEachFontOnceAndAnswersTheNewestRequestWithPictures) {
    SampleFont sample;
    const fs::path cache = fs::path(testing::TempDir()) / "kf-finder-worker";
    fs::remove_all(cache);
    const FinderFontFetch fetch = [&](const std::wstring& face, std::vector<std::uint8_t>& bytes,
                                      std::string& error) {
        if (face == L"missing") {
            error = "no such font is installed";
            return false;
        }
        bytes = sample.bytes;  // "first" and "alias" are the same font
        return true;
    };
    WakeWaiter waiter;
    FinderWorker worker({L"first", L"missing", L"alias"}, fetch, cache, waiter.Callback());
    worker.Search(DrawnByHand(sample.pictures[0], 1, 0), kSize, 32, 3, 1);
    worker.Search(DrawnByHand(sample.pictures[3], -1, 2), kSize, 32, 3, 2);
    std::optional<FinderResults> results;
    ASSERT_TRUE(waiter.Until([&] {
        if (auto taken = worker.TakeResults()) results = std::move(taken);
        return results && results->generation == 2;
    }));
    const FinderLoadState state = worker.LoadState();
    EXPECT_TRUE(state.finished);
    EXPECT_FALSE(state.cancelled);
    EXPECT_EQ(state.candidates, 5u);  // one font's candidates, although two faces name it
    EXPECT_EQ(state.problems, (std::vector<std::wstring>{L"missing: no such font is installed"}));
    ASSERT_EQ(results->items.size(), 3u);
    const FinderResult& best = results->items[0];
    EXPECT_EQ(best.match.code, 0x4E00u);
    EXPECT_EQ(best.match.selector, 0xE0101u);
    EXPECT_EQ(best.face, L"first");
    EXPECT_EQ(results->pictureSize, 32);
    ASSERT_EQ(best.picture.size(), 32u * 32 / 8);
    EXPECT_TRUE(
        std::any_of(best.picture.begin(), best.picture.end(), [](std::uint8_t b) { return b != 0xFF; }));
    // The sequence's own glyph is drawn, not its base character's.
    std::vector<std::uint8_t> base;
    ASSERT_EQ(RasterizeCode(sample.font, 0x4E00, 32, base), kTteOk);
    EXPECT_NE(best.picture, base);
    EXPECT_EQ(fs::exists(cache), true);  // the index was written for the next time
}

TEST(FinderWorker, CancelledLoadingEndsWithNothingToSearch) {
    SampleFont sample;
    std::mutex gate;
    gate.lock();
    const FinderFontFetch fetch = [&](const std::wstring&, std::vector<std::uint8_t>& bytes, std::string&) {
        std::lock_guard wait(gate);  // held until the test has cancelled
        bytes = sample.bytes;
        return true;
    };
    const fs::path cache = fs::path(testing::TempDir()) / "kf-finder-worker-cancel";
    fs::remove_all(cache);
    WakeWaiter waiter;
    FinderWorker worker({L"first", L"second"}, fetch, cache, waiter.Callback());
    worker.CancelLoading();
    gate.unlock();
    ASSERT_TRUE(waiter.Until([&] { return worker.LoadState().finished; }));
    const FinderLoadState state = worker.LoadState();
    EXPECT_TRUE(state.cancelled);
    EXPECT_EQ(state.candidates, 0u);
    EXPECT_TRUE(state.problems.empty());
    EXPECT_FALSE(fs::exists(cache));
}
