// The About box: the program's version and legal line from its own version resource, a link to the
// user's manual, and the button that ends every editor and starts the updater.
//
//     CAboutDlg dlg(context, frame);
//     dlg.DoModal();
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/app_context.h"
#include "win32/framework/dialog.h"

// A static text drawn as a hyperlink (blue, underlined, a hand cursor); a click opens the text, or
// does what the owner set with SetOnClick.
class CUrlStatic : public CStatic {
  public:
    CUrlStatic();
    ~CUrlStatic() override;
    // The colours of the link, from the parent's WM_CTLCOLORSTATIC; returns the background brush.
    HBRUSH CtlColor(HDC dc);
    void SetOnClick(std::function<void()> onClick) { m_onClick = std::move(onClick); }

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    void OnLButtonUp(UINT flags, POINT point);
    HCURSOR m_hCursor = nullptr;
    bool m_bOwnCursor = false;
    HFONT m_hUnderlineFont = nullptr;
    HBRUSH m_hBrush = nullptr;
    std::function<void()> m_onClick;
};

class CAboutDlg : public CDialog {
  public:
    explicit CAboutDlg(const AppContext& context, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnAutoUpdate();

    CControlWnd m_btnAutoUpdate;
    CUrlStatic m_staticUrl;
    std::wstring m_strLegal;
    std::wstring m_strVersion;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  private:
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    const AppContext& m_context;
};
