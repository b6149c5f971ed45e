// The matrix painter and the marquee on real GDI: a painter that keeps its composed picture between
// paints must show exactly what a fresh painter shows after any change of the planes, a paint whose clip
// box cannot be had draws nothing, the changed-cells region covers the changed cells and nothing else,
// and a marquee leaves the matrix intact where its old shape is no longer covered.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "editor/drawing.h"
#include "win32/editor/marquee.h"
#include "win32/editor/matrix_painter.h"

namespace {

const MatrixColors kColors{MakeColorRef(0, 0, 0),       MakeColorRef(224, 224, 255),
                           MakeColorRef(128, 128, 128), MakeColorRef(228, 228, 240),
                           MakeColorRef(128, 128, 128), MakeColorRef(255, 128, 128),
                           MakeColorRef(240, 0, 0)};

// A 32-bit memory picture to paint into, first filled with a colour no painter uses.
class Canvas {
  public:
    explicit Canvas(int size) : m_size(size) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size;
        info.bmiHeader.biHeight = -size;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_pixels = static_cast<std::uint32_t*>(bits);
        if (m_dc && m_bitmap) m_old = SelectObject(m_dc, m_bitmap);
        Clear();
    }
    ~Canvas() {
        if (m_old) SelectObject(m_dc, m_old);
        if (m_bitmap) DeleteObject(m_bitmap);
        if (m_dc) DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ready() const { return m_pixels != nullptr && m_old != nullptr; }
    HDC Dc() const { return m_dc; }
    void Clear() {
        GdiFlush();
        if (m_pixels) std::fill(m_pixels, m_pixels + m_size * m_size, 0x00123456u);
    }
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        return std::vector<std::uint32_t>(m_pixels, m_pixels + m_size * m_size);
    }

  private:
    int m_size;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_pixels = nullptr;
};

DotPlane RandomPlane(int size, double ink, std::mt19937& random) {
    std::bernoulli_distribution black(ink);
    DotPlane plane(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) plane.SetDot(x, y, black(random));
    }
    return plane;
}

int CountDiffering(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

}  // namespace

TEST(MatrixPainter, KeptPictureAlwaysShowsWhatAFreshPaintShows) {
    constexpr int kSize = 64;
    const MatrixGeometry geometry{5, kSize};
    const int extent = geometry.Pitch() * kSize + 13;
    Canvas kept(extent + 20), fresh(extent + 20);  // larger than the matrix: the rest is background
    ASSERT_TRUE(kept.Ready() && fresh.Ready());
    const RECT all = {0, 0, extent + 20, extent + 20};

    std::mt19937 random(31);
    DotPlane edit = RandomPlane(kSize, 0.3, random), outline(kSize), layer = RandomPlane(kSize, 0.2, random),
             staging(kSize);
    MatrixPlanes planes;
    planes.editBitmap = &edit;
    planes.selectionOutline = &outline;
    planes.staging = &staging;
    CMatrixPainter painter;
    painter.Paint(kept.Dc(), all, geometry, planes, kColors, {8, 8});

    // Each step changes what the cells show in another way; after each the kept painter, asked for the
    // whole area, must give the fresh painter's picture pixel for pixel.
    std::uniform_int_distribution<int> coord(0, kSize - 1);
    const auto step = [&](int i) {
        switch (i % 7) {
            case 0:  // a few dots drawn
                for (int k = 0; k < 5; ++k) edit.SetDot(coord(random), coord(random), true);
                break;
            case 1:  // a selection outline appears
                outline = RandomPlane(kSize, 0.1, random);
                break;
            case 2:  // a sample layer is shown, then hidden
                planes.layer = planes.layer ? nullptr : &layer;
                break;
            case 3:  // a move starts: the staging plane shows the lifted dots, the outline does not
                staging = RandomPlane(kSize, 0.15, random);
                planes.moving = true;
                break;
            case 4:  // the move ends
                planes.moving = false;
                break;
            case 5:  // the staging plane used as scratch outside a move shows nothing
                staging = RandomPlane(kSize, 0.5, random);
                break;
            case 6:  // the whole glyph replaced
                edit = RandomPlane(kSize, 0.5, random);
                break;
        }
    };
    for (int i = 0; i < 21; ++i) {
        step(i);
        kept.Clear();
        painter.Paint(kept.Dc(), all, geometry, planes, kColors, {8, 8});
        CMatrixPainter newPainter;
        fresh.Clear();
        newPainter.Paint(fresh.Dc(), all, geometry, planes, kColors, {8, 8});
        ASSERT_EQ(CountDiffering(kept.Pixels(), fresh.Pixels()), 0) << "after step " << i;
    }

    // A change of zoom, colours or grid periods recomposes everything.
    MatrixColors other = kColors;
    other.crDot = MakeColorRef(0, 0, 200);
    for (auto [zoom, colors, grid] : {std::tuple{6, kColors, GridPeriods{8, 8}},
                                      {6, other, GridPeriods{8, 8}},
                                      {6, other, GridPeriods{0, 16}}}) {
        const MatrixGeometry changed{zoom, kSize};
        kept.Clear();
        painter.Paint(kept.Dc(), all, changed, planes, colors, grid);
        CMatrixPainter newPainter;
        fresh.Clear();
        newPainter.Paint(fresh.Dc(), all, changed, planes, colors, grid);
        ASSERT_EQ(CountDiffering(kept.Pixels(), fresh.Pixels()), 0) << "zoom " << zoom;
    }

    // Only the area asked for is touched.
    kept.Clear();
    const RECT part = {20, 30, 60, 45};
    painter.Paint(kept.Dc(), part, {6, kSize}, planes, other, {0, 16});
    const std::vector<std::uint32_t> pixels = kept.Pixels();
    const std::vector<std::uint32_t> whole = fresh.Pixels();
    for (int y = 0; y < extent + 20; ++y) {
        for (int x = 0; x < extent + 20; ++x) {
            const bool inside = x >= part.left && x < part.right && y >= part.top && y < part.bottom;
            const std::size_t i = static_cast<std::size_t>(y) * (extent + 20) + x;
            ASSERT_EQ(pixels[i], inside ? whole[i] : 0x00123456u) << x << "," << y;
        }
    }
}

TEST(MatrixPainter, ClipBoxThatCannotBeHadPaintsNothing) {
    constexpr int kSize = 16;
    DotPlane edit(kSize);
    edit.Fill(true);
    MatrixPlanes planes;
    planes.editBitmap = &edit;
    CMatrixPainter painter;
    // A device context that no longer exists: GetClipBox fails, and nothing may be painted or crash.
    HDC gone = CreateCompatibleDC(nullptr);
    ASSERT_NE(gone, nullptr);
    DeleteDC(gone);
    painter.PaintClipBox(gone, {4, kSize}, planes, kColors, {0, 0});

    // A live one with a clip box: the painter paints it like Paint with that area.
    Canvas canvas(100), reference(100);
    ASSERT_TRUE(canvas.Ready() && reference.Ready());
    HRGN clip = CreateRectRgn(10, 10, 40, 30);
    SelectClipRgn(canvas.Dc(), clip);
    DeleteObject(clip);
    painter.PaintClipBox(canvas.Dc(), {4, kSize}, planes, kColors, {0, 0});
    CMatrixPainter other;
    other.Paint(reference.Dc(), {10, 10, 40, 30}, {4, kSize}, planes, kColors, {0, 0});
    EXPECT_EQ(CountDiffering(canvas.Pixels(), reference.Pixels()), 0);
}

TEST(MatrixPainter, ChangedCellsRegionHoldsExactlyTheChangedCells) {
    constexpr int kSize = 64;
    const MatrixGeometry geometry{6, kSize};
    DotPlane glyph(kSize);
    DotChanges changed;
    ASSERT_TRUE(
        ApplyMask(glyph, BuildShapeMask(kSize, kCircleTool, 3, 5, 60, 50, 3), kPenBlack, nullptr, changed));
    HRGN region = CreateChangedCellsRegion(changed, geometry);
    ASSERT_NE(region, nullptr);
    // Every changed cell is inside; every cell outside the rows' spans is not.
    for (int y = 0; y < kSize; ++y) {
        const DotSpan* span = nullptr;
        for (const DotSpan& s : changed.Spans()) {
            if (s.y == y) span = &s;
        }
        for (int x = 0; x < kSize; ++x) {
            const PixelPoint centre = geometry.DotToCellCenter(x, y);
            const bool inSpan = span && x >= span->left && x <= span->right;
            EXPECT_EQ(PtInRegion(region, centre.x, centre.y) != FALSE, inSpan) << x << "," << y;
            if (glyph.IsBlack(x, y)) {
                EXPECT_TRUE(inSpan) << x << "," << y;
            }
        }
    }
    DeleteObject(region);
    changed.Clear();
    EXPECT_EQ(CreateChangedCellsRegion(changed, geometry), nullptr);
}

namespace {

// A window that paints the matrix as the view does, counting its paints.
struct PaintedWindow {
    DotPlane edit{32};
    CMatrixPainter painter;
    MatrixGeometry geometry{6, 32};
    int paints = 0;
};
PaintedWindow* g_painted = nullptr;

LRESULT CALLBACK PaintedProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && g_painted) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        MatrixPlanes planes;
        planes.editBitmap = &g_painted->edit;
        g_painted->painter.PaintClipBox(dc, g_painted->geometry, planes, kColors, {0, 0});
        EndPaint(hWnd, &ps);
        ++g_painted->paints;
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

COLORREF CellColour(HWND window, const MatrixGeometry& geometry, int x, int y) {
    const PixelPoint centre = geometry.DotToCellCenter(x, y);
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, centre.x, centre.y);
    ReleaseDC(window, dc);
    return colour;
}

}  // namespace

TEST(Marquee, NewShapeShowsAndOnlyTheUncoveredOldCellsAreRestored) {
    PaintedWindow state;
    g_painted = &state;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PaintedProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KfMarqueeTest";
    RegisterClassW(&wc);
    const int extent = state.geometry.Pitch() * 32 + 13;
    HWND window = CreateWindowW(L"KfMarqueeTest", L"marquee", WS_POPUP | WS_VISIBLE, 0, 0, extent, extent,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    state.edit.SetDot(20, 4, true);  // an inked dot under the first shape only
    UpdateWindow(window);
    const COLORREF marquee = RGB(128, 128, 128), ink = RGB(0, 0, 0), white = GetSysColor(COLOR_WINDOW);
    {
        CMarquee preview(window, kColors.crDrawMarquee);
        preview.Show(BuildShapeMask(32, kRectangleTool, 2, 2, 30, 10, 1), state.geometry);  // rows 2 and 9
        EXPECT_EQ(CellColour(window, state.geometry, 20, 2), marquee);
        const int paintsBefore = state.paints;
        // The next shape shares the top row and drops the bottom one.
        preview.Show(BuildShapeMask(32, kRectangleTool, 2, 2, 30, 5, 1), state.geometry);  // rows 2 and 4
        EXPECT_EQ(state.paints, paintsBefore + 1);  // one paint restores what the old shape no longer covers
        EXPECT_EQ(CellColour(window, state.geometry, 20, 2), marquee);
        EXPECT_EQ(CellColour(window, state.geometry, 20, 4), marquee);
        EXPECT_EQ(CellColour(window, state.geometry, 20, 9), white);
        EXPECT_EQ(CellColour(window, state.geometry, 2, 7), white);
        // The same shape again paints nothing.
        preview.Show(BuildShapeMask(32, kRectangleTool, 2, 2, 30, 5, 1), state.geometry);
        EXPECT_EQ(state.paints, paintsBefore + 1);
    }
    // Deleting the marquee restores the matrix under it, the inked dot included.
    EXPECT_EQ(CellColour(window, state.geometry, 20, 4), ink);
    EXPECT_EQ(CellColour(window, state.geometry, 20, 2), white);
    DestroyWindow(window);
    UnregisterClassW(L"KfMarqueeTest", wc.hInstance);
    g_painted = nullptr;
}

// A shape shown while part of the window waits for a paint: restoring what the old shape no longer covers
// paints everything that waits, and the new shape must still show whole afterwards.
TEST(Marquee, AShapeShownWhileAPaintIsPendingHasNoHoles) {
    PaintedWindow state;
    g_painted = &state;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PaintedProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KfMarqueeHoles";
    RegisterClassW(&wc);
    const int extent = state.geometry.Pitch() * 32 + 13;
    HWND window = CreateWindowW(L"KfMarqueeHoles", L"marquee", WS_POPUP | WS_VISIBLE, 0, 0, extent, extent,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    const COLORREF marquee = RGB(128, 128, 128);
    {
        CMarquee preview(window, kColors.crDrawMarquee);
        preview.Show(BuildShapeMask(32, kRectangleTool, 2, 2, 30, 10, 1), state.geometry);  // rows 2 and 9
        InvalidateRect(window, nullptr, FALSE);  // say, a cell changed under the drag
        preview.Show(BuildShapeMask(32, kRectangleTool, 2, 2, 30, 6, 1), state.geometry);  // rows 2 and 5
        for (int x = 2; x < 30; x += 3) {
            EXPECT_EQ(CellColour(window, state.geometry, x, 2), marquee) << "top row, dot " << x;
            EXPECT_EQ(CellColour(window, state.geometry, x, 5), marquee) << "bottom row, dot " << x;
        }
        EXPECT_EQ(CellColour(window, state.geometry, 20, 9), GetSysColor(COLOR_WINDOW));
    }
    DestroyWindow(window);
    UnregisterClassW(L"KfMarqueeHoles", wc.hInstance);
    g_painted = nullptr;
}
