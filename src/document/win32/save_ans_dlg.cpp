#include "document/win32/save_ans_dlg.h"

#include "app/settings.h"
#include "framework/win_app.h"
#include "resource.h"

CSaveAnsDlg::CSaveAnsDlg(CWnd* parent) : CDialog(IDD_SAVE_ANSWER, parent) {}

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
    if (m_bNoMore) {
        if (CWinApp* app = AfxGetApp()) app->WriteProfileString(kEditorSection, L"SaveAns", L"no");
    }
    EndDialog(IDOK);
}
