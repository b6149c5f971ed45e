// Saving remote-controls the system's character editor, which goes wrong if the user works
// meanwhile or has that editor open; this asks for a go-ahead before every save until the user
// says not to ask again (kept in the settings, for good).
//
//     CSaveAnsDlg dlg(parent);
//     if (dlg.DoModal() != IDOK) return;   // IDOK: "保存" was chosen
#pragma once

#include "framework/dialog.h"

class CSaveAnsDlg : public CDialog {
  public:
    explicit CSaveAnsDlg(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;

    CStatic m_staticIcon;
    BOOL m_bNoMore = FALSE;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
