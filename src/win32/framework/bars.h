// The frame's control bars: a tool bar whose buttons are commands (laid out by a tool bar
// resource, state from the command route at idle time, tool tips from the commands' string
// resources) and a one-pane status bar for the command prompts.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "win32/platform/handles.h"
#include "win32/framework/wnd.h"

class CToolBar : public CWnd {
  public:
    ~CToolBar() override;

    BOOL CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id);
    // Lays out the buttons from the tool bar resource (type 241) and takes bitmap
    // nIDResource as the images.
    BOOL LoadToolBar(UINT nIDResource);
    // Takes over `list` as the buttons' pictures and sizes the buttons to them, with the padding of a
    // tool bar at `dpi`. The list is destroyed with the bar or with the next list.
    BOOL SetImageList(HIMAGELIST list, int dpi);
    const std::vector<UINT>& GetButtonIds() const { return m_ids; }
    SIZE GetButtonSize() const;
    // The width from the bar's left edge to the right edge of its last button.
    int GetContentWidth() const;
    // The bar's height as laid out under the menu.
    int GetHeight() const;
    // Asks the route for every button's state.
    void UpdateButtons(const std::function<void(UINT id, CCmdUI* ui)>& route);

  private:
    std::vector<UINT> m_ids;  // 0 for a separator
    SIZE m_buttonSize = {24, 24};
    HIMAGELIST m_imageList = nullptr;
    int m_nDpi = 96;
};

class CStatusBar : public CWnd {
  public:
    BOOL Create(CWnd* parent, DWORD style, UINT id);
    void SetPaneText(const std::wstring& text);
    int GetHeight() const;
    // The system's status-bar font at `dpi`; the bar takes its height from it.
    void SetDpi(int dpi);

  private:
    UniqueFont m_font;
};

// The prompt (before the line break) and the tool tip (after it) of a command's string.
std::wstring CommandPrompt(UINT id);
std::wstring CommandToolTip(UINT id);
