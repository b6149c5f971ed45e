// The information column on the left of the main window: the glyph at small size, the overlay
// mode, the current tool with its pen colour and dot size, the three sample layer panes and the
// dot coordinates of the mouse. Each pane paints itself from the matrix view's state, which it
// reads through IMatrixViewState and never copies.
#pragma once

#include <windows.h>

#include <string>

#include "base/app_context.h"
#include "editor/matrix_view_state.h"
#include "win32/framework/dialog.h"
#include "win32/framework/doc_view.h"
#include "win32/framework/frame_wnd.h"
#include "win32/platform/handles.h"

class CInformationView;

// Draws a picture of the resources onto a device context through its mask: where the mask is
// white the picture shows, where it is black the target shows through the picture's white. It
// draws in its constructor and keeps nothing; a picture smaller than width by height is drawn at
// its own size.
class CBitMDraw {
  public:
    CBitMDraw(int x, int y, int width, int height, HDC target, UINT pictureId, UINT maskId);
};

// A pane of the column: a static control of the form that paints itself.
class CInfoPane : public CStatic {
  public:
    void SetOwnerView(CInformationView* view) { m_pInfo = view; }

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    void OnPaint();
    // Every pane paints its whole client area.
    LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
    virtual void Paint(HDC dc, const RECT& client) = 0;
    IMatrixViewState* View() const;
    // The DPI the column is laid out for.
    int Dpi() const;
    CInformationView* m_pInfo = nullptr;
};

// The glyph being edited, 64 by 64 pixels (stretched when N is not 64).
class CGaijiSample : public CInfoPane {
  protected:
    void Paint(HDC dc, const RECT& client) override;
};

// The overlay mode; a click left or right of the middle chooses it.
class CStaDrawMode : public CInfoPane {
  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    void OnLButtonUp(UINT flags, POINT point);
    void Paint(HDC dc, const RECT& client) override;
};

// The current tool, its pen colour and its dot size, with the dot-size pop-up at the arrow.
class CStaDrawTool : public CInfoPane {
  public:
    BOOL m_bDotSizeTool = FALSE;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    void OnContextMenu(UINT flags, POINT screen);
    void Paint(HDC dc, const RECT& client) override;
    // Where a right click opens the dot sizes, in client pixels.
    RECT ArrowRect() const;
};

// One sample layer's template at 64 pixels; a left click toggles the layer, a right click opens
// its settings.
class CStaSampleLayer : public CInfoPane {
  public:
    void SetLayerIndex(int index) { m_nLayer = index; }
    int m_nLayer = 0;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    void OnLButtonUp(UINT flags, POINT point);
    void OnRButtonUp(UINT flags, POINT point);
    void Paint(HDC dc, const RECT& client) override;
};

// The form the panes live on (dialog template of the column), a child of the view.
class CInformationForm : public CDialog {
  public:
    explicit CInformationForm(CInformationView& owner);

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
    CInformationView& m_owner;
};

class CInformationView : public CView, public IInformationSink {
  public:
    explicit CInformationView(const AppContext& context);
    ~CInformationView() override;

    // The matrix view whose state the panes show; set once by the application.
    void SetMatrixView(IMatrixViewState* view) { m_pMatrix = view; }
    IMatrixViewState* MatrixView() const { return m_pMatrix; }
    const AppContext& Context() const { return m_context; }

    // Lays the column out for a screen of `dpi`: the panes' places, the pictures and the fonts.
    void SetDpi(int dpi);
    int Dpi() const { return m_nDpi; }

    void ShowDotPosition(int x1, int y1, int x2, int y2) override;
    void RefreshPane(int pane) override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, LPARAM hint, void* hintObject) override;
    void OnDraw(HDC /*dc*/) override {}

    // The tooltip text of a pane by its control id, and the status prompt id that goes with it
    // (0 for a control without one).
    std::wstring TooltipText(int controlId, UINT* promptId) const;
    // The texts of the two coordinate lines.
    std::wstring PositionLine(int line) const;

    CGaijiSample m_wndGlyph;
    CStaDrawMode m_wndMode;
    CStaDrawTool m_wndTool;
    CStaSampleLayer m_wndLayers[3];
    CStatic m_wndPos1;
    CStatic m_wndPos2;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    void OnSize(UINT type, int width, int height);
    void CreateForm();
    // Places the panes and the form for the DPI and gives the lines and tooltips their fonts.
    void LayoutForm();
    static void Redraw(HWND window);

    const AppContext& m_context;
    IMatrixViewState* m_pMatrix = nullptr;
    CInformationForm m_form;
    HWND m_hTooltip = nullptr;
    CPointFont m_posFont;
    UniqueFont m_tooltipFont;
    int m_nDpi = 96;
};
