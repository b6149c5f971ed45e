// The editor's single top-level window: menu bar, tool bar, status bar and a fixed splitter
// with the information column on the left and the dot matrix on the right. Its size follows
// the zoom and the glyph size; resizing it by hand changes the zoom. Its title is part of how
// the family's programs see each other: it names the default EUDC font and the code being
// edited, with a mark while the character is modified.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/frame_rules.h"
#include "base/app_context.h"
#include "win32/document/glyph_editor_doc.h"
#include "win32/framework/bars.h"
#include "win32/framework/splitter.h"
#include "win32/framework/frame_wnd.h"
#include "win32/finder/finder_dlg.h"

class CMatrixEditView;
class CInformationView;

// The splitter between the two panes cannot be dragged.
class CFixSplitterWnd : public CSplitterWnd {
  protected:
    void OnLButtonDown(UINT, POINT) override {}
    void OnMouseMove(UINT, POINT) override {}
};

class CMainFrame : public CFrameWnd, public IGlyphDocumentFrame {
  public:
    explicit CMainFrame(const AppContext& context) : m_context(context) {}

    // Title "<default EUDC font path>　[ CODE= <code> ]".
    void SetTitleCode(const std::wstring& code) override;
    // Adds the modified mark once, or removes every mark.
    void SetModifiedMark(BOOL modified) override;
    // The two panes of the splitter.
    CMatrixEditView* GetMatrixEditView() const;
    CInformationView* GetInformationView() const;
    // Sizes the frame so that the matrix pane is extent pixels square; returns the frame size.
    SIZE FitFrameToMatrix(int extent);
    // What the frame's size depends on besides the matrix, at the window's DPI.
    FrameMetrics MetricsForDpi() const;
    int GetDpi() const { return m_nDpi; }
    void SaveWindowPos();
    // Opens `code` once the window runs, or asks for a code when it is empty.
    void OpenStartCode(const std::wstring& code);

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    BOOL OnCreateClient(CREATESTRUCTW* cs, CCreateContext* context) override;
    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    // The keys the frame takes before the accelerators (pen swap, nudges, cut, paste cancel).
    BOOL OnPreKeyDown(UINT key) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    int OnCreate(CREATESTRUCTW* cs) override;
    void OnClose() override;
    void RecalcLayout() override;

  private:
    void OnFindStandard();
    void OnWindowZoom();
    void OnUpdateWindowZoom(CCmdUI*) {}
    void OnNextPane();
    void OnPrevPane();
    void ActivatePane(int column);
    void OnOpenTargetCode();
    void OnAskCode();
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    void OnEnterSizeMove();
    void OnExitSizeMove();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Lays the bars, the column, the splitter and the matrix out for a screen of `dpi`; the zoom
    // taken at `previousDpi` becomes the zoom at `dpi`.
    void ApplyDpi(int dpi, int previousDpi);
    void ApplyZoom(int zoom);

    const AppContext& m_context;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CFixSplitterWnd m_wndSplitter;
    int m_nMinTrackWidth = -1;
    int m_nMinTrackHeight = -1;
    RECT m_rcSizeMove = {};
    std::wstring m_strStartCode;
    int m_nDpi = 96;
    bool m_bHighColorToolBar = false;
    // The standard-character finder's window, made when first asked for.
    std::unique_ptr<CFinderDlg> m_finder;
};
