#include "editor/win32/matrix_painter.h"

#include <algorithm>

namespace {

// A top-down 32-bit picture of the area, in memory.
class DibCanvas {
  public:
    DibCanvas(HDC reference, int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_pixels = static_cast<std::uint32_t*>(bits);
    }
    ~DibCanvas() {
        if (m_bitmap) DeleteObject(m_bitmap);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool Ok() const { return m_pixels != nullptr; }
    HBITMAP Bitmap() const { return m_bitmap; }

    // Fills the rectangle [left, right) x [top, bottom), clipped to the canvas.
    void Fill(int left, int top, int right, int bottom, std::uint32_t pixel) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, m_width);
        bottom = std::min(bottom, m_height);
        if (left >= right) return;
        for (int y = top; y < bottom; ++y)
            std::fill(m_pixels + y * m_width + left, m_pixels + y * m_width + right, pixel);
    }

  private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    std::uint32_t* m_pixels = nullptr;
};

// A DIB pixel: blue in the low byte.
std::uint32_t DibPixel(ColorRef color) {
    return ColorBlue(color) | (ColorGreen(color) << 8) | (ColorRed(color) << 16);
}

std::uint32_t DibPixel(COLORREF color) {
    return GetBValue(color) | (GetGValue(color) << 8) | (static_cast<std::uint32_t>(GetRValue(color)) << 16);
}

}  // namespace

void CMatrixPainter::Paint(HDC dc, const RECT& area, const MatrixGeometry& geometry,
                           const MatrixPlanes& planes, const MatrixColors& colors, GridPeriods grid) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    DibCanvas canvas(dc, width, height);
    if (!canvas.Ok()) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    // Everything below is in canvas coordinates: client coordinates minus the area's corner.
    const int dx = -area.left;
    const int dy = -area.top;
    canvas.Fill(0, 0, width, height, DibPixel(GetSysColor(COLOR_WINDOW)));

    if (planes.editBitmap != nullptr) {
        // Grid lines, as a one-pixel pen draws them from their start up to (not including) their end.
        const std::uint32_t gray = DibPixel(kGridGray);
        const std::uint32_t emphasised = DibPixel(colors.crGrid);
        for (const GridLine& line : geometry.GridLines(grid.x, grid.y)) {
            const std::uint32_t pixel = line.emphasised ? emphasised : gray;
            if (line.from.x == line.to.x) {
                canvas.Fill(line.from.x + dx, line.from.y + dy, line.from.x + dx + 1, line.to.y + dy, pixel);
            } else {
                canvas.Fill(line.from.x + dx, line.from.y + dy, line.to.x + dx, line.from.y + dy + 1, pixel);
            }
        }

        // Only the cells that meet the area.
        const int n = geometry.glyphSize;
        const int pitch = geometry.Pitch();
        auto firstDot = [&](LONG pixel) {
            return std::clamp((static_cast<int>(pixel) - kMatrixMargin - 1) / pitch, 0, n);
        };
        auto endDot = [&](LONG pixel) {
            return std::clamp((static_cast<int>(pixel) - kMatrixMargin - 1) / pitch + 1, 0, n);
        };
        const int firstX = firstDot(area.left), lastX = endDot(area.right);
        const int firstY = firstDot(area.top), lastY = endDot(area.bottom);
        for (int y = firstY; y < lastY; ++y) {
            for (int x = firstX; x < lastX; ++x) {
                const CellFills fills = CellFillColors(CellFlagsAt(planes, x, y), colors);
                if (fills.count == 0) continue;
                // Each fill covers the one before it; the last one is what shows.
                const CellRect cell = geometry.DotToCellRect(x, y);
                canvas.Fill(cell.left + dx, cell.top + dy, cell.right + dx, cell.bottom + dy,
                            DibPixel(fills.Colors().back()));
            }
        }
    }

    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    HGDIOBJ old = SelectObject(memory, canvas.Bitmap());
    BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}
