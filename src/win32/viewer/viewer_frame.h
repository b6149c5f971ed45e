// The browser's main window: menu and accelerators, the size slider above the grid, a status bar of
// three parts (prompts, the file's state, the code under the mouse) and the grid view. It carries the
// browser's window tag, so that exiting editors send it the update signal.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/profile_store.h"
#include "win32/platform/handles.h"
#include "win32/framework/bars.h"
#include "win32/finder/finder_dlg.h"
#include "win32/framework/frame_wnd.h"
#include "viewer/glyph_sheet.h"

class CGlyphGridView;

class CViewerFrame : public CFrameWnd {
  public:
    CViewerFrame(IProfileStore& profile, std::wstring fontPath, std::wstring bitmapPath,
                 std::wstring moduleFolder);

    // Creates the window from the resources with the first read of the file, tags it and shows it.
    BOOL Create(GlyphSheet sheet, int showCommand);

    BOOL OnCmdMsg(UINT id, CmdCode code, CCmdUI* cmdUI) override;

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    int OnCreate(CREATESTRUCTW* cs) override;
    void OnClose() override;
    void RecalcLayout() override;

  private:
    void OnBrowserUpdate();
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    void OnSetFocus(HWND previous);
    LRESULT OnHScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    void OnGoTo();
    void OnFindStandard();
    void OnSliderMoved();
    void SetStatusParts();
    void ShowStatus();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Lays the strip, the status bar and the grid out for a screen of `dpi`.
    void ApplyDpi(int dpi);
    // The label's, the tool tip's and the status bar's fonts at the window's DPI.
    void ApplyFonts();
    int LabelTextWidth() const;

    IProfileStore& m_profile;
    std::wstring m_strFontPath;
    std::wstring m_strBitmapPath;
    std::wstring m_strModuleFolder;
    int m_nDpi;
    int m_nCellSize;
    CGlyphGridView* m_pGridView = nullptr;  // a child window; deletes itself with its window
    // The standard-character finder, searching the selected character; made when first asked for.
    std::unique_ptr<CFinderDlg> m_finder;
    CStatusBar m_wndStatusBar;
    std::wstring m_strFileStatus;  // stored characters, or why the file cannot be read
    std::wstring m_strCodeStatus;  // the code under the mouse, else the selected one
    HWND m_hSlider = nullptr;
    HWND m_hSizeLabel = nullptr;
    HWND m_hToolTip = nullptr;
    UniqueFont m_barFont;
    UniqueFont m_tipFont;
    GlyphSheet m_firstSheet;
};
