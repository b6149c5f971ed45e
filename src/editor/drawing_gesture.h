// A drag on the matrix, from the press of a button to its release (or to the loss of the mouse
// capture), as rules without windows: which tool, colour and pen width a drag keeps, what each
// press, move and release does with the current tool, and when a shape is cancelled. Every step
// returns the effects the view carries out in order (capture the mouse, write a mask, show a
// preview, record a history step, change the selection...), so the rules are checked natively and
// the view holds no decision of its own about a drag.
#pragma once

#include <optional>
#include <vector>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"
#include "editor/matrix_tool.h"

enum class GestureEffectKind {
    CaptureMouse,
    ReleaseMouse,
    PlacePaste,          // the pending paste goes to `dot`
    DropPaste,           // the pending paste is dropped
    CancelPaste,         // a pending paste (if any) is dropped with its marquee
    WriteMask,           // the black dots of `mask` written in `colour`
    RecordHistory,       // the edit bitmap becomes one history step
    BeginDrawPreview,    // a new marquee in the drawing colour
    BeginSelectPreview,  // a new marquee in the selection colour
    ShowPreview,         // the marquee shows `mask`
    ShowMovePreview,     // the marquee shows the moved shape shifted by `offset`
    EndPreview,          // the marquee goes
    StartMove,           // the selected dots are lifted for a move
    FinishMove,          // the move ends at `dot` from `start` (`cancelled`: put back)
    AbortMove,           // the capture went mid-move: the lifted dots go back without a step
    SelectRect,          // the rectangle from `start` to `dot` becomes the selection
    AutoSelect,          // the connected area under `dot`: black for kPenBlack `colour`
    Fill,                // a flood fill at `dot` in `colour` (and its history step)
    ShowPosition,        // the information column shows `start` to `dot` (start -1,-1: one dot)
};

struct GestureEffect {
    GestureEffectKind kind;
    DotPoint start{-1, -1};
    DotPoint dot{-1, -1};
    int colour = 0;
    bool cancelled = false;
    DotPoint offset{0, 0};
    std::optional<DotPlane> mask;
};

// What the view knows at a press that the rules need.
struct PressSituation {
    int tool = kPenTool;  // the current tool (MatrixTool)
    bool penSwap = false;
    int dotSize = 1;
    bool imageReady = true;  // the document lent its edit bitmap and history
    bool pastePending = false;
    bool selectionContainsDot = false;  // the dot under the press is selected
};

class DrawingGesture {
  public:
    explicit DrawingGesture(int glyphSize) : m_nGlyphSize(glyphSize) {}

    // A button (1 left, 2 right) went down, or a double click came: `dot` is the dot under the
    // press (-1 on an axis outside the matrix), `clamped` the same point clamped to the matrix.
    // A press while a drag runs is ignored.
    std::vector<GestureEffect> Press(int button, DotPoint dot, DotPoint clamped, const PressSituation& at);
    // The mouse moved: `clamped` as for Press, `under` the dot under it (-1 outside).
    std::vector<GestureEffect> Move(DotPoint clamped, DotPoint under, bool pastePending);
    // A button went up; only the button that started the drag ends it. `escapeHeld`: Escape is
    // down at the release, which cancels a shape, a selection rectangle or a move.
    std::vector<GestureEffect> Release(int button, DotPoint clamped, DotPoint under, bool escapeHeld);
    // Another window took the mouse capture mid-drag: the drag ends without a shape; a pen stroke
    // keeps what it drew as one step.
    std::vector<GestureEffect> CaptureLost();
    // The picture under the drag was replaced (another character, an undo or redo): the drag ends at once
    // -- a move puts its dots back, a preview goes -- and nothing of it reaches the new picture.
    std::vector<GestureEffect> PictureReplaced();

    bool Dragging() const { return m_nButton != 0; }
    // The drag's tool (fixed at its press), while one runs.
    MatrixTool DragTool() const { return m_tool; }

  private:
    DotPlane ShapeMask(MatrixTool tool, DotPoint to, int width) const;

    int m_nGlyphSize;
    int m_nButton = 0;              // 0 none, 1 left, 2 right
    bool m_bActionStarted = false;  // the press was on the matrix, so the release finishes an action
    MatrixTool m_tool = kPenTool;
    int m_nColour = 0;
    int m_nDotSize = 1;
    DotPoint m_start{-1, -1};
};
