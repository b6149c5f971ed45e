#include "panes/info_rules.h"

#include <cwchar>
#include <iterator>

#include "editor/matrix_tool.h"

namespace {
std::wstring Printf(const wchar_t* format, int a, int b) {
    wchar_t text[64] = {};
    std::swprintf(text, std::size(text), format, a, b);
    return text;
}
}  // namespace

DotPositionLines FormatDotPosition(int x1, int y1, int x2, int y2) {
    DotPositionLines lines;
    if (x1 < 0 || y1 < 0) {
        if (x2 >= 0 && y2 >= 0) lines.first = Printf(L"XY->%4d,%4d", x2, y2);
        return lines;
    }
    lines.first = Printf(L"XY->%4d,%4d", x1, y1);
    lines.second = Printf(L"WH->%4d,%4d", x2 - x1, y2 - y1);
    return lines;
}

std::wstring FormatLayerTooltip(const SampleLayer& layer, const std::wstring& unsetText,
                                const std::wstring& format) {
    std::wstring text;
    if (layer.strChar.empty()) {
        text = unsetText;
    } else {
        // The string table's format, filled in order: %s the character, three %d the corrections,
        // %s the face. Done by hand: the meaning of %s in wide printf differs between C libraries.
        const std::wstring texts[] = {layer.strChar, layer.strFace};
        const int numbers[] = {layer.nOffsetX, layer.nOffsetY, layer.nSizeAdjust};
        std::size_t nextText = 0, nextNumber = 0;
        for (std::size_t i = 0; i < format.size(); ++i) {
            if (format[i] == L'%' && i + 1 < format.size()) {
                const wchar_t kind = format[i + 1];
                if (kind == L's' && nextText < std::size(texts)) {
                    text += texts[nextText++];
                    ++i;
                    continue;
                }
                if (kind == L'd' && nextNumber < std::size(numbers)) {
                    text += std::to_wstring(numbers[nextNumber++]);
                    ++i;
                    continue;
                }
                if (kind == L'%') ++i;
            }
            text += format[i];
        }
    }
    if (text.size() > kLayerTooltipMax) text.resize(kLayerTooltipMax);
    return text;
}

int OverlayModeAtClick(int x, int clientWidth) { return x > clientWidth / 2 ? 1 : 0; }

ToolPicture ToolPictureOf(int tool) {
    switch (tool) {
        case kMoveTool:
            return {4, false};
        case kPenTool:
            return {5, true};
        case kLineTool:
            return {6, true};
        case kRectangleTool:
            return {7, true};
        case kCircleTool:
            return {8, true};
        case kFillTool:
            return {9, false};
        case kRectSelectTool:
            return {12, false};
        case kAutoSelectTool:
            return {13, false};
        default:
            return {};
    }
}

bool ToolShowsPenMark(int tool) { return tool != kMoveTool && tool != kRectSelectTool; }
