#include "win32/editor/matrix_painter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// A DIB pixel: blue in the low byte.
std::uint32_t DibPixel(ColorRef color) {
    return ColorBlue(color) | (ColorGreen(color) << 8) | (ColorRed(color) << 16);
}

std::uint32_t DibPixel(COLORREF color) {
    return GetBValue(color) | (GetGValue(color) << 8) | (static_cast<std::uint32_t>(GetRValue(color)) << 16);
}

bool SameColors(const MatrixColors& a, const MatrixColors& b) {
    return a.crDot == b.crDot && a.crSelect == b.crSelect && a.crMoveMarquee == b.crMoveMarquee &&
           a.crMoveOrigin == b.crMoveOrigin && a.crDrawMarquee == b.crDrawMarquee && a.crLayer == b.crLayer &&
           a.crGrid == b.crGrid;
}

// The flags of a cell as an index 0..15.
int FlagIndex(const CellFlags& cell) {
    return (cell.black ? 1 : 0) | (cell.selectionBorder ? 2 : 0) | (cell.layerInk ? 4 : 0) |
           (cell.moveOrigin ? 8 : 0);
}

// The bytes of a plane the painter may compare word by word: only a plane of the glyph's size.
const DotPlane* Usable(const DotPlane* plane, int size) {
    return plane != nullptr && plane->Size() == size && plane->ByteCount() == DotPlaneByteCount(size)
               ? plane
               : nullptr;
}

void CopyInto(DotPlane& copy, const DotPlane* plane, int size) {
    if (copy.Size() != size) copy = DotPlane(size);
    if (const DotPlane* usable = Usable(plane, size)) {
        std::copy(usable->Bytes().begin(), usable->Bytes().end(), copy.Bytes().begin());
    } else {
        copy.Fill(false);
    }
}

}  // namespace

CMatrixPainter::~CMatrixPainter() {
    if (m_memory) {
        if (m_oldBitmap) SelectObject(m_memory, m_oldBitmap);
        DeleteDC(m_memory);
    }
    if (m_bitmap) DeleteObject(m_bitmap);
}

bool CMatrixPainter::EnsureCanvas(HDC reference, int extent) {
    if (m_pixels != nullptr && m_extent == extent) return true;
    if (m_memory) {
        if (m_oldBitmap) SelectObject(m_memory, m_oldBitmap);
        DeleteDC(m_memory);
    }
    if (m_bitmap) DeleteObject(m_bitmap);
    m_memory = nullptr;
    m_bitmap = nullptr;
    m_oldBitmap = nullptr;
    m_pixels = nullptr;
    m_extent = 0;
    m_composed = false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = extent;
    info.bmiHeader.biHeight = -extent;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    HDC memory = CreateCompatibleDC(reference);
    if (memory == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    m_memory = memory;
    m_bitmap = bitmap;
    m_oldBitmap = SelectObject(memory, bitmap);
    m_pixels = static_cast<std::uint32_t*>(bits);
    m_extent = extent;
    return true;
}

void CMatrixPainter::Fill(int left, int top, int right, int bottom, std::uint32_t pixel) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_extent);
    bottom = std::min(bottom, m_extent);
    if (left >= right) return;
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = m_pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_extent);
        std::fill(row + left, row + right, pixel);
    }
}

int CMatrixPainter::ShownFlags(std::size_t byte, unsigned bit) const {
    // The cell rule of CellFlagsAt, read straight from the bytes of the shown planes.
    const bool moving = m_shown.moving;
    CellFlags cell;
    cell.black = (m_shown.edit.Bytes()[byte] & bit) == 0;
    cell.selectionBorder = !moving && (m_shown.outline.Bytes()[byte] & bit) == 0;
    cell.layerInk = (m_shown.layer.Bytes()[byte] & bit) == 0;
    cell.moveOrigin = moving && (m_shown.staging.Bytes()[byte] & bit) == 0;
    return FlagIndex(cell);
}

void CMatrixPainter::ComposeRow(int y, const std::uint8_t* which) {
    // The first pixel row of each chosen cell is written, then the stretch of the band they span is copied
    // to the band's other pixel rows: inside a band of cells every pixel row is the same (vertical grid
    // lines run through all of them).
    const MatrixGeometry& geometry = m_shown.geometry;
    const int p = geometry.pixelSize;
    const std::size_t rowBytes = static_cast<std::size_t>(geometry.glyphSize / 8);
    const CellRect band = geometry.DotToCellRect(0, y);
    std::uint32_t* line = m_pixels + static_cast<std::size_t>(band.top) * static_cast<std::size_t>(m_extent);
    int lo = m_extent, hi = 0;
    for (std::size_t column = 0; column < rowBytes; ++column) {
        const std::size_t byte = static_cast<std::size_t>(y) * rowBytes + column;
        for (unsigned bits = which[column]; bits != 0;) {
            const int bit = std::countl_zero(static_cast<std::uint8_t>(bits));
            bits &= ~(0x80u >> bit);
            const int index = ShownFlags(byte, 0x80u >> bit);
            const int left = band.left + (static_cast<int>(column) * 8 + bit) * geometry.Pitch();
            std::fill(line + left, line + left + p,
                      m_cellPainted[index] ? m_cellPixel[index] : m_shown.background);
            lo = std::min(lo, left);
            hi = std::max(hi, left + p);
        }
    }
    for (int r = 1; r < p && lo < hi; ++r) {
        std::memcpy(line + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_extent) + lo, line + lo,
                    static_cast<std::size_t>(hi - lo) * sizeof(std::uint32_t));
    }
}

void CMatrixPainter::TakeSnapshot(const MatrixPlanes& planes) {
    const int size = m_shown.geometry.glyphSize;
    CopyInto(m_shown.edit, planes.editBitmap, size);
    CopyInto(m_shown.outline, planes.selectionOutline, size);
    CopyInto(m_shown.layer, planes.layer, size);
    CopyInto(m_shown.staging, planes.staging, size);
    m_shown.moving = planes.moving;
}

void CMatrixPainter::ComposeAll(const MatrixGeometry& geometry, const MatrixPlanes& planes,
                                const MatrixColors& colors, GridPeriods grid, std::uint32_t background) {
    m_shown.geometry = geometry;
    m_shown.colors = colors;
    m_shown.grid = grid;
    m_shown.background = background;
    TakeSnapshot(planes);
    for (int index = 0; index < 16; ++index) {
        CellFlags cell;
        cell.black = (index & 1) != 0;
        cell.selectionBorder = (index & 2) != 0;
        cell.layerInk = (index & 4) != 0;
        cell.moveOrigin = (index & 8) != 0;
        const CellFills fills = CellFillColors(cell, colors);
        // Each fill covers the one before it; the last one is what shows.
        m_cellPainted[index] = fills.count > 0;
        m_cellPixel[index] = fills.count > 0 ? DibPixel(fills.Colors().back()) : background;
    }

    Fill(0, 0, m_extent, m_extent, background);
    // Grid lines, as a one-pixel pen draws them from their start up to (not including) their end.
    const std::uint32_t gray = DibPixel(kGridGray);
    const std::uint32_t emphasised = DibPixel(colors.crGrid);
    for (const GridLine& line : geometry.GridLines(grid.x, grid.y)) {
        const std::uint32_t pixel = line.emphasised ? emphasised : gray;
        if (line.from.x == line.to.x) {
            Fill(line.from.x, line.from.y, line.from.x + 1, line.to.y, pixel);
        } else {
            Fill(line.from.x, line.from.y, line.to.x, line.from.y + 1, pixel);
        }
    }
    const std::vector<std::uint8_t> all(static_cast<std::size_t>(geometry.glyphSize / 8), 0xFF);
    for (int y = 0; y < geometry.glyphSize; ++y) ComposeRow(y, all.data());
    m_composed = true;
}

void CMatrixPainter::ComposeChanged(const MatrixPlanes& planes) {
    const int size = m_shown.geometry.glyphSize;
    const std::size_t rowBytes = static_cast<std::size_t>(size / 8);
    const std::size_t count = DotPlaneByteCount(size);
    if (m_white.size() != count) m_white.assign(count, kWhiteByte);
    // A plane the painter cannot compare byte by byte (absent, or of another size) reads as white, as
    // the cells show it. The staging plane shows only during a move, the outline only outside one.
    const auto bytesOf = [&](const DotPlane* plane) {
        const DotPlane* usable = Usable(plane, size);
        return usable ? usable->Bytes().data() : m_white.data();
    };
    const bool movingChanged = planes.moving != m_shown.moving;
    const std::uint8_t* now[4] = {bytesOf(planes.editBitmap), bytesOf(planes.layer),
                                  planes.moving ? bytesOf(planes.staging) : nullptr,
                                  planes.moving ? nullptr : bytesOf(planes.selectionOutline)};
    const std::uint8_t* shown[4] = {m_shown.edit.Bytes().data(), m_shown.layer.Bytes().data(),
                                    m_shown.staging.Bytes().data(), m_shown.outline.Bytes().data()};

    // Whole words compared first, then the bytes of the words that differ.
    m_changed.clear();
    for (std::size_t i = 0; i < count; i += 8) {
        const std::size_t n = std::min<std::size_t>(8, count - i);
        std::uint64_t differs = movingChanged ? 1 : 0;
        for (int p = 0; p < 4 && differs == 0; ++p) {
            if (now[p] == nullptr) continue;
            std::uint64_t a = 0, b = 0;
            std::memcpy(&a, now[p] + i, n);
            std::memcpy(&b, shown[p] + i, n);
            differs = a ^ b;
        }
        if (differs == 0) continue;
        for (std::size_t k = i; k < i + n; ++k) {
            unsigned bits = movingChanged ? 0xFFu : 0u;
            for (int p = 0; p < 4; ++p) {
                if (now[p] != nullptr) bits |= static_cast<unsigned>(now[p][k] ^ shown[p][k]);
            }
            if (bits != 0) m_changed.push_back({k, static_cast<std::uint8_t>(bits)});
        }
    }
    if (m_changed.empty()) return;
    TakeSnapshot(planes);
    std::vector<std::uint8_t> which(rowBytes, 0);
    for (std::size_t i = 0; i < m_changed.size();) {
        const std::size_t y = m_changed[i].index / rowBytes;
        std::fill(which.begin(), which.end(), 0);
        for (; i < m_changed.size() && m_changed[i].index / rowBytes == y; ++i)
            which[m_changed[i].index % rowBytes] = m_changed[i].bits;
        ComposeRow(static_cast<int>(y), which.data());
    }
}

void CMatrixPainter::Paint(HDC dc, const RECT& area, const MatrixGeometry& geometry,
                           const MatrixPlanes& planes, const MatrixColors& colors, GridPeriods grid) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    const std::uint32_t background = DibPixel(GetSysColor(COLOR_WINDOW));
    const int extent = geometry.Pitch() * geometry.glyphSize + 2 * kMatrixMargin + 1;
    if (planes.editBitmap == nullptr || geometry.glyphSize <= 0 || geometry.glyphSize % 8 != 0 ||
        !EnsureCanvas(dc, extent)) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    const bool sameLook = m_composed && m_shown.geometry.pixelSize == geometry.pixelSize &&
                          m_shown.geometry.glyphSize == geometry.glyphSize &&
                          SameColors(m_shown.colors, colors) && m_shown.grid == grid &&
                          m_shown.background == background;
    if (sameLook) {
        ComposeChanged(planes);
    } else {
        ComposeAll(geometry, planes, colors, grid, background);
    }

    // The composed matrix where the area meets it, the background elsewhere.
    RECT matrix = {0, 0, extent, extent};
    RECT shown;
    if (IntersectRect(&shown, &area, &matrix)) {
        BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, m_memory,
               shown.left, shown.top, SRCCOPY);
    }
    if (area.right > extent) {
        const RECT right = {std::max<LONG>(area.left, extent), area.top, area.right, area.bottom};
        FillRect(dc, &right, GetSysColorBrush(COLOR_WINDOW));
    }
    if (area.bottom > extent) {
        const RECT below = {area.left, std::max<LONG>(area.top, extent), std::min<LONG>(area.right, extent),
                            area.bottom};
        if (below.left < below.right) FillRect(dc, &below, GetSysColorBrush(COLOR_WINDOW));
    }
}

void CMatrixPainter::PaintClipBox(HDC dc, const MatrixGeometry& geometry, const MatrixPlanes& planes,
                                  const MatrixColors& colors, GridPeriods grid) {
    RECT area;
    const int kind = GetClipBox(dc, &area);
    if (kind == ERROR || kind == NULLREGION) return;
    Paint(dc, area, geometry, planes, colors, grid);
}

HRGN CreateChangedCellsRegion(const DotChanges& changes, const MatrixGeometry& geometry) {
    const std::vector<DotBox> rects = changes.Rectangles();
    std::vector<RECT> cells;
    cells.reserve(rects.size());
    for (const DotBox& dots : rects) {
        const CellRect first = geometry.DotToCellRect(dots.left, dots.top);
        const CellRect last = geometry.DotToCellRect(dots.right, dots.bottom);
        if (first.left < 0 || last.left < 0) continue;  // outside the glyph
        cells.push_back({first.left, first.top, last.right, last.bottom});
    }
    return CreateRegionFromRects(cells);
}

HRGN CreateRegionFromRects(const std::vector<RECT>& rects) {
    if (rects.empty()) return nullptr;
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rects.size());
    header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds = rects.front();
    for (const RECT& rect : rects) UnionRect(&bounds, &bounds, &rect);
    header->rcBound = bounds;
    std::memcpy(data.data() + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}
