// Paints the dot matrix: grid lines and the cells that meet the area asked for. It composes
// the pixels in memory and puts them on the device context with one copy, so that even a
// 256-dot glyph with every dot inked repaints quickly and the matrix never shows half drawn.
// Kept apart from the view so that its cost can be measured on its own.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editor/matrix_geometry.h"

class CMatrixPainter {
  public:
    CMatrixPainter() = default;
    CMatrixPainter(const CMatrixPainter&) = delete;
    CMatrixPainter& operator=(const CMatrixPainter&) = delete;

    // Paints the part of the matrix inside area (client coordinates of dc), background included.
    // Paints only the background when no edit bitmap is given.
    void Paint(HDC dc, const RECT& area, const MatrixGeometry& geometry, const MatrixPlanes& planes,
               const MatrixColors& colors, GridPeriods grid);
};
