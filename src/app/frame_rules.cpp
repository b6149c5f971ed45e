#include "app/frame_rules.h"

#include <algorithm>

#include "base/dpi_scale.h"
#include "editor/matrix_tool.h"

int MatrixExtent(int zoom, int glyphSize) { return (zoom + 1) * glyphSize + 13; }

FrameSize FrameSizeForExtent(int extent, const FrameMetrics& m) {
    const int clientHeight = std::max(extent, m.infoColumnHeight);
    const int clientWidth = std::max(extent + m.infoColumnWidth + m.splitterBarWidth, m.toolBarWidth);
    return {clientWidth + 2 * m.cxFrame,
            clientHeight + m.cyCaption + 3 * m.cyFrame + m.cyMenu + m.toolBarHeight + m.statusBarHeight};
}

FrameSize MinimumTrackSize(const FrameMetrics& metrics, int glyphSize) {
    return FrameSizeForExtent(MatrixExtent(kMinZoom, glyphSize), metrics);
}

int DefaultZoomForDpi(int dpi) { return std::clamp(ScaleForDpi(kDefaultZoom96, dpi), kMinZoom, kMaxZoom); }

int ZoomAtDpi(int storedZoom, int storedDpi, int dpi) {
    if (SaneDpi(storedDpi) == SaneDpi(dpi)) return storedZoom;
    // Only the lower bound: a zoom above 20 can be reached by resizing and is kept.
    return std::max(kMinZoom, ScaleBetweenDpi(storedZoom, storedDpi, dpi));
}

int ZoomAfterCommand(int zoom, bool shiftDown) {
    return shiftDown ? std::max(zoom - 1, kMinZoom) : std::min(zoom + 1, kMaxZoom);
}

std::optional<int> ZoomAfterResize(int zoom, int glyphSize, int oldWidth, int oldHeight, int newWidth,
                                   int newHeight) {
    if (oldWidth == newWidth && oldHeight == newHeight) return std::nullopt;
    const int change = std::max(newWidth - oldWidth, newHeight - oldHeight);
    // Division truncates toward zero. The minimum tracking size keeps the window at the smallest
    // zoom; the bound here only guards against a window made smaller behind our back.
    return std::max(kMinZoom, zoom + change / glyphSize);
}

std::wstring ApplyModifiedMark(std::wstring_view title, bool modified) {
    std::wstring text(title);
    const std::wstring_view mark = kModifiedMark;
    if (modified) {
        if (text.find(mark) == std::wstring::npos) text += mark;
        return text;
    }
    for (std::size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at)) {
        text.erase(at, mark.size());
    }
    return text;
}

std::optional<std::array<int, 4>> WindowPosToSave(const std::array<int, 4>& stored, bool minimised,
                                                  bool maximised, int left, int top) {
    if (minimised || maximised) return std::nullopt;
    if (left == stored[0] && top == stored[1]) return std::nullopt;
    return std::array<int, 4>{left, top, stored[2], stored[3]};
}

std::wstring ListBrowserCommandLine(std::wstring_view moduleFolder, std::wstring_view fontPath) {
    return L"\"" + std::wstring(moduleFolder) + L"Kanjiviewer.exe\" \"" + std::wstring(fontPath) + L"\"";
}

std::wstring NewEditorCommandLine(std::wstring_view modulePath) {
    return L"\"" + std::wstring(modulePath) + L"\"";
}

FrameKeyAction FrameKeyActionFor(unsigned virtualKey, bool hasMatrixView, int currentTool) {
    // Virtual-key codes of Windows.
    constexpr unsigned kReturn = 0x0D, kEscape = 0x1B, kLeft = 0x25, kDown = 0x28, kDelete = 0x2E;
    if (!hasMatrixView) return FrameKeyAction::PassOn;
    if (virtualKey == kReturn)
        return currentTool != kMoveTool ? FrameKeyAction::SwapPen : FrameKeyAction::PassOn;
    if (virtualKey >= kLeft && virtualKey <= kDown) return FrameKeyAction::NudgeSelection;
    if (virtualKey == kDelete) return FrameKeyAction::CutSelection;
    if (virtualKey == kEscape) return FrameKeyAction::CancelPendingPaste;
    return FrameKeyAction::PassOn;
}
