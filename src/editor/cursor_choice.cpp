#include "editor/cursor_choice.h"

#include "editor/matrix_tool.h"

int ChooseMatrixCursor(const CursorSituation& s) {
    if (!s.overMatrix) return 0;
    if (s.pastePending) return 187;
    switch (s.tool) {
        case kMoveTool:
            if (!s.hasSelection) return 0;
            if (s.moving || (s.buttonDown && s.overSelectedDot)) return 177;  // grabbing
            return s.overSelectedDot ? 176 : 179;
        case kPenTool:
            return 178;
        case kLineTool:
        case kRectangleTool:
        case kCircleTool:
        case kRectSelectTool:
            return s.shift ? 183 : s.alt ? 184 : 180;
        case kFillTool:
            return 181;
        case kAutoSelectTool:
            return s.shift ? 186 : s.alt ? 185 : 182;
        default:
            return 0;
    }
}
