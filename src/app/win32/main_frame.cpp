#include "app/win32/main_frame.h"

#include "app/win32/glyph_editor_app.h"
#include "framework/strings.h"
#include "resource.h"

void CMainFrame::SetTitleCode(const std::wstring& code) {
    if (m_hWnd == nullptr) return;
    const std::wstring format = LoadResString(IDS_TITLE_FORMAT);
    SetWindowText(FormatText(format.c_str(), GetGlyphoApp().m_strDefaultFontPath.c_str(), code.c_str()));
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_APP_OPEN_TARGET_CODE:
        case WM_APP_ASK_CODE:
            // Opening the command-line code and asking for one belong to the glyph document,
            // which takes these two requests over once it can open characters.
            return TRUE;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}
