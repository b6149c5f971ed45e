// Dialogs from templates of the resources, modal or modeless, bound to their C++ object
// like every other window of the framework.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* parent = nullptr) : m_nIDTemplate(nIDTemplate), m_pParent(parent) {}

    INT_PTR DoModal();
    BOOL Create(UINT nIDTemplate, CWnd* parent = nullptr);
    void EndDialog(int result);
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void CenterWindow(HWND alternateOwner = nullptr);

    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    UINT m_nIDTemplate;
    CWnd* m_pParent;
    bool m_bModal = false;

private:
    static INT_PTR CALLBACK FrameworkDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
