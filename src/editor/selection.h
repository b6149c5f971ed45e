// The matrix view's selection: which dots the image operations, the move and the clipboard act on, and
// the 1-dot border the view tints to show it. The region may be absent (never made), empty or not; parts
// of it outside the glyph select nothing. The view reads Shift and Alt when the user changes the
// selection and passes the resulting mode in; every change here rebuilds the border plane at once, so
// the view only has to repaint the border's cells before and after.
#pragma once

#include <optional>

#include "editor/dot_plane.h"
#include "editor/dot_region.h"
#include "editor/matrix_geometry.h"

// How a new shape is combined with the selection: Shift adds (Alt is then ignored), Alt alone removes,
// neither replaces.
enum SelectionMode : int {
    kSelectReplace = 0,
    kSelectAdd = 1,
    kSelectRemove = 2,
};
SelectionMode SelectionModeOfKeys(bool shift, bool alt);

// The arrow keys that nudge a selection by one dot.
enum NudgeDirection : int {
    kNudgeLeft = 0,
    kNudgeUp = 1,
    kNudgeRight = 2,
    kNudgeDown = 3,
};

class MatrixSelection {
  public:
    explicit MatrixSelection(int glyphSize);

    int GlyphSize() const { return m_nGlyphSize; }
    // A selection exists when the region exists and its bounding box is not empty.
    bool HasSelection() const { return m_region.has_value() && !m_region->IsEmpty(); }
    // The region, or null while none was ever made.
    const DotRegion* Region() const { return m_region ? &*m_region : nullptr; }
    // GetRgnBox of the region (all zero when absent or empty).
    DotRect Box() const { return m_region ? m_region->Box() : DotRect{}; }
    bool Contains(int x, int y) const { return m_region && m_region->Contains(x, y); }
    // Black at the dots of the region with a left, right, upper or lower neighbour outside it (GDI's
    // FrameRgn with a 1 by 1 brush on an N by N bitmap); all white without a region.
    const DotPlane& Outline() const { return m_outline; }
    // Black at the glyph's dots inside the region.
    DotPlane RegionMask() const;

    // Combines the rectangle between two corners (normalised, right and bottom exclusive, unbounded)
    // with the selection. Removing with no region at all fails and leaves it absent; everything else
    // succeeds, an empty result included.
    bool SelectRect(int x0, int y0, int x1, int y1, SelectionMode mode);
    // Combines the mask's black dots with the selection: the same region as adding or removing them one
    // 1-dot rectangle at a time, built in one pass. Removing with no region fails.
    bool SelectMask(const DotPlane& mask, SelectionMode mode);
    // Complement within the glyph; fails (nothing changes) without a selection, so an empty selection never
    // becomes "all".
    bool InvertSelection();
    // SelectRect(0, 0, 0, 0): clears the selection only in replace mode; with Shift or Alt held it changes
    // nothing.
    bool Deselect(SelectionMode mode) { return SelectRect(0, 0, 0, 0, mode); }
    // SelectRect(0, 0, N, N): with Alt held it removes everything.
    bool SelectAll(SelectionMode mode) { return SelectRect(0, 0, m_nGlyphSize, m_nGlyphSize, mode); }

    // The test of the flips and turns: the region equals its bounding box. False without a selection.
    bool IsRectangular() const { return HasSelection() && m_region->IsRectangle(); }
    // The answer Yes to the question whether to widen a selection that is not a rectangle: the selection
    // becomes its bounding box. False without a selection.
    bool ExpandToBox();
    // The selection becomes this rectangle (a turn's new box).
    void SetRect(const DotRect& rect);
    // OffsetRgn; false (unchanged) without a region or when the offset would carry it past the
    // coordinate limit.
    bool Offset(int dx, int dy);

    // The one-dot step an arrow key may take: only with a selection, and only while the bounding box
    // stays within 0..N on that side (a box already touching the edge does not move).
    std::optional<DotPoint> NudgeStep(NudgeDirection direction) const;
    // The arrow keys with the selection tools: only the selection moves, no dot changes. False when the
    // step is not allowed.
    bool NudgeSelection(NudgeDirection direction);

    // Rebuilds the border plane from the region. Every change above already does it.
    void RebuildSelectionOutline();

  private:
    int m_nGlyphSize;
    std::optional<DotRegion> m_region;
    DotPlane m_outline;
};

// The glyph's dots inside a region, as a mask.
DotPlane RasterizeRegion(const DotRegion& region, int glyphSize);
