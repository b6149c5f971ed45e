#include "framework/dialog.h"

namespace {
const wchar_t kDialogProperty[] = L"KanjiforgeFrameworkDialog";
}

INT_PTR CALLBACK CDialog::FrameworkDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = static_cast<CDialog*>(GetPropW(hWnd, kDialogProperty));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        SetPropW(hWnd, kDialogProperty, dialog);
        dialog->m_hWnd = hWnd;
    }
    if (dialog == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        RemovePropW(hWnd, kDialogProperty);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return dialog->DialogProc(message, wParam, lParam);
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
            return OnCommand(wParam, 0);
    }
    return FALSE;
}

INT_PTR CDialog::DoModal() {
    m_bModal = true;
    HWND parent = m_pParent ? m_pParent->m_hWnd : GetActiveWindow();
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), parent, FrameworkDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* parent) {
    m_bModal = false;
    m_nIDTemplate = nIDTemplate;
    m_pParent = parent;
    HWND hWnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(nIDTemplate),
                                   parent ? parent->m_hWnd : nullptr, FrameworkDlgProc,
                                   reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

void CDialog::EndDialog(int result) {
    if (m_bModal) {
        ::EndDialog(m_hWnd, result);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}

void CDialog::CenterWindow(HWND alternateOwner) {
    HWND owner = alternateOwner ? alternateOwner : GetParent(m_hWnd);
    if (owner == nullptr) owner = GetDesktopWindow();
    RECT ownerRect, rect;
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(m_hWnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
    const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
