// Speed of the selection and of the operations on it at the largest glyph size. An automatic selection of a
// whole empty 256 by 256 glyph combines 65,536 dots; GDI's region calls, one 1-dot rectangle at a time, take
// time quadratic in that, so the region is built from the mask in one pass. Each of these runs once per
// user action and must stay well under a millisecond.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "editor/drawing.h"
#include "editor/selection_ops.h"

namespace {

constexpr int kSize = 256;

DotPlane RandomGlyph() {
    std::mt19937 rng(1);
    DotPlane glyph(kSize);
    for (std::uint8_t& b : glyph.Bytes()) b = static_cast<std::uint8_t>(rng());
    return glyph;
}

// The automatic selection of a whole empty glyph: the fill's mask is every dot.
void BM_SelectMaskWholePlane(benchmark::State& state) {
    const DotPlane mask = BuildFillMask(DotPlane(kSize), 0, 0, false).mask;
    for (auto _ : state) {
        MatrixSelection sel(kSize);
        benchmark::DoNotOptimize(sel.SelectMask(mask, kSelectReplace));
    }
}
BENCHMARK(BM_SelectMaskWholePlane)->Unit(benchmark::kMicrosecond);

// The worst shape for a region: a checkerboard, every dot its own rectangle (32,768 of them).
void BM_SelectMaskCheckerboard(benchmark::State& state) {
    DotPlane mask(kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = (y & 1); x < kSize; x += 2) mask.SetDot(x, y, true);
    }
    for (auto _ : state) {
        MatrixSelection sel(kSize);
        benchmark::DoNotOptimize(sel.SelectMask(mask, kSelectReplace));
    }
}
BENCHMARK(BM_SelectMaskCheckerboard)->Unit(benchmark::kMicrosecond);

// Invert a ring-shaped selection (its outline is rebuilt as part of it).
void BM_InvertSelection(benchmark::State& state) {
    MatrixSelection sel(kSize);
    sel.SelectRect(20, 20, 236, 236, kSelectReplace);
    sel.SelectRect(60, 60, 196, 196, kSelectRemove);
    for (auto _ : state) benchmark::DoNotOptimize(sel.InvertSelection());
}
BENCHMARK(BM_InvertSelection)->Unit(benchmark::kMicrosecond);

// The outline of a ragged selection: the connected black area of a random glyph.
void BM_RebuildOutline(benchmark::State& state) {
    MatrixSelection sel(kSize);
    DotPlane stripes(kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) stripes.SetDot(x, y, ((x / 3) + (y / 5)) % 2 == 0 || x % 7 == 0);
    }
    sel.SelectMask(stripes, kSelectReplace);
    for (auto _ : state) {
        sel.RebuildSelectionOutline();
        benchmark::DoNotOptimize(sel.Outline());
    }
}
BENCHMARK(BM_RebuildOutline)->Unit(benchmark::kMicrosecond);

// A quarter turn of the whole glyph (half its dots black).
void BM_RotateWholeGlyph(benchmark::State& state) {
    DotPlane glyph = RandomGlyph();
    MatrixSelection sel(kSize);
    sel.SelectAll(kSelectReplace);
    DotChanges repaint;
    for (auto _ : state) benchmark::DoNotOptimize(RotateSelection(glyph, sel, false, repaint));
}
BENCHMARK(BM_RotateWholeGlyph)->Unit(benchmark::kMicrosecond);

void BM_FlipWholeGlyph(benchmark::State& state) {
    DotPlane glyph = RandomGlyph();
    MatrixSelection sel(kSize);
    sel.SelectAll(kSelectReplace);
    DotChanges repaint;
    for (auto _ : state) benchmark::DoNotOptimize(FlipSelection(glyph, sel, kFlipHorizontal, repaint));
}
BENCHMARK(BM_FlipWholeGlyph)->Unit(benchmark::kMicrosecond);

// A move of a large selection by an odd offset, there and back (opaque), with the press's origin mask.
void BM_MoveSelection(benchmark::State& state) {
    DotPlane glyph = RandomGlyph();
    MatrixSelection sel(kSize);
    sel.SelectRect(10, 10, 200, 200, kSelectReplace);
    DotChanges repaint;
    int dx = 13, dy = 7;
    for (auto _ : state) {
        const DotPlane origin = RenderSelection(glyph, sel, 0, 0, true).plane;
        benchmark::DoNotOptimize(MoveSelection(glyph, sel, origin, dx, dy, kOverlayOpaque, repaint));
        dx = -dx;
        dy = -dy;
    }
}
BENCHMARK(BM_MoveSelection)->Unit(benchmark::kMicrosecond);

// One mouse move of a drag: the preview picture with the border.
void BM_MovePreview(benchmark::State& state) {
    const DotPlane glyph = RandomGlyph();
    MatrixSelection sel(kSize);
    sel.SelectRect(10, 10, 200, 200, kSelectReplace);
    for (auto _ : state) benchmark::DoNotOptimize(RenderSelection(glyph, sel, 21, -5, false));
}
BENCHMARK(BM_MovePreview)->Unit(benchmark::kMicrosecond);

void BM_InvertSelectedImage(benchmark::State& state) {
    DotPlane glyph = RandomGlyph();
    MatrixSelection sel(kSize);
    sel.SelectAll(kSelectReplace);
    DotChanges repaint;
    for (auto _ : state) benchmark::DoNotOptimize(InvertSelectedImage(glyph, sel, repaint));
}
BENCHMARK(BM_InvertSelectedImage)->Unit(benchmark::kMicrosecond);

void BM_PlacePasteOpaque(benchmark::State& state) {
    DotPlane glyph = RandomGlyph();
    OneBitImage picture(kSize, kSize);
    for (int i = 0; i < kSize; ++i) picture.SetDot(i, i, true);
    DotChanges repaint;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            PlacePaste(glyph, OneBitImageView::Of(picture), 0, 0, kOverlayOpaque, repaint));
    }
}
BENCHMARK(BM_PlacePasteOpaque)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
