// A solid overlay in one colour, painted straight onto the matrix window, that previews a
// shape while the mouse is dragged (a line, rectangle or circle, a selection rectangle, a
// moved selection, a pending paste) without touching the glyph. Showing the same shape again
// paints nothing; for a new shape the matrix is restored only where the old one is no longer
// covered, and the new one painted over it; deleting the marquee restores the matrix under it.
// Every paint of the view paints the marquee again over what it repainted, so no repaint -- of
// changed cells, of the whole window uncovered or zoomed -- takes a part of it away.
#pragma once

#include <windows.h>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"

class CMarquee {
  public:
    CMarquee(HWND view, ColorRef color);
    ~CMarquee();
    CMarquee(const CMarquee&) = delete;
    CMarquee& operator=(const CMarquee&) = delete;

    // Shows the black dots of mask, shifted by offset, as cells of the matrix with the given
    // geometry. An empty shape leaves what was shown before.
    void Show(const DotPlane& mask, const MatrixGeometry& geometry, DotPoint offset = {0, 0});
    bool IsShown() const { return m_shape != nullptr; }
    // Paints the shown shape on a device context of the view (its paint, clipped to what it repaints).
    void PaintOver(HDC dc) const;

  private:
    void RestoreUnder(HRGN shape) const;
    void Fill(HDC dc, HRGN shape) const;

    HWND m_view;
    ColorRef m_color;
    HRGN m_shape = nullptr;  // in client pixels
};
