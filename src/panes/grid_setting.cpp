#include "panes/grid_setting.h"

GridPeriodRange GetGridPeriodRange(int glyphSize) {
    GridPeriodRange range;
    range.nMax = glyphSize > 1 ? static_cast<unsigned>(glyphSize - 1) : 0u;
    return range;
}

GridSettingModel::GridSettingModel(IProfileStore& store, int glyphSize)
    : m_nGridX(static_cast<unsigned>(store.GetProfileInt(kEditorSection, kGridXKey, 0))),
      m_nGridY(static_cast<unsigned>(store.GetProfileInt(kEditorSection, kGridYKey, 0))),
      m_nGlyphSize(glyphSize) {}

bool GridSettingModel::IsValid() const {
    const GridPeriodRange range = Range();
    return m_nGridX >= range.nMin && m_nGridX <= range.nMax && m_nGridY >= range.nMin &&
           m_nGridY <= range.nMax;
}

void GridSettingModel::Save(IProfileStore& store) const {
    store.WriteProfileInt(kEditorSection, kGridXKey, static_cast<int>(m_nGridX));
    store.WriteProfileInt(kEditorSection, kGridYKey, static_cast<int>(m_nGridY));
}
