#include "win32/viewer/goto_code_dlg.h"

#include "glyphstore/code_input.h"
#include "win32/framework/win_app.h"
#include "resource.h"
#include "viewer/viewer_rules.h"
#include "viewer_resource.h"

std::wstring CGoToCodeDlg::s_strLastCode;
int CGoToCodeDlg::s_nLastCodeType = kCodeTypeUnicode;

CGoToCodeDlg::CGoToCodeDlg(CWnd* parent)
    : CDialog(IDD_VIEWER_GOTO, parent), m_strCode(s_strLastCode), m_nCodeType(s_nLastCodeType) {}

void CGoToCodeDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_ADDR_CODE, m_editCode);
    DDX_Text(pDX, IDC_ADDR_CODE, m_strCode);
    DDV_MaxChars(pDX, m_strCode, kCodeTextMaxChars);
    DDX_Radio(pDX, IDC_ADDR_UNICODE, m_nCodeType);
}

BOOL CGoToCodeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyDialogLook(IDR_VIEWERFRAME, {&m_editCode}, 90, L"ＭＳ ゴシック");
    return TRUE;
}

void CGoToCodeDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    m_nCode = ParseGoToCode(m_strCode, m_nCodeType);
    if (m_nCode < 0) {
        // The user's text stays for correction.
        AfxMessageBox(IDS_ERR_BAD_CODE, MB_OK | MB_ICONEXCLAMATION);
        GotoDlgCtrl(m_editCode.m_hWnd);
        return;
    }
    s_strLastCode = m_strCode;
    s_nLastCodeType = m_nCodeType;
    EndDialog(IDOK);
}
