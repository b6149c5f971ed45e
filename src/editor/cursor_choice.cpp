#include "editor/cursor_choice.h"

int ChooseMatrixCursor(const CursorSituation& s) {
    if (!s.overMatrix) return 0;
    if (s.pastePending) return 187;
    switch (s.tool) {
        case 0:
            if (!s.hasSelection) return 0;
            if (s.moving || (s.buttonDown && s.overSelectedDot)) return 177;  // grabbing
            return s.overSelectedDot ? 176 : 179;
        case 1:
            return 178;
        case 2:
        case 3:
        case 4:
        case 6:
            return s.shift ? 183 : s.alt ? 184 : 180;
        case 5:
            return 181;
        case 7:
            return s.shift ? 186 : s.alt ? 185 : 182;
        default:
            return 0;
    }
}
