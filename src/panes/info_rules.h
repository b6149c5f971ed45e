// The rules of the information column that need no window: the coordinate lines, the layer
// panes' tooltip, the overlay pane's click and the tool pane's picture table.
#pragma once

#include <string>

#include "editor/sample_layer.h"

// The two coordinate lines for ShowDotPosition(x1, y1, x2, y2): without a start dot (x1 or y1
// negative) the first line shows (x2, y2) when both are non-negative and the second is empty;
// with one, the first shows the start and the second the extent.
struct DotPositionLines {
    std::wstring first;
    std::wstring second;
};
DotPositionLines FormatDotPosition(int x1, int y1, int x2, int y2);

// The tooltip of a layer pane: `unsetText` for a layer without a character, otherwise
// `format` ("[ %s ] ... %d %d %d ... %s") with the character, the offsets, the size correction
// and the face; cut to 80 characters either way.
inline constexpr std::size_t kLayerTooltipMax = 80;
std::wstring FormatLayerTooltip(const SampleLayer& layer, const std::wstring& unsetText,
                                const std::wstring& format);

// The overlay mode a click on the mode pane chooses: 1 right of the middle, 0 on or left of it.
int OverlayModeAtClick(int x, int clientWidth);

// The tool pane's picture of a tool and whether the tool has a dot size; picture -1 for a tool
// that is not in the table.
struct ToolPicture {
    int picture = -1;
    bool dotSize = false;
};
ToolPicture ToolPictureOf(int tool);
// Whether the tool pane draws the pen colour mark for a tool (all but move and rectangle selection).
bool ToolShowsPenMark(int tool);
