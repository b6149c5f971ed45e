// The magnified dot matrix of the open character, in the right pane of the main window.
// For now it carries the zoom and the state the frame's keys act on; the drawing and the
// editing arrive with the glyph document.
#pragma once

#include "framework/wnd.h"

class CMatrixEditView : public CView {
public:
    static CView* CreateObject() { return new CMatrixEditView; }
    CMatrixEditView();

    // Screen pixels per dot. Setting it stores "PixSize" at once.
    int GetPixelSize() const { return m_nPixSize; }
    void SetPixelSize(int pixelSize);

    // The current tool: 0 is the move tool, 1..5 the drawing tools, 6 and 7 the selections.
    int GetTool() const { return m_nTool; }
    BOOL GetPenSwap() const { return m_bPenSwap; }
    void SetPenSwap(BOOL swap) { m_bPenSwap = swap; }
    // Keys the frame hands over before its accelerators see them. Without a selection or a
    // pending paste there is nothing for them to act on.
    void NudgeSelection(UINT /*key*/) {}
    void CopyToClipboard(BOOL /*cut*/) {}
    BOOL CancelPaste() { return FALSE; }

    void OnDraw(HDC dc) override;

private:
    int m_nPixSize;
    int m_nTool = 1;
    BOOL m_bPenSwap = FALSE;
};
