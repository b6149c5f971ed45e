// How the matrix view and the information column beside it know each other without either
// including the other's window code: the column reads the view's state and asks it for a few
// things through IMatrixViewState; the view tells the column about the mouse and asks it to
// repaint a pane through IInformationSink. The application wires the two when it makes them.
#pragma once

#include <cstdint>

#include "base/kf_types.h"
#include "editor/dot_plane.h"

class IMatrixViewState {
  public:
    virtual ~IMatrixViewState() = default;

    virtual int GetTool() const = 0;
    virtual int GetDotSize() const = 0;
    virtual BOOL GetPenSwap() const = 0;
    // 0 transparent, 1 opaque: how a move or a paste covers the dots below it.
    virtual int GetOverlayMode() const = 0;
    virtual void SetOverlayMode(int mode) = 0;
    // The edit bitmap when a document has lent one, else null.
    virtual const DotPlane* GetEditBitmap() const = 0;

    // Shown-layer bits: 0, or exactly one of 0x80, 0x40, 0x20.
    virtual std::uint8_t GetShownLayers() const = 0;
    virtual void SetShownLayers(std::uint8_t shown) = 0;
    // Shows layer `index` alone, or hides it when it is the one shown, and renders.
    virtual void ToggleSampleLayer(int index) = 0;
    // Rebuilds the layer plane from the shown layer's entry and repaints.
    virtual void RenderSampleLayer() = 0;
    // RenderSampleLayer, only when `index` is the layer shown.
    virtual void RefreshSampleLayer(int index) = 0;
};

// The panes RefreshPane repaints.
enum InformationPane : int {
    kPaneGlyphSample = 0,
    kPaneOverlayMode = 1,
    kPaneDrawTool = 2,
};

class IInformationSink {
  public:
    virtual ~IInformationSink() = default;
    // The dot under the mouse (x1, y1) without a drag; the drag's start dot and the current dot
    // during one; all -1 to empty the lines.
    virtual void ShowDotPosition(int x1, int y1, int x2, int y2) = 0;
    virtual void RefreshPane(int pane) = 0;
};
