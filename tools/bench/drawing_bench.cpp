// Speed of the drawing primitives at the largest glyph size: every mouse move of a line, rectangle or
// circle drag rebuilds its mask, and every stroke, fill, move and paste goes through one masked write,
// so each must stay well below a frame's time.
#include <benchmark/benchmark.h>

#include <vector>

#include "editor/drawing.h"

namespace {

constexpr int kSize = 256;

void BM_FillWholePlane(benchmark::State& state) {
    const DotPlane empty(kSize);
    for (auto _ : state) {
        FillResult result = BuildFillMask(empty, kSize / 2, kSize / 2, false);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FillWholePlane)->Unit(benchmark::kMicrosecond);

// One-dot-wide vertical corridors joined alternately at the top and the bottom: every run of a row is a
// single dot, the hard case for a scan-line fill that walks rows.
DotPlane Serpentine(bool lying) {
    DotPlane walls(kSize);
    for (int x = 1; x < kSize; x += 2) {
        for (int y = 0; y < kSize; ++y) walls.SetDot(lying ? y : x, lying ? x : y, true);
        const int gap = (x / 2) % 2 == 0 ? kSize - 1 : 0;
        walls.SetDot(lying ? gap : x, lying ? x : gap, false);
    }
    return walls;
}

void BM_FillSerpentine(benchmark::State& state) {
    const DotPlane walls = Serpentine(state.range(0) != 0);
    for (auto _ : state) {
        FillResult result = BuildFillMask(walls, 0, 0, false);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FillSerpentine)->Arg(0)->Arg(1)->ArgName("lying")->Unit(benchmark::kMicrosecond);

// Nested square rings of one-dot walls with one-dot corridors between them, each ring opened at one dot
// of its top side, alternately left and right: the fill winds round every corridor, and its sides are
// single-dot runs whichever way the picture is walked (reported; the serpentine is the target case).
void BM_FillSpiral(benchmark::State& state) {
    DotPlane walls(kSize);
    for (int ring = 1; ring < kSize / 2; ring += 2) {
        const int lo = ring, hi = kSize - 1 - ring;
        for (int i = lo; i <= hi; ++i) {
            walls.SetDot(i, lo, true);
            walls.SetDot(i, hi, true);
            walls.SetDot(lo, i, true);
            walls.SetDot(hi, i, true);
        }
        walls.SetDot(ring % 4 == 1 ? lo + 1 : hi - 1, lo, false);
    }
    for (auto _ : state) {
        FillResult result = BuildFillMask(walls, 0, 0, false);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FillSpiral)->Unit(benchmark::kMicrosecond);

// The whole plane as the mask, so every dot is written and reported for repainting: the worst case.
// The word-wise write reports the changed rows; the byte-wise one lists every dot (the view's old path).
void BM_ApplyMaskWholePlane(benchmark::State& state) {
    DotPlane glyph(kSize), mask(kSize);
    mask.Fill(true);
    DotChanges changed;
    int colour = kPenBlack;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyMask(glyph, mask, colour, nullptr, changed));
        colour = kPenWhite - colour;
    }
}
BENCHMARK(BM_ApplyMaskWholePlane)->Unit(benchmark::kMicrosecond);

void BM_ApplyMaskWholePlaneDotList(benchmark::State& state) {
    DotPlane glyph(kSize), mask(kSize);
    mask.Fill(true);
    std::vector<DotPoint> cells;
    int colour = kPenBlack;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyMask(glyph, mask, colour, nullptr, cells));
        colour = kPenWhite - colour;
    }
}
BENCHMARK(BM_ApplyMaskWholePlaneDotList)->Unit(benchmark::kMicrosecond);

// What an undo of a whole-plane change has to find.
void BM_DifferingSpansWholePlane(benchmark::State& state) {
    DotPlane a(kSize), b(kSize);
    b.Fill(true);
    DotChanges changed;
    for (auto _ : state) {
        DifferingSpans(a, b, changed);
        benchmark::DoNotOptimize(changed);
    }
}
BENCHMARK(BM_DifferingSpansWholePlane)->Unit(benchmark::kMicrosecond);

// A typical shape written with a move's region (a quarter of the glyph).
void BM_ApplyMaskShapeWithRegion(benchmark::State& state) {
    DotPlane glyph(kSize), region(kSize);
    for (int y = 0; y < kSize / 2; ++y) {
        for (int x = 0; x < kSize / 2; ++x) region.SetDot(x, y, true);
    }
    const DotPlane mask = BuildShapeMask(kSize, kCircleTool, 10, 10, 240, 200, 3);
    DotChanges changed;
    for (auto _ : state) benchmark::DoNotOptimize(ApplyMask(glyph, mask, kPenBlack, &region, changed));
}
BENCHMARK(BM_ApplyMaskShapeWithRegion)->Unit(benchmark::kMicrosecond);

// Figures spanning the glyph, one per tool and width: args are (tool, width).
void BM_ShapeMask(benchmark::State& state) {
    const int tool = static_cast<int>(state.range(0)), width = static_cast<int>(state.range(1));
    for (auto _ : state) {
        DotPlane mask = tool == kLineTool ? BuildShapeMask(kSize, tool, 3, 5, 250, 190, width)
                                          : BuildShapeMask(kSize, tool, 2, 2, 254, 254, width);
        benchmark::DoNotOptimize(mask);
    }
}
BENCHMARK(BM_ShapeMask)
    ->ArgsProduct({{kLineTool, kRectangleTool, kCircleTool}, {1, 2, 3, 4, 5}})
    ->ArgNames({"tool", "width"})
    ->Unit(benchmark::kMicrosecond);

void BM_PenMask(benchmark::State& state) {
    for (auto _ : state) {
        DotPlane mask = BuildPenMask(kSize, 120, 80, 5);
        benchmark::DoNotOptimize(mask);
    }
}
BENCHMARK(BM_PenMask)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
