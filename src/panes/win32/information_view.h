// The information column on the left of the main window. Its panes arrive with the status
// panes; until then it is an empty view of its final width that offers the pen's dot sizes
// on a right click.
#pragma once

#include "framework/wnd.h"

class CInformationView : public CView {
  public:
    static CView* CreateObject() { return new CInformationView; }
    void OnDraw(HDC /*dc*/) override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void ShowDotSizeMenu(POINT screenPoint);
};
