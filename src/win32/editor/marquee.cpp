#include "win32/editor/marquee.h"

#include "win32/editor/matrix_painter.h"

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace {

// The cells of the black mask dots as one region, built in one call. Bytes without a black dot are
// skipped whole.
HRGN CellsRegion(const DotPlane& mask, const MatrixGeometry& geometry, DotPoint offset) {
    std::vector<RECT> cells;
    const int n = mask.Size();
    const std::span<const std::uint8_t> bytes = mask.Bytes();
    const std::size_t rowBytes = static_cast<std::size_t>(n / 8);
    for (int y = 0; y < n && rowBytes > 0; ++y) {
        for (std::size_t column = 0; column < rowBytes; ++column) {
            const std::size_t index = static_cast<std::size_t>(y) * rowBytes + column;
            if (index >= bytes.size()) break;
            for (unsigned black = static_cast<std::uint8_t>(~bytes[index]); black != 0;) {
                const int bit = std::countl_zero(static_cast<std::uint8_t>(black));
                black &= ~(0x80u >> bit);
                const int x = static_cast<int>(column) * 8 + bit;
                const CellRect cell = geometry.DotToCellRect(x + offset.x, y + offset.y);
                if (cell.left < 0) continue;  // shifted out of the glyph
                cells.push_back({cell.left, cell.top, cell.right, cell.bottom});
            }
        }
    }
    return CreateRegionFromRects(cells);
}

}  // namespace

CMarquee::CMarquee(HWND view, ColorRef color) : m_view(view), m_color(color) {}

CMarquee::~CMarquee() {
    if (m_shape) {
        // Gone before the repaint, which would paint it again.
        HRGN shape = m_shape;
        m_shape = nullptr;
        RestoreUnder(shape);
        DeleteObject(shape);
    }
}

void CMarquee::RestoreUnder(HRGN shape) const {
    if (m_view && IsWindow(m_view))
        RedrawWindow(m_view, nullptr, shape, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMarquee::Fill(HDC dc, HRGN shape) const {
    if (HBRUSH brush = CreateSolidBrush(RGB(ColorRed(m_color), ColorGreen(m_color), ColorBlue(m_color)))) {
        FillRgn(dc, shape, brush);
        DeleteObject(brush);
    }
}

void CMarquee::PaintOver(HDC dc) const {
    if (m_shape && dc) Fill(dc, m_shape);
}

void CMarquee::Show(const DotPlane& mask, const MatrixGeometry& geometry, DotPoint offset) {
    HRGN shape = CellsRegion(mask, geometry, offset);
    if (shape == nullptr) return;
    if (m_shape && EqualRgn(shape, m_shape)) {
        DeleteObject(shape);
        return;
    }
    // The matrix back where the old shape is no longer covered -- that paint also paints whatever else
    // waited to be painted, the new shape's cells included, and paints the new shape over it -- then the
    // new shape: cells that stay under the marquee are never repainted, so nothing flickers, and a large
    // shape costs only what moved.
    HRGN old = m_shape;
    m_shape = shape;
    if (old) {
        if (CombineRgn(old, old, shape, RGN_DIFF) != NULLREGION) RestoreUnder(old);
        DeleteObject(old);
    }
    if (HDC dc = GetDC(m_view)) {
        Fill(dc, shape);
        ReleaseDC(m_view, dc);
    }
}
