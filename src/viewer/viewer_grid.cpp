#include "viewer/viewer_grid.h"

#include <algorithm>

#include "base/dpi_scale.h"

ViewerGrid::ViewerGrid(int firstCode, int lastCode, int cellSize, int dpi)
    : m_first(firstCode),
      m_last(lastCode),
      m_cellSize(ClampCellSize(cellSize)),
      m_dpi(SaneDpi(dpi)),
      m_labelHeight(ScaleForDpi(kCellLabelHeight, m_dpi)),
      m_margin(ScaleForDpi(kCellMargin, m_dpi)) {}

int ViewerGrid::ClampCellSize(int size) { return std::clamp(size, kMinCellSize, kMaxCellSize); }

int ViewerGrid::DefaultCellSize(int dpi) {
    // In whole steps, as the slider and the wheel set it.
    const int scaled = ScaleForDpi(kDefaultCellSize, dpi);
    return ClampCellSize((scaled + kCellSizeStep / 2) / kCellSizeStep * kCellSizeStep);
}

int ViewerGrid::LabelFontHeight() const { return ScaleForDpi(kCellLabelFontHeight, m_dpi); }

GridRect ViewerGrid::LabelBounds(int code, int topRow) const {
    const GridRect cell = CellBounds(code, topRow);
    const int one = ScaleForDpi(1, m_dpi);
    return {cell.left + m_margin, cell.top + one, cell.right - one, cell.top + m_labelHeight + one};
}

int ViewerGrid::RowCount() const { return m_last < m_first ? 0 : RowOf(m_last) + 1; }

GridRect ViewerGrid::CellBounds(int code, int topRow) const {
    const int left = ColumnOf(code) * CellWidth();
    const int top = (RowOf(code) - topRow) * CellHeight();
    return {left, top, left + CellWidth(), top + CellHeight()};
}

GridRect ViewerGrid::PictureBounds(int code, int topRow) const {
    const GridRect cell = CellBounds(code, topRow);
    const int left = cell.left + m_margin;
    const int top = cell.top + m_labelHeight + m_margin;
    return {left, top, left + m_cellSize, top + m_cellSize};
}

int ViewerGrid::HitTest(int x, int y, int topRow) const {
    if (x < 0 || y < 0 || x >= GridWidth()) return -1;
    const int row = topRow + y / CellHeight();
    const int code = RowBase() + row * kViewerColumns + x / CellWidth();
    return Contains(code) ? code : -1;
}

int ViewerGrid::PageRows(int clientHeight) const { return std::max(1, clientHeight / CellHeight()); }

int ViewerGrid::MaxTopRow(int clientHeight) const { return std::max(0, RowCount() - PageRows(clientHeight)); }

int ViewerGrid::ClampTopRow(int topRow, int clientHeight) const {
    return std::clamp(topRow, 0, MaxTopRow(clientHeight));
}

int ViewerGrid::TopRowShowing(int code, int topRow, int clientHeight) const {
    if (!Contains(code)) return ClampTopRow(topRow, clientHeight);
    const int row = RowOf(code);
    if (row < topRow) return row;
    const int pageRows = PageRows(clientHeight);
    if (row >= topRow + pageRows) return ClampTopRow(row - pageRows + 1, clientHeight);
    return ClampTopRow(topRow, clientHeight);
}

std::pair<int, int> ViewerGrid::CodesTouching(const GridRect& rect, int topRow) const {
    // Rows above the window (scrolled out) count too: the division rounds towards minus infinity.
    const auto rowAt = [&](int y) {
        return topRow + (y >= 0 ? y / CellHeight() : -((-y - 1) / CellHeight()) - 1);
    };
    const int left = std::max(rect.left, 0);
    const int right = std::min(rect.right, GridWidth());
    if (left >= right || rect.top >= rect.bottom || RowCount() == 0) return {1, 0};
    const int firstRow = std::max(rowAt(rect.top), 0);
    const int lastRow = std::min(rowAt(rect.bottom - 1), RowCount() - 1);
    if (firstRow > lastRow) return {1, 0};
    const int first = RowBase() + firstRow * kViewerColumns + left / CellWidth();
    const int last = RowBase() + lastRow * kViewerColumns + (right - 1) / CellWidth();
    if (std::max(first, m_first) > std::min(last, m_last)) return {1, 0};
    return {std::max(first, m_first), std::min(last, m_last)};
}

int ViewerGrid::Step(int code, int columns, int rows) const {
    if (m_last < m_first) return code;
    return std::clamp(code + columns + rows * kViewerColumns, m_first, m_last);
}
