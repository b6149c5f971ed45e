// Speed of the EUDC font code on a full font (6,400 characters of 64 by 64 dots, some 3 MB): the one-glyph
// update a save makes, a whole new font, one glyph's rasterisation and the pair check of every code. Before
// the timings it prints the measurements behind the agreement rule's threshold: the ink overlap of faithful
// outlines placed as an editor may place them, against stale, different and empty glyphs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_writer.h"
#include "glyphstore/file_steps.h"
#include "glyphstore/tte_agreement.h"
#include "glyphstore/tte_outline.h"
#include "glyphstore/tte_raster.h"
#include "glyphstore/tte_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr char kIpaGothic[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

const TteFont& Ipa() {
    static TteFont font;
    static const bool loaded = font.Read(kIpaGothic) == kTteOk;
    if (!loaded) std::fprintf(stderr, "font_bench: cannot read %s\n", kIpaGothic);
    return font;
}

// Characters as people draw them: the IPA font's glyphs at `size` dots, skipping empty ones.
std::vector<Bytes> Drawings(int size, int count, int step = 1) {
    std::vector<Bytes> drawings;
    for (int glyph = 1; static_cast<int>(drawings.size()) < count && glyph < Ipa().GlyphCount();
         glyph += step) {
        Bytes dots;
        if (RasterizeGlyph(Ipa(), glyph, size, dots) != kTteOk) continue;
        if (std::all_of(dots.begin(), dots.end(), [](std::uint8_t b) { return b == 0xFF; })) continue;
        drawings.push_back(std::move(dots));
    }
    return drawings;
}

std::vector<TteCharacter> Characters(const std::vector<Bytes>& drawings) {
    std::vector<TteCharacter> characters;
    for (std::size_t i = 0; i < drawings.size(); ++i)
        characters.push_back({0xE000 + static_cast<int>(i), drawings[i]});
    return characters;
}

const Bytes& FullFont() {
    static const Bytes font = [] {
        Bytes bytes;
        std::string error;
        BuildTteFont(64, Characters(Drawings(64, 6400)), 0, bytes, error);
        return bytes;
    }();
    return font;
}

void BM_UpdateOneGlyphOf6400(benchmark::State& state) {
    TteFont font;
    font.Load(FullFont());
    const Bytes dots = Drawings(64, 1, 7777).front();
    std::string error;
    for (auto _ : state) {
        // What a save does: the outline, the updated font, and the check that it shows the dots.
        TteOutline outline;
        Bytes updated;
        CharacterOutline(font, 64, dots, outline, error);
        UpdateTteGlyph(font, 0xE123, outline, 0, updated, error);
        const bool shown = VerifyTteGlyph(updated, 0xE123, 64, dots, error);
        benchmark::DoNotOptimize(shown);
    }
    state.counters["font_bytes"] = static_cast<double>(FullFont().size());
}
BENCHMARK(BM_UpdateOneGlyphOf6400)->Unit(benchmark::kMillisecond);

void BM_BuildFontOf6400(benchmark::State& state) {
    const auto characters = Characters(Drawings(64, 6400));
    std::string error;
    for (auto _ : state) {
        Bytes font;
        BuildTteFont(64, characters, 0, font, error);
        benchmark::DoNotOptimize(font);
    }
}
BENCHMARK(BM_BuildFontOf6400)->Unit(benchmark::kMillisecond);

void BM_RasterizeOneGlyph(benchmark::State& state) {
    TteFont font;
    font.Load(FullFont());
    int code = 0xE000;
    for (auto _ : state) {
        Bytes dots;
        RasterizeCode(font, code, 64, dots);
        benchmark::DoNotOptimize(dots);
        code = code == 0xF8FF ? 0xE000 : code + 1;
    }
}
BENCHMARK(BM_RasterizeOneGlyph)->Unit(benchmark::kMicrosecond);

void BM_PairCheckOf6400(benchmark::State& state) {
    Bytes bitmap = MakeEudcBitmapFileBytes(64);
    const auto drawings = Drawings(64, 6400);
    for (std::size_t i = 0; i < drawings.size(); ++i)
        PutEudcBitmapRecordBytes(bitmap, 0xE000 + static_cast<int>(i), drawings[i]);
    for (auto _ : state) {
        TteFont font;
        font.Load(FullFont());
        PairCheck check;
        std::string error;
        CheckEudcPair(bitmap, font, check, error);
        benchmark::DoNotOptimize(check);
    }
}
BENCHMARK(BM_PairCheckOf6400)->Unit(benchmark::kMillisecond);

// ---- the agreement rule's measurements ----

struct Variant {
    const char* name;
    bool faithful;
    TteOutlineStyle style;
};

GlyphAgreement Compare(const Bytes& drawn, const Bytes& written, int size, const TteOutlineStyle& style) {
    const int upem = kTteUnitsPerDot * size, baseline = NewFontBaselineRow(size);
    TteOutline outline;
    std::string error;
    DotsToOutline(written, TteGrid{upem, size, baseline, style.scale, style.offsetX, style.offsetY},
                  style.corners, outline, error);
    return CompareOutlineWithDots(outline, upem, baseline, drawn, size);
}

void PrintAgreementMeasurements() {
    std::printf("Agreement of font glyphs with drawn dots (threshold: overlap >= %.2f and no run missed)\n",
                kMinInkOverlap);
    std::printf("%-40s %6s %7s %7s %7s %7s %9s %6s\n", "variant", "count", "min", "p10", "median", "max",
                "runs-lost", "agree");
    for (int size : {32, 64}) {
        const auto drawings = Drawings(size, 400, 29);
        const int unit = kTteUnitsPerDot;
        const std::vector<Variant> variants = {
            {"exact", true, {}},
            {"rounded corners", true, {TteCorners::Rounded, 1.0, 0, 0}},
            {"shifted 1/2 dot", true, {TteCorners::Square, 1.0, unit / 2, -unit / 2}},
            {"shifted 3.3 dots", true, {TteCorners::Square, 1.0, unit * 33 / 10, unit * 14 / 10}},
            {"grid 0.90", true, {TteCorners::Square, 0.90, 0, 0}},
            {"grid 0.75, shifted", true, {TteCorners::Square, 0.75, unit * 4, -unit * 2}},
            {"grid 1.10, shifted", true, {TteCorners::Square, 1.10, -unit * 2, unit}},
            {"rounded, grid 0.95, shifted", true, {TteCorners::Rounded, 0.95, unit * 7 / 5, -unit * 9 / 4}},
            {"rounded, grid 0.80, shifted", true, {TteCorners::Rounded, 0.80, unit * 3, unit * 3}},
            {"spline through the edges' middles", true, {TteCorners::Spline, 1.0, 0, 0}},
            {"spline, grid 0.90, shifted", true, {TteCorners::Spline, 0.90, unit * 2, unit}},
            {"stale: a stroke since added", false, {}},
            {"stale: a block since erased", false, {}},
            {"different character", false, {}},
            {"different, spline and shifted", false, {TteCorners::Spline, 1.0, unit, unit}},
            {"empty glyph", false, {}},
        };
        std::mt19937 random(static_cast<unsigned>(size));
        for (const Variant& variant : variants) {
            std::vector<double> overlaps;
            int lostRuns = 0, agree = 0;
            for (std::size_t i = 0; i < drawings.size(); ++i) {
                const Bytes& drawn = drawings[i];
                Bytes written = drawn;
                const std::string name = variant.name;
                if (name.rfind("stale: a stroke", 0) == 0) {
                    // The font keeps the character from before a bar was drawn across it.
                    const int y = static_cast<int>(random() % static_cast<unsigned>(size));
                    Bytes edited = drawn;
                    for (int x = size / 6; x < size - size / 6; ++x)
                        edited[static_cast<std::size_t>(y) * (size / 8) + static_cast<std::size_t>(x / 8)] &=
                            static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
                    const GlyphAgreement a = Compare(edited, drawn, size, variant.style);
                    overlaps.push_back(a.overlap);
                    lostRuns += a.runsMissed > 0;
                    agree += a.agrees;
                    continue;
                }
                if (name.rfind("stale: a block", 0) == 0) {
                    // The font keeps the character from before a block of it was erased.
                    const int x0 = static_cast<int>(random() % static_cast<unsigned>(size / 2));
                    const int y0 = static_cast<int>(random() % static_cast<unsigned>(size / 2));
                    Bytes edited = drawn;
                    for (int y = y0; y < y0 + size / 4; ++y)
                        for (int x = x0; x < x0 + size / 4; ++x)
                            edited[static_cast<std::size_t>(y) * (size / 8) +
                                   static_cast<std::size_t>(x / 8)] |=
                                static_cast<std::uint8_t>(0x80 >> (x % 8));
                    if (edited == drawn) continue;
                    const GlyphAgreement a = Compare(edited, drawn, size, variant.style);
                    overlaps.push_back(a.overlap);
                    lostRuns += a.runsMissed > 0;
                    agree += a.agrees;
                    continue;
                }
                if (name.rfind("different", 0) == 0) written = drawings[(i + 1) % drawings.size()];
                if (name == "empty glyph") written.assign(drawn.size(), 0xFF);
                const GlyphAgreement a = Compare(drawn, written, size, variant.style);
                overlaps.push_back(a.overlap);
                lostRuns += a.runsMissed > 0;
                agree += a.agrees;
            }
            std::sort(overlaps.begin(), overlaps.end());
            char label[80];
            std::snprintf(label, sizeof label, "N=%d %s", size, variant.name);
            std::printf("%-40s %6zu %7.3f %7.3f %7.3f %7.3f %9d %6d\n", label, overlaps.size(),
                        overlaps.front(), overlaps[overlaps.size() / 10], overlaps[overlaps.size() / 2],
                        overlaps.back(), lostRuns, agree);
        }
    }
    std::printf("\n");
}

// The bitmap file and font of the benchmarks, for timing euftool check on them.
int WritePair(const std::string& folder) {
    Bytes bitmap = MakeEudcBitmapFileBytes(64);
    const auto drawings = Drawings(64, 6400);
    for (std::size_t i = 0; i < drawings.size(); ++i)
        PutEudcBitmapRecordBytes(bitmap, 0xE000 + static_cast<int>(i), drawings[i]);
    std::string error;
    if (!WriteWholeFile(folder + "/EUDC.EUF", bitmap, error) || !WriteWholeFile(folder + "/EUDC.TTE", FullFont(), error)) {
        std::fprintf(stderr, "font_bench: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (Ipa().GlyphCount() == 0) return 1;
    if (argc == 3 && std::string(argv[1]) == "--write-pair") return WritePair(argv[2]);
    PrintAgreementMeasurements();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
