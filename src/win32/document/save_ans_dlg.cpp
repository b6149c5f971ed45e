#include "win32/document/save_ans_dlg.h"

#include "automation/save_answer.h"
#include "resource.h"

CSaveAnsDlg::CSaveAnsDlg(IProfileStore& store, CWnd* parent)
    : CDialog(IDD_SAVE_ANSWER, parent), m_store(store) {}

void CSaveAnsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_SAVE_ANS_ICON, m_staticIcon);
    DDX_Check(pDX, IDC_SAVE_ANS_NO_MORE, m_bNoMore);
}

BOOL CSaveAnsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_staticIcon.SetIcon(LoadIconW(nullptr, IDI_ASTERISK));
    return TRUE;
}

void CSaveAnsDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    if (m_bNoMore) StopAskingBeforeSave(m_store);
    EndDialog(IDOK);
}
