// The browser's one view: every code of the bitmap file's range as a grid of cells, the code above each
// cell and the stored character below it, with a sign on a character that the font beside the bitmap file
// does not show. It owns the last good read of the file and repaints, through an
// off-screen bitmap, only the cells that the update region touches.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "win32/platform/process_utils.h"
#include "win32/platform/handles.h"
#include "win32/framework/doc_view.h"
#include "viewer/font_marks.h"
#include "viewer/glyph_sheet.h"
#include "viewer/viewer_grid.h"
#include "viewer/viewer_rules.h"

class CGlyphGridView : public CView {
  public:
    // What the frame shows of the view in its status bar and slider.
    struct Sink {
        std::function<void(const std::wstring& fileText, const std::wstring& codeText)> statusChanged;
        std::function<void(int cellSize)> cellSizeChanged;
    };

    CGlyphGridView(std::wstring bitmapPath, std::wstring moduleFolder, int cellSize, int dpi, Sink sink);

    // Takes the first read (made by start-up) without reading the file again.
    void SetSheet(GlyphSheet sheet);
    // Reads the file again and redraws the cells that changed, keeping the scroll position; a file that
    // cannot be read keeps the last good picture and shows why. An update signal or the user's reload is
    // a new round of tries at a file the writer still holds; a retry is not.
    void Reload(bool newRound = true);
    // Reads which codes the running editors show and redraws the cells whose mark changed.
    void RefreshOpenCodes();
    void SetCellSize(int cellSize);
    // The code band, the margins and the codes' characters for a screen of `dpi`.
    void SetDpi(int dpi);
    int CellSize() const { return m_grid.CellSize(); }
    // Selects a code and scrolls it into view.
    void GoToCode(int code);
    int SelectedCode() const { return m_nSelected; }
    // The selected character's dots and the glyph size; empty when the selected code holds none.
    std::vector<std::uint8_t> SelectedPlane(int& size) const;
    int TopRow() const { return m_nTopRow; }
    const ViewerGrid& Grid() const { return m_grid; }

    // The code in an editor: brings the editor that shows it to the front, or starts one.
    void OpenInEditor(int code);
    void CopySelected();

    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;
    void OnDraw(HDC dc) override;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    void OnPaint();
    LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
    void OnSize(UINT type, int width, int height);
    LRESULT OnVScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheelMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDlgCode(WPARAM, LPARAM) { return DLGC_WANTARROWS; }
    void OnMouseMove(UINT flags, POINT point);
    void OnMouseLeave() { SetHover(-1); }
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonDblClk(UINT flags, POINT point);
    void OnTimer(UINT_PTR id);
    void OnOpenEditor();
    void OnUpdateNeedsStored(CCmdUI* cmdUI);
    void OnUpdateNeedsCode(CCmdUI* cmdUI);
    void OnEditCopy();
    void OnReload();
    void OnZoomIn();
    void OnZoomOut();
    void OnUpdateZoomIn(CCmdUI* cmdUI);
    void OnUpdateZoomOut(CCmdUI* cmdUI);

    int ClientHeight() const;
    void UpdateScrollBar();
    void ScrollTo(int topRow);
    void InvalidateCode(int code);
    void Select(int code);
    void SetHover(int code);
    // The code under the mouse after the grid moved under it (a scroll, a new cell size).
    void HoverAtCursor();
    void ReportStatus();
    void PaintCell(HDC dc, int code);
    void OnKeyDown(UINT key);
    void MakeLabelFont();
    void OnMouseWheel(short delta, UINT keys);

    std::wstring m_strBitmapPath;
    std::wstring m_strFontPath;  // the font beside the bitmap file
    FontMarks m_marks;
    std::wstring m_strModuleFolder;
    Sink m_sink;
    GlyphSheet m_sheet;
    std::wstring m_strFailure;  // why the last read failed, empty after a good one
    ViewerGrid m_grid;
    int m_nTopRow = 0;
    int m_nSelected = -1;
    int m_nHover = -1;
    int m_nWheelRemainder = 0;
    ReloadRetries m_retries;
    std::set<int> m_openCodes;
    // Editors this browser started, by code, until their window shows the code.
    std::map<int, StartedProcess> m_started;

    UniqueDC m_memDC;
    UniqueBitmap m_memBitmap;
    SIZE m_memSize = {0, 0};
    UniqueFont m_labelFont;
};
