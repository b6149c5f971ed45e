// The matrix view's tools, as the view, the tool pane, the cursors and the frame's keys number them.
#pragma once

enum MatrixTool : int {
    kMoveTool = 0,
    kPenTool = 1,
    kLineTool = 2,
    kRectangleTool = 3,
    kCircleTool = 4,
    kFillTool = 5,
    kRectSelectTool = 6,
    kAutoSelectTool = 7,
};
