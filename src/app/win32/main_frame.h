// The editor's single top-level window. Its title is part of how the family's programs
// see each other: it names the default EUDC font and the code being edited.
#pragma once

#include <string>

#include "framework/wnd.h"

class CMainFrame : public CFrameWnd {
public:
    static CFrameWnd* CreateObject() { return new CMainFrame; }

    // Title "<default EUDC font path>　[ CODE= <code> ]".
    void SetTitleCode(const std::wstring& code);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
