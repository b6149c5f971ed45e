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

// The tools' pictures (the tool bar's buttons, the tool pane) come in strips of 24, 36 and 48 pixels,
// one for each picture set (base/dpi_scale.h): the side of the pictures a window at `dpi` shows.
inline constexpr int kToolImageSizes[] = {24, 36, 48};
int ToolImageSize(int dpi);
