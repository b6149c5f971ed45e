#include "editor/win32/marquee.h"

#include <vector>

namespace {

// The cells of the black mask dots as one region, built in one call.
HRGN CellsRegion(const DotPlane& mask, const MatrixGeometry& geometry, DotPoint offset) {
    std::vector<RECT> cells;
    const int n = mask.Size();
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!mask.IsBlack(x, y)) continue;
            const CellRect cell = geometry.DotToCellRect(x + offset.x, y + offset.y);
            if (cell.left < 0) continue;  // shifted out of the glyph
            cells.push_back({cell.left, cell.top, cell.right, cell.bottom});
        }
    }
    if (cells.empty()) return nullptr;
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + cells.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(cells.size());
    header->nRgnSize = static_cast<DWORD>(cells.size() * sizeof(RECT));
    RECT bounds = cells.front();
    for (const RECT& cell : cells) UnionRect(&bounds, &bounds, &cell);
    header->rcBound = bounds;
    std::copy(cells.begin(), cells.end(), reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER)));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}

}  // namespace

CMarquee::CMarquee(HWND view, ColorRef color) : m_view(view), m_color(color) {}

CMarquee::~CMarquee() {
    if (m_shape) {
        RestoreUnder(m_shape);
        DeleteObject(m_shape);
    }
}

void CMarquee::RestoreUnder(HRGN shape) const {
    if (m_view && IsWindow(m_view))
        RedrawWindow(m_view, nullptr, shape, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMarquee::Show(const DotPlane& mask, const MatrixGeometry& geometry, DotPoint offset) {
    HRGN shape = CellsRegion(mask, geometry, offset);
    if (shape == nullptr) return;
    if (m_shape) {
        if (EqualRgn(shape, m_shape)) {
            DeleteObject(shape);
            return;
        }
        RestoreUnder(m_shape);
        DeleteObject(m_shape);
    }
    m_shape = shape;
    HDC dc = GetDC(m_view);
    if (dc == nullptr) return;
    HBRUSH brush = CreateSolidBrush(RGB(ColorRed(m_color), ColorGreen(m_color), ColorBlue(m_color)));
    if (brush) {
        FillRgn(dc, m_shape, brush);
        DeleteObject(brush);
    }
    ReleaseDC(m_view, dc);
}
