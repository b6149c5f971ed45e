// Measures the list browser under Wine: a bitmap file of 6 400 characters of 40 by 40 dots (1.3 MB, every
// code of E000..F8FF stored) read whole and its first screen painted, and one scroll step. The browser's
// own grid view does the work, in a window of the default size at the default cell size of 48 pixels:
//  - first screen: GlyphSheet::Read of the file, the view's window created, the sheet handed over and
//    the first WM_PAINT through (UpdateWindow returned); the view destroyed again after each run;
//  - scroll step: one line of the scroll bar (SB_LINEDOWN) until the newly exposed row is painted, and
//    one page (SB_PAGEDOWN), each the median over many steps.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_writer.h"
#include "viewer/glyph_sheet.h"
#include "win32/viewer/glyph_grid_view.h"
#include "bench_timing.h"

namespace {

void Settle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

constexpr int kGlyph = 40;

bool WriteFullFile(const std::filesystem::path& path) {
    std::vector<std::uint8_t> file = MakeEudcBitmapFileBytes(kGlyph);
    std::vector<std::uint8_t> bits(kGlyph * kGlyph / 8);
    for (int code = kEudcFirst; code <= kEudcLast; ++code) {
        for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(code * 7 + i * 13);
        if (!PutEudcBitmapRecordBytes(file, code, bits)) return false;
    }
    std::FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / L"kf_viewer_bench.EUF";
    if (!WriteFullFile(path)) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        return 1;
    }
    HWND frame = CreateWindowW(L"STATIC", L"viewer bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 900,
                               620, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const wchar_t* viewClass = CWnd::RegisterFrameworkClass(
        CS_DBLCLKS, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    if (frame == nullptr || viewClass == nullptr) {
        std::fprintf(stderr, "cannot create a window\n");
        return 1;
    }

    std::vector<double> firstScreen;
    std::vector<double> lineSteps;
    std::vector<double> pageSteps;
    int stored = 0;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        GlyphSheet sheet;
        sheet.Read(path);
        auto* view = new CGlyphGridView(path.wstring(), L"", kDefaultCellSize, 96, {});
        view->CreateEx(0, viewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 900, 620, frame, nullptr);
        stored = sheet.StoredCount();
        view->SetSheet(std::move(sheet));
        UpdateWindow(view->m_hWnd);
        firstScreen.push_back(MsSince(start));
        Settle();

        for (int step = 0; step < 40; ++step) {
            const Clock::time_point s = Clock::now();
            SendMessageW(view->m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
            UpdateWindow(view->m_hWnd);
            lineSteps.push_back(MsSince(s));
        }
        for (int step = 0; step < 10; ++step) {
            const Clock::time_point s = Clock::now();
            SendMessageW(view->m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
            UpdateWindow(view->m_hWnd);
            pageSteps.push_back(MsSince(s));
        }
        DestroyWindow(view->m_hWnd);  // the view deletes itself with its window
        Settle();
    }
    std::printf("viewer: %d characters of %dx%d dots, file %llu bytes\n", stored, kGlyph, kGlyph,
                static_cast<unsigned long long>(std::filesystem::file_size(path)));
    std::printf("viewer: read + first screen %.1f ms (median of %d; target < 150 ms)\n", Median(firstScreen),
                runs);
    std::printf("viewer: scroll one row %.2f ms, one page %.2f ms (medians of %zu and %zu; target < 16 ms)\n",
                Median(lineSteps), Median(pageSteps), lineSteps.size(), pageSteps.size());
    DestroyWindow(frame);
    std::filesystem::remove(path);
    return 0;
}
