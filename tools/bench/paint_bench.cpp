// Measures how long the matrix takes to paint: the whole matrix and a one-cell update, for a
// 64-dot glyph at zoom 6 and a 256-dot glyph at zoom 4, as the view does it (into an off-screen
// bitmap, then one copy onto the window). Prints one line per case with the median time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "editor/win32/matrix_painter.h"

namespace {

LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

double PaintMs(HWND window, CMatrixPainter& painter, const RECT& area, const MatrixGeometry& geometry,
               const MatrixPlanes& planes, const MatrixColors& colors) {
    const auto start = std::chrono::steady_clock::now();
    HDC dc = GetDC(window);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
    painter.Paint(memory, area, geometry, planes, colors, {geometry.glyphSize / 2, geometry.glyphSize / 2});
    SetViewportOrgEx(memory, 0, 0, nullptr);
    BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void RunCase(HWND window, int glyphSize, int zoom, double fillRatio, const char* label) {
    DotPlane image(glyphSize);
    std::mt19937 random(42);
    std::bernoulli_distribution ink(fillRatio);
    for (int y = 0; y < glyphSize; ++y) {
        for (int x = 0; x < glyphSize; ++x) image.SetDot(x, y, ink(random));
    }
    DotPlane outline(glyphSize), staging(glyphSize);
    MatrixPlanes planes;
    planes.editBitmap = &image;
    planes.selectionOutline = &outline;
    planes.staging = &staging;
    const MatrixColors colors{MakeColorRef(0, 0, 0),       MakeColorRef(224, 224, 255),
                              MakeColorRef(128, 128, 128), MakeColorRef(228, 228, 240),
                              MakeColorRef(128, 128, 128), MakeColorRef(255, 128, 128),
                              MakeColorRef(240, 0, 0)};
    const MatrixGeometry geometry{zoom, glyphSize};
    const int extent = (zoom + 1) * glyphSize + 13;
    SetWindowPos(window, nullptr, 0, 0, extent, extent, SWP_NOMOVE | SWP_NOZORDER);
    CMatrixPainter painter;
    const RECT full = {0, 0, extent, extent};
    const CellRect cell = geometry.DotToCellRect(glyphSize / 2, glyphSize / 2);
    const RECT one = {cell.left, cell.top, cell.right, cell.bottom};
    std::vector<double> fullTimes, cellTimes;
    PaintMs(window, painter, full, geometry, planes, colors);  // warm up brushes and caches
    for (int i = 0; i < 30; ++i)
        fullTimes.push_back(PaintMs(window, painter, full, geometry, planes, colors));
    for (int i = 0; i < 200; ++i)
        cellTimes.push_back(PaintMs(window, painter, one, geometry, planes, colors));
    std::printf("N=%d zoom=%d %s: full paint %.2f ms, one cell %.3f ms\n", glyphSize, zoom, label,
                Median(fullTimes), Median(cellTimes));
}

}  // namespace

int main() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KfPaintBench";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"KfPaintBench", L"paint bench", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "cannot create a window\n");
        return 1;
    }
    RunCase(window, 64, 6, 0.3, "30% ink");
    RunCase(window, 64, 6, 1.0, "all ink");
    RunCase(window, 256, 4, 0.3, "30% ink");
    RunCase(window, 256, 4, 1.0, "all ink");
    DestroyWindow(window);
    return 0;
}
