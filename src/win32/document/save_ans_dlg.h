// Saving remote-controls the system's character editor, which goes wrong if the user works
// meanwhile or has that editor open; this asks for a go-ahead before every save until the user
// says not to ask again (kept in the settings, for good).
//
//     CSaveAnsDlg dlg(context.Profile(), parent);
//     if (dlg.DoModal() != IDOK) return;   // IDOK: "保存" was chosen
#pragma once

#include <windows.h>

#include "base/profile_store.h"
#include "win32/framework/dialog.h"

class CSaveAnsDlg : public CDialog {
  public:
    explicit CSaveAnsDlg(IProfileStore& store, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;

    CStatic m_staticIcon;
    BOOL m_bNoMore = FALSE;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    IProfileStore& m_store;  // where "don't ask again" is kept
};
