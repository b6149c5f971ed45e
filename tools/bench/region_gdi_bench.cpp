// The automatic selection measured against GDI on the same machine (under Wine): our one-pass SelectMask
// next to what combining one 1-dot rectangle per dot with CombineRgn costs, for a whole 256 by 256 fill and
// for a checkerboard (every dot its own rectangle, GDI's worst case). Both results are also compared dot by
// dot. Prints one line per case with the median time of several runs.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "editor/selection.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double TimeMs(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The region GDI builds from a mask, one CombineRgn per black dot.
HRGN GdiDotByDot(const DotPlane& mask) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < mask.Size(); ++y) {
        for (int x = 0; x < mask.Size(); ++x) {
            if (!mask.IsBlack(x, y)) continue;
            HRGN dot = CreateRectRgn(x, y, x + 1, y + 1);
            CombineRgn(region, region, dot, RGN_OR);
            DeleteObject(dot);
        }
    }
    return region;
}

void RunCase(const char* label, const DotPlane& mask, int gdiRuns) {
    std::vector<double> ours, gdi;
    MatrixSelection selection(mask.Size());
    for (int i = 0; i < 21; ++i) {
        ours.push_back(TimeMs([&] {
            selection = MatrixSelection(mask.Size());
            selection.SelectMask(mask, kSelectReplace);
        }));
    }
    HRGN region = nullptr;
    for (int i = 0; i < gdiRuns; ++i) {
        if (region) DeleteObject(region);
        gdi.push_back(TimeMs([&] { region = GdiDotByDot(mask); }));
    }
    bool same = true;
    for (int y = -1; y <= mask.Size() && same; ++y) {
        for (int x = -1; x <= mask.Size() && same; ++x)
            same = (PtInRegion(region, x, y) != 0) == selection.Contains(x, y);
    }
    RECT box{};
    GetRgnBox(region, &box);
    const DotRect ourBox = selection.Box();
    same = same && box.left == ourBox.left && box.top == ourBox.top && box.right == ourBox.right &&
           box.bottom == ourBox.bottom;
    DeleteObject(region);
    std::printf("%-34s SelectMask %9.3f ms   GDI CombineRgn per dot %10.3f ms   same region: %s\n", label,
                Median(ours), Median(gdi), same ? "yes" : "NO");
}

}  // namespace

int main() {
    DotPlane full(256);
    full.Fill(true);
    RunCase("whole 256x256 fill", full, 5);

    DotPlane checker(256);
    for (int y = 0; y < 256; ++y) {
        for (int x = (y & 1); x < 256; x += 2) checker.SetDot(x, y, true);
    }
    RunCase("256x256 checkerboard", checker, 1);

    DotPlane ring(256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int dx = x - 128, dy = y - 128;
            ring.SetDot(x, y, dx * dx + dy * dy < 120 * 120 && dx * dx + dy * dy > 60 * 60);
        }
    }
    RunCase("256x256 ring (filled annulus)", ring, 3);
    return 0;
}
