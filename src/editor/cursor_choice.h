// Which cursor the matrix shows: it tells the user what a click will do with the current tool,
// the selection, a pending paste and the Shift and Alt keys.
#pragma once

struct CursorSituation {
    bool overMatrix = false;       // inside the client area less its 6-pixel margin
    int tool = 1;                  // 0 move, 1 pen, 2 line, 3 rectangle, 4 circle, 5 fill, 6 and 7 selections
    bool pastePending = false;     // a pasted bitmap waits to be placed
    bool hasSelection = false;     // a non-empty selection exists
    bool overSelectedDot = false;  // the mouse is over a dot of the selection
    bool buttonDown = false;
    bool moving = false;  // a selection is being dragged
    bool shift = false;
    bool alt = false;
};

// The cursor resource id (176..187) for the situation, or 0 for the window's own cursor.
int ChooseMatrixCursor(const CursorSituation& s);
