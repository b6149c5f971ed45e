#include "editor/win32/matrix_edit_view.h"

#include "app/settings.h"
#include "app/win32/glyph_editor_app.h"

CMatrixEditView::CMatrixEditView() {
    m_nPixSize = static_cast<int>(GetGlyphoApp().GetProfileInt(kEditorSection, L"PixSize", 4));
    if (m_nPixSize < 1) m_nPixSize = 4;  // a zoom below one pixel per dot would draw nothing
}

void CMatrixEditView::SetPixelSize(int pixelSize) {
    m_nPixSize = pixelSize;
    GetGlyphoApp().WriteProfileInt(kEditorSection, L"PixSize", pixelSize);
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMatrixEditView::OnDraw(HDC /*dc*/) {}
