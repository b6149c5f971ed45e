// The About box: the program's version and legal line from its own version resource, the
// read-me beside the program as a link, and the button that ends every editor and starts the
// updater -- unless an editor holds unsaved changes.
//
//     CAboutDlg dlg(context, frame);
//     dlg.DoModal();
#pragma once

#include <windows.h>

#include <string>

#include "base/app_context.h"
#include "win32/framework/dialog.h"

// A static text drawn as a hyperlink (blue, underlined, a hand cursor); a click opens the text: a web
// address as it is, a file name as the file beside the program.
class CUrlStatic : public CStatic {
  public:
    CUrlStatic();
    ~CUrlStatic() override;
    // The folder a file name in the text is taken from (ending with a backslash).
    void SetBaseFolder(const std::wstring& folder) { m_strBaseFolder = folder; }
    // The colours of the link, from the parent's WM_CTLCOLORSTATIC; returns the background brush.
    HBRUSH CtlColor(HDC dc);

  protected:
    BOOL OnWndMsg(const WindowMessage& m, LRESULT* result) override;

  private:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    void OnLButtonUp(UINT flags, POINT point);
    HCURSOR m_hCursor = nullptr;
    bool m_bOwnCursor = false;
    HFONT m_hUnderlineFont = nullptr;
    HBRUSH m_hBrush = nullptr;
    std::wstring m_strBaseFolder;
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
