// Paints the dot matrix: grid lines and the cells that meet the area asked for. The painter keeps the
// whole matrix composed in a memory picture between paints, together with a copy of the planes it was
// composed from; a paint first recomposes just the cells whose planes changed since (found by comparing
// whole words), then copies the area asked for onto the device context in one go. So a repaint after an
// edit costs the changed cells plus one copy, the grid is drawn once, and the matrix never shows half
// drawn. A change of zoom, glyph size, colours or grid recomposes everything.
// Kept apart from the view so that its cost can be measured on its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"

class CMatrixPainter {
  public:
    CMatrixPainter() = default;
    ~CMatrixPainter();
    CMatrixPainter(const CMatrixPainter&) = delete;
    CMatrixPainter& operator=(const CMatrixPainter&) = delete;

    // Paints the part of the matrix inside area (client coordinates of dc), background included.
    // Paints only the background when no edit bitmap is given.
    void Paint(HDC dc, const RECT& area, const MatrixGeometry& geometry, const MatrixPlanes& planes,
               const MatrixColors& colors, GridPeriods grid);
    // The same for the clip box of dc, which during WM_PAINT is the bounds of the update region (the copy
    // itself is clipped to the region). Paints nothing when the clip box is empty or cannot be had.
    void PaintClipBox(HDC dc, const MatrixGeometry& geometry, const MatrixPlanes& planes,
                      const MatrixColors& colors, GridPeriods grid);

  private:
    struct Snapshot {
        MatrixGeometry geometry;
        MatrixColors colors;
        GridPeriods grid;
        std::uint32_t background = 0;
        bool moving = false;
        DotPlane edit, outline, layer, staging;  // what the cells show; an absent plane is all white
    };

    bool EnsureCanvas(HDC reference, int extent);
    void ComposeAll(const MatrixGeometry& geometry, const MatrixPlanes& planes, const MatrixColors& colors,
                    GridPeriods grid, std::uint32_t background);
    void ComposeChanged(const MatrixPlanes& planes);
    // Recomposes the cells of row y whose bits are set in `which` (one byte per eight dots).
    void ComposeRow(int y, const std::uint8_t* which);
    // Index 0..15 of the flags of the dot at this byte and bit of the shown planes.
    int ShownFlags(std::size_t byte, unsigned bit) const;
    void Fill(int left, int top, int right, int bottom, std::uint32_t pixel);
    void TakeSnapshot(const MatrixPlanes& planes);

    // The composed matrix: extent by extent pixels, top-down, 32 bits a pixel.
    HDC m_memory = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    std::uint32_t* m_pixels = nullptr;
    int m_extent = 0;
    bool m_composed = false;
    Snapshot m_shown;
    std::vector<std::uint8_t> m_white;  // an all-white plane, for absent planes
    struct ChangedByte {
        std::size_t index;
        std::uint8_t bits;
    };
    std::vector<ChangedByte> m_changed;
    std::uint32_t m_cellPixel[16] = {};  // pixel of each combination of cell flags
    bool m_cellPainted[16] = {};         // false: the cell shows the background
};

// One region of these rectangles, made in one call (combining them one by one would cost the square of
// their number); null when there are none or the region cannot be made. The caller deletes it.
HRGN CreateRegionFromRects(const std::vector<RECT>& rects);

// One region of the cells of the changed dots, for a single invalidation per action (null when nothing
// changed or the region cannot be made). The caller deletes it.
HRGN CreateChangedCellsRegion(const DotChanges& changes, const MatrixGeometry& geometry);
