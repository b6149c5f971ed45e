#include "panes/win32/information_view.h"

#include "resource.h"

void CInformationView::ShowDotSizeMenu(POINT screenPoint) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_DOT_CONTEXT));
    if (menu == nullptr) return;
    // Owned by the main frame, so the chosen size goes through the normal command route.
    HWND owner = GetForegroundWindow();
    if (owner == nullptr) owner = GetAncestor(m_hWnd, GA_ROOT);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0,
                   owner, nullptr);
    DestroyMenu(menu);
}

LRESULT CInformationView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        POINT point = PointFromLParam(lParam);
        if (point.x == -1 && point.y == -1) {  // from the keyboard: under the view's corner
            point = {0, 0};
            ClientToScreen(m_hWnd, &point);
        }
        ShowDotSizeMenu(point);
        return 0;
    }
    return CView::WindowProc(message, wParam, lParam);
}
