#include <gtest/gtest.h>

#include "editor/cursor_choice.h"

namespace {

CursorSituation Over(int tool) {
    CursorSituation s;
    s.overMatrix = true;
    s.tool = tool;
    return s;
}

TEST(MatrixCursor, DrawingToolsAndModifiers) {
    EXPECT_EQ(ChooseMatrixCursor(Over(1)), 178);
    EXPECT_EQ(ChooseMatrixCursor(Over(5)), 181);
    for (int tool : {2, 3, 4, 6}) {
        CursorSituation s = Over(tool);
        EXPECT_EQ(ChooseMatrixCursor(s), 180) << tool;
        s.alt = true;
        EXPECT_EQ(ChooseMatrixCursor(s), 184) << tool;
        s.shift = true;  // Shift wins over Alt
        EXPECT_EQ(ChooseMatrixCursor(s), 183) << tool;
    }
    CursorSituation wand = Over(7);
    EXPECT_EQ(ChooseMatrixCursor(wand), 182);
    wand.alt = true;
    EXPECT_EQ(ChooseMatrixCursor(wand), 185);
    wand.shift = true;
    EXPECT_EQ(ChooseMatrixCursor(wand), 186);
}

TEST(MatrixCursor, MoveToolFollowsTheSelection) {
    CursorSituation s = Over(0);
    EXPECT_EQ(ChooseMatrixCursor(s), 0) << "no selection: the window's own cursor";
    s.hasSelection = true;
    EXPECT_EQ(ChooseMatrixCursor(s), 179);
    s.overSelectedDot = true;
    EXPECT_EQ(ChooseMatrixCursor(s), 176);
    s.buttonDown = true;
    EXPECT_EQ(ChooseMatrixCursor(s), 177);
    s.overSelectedDot = false;
    EXPECT_EQ(ChooseMatrixCursor(s), 179) << "a button down outside the selection does not grab";
    s.moving = true;
    EXPECT_EQ(ChooseMatrixCursor(s), 177);
}

TEST(MatrixCursor, PendingPasteAndMarginComeFirst) {
    for (int tool = 0; tool <= 7; ++tool) {
        CursorSituation s = Over(tool);
        s.pastePending = true;
        EXPECT_EQ(ChooseMatrixCursor(s), 187) << tool;
        s.overMatrix = false;
        EXPECT_EQ(ChooseMatrixCursor(s), 0) << tool;
    }
}

}  // namespace
