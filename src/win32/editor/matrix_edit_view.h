// The magnified dot matrix of the open character, in the right pane of the main window: the
// glyph's dots as square cells between one-pixel grid lines, with the emphasised grid lines,
// the selection tint, the sample layer and the origin of a move. It draws the document's edit
// bitmap, which it borrows, and repaints only the cells that change.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "base/app_context.h"
#include "editor/dot_plane.h"
#include "editor/drawing_gesture.h"
#include "editor/matrix_geometry.h"
#include "editor/matrix_tool.h"
#include "editor/matrix_view_state.h"
#include "editor/paste_convert.h"
#include "editor/selection.h"
#include "editor/selection_ops.h"
#include "win32/editor/marquee.h"
#include "win32/editor/matrix_painter.h"
#include "win32/framework/doc_view.h"

class IEditHistory;

class CMatrixEditView : public CView, public IMatrixViewState {
  public:
    explicit CMatrixEditView(const AppContext& context);
    ~CMatrixEditView() override;

    // Screen pixels per dot. Setting it stores "PixSize" at once, with the DPI it is meant for.
    int GetPixelSize() const { return m_nPixSize; }
    // The DPI of the screen the view is on, which a zoom set from now on is stored with.
    void SetDpi(int dpi) { m_nDpi = dpi; }
    int GetDpi() const { return m_nDpi; }
    void SetPixelSize(int pixelSize);
    // Re-reads the emphasised grid periods after the grid dialog and repaints.
    void ApplyGridSettings();
    GridPeriods GetGridPeriods() const { return m_grid; }

    // The current tool: 0 is the move tool, 1..5 the drawing tools, 6 and 7 the selections.
    int GetTool() const override { return m_nTool; }
    int SetTool(int tool);
    // Pen width in dots, 1..5.
    int GetDotSize() const override { return m_nDotSize; }
    int SetDotSize(int size);
    // Swapped, the left button draws white and the right one black.
    BOOL GetPenSwap() const override { return m_bPenSwap; }
    BOOL SetPenSwap(BOOL swap);
    int GetOverlayMode() const override { return m_nOverlayMode; }
    void SetOverlayMode(int mode) override;
    const DotPlane* GetEditBitmap() const override { return ImageReady() ? m_pImage : nullptr; }

    // The sample layers: which one is shown, and its template as the layer plane.
    std::uint8_t GetShownLayers() const override { return m_byShownLayers; }
    void SetShownLayers(std::uint8_t shown) override { m_byShownLayers = shown; }
    void ToggleSampleLayer(int index) override;
    void RenderSampleLayer() override;
    void RefreshSampleLayer(int index) override;
    const DotPlane* GetLayerPlane() const { return m_pLayer.get(); }

    // The information column that hears of mouse positions and pane changes (may be null).
    void SetInformationSink(IInformationSink* sink) { m_pInfo = sink; }

    // The selection. Shift and Alt, read when it changes, add to it or remove from it.
    bool HasSelection() const { return m_selection.HasSelection(); }
    BOOL SelectRect(int x0, int y0, int x1, int y1);
    BOOL SelectMask(const DotPlane& mask);
    BOOL InvertSelection();
    void Deselect();
    void SelectAll();
    // The arrow keys (VK_LEFT..VK_DOWN): the selection tools move the selection, the move tool the
    // selected dots; at the glyph's edge nothing moves.
    void NudgeSelection(UINT key);

    // The image commands on the selected dots; each change is one history step.
    void InvertSelectedImage();
    void FlipSelection(int kind);  // FlipKind
    void RotateSelection(bool anticlockwise);

    // The clipboard: a one-bit picture of the selection's box out, any picture in. A paste waits,
    // following the mouse, until a left click places it or a right click or Escape cancels it.
    void CopyToClipboard(BOOL cut);
    BOOL CanPaste() const;
    void PasteFromClipboard();
    // Places (commit) or drops the pending paste; the picture's top-left goes to `dot`.
    void PlacePaste(bool commit, DotPoint dot = {0, 0});
    // Drops a pending paste; FALSE when none was pending.
    BOOL CancelPaste();
    // An Escape key message on its way to any window of the frame. A press seen during a drag
    // counts as Escape held at the release until its key-up is seen.
    void NoteEscapeKey(bool down);
    bool IsPastePending() const { return m_paste.has_value() && m_pMarquee != nullptr; }

    // Marks the cells of the changed dots for repainting, as one region.
    void InvalidateChanges(const DotChanges& changes);
    // Records the edit bitmap as one finished edit in the history.
    void PushUndoSnapshot();

    void OnDraw(HDC dc) override;
    // The document's hints: it lends its edit bitmap and history (nothing is painted without
    // them), has loaded a character or a history state, or has changed the grid settings.
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
    // The tool, pen-swap and dot-size commands.
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    void Attach(DotPlane* image, IEditHistory* store);
    void OnTool(UINT id);
    void OnUpdateTool(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }
    void OnPenSwap();
    void OnUpdatePenSwap(CCmdUI* cmdUI) { cmdUI->Enable(m_nTool != kMoveTool); }
    void OnDotSize(UINT id);
    void OnUpdateDotSize(CCmdUI* cmdUI);
    void OnLayer(UINT id);
    void OnUpdateLayer(CCmdUI* cmdUI);
    void OnToolMove();
    void OnUpdateNeedsSelection(CCmdUI* cmdUI) { cmdUI->Enable(HasSelection()); }
    void OnSelectAll();
    void OnDeselect();
    void OnInvertSelection();
    void OnImageCommand(UINT id);
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnUpdateEditPaste(CCmdUI* cmdUI) { cmdUI->Enable(CanPaste()); }
    void RefreshPane(int pane) {
        if (m_pInfo) m_pInfo->RefreshPane(pane);
    }
    void ShowDotPosition(int x1, int y1, int x2, int y2) {
        if (m_pInfo) m_pInfo->ShowDotPosition(x1, y1, x2, y2);
    }

    MatrixGeometry Geometry() const { return {m_nPixSize, m_nGlyphSize}; }
    // Shows the cursor of the current tool; false where the window's own cursor applies.
    bool ShowToolCursor();

    // The mouse drives the current tool through the drag's rules (DrawingGesture): a press starts
    // its action, moves continue it and the release finishes it; the view carries out the effects.
    void OnButtonDown(int button, POINT point);
    void OnLButtonDown(UINT /*flags*/, POINT point) { OnButtonDown(1, point); }
    void OnRButtonDown(UINT /*flags*/, POINT point) { OnButtonDown(2, point); }
    void OnMouseMove(UINT flags, POINT point);
    void OnButtonUp(int button, POINT point);
    void OnLButtonUp(UINT /*flags*/, POINT point) { OnButtonUp(1, point); }
    void OnRButtonUp(UINT /*flags*/, POINT point) { OnButtonUp(2, point); }
    void OnCaptureChanged(HWND newCapture);
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    // The paint covers every pixel it is asked for.
    LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
    PressSituation SituationAt(DotPoint dot) const;
    void CarryOut(const GestureEffect& effect);
    // Writes the black dots of a mask in a colour and repaints their cells.
    void WriteMask(const DotPlane& mask, int colour);
    // Marks for repainting the cells of a plane's black dots, or of a list of dots.
    void InvalidatePlaneDots(const DotPlane& plane);
    void InvalidateDots(const std::vector<DotPoint>& dots);
    void InvalidateSelectionOutline() { InvalidatePlaneDots(m_selection.Outline()); }
    // The selection as the keys held now combine a new shape with it.
    static SelectionMode KeyedSelectionMode();
    // After a selection tool changed the selection: the "SelectAfterMove" switch to the move tool.
    void AfterToolSelection();
    // The rectangle check of the flips and turns: a selection that is not a rectangle becomes its
    // box when the user agrees (message 5003); false when there is none or the user declines.
    bool RequireRectSelection();
    // The selection tools and the move tool, driven by the mouse handlers.
    void StartMove();
    void FinishMove(DotPoint start, DotPoint dot, bool cancelled);
    void EndMoveDisplay();
    // A pending paste follows the mouse with its top-left at the dot under it.
    void ShowPendingPaste(POINT point);
    OneBitImageView PastePicture() const;
    bool ImageReady() const { return m_pImage != nullptr && m_pHistory != nullptr; }
    void RedrawAll();

    const AppContext& m_context;
    int m_nGlyphSize;
    int m_nPixSize;
    int m_nDpi = 96;
    int m_nTool = kPenTool;
    int m_nDotSize = 1;
    DrawingGesture m_gesture;
    bool m_bEscapeDown = false;  // an Escape press seen during the running drag, not yet let go
    std::unique_ptr<CMarquee> m_pMarquee;
    BOOL m_bPenSwap = FALSE;
    DotPlane* m_pImage = nullptr;
    IEditHistory* m_pHistory = nullptr;
    DotPlane m_staging;  // during a move: the original place of the lifted dots
    MatrixSelection m_selection;
    bool m_bMoving = false;              // selected black dots are being dragged by the move tool
    DotPlane m_moveShape;                // what a move drags: the selected black dots and the border
    std::optional<PasteBitmap> m_paste;  // the pending paste's picture
    MatrixColors m_colors;
    GridPeriods m_grid;
    CMatrixPainter m_painter;
    int m_nOverlayMode = 1;
    std::uint8_t m_byShownLayers = 0;
    std::unique_ptr<DotPlane> m_pLayer;  // only while a layer is shown
    IInformationSink* m_pInfo = nullptr;
};
