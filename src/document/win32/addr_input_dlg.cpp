#include "document/win32/addr_input_dlg.h"

#include "app/diag_log.h"
#include "app/win32/companions.h"
#include "app/win32/glyph_editor_app.h"
#include "resource.h"

namespace {
constexpr UINT kHelpTopic = 56;
}

CAddrInputDlg::CAddrInputDlg(BOOL bEditMode, CWnd* parent)
    : CDialog(IDD_ADDR_INPUT, parent), CodeInputModel(bEditMode) {}

void CAddrInputDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_ADDR_CODE, m_editCode);
    DDX_Text(pDX, IDC_ADDR_CODE, m_strCode);
    DDV_MaxChars(pDX, m_strCode, kCodeTextMaxChars);
    DDX_Radio(pDX, IDC_ADDR_UNICODE, m_nCodeType);
}

BOOL CAddrInputDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_font.CreatePointFont(90, L"ＭＳ ゴシック")) m_editCode.SetFont(m_font.GetSafeHandle(), TRUE);
    SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DIALOG_ICON)), TRUE);
    SetWindowText(MakeCaption(GetWindowText()));
    return TRUE;
}

void CAddrInputDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    if (!ConfirmCode()) {
        // The user's text stays for correction.
        AfxMessageBox(IDS_ERR_BAD_CODE, MB_OK | MB_ICONEXCLAMATION);
        GotoDlgCtrl(m_editCode.m_hWnd);
        return;
    }
    g_log.Write(L"%sのため Code=%4.4X を選択\n", PurposeWord(), m_nCode);
    EndDialog(IDOK);
}

BOOL CAddrInputDlg::PreTranslateMessage(MSG* msg) {
    if (IsHelpKey(msg)) {
        if (AfxGetApp()) ShowHelpTopic(m_hWnd, GetGlyphoApp().GetHelpFilePath(), kHelpTopic);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}
