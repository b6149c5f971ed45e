// Measures what the matrix costs on screen under Wine, at N = 256 and zoom 4 (and N = 64, zoom 6 for the
// paint alone). A window of its own stands in for the matrix view: its WM_PAINT paints the clip box with
// CMatrixPainter as the view's OnDraw does, and each edit is driven the way the view drives it. Every
// figure runs from the input (the first call the view would make) until UpdateWindow has returned, i.e. the
// paint has gone through the window's device context; it is the median of repeated runs. Edits reach the
// screen as the view is meant to send them: the changed rows of ApplyMask (or DifferingSpans) as one
// region, invalidated once, and a WM_PAINT that hands the clip box to CMatrixPainter::PaintClipBox.
//  - full paint / one cell: the whole client, or one cell's rectangle, invalidated and painted; "every
//    cell changed" paints the whole client after every dot of the glyph was inverted; the one cell's
//    invalidation and a WM_PAINT that only calls BeginPaint and EndPaint give Wine's own share.
//  - fill: BuildFillMask of the whole empty plane, ApplyMask, the changed cells invalidated, the history
//    state written (CImgArray::Store into a TEMP folder, as PushUndoSnapshot does), painted.
//  - undo: CImgArray::Undo of that fill into the staging plane, the differing cells invalidated, the plane
//    taken over, painted (update hint 3).
//  - circle step: one mouse move of a circle drag from dot (0, 0) across the whole matrix to (256, 256):
//    BuildShapeMask and CMarquee::Show; median over every step of the drag.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "document/img_array.h"
#include "editor/drawing.h"
#include "win32/editor/marquee.h"
#include "win32/editor/matrix_painter.h"
#include "bench_timing.h"

namespace {

const MatrixColors kColors{MakeColorRef(0, 0, 0),       MakeColorRef(224, 224, 255),
                           MakeColorRef(128, 128, 128), MakeColorRef(228, 228, 240),
                           MakeColorRef(128, 128, 128), MakeColorRef(255, 128, 128),
                           MakeColorRef(240, 0, 0)};

// What the stand-in view paints.
struct ViewState {
    MatrixGeometry geometry{4, 256};
    DotPlane* image = nullptr;
    DotPlane outline, staging;
    CMatrixPainter painter;
    bool paintNothing = false;  // the floor: BeginPaint and EndPaint alone
} g_view;

LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hWnd, &ps);
            if (g_view.paintNothing) {
                EndPaint(hWnd, &ps);
                return 0;
            }
            MatrixPlanes planes;
            planes.editBitmap = g_view.image;
            planes.selectionOutline = &g_view.outline;
            planes.staging = &g_view.staging;
            const int grid = g_view.geometry.glyphSize / 2;
            g_view.painter.PaintClipBox(dc, g_view.geometry, planes, kColors, {grid, grid});
            EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

// One invalidation per action: the changed cells as one region.
void InvalidateChanges(HWND window, const DotChanges& changes) {
    if (HRGN region = CreateChangedCellsRegion(changes, g_view.geometry)) {
        InvalidateRgn(window, region, FALSE);
        DeleteObject(region);
    }
}

void Settle(HWND window) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    UpdateWindow(window);
}

void Resize(HWND window, const MatrixGeometry& geometry) {
    const int extent = geometry.Pitch() * geometry.glyphSize + 13;
    RECT rect = {0, 0, extent, extent};
    AdjustWindowRect(&rect, WS_POPUP, FALSE);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    g_view.geometry = geometry;
    g_view.outline = DotPlane(geometry.glyphSize);
    g_view.staging = DotPlane(geometry.glyphSize);
    Settle(window);
}

void PaintCase(HWND window, int glyphSize, int zoom, double fillRatio, const char* label) {
    DotPlane image(glyphSize);
    std::mt19937 random(42);
    std::bernoulli_distribution ink(fillRatio);
    for (int y = 0; y < glyphSize; ++y) {
        for (int x = 0; x < glyphSize; ++x) image.SetDot(x, y, ink(random));
    }
    g_view.image = &image;
    Resize(window, {zoom, glyphSize});
    const CellRect cell = g_view.geometry.DotToCellRect(glyphSize / 2, glyphSize / 2);
    const RECT one = {cell.left, cell.top, cell.right, cell.bottom};
    std::vector<double> fullTimes, cellTimes;
    for (int i = 0; i < 31; ++i) {
        const auto start = Clock::now();
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        fullTimes.push_back(MsSince(start));
    }
    for (int i = 0; i < 201; ++i) {
        const auto start = Clock::now();
        InvalidateRect(window, &one, TRUE);
        UpdateWindow(window);
        cellTimes.push_back(MsSince(start));
    }
    std::vector<double> floorTimes;
    g_view.paintNothing = true;
    for (int i = 0; i < 201; ++i) {
        const auto start = Clock::now();
        InvalidateRect(window, &one, TRUE);
        UpdateWindow(window);
        floorTimes.push_back(MsSince(start));
    }
    g_view.paintNothing = false;
    std::vector<double> changedTimes;
    for (int i = 0; i < 31; ++i) {
        for (std::uint8_t& byte : image.Bytes()) byte = static_cast<std::uint8_t>(~byte);
        const auto start = Clock::now();
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        changedTimes.push_back(MsSince(start));
    }
    std::printf(
        "paint N=%d zoom=%d %s: full paint %.2f ms (every cell changed %.2f ms), one cell %.3f ms (the same "
        "invalidation and WM_PAINT without painting: %.3f ms)\n",
        glyphSize, zoom, label, Median(fullTimes), Median(changedTimes), Median(cellTimes),
        Median(floorTimes));
    g_view.image = nullptr;
}

void EditCases(HWND window, int runs) {
    constexpr int kSize = 256;
    DotPlane image(kSize);
    g_view.image = &image;
    Resize(window, {4, kSize});
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);

    std::vector<double> fills, undos;
    for (int run = 0; run < runs; ++run) {
        image.Fill(false);
        CImgArray history(std::filesystem::path(temp), kSize, nullptr);
        history.Store(image.Bytes(), TRUE);
        Settle(window);

        auto start = Clock::now();
        const FillResult fill = BuildFillMask(image, kSize / 2, kSize / 2, false);
        DotChanges changed;
        ApplyMask(image, fill.mask, kPenBlack, nullptr, changed);
        InvalidateChanges(window, changed);
        history.Store(image.Bytes(), FALSE);
        UpdateWindow(window);
        fills.push_back(MsSince(start));

        start = Clock::now();
        history.Undo(g_view.staging.Bytes());
        DotChanges differing;
        DifferingSpans(g_view.staging, image, differing);
        InvalidateChanges(window, differing);
        std::copy(g_view.staging.Bytes().begin(), g_view.staging.Bytes().end(), image.Bytes().begin());
        UpdateWindow(window);
        undos.push_back(MsSince(start));
    }
    std::printf("edit N=256 zoom=4: fill of the empty plane %.2f ms, undo of it %.2f ms (median of %zu)\n",
                Median(fills), Median(undos), fills.size());

    image.Fill(false);
    Settle(window);
    std::vector<double> steps;
    for (int run = 0; run < 3; ++run) {
        CMarquee marquee(window, kColors.crDrawMarquee);
        for (int d = 1; d <= kSize; ++d) {
            const auto start = Clock::now();
            marquee.Show(BuildShapeMask(kSize, kCircleTool, 0, 0, d, d, 1), g_view.geometry);
            steps.push_back(MsSince(start));
        }
    }
    std::printf("edit N=256 zoom=4: circle preview step %.2f ms (median of %zu steps), slowest %.2f ms\n",
                Median(steps), steps.size(), *std::max_element(steps.begin(), steps.end()));
    g_view.image = nullptr;
}

}  // namespace

// The number of fill and undo runs may be given as the argument (default 11).
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"KfPaintBench";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"KfPaintBench", L"paint bench", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "cannot create a window\n");
        return 1;
    }
    PaintCase(window, 64, 6, 0.3, "30% ink");
    PaintCase(window, 64, 6, 1.0, "all ink");
    PaintCase(window, 256, 4, 0.3, "30% ink");
    PaintCase(window, 256, 4, 1.0, "all ink");
    EditCases(window, runs);
    DestroyWindow(window);
    return 0;
}
