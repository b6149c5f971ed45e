#include "editor/win32/matrix_edit_view.h"

#include <algorithm>

#include "app/settings.h"
#include "app/win32/glyph_editor_app.h"
#include "editor/cursor_choice.h"

CMatrixEditView::CMatrixEditView()
    : m_nGlyphSize(GetGlyphoApp().m_nGlyphSize),
      m_staging(m_nGlyphSize),
      m_selectionOutline(m_nGlyphSize) {
    CGlyphoEditorApp& app = GetGlyphoApp();
    m_nPixSize = static_cast<int>(app.GetProfileInt(kEditorSection, L"PixSize", 4));
    if (m_nPixSize < 1) m_nPixSize = 4;  // a zoom below one pixel per dot would draw nothing
    m_grid = InitGridPeriods(app.ProfileStore(), m_nGlyphSize);
    m_colors = {app.m_crDot,         app.m_crSelect, app.m_crMoveMarquee, app.m_crMoveOrigin,
                app.m_crDrawMarquee, app.m_crLayer,  app.m_crGrid};
}

CMatrixEditView::~CMatrixEditView() = default;

int CMatrixEditView::SetTool(int tool) {
    const int previous = m_nTool;
    m_nTool = tool;
    return previous;
}

int CMatrixEditView::SetDotSize(int size) {
    const int previous = m_nDotSize;
    m_nDotSize = size;
    return previous;
}

BOOL CMatrixEditView::SetPenSwap(BOOL swap) {
    const BOOL previous = m_bPenSwap;
    m_bPenSwap = swap;
    return previous;
}

void CMatrixEditView::Attach(DotPlane* image, CImgArray* store) {
    m_pImage = image;
    m_pImgArray = store;
}

void CMatrixEditView::SetPixelSize(int pixelSize) {
    m_nPixSize = pixelSize;
    GetGlyphoApp().WriteProfileInt(kEditorSection, L"PixSize", pixelSize);
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMatrixEditView::ApplyGridSettings() {
    m_grid = ReadGridPeriods(GetGlyphoApp().ProfileStore());
    RedrawAll();
}

void CMatrixEditView::RedrawAll() {
    if (m_hWnd) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMatrixEditView::InvalidateDots(std::span<const DotPoint> dots) {
    if (m_hWnd == nullptr) return;
    const MatrixGeometry geometry = Geometry();
    for (const DotPoint& dot : dots) {
        const CellRect cell = geometry.DotToCellRect(dot.x, dot.y);
        if (cell.left < 0) continue;
        const RECT rect = {cell.left, cell.top, cell.right, cell.bottom};
        InvalidateRect(m_hWnd, &rect, TRUE);
    }
}

void CMatrixEditView::OnUpdate(CView* /*sender*/, LPARAM hint, void* /*hintObject*/) {
    switch (hint) {
        case 1:
        case 2:
            RedrawAll();
            break;
        case 3:
            // The history has put a stored state into the staging plane: repaint what differs
            // and take it over.
            if (m_pImage && m_pImage->ByteCount() == m_staging.ByteCount()) {
                const std::vector<DotPoint> changed = DifferingDots(m_staging, *m_pImage);
                InvalidateDots(changed);
                std::copy(m_staging.Bytes().begin(), m_staging.Bytes().end(), m_pImage->Bytes().begin());
            }
            break;
        default:
            break;
    }
}

void CMatrixEditView::OnDraw(HDC dc) {
    RECT area;
    GetClientRect(m_hWnd, &area);
    Paint(dc, area);
}

void CMatrixEditView::Paint(HDC dc, const RECT& area) {
    MatrixPlanes planes;
    planes.editBitmap = m_pImgArray ? m_pImage : nullptr;  // nothing is painted without both
    planes.selectionOutline = &m_selectionOutline;
    planes.staging = &m_staging;
    m_painter.Paint(dc, area, Geometry(), planes, m_colors, m_grid);
}

bool CMatrixEditView::ShowToolCursor() {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(m_hWnd, &point);
    RECT client;
    GetClientRect(m_hWnd, &client);
    InflateRect(&client, -kMatrixMargin, -kMatrixMargin);
    CursorSituation situation;
    situation.overMatrix = PtInRect(&client, point) != FALSE;
    situation.tool = m_nTool;
    situation.buttonDown = GetCapture() == m_hWnd;
    situation.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    situation.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    const int id = ChooseMatrixCursor(situation);
    if (id == 0) return false;
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    if (cursor == nullptr) return false;
    SetCursor(cursor);
    return true;
}

LRESULT CMatrixEditView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && ShowToolCursor()) return TRUE;
            break;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel it is asked for
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            Paint(dc, ps.rcPaint);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
    }
    return CView::WindowProc(message, wParam, lParam);
}
