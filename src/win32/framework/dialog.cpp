#include "win32/framework/dialog.h"

#include "win32/platform/dpi.h"
#include "win32/platform/handles.h"
#include "framework/dialog_data.h"
#include "win32/platform/strings.h"
#include "win32/framework/win_app.h"

namespace {

bool IsWithin(HWND hWnd, HWND ancestor) { return hWnd == ancestor || ::IsChild(ancestor, hWnd); }

}  // namespace

// --- CDataExchange ---

HWND CDataExchange::PrepareCtrl(int id) {
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    PrepareCtrl(id);
    m_bEditLastControl = true;
    return m_hWndLastControl;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (!m_bSaveAndValidate || m_hWndLastControl == nullptr) return;
    m_pDlgWnd->GotoDlgCtrl(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
}

// --- Controls ---

CControlWnd::~CControlWnd() { UnsubclassWindow(); }

CControlWnd* CControlWnd::FromHandle(HWND hWnd) {
    return dynamic_cast<CControlWnd*>(FromHandlePermanent(hWnd));
}

BOOL CControlWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd != nullptr || hWnd == nullptr || FromHandlePermanent(hWnd) != nullptr) return FALSE;
    Attach(hWnd);
    const LONG_PTR previous =
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CControlWnd::ControlProc));
    if (previous == 0) {
        Detach();
        return FALSE;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(previous);
    return TRUE;
}

BOOL CControlWnd::SubclassDlgItem(int id, CWnd* parent) {
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, id)) : FALSE;
}

HWND CControlWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr) return nullptr;
    if (IsWindow(hWnd)) {
        // Only undo our own hook; someone who hooked in after us keeps the chain.
        if (GetWindowLongPtrW(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CControlWnd::ControlProc)) {
            SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        }
    }
    Detach();
    return hWnd;
}

LRESULT CALLBACK CControlWnd::ControlProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CControlWnd* control = FromHandle(hWnd);
    if (control == nullptr || control->m_pfnSuper == nullptr)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC super = control->m_pfnSuper;
        control->UnsubclassWindow();
        return CallWindowProcW(super, hWnd, message, wParam, lParam);
    }
    CurrentMessageScope scope(*control, message, wParam, lParam);
    return control->WindowProc(message, wParam, lParam);
}

LRESULT CControlWnd::Default() {
    return CallWindowProcW(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

void CControlWnd::SetFont(HFONT font, BOOL redraw) {
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

BOOL CEdit::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_SETFOCUS, msg::Window<&CEdit::OnSetFocus>},
        {WM_KILLFOCUS, msg::Window<&CEdit::OnKillFocus>},
    };
    return DispatchWindowMessage(*this, table, m, result) || CControlWnd::OnWndMsg(m, result);
}

BOOL CPointFont::CreatePointFont(int pointSizeTenths, const wchar_t* faceName, int dpi) {
    m_font = CreatePointFontForDpi(pointSizeTenths, faceName, dpi);
    return m_font ? TRUE : FALSE;
}

// --- CDialog ---

INT_PTR CALLBACK CDialog::FrameworkDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = dynamic_cast<CDialog*>(FromHandlePermanent(hWnd));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->Attach(hWnd);
    }
    if (dialog == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        dialog->Detach();
        return FALSE;
    }
    // A dialog procedure answers FALSE for what it leaves to the dialog manager.
    CurrentMessageScope scope(*dialog, message, wParam, lParam);
    LRESULT result = 0;
    return dialog->OnWndMsg({message, wParam, lParam}, &result) ? result : FALSE;
}

BOOL CDialog::OnWndMsg(const WindowMessage& m, LRESULT* result) {
    static const MessageEntry table[] = {
        {WM_INITDIALOG, msg::Raw<&CDialog::OnInitDialogMessage>},
        {WM_COMMAND, msg::Raw<&CDialog::OnDialogCommand>},
        {WM_DPICHANGED, msg::Raw<&CDialog::OnDpiChangedMessage>},
    };
    return DispatchWindowMessage(*this, table, m, result);
}

LRESULT CDialog::OnInitDialogMessage(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    RECT before = {};
    GetWindowRect(m_hWnd, &before);
    const BOOL result = OnInitDialog();
    // A modal dialog that did not place itself appears over its owner.
    RECT after = {};
    if (m_hWnd && m_bModal && GetWindowRect(m_hWnd, &after) && EqualRect(&before, &after) &&
        !(GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
        CenterWindow();
    }
    return result;
}

LRESULT CDialog::OnDialogCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return OnCommand(wParam, lParam);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (m_hWnd == nullptr) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

HWND CDialog::ModalOwner() const {
    HWND owner = m_pParent ? m_pParent->m_hWnd : nullptr;
    if (owner == nullptr) {
        CWnd* main = AfxGetMainWnd();
        if (main && IsWindow(main->m_hWnd)) owner = main->m_hWnd;
    }
    if (owner == nullptr) owner = GetActiveWindow();
    if (owner == nullptr) return nullptr;
    // Only a top-level window can own the dialog and be disabled for it; a dialog already open
    // over that window owns the new one.
    owner = GetAncestor(owner, GA_ROOT);
    HWND popup = GetLastActivePopup(owner);
    return popup ? popup : owner;
}

INT_PTR CDialog::DoModal() {
    HWND owner = ModalOwner();
    const bool enableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (enableOwner) EnableWindow(owner, FALSE);

    m_bModal = true;
    m_bModalEnded = false;
    m_nModalResult = IDCANCEL;
    HWND hWnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                                   FrameworkDlgProc, reinterpret_cast<LPARAM>(this));
    if (hWnd == nullptr) {
        if (enableOwner) EnableWindow(owner, TRUE);
        m_bModal = false;
        return -1;
    }
    if (!m_bModalEnded && m_hWnd && !IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG msg;
    while (!m_bModalEnded && m_hWnd != nullptr) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The program is told to end: leave the dialog and let the outer loop see the request.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = IDCANCEL;
            break;
        }
        if (!PreTranslateModalMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    // Hide first and give the activation back to the owner, so that no other program's window
    // comes forward in between.
    if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (enableOwner) EnableWindow(owner, TRUE);
    if (owner && GetActiveWindow() == hWnd) SetActiveWindow(owner);
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::PreTranslateModalMessage(MSG* msg) {
    if (m_hWnd == nullptr || msg->hwnd == nullptr || !IsWithin(msg->hwnd, m_hWnd)) return FALSE;
    // From the target control up to the dialog, as the framework's filter chain does.
    for (HWND hWnd = msg->hwnd; hWnd != nullptr; hWnd = GetParent(hWnd)) {
        CWnd* wnd = hWnd == m_hWnd ? static_cast<CWnd*>(this) : CWnd::FromHandlePermanent(hWnd);
        if (wnd && wnd->PreTranslateMessage(msg)) return TRUE;
        if (hWnd == m_hWnd || m_hWnd == nullptr) break;
    }
    return m_hWnd && IsDialogMessageW(m_hWnd, msg) ? TRUE : FALSE;
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
        m_nModalResult = result;
        m_bModalEnded = true;
        // Wakes the modal loop when this was called from a message sent by another thread.
        if (m_hWnd) PostMessageW(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

void CDialog::GotoDlgCtrl(HWND control) {
    if (m_hWnd && control) ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (m_nHelpTopic != 0 && IsHelpKey(msg)) {
        ShowHelpTopic(m_hWnd, m_strHelpFile, m_nHelpTopic);
        return TRUE;
    }
    return CWnd::PreTranslateMessage(msg);
}

void CDialog::ApplyDialogLook(UINT iconId, std::initializer_list<CControlWnd*> fontControls,
                              int pointSizeTenths, const wchar_t* faceName) {
    m_fontControls.assign(fontControls.begin(), fontControls.end());
    m_nFontTenths = pointSizeTenths;
    m_strFontFace = faceName;
    if (m_font.CreatePointFont(pointSizeTenths, faceName, WindowDpi(m_hWnd))) {
        for (CControlWnd* control : fontControls) control->SetFont(m_font.GetSafeHandle(), TRUE);
    }
    SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId)), TRUE);
}

LRESULT CDialog::OnDpiChangedMessage(WPARAM wParam, LPARAM lParam) {
    int dpi = 0;
    RECT suggested = {};
    if (!ReadDpiChanged(wParam, lParam, &dpi, &suggested)) return FALSE;
    if (!m_fontControls.empty() && m_font.CreatePointFont(m_nFontTenths, m_strFontFace.c_str(), dpi)) {
        for (CControlWnd* control : m_fontControls) control->SetFont(m_font.GetSafeHandle(), TRUE);
    }
    OnDialogDpiChanged(dpi);
    // The dialog manager scales the template's controls and takes the suggested place.
    return FALSE;
}

void CDialog::SetIcon(HICON icon, BOOL bigIcon) {
    ::SendMessageW(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void CDialog::CenterWindow(HWND alternateOwner) {
    HWND owner = alternateOwner ? alternateOwner : GetParent(m_hWnd);
    if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner)) owner = GetDesktopWindow();
    RECT ownerRect, rect;
    GetWindowRect(owner, &ownerRect);
    GetWindowRect(m_hWnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - width) / 2;
    int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - height) / 2;
    // Keep the whole window on the owner's screen.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Data exchange ---

void DDX_Control(CDataExchange* pDX, int id, CControlWnd& control) {
    if (pDX->Failed() || control.m_hWnd != nullptr) return;
    control.SubclassWindow(pDX->PrepareCtrl(id));
}

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value) {
    if (pDX->Failed()) return;
    HWND hWnd = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        value = WindowTextOf(hWnd);
    } else {
        SetWindowTextW(hWnd, value.c_str());
    }
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    if (pDX->Failed()) return;
    HWND hWnd = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetWindowTextW(hWnd, std::to_wstring(value).c_str());
        return;
    }
    const auto parsed = ParseFieldInt(WindowTextOf(hWnd));
    if (!parsed) {
        AfxMessageBox(kPromptParseInt);
        pDX->Fail();
        return;
    }
    value = *parsed;
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
    if (pDX->Failed()) return;
    HWND hWnd = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetWindowTextW(hWnd, std::to_wstring(value).c_str());
        return;
    }
    const auto parsed = ParseFieldUInt(WindowTextOf(hWnd));
    if (!parsed) {
        AfxMessageBox(kPromptParseUInt);
        pDX->Fail();
        return;
    }
    value = *parsed;
}

void DDX_Check(CDataExchange* pDX, int id, BOOL& value) {
    if (pDX->Failed()) return;
    HWND hWnd = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<BOOL>(::SendMessageW(hWnd, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageW(hWnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
    if (pDX->Failed()) return;
    HWND hWnd = pDX->PrepareCtrl(firstId);
    if (pDX->m_bSaveAndValidate) value = -1;
    // The group runs from its first button up to the next control that starts a group.
    int index = 0;
    for (HWND button = hWnd; button != nullptr;) {
        if (::SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                ::SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        button = GetWindow(button, GW_HWNDNEXT);
        if (button && (GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP)) break;
    }
}

void DDV_MaxChars(CDataExchange* pDX, const std::wstring& /*value*/, int maxChars) {
    // Set on the field of the DDX_Text just before, which then refuses more while the user types
    // or pastes; nothing is left to check when the contents are taken.
    if (pDX->Failed() || pDX->m_bSaveAndValidate) return;
    if (HWND hWnd = pDX->LastControl()) ::SendMessageW(hWnd, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (const auto prompt = RangePromptIfOutside(value, minValue, maxValue)) {
        AfxMessageBox(*prompt, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minValue, UINT maxValue) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (const auto prompt = RangePromptIfOutside(value, minValue, maxValue)) {
        AfxMessageBox(*prompt, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}
