// A static splitter: one row of two panes side by side, each a view, with a bar between
// them that the base class lets the user drag.
#pragma once

#include <windows.h>

#include <functional>

#include "win32/framework/doc_view.h"
#include "win32/framework/wnd.h"

class CSplitterWnd : public CWnd {
  public:
    BOOL CreateStatic(CWnd* parent, int rows, int columns, DWORD style, UINT id);
    // Creates the view of pane (0, column) with its ideal width.
    BOOL CreateView(int row, int column, std::function<CView*()> newView, SIZE initialSize,
                    CCreateContext* context);
    CView* GetPane(int row, int column) const {
        return row == 0 && column >= 0 && column < 2 ? m_panes[column] : nullptr;
    }
    int GetColumnWidth(int column) const { return column == 0 ? m_leftWidth : -1; }
    int GetBarWidth() const { return m_barWidth; }
    // The left pane's width and the bar's, as the window's DPI wants them; lays the panes out again.
    void SetColumnLayout(int leftWidth, int barWidth);
    void RecalcLayout();

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    virtual void OnLButtonDown(UINT flags, POINT point);
    virtual void OnMouseMove(UINT flags, POINT point);
    virtual void OnLButtonUp(UINT flags, POINT point);

  private:
    void OnPaint();
    LRESULT ForwardToFrame(WPARAM wParam, LPARAM lParam);
    void PaintBar(HDC dc) const;

    CView* m_panes[2] = {nullptr, nullptr};
    int m_leftWidth = 0;
    int m_barWidth = 10;
    bool m_tracking = false;
};
