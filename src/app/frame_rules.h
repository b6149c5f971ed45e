// The main window has no size of its own: it follows from the zoom (screen pixels per dot)
// and the glyph size, and resizing it by hand changes the zoom instead. Its title carries
// the code being edited and the modified mark, which other editor processes read. These
// are the rules, kept apart from the window so they can be checked exactly.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

inline constexpr int kMinZoom = 4;
inline constexpr int kMaxZoom = 20;
// The zoom of a first start at 96 DPI; at other scales it grows with the DPI.
inline constexpr int kDefaultZoom96 = 6;
inline constexpr wchar_t kModifiedMark[] = L"-<更新>";

struct FrameSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const FrameSize&) const = default;
};

// What the frame size depends on besides the matrix: system metrics and the bar heights, and the
// information column beside the matrix with the splitter bar between them, all at the window's DPI.
struct FrameMetrics {
    int cxFrame = 0;    // SM_CXFRAME
    int cyFrame = 0;    // SM_CYFRAME
    int cyCaption = 0;  // SM_CYCAPTION
    int cyMenu = 0;     // SM_CYMENU
    int toolBarHeight = 0;
    int statusBarHeight = 0;
    int infoColumnWidth = 87;
    int splitterBarWidth = 10;
    // The height the information column needs; the client is never lower, so no pane is cut off.
    int infoColumnHeight = 0;
    // The width the tool bar's buttons need; the client is never narrower, so no button is cut off.
    int toolBarWidth = 0;
};

// E(p): side of the matrix pane for zoom p and glyph size N.
int MatrixExtent(int zoom, int glyphSize);
FrameSize FrameSizeForExtent(int extent, const FrameMetrics& metrics);
// The frame size at the smallest zoom.
FrameSize MinimumTrackSize(const FrameMetrics& metrics, int glyphSize);

// "PixSize" is the user's zoom in screen pixels at the DPI stored beside it in "PixSizeDpi" (96 when
// absent: the files of earlier versions were written by a program laid out at 96 DPI). A first start
// takes DefaultZoomForDpi; a window on a screen of another DPI takes the stored zoom scaled to it, so
// the matrix keeps its size on the screen, and stores it again with the new DPI.
int DefaultZoomForDpi(int dpi);
int ZoomAtDpi(int storedZoom, int storedDpi, int dpi);

// The zoom command: one step up, or down with Shift, within 4..20. Equal to zoom when
// nothing changes.
int ZoomAfterCommand(int zoom, bool shiftDown);
// Resizing by hand: the larger of the width and height changes decides, in whole glyph
// sizes (truncated toward zero). Empty for a pure move.
std::optional<int> ZoomAfterResize(int zoom, int glyphSize, int oldWidth, int oldHeight, int newWidth,
                                   int newHeight);

// The title with the modified mark added once, or with every mark removed.
std::wstring ApplyModifiedMark(std::wstring_view title, bool modified);

// "EditorWindowPos" on close: the rectangle to write, or nothing when the window is minimised
// or maximised or has not moved. Only the left and top change; the rest is carried along.
std::optional<std::array<int, 4>> WindowPosToSave(const std::array<int, 4>& stored, bool minimised,
                                                  bool maximised, int left, int top);

// Keys the main window hands to the matrix view before its accelerators see them.
enum class FrameKeyAction {
    PassOn,             // to the accelerators (Enter then gives the pen-swap command)
    SwapPen,            // Enter with any tool but the move tool
    NudgeSelection,     // the arrow keys
    CutSelection,       // Delete
    CancelPendingPaste  // Escape: taken only when a paste was pending
};
FrameKeyAction FrameKeyActionFor(unsigned virtualKey, bool hasMatrixView, int currentTool);

// Command lines of the programs the editor starts, built from its own folder (ending with a
// backslash) or its own file.
std::wstring ListBrowserCommandLine(std::wstring_view moduleFolder, std::wstring_view fontPath);
std::wstring NewEditorCommandLine(std::wstring_view modulePath);
