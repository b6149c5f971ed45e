// The browser shows every code of the bitmap file's range as a grid of cells, sixteen to a row, so that the
// low hexadecimal digit of a code is its column. This is the geometry of that grid: code to cell and back,
// the scroll range in rows and hit testing, for a given cell size, top row and DPI. The picture's side is
// the user's zoom in screen pixels; the code band and the margins grow with the DPI.
#pragma once

#include <utility>

#include "base/int_rect.h"

inline constexpr int kViewerColumns = 16;
// The side of a character's picture in a cell, in screen pixels.
inline constexpr int kMinCellSize = 16;
inline constexpr int kMaxCellSize = 128;
inline constexpr int kDefaultCellSize = 48;
inline constexpr int kCellSizeStep = 8;
// The band above each picture that shows the code, the margin around the picture and the height of the
// code's characters, at 96 DPI.
inline constexpr int kCellLabelHeight = 12;
inline constexpr int kCellMargin = 3;
inline constexpr int kCellLabelFontHeight = 10;

using GridRect = IntRect;

class ViewerGrid {
  public:
    // The codes first..last (an empty range shows nothing); the cell size is clamped to 16..128.
    ViewerGrid(int firstCode, int lastCode, int cellSize, int dpi = 96);

    static int ClampCellSize(int size);
    // The picture side of a first start (no size stored) on a screen of `dpi`.
    static int DefaultCellSize(int dpi);

    int FirstCode() const { return m_first; }
    int LastCode() const { return m_last; }
    int CellSize() const { return m_cellSize; }
    int Dpi() const { return m_dpi; }
    int LabelHeight() const { return m_labelHeight; }
    int Margin() const { return m_margin; }
    // The code's characters (their cell height in pixels) and where the code is written in a cell.
    int LabelFontHeight() const;
    GridRect LabelBounds(int code, int topRow) const;
    // A cell's pitch: the picture, its margin on both sides and the code band on top.
    int CellWidth() const { return m_cellSize + 2 * m_margin; }
    int CellHeight() const { return m_labelHeight + m_cellSize + 2 * m_margin; }
    int GridWidth() const { return kViewerColumns * CellWidth(); }

    bool Contains(int code) const { return code >= m_first && code <= m_last; }
    int RowCount() const;
    // Rows start at a code whose low digit is 0, even when the range does not.
    int RowOf(int code) const { return (code - RowBase()) / kViewerColumns; }
    int ColumnOf(int code) const { return (code - RowBase()) % kViewerColumns; }

    // The whole cell and the picture square of a code, in client pixels, with topRow at the top.
    GridRect CellBounds(int code, int topRow) const;
    GridRect PictureBounds(int code, int topRow) const;
    // The code of the cell under a client point, or -1 (outside the columns, below the last row, or a
    // position of the first or last row that holds no code of the range).
    int HitTest(int x, int y, int topRow) const;

    // Whole rows that fit into a client height (at least one, so paging always moves).
    int PageRows(int clientHeight) const;
    // The last top row that still fills the client area: the scroll range is 0..MaxTopRow.
    int MaxTopRow(int clientHeight) const;
    int ClampTopRow(int topRow, int clientHeight) const;
    // The top row after the least scrolling that shows code's whole row.
    int TopRowShowing(int code, int topRow, int clientHeight) const;
    // The code range from the first to the last cell that a client rectangle touches, or {1, 0} for none;
    // in a rectangle narrower than the grid, codes in between may lie outside it (check CellBounds).
    std::pair<int, int> CodesTouching(const GridRect& rect, int topRow) const;
    // The code columns steps right and rows steps down from code, kept inside the range.
    int Step(int code, int columns, int rows) const;

  private:
    int RowBase() const { return m_first - (m_first % kViewerColumns); }

    int m_first;
    int m_last;
    int m_cellSize;
    int m_dpi;
    int m_labelHeight;
    int m_margin;
};
