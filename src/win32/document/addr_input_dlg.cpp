#include "win32/document/addr_input_dlg.h"

#include "base/diag_log.h"
#include "win32/framework/win_app.h"
#include "resource.h"

namespace {
constexpr UINT kHelpTopic = 56;
}

CAddrInputDlg::CAddrInputDlg(const AppContext& context, BOOL bEditMode, CWnd* parent)
    : CDialog(IDD_ADDR_INPUT, parent), CodeInputModel(bEditMode) {
    SetHelpTopic(context.m_strHelpFile, kHelpTopic);
}

void CAddrInputDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_ADDR_CODE, m_editCode);
    DDX_Text(pDX, IDC_ADDR_CODE, m_strCode);
    DDV_MaxChars(pDX, m_strCode, kCodeTextMaxChars);
    DDX_Radio(pDX, IDC_ADDR_UNICODE, m_nCodeType);
}

BOOL CAddrInputDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyDialogLook(IDI_DIALOG_ICON, {&m_editCode}, 90, L"ＭＳ ゴシック");
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
