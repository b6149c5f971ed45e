// The matrix view can emphasise every n-th grid line, horizontally and vertically, so that
// users can place strokes on a coarser raster. The grid dialog edits the two periods; this is
// what it reads and writes in the settings and which values it lets through, without the window.
#pragma once

#include "base/profile_store.h"

inline constexpr wchar_t kGridXKey[] = L"Grid_X";
inline constexpr wchar_t kGridYKey[] = L"Grid_Y";

// The periods a glyph of glyphSize dots allows: 0 (no emphasised lines) up to glyphSize - 1.
struct GridPeriodRange {
    unsigned nMin = 0;
    unsigned nMax = 0;
};
GridPeriodRange GetGridPeriodRange(int glyphSize);

class GridSettingModel {
  public:
    // Reads both periods; an absent key reads as 0.
    GridSettingModel(IProfileStore& store, int glyphSize);

    GridPeriodRange Range() const { return GetGridPeriodRange(m_nGlyphSize); }
    bool IsValid() const;
    // Writes both periods back (after the dialog's validation).
    void Save(IProfileStore& store) const;

    unsigned m_nGridX;
    unsigned m_nGridY;
    int m_nGlyphSize;
};
