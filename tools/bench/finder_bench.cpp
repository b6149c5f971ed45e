// The standard-character finder measured: how often it finds a character drawn the way a user draws a gaiji,
// and how fast. 500 characters, a fixed random sample of the unified ideographs and extension A, are drawn
// at 64 dots from a font that is not a candidate (Noto CJK, rendered with FreeType, a test tool only), then
// spoiled as a hand drawing is: moved by one or two dots and the strokes a dot thicker or thinner. Each is
// searched among the candidates of the demo's fonts; the figures are how often the character is first and
// how often among the first ten. Then the speed: the index build of each font, the cache read, one search
// over all candidates, and the memory of the loaded index.
//   finder_bench [--fonts DIR...] (default: Debian's IPA, IPAmj and Hanazono fonts)
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "finder/finder_index.h"
#include "finder/finder_search.h"
#include "glyphstore/tte_font.h"

namespace {

constexpr int kSize = 64;
using Dots = std::vector<std::uint8_t>;

bool Ink(const Dots& dots, int x, int y) {
    return x >= 0 && y >= 0 && x < kSize && y < kSize &&
           (dots[std::size_t(y * kSize / 8 + x / 8)] & (0x80 >> (x % 8))) == 0;
}
void SetInk(Dots& dots, int x, int y, bool ink) {
    if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
    auto& byte = dots[std::size_t(y * kSize / 8 + x / 8)];
    const auto mask = std::uint8_t(0x80 >> (x % 8));
    byte = ink ? std::uint8_t(byte & ~mask) : std::uint8_t(byte | mask);
}

// The character as the query font draws it at 64 pixels per em, on the editor's 64 by 64 dots (baseline
// on row 56, the pen at the left edge).
bool RenderQuery(FT_Face face, std::uint32_t code, Dots& dots) {
    dots.assign(kSize * kSize / 8, 0xFF);
    if (FT_Get_Char_Index(face, code) == 0) return false;
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
        return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int left = face->glyph->bitmap_left, top = 56 - face->glyph->bitmap_top;
    bool any = false;
    for (unsigned y = 0; y < bitmap.rows; ++y)
        for (unsigned x = 0; x < bitmap.width; ++x)
            if (bitmap.buffer[y * unsigned(bitmap.pitch) + x / 8] & (0x80 >> (x % 8))) {
                SetInk(dots, left + int(x), top + int(y), true);
                any = true;
            }
    return any;
}

// A hand drawing of it: moved one or two dots each way, strokes a dot thicker (grown to the right and down)
// or thinner (their left and top edge taken off where the stroke is wider than a dot).
Dots Spoil(const Dots& dots, std::mt19937& random) {
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const int dx = (1 + pick(2)) * (pick(2) ? 1 : -1), dy = (1 + pick(2)) * (pick(2) ? 1 : -1);
    Dots moved(dots.size(), 0xFF);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (Ink(dots, x, y)) SetInk(moved, x + dx, y + dy, true);
    Dots out = moved;
    const bool thicker = pick(2) == 1;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            if (thicker) {
                if (Ink(moved, x - 1, y) || Ink(moved, x, y - 1)) SetInk(out, x, y, true);
            } else if (Ink(moved, x, y)) {
                if ((!Ink(moved, x - 1, y) && Ink(moved, x + 1, y)) ||
                    (!Ink(moved, x, y - 1) && Ink(moved, x, y + 1)))
                    SetInk(out, x, y, false);
            }
        }
    return out;
}

// The processor time of this process, which a busy machine does not lengthen.
double CpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

struct Retrieval {
    int top1 = 0, top10 = 0, total = 0;
    std::vector<double> searchMs, searchCpuMs;
};

Retrieval Measure(const FinderCatalog& catalog, FT_Face face, const std::vector<std::uint32_t>& sample) {
    Retrieval result;
    std::mt19937 random(2026);
    Dots dots;
    for (const std::uint32_t code : sample) {
        if (!RenderQuery(face, code, dots)) continue;
        const Dots drawn = Spoil(dots, random);
        const auto start = Clock::now();
        const double cpuStart = CpuMs();
        const auto matches = catalog.Search(drawn, kSize, 10);
        result.searchMs.push_back(MsSince(start));
        result.searchCpuMs.push_back(CpuMs() - cpuStart);
        ++result.total;
        for (std::size_t i = 0; i < matches.size(); ++i)
            if (matches[i].code == code && matches[i].selector == 0) {
                if (i == 0) ++result.top1;
                ++result.top10;
                break;
            }
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<std::filesystem::path> minchoFonts = {
        "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf", "/usr/share/fonts/truetype/ipamj/ipamjm.ttf",
        "/usr/share/fonts/truetype/hanazono/HanaMinA.ttf", "/usr/share/fonts/truetype/hanazono/HanaMinB.ttf"};
    const std::filesystem::path gothicFont = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    const char* serifQuery = "/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc";
    const char* sansQuery = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";
    std::filesystem::path cache = std::filesystem::temp_directory_path() / "kf-finder-bench";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--cache") == 0) cache = argv[++i];
    std::filesystem::remove_all(cache);
    std::vector<std::filesystem::path> allFonts = minchoFonts;
    allFonts.push_back(gothicFont);

    // The index of every candidate font, built from the font (timed), then read back from its cache.
    for (const auto& path : allFonts) {
        FontIndex index;
        FontIndexLoad load;
        auto start = Clock::now();
        const double cpuStart = CpuMs();
        if (!LoadOrBuildFontIndex(path, cache, index, load) || !load.rebuilt) {
            std::printf("%s: no index built (%s)\n", path.c_str(), load.error.c_str());
            return 1;
        }
        const double buildMs = MsSince(start), buildCpuMs = CpuMs() - cpuStart;
        start = Clock::now();
        if (!LoadOrBuildFontIndex(path, cache, index, load) || load.rebuilt) {
            std::printf("%s: the cache was not read back (%s)\n", path.c_str(), load.cacheNote.c_str());
            return 1;
        }
        std::printf(
            "index of %-14s %6zu candidates: built in %6.0f ms (%6.0f ms of processor time), read from "
            "its cache in %4.0f ms\n",
            path.filename().c_str(), index.entries.size(), buildMs, buildCpuMs, MsSince(start));
    }
    // The catalogs as the program loads them, from the caches; the first one's cost in resident memory.
    auto loadCatalog = [&](FinderCatalog& catalog, const std::vector<std::filesystem::path>& fonts) {
        for (const auto& path : fonts) {
            FontIndex index;
            FontIndexLoad load;
            if (!LoadOrBuildFontIndex(path, cache, index, load) || load.rebuilt) return false;
            catalog.AddFont(path.filename().string(), std::move(index));
        }
        return true;
    };
    FinderCatalog mincho, withGothic;
    const long rssBefore = RssKb();
    if (!loadCatalog(mincho, minchoFonts)) return 1;
    const long rssAfter = RssKb();
    std::vector<std::filesystem::path> gothicToo = minchoFonts;
    gothicToo.push_back(gothicFont);
    if (!loadCatalog(withGothic, gothicToo)) return 1;
    std::printf(
        "loaded index of the Mincho fonts: %zu candidates, %.1f MB of data, %.1f MB more resident "
        "memory\n",
        mincho.CandidateCount(), mincho.MemoryBytes() / 1048576.0, (rssAfter - rssBefore) / 1024.0);

    // The sample: 500 codes of the unified ideographs and extension A that the query fonts and the
    // candidates all have, drawn by a fixed generator.
    FT_Library library;
    FT_Face serif, sans;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, serifQuery, 0, &serif) ||
        FT_New_Face(library, sansQuery, 0, &sans)) {
        std::printf("the query fonts (fonts-noto-cjk) cannot be opened\n");
        return 1;
    }
    FT_Set_Pixel_Sizes(serif, 0, kSize);
    FT_Set_Pixel_Sizes(sans, 0, kSize);
    TteFont ipamj;
    if (ipamj.Read(minchoFonts[1]) != kTteOk) return 1;
    std::vector<std::uint32_t> pool;
    for (std::uint32_t code = 0x3400; code <= 0x9FFF; ++code) {
        if (code > 0x4DBF && code < 0x4E00) continue;
        if (FT_Get_Char_Index(serif, code) && FT_Get_Char_Index(sans, code) && ipamj.GlyphForCode(int(code)))
            pool.push_back(code);
    }
    std::mt19937 random(26);
    for (std::size_t i = pool.size() - 1; i > 0; --i) std::swap(pool[i], pool[random() % (i + 1)]);
    pool.resize(500);

    const Retrieval a = Measure(mincho, serif, pool);
    const Retrieval b = Measure(mincho, sans, pool);
    const Retrieval c = Measure(withGothic, sans, pool);
    auto report = [](const char* what, const Retrieval& r) {
        std::printf("%-58s top-1 %5.1f %%  top-10 %5.1f %%  (%d characters)\n", what,
                    100.0 * r.top1 / r.total, 100.0 * r.top10 / r.total, r.total);
    };
    report("(a) Noto Serif CJK JP (Mincho) against the Mincho fonts:", a);
    report("(b) Noto Sans CJK JP (Gothic) against the Mincho fonts:", b);
    report("    Noto Sans CJK JP against the Mincho fonts and IPA Gothic:", c);
    std::vector<double> all = a.searchMs;
    all.insert(all.end(), b.searchMs.begin(), b.searchMs.end());
    std::vector<double> cpu = a.searchCpuMs;
    cpu.insert(cpu.end(), b.searchCpuMs.begin(), b.searchCpuMs.end());
    std::sort(all.begin(), all.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "search over %zu candidates: median %.1f ms, slowest %.1f ms (processor time: median %.1f ms, "
        "most %.1f ms; %zu searches)\n",
        mincho.CandidateCount(), Median(all), all.back(), Median(cpu), cpu.back(), all.size());
    FT_Done_Face(serif);
    FT_Done_Face(sans);
    FT_Done_FreeType(library);
    std::filesystem::remove_all(cache);
    return 0;
}
